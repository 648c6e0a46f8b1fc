// TIFF through libtiff, all pages. Pages are read with libtiff's RGBA reader (any photometric,
// strips or tiles) into 24 bits, or 32 with an alpha channel. libtiff's own allocations are capped.
#include <algorithm>
#include <cstring>

#include <tiffio.h>

#include "PxCodec.h"

namespace px::detail {

namespace {

struct MemFile {
  const uint8_t* rd = nullptr;
  size_t rn = 0;
  std::vector<uint8_t>* wr = nullptr;
  uint64_t pos = 0;
  size_t size() const { return wr ? wr->size() : rn; }
};

tmsize_t ReadProc(thandle_t h, void* buf, tmsize_t len) {
  auto* m = static_cast<MemFile*>(h);
  if (len <= 0 || m->pos >= m->size()) return 0;
  size_t take = std::min<uint64_t>(uint64_t(len), m->size() - m->pos);
  std::memcpy(buf, (m->wr ? m->wr->data() : m->rd) + m->pos, take);
  m->pos += take;
  return tmsize_t(take);
}

tmsize_t WriteProc(thandle_t h, void* buf, tmsize_t len) {
  auto* m = static_cast<MemFile*>(h);
  if (!m->wr || len < 0) return 0;
  uint64_t end = m->pos + uint64_t(len);
  if (end > (uint64_t(1) << 32)) return 0;
  if (end > m->wr->size()) m->wr->resize(size_t(end));
  std::memcpy(m->wr->data() + m->pos, buf, size_t(len));
  m->pos = end;
  return len;
}

toff_t SeekProc(thandle_t h, toff_t off, int whence) {
  auto* m = static_cast<MemFile*>(h);
  uint64_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? m->size() : 0;
  uint64_t np = base + off;
  if (np > (uint64_t(1) << 40)) return toff_t(-1);
  m->pos = np;
  return np;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t h) { return static_cast<MemFile*>(h)->size(); }
// A file being read is in memory already: libtiff reads it "mapped". Its other path, reading
// through ReadProc, refuses uncompressed tiles stored with more bytes than they need, which
// other writers (libvips) make.
int MapProc(thandle_t h, void** base, toff_t* size) {
  auto* m = static_cast<MemFile*>(h);
  if (m->wr || !m->rd) return 0;
  *base = const_cast<uint8_t*>(m->rd);
  *size = toff_t(m->rn);
  return 1;
}
void UnmapProc(thandle_t, void*, toff_t) {}
int QuietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* Open(MemFile& m, const char* mode) {
  TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
  if (!opts) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(opts, tmsize_t(std::min<int64_t>(limits().maxPixels * 4 + 65536, int64_t(1) << 31)));
  TIFFOpenOptionsSetErrorHandlerExtR(opts, QuietHandler, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(opts, QuietHandler, nullptr);
  TIFF* t = TIFFClientOpenExt("memory", mode, &m, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc, MapProc,
                              UnmapProc, opts);
  TIFFOpenOptionsFree(opts);
  return t;
}

int Dpi(TIFF* t, bool x) {
  float v = 0;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(t, TIFFTAG_RESOLUTIONUNIT, &unit);
  if (!TIFFGetField(t, x ? TIFFTAG_XRESOLUTION : TIFFTAG_YRESOLUTION, &v) || !(v > 0 && v < 1e6f)) return 0;
  return unit == RESUNIT_CENTIMETER ? int(v * 2.54f + 0.5f) : int(v + 0.5f);
}

bool HasAlpha(TIFF* t) {
  uint16_t count = 0;
  uint16_t* types = nullptr;
  if (TIFFGetField(t, TIFFTAG_EXTRASAMPLES, &count, &types) && count > 0) return true;
  return false;
}

// Checks the sizes of the current directory before anything is read.
int CheckDirectory(TIFF* t, uint32_t& w, uint32_t& h) {
  w = h = 0;
  if (!TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h)) return kInvalidFormat;
  if (!SizeOk(w, h)) return kInvalidSize;
  if (TIFFIsTiled(t)) {
    uint32_t tw = 0, th = 0;
    TIFFGetField(t, TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(t, TIFFTAG_TILELENGTH, &th);
    if (tw == 0 || th == 0 || tw > 65536 || th > 65536 || int64_t(tw) * th > limits().maxPixels) return kInvalidSize;
  }
  return kOk;
}

}  // namespace

bool IsTiff(const uint8_t* d, size_t n) {
  return n >= 4 && ((d[0] == 'I' && d[1] == 'I' && (d[2] == 42 || d[2] == 43) && d[3] == 0) ||
                    (d[0] == 'M' && d[1] == 'M' && d[2] == 0 && (d[3] == 42 || d[3] == 43)));
}

int TiffInfo(const uint8_t* d, size_t n, FileInfo& info) {
  MemFile m;
  m.rd = d;
  m.rn = n;
  TIFF* t = Open(m, "r");
  if (!t) return kInvalidFormat;
  uint32_t w, h;
  int st = CheckDirectory(t, w, h);
  if (st != kOk) {
    TIFFClose(t);
    return st;
  }
  info.format = kFormatTiff;
  uint16_t comp = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &comp);
  if (comp == COMPRESSION_LZW) info.format = kFormatTiffLzw;
  info.compression = comp;
  info.width = int(w);
  info.height = int(h);
  info.bits = HasAlpha(t) ? 32 : 24;
  if (info.bits == 32) info.flags |= kInfoTransparency;
  info.xResolution = Dpi(t, true);
  info.yResolution = Dpi(t, false);
  char* desc = nullptr;
  if (TIFFGetField(t, TIFFTAG_IMAGEDESCRIPTION, &desc) && desc) info.text.assign(desc, strnlen(desc, 255));
  int pages = 1;
  while (TIFFReadDirectory(t)) {
    if (++pages > limits().maxPages) {
      TIFFClose(t);
      return kInvalidSize;
    }
  }
  info.pageCount = pages;
  TIFFClose(t);
  return kOk;
}

int TiffDecode(const uint8_t* d, size_t n, PageSink& sink) {
  MemFile m;
  m.rd = d;
  m.rn = n;
  TIFF* t = Open(m, "r");
  if (!t) return kInvalidFormat;
  struct Closer {
    TIFF* t;
    ~Closer() { TIFFClose(t); }
  } closer{t};
  std::vector<uint32_t> raster;
  do {
    uint32_t w, h;
    int st = CheckDirectory(t, w, h);
    if (st != kOk) return st;
    char emsg[1024] = "";
    if (!TIFFRGBAImageOK(t, emsg)) return kSubtypeUnsupported;
    bool alpha = HasAlpha(t);
    try {
      raster.assign(size_t(w) * size_t(h), 0);
    } catch (const std::bad_alloc&) {
      return kNoMemory;
    }
    if (!TIFFReadRGBAImageOriented(t, w, h, raster.data(), ORIENTATION_TOPLEFT, 1)) return kReadError;
    Bitmap bmp;
    st = CreateBitmap(bmp, int(w), int(h), alpha ? 32 : 24);
    if (st != kOk) return st;
    bmp.xResolution = Dpi(t, true);
    bmp.yResolution = Dpi(t, false);
    if (alpha) bmp.flags |= kFlagTransparency;
    st = sink.beginPage(bmp);
    if (st != kOk) return st;
    for (uint32_t y = 0; y < h; ++y) {
      const uint32_t* s = raster.data() + size_t(y) * w;
      uint8_t* o = bmp.scanLine(int(y));
      for (uint32_t x = 0; x < w; ++x) {
        uint32_t p = s[x];
        if (alpha) {
          o[4 * x] = uint8_t(TIFFGetB(p));
          o[4 * x + 1] = uint8_t(TIFFGetG(p));
          o[4 * x + 2] = uint8_t(TIFFGetR(p));
          o[4 * x + 3] = uint8_t(TIFFGetA(p));
        } else {
          o[3 * x] = uint8_t(TIFFGetB(p));
          o[3 * x + 1] = uint8_t(TIFFGetG(p));
          o[3 * x + 2] = uint8_t(TIFFGetR(p));
        }
      }
    }
    st = sink.rows(0, int(h));
    if (st != kOk) return st;
    st = sink.endPage();
    if (st != kOk) return st;
    if (sink.pagesSeen() >= limits().maxPages) return kInvalidSize;
  } while (TIFFReadDirectory(t));
  return kOk;
}

int TiffEncode(std::vector<uint8_t>& out, const std::vector<const Bitmap*>& pages, int format) {
  out.clear();
  MemFile m;
  m.wr = &out;
  TIFF* t = Open(m, "w");
  if (!t) return kWriteError;
  std::vector<uint8_t> row;
  int pageNo = 0;
  for (const Bitmap* pp : pages) {
    const Bitmap& b = *pp;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(b.width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(b.height));
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, format == kFormatTiffLzw ? COMPRESSION_LZW : COMPRESSION_NONE);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
    if (pages.size() > 1) {
      TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
      TIFFSetField(t, TIFFTAG_PAGENUMBER, uint16_t(pageNo), uint16_t(pages.size()));
    }
    if (b.xResolution > 0 && b.yResolution > 0) {
      TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
      TIFFSetField(t, TIFFTAG_XRESOLUTION, float(b.xResolution));
      TIFFSetField(t, TIFFTAG_YRESOLUTION, float(b.yResolution));
    }
    std::vector<uint16_t> r, g, bl;
    if (b.bits <= 8) {
      TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(b.bits));
      TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
      size_t count = size_t(1) << b.bits;
      r.resize(count);
      g.resize(count);
      bl.resize(count);
      for (size_t i = 0; i < count && i < b.palette.size(); ++i) {
        r[i] = uint16_t(((b.palette[i] >> 16) & 255) * 257);
        g[i] = uint16_t(((b.palette[i] >> 8) & 255) * 257);
        bl[i] = uint16_t((b.palette[i] & 255) * 257);
      }
      TIFFSetField(t, TIFFTAG_COLORMAP, r.data(), g.data(), bl.data());
    } else {
      TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
      TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(b.bits / 8));
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
      if (b.bits == 32) {
        uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, uint16_t(1), &extra);
      }
    }
    row.resize(size_t(b.rowBytes()));
    for (int y = 0; y < b.height; ++y) {
      const uint8_t* s = b.scanLine(y);
      std::memcpy(row.data(), s, row.size());
      if (b.bits >= 24) {
        int ch = b.bits / 8;
        for (int x = 0; x < b.width; ++x) std::swap(row[size_t(x * ch)], row[size_t(x * ch + 2)]);
      }
      if (TIFFWriteScanline(t, row.data(), uint32_t(y), 0) < 0) {
        TIFFClose(t);
        out.clear();
        return kWriteError;
      }
    }
    if (!TIFFWriteDirectory(t)) {
      TIFFClose(t);
      out.clear();
      return kWriteError;
    }
    ++pageNo;
    if (!Progress(50 + pageNo * 50 / int(pages.size()))) {
      TIFFClose(t);
      out.clear();
      return kAborted;
    }
  }
  TIFFClose(t);
  return kOk;
}

}  // namespace px::detail
