#pragma once
// Shows the technical data of an audio file; also the headless audio probe.
#include <QFrame>
#include <QLabel>
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
  QString FTypeText;
  QString FSubTypeText;
  QString FSampleRate;
  QString FChannelMode;  // "STEREO" for every two-channel file, "MONO", ...
  QString FErrorText;    // why the file could not be read; empty when it could

  QLabel* Label1 = nullptr;
  QFrame* MP3Panel = nullptr;
  QFrame* WavePanel = nullptr;
  QPushButton* CloseBitBtn = nullptr;

  // Examines FFileName (MP3 when its upper-cased name contains ".MP3", else WAV) and fills the
  // result fields; a file that cannot be read leaves them empty and says why in FErrorText.
  Q_INVOKABLE void ReadInfo();

 protected:
  // Shown without blocking, the window examines its file itself.
  void showEvent(QShowEvent* event) override;
};

extern TCheckAudioForm* CheckAudioForm;
