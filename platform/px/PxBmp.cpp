// BMP reader and writer: Windows (40..124-byte) and OS/2 (12 and 16..64-byte) headers,
// 1/4/8/16/24/32 bits, RLE4, RLE8 and bit fields. Every read is bounds-checked.
#include <algorithm>
#include <cstring>

#include "PxCodec.h"

namespace px::detail {

namespace {

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
int32_t I32(const uint8_t* p) { return int32_t(U32(p)); }

struct Header {
  uint32_t dataOffset = 0;
  uint32_t headerSize = 0;
  int64_t width = 0, height = 0;
  bool topDown = false;
  int bits = 0;
  uint32_t compression = 0;
  uint32_t colorsUsed = 0;
  int xppm = 0, yppm = 0;
  uint32_t masks[4] = {0, 0, 0, 0};
  bool hasMasks = false;
  bool os2 = false;
  size_t paletteOffset = 0;
  int paletteEntrySize = 4;
  int paletteCount = 0;
};

int ParseHeader(const uint8_t* d, size_t n, Header& h) {
  if (n < 26) return kReadError;
  h.dataOffset = U32(d + 10);
  h.headerSize = U32(d + 14);
  if (h.headerSize < 12 || h.headerSize > 4096) return kInvalidFormat;
  if (n < 14 + size_t(h.headerSize)) return kReadError;
  const uint8_t* ih = d + 14;
  if (h.headerSize == 12) {
    h.os2 = true;
    h.width = U16(ih + 4);
    h.height = int16_t(U16(ih + 6));
    h.bits = U16(ih + 10);
    h.paletteEntrySize = 3;
  } else {
    if (h.headerSize < 16) return kInvalidFormat;
    h.os2 = h.headerSize < 40 || h.headerSize == 64;
    h.width = I32(ih + 4);
    h.height = I32(ih + 8);
    h.bits = U16(ih + 14);
    if (h.headerSize >= 20) h.compression = U32(ih + 16);
    if (h.headerSize >= 32) {
      h.xppm = I32(ih + 24);
      h.yppm = I32(ih + 28);
    }
    if (h.headerSize >= 36) h.colorsUsed = U32(ih + 32);
    if (h.os2 && h.compression == 3) return kUnknownCompression;  // OS/2 Huffman
    if (h.compression == 3 || h.compression == 6) {
      int nm = h.compression == 6 ? 4 : 3;
      if (h.headerSize >= 52) {
        for (int i = 0; i < 4 && 40 + 4 * i + 4 <= int(h.headerSize); ++i) h.masks[i] = U32(ih + 40 + 4 * i);
      } else {
        size_t at = 14 + h.headerSize;
        if (n < at + size_t(nm) * 4) return kReadError;
        for (int i = 0; i < nm; ++i) h.masks[i] = U32(d + at + 4 * size_t(i));
        h.headerSize += uint32_t(nm) * 4;  // the palette comes after the masks
      }
      h.hasMasks = true;
    } else if (h.headerSize >= 56 && h.bits == 32) {
      h.masks[3] = U32(ih + 52);  // alpha mask of a V3+ header
    }
  }
  if (h.height < 0) {
    h.topDown = true;
    h.height = -h.height;
  }
  if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32)
    return kSubtypeUnsupported;
  if (h.compression > 6 || h.compression == 4 || h.compression == 5) return kUnknownCompression;
  if (h.compression == 1 && h.bits != 8) return kInvalidCompression;
  if (h.compression == 2 && h.bits != 4) return kInvalidCompression;
  if ((h.compression == 3 || h.compression == 6) && h.bits != 16 && h.bits != 32) return kInvalidCompression;
  if ((h.compression == 1 || h.compression == 2) && h.topDown) return kInvalidCompression;
  if (!SizeOk(h.width, h.height)) return kInvalidSize;
  h.paletteOffset = 14 + size_t(h.headerSize);
  if (h.bits <= 8) {
    uint32_t maxColors = 1u << h.bits;
    h.paletteCount = int(h.colorsUsed == 0 || h.colorsUsed > maxColors ? maxColors : h.colorsUsed);
    size_t palBytes = size_t(h.paletteCount) * size_t(h.paletteEntrySize);
    if (h.paletteOffset + palBytes > n) {
      // Some writers leave the palette short; take the entries that are there.
      size_t avail = n > h.paletteOffset ? (n - h.paletteOffset) / size_t(h.paletteEntrySize) : 0;
      if (avail == 0) return kReadError;
      h.paletteCount = int(avail);
    }
  }
  if (h.dataOffset == 0 || h.dataOffset < h.paletteOffset)
    h.dataOffset = uint32_t(h.paletteOffset + size_t(h.paletteCount) * size_t(h.paletteEntrySize));
  if (h.dataOffset >= n) return kReadError;
  return kOk;
}

int LoadedBits(const Header& h) { return h.bits == 16 ? 24 : h.bits; }

int FormatOf(const Header& h) {
  if (h.compression == 1 || h.compression == 2) return kFormatBmpRle;
  return h.os2 ? kFormatOs2Bmp : kFormatBmp;
}

// Extracts a masked channel to 8 bits.
inline uint8_t Channel(uint32_t v, uint32_t mask) {
  if (!mask) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  uint32_t m = mask >> shift;
  uint32_t c = (v >> shift) & m;
  return uint8_t(m ? c * 255 / m : 0);
}

int DecodeRle(const uint8_t* d, size_t n, const Header& h, Bitmap& bmp) {
  size_t p = h.dataOffset;
  int x = 0;
  int y = 0;  // counted from the bottom
  const int w = bmp.width, hgt = bmp.height;
  auto put = [&](int idx) {
    if (x < w && y < hgt) SetIndex(bmp, x, hgt - 1 - y, idx);
    ++x;
  };
  while (y < hgt) {
    if (p + 2 > n) return kReadError;
    uint8_t c = d[p], v = d[p + 1];
    p += 2;
    if (c > 0) {
      for (int i = 0; i < c && x < w; ++i) put(h.bits == 8 ? v : (i & 1 ? v & 15 : v >> 4));
      continue;
    }
    if (v == 0) {
      x = 0;
      ++y;
    } else if (v == 1) {
      return kOk;
    } else if (v == 2) {
      if (p + 2 > n) return kReadError;
      x += d[p];
      y += d[p + 1];
      p += 2;
    } else {
      size_t bytes = h.bits == 8 ? v : (size_t(v) + 1) / 2;
      if (p + bytes > n) return kReadError;
      for (int i = 0; i < v; ++i) {
        if (h.bits == 8) put(d[p + size_t(i)]);
        else put(i & 1 ? d[p + size_t(i / 2)] & 15 : d[p + size_t(i / 2)] >> 4);
      }
      p += (bytes + 1) & ~size_t(1);
    }
  }
  return kOk;
}

}  // namespace

bool IsBmp(const uint8_t* d, size_t n) { return n >= 2 && d[0] == 'B' && d[1] == 'M'; }

int BmpInfo(const uint8_t* d, size_t n, FileInfo& info) {
  Header h;
  int st = ParseHeader(d, n, h);
  if (st != kOk) return st;
  info.format = FormatOf(h);
  info.width = int(h.width);
  info.height = int(h.height);
  info.bits = LoadedBits(h);
  info.xResolution = h.xppm > 0 ? int((int64_t(h.xppm) * 254 + 5000) / 10000) : 0;
  info.yResolution = h.yppm > 0 ? int((int64_t(h.yppm) * 254 + 5000) / 10000) : 0;
  info.pageCount = 1;
  info.compression = int(h.compression);
  if (h.bits == 32 && h.masks[3]) info.flags |= kInfoTransparency;
  return kOk;
}

int BmpDecode(const uint8_t* d, size_t n, PageSink& sink) {
  Header h;
  int st = ParseHeader(d, n, h);
  if (st != kOk) return st;
  std::vector<uint32_t> pal;
  for (int i = 0; i < h.paletteCount; ++i) {
    const uint8_t* e = d + h.paletteOffset + size_t(i) * size_t(h.paletteEntrySize);
    pal.push_back(uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0]);
  }
  const int w = int(h.width), hgt = int(h.height);
  int64_t srcStride = StrideFor(w, h.bits);
  bool rle = h.compression == 1 || h.compression == 2;
  // Uncompressed data must be all there before anything is allocated.
  if (!rle && int64_t(n - h.dataOffset) < srcStride * (hgt - 1) + RowBytes(w, h.bits)) return kReadError;
  Bitmap bmp;
  st = CreateBitmap(bmp, w, hgt, LoadedBits(h), h.bits <= 8 ? &pal : nullptr);
  if (st != kOk) return st;
  if (h.bits <= 8 && int(pal.size()) < (1 << h.bits)) {
    // Indexes past a short palette show black instead of reading past it.
    bmp.palette.resize(size_t(1) << h.bits, 0);
  }
  bmp.xResolution = h.xppm > 0 ? int((int64_t(h.xppm) * 254 + 5000) / 10000) : 0;
  bmp.yResolution = h.yppm > 0 ? int((int64_t(h.yppm) * 254 + 5000) / 10000) : 0;
  st = sink.beginPage(bmp);
  if (st != kOk) return st;
  if (rle) {
    st = DecodeRle(d, n, h, bmp);
    if (st != kOk) return st;
  } else {
    uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
    if (!h.hasMasks && h.bits == 16) {
      masks[0] = 0x7C00;
      masks[1] = 0x03E0;
      masks[2] = 0x001F;
    }
    bool alpha = h.bits == 32 && masks[3] != 0;
    bool fields32 = h.bits == 32 && h.hasMasks;
    for (int r = 0; r < hgt; ++r) {
      const uint8_t* s = d + h.dataOffset + size_t(srcStride) * size_t(r);
      uint8_t* o = bmp.scanLine(h.topDown ? r : hgt - 1 - r);
      if (h.bits <= 8 || h.bits == 24) {
        std::memcpy(o, s, size_t(RowBytes(w, h.bits)));
      } else if (h.bits == 16) {
        for (int x = 0; x < w; ++x) {
          uint32_t v = U16(s + 2 * x);
          o[3 * x] = Channel(v, masks[2]);
          o[3 * x + 1] = Channel(v, masks[1]);
          o[3 * x + 2] = Channel(v, masks[0]);
        }
      } else {
        for (int x = 0; x < w; ++x) {
          uint32_t v = U32(s + 4 * x);
          if (fields32) {
            o[4 * x] = Channel(v, masks[2]);
            o[4 * x + 1] = Channel(v, masks[1]);
            o[4 * x + 2] = Channel(v, masks[0]);
          } else {
            std::memcpy(o + 4 * x, s + 4 * x, 3);
          }
          o[4 * x + 3] = alpha ? Channel(v, masks[3]) : 255;
        }
      }
    }
    if (alpha) bmp.flags |= kFlagTransparency;
  }
  for (int y = 0; y < hgt; y += 64) {
    st = sink.rows(y, std::min(64, hgt - y));
    if (st != kOk) return st;
  }
  return sink.endPage();
}

// ---- Writer ---------------------------------------------------------------------------------
namespace {
void Put16(std::vector<uint8_t>& o, uint32_t v) {
  o.push_back(uint8_t(v));
  o.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& o, uint32_t v) {
  Put16(o, v & 0xFFFF);
  Put16(o, v >> 16);
}

void EncodeRleRow(std::vector<uint8_t>& o, const Bitmap& bmp, int y) {
  int x = 0;
  while (x < bmp.width) {
    int idx = GetIndex(bmp, x, y);
    int run = 1;
    while (x + run < bmp.width && run < 255 && GetIndex(bmp, x + run, y) == idx) ++run;
    o.push_back(uint8_t(run));
    o.push_back(uint8_t(bmp.bits == 8 ? idx : (idx << 4) | idx));
    x += run;
  }
  o.push_back(0);
  o.push_back(0);
}
}  // namespace

int BmpEncode(std::vector<uint8_t>& out, const Bitmap& bmp, int format) {
  const bool os2 = format == kFormatOs2Bmp;
  const bool rle = format == kFormatBmpRle;
  const int w = bmp.width, h = bmp.height, bits = bmp.bits;
  if (os2 && (w > 65535 || h > 32767)) return kInvalidSize;
  int palCount = bits <= 8 ? 1 << bits : 0;
  int entry = os2 ? 3 : 4;
  uint32_t headerSize = os2 ? 12 : 40;
  uint32_t offset = 14 + headerSize + uint32_t(palCount * entry);
  out.clear();
  out.reserve(size_t(offset) + size_t(bmp.stride) * size_t(h));
  out.push_back('B');
  out.push_back('M');
  Put32(out, 0);  // file size, patched below
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, headerSize);
  uint32_t ppmX = DpiToDotsPerMeter(bmp.xResolution), ppmY = DpiToDotsPerMeter(bmp.yResolution);
  if (os2) {
    Put16(out, uint32_t(w));
    Put16(out, uint32_t(h));
    Put16(out, 1);
    Put16(out, uint32_t(bits));
  } else {
    Put32(out, uint32_t(w));
    Put32(out, uint32_t(h));
    Put16(out, 1);
    Put16(out, uint32_t(bits));
    Put32(out, rle ? (bits == 8 ? 1 : 2) : 0);
    Put32(out, 0);  // image size, patched below
    Put32(out, ppmX);
    Put32(out, ppmY);
    Put32(out, uint32_t(palCount));
    Put32(out, 0);
  }
  for (int i = 0; i < palCount; ++i) {
    uint32_t c = size_t(i) < bmp.palette.size() ? bmp.palette[size_t(i)] : 0;
    out.push_back(uint8_t(c));
    out.push_back(uint8_t(c >> 8));
    out.push_back(uint8_t(c >> 16));
    if (!os2) out.push_back(0);
  }
  if (rle) {
    for (int y = h - 1; y >= 0; --y) {
      EncodeRleRow(out, bmp, y);
      if ((y & 63) == 0 && !Progress(int(int64_t(h - y) * 100 / h))) return kAborted;
    }
    out.push_back(0);
    out.push_back(1);
  } else {
    for (int y = h - 1; y >= 0; --y) {
      const uint8_t* row = bmp.scanLine(y);
      out.insert(out.end(), row, row + bmp.stride);
      if ((y & 63) == 0 && !Progress(int(int64_t(h - y) * 100 / h))) return kAborted;
    }
  }
  uint32_t size = uint32_t(out.size());
  std::memcpy(out.data() + 2, &size, 4);  // little-endian host
  if (!os2) {
    uint32_t imageSize = size - offset;
    std::memcpy(out.data() + 34, &imageSize, 4);
  }
  return kOk;
}

}  // namespace px::detail
