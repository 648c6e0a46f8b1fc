#include "AviWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <cmath>
#include <cstring>

#include "AviRiff.h"
#include "AviWaveSource.h"
#include "FileOps.h"
#include "fMain.h"

namespace {

const char* const kWaitMessage =
    ".. bitte warten, der Vorgang kann je nach Größe der Diashow und Rechenleistung Ihres PCs mehrere Minuten bis "
    "Stunden dauern!";

// AVIERR_FILEWRITE, the code a failed frame write reports.
constexpr uint32_t kErrFileWrite = 0x8004406C;

[[noreturn]] void Fail(const QString& message) { throw EAviWriterError(message); }

}  // namespace

TAviWriter::TAviWriter(QObject* owner) : QObject(owner) {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    Height = screen->geometry().height() / 10;
    Width = screen->geometry().width() / 10;
  }
}

TAviWriter::~TAviWriter() = default;

void TAviWriter::SetWavFileName(const QString& value) {
  if (value.compare(wavFileName_, Qt::CaseInsensitive) == 0) return;
  // An empty name clears the sound track, so a run without music can follow one with music.
  if (!value.isEmpty() && !value.endsWith(".wav", Qt::CaseInsensitive))
    Fail("WavFileName must name a file with the .wav extension");
  wavFileName_ = value;
}

void TAviWriter::Progress(const QString& message) {
  progressMessage_ = message;
  if (OnProgress) OnProgress(this, psStarting, percentDone_, false, QRect(), message);
}

QString TAviWriter::WorkFile() const {
  if (!tempFileName_.isEmpty()) return tempFileName_;
  // The work folder as it is now (the drive may have changed since start-up).
  if (MainForm && !MainForm->FEncoderFolder.isEmpty() && QFileInfo(MainForm->FEncoderFolder).isDir())
    return MainForm->FEncoderFolder + "AWTemp.avi";
  return QFileInfo(FileName).absolutePath() + "/AWTemp.avi";
}

void TAviWriter::Write() {
  muxer_.reset();
  wave_.reset();
  audioDone_ = 0;
  percentDone_ = 0;
  if (Bitmaps.isEmpty()) Fail("No bitmaps on the Bitmaps list");
  Progress(QString(" Video mit %1 Bildern erzeugen").arg(Bitmaps.size()));
  for (int i = 0; i < Bitmaps.size(); ++i)
    if (!qobject_cast<TBitmap*>(Bitmaps[i])) Fail(QString("Bitmaps[%1] is not a TBitmap").arg(i));
  if (FileName.isEmpty()) Fail("Unable to write output file");

  const QString work = WorkFile();
  struct Cleanup {
    TAviWriter* self;
    QString work;
    ~Cleanup() {
      if (self->muxer_) self->muxer_->abandon();
      self->muxer_.reset();
      self->wave_.reset();
      QFile::remove(work);
    }
  } cleanup{this, work};

  // The sound is opened first: its frames are interleaved with the pictures as they are
  // written, and a broken sound file is reported before the long part starts.
  if (!wavFileName_.isEmpty()) AddAudio();
  WriteVideo();
  Progress("Video schreiben...");
  Progress(kWaitMessage);
  if (!muxer_->finish()) Fail("Unable to write output file");
  // The finished video replaces an older one only whole, also from another volume.
  if (!kalvora::MoveFileReplace(work, FileName)) Fail("Unable to write output file");
  Progress("Video speichern");
  Progress(kWaitMessage);
}

void TAviWriter::AddAudio() {
  wave_ = std::make_unique<avi::WaveSource>();
  switch (wave_->open(wavFileName_)) {
    case avi::WaveSource::OpenError: Fail("A disk error occurred while opening the audio file.");
    case avi::WaveSource::ReadError: Fail("A disk error occurred while reading the audio file.");
    case avi::WaveSource::BadFormat:
      Fail("The file could not be read, indicating a corrupt file or an unrecognized format.");
    default: break;
  }
  Progress("Audio Datei zum schreiben geöffnet");
  if (wave_->dataBytes() <= 0) Fail("Unable to get audio stream");
  Progress("Audio-Stream zum schreiben geöffnet");
  Progress("Audio zu Video hinzufügen");
}

void TAviWriter::WriteVideo() {
  const QString work = WorkFile();
  avi::VideoFormat video;
  video.width = Width;
  video.height = Height;
  video.frameTimeMs = FrameTime;
  video.frameCount = Bitmaps.size();
  avi::AudioFormat audio;
  if (wave_) {
    audio.waveFormat = wave_->waveFormat();
    audio.avgBytesPerSec = wave_->avgBytesPerSec();
    audio.blockAlign = wave_->blockAlign();
    audio.dataBytes = wave_->dataBytes();
  }
  const bool sizesValid = Width > 0 && Height > 0 && Width <= 32767 && Height <= 32767 && FrameTime > 0 &&
                          avi::FrameBytes(Width, Height) < (int64_t(1) << 29);
  muxer_ = std::make_unique<avi::Muxer>();
  if (!muxer_->open(work, video, wave_ ? &audio : nullptr, SegmentLimit))
    Fail("Failed to create AVI video work file");
  Progress(" Video zum schreiben geöffnet");
  if (!sizesValid) Fail("Failed to create AVI video stream");
  Progress(" Video-Stream zum schreiben geöffnet");

  QByteArray frame(qsizetype(avi::FrameBytes(Width, Height)), '\0');
  const int count = int(Bitmaps.size());
  for (int i = 0; i < count; ++i) {
    percentDone_ = uint8_t(std::nearbyint(double(i) / count * 100));
    Progress(QString("Bild Nr.%1 schreiben").arg(i + 1));
    WriteFrame(i, qobject_cast<TBitmap*>(Bitmaps[i]), frame);
    if (!muxer_->writeVideo(frame.constData(), frame.size()))
      Fail(QString("Failed to add frame to AVI. Err=%1").arg(kErrFileWrite, 8, 16, QChar('0')).toUpper());
    if (wave_) WriteAudioUpTo(int64_t(i + 1) * FrameTime * int64_t(wave_->avgBytesPerSec()) / 1000);
  }
  if (wave_) WriteAudioUpTo(wave_->dataBytes());
}

void TAviWriter::WriteAudioUpTo(int64_t bytes) {
  const int64_t block = wave_->blockAlign();
  bytes = std::min(bytes - bytes % block, wave_->dataBytes());
  // Chunks of about a second each.
  const int64_t chunk = std::max<int64_t>(block, int64_t(wave_->avgBytesPerSec()) / block * block);
  QByteArray buffer;
  while (audioDone_ < bytes) {
    const int64_t n = std::min(chunk, bytes - audioDone_);
    buffer.resize(qsizetype(n));
    if (!wave_->read(buffer.data(), n)) Fail("A disk error occurred while reading the audio file.");
    if (!muxer_->writeAudio(buffer.constData(), n)) Fail("Unable to write output file");
    audioDone_ += n;
  }
}

void TAviWriter::WriteFrame(int index, TBitmap* bmp, QByteArray& frame) {
  (void)index;
  if (!bmp || bmp->Empty()) Fail("Invalid bitmap");
  switch (bmp->PixelFormat()) {
    case TBitmap::pf1bit:
    case TBitmap::pf4bit:
    case TBitmap::pf8bit:
    case TBitmap::pf24bit:
    case TBitmap::pf32bit: break;
    default: Fail("Invalid pixel foramt");
  }
  const int64_t rowBytes = (int64_t(Width) * 24 + 31) / 32 * 4;
  if (bmp->RawDibOffset() >= 0 && bmp->Width() == Width && bmp->Height() == Height) {
    // A 24-bit BMP of the frame size holds the frame's bytes as they are.
    QFile f(bmp->FileName());
    if (!f.open(QIODevice::ReadOnly) || !f.seek(bmp->RawDibOffset()) || f.read(frame.data(), frame.size()) != frame.size())
      Fail("Invalid bitmap");
    return;
  }
  const QImage source = bmp->Image();
  if (source.isNull()) Fail("Invalid bitmap");
  QImage work;
  if (source.size() == QSize(Width, Height)) {
    work = source.convertToFormat(QImage::Format_BGR888);
  } else {
    work = QImage(Width, Height, QImage::Format_BGR888);
    if (work.isNull()) Fail("Invalid bitmap");
    QPainter p(&work);
    if (Stretch) {
      p.drawImage(QRect(0, 0, Width, Height), source);
    } else {
      p.fillRect(work.rect(), source.pixelColor(0, 0));
      p.drawImage(0, 0, source);
    }
  }
  // DIB rows run bottom-up.
  for (int y = 0; y < Height; ++y)
    std::memcpy(frame.data() + (Height - 1 - y) * rowBytes, work.constScanLine(y), size_t(Width) * 3);
}
