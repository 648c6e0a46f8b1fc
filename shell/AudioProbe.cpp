#include "AudioProbe.h"

#include <algorithm>
#include <cstring>

#include "MPEGaudio.h"
#include "WaveHeader.h"

using namespace kalvora::audio;

namespace {
AudioInfo failed(const QString& type, const QString& why) {
  AudioInfo info;
  info.typeText = type;
  info.error = why;
  return info;
}

QString channelText(int channels) {
  if (channels == 2) return "STEREO";
  if (channels == 1) return "MONO";
  return QString::number(channels) + " CHANNELS";
}

// The first bytes of a file of the given size; bytes past them read as missing.
class HeadSource : public ByteSource {
 public:
  HeadSource(const QByteArray& head, qint64 fileSize) : head_(head), size_(std::max<qint64>(fileSize, 0)) {}
  qint64 size() const override { return size_; }
  qint64 readAt(qint64 pos, char* buf, qint64 len) override {
    if (pos < 0 || len < 0) return -1;
    if (pos >= head_.size()) return 0;
    const qint64 n = std::min(len, head_.size() - pos);
    memcpy(buf, head_.constData() + pos, size_t(n));
    return n;
  }

 private:
  const QByteArray& head_;
  qint64 size_;
};

AudioInfo probeWave(ByteSource& src) {
  WaveLayout layout;
  const QString error = ReadWaveLayout(src, layout);
  if (!error.isEmpty()) return failed("WAVE", error);
  const WaveFormat& f = layout.format;
  AudioInfo info;
  info.ok = true;
  info.typeText = "WAVE";
  info.subTypeText = f.formatTag == WAVE_FORMAT_PCM          ? QString("PCM")
                     : f.formatTag == WAVE_FORMAT_IEEE_FLOAT ? QString("IEEE FLOAT")
                     : f.formatTag == WAVE_FORMAT_EXTENSIBLE ? QString("EXTENSIBLE")
                                                             : "FORMAT " + QString::number(f.formatTag);
  info.sampleRate = QString::number(f.samplesPerSec);
  info.channelMode = channelText(f.channels);
  info.channelDetail = info.channelMode;
  info.bitsPerSample = f.bitsPerSample;
  return info;
}

AudioInfo probeMp3(ByteSource& src) {
  TMPEGaudio mpeg;
  if (!mpeg.Read(src)) return failed("MP3", "Can not read data from the file.");
  if (!mpeg.Valid()) return failed("MP3", "No valid MPEG audio frame was found.");
  AudioInfo info;
  info.ok = true;
  info.typeText = "MP3";
  info.subTypeText = mpeg.Version() + " " + mpeg.Layer();
  info.sampleRate = QString::number(mpeg.SampleRate());
  info.bitrateKbps = mpeg.BitRate();
  info.channelDetail = mpeg.ChannelMode().toUpper();
  // Stereo and joint stereo are stereo; dual channel carries two separate mono programs.
  const int mode = mpeg.Frame().ModeID;
  info.channelMode = mode == 0 || mode == 1 ? "STEREO" : mode == 3 ? "MONO" : info.channelDetail;
  return info;
}
}  // namespace

AudioInfo ProbeWaveData(const QByteArray& data, qint64 fileSize) {
  HeadSource src(data, fileSize);
  return probeWave(src);
}

AudioInfo ProbeMp3Data(const QByteArray& data) {
  BufferSource src(data);
  return probeMp3(src);
}

bool IsMp3Name(const QString& path) {
  const QString name = path.mid(std::max(path.lastIndexOf('/'), path.lastIndexOf('\\')) + 1);
  const qsizetype dot = name.lastIndexOf('.');
  return dot >= 0 && name.mid(dot + 1).toUpper() == "MP3";
}

AudioInfo ProbeAudioFile(const QString& path) {
  const bool mp3 = IsMp3Name(path);
  FileSource src(path);
  if (!src.isOpen()) return failed(mp3 ? "MP3" : "WAVE", "The file cannot be read.");
  return mp3 ? probeMp3(src) : probeWave(src);
}
