#pragma once
// The production run: the open slideshow into one video, an AVI (plain mode) or a VCD/SVCD
// MPEG (high quality). The video wizard sets Mode, HighQuality and Pal and calls MakeVideo;
// the window reports every step in Memo1 and in "Diashow.log" of the program folder.
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <functional>

#include "AviWriter.h"
#include "Form.h"
#include "FrameConversion.h"
#include "Process.h"

class TPicImage;

// The file-name form of a title: blanks and signs to "_" or "x", umlauts spelled out, lower
// case; only letters, digits and "_" remain, at most 200 bytes.
QString ReplaceUmlauts(const QString& text);
// The program that plays a video file: "desktop" when the desktop has a player set up for its
// type, else the path of a known player, empty when there is none.
QString DesktopVideoPlayer(const QString& file);
// The first "." becomes ",".
QString DotToComma(const QString& text);

class TDVDForm : public TForm {
  Q_OBJECT
  Q_PROPERTY(QString Mode MEMBER Mode)
  Q_PROPERTY(bool HighQuality MEMBER HighQuality)
  Q_PROPERTY(bool Pal MEMBER Pal)
 public:
  explicit TDVDForm(QWidget* parent = nullptr);

  QString Mode = "VCD";
  bool HighQuality = false;
  bool Pal = true;  // the video wizard's TV standard

  QProgressBar* ProgressBar1 = nullptr;
  QLabel* StepLabel = nullptr;     // the status line
  QLabel* PercentLabel = nullptr;
  QLabel* ArbeiteLabel = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QPushButton* VideoBitBtn = nullptr;
  QPushButton* AbortBitBtn = nullptr;
  QPushButton* CloseBitBtn = nullptr;

  // The picture component that shows the pictures being converted, and the AVI writer
  // (FrameTime 1000, Stretch off).
  TPicImage* PicImage1 = nullptr;
  TAviWriter* AviWriter1 = nullptr;
  // The picture-to-frame conversion; ConvertPictures fills it from the main window and this
  // window (the run connects its log, text panel and progress hooks).
  TPictureConverter Frames;
  void ConvertPicture(const QString& sourceFile, const QString& targetBase);
  void ConvertPictures();

  // What the run takes from the main window at its start (TakeFromMainWindow); tests fill it.
  struct TRunSettings {
    QString AppDir, EncoderFolder, VideoFolder, ArchiveRoot, ArchiveFolder, DiashowTitle;
    QString SecondsPerPicture = "5";
    QStringList AudioFiles;
    int FramesPerSecond = 25;
  };
  bool TakeFromMainWindow = true;
  TRunSettings Run;
  // The built-in encoder is always there; tests take it away to see the run skip the encoding.
  bool EncoderPresent = true;
  QString LameProgram = "lame";
  // Sees every log line as it is written (the benchmark times the phases with it).
  std::function<void(const QString&)> LogObserver;
  // How "Video ansehen" finds a player (DesktopVideoPlayer when empty); tests put their own.
  static std::function<QString(const QString&)> FindVideoPlayer;

  // The whole run. An existing video of the same name is replaced only when the user agrees
  // (asked through the prompter before anything is touched) and only once the new one is whole.
  Q_INVOKABLE void MakeVideo();
  void WriteLog(const QString& line);
  // Deletes the run's own files in the work folder (nothing else the user keeps there).
  void ClearWorkFolder();
  void EstimateSize();
  // The result file of the current Mode and HighQuality.
  QString ResultFile() const;
  bool Running() const { return running_; }
  bool Failed() const { return FFailed; }
  bool Aborted() const { return FAborted; }
  QString LogFile() const { return Run.AppDir + "Diashow.log"; }

  void AbortBitBtnClick();
  void CloseBitBtnClick();
  void VideoBitBtnClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  struct Failure {
    QString text;
  };
  QString Text(int id, const char* german, const char* english) const;
  void takeSettings();
  // Asks before an existing video would be replaced; false (the run ends, the window closes)
  // when the user keeps it.
  bool keepOrReplace();
  void progressStep();
  void repaintNow();
  void memo(const QString& line);
  void status(const QString& line);
  void prepareAudio();
  void aviStep();
  void encodeStep();
  void endBlock();
  void failureBlock(const QString& why);
  void showHint(const QString& main, const QString& sub, bool nero);
  void setBusyModality(bool modal);
  kalvora::ProgramResult runAndWait(const QString& folder, const QString& program, const QStringList& args);

  int FBitmapCount = 0;
  int FFrameWidth = 352, FFrameHeight = 288;
  bool FFailed = false;
  bool FAborted = false;
  bool FCanClose = true;
  QStringList FPictureList, FAudioList;
  int64_t FProgressCount = 0, FProgressTotal = 1;
  int FSlideCount = 0;
  bool running_ = false;
  QString output_;
};

extern TDVDForm* DVDForm;
