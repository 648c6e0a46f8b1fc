// The MPEG audio scanner and the ID3 tag readers on arbitrary bytes: every result stays
// inside the bytes given and inside the tables.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "ID3v1.h"
#include "ID3v2.h"
#include "MPEGaudio.h"

using namespace kalvora::audio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BufferSource src(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  TID3v2 v2;
  if (v2.Read(src) && (v2.Size() < 0 || v2.Size() > qint64(size))) std::terminate();
  if (v2.Title().size() > TID3v2::MaxFrameText || v2.Comment().size() > TID3v2::MaxFrameText) std::terminate();
  TID3v1 v1;
  if (v1.Read(src) != (size >= 128)) std::terminate();
  TMPEGaudio m;
  if (!m.Read(src)) return 0;
  (void)m.Version();
  (void)m.Layer();
  (void)m.ChannelMode();
  (void)m.Emphasis();
  (void)m.Encoder();
  (void)m.Frames();
  if (m.Valid()) {
    if (m.BitRate() < 8 || m.BitRate() > 448 || m.SampleRate() < 8000 || m.SampleRate() > 48000) std::terminate();
    if (m.Frame().Position + m.Frame().Size > qint64(size)) std::terminate();
    if (!(m.Duration() >= 0.1)) std::terminate();
  } else if (m.Frame().Found && m.Frame().Size == 0) {
    std::terminate();
  }
  return 0;
}
