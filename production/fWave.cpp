#include "fWave.h"

#include <QCoreApplication>
#include <QFile>
#include <QPixmap>
#include <QVBoxLayout>
#include <cmath>
#include <memory>
#include <vector>

#include "AppDir.h"
#include "Language.h"
#include "StringHelpers.h"
#include "waveio.h"

TWaveForm* WaveForm = nullptr;

TWaveForm::TWaveForm(QWidget* parent) : TForm("WaveForm", parent) {
  setWindowTitle(QString::fromUtf8("Audio"));
  auto* layout = new QVBoxLayout(this);
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  const QPixmap picture(kalvora::ProgramFolder() + "recom/audio.png");
  if (!picture.isNull()) Image1->setPixmap(picture);
  layout->addWidget(Image1);
  Label2 = new QLabel(this);
  Label2->setObjectName("Label2");
  const QString text = GetLanguageText(5000);
  Label2->setText(text.isEmpty() ? QString::fromUtf8("Die Musik wird vorbereitet ...") : text);
  layout->addWidget(Label2);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setTextVisible(false);
  layout->addWidget(ProgressBar1);
  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  layout->addWidget(Label1);
  Label3 = new QLabel(this);
  Label3->setObjectName("Label3");
  layout->addWidget(Label3);
  Label4 = new QLabel(this);
  Label4->setObjectName("Label4");
  layout->addWidget(Label4);
}

void TWaveForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  Label1->clear();
  Label3->clear();
  Label4->clear();
  ProgressBar1->setValue(0);
}

void TWaveForm::log(const QString& line) const {
  if (OnLog) OnLog(line);
}
void TWaveForm::memo(const QString& line) const {
  if (OnMemo) OnMemo(line);
}

qint64 TWaveForm::MakeInputWav() {
  const qint64 target = qint64(std::max(Seconds, 0)) * 44100;
  qint64 written = 0;
  std::unique_ptr<TFileWaveStream> out;
  std::vector<char> buffer;
  int lastPercent = -1;
  qint64 lastSecond = -1;
  try {
    bool passAdded = false;
    for (qsizetype k = 0; k < FileList.size();) {
      if (OnAborted && OnAborted()) break;
      const QString name = FileNamePart(FileList[k]);
      TFileWaveStream in(FileList[k], nullptr);
      TPCMWaveReader reader(&in, true);
      Label2->setText("Aktuelle Datei: " + name);
      log("     read audio " + name);
      memo("read audio " + name);
      const WaveFormat& format = reader.Format();
      if (!out) {
        log("     open audio " + FileNamePart(OutputFileName));
        memo("open audio " + FileNamePart(OutputFileName));
        const WaveFormat pcm = WaveFormat::pcm16(format.samplesPerSec, format.channels);
        // The data chunk's size is a 32-bit field: a longer sound track cannot be written.
        if ((target + BlockFrames) * pcm.blockAlign > TWaveStream::MaxDataBytes(pcm))
          throw EWaveError("The sound track would be larger than 4 GB.");
        out = std::make_unique<TFileWaveStream>(OutputFileName, &pcm);
        buffer.resize(size_t(ChunkBlocks) * BlockFrames * pcm.blockAlign);
      } else if (format.samplesPerSec != out->Format().samplesPerSec || format.channels != out->Format().channels) {
        throw EWaveError(("The audio format of " + name + " differs from the first file.").toStdString());
      }
      reader.SetPosition(0);
      // Blocks of 4000 frames, read and written many at a time: the blocks, and so the cut,
      // are the same as block by block.
      for (bool more = true; more && written < target;) {
        const qint64 got = reader.Read(buffer.data(), qint64(ChunkBlocks) * BlockFrames);
        more = got == qint64(ChunkBlocks) * BlockFrames;
        qint64 take = 0;
        while (take < got && written < target) {
          const qint64 n = std::min<qint64>(BlockFrames, got - take);
          take += n;
          written += n;
          passAdded = true;
          const int percent = int(written * 100 / target);
          if (percent != lastPercent) {
            lastPercent = percent;
            ProgressBar1->setValue(std::min(percent, 100));  // the last block may pass the target
            Label1->setText(QString::number(ProgressBar1->value()) + "%");
            Label1->repaint();
          }
          const qint64 second = std::llround(double(written) / 44100);
          if (second != lastSecond) {
            lastSecond = second;
            Label4->setText("Position: " + QString::number(second) + " Sekunden");
          }
        }
        if (take > 0) out->Write(buffer.data(), take);
        QCoreApplication::processEvents();
        if (OnAborted && OnAborted()) break;
      }
      log("     write audio " + name);
      memo("write audio " + name);
      if (k == FileList.size() - 1 && written < target) {
        // Music too short: again from the first title, unless a whole pass brought nothing.
        if (!passAdded) break;
        passAdded = false;
        k = 0;
      } else {
        ++k;
      }
    }
    if (out) {
      out->Close();
      log("     Audio created " + FileNamePart(OutputFileName));
      memo("Audio created" + FileNamePart(OutputFileName));
    }
  } catch (...) {
    out.reset();
    QFile::remove(OutputFileName);
    ProgressBar1->setValue(0);
    throw;
  }
  ProgressBar1->setValue(0);
  return written;
}
