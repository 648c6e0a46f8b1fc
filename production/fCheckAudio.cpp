#include "fCheckAudio.h"

#include <QVBoxLayout>

#include "Prompter.h"

TCheckAudioForm* CheckAudioForm = nullptr;

TCheckAudioForm::TCheckAudioForm(QWidget* parent) : TForm("CheckAudioForm", parent) {
  setWindowTitle(QString::fromUtf8("Audio Info"));
  auto* layout = new QVBoxLayout(this);
  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  layout->addWidget(Label1);
  MP3Panel = new QFrame(this);
  MP3Panel->setObjectName("MP3Panel");
  layout->addWidget(MP3Panel);
  WavePanel = new QFrame(this);
  WavePanel->setObjectName("WavePanel");
  layout->addWidget(WavePanel);
  CloseBitBtn = new QPushButton(this);
  CloseBitBtn->setObjectName("CloseBitBtn");
  CloseBitBtn->setText(QString::fromUtf8("Schließen"));
  layout->addWidget(CloseBitBtn);
  connect(CloseBitBtn, &QAbstractButton::clicked, this, [this] { SetModalResult(kalvora::mrOk); });
}

void TCheckAudioForm::ReadInfo() {
  FTypeText.clear();
  FSubTypeText.clear();
  FSampleRate.clear();
  FChannelMode.clear();
}
