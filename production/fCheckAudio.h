#pragma once
// Shows the technical data of an audio file (MP3 or WAV); used without its window it is the
// program's audio probe: set FFileName, call ReadInfo, read FSampleRate and FChannelMode.
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "Form.h"

class TCheckAudioForm : public TForm {
  Q_OBJECT
  Q_PROPERTY(QString FFileName MEMBER FFileName)
  Q_PROPERTY(QString FTypeText MEMBER FTypeText)
  Q_PROPERTY(QString FSubTypeText MEMBER FSubTypeText)
  Q_PROPERTY(QString FSampleRate MEMBER FSampleRate)
  Q_PROPERTY(QString FChannelMode MEMBER FChannelMode)
  Q_PROPERTY(QString FErrorText MEMBER FErrorText)
 public:
  explicit TCheckAudioForm(QWidget* parent = nullptr);

  QString FFileName;
  QString FTypeText;     // MP3: version name; WAV: format tag ("1" for PCM)
  QString FSubTypeText;  // MP3: layer name; WAV: bits per sample + " Bit"
  QString FSampleRate;   // "44100"
  QString FChannelMode;  // "STEREO" for two channels (MP3: stereo or joint stereo), else empty
  QString FErrorText;    // why the file could not be used; empty when it could

  QLabel* Label1 = nullptr;
  QLabel* Image1 = nullptr;
  QFrame* MP3Panel = nullptr;
  QFrame* WavePanel = nullptr;
  QPushButton* CloseBitBtn = nullptr;

  // MP3Panel, in the order of its labels.
  QLineEdit* ValidEdit = nullptr;        // "Valid MPEG:"
  QLineEdit* FileSizeEdit = nullptr;     // "File size:"
  QLineEdit* FirstFrameEdit = nullptr;   // "First frame at:"
  QLineEdit* BitRateEdit = nullptr;      // "Bit rate:"
  QLineEdit* MPEGTypeEdit = nullptr;     // "MPEG type:"
  QLineEdit* DurationEdit = nullptr;     // "Duration:"
  QLineEdit* SampleRateEdit = nullptr;   // "Sample rate:"
  QLineEdit* ChannelModeEdit = nullptr;  // "Channel mode:"
  QLineEdit* EmphasisEdit = nullptr;     // "Emphasis:"
  QLineEdit* EncoderEdit = nullptr;      // "Encoder:"
  QLineEdit* CRCEdit = nullptr;          // "CRC protection:"
  QLineEdit* FramesEdit = nullptr;       // "Total frames:"
  QLineEdit* CopyrightEdit = nullptr;    // "Copyright:"
  QLineEdit* OriginalEdit = nullptr;     // "Original:"

  // WavePanel.
  QLineEdit* WavDurationEdit = nullptr;     // "Duration:"
  QLineEdit* WavSampleRateEdit = nullptr;   // "Sample rate:"
  QLineEdit* WavBitsEdit = nullptr;         // "Bits per sample:"
  QLineEdit* WavFormatEdit = nullptr;       // "WAV Format:"
  QLineEdit* WavFileSizeEdit = nullptr;     // "File size:"
  QLineEdit* WavChannelModeEdit = nullptr;  // "Channel mode:"
  QLineEdit* WavValidEdit = nullptr;        // "Valid WAV:" (stays empty)

  // Examines FFileName: as MP3 when its last extension is "mp3" in any case, else as WAV.
  // A file that cannot be used leaves the four results empty and says why in FErrorText;
  // while the window is shown, the reason also comes as a message.
  Q_INVOKABLE void ReadInfo();
  Q_INVOKABLE void CloseButtonClick();

 protected:
  // Shown without blocking, the window examines its file itself.
  void showEvent(QShowEvent* event) override;

 private:
  void readMp3();
  void readWave();
  void fail(const QString& text, bool tell);
  bool FShowing = false;
};

extern TCheckAudioForm* CheckAudioForm;
