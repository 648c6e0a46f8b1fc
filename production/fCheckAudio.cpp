#include "fCheckAudio.h"

#include <QVBoxLayout>

#include "AudioProbe.h"
#include "Prompter.h"
#include "StringHelpers.h"

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
  const AudioInfo info = ProbeAudioFile(FFileName);
  FTypeText = info.typeText;
  FSubTypeText = info.subTypeText;
  FSampleRate = info.ok ? info.sampleRate : QString();
  FChannelMode = info.ok ? info.channelMode : QString();
  FErrorText = info.error;
  QString text = FileNamePart(FFileName) + "\n" + FTypeText;
  if (info.ok) {
    text += " " + FSubTypeText + "\n" + FSampleRate + " Hz\n" + info.channelDetail;
    if (info.bitrateKbps > 0) text += "\n" + QString::number(info.bitrateKbps) + " kbit/s";
    if (info.bitsPerSample > 0) text += "\n" + QString::number(info.bitsPerSample) + " Bit";
  } else {
    text += "\n" + FErrorText;
  }
  Label1->setText(text);
  MP3Panel->setVisible(FTypeText == "MP3");
  WavePanel->setVisible(FTypeText != "MP3");
}

void TCheckAudioForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  ReadInfo();
}
