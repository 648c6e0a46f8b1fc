#pragma once
// Helpers of the video tests: frames, sound files and ffprobe's view of a file.
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "PcmWave.h"

namespace videotest {

// A RIFF WAVE of 16-bit PCM with a slow ramp, `seconds` long.
inline QByteArray waveBytes(double seconds, int rate = 44100, int channels = 2) {
  const qint64 frames = qint64(seconds * rate);
  QByteArray data(qsizetype(frames * channels * 2), '\0');
  auto* s = reinterpret_cast<int16_t*>(data.data());
  for (qint64 i = 0; i < frames * channels; ++i) s[i] = int16_t((i / channels) % 2000 - 1000);
  return testsupport::PcmWaveHeader(rate, channels, 16, quint32(data.size())) + data;
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A frame picture that differs from frame to frame.
inline QImage framePicture(int w, int h, int n) {
  QImage img(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y) {
    uchar* row = img.scanLine(y);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = uchar(x + n * 10);
      row[3 * x + 1] = uchar(y * 3 + n);
      row[3 * x + 2] = uchar((x ^ y) + n * 7);
    }
  }
  return img;
}

// ffprobe's streams and format of a file (empty object when ffprobe fails).
// countFlag: "-count_frames" (decodes every frame) or "-count_packets".
inline QJsonObject probe(const QString& path, const char* countFlag = "-count_frames") {
  QProcess p;
  QStringList args{"-v", "error", "-show_streams", "-show_format", "-of", "json"};
  args.prepend(countFlag);
  args << path;
  p.start("ffprobe", args);
  if (!p.waitForFinished(600000) || p.exitCode() != 0) return {};
  return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

inline QJsonObject stream(const QJsonObject& probe, const QString& type) {
  for (const auto& s : probe["streams"].toArray())
    if (s.toObject()["codec_type"].toString() == type) return s.toObject();
  return {};
}

// True when ffmpeg decodes every stream of the file without a complaint (what a player needs).
inline bool decodesCleanly(const QString& path) {
  QProcess p;
  p.start("ffmpeg", {"-v", "error", "-i", path, "-f", "null", "-"});
  return p.waitForFinished(600000) && p.exitCode() == 0 && p.readAllStandardError().trimmed().isEmpty();
}

// Bytes of the sound track as ffmpeg decodes it from the file (-1 when ffmpeg fails).
inline qint64 decodedAudioBytes(const QString& path) {
  QProcess p;
  p.start("ffmpeg", {"-v", "error", "-i", path, "-map", "0:a", "-f", "s16le", "-"});
  qint64 n = 0;
  while (p.waitForReadyRead(600000)) n += p.readAllStandardOutput().size();
  if (p.state() != QProcess::NotRunning && !p.waitForFinished(600000)) return -1;
  n += p.readAllStandardOutput().size();
  return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? n : -1;
}

}  // namespace videotest
