#pragma once
// The sound track of a production: every music title is probed, an MP3 decoded by the lame
// program ("lame IN OUT --decode", an argument list, never a shell), a WAV copied, each to
// "Inp" + NNN + ".wav" in the work folder; then the parts are joined to "Input.wav" of the
// slideshow's running time plus four seconds. The production run lends its log, memo line,
// program start and abort flag.
#include <QString>
#include <QStringList>
#include <functional>

#include "Process.h"

class TWaveForm;
class TCheckAudioForm;

struct TSoundTrackHost {
  std::function<void(const QString&)> WriteLog;
  std::function<void(const QString&)> SetMemo;
  std::function<void()> Repaint;
  std::function<bool()> Aborted;
  // Starts program in folder with args and waits for its end. When unset, the program is
  // started directly and "Error starting " + its name is shown when it cannot start.
  std::function<kalvora::ProgramResult(const QString& folder, const QString& program, const QStringList& args)>
      RunAndWait;
};

class TSoundTrack {
 public:
  explicit TSoundTrack(TSoundTrackHost host = {});

  QStringList FAudioList;   // the titles' paths, in play order
  QString FEncoderFolder;   // the work folder, ending in "/"
  QString LameProgram = "lame";  // a name looked up in PATH, or a path
  int FAudioIndex = -1;     // the title being prepared
  QString FailureText;      // why the preparation failed, for the run's failure block

  // "Inp" + i + 1 as three digits + ".wav" in the work folder.
  QString InpFile(int index) const;
  // Titles are sorted by their last extension: "MP3", "WAV" (any case), others are passed over.
  enum class Kind { Mp3, Wav, Other };
  static Kind KindOf(const QString& path);

  // Probes, decodes or copies every title. False sends the run to its failure block (a
  // title of the wrong format after its message, a decoder that failed, a copy that failed);
  // an abort ends the loop with true.
  bool PrepareTitles(TCheckAudioForm* probe = nullptr);

  // The sound track's length: round(pictures x seconds) [+ round((frame files - pictures) /
  // fps) in high quality] + 4.
  static int SoundSeconds(int slideCount, double secondsPerPicture, bool highQuality, int jpgCount,
                          int framesPerSecond);

  // Joins the prepared parts to "Input.wav" in the work folder through the progress window and
  // deletes the parts. False (after a message) when the sound track would pass 4 GB or the join
  // failed; an empty title list does nothing.
  bool MakeSoundTrack(int seconds, TWaveForm* form);

 private:
  void log(const QString& line) const;
  void memo(const QString& line) const;
  void repaint() const;
  bool aborted() const;
  bool decodeMp3(int index, const QString& title);
  bool copyWav(int index, const QString& title);
  bool formatOk(TCheckAudioForm* probe, const QString& title);
  TSoundTrackHost FHost;
};
