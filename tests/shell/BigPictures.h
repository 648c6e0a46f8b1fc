#pragma once
// Pictures that are small on disk and huge in memory, made by the tests (never committed):
// GIF animations of flat frames with hand-made LZW data, and flat grey PNGs written row by row.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <png.h>

namespace shelltest {

// Colour of palette index i of the GIFs below ($RRGGBB).
inline uint32_t flatGifColour(int i) {
  return uint32_t((i * 67 + 20) & 255) << 16 | uint32_t((i * 151 + 90) & 255) << 8 | uint32_t((i * 29 + 200) & 255);
}

namespace detail {
// LSB-first bit packing into GIF data sub-blocks.
class GifBits {
 public:
  explicit GifBits(QByteArray& out) : out_(out) {}
  void put(unsigned code, int width) {
    acc_ |= uint64_t(code) << used_;
    used_ += width;
    while (used_ >= 8) {
      byte(uint8_t(acc_ & 0xFF));
      acc_ >>= 8;
      used_ -= 8;
    }
  }
  void end() {
    if (used_ > 0) byte(uint8_t(acc_ & 0xFF));
    acc_ = 0;
    used_ = 0;
    flush();
    out_.append('\0');  // block terminator
  }

 private:
  void byte(uint8_t b) {
    block_.push_back(b);
    if (block_.size() == 255) flush();
  }
  void flush() {
    if (block_.empty()) return;
    out_.append(char(block_.size()));
    out_.append(reinterpret_cast<const char*>(block_.data()), int(block_.size()));
    block_.clear();
  }
  QByteArray& out_;
  std::vector<uint8_t> block_;
  uint64_t acc_ = 0;
  int used_ = 0;
};

// The LZW data a greedy GIF encoder (8-bit codes, a clear code whenever the table is full)
// writes for `count` pixels of one index: the code of a run of k pixels is 256 + k (k >= 2),
// so it is written run by run instead of pixel by pixel.
inline void flatLzw(QByteArray& out, uint8_t index, int64_t count) {
  constexpr unsigned kClear = 256, kEnd = 257, kFirst = 258, kMaxCode = 4095;
  out.append(char(8));  // minimum code size
  GifBits bits(out);
  int width = 9;
  unsigned next = kFirst;  // the next free code
  int64_t longest = 1;     // the longest run the table holds
  auto write = [&](unsigned code) {
    bits.put(code, width);
    if (next >= (1u << width) && width < 12) ++width;
  };
  write(kClear);
  int64_t left = count - 1, run = 1;  // the run being matched
  while (left > 0) {
    const int64_t grow = std::min(longest - run, left);
    run += grow;
    left -= grow;
    if (left == 0) break;
    write(run == 1 ? index : unsigned(256 + run));
    run = 1;
    --left;
    if (next >= kMaxCode) {
      write(kClear);
      width = 9;
      next = kFirst;
      longest = 1;
    } else {
      ++next;
      ++longest;
    }
  }
  write(run == 1 ? index : unsigned(256 + run));
  write(kEnd);
  bits.end();
}

inline void putU16(QByteArray& out, int v) {
  out.append(char(v & 0xFF));
  out.append(char((v >> 8) & 0xFF));
}
}  // namespace detail

// A looping GIF animation of `frames` frames of w x h; frame k is flat in palette index k + 1.
inline QByteArray flatGif(int w, int h, int frames) {
  QByteArray out("GIF89a");
  detail::putU16(out, w);
  detail::putU16(out, h);
  out.append(char(0xF7));  // a global table of 256 colours
  out.append('\0');
  out.append('\0');
  for (int i = 0; i < 256; ++i) {
    const uint32_t c = flatGifColour(i);
    out.append(char(c >> 16));
    out.append(char(c >> 8));
    out.append(char(c));
  }
  out.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
  for (int k = 0; k < frames; ++k) {
    out.append("\x21\xF9\x04\x04\x0A\x00\x00\x00", 8);  // 1/10 s, not disposed
    out.append(char(0x2C));
    detail::putU16(out, 0);
    detail::putU16(out, 0);
    detail::putU16(out, w);
    detail::putU16(out, h);
    out.append('\0');
    detail::flatLzw(out, uint8_t((k + 1) & 0xFF), int64_t(w) * h);
  }
  out.append(char(0x3B));
  return out;
}

// A w x h 8-bit grey PNG of one grey value, written a row at a time.
inline bool writeFlatGreyPng(const QString& path, int w, int h, uint8_t grey) {
  FILE* f = std::fopen(path.toLocal8Bit().constData(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = png && info;
  std::vector<png_byte> row(size_t(w), grey);
  if (ok && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, f);
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) png_write_row(png, row.data());
    png_write_end(png, info);
  } else {
    ok = false;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  return std::fclose(f) == 0 && ok;
}

}  // namespace shelltest
