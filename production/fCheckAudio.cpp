#include "fCheckAudio.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QPixmap>
#include <QVBoxLayout>

#include "AppDir.h"
#include "AudioProbe.h"
#include "Language.h"
#include "MPEGaudio.h"
#include "Prompter.h"
#include "WaveHeader.h"

using namespace kalvora::audio;

TCheckAudioForm* CheckAudioForm = nullptr;

namespace {
QLineEdit* addEdit(QFormLayout* form, QWidget* parent, const char* name, const char* label) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setReadOnly(true);
  edit->setMinimumWidth(220);
  form->addRow(QString::fromLatin1(label), edit);
  return edit;
}

QString yesNo(bool b) { return b ? "Yes" : "No"; }

QString hms(qint64 seconds) {
  return QString("%1:%2:%3")
      .arg(seconds / 3600)
      .arg((seconds / 60) % 60, 2, 10, QChar('0'))
      .arg(seconds % 60, 2, 10, QChar('0'));
}
}  // namespace

TCheckAudioForm::TCheckAudioForm(QWidget* parent) : TForm("CheckAudioForm", parent) {
  setWindowTitle(QString::fromUtf8("Audio Info"));
  auto* layout = new QVBoxLayout(this);
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  const QPixmap banner(kalvora::ProgramFolder() + "recom/audioinfo.png");
  if (!banner.isNull()) Image1->setPixmap(banner);
  Image1->setVisible(!banner.isNull());
  layout->addWidget(Image1);
  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  layout->addWidget(Label1);

  MP3Panel = new QFrame(this);
  MP3Panel->setObjectName("MP3Panel");
  auto* mp3 = new QFormLayout(MP3Panel);
  ValidEdit = addEdit(mp3, MP3Panel, "ValidEdit", "Valid MPEG:");
  FileSizeEdit = addEdit(mp3, MP3Panel, "FileSizeEdit", "File size:");
  FirstFrameEdit = addEdit(mp3, MP3Panel, "FirstFrameEdit", "First frame at:");
  BitRateEdit = addEdit(mp3, MP3Panel, "BitRateEdit", "Bit rate:");
  MPEGTypeEdit = addEdit(mp3, MP3Panel, "MPEGTypeEdit", "MPEG type:");
  DurationEdit = addEdit(mp3, MP3Panel, "DurationEdit", "Duration:");
  SampleRateEdit = addEdit(mp3, MP3Panel, "SampleRateEdit", "Sample rate:");
  ChannelModeEdit = addEdit(mp3, MP3Panel, "ChannelModeEdit", "Channel mode:");
  EmphasisEdit = addEdit(mp3, MP3Panel, "EmphasisEdit", "Emphasis:");
  EncoderEdit = addEdit(mp3, MP3Panel, "EncoderEdit", "Encoder:");
  CRCEdit = addEdit(mp3, MP3Panel, "CRCEdit", "CRC protection:");
  FramesEdit = addEdit(mp3, MP3Panel, "FramesEdit", "Total frames:");
  CopyrightEdit = addEdit(mp3, MP3Panel, "CopyrightEdit", "Copyright:");
  OriginalEdit = addEdit(mp3, MP3Panel, "OriginalEdit", "Original:");
  layout->addWidget(MP3Panel);

  WavePanel = new QFrame(this);
  WavePanel->setObjectName("WavePanel");
  auto* wav = new QFormLayout(WavePanel);
  WavDurationEdit = addEdit(wav, WavePanel, "WavDurationEdit", "Duration:");
  WavSampleRateEdit = addEdit(wav, WavePanel, "WavSampleRateEdit", "Sample rate:");
  WavBitsEdit = addEdit(wav, WavePanel, "WavBitsEdit", "Bits per sample:");
  WavFormatEdit = addEdit(wav, WavePanel, "WavFormatEdit", "WAV Format:");
  WavFileSizeEdit = addEdit(wav, WavePanel, "WavFileSizeEdit", "File size:");
  WavChannelModeEdit = addEdit(wav, WavePanel, "WavChannelModeEdit", "Channel mode:");
  WavValidEdit = addEdit(wav, WavePanel, "WavValidEdit", "Valid WAV:");
  layout->addWidget(WavePanel);
  MP3Panel->hide();
  WavePanel->hide();

  CloseBitBtn = new QPushButton(this);
  CloseBitBtn->setObjectName("CloseBitBtn");
  const QString close = GetLanguageText(6400);
  CloseBitBtn->setText(close.isEmpty() ? QString::fromUtf8("Schließen") : close);
  layout->addWidget(CloseBitBtn);
  connect(CloseBitBtn, &QAbstractButton::clicked, this, [this] { CloseButtonClick(); });
}

void TCheckAudioForm::CloseButtonClick() {
  if (isModal())
    SetModalResult(kalvora::mrOk);
  else
    close();
}

void TCheckAudioForm::fail(const QString& text, bool tell) {
  FErrorText = text;
  if (tell && FShowing)
    kalvora::CurrentPrompter().message(kalvora::MsgKind::Information, QString(), text, kalvora::mbOk);
}

void TCheckAudioForm::ReadInfo() {
  FTypeText.clear();
  FSubTypeText.clear();
  FSampleRate.clear();
  FChannelMode.clear();
  FErrorText.clear();
  for (QLineEdit* e : MP3Panel->findChildren<QLineEdit*>()) e->clear();
  for (QLineEdit* e : WavePanel->findChildren<QLineEdit*>()) e->clear();
  MP3Panel->hide();
  WavePanel->hide();
  // The name is tested in upper case; the file is opened by its own name.
  if (IsMp3Name(FFileName))
    readMp3();
  else
    readWave();
}

void TCheckAudioForm::readMp3() {
  if (FFileName.isEmpty()) return;
  if (!QFileInfo(FFileName).isFile()) {
    fail("The file does not exist: " + FFileName, true);
    return;
  }
  TMPEGaudio mpeg;
  if (!mpeg.ReadFromFile(FFileName)) {
    fail("Can not read data from the file: " + FFileName, true);
    return;
  }
  if (!mpeg.Valid()) {
    ValidEdit->setText("No");
    fail("No valid MPEG audio frame was found in the file: " + FFileName, false);
    return;
  }
  MP3Panel->show();
  ValidEdit->setText("Yes");
  FileSizeEdit->setText(QString::number(mpeg.FileLength()) + " bytes");
  MPEGTypeEdit->setText(mpeg.Version() + " " + mpeg.Layer());
  BitRateEdit->setText(QString(mpeg.VBR().Found ? "VBR " : "CBR ") + QString::number(mpeg.BitRate()) + " kbit/s");
  SampleRateEdit->setText(QString::number(mpeg.SampleRate()) + " Hz");
  ChannelModeEdit->setText(mpeg.ChannelMode());
  QString duration = QString::number(mpeg.Duration(), 'f', 1);
  if (!LanguageIsEnglish()) duration.replace('.', ',');
  DurationEdit->setText(duration + " sec.");
  FirstFrameEdit->setText(QString::number(mpeg.Frame().Position) + " bytes");
  FramesEdit->setText(QString::number(mpeg.Frames()));
  CRCEdit->setText(yesNo(mpeg.Frame().ProtectionBit));
  CopyrightEdit->setText(yesNo(mpeg.Frame().CopyrightBit));
  OriginalEdit->setText(yesNo(mpeg.Frame().OriginalBit));
  EmphasisEdit->setText(mpeg.Emphasis());
  EncoderEdit->setText(mpeg.Encoder());
  Label1->setText("MP3 File");
  FTypeText = mpeg.Version();
  FSubTypeText = mpeg.Layer();
  FSampleRate = QString::number(mpeg.SampleRate());
  // Stereo and joint stereo; dual channel holds two separate programs, mono one.
  const int mode = mpeg.Frame().ModeID;
  FChannelMode = mode == 0 || mode == 1 ? "STEREO" : "";
}

void TCheckAudioForm::readWave() {
  FileSource src(FFileName);
  if (!src.isOpen()) {
    fail("The file does not exist: " + FFileName, true);
    return;
  }
  WaveLayout layout;
  const QString error = ReadWaveLayout(src, layout);
  if (!error.isEmpty()) {
    fail(error, true);
    return;
  }
  const WaveFormat& f = layout.format;
  WavePanel->show();
  WavChannelModeEdit->setText(f.channels == 1   ? QString("Mono")
                              : f.channels == 2 ? QString("Joint Stereo")
                                                : QString::number(f.channels) + " channels");
  WavFileSizeEdit->setText(QString::number(layout.riffSize) + " bytes");
  WavFormatEdit->setText(QString::number(f.formatTag));
  WavBitsEdit->setText(QString::number(f.bitsPerSample));
  WavSampleRateEdit->setText(QString::number(f.samplesPerSec) + " Hz");
  // The length from the format's own byte rate, so every sample format is timed right.
  const qint64 pcmRate = qint64(f.samplesPerSec) * f.blockAlign;
  const qint64 byteRate = f.formatTag == WAVE_FORMAT_PCM || f.avgBytesPerSec == 0 ? pcmRate : f.avgBytesPerSec;
  WavDurationEdit->setText(hms(byteRate > 0 ? layout.dataSize / byteRate : 0));
  FTypeText = QString::number(f.formatTag);
  FSubTypeText = QString::number(f.bitsPerSample) + " Bit";
  FSampleRate = QString::number(f.samplesPerSec);
  FChannelMode = f.channels == 2 ? "STEREO" : "";
  Label1->setText("WAV File");
}

void TCheckAudioForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  FShowing = true;
  ReadInfo();
  FShowing = false;
  // One panel of two is shown: the window takes that panel's size.
  layout()->activate();
  adjustSize();
}
