// PNG through libpng. 1-bit palette/grey and 4-bit palette pictures stay packed; other palette
// and grey pictures become 8 bits; colour becomes 24 bits, or 32 with alpha (also from tRNS).
#include <algorithm>
#include <csetjmp>
#include <cstring>

#include <png.h>

#include "PxCodec.h"

namespace px::detail {

namespace {

void ReadFn(png_structp png, png_bytep buf, png_size_t len) {
  if (static_cast<MemoryInput*>(png_get_io_ptr(png))->read(buf, len) < len) png_error(png, "truncated");
}

void Quiet(png_structp, png_const_charp) {}
void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

struct Plan {
  int bits = 0;      // loaded depth
  bool palette = false;
  bool grey = false;
};

// Chooses the loaded depth and sets the libpng transformations for it.
Plan MakePlan(png_structp png, png_infop info, bool apply) {
  int ct = png_get_color_type(png, info);
  int depth = png_get_bit_depth(png, info);
  bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  Plan p;
  if (ct == PNG_COLOR_TYPE_PALETTE && !trns) {
    p.palette = true;
    p.bits = depth == 1 ? 1 : depth == 4 ? 4 : 8;
    if (apply && depth == 2) png_set_packing(png);
  } else if (ct == PNG_COLOR_TYPE_GRAY && !trns) {
    p.grey = true;
    p.bits = depth == 1 ? 1 : 8;
    if (apply) {
      if (depth == 2 || depth == 4) png_set_expand_gray_1_2_4_to_8(png);
      if (depth == 16) png_set_strip_16(png);
    }
  } else {
    bool alpha = trns || (ct & PNG_COLOR_MASK_ALPHA);
    p.bits = alpha ? 32 : 24;
    if (apply) {
      if (depth == 16) png_set_strip_16(png);
      if (ct == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
      if (ct == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
      if (trns) png_set_tRNS_to_alpha(png);
      if (ct == PNG_COLOR_TYPE_GRAY || ct == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
      png_set_bgr(png);
    }
  }
  return p;
}

int Dpi(png_structp png, png_infop info, bool x) {
  png_uint_32 rx = 0, ry = 0;
  int unit = 0;
  if (png_get_pHYs(png, info, &rx, &ry, &unit) && unit == PNG_RESOLUTION_METER)
    return int(((x ? rx : ry) * 254 + 5000) / 10000);
  return 0;
}

}  // namespace

bool IsPng(const uint8_t* d, size_t n) { return n >= 8 && png_sig_cmp(d, 0, 8) == 0; }

// libpng allocates and clears a chunk's whole declared length before it reads the data; a few
// bytes claiming a 600 MB text chunk would cost seconds. The data is all in memory, so a chunk
// before the picture data that claims more than is left ends the file there (a truncated file).
static size_t CutAtOverlongChunk(const uint8_t* d, size_t n) {
  if (n < 8) return n;
  size_t pos = 8;
  while (n - pos >= 8) {
    const uint32_t len = uint32_t(d[pos]) << 24 | uint32_t(d[pos + 1]) << 16 | uint32_t(d[pos + 2]) << 8 | d[pos + 3];
    if (std::memcmp(d + pos + 4, "IDAT", 4) == 0) break;  // read piece by piece: no big buffer
    if (uint64_t(len) + 12 > n - pos) return pos;
    pos += size_t(len) + 12;
  }
  return n;
}

// Shared reader: with sink == nullptr it reads only the header into info.
static int PngRead(const uint8_t* d, size_t n, FileInfo* fi, PageSink* sink) {
  n = CutAtOverlongChunk(d, n);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, Quiet);
  if (!png) return kNoMemory;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return kNoMemory;
  }
  MemoryInput in{d, n, 0};
  // Everything with a destructor lives outside the jump: libpng's error longjmps past this frame.
  Bitmap bmp;
  std::vector<png_bytep> rows;
  std::vector<uint32_t> pal;
  int status = kReadError;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return status;
  }
  png_set_read_fn(png, &in, ReadFn);
  png_set_user_limits(png, png_uint_32(limits().maxSide), png_uint_32(limits().maxSide));
  // Compressed text and profile chunks are inflated while the header is read; a small file can
  // carry hundreds that each inflate to megabytes. Only a comment is wanted, and only from an
  // information read, so decoding drops them and the information read bounds them.
  png_set_chunk_cache_max(png, 64);
  if (sink) {
    static const png_byte kSkipped[] = {'i', 'C', 'C', 'P', 0, 'i', 'T', 'X', 't', 0, 's', 'P', 'L', 'T', 0,
                                        't', 'E', 'X', 't', 0, 'z', 'T', 'X', 't', 0};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkipped, 5);
    png_set_chunk_malloc_max(png, 8 * 1024 * 1024);
  } else {
    static const png_byte kSkipped[] = {'i', 'C', 'C', 'P', 0, 's', 'P', 'L', 'T', 0};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkipped, 2);
    png_set_chunk_malloc_max(png, 64 * 1024);
  }
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (!SizeOk(w, h)) {
    png_destroy_read_struct(&png, &info, nullptr);
    return kInvalidSize;
  }
  Plan plan = MakePlan(png, info, sink != nullptr);
  if (fi) {
    fi->format = kFormatPng;
    fi->width = int(w);
    fi->height = int(h);
    fi->bits = plan.bits;
    fi->xResolution = Dpi(png, info, true);
    fi->yResolution = Dpi(png, info, false);
    fi->pageCount = 1;
    fi->compression = png_get_interlace_type(png, info) == PNG_INTERLACE_ADAM7 ? 2 : 1;
    if (plan.bits == 32) fi->flags |= kInfoTransparency;
    png_textp text = nullptr;
    int count = 0;
    if (png_get_text(png, info, &text, &count) > 0)
      for (int i = 0; i < count; ++i)
        if (std::strcmp(text[i].key, "Comment") == 0 || std::strcmp(text[i].key, "Description") == 0) {
          fi->text.assign(text[i].text, std::min<size_t>(text[i].text_length, 255));
          break;
        }
  }
  if (!sink) {
    png_destroy_read_struct(&png, &info, nullptr);
    return kOk;
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (plan.palette) {
    png_colorp colors = nullptr;
    int num = 0;
    if (png_get_PLTE(png, info, &colors, &num))
      for (int i = 0; i < num; ++i) pal.push_back(uint32_t(colors[i].red) << 16 | uint32_t(colors[i].green) << 8 | colors[i].blue);
    pal.resize(size_t(1) << plan.bits, 0);
  } else if (plan.grey) {
    pal = GreyPalette(1 << plan.bits);
  }
  int st = CreateBitmap(bmp, int(w), int(h), plan.bits, pal.empty() ? nullptr : &pal);
  if (st != kOk) {
    png_destroy_read_struct(&png, &info, nullptr);
    return st;
  }
  if (png_get_rowbytes(png, info) > size_t(bmp.stride)) {
    png_destroy_read_struct(&png, &info, nullptr);
    return kSubtypeUnsupported;
  }
  bmp.xResolution = Dpi(png, info, true);
  bmp.yResolution = Dpi(png, info, false);
  if (plan.bits == 32) bmp.flags |= kFlagTransparency;
  st = sink->beginPage(bmp);
  if (st != kOk) {
    png_destroy_read_struct(&png, &info, nullptr);
    return st;
  }
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = bmp.scanLine(int(y));
  png_read_image(png, rows.data());
  png_destroy_read_struct(&png, &info, nullptr);
  for (int y = 0; y < int(h); y += 64) {
    st = sink->rows(y, std::min(64, int(h) - y));
    if (st != kOk) return st;
  }
  return sink->endPage();
}

int PngInfo(const uint8_t* d, size_t n, FileInfo& info) { return PngRead(d, n, &info, nullptr); }
int PngDecode(const uint8_t* d, size_t n, PageSink& sink) { return PngRead(d, n, nullptr, &sink); }

namespace {
void WriteFn(png_structp png, png_bytep buf, png_size_t len) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), buf, buf + len);
}
void FlushFn(png_structp) {}
}  // namespace

int PngEncode(std::vector<uint8_t>& out, const Bitmap& bmp) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, Quiet);
  if (!png) return kNoMemory;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return kNoMemory;
  }
  out.clear();
  std::vector<png_color> colors;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    out.clear();
    return kWriteError;
  }
  png_set_write_fn(png, &out, WriteFn, FlushFn);
  int ct = bmp.bits <= 8 ? PNG_COLOR_TYPE_PALETTE : bmp.bits == 24 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA;
  png_set_IHDR(png, info, png_uint_32(bmp.width), png_uint_32(bmp.height), bmp.bits <= 8 ? bmp.bits : 8, ct,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (bmp.bits <= 8) {
    size_t count = std::min(bmp.palette.size(), size_t(1) << bmp.bits);
    if (count == 0) count = 1;
    for (size_t i = 0; i < count; ++i) {
      uint32_t c = i < bmp.palette.size() ? bmp.palette[i] : 0;
      colors.push_back(png_color{png_byte(c >> 16), png_byte(c >> 8), png_byte(c)});
    }
    png_set_PLTE(png, info, colors.data(), int(colors.size()));
  }
  if (bmp.xResolution > 0 && bmp.yResolution > 0)
    png_set_pHYs(png, info, DpiToDotsPerMeter(bmp.xResolution), DpiToDotsPerMeter(bmp.yResolution), PNG_RESOLUTION_METER);
  png_write_info(png, info);
  if (bmp.bits >= 24) png_set_bgr(png);
  for (int y = 0; y < bmp.height; ++y) png_write_row(png, const_cast<png_bytep>(bmp.scanLine(y)));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return kOk;
}

}  // namespace px::detail
