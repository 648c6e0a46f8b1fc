#pragma once
// TAviWriter: writes the bitmaps of its Bitmaps list as the frames of an uncompressed AVI
// (24-bit, every frame a key frame, one frame lasting FrameTime milliseconds), with the sound
// of a WAV file when WavFileName names one. Progress goes to OnProgress with German messages.
//
// The file is written as "AWTemp.avi" in the work folder and renamed to FileName when
// complete; every failure raises EAviWriterError, and the work file never stays behind.
// Bitmaps named by file (TBitmap::LoadFromFile) are read one at a time while they are written.
#include <QList>
#include <QObject>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

#include "FrameBitmap.h"

namespace avi {
class Muxer;
class WaveSource;
}  // namespace avi

class EAviWriterError : public std::runtime_error {
 public:
  explicit EAviWriterError(const QString& message) : std::runtime_error(message.toStdString()) {}
  QString Message() const { return QString::fromStdString(what()); }
};

enum TProgressStage { psStarting, psRunning, psEnding };

class TAviWriter : public QObject {
  Q_OBJECT
 public:
  // (Sender, Stage, PercentDone, RedrawNow, R, Msg)
  using TProgressEvent =
      std::function<void(QObject* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow, const QRect& r,
                          const QString& msg)>;

  explicit TAviWriter(QObject* owner = nullptr);
  ~TAviWriter() override;

  int Height = 0;
  int Width = 0;
  int FrameTime = 1000;
  bool Stretch = true;
  QString FileName;
  QString WavFileName() const { return wavFileName_; }
  // Only names ending in ".wav" (any case); an empty name clears the sound track.
  void SetWavFileName(const QString& value);
  TProgressEvent OnProgress;

  // Owned by the caller; entries must be TBitmap objects.
  QList<QObject*> Bitmaps;

  // The work file: the one set here, else "AWTemp.avi" in the main window's work folder, else
  // beside FileName.
  QString TempFileName() const { return WorkFile(); }
  void SetTempFileName(const QString& path) { tempFileName_ = path; }
  // The size at which the file turns OpenDML (1 GiB; tests lower it).
  int64_t SegmentLimit = int64_t(1) << 30;

  void Write();
  // The two halves of Write: AddAudio opens the sound, WriteVideo writes the frames (with the
  // sound interleaved) into the work file. Write calls them; alone they do nothing useful.
  void WriteVideo();
  void AddAudio();

  QString ProgressMessage() const { return progressMessage_; }

 private:
  void Progress(const QString& message);
  void WriteFrame(int index, TBitmap* bmp, QByteArray& frame);
  void WriteAudioUpTo(int64_t bytes);
  QString WorkFile() const;

  QString wavFileName_;
  QString tempFileName_;
  QString progressMessage_;
  uint8_t percentDone_ = 0;
  std::unique_ptr<avi::Muxer> muxer_;
  std::unique_ptr<avi::WaveSource> wave_;
  int64_t audioDone_ = 0;
};
