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
 public:
  explicit TCheckAudioForm(QWidget* parent = nullptr);

  QString FFileName;
  QString FTypeText;
  QString FSubTypeText;
  QString FSampleRate;
  QString FChannelMode;

  QLabel* Label1 = nullptr;
  QFrame* MP3Panel = nullptr;
  QFrame* WavePanel = nullptr;
  QPushButton* CloseBitBtn = nullptr;

  // Examines FFileName and fills the result fields (empty while no reader is built in).
  Q_INVOKABLE void ReadInfo();
};

extern TCheckAudioForm* CheckAudioForm;
