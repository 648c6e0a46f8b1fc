#include "AviRiff.h"

#include <algorithm>

namespace avi {

namespace {

class Bytes {
 public:
  QByteArray b;
  void tag(const char* t) { b.append(t, 4); }
  void u8(uint8_t v) { b.append(char(v)); }
  void u16(uint16_t v) {
    u8(uint8_t(v));
    u8(uint8_t(v >> 8));
  }
  void u32(uint32_t v) {
    u16(uint16_t(v));
    u16(uint16_t(v >> 16));
  }
  void u64(uint64_t v) {
    u32(uint32_t(v));
    u32(uint32_t(v >> 32));
  }
  void zeros(int n) { b.append(n, '\0'); }
};

const char* kChunkId[2] = {"00db", "01wb"};

uint32_t Clamp32(int64_t v) { return v < 0 ? 0 : v > int64_t(UINT32_MAX) ? UINT32_MAX : uint32_t(v); }

}  // namespace

int64_t FrameBytes(int width, int height) { return (int64_t(width) * 24 + 31) / 32 * 4 * int64_t(height); }

Muxer::~Muxer() { abandon(); }

bool Muxer::put(const QByteArray& b) { return file_.write(b) == b.size(); }

bool Muxer::patch32(int64_t pos, uint32_t v) {
  const int64_t back = file_.pos();
  Bytes b;
  b.u32(v);
  return file_.seek(pos) && put(b.b) && file_.seek(back);
}

QByteArray Muxer::header() const {
  const int64_t frameBytes = FrameBytes(video_.width, video_.height);
  const int streams = hasAudio_ ? 2 : 1;
  Bytes h;
  h.tag("RIFF");
  h.u32(firstRiffSize_);
  h.tag("AVI ");
  // hdrl is built apart so its size is known.
  Bytes l;
  l.tag("hdrl");
  l.tag("avih");
  l.u32(56);
  l.u32(Clamp32(int64_t(video_.frameTimeMs) * 1000));
  const int64_t videoRate = frameBytes * 1000 / std::max(1, video_.frameTimeMs) + 1;
  l.u32(Clamp32(videoRate + (hasAudio_ ? audio_.avgBytesPerSec : 0)));
  l.u32(0);
  l.u32(0x10u | (hasAudio_ ? 0x100u : 0u) | (odml_ ? 0x800u : 0u));  // index, interleaved, trusted chunk types
  l.u32(Clamp32(odml_ ? firstFrames_ : video_.frameCount));
  l.u32(0);
  l.u32(uint32_t(streams));
  l.u32(Clamp32(std::max<int64_t>(frameBytes, maxAudioChunk_) + 8));
  l.u32(uint32_t(video_.width));
  l.u32(uint32_t(video_.height));
  l.zeros(16);
  auto indx = [&](Bytes& s, int stream) {
    s.tag("indx");
    s.u32(uint32_t(24 + 16 * superCapacity_));
    s.u16(4);
    s.u8(0);
    s.u8(0);  // an index of indexes
    s.u32(uint32_t(super_[stream].size()));
    s.tag(kChunkId[stream]);
    s.zeros(12);
    for (int i = 0; i < superCapacity_; ++i) {
      if (i < int(super_[stream].size())) {
        const SuperEntry& e = super_[stream][size_t(i)];
        s.u64(uint64_t(e.pos));
        s.u32(e.size);
        s.u32(e.duration);
      } else {
        s.zeros(16);
      }
    }
  };
  {
    Bytes s;
    s.tag("strl");
    s.tag("strh");
    s.u32(56);
    s.tag("vids");
    s.u32(0);  // no handler: uncompressed
    s.u32(0);
    s.u16(0);
    s.u16(0);
    s.u32(0);
    s.u32(uint32_t(video_.frameTimeMs));
    s.u32(1000);
    s.u32(0);
    s.u32(Clamp32(video_.frameCount));
    s.u32(Clamp32(frameBytes));
    s.u32(0xFFFFFFFFu);
    s.u32(0);
    s.u16(0);
    s.u16(0);
    s.u16(uint16_t(video_.width));
    s.u16(uint16_t(video_.height));
    s.tag("strf");
    s.u32(40);
    s.u32(40);
    s.u32(uint32_t(video_.width));
    s.u32(uint32_t(video_.height));  // positive: rows bottom-up
    s.u16(1);
    s.u16(24);
    s.u32(0);
    s.u32(Clamp32(frameBytes));
    s.zeros(16);
    if (odml_) indx(s, 0);
    l.tag("LIST");
    l.u32(uint32_t(s.b.size()));
    l.b += s.b;
  }
  if (hasAudio_) {
    Bytes s;
    s.tag("strl");
    s.tag("strh");
    s.u32(56);
    s.tag("auds");
    s.u32(0);
    s.u32(0);
    s.u16(0);
    s.u16(0);
    s.u32(0);
    s.u32(audio_.blockAlign);
    s.u32(audio_.avgBytesPerSec);
    s.u32(0);
    s.u32(Clamp32(audio_.dataBytes / audio_.blockAlign));
    s.u32(maxAudioChunk_);
    s.u32(0xFFFFFFFFu);
    s.u32(audio_.blockAlign);
    s.zeros(8);
    s.tag("strf");
    s.u32(uint32_t(audio_.waveFormat.size()));
    s.b += audio_.waveFormat;
    if (audio_.waveFormat.size() & 1) s.u8(0);
    if (odml_) indx(s, 1);
    l.tag("LIST");
    l.u32(uint32_t(s.b.size()));
    l.b += s.b;
  }
  if (odml_) {
    l.tag("LIST");
    l.u32(4 + 8 + 248);
    l.tag("odml");
    l.tag("dmlh");
    l.u32(248);
    l.u32(Clamp32(video_.frameCount));
    l.zeros(244);
  }
  h.tag("LIST");
  h.u32(uint32_t(l.b.size()));
  h.b += l.b;
  h.tag("LIST");
  h.u32(firstMoviSize_);
  h.tag("movi");
  return h.b;
}

bool Muxer::open(const QString& path, const VideoFormat& video, const AudioFormat* audio, int64_t segmentLimit) {
  video_ = video;
  hasAudio_ = audio && audio->blockAlign > 0 && audio->avgBytesPerSec > 0;
  if (hasAudio_) audio_ = *audio;
  limit_ = segmentLimit > 0 ? segmentLimit : kSegmentLimit;
  const int64_t frameBytes = FrameBytes(video.width, video.height);
  const int64_t audioChunks = hasAudio_ ? audio_.dataBytes / audio_.avgBytesPerSec + video.frameCount + 2 : 0;
  const int64_t estimate =
      65536 + video.frameCount * (frameBytes + 8 + 32) + (hasAudio_ ? audio_.dataBytes : 0) + audioChunks * 40;
  odml_ = estimate > limit_;
  superCapacity_ = odml_ ? int(std::clamp<int64_t>(estimate / std::max<int64_t>(1, limit_ / 2) + 8, 32, 1 << 20)) : 0;
  file_.setFileName(path);
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const QByteArray h = header();
  headerSize_ = h.size();
  if (!put(h)) return false;
  segStart_ = 0;
  moviTag_ = headerSize_ - 4;
  segments_ = 0;
  return true;
}

bool Muxer::writeChunk(int stream, const char* data, int64_t size) {
  if (!file_.isOpen() || size < 0 || size > int64_t(INT32_MAX)) return false;
  const int64_t padded = size + (size & 1);
  if (odml_ && (!seg_[0].empty() || !seg_[1].empty())) {
    int64_t reserve = 0;
    for (int s = 0; s < 2; ++s) reserve += 32 + 8 * int64_t(seg_[s].size() + 1);
    if (segments_ == 0) reserve += 8 + 16 * int64_t(idx1_.size() + 1);
    if (file_.pos() + 8 + padded + reserve - segStart_ > limit_) {
      if (!closeSegment() || !startSegment()) return false;
    }
  }
  const int64_t pos = file_.pos();
  Bytes h;
  h.tag(kChunkId[stream]);
  h.u32(uint32_t(size));
  if (!put(h.b) || file_.write(data, size) != size) return false;
  if ((size & 1) && !file_.putChar('\0')) return false;
  seg_[stream].push_back({pos, uint32_t(size)});
  if (segments_ == 0) idx1_.push_back({stream, pos, uint32_t(size)});
  return true;
}

bool Muxer::writeVideo(const char* data, int64_t size) {
  if (!writeChunk(0, data, size)) return false;
  ++framesWritten_;
  return true;
}

bool Muxer::writeAudio(const char* data, int64_t size) {
  if (!hasAudio_ || !writeChunk(1, data, size)) return false;
  audioWritten_ += size;
  maxAudioChunk_ = std::max(maxAudioChunk_, uint32_t(size));
  return true;
}

bool Muxer::closeSegment() {
  if (odml_) {
    for (int s = 0; s < 2; ++s) {
      if (seg_[s].empty()) continue;
      const int64_t ixPos = file_.pos();
      const uint32_t cb = uint32_t(24 + 8 * seg_[s].size());
      Bytes ix;
      ix.tag(s == 0 ? "ix00" : "ix01");
      ix.u32(cb);
      ix.u16(2);
      ix.u8(0);
      ix.u8(1);  // an index of chunks
      ix.u32(uint32_t(seg_[s].size()));
      ix.tag(kChunkId[s]);
      ix.u64(uint64_t(moviTag_));
      ix.u32(0);
      int64_t bytes = 0;
      for (const Entry& e : seg_[s]) {
        ix.u32(uint32_t(e.pos + 8 - moviTag_));
        ix.u32(e.size);  // every chunk a key frame: bit 31 clear
        bytes += e.size;
      }
      if (!put(ix.b)) return false;
      const uint32_t duration = s == 0 ? uint32_t(seg_[s].size()) : Clamp32(bytes / audio_.blockAlign);
      super_[s].push_back({ixPos, 8 + cb, duration});
      if (int(super_[s].size()) > superCapacity_) return false;
    }
  }
  const int64_t moviEnd = file_.pos();
  const uint32_t moviSize = Clamp32(moviEnd - moviTag_);
  if (!patch32(moviTag_ - 4, moviSize)) return false;
  if (segments_ == 0) {
    firstMoviSize_ = moviSize;
    firstFrames_ = int64_t(seg_[0].size());
    Bytes idx;
    idx.tag("idx1");
    idx.u32(uint32_t(16 * idx1_.size()));
    for (const Idx1Entry& e : idx1_) {
      idx.tag(kChunkId[e.stream]);
      idx.u32(0x10);  // key frame
      idx.u32(uint32_t(e.pos - moviTag_));
      idx.u32(e.size);
    }
    if (!put(idx.b)) return false;
    idx1_.clear();
    idx1_.shrink_to_fit();
  }
  const uint32_t riffSize = Clamp32(file_.pos() - segStart_ - 8);
  if (segments_ == 0) firstRiffSize_ = riffSize;
  if (!patch32(segStart_ + 4, riffSize)) return false;
  seg_[0].clear();
  seg_[1].clear();
  return true;
}

bool Muxer::startSegment() {
  segStart_ = file_.pos();
  Bytes h;
  h.tag("RIFF");
  h.u32(0);
  h.tag("AVIX");
  h.tag("LIST");
  h.u32(0);
  h.tag("movi");
  moviTag_ = segStart_ + 20;
  ++segments_;
  return put(h.b);
}

bool Muxer::finish() {
  if (!file_.isOpen()) return false;
  if (!closeSegment()) return false;
  const QByteArray h = header();
  if (h.size() != headerSize_ || !file_.seek(0) || !put(h)) return false;
  if (!file_.flush()) return false;
  file_.close();
  return file_.error() == QFileDevice::NoError;
}

void Muxer::abandon() {
  if (file_.isOpen()) file_.close();
}

}  // namespace avi
