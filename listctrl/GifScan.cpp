#include "GifScan.h"

namespace kalvora::gifscan {

namespace {
inline std::uint8_t ByteAt(const QByteArray& d, qsizetype i) {
  return static_cast<std::uint8_t>(d.at(i));
}
// A 16-bit little-endian value at i; 0 when it does not lie inside the data.
inline std::uint16_t Word(const QByteArray& d, qsizetype i) {
  if (i < 0 || i + 1 >= d.size()) return 0;
  return std::uint16_t(ByteAt(d, i) | (ByteAt(d, i + 1) << 8));
}
}  // namespace

bool IsGif(const QByteArray& data) {
  return data.size() >= 5 && data.startsWith("GIF8");
}

std::vector<FrameInfo> ScanFrames(const QByteArray& data) {
  std::vector<FrameInfo> frames;
  if (!IsGif(data)) return frames;
  const qsizetype n = data.size();
  for (qsizetype p = 0; p + 9 < n; ++p) {
    if (ByteAt(data, p) != 0x21 || ByteAt(data, p + 1) != 0xF9 || ByteAt(data, p + 2) != 4 ||
        ByteAt(data, p + 8) != 0x2C)
      continue;
    FrameInfo f;
    f.markerPos = int(p);
    const std::uint8_t packed = ByteAt(data, p + 3);
    f.transparent = (packed & 1) != 0;
    f.disposal = (packed >> 2) & 7;
    f.delay = Word(data, p + 4);
    f.left = Word(data, p + 9);
    f.top = Word(data, p + 11);
    f.width = Word(data, p + 13);
    f.height = Word(data, p + 15);
    frames.push_back(f);
  }
  return frames;
}

void ScreenSize(const QByteArray& data, int& width, int& height) {
  width = Word(data, 6);
  height = Word(data, 8);
}

}  // namespace kalvora::gifscan
