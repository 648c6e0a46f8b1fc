// JPEG through libjpeg-turbo's libjpeg 6b API. Errors leave through longjmp into a status;
// data that ends early is an error (kReadError), not a grey-filled picture.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "PxCodec.h"

namespace px::detail {

namespace {

struct ErrorMgr {
  jpeg_error_mgr pub;
  jmp_buf jump;
  bool truncated = false;
  int status = kInvalidFormat;
};

void OnError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<ErrorMgr*>(cinfo->err);
  int code = e->pub.msg_code;
  if (code == JERR_OUT_OF_MEMORY) e->status = kNoMemory;
  else if (code == JERR_INPUT_EOF || code == JERR_INPUT_EMPTY) e->status = kReadError;
  longjmp(e->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
  auto* e = reinterpret_cast<ErrorMgr*>(cinfo->err);
  if (level < 0 && e->pub.msg_code == JWRN_JPEG_EOF) e->truncated = true;
}

void OnOutput(j_common_ptr) {}

void SetupErrors(ErrorMgr& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.emit_message = OnMessage;
  err.pub.output_message = OnOutput;
}

int FormatFromSampling(const jpeg_decompress_struct& c) {
  if (c.num_components >= 3) {
    int h = c.comp_info[0].h_samp_factor, v = c.comp_info[0].v_samp_factor;
    if (h == 4 && v == 1) return kFormatJpeg411;
    if (h == 2 && v == 1) return kFormatJpeg422;
  }
  return kFormatJfif;
}

int Resolution(const jpeg_decompress_struct& c, bool x) {
  int v = x ? c.X_density : c.Y_density;
  if (c.density_unit == 1) return v;
  if (c.density_unit == 2) return v * 254 / 100;
  return 0;
}

std::string Comment(const jpeg_decompress_struct& c) {
  for (jpeg_saved_marker_ptr m = c.marker_list; m; m = m->next)
    if (m->marker == JPEG_COM) {
      std::string s(reinterpret_cast<const char*>(m->data), m->data_length);
      size_t z = s.find('\0');
      if (z != std::string::npos) s.resize(z);
      return s.substr(0, 255);
    }
  return {};
}

}  // namespace

bool IsJpeg(const uint8_t* d, size_t n) { return n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF; }

int JpegInfo(const uint8_t* d, size_t n, FileInfo& info) {
  jpeg_decompress_struct c;
  ErrorMgr err;
  c.err = &err.pub;
  SetupErrors(err);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&c);
    return err.status;
  }
  jpeg_create_decompress(&c);
  jpeg_mem_src(&c, d, static_cast<unsigned long>(n));
  jpeg_save_markers(&c, JPEG_COM, 0xFFFF);
  jpeg_read_header(&c, TRUE);
  if (!SizeOk(c.image_width, c.image_height)) {
    jpeg_destroy_decompress(&c);
    return kInvalidSize;
  }
  info.format = FormatFromSampling(c);
  info.width = int(c.image_width);
  info.height = int(c.image_height);
  info.bits = c.num_components == 1 ? 8 : 24;
  info.xResolution = Resolution(c, true);
  info.yResolution = Resolution(c, false);
  info.text = Comment(c);
  info.pageCount = 1;
  info.compression = c.progressive_mode ? 2 : 1;
  jpeg_destroy_decompress(&c);
  return kOk;
}

int JpegScaleDenominator(int64_t width, int64_t height, const LoadOptions& options) {
  if (options.sizeHintWidth <= 0 && options.sizeHintHeight <= 0) return 1;
  for (int dd : {8, 4, 2}) {
    const int64_t w = (width + dd - 1) / dd, h = (height + dd - 1) / dd;
    if (w >= std::max(options.sizeHintWidth, 0) && h >= std::max(options.sizeHintHeight, 0)) return dd;
  }
  return 1;
}

int JpegDecode(const uint8_t* d, size_t n, const LoadOptions& options, PageSink& sink) {
  jpeg_decompress_struct c;
  ErrorMgr err;
  c.err = &err.pub;
  SetupErrors(err);
  Bitmap bmp;  // outside the jump so it is freed normally
  std::vector<uint8_t> cmyk;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&c);
    return err.status;
  }
  jpeg_create_decompress(&c);
  jpeg_mem_src(&c, d, static_cast<unsigned long>(n));
  jpeg_read_header(&c, TRUE);
  if (!SizeOk(c.image_width, c.image_height)) {
    jpeg_destroy_decompress(&c);
    return kInvalidSize;
  }
  // Reduced-size decoding for a caller that only wants a small picture.
  if (options.sizeHintWidth > 0 || options.sizeHintHeight > 0) {
    c.scale_num = 1;
    c.scale_denom = unsigned(JpegScaleDenominator(c.image_width, c.image_height, options));
  }
  bool grey = c.num_components == 1;
  bool isCmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
  if (grey) c.out_color_space = JCS_GRAYSCALE;
  else if (isCmyk) c.out_color_space = JCS_CMYK;
  else c.out_color_space = JCS_EXT_BGR;
  c.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&c);
  int st = CreateBitmap(bmp, int(c.output_width), int(c.output_height), grey ? 8 : 24);
  if (st != kOk) {
    jpeg_destroy_decompress(&c);
    return st;
  }
  bmp.xResolution = Resolution(c, true);
  bmp.yResolution = Resolution(c, false);
  st = sink.beginPage(bmp);
  if (isCmyk) cmyk.resize(size_t(c.output_width) * 4);
  const int band = 16;
  int bandStart = 0;
  while (st == kOk && c.output_scanline < c.output_height) {
    int y = int(c.output_scanline);
    if (isCmyk) {
      JSAMPROW row = cmyk.data();
      jpeg_read_scanlines(&c, &row, 1);
      uint8_t* o = bmp.scanLine(y);
      bool inverted = c.saw_Adobe_marker;
      for (unsigned x = 0; x < c.output_width; ++x) {
        int cc = cmyk[4 * x], m = cmyk[4 * x + 1], yy = cmyk[4 * x + 2], k = cmyk[4 * x + 3];
        if (!inverted) {
          cc = 255 - cc; m = 255 - m; yy = 255 - yy; k = 255 - k;
        }
        o[3 * x] = uint8_t(yy * k / 255);
        o[3 * x + 1] = uint8_t(m * k / 255);
        o[3 * x + 2] = uint8_t(cc * k / 255);
      }
    } else {
      JSAMPROW row = bmp.scanLine(y);
      jpeg_read_scanlines(&c, &row, 1);
    }
    if (err.truncated) break;
    int done = int(c.output_scanline);
    if (done - bandStart >= band || done == int(c.output_height)) {
      st = sink.rows(bandStart, done - bandStart);
      bandStart = done;
    }
  }
  if (st != kOk || err.truncated) {
    jpeg_destroy_decompress(&c);
    return st != kOk ? st : kReadError;
  }
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
  if (err.truncated) return kReadError;
  return sink.endPage();
}

int JpegEncode(std::vector<uint8_t>& out, const Bitmap& bmp, int format, int qfactor) {
  int quality = JpegQualityFromQFactor(qfactor);
  if (quality < 0) return quality;
  if (bmp.bits != 8 && bmp.bits != 24) return kInvalidBits;
  jpeg_compress_struct c;
  ErrorMgr err;
  c.err = &err.pub;
  SetupErrors(err);
  unsigned char* mem = nullptr;
  unsigned long memSize = 0;
  std::vector<uint8_t> grey;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&c);
    free(mem);
    return err.status == kInvalidFormat ? kWriteError : err.status;
  }
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, &mem, &memSize);
  c.image_width = JDIMENSION(bmp.width);
  c.image_height = JDIMENSION(bmp.height);
  // An 8-bit picture is written grey (through its palette).
  bool isGrey = bmp.bits == 8;
  c.input_components = isGrey ? 1 : 3;
  c.in_color_space = isGrey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  if (!isGrey) {
    // 4:2:2 (colour halved across) for formats 23/24, 4:1:1 (quartered across) for 21/22,
    // 4:2:0 for JFIF.
    bool is422 = format == kFormatJpeg422 || format == kFormatJpeg422b;
    bool is411 = format == kFormatJpeg411 || format == kFormatJpeg411b;
    c.comp_info[0].h_samp_factor = is411 ? 4 : 2;
    c.comp_info[0].v_samp_factor = (is422 || is411) ? 1 : 2;
  }
  if (bmp.xResolution > 0 && bmp.yResolution > 0) {
    c.density_unit = 1;
    c.X_density = UINT16(std::min(bmp.xResolution, 65535));
    c.Y_density = UINT16(std::min(bmp.yResolution, 65535));
  }
  c.dct_method = JDCT_ISLOW;
  jpeg_start_compress(&c, TRUE);
  if (isGrey) grey.resize(size_t(bmp.width));
  while (c.next_scanline < c.image_height) {
    int y = int(c.next_scanline);
    JSAMPROW row;
    if (isGrey) {
      const uint8_t* s = bmp.scanLine(y);
      for (int x = 0; x < bmp.width; ++x) {
        uint32_t rgb = size_t(s[x]) < bmp.palette.size() ? bmp.palette[s[x]] : s[x] * 0x010101u;
        grey[size_t(x)] = uint8_t((((rgb >> 16) & 255) * 77 + ((rgb >> 8) & 255) * 150 + (rgb & 255) * 29) >> 8);
      }
      row = grey.data();
    } else {
      row = const_cast<uint8_t*>(bmp.scanLine(y));
    }
    jpeg_write_scanlines(&c, &row, 1);
    if ((y & 63) == 63 && !Progress(int(int64_t(y) * 100 / bmp.height))) {
      jpeg_abort_compress(&c);
      jpeg_destroy_compress(&c);
      free(mem);
      return kAborted;
    }
  }
  jpeg_finish_compress(&c);
  out.assign(mem, mem + memSize);
  jpeg_destroy_compress(&c);
  free(mem);
  return kOk;
}

}  // namespace px::detail
