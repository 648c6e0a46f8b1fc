#pragma once
// Pictures to video frames: every picture of the slideshow becomes one frame of the video size
// (fitted, centred on the background colour, its caption along the bottom), then a closing
// slide. Plain mode writes "inpNNNN.bmp" for the AVI writer; high-quality mode writes
// "inpNNNN_Key.jpg" key frames, has the transitions between them rendered (TCaptureForm),
// renames everything to "Test_NNNN.jpg" in display order and writes the frame repeat list
// "Test_quantity.nno" for the MPEG encoder.
//
// The production window owns one TPictureConverter: it sets the fields (from the main window
// with TakeMainWindowSettings, and its own Mode, HighQuality and TV standard) and connects the
// hooks to its log, text panel, status line and progress bar.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>

class QPainter;
class QWidget;
class TPicImage;

// Where a W x H picture lands on a FW x FH frame: pictures larger than the frame in either
// direction are scaled to fit (by the width when the picture is at least as wide in aspect as
// the frame, else by the height) and centred; smaller pictures keep their size, centred.
QRect FitPictureToFrame(int width, int height, int frameWidth, int frameHeight);

// The frame size of a video: PAL VCD 352 x 288, NTSC VCD 352 x 240, PAL SVCD 576 x 480,
// NTSC SVCD 480 x 480.
QSize VideoFrameSize(bool pal, const QString& mode);

// The SVCD frame size the encoder takes in high quality: 480 x 576 (PAL) or 480 x 480 (NTSC).
QSize SvcdEncoderSize(bool pal);

// "Pictures.ini" line, read as every reader of the list reads it (platform/StoredCaption.h):
// the file name as the file is named and the caption as the user typed it.
void SplitPictureLine(const QString& line, QString& fileName, QString& caption);

// Draws a caption into the band along the bottom of a frame (its bottom edge `offset` pixels
// above the frame's) and returns the band. A caption of one line that fits is one centred line
// in the band of the font's height; a longer one or one with line breaks is drawn smaller (down
// to two thirds of the size) and wrapped, so it stays inside the frame.
QRect DrawFrameCaption(QPainter& p, const QSize& frame, int offset, const QString& caption, const QFont& font,
                       const QColor& text, const QColor& back);

// Seconds per picture as typed ("2.5" or "2,5"); 0 when it is not a number.
double SecondsFromText(const QString& text);

// One transition for the capture window; returns the number of frames grabbed. The default
// shows a TCaptureForm until it has grabbed the transition; tests may put their own.
struct TCaptureJob {
  QString FirstPicture, SecondPicture, FrameBaseName, EffectsFile;
  int EffectNumber = 1;
  // The window that must stay in sight while the transition is calculated (the production
  // window with its progress and Abbrechen); the capture window goes beside it.
  QWidget* Beside = nullptr;
};

// Shows a TCaptureForm for the job (without blocking the other windows, TCaptureForm::Render)
// and returns when it has grabbed the transition; a key frame that cannot be loaded raises the
// imaging component's error.
int RunCaptureWindow(const TCaptureJob& job);

class TPictureConverter {
 public:
  TPictureConverter();
  ~TPictureConverter();

  // From the production window.
  QString Mode = "VCD";
  bool HighQuality = false;
  bool Pal = true;
  int FFrameWidth = 352;
  int FFrameHeight = 288;
  // From the main window (TakeMainWindowSettings).
  QString FArchiveRoot, FArchiveFolder, FEncoderFolder, FAppDir;
  QColor FBackgroundColor = Qt::black;
  QColor FTextColor = Qt::white;
  int FTextOffset = 0;
  QString FSecondsPerPicture = "5";
  bool Captions = true;          // TextCheckBox
  bool TransitionsOff = false;   // OFFRadioButton
  int EffectNumber = 1;          // SpinEdit1
  QString Language = "GERMAN";
  // The closing-slide pictures (TessaroImage for German, ENImage for every other language);
  // loaded from the program folder's recom/ when left null.
  QImage TessaroImage, ENImage;

  // The run's state.
  QString FPictureCaption;
  QStringList FPictureList;
  // The production window, which the capture windows keep in sight (TCaptureJob::Beside).
  QWidget* ProgressWindow = nullptr;
  // The production window's picture component (shows the pictures being loaded); without one
  // the converter uses a hidden one of its own.
  TPicImage* PicImage1 = nullptr;

  // Hooks to the production window (each may be left empty).
  std::function<void(const QString&)> WriteLog;
  std::function<void(const QString&)> MemoAdd;
  std::function<void(const QString&)> SetStatus;
  std::function<void()> ProgressStep;
  std::function<void()> Repaint;
  std::function<void(bool)> ShowMemo;
  std::function<void(bool)> ShowPicture;
  std::function<int(const TCaptureJob&)> RunCapture;
  // The run's abort flag, asked before each picture and each transition: when it answers true
  // the conversion stops there (the run's end block clears the work folder).
  std::function<bool()> Aborted;

  void TakeMainWindowSettings();
  void SetFrameSize(bool pal, const QString& mode);

  // One picture file into one frame file: TargetBase + ".bmp" or + "_Key.jpg". A picture that
  // cannot be loaded raises the imaging component's error.
  void ConvertPicture(const QString& sourceFile, const QString& targetBase);
  // The whole picture list, the closing slide and in high quality the transitions, names and
  // repeat list.
  void ConvertPictures();

  // The frame as composed by the last ConvertPicture, and where the picture and the caption
  // band went (an empty band when captions are off).
  const QImage& LastFrame() const { return lastFrame_; }
  // Pictures made into frames by the last ConvertPictures (refused lines left out).
  int PictureCount() const { return pictureCount_; }
  QRect LastPictureRect() const { return lastPictureRect_; }
  QRect LastCaptionBand() const { return lastBand_; }
  // The caption font: 12 points for VCD, 18 for SVCD, at 96 dots per inch.
  QFont CaptionFont() const;

 private:
  TPicImage& Picture();
  QString Text(int id, const char* german, const char* english) const;
  QString PictureListFile() const;
  QImage ClosingPicture() const;
  void Log(const QString& s) const;

  TPicImage* ownPicture_ = nullptr;
  QImage lastFrame_;
  QRect lastPictureRect_, lastBand_;
  int pictureCount_ = 0;
};
