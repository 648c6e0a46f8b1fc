#pragma once
// Small audio files made in the tests: RIFF WAVE files of any sample format with known
// samples, MPEG audio frames from their four header bytes, and ffprobe's view of a file.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <cstring>

#include "Language.h"
#include "ScriptedPrompter.h"
#include "TestSupport.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace audiotest {

inline void le(QByteArray& b, quint64 v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}
inline void be(QByteArray& b, quint64 v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) b.append(char((v >> (8 * i)) & 0xFF));
}

// A "fmt " chunk body of 16 bytes (PCM) or 18 + extra (others).
inline QByteArray fmtBody(int tag, int channels, int rate, int bits, int blockAlign = -1, const QByteArray& extra = {},
                          bool withCb = false) {
  if (blockAlign < 0) blockAlign = channels * bits / 8;
  QByteArray f;
  le(f, quint16(tag), 2);
  le(f, quint16(channels), 2);
  le(f, quint32(rate), 4);
  le(f, quint32(rate) * quint32(blockAlign), 4);
  le(f, quint16(blockAlign), 2);
  le(f, quint16(bits), 2);
  if (withCb || tag != 1) {
    le(f, quint16(extra.size()), 2);
    f += extra;
  }
  return f;
}

inline QByteArray chunk(const char* id, const QByteArray& body, qint64 declared = -1) {
  QByteArray c(id, 4);
  le(c, quint32(declared < 0 ? body.size() : declared), 4);
  c += body;
  if (body.size() & 1) c.append('\0');
  return c;
}

inline QByteArray riff(const QByteArray& chunks, qint64 declared = -1) {
  QByteArray r("RIFF");
  le(r, quint32(declared < 0 ? chunks.size() + 4 : declared), 4);
  return r + "WAVE" + chunks;
}

// Sample value of frame i, channel c as a fraction in [-1, 1).
inline double sampleAt(qint64 i, int c) { return std::sin(double(i) * 0.01 * (c + 1)) * 0.5; }

// PCM samples in the given format: 8 (unsigned), 16, 24, 32 bits, or float when floating.
inline QByteArray samples(qint64 frames, int channels, int bits, bool floating = false) {
  QByteArray d;
  d.reserve(int(frames * channels * bits / 8));
  for (qint64 i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) {
      const double v = sampleAt(i, c);
      if (floating) {
        const float f = float(v);
        quint32 u;
        memcpy(&u, &f, 4);
        le(d, u, 4);
      } else if (bits == 8) {
        d.append(char(quint8(std::lround(v * 127) + 128)));
      } else {
        const qint64 s = std::llround(v * double((1LL << (bits - 1)) - 1));
        le(d, quint64(s), bits / 8);
      }
    }
  return d;
}

inline QByteArray wave(int rate, int channels, qint64 frames, int bits = 16, bool floating = false) {
  const int tag = floating ? 3 : 1;
  return riff(chunk("fmt ", fmtBody(tag, channels, rate, bits)) + chunk("data", samples(frames, channels, bits, floating)));
}

// MPEG audio frames: each frame is its header followed by zeros up to its length.
inline QByteArray frames(const QByteArray& header, int frameLength, int count) {
  QByteArray out;
  for (int i = 0; i < count; ++i) out += header + QByteArray(frameLength - 4, '\0');
  return out;
}
// 128 kbit/s, 44100 Hz, joint stereo, MPEG 1 Layer III: 417-byte frames.
inline QByteArray cdFrames(int count) { return frames(QByteArray("\xFF\xFB\x90\x64", 4), 417, count); }

inline bool write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  return testsupport::writeBytes(path, bytes);
}

// ffprobe's stream fields of the first audio stream ("codec_name", "sample_rate", ...).
inline QMap<QString, QString> probe(const QString& path) {
  QMap<QString, QString> out;
  QProcess p;
  p.start("ffprobe", {"-v", "error", "-select_streams", "a:0", "-count_packets", "-show_entries",
                      "stream=codec_name,sample_rate,channels,bits_per_sample,duration,duration_ts",
                      "-of", "default=noprint_wrappers=1", path});
  if (!p.waitForFinished(60000)) return out;
  for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
    const int eq = int(line.indexOf('='));
    if (eq > 0) out[QString::fromUtf8(line.left(eq))] = QString::fromUtf8(line.mid(eq + 1)).trimmed();
  }
  return out;
}

inline bool have(const char* program) { return !QStandardPaths::findExecutable(program).isEmpty(); }

// A program folder with the language texts, for windows and messages.
class AudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qputenv("KALVORA_APPDIR", app.path().toUtf8());
    for (const char* f : {"Generator.ini", "Language.ini"})
      QFile::copy(QString(KALVORA_SOURCE_DIR) + "/data/" + f, app.path() + "/" + f);
    LoadLanguage();
    scope = std::make_unique<kalvora::PrompterScope>(prompter);
  }
  void TearDown() override {
    scope.reset();
    qunsetenv("KALVORA_APPDIR");
  }
  testsupport::TempFolder app;
  testsupport::TempFolder tmp;
  kalvora::ScriptedPrompter prompter;
  std::unique_ptr<kalvora::PrompterScope> scope;
};

}  // namespace audiotest
