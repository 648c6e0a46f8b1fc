#include "PxFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <unordered_map>

#include "AtomicFile.h"
#include "PxCodec.h"

namespace px {

// ---- Names and quality ----------------------------------------------------------------------
const char* FormatName(int format) {
  static const std::map<int, const char*> names = {
      {1, "ZSoft PCX"}, {2, "CompuServe GIF"}, {3, "Tagged Image File Format"}, {4, "Targa"},
      {5, "CMP Compressed"}, {6, "Windows BMP"}, {10, "Jpeg File Interchange Format"},
      {11, "Jpeg Tag Image File Format"}, {14, "OS/2 BMP "}, {15, "Windows Meta File"},
      {16, "Encapsulated Post Script"}, {17, "TIF Format with LZW compression"}, {20, "Vendor  Proprietary"},
      {21, "JPEG  4:1:1"}, {22, "JPEG  4:1:1"}, {23, "JPEG  4:2:2"}, {24, "JPEG  4:2:2"}, {25, "TIFF  CCITT"},
      {26, "Vendor 1 bit, lossless compression"}, {27, "CCITT Group3 one dimension"},
      {28, "CCITT Group3 two dimensions"}, {29, "CCITT Group4 two dimensions"},
      {30, "Vendor  Proprietary Lossless"}, {31, "old Vendor 1 bit, lossless compression"}, {50, "FILE_CALS"},
      {51, "FILE_MAC"}, {52, "FILE_IMG"}, {53, "FILE_MSP"}, {54, "FILE_WPG"}, {55, "FILE_RAS"}, {56, "FILE_PCT"},
      {57, "FILE_PCD"}, {58, "FILE_DXF"}, {59, "FILE_AVI"}, {60, "FILE_WAV"}, {61, "FILE_FLI"}, {62, "FILE_CGM"},
      {63, "EPS with TIFF Preview"}, {64, "EPS with Metafile Preview"}, {65, "FILE_CMPNOLOSS"},
      {66, "FILE_FAX_G3_1D"}, {67, "FILE_FAX_G3_2D"}, {68, "FILE_FAX_G4"}, {69, "FILE_WFX_G3_1D"},
      {70, "FILE_WFX_G4"}, {71, "FILE_ICA_G3_1D"}, {72, "FILE_ICA_G3_2D"}, {73, "FILE_ICA_G4"},
      {74, "FILE_OS2_2"}, {75, "FILE_PNG"}, {76, "FILE_PSD"}, {77, "FILE_RAWICA_G3_1D"},
      {78, "FILE_RAWICA_G3_2D"}, {79, "FILE_RAWICA_G4"}, {80, "FlashPix, no compression"},
      {81, "FlashPix, compression single color method"}, {82, "FlashPix, compression JPEG"},
      {83, "FlashPix, compression JPEG, specify qFactor"}, {84, "compressed Windows BMP"},
      {85, "TIFF no compression, CMYK data"}, {86, "TIFF LZW compression, CMYK data"},
      {87, "TIFF PackBits compression, RGB data"}, {88, "TIFF PackBits compression, CMYK data"},
      {89, "FILE_DICOM_GRAY"}, {90, "FILE_DICOM_COLOR"}, {91, "FILE_WIN_ICO"}, {92, "FILE_WIN_CUR"},
      {93, "TIFF YCbCr color space, no compression"}, {94, "TIFF YCbCr color space, LZW compression"},
      {95, "TIFF YCbCr color space, PackBits compression"}, {96, "uncompressed RGB Exif file"},
      {97, "uncompressed YCbCr Exif file"}, {98, "JPEG 4:2:2 compressed Exif file"}, {99, "Microsoft Fax format"},
      {100, "for ISIS only! use the data as is, from the ISIS Scanner"}, {101, "JPEG 4:1:1 compressed Exif file"},
      {119, "FILE_ANI"}, {134, "FILE_FLC"}};
  auto it = names.find(format);
  return it == names.end() ? "NOT SUPPORTED" : it->second;
}

int JpegQualityFromQFactor(int qfactor) {
  if (qfactor < 1 || qfactor > 255) return kInvalidQFactor;
  return std::max(5, 97 - qfactor);
}

// ---- Callbacks and options ------------------------------------------------------------------
// Per thread: a worker decoding beside the main thread never calls its callbacks.
static thread_local StatusCallback g_status;
static thread_local LoadInfoCallback g_loadInfo;
static thread_local DocumentOptions g_docOptions;

StatusCallback SetStatusCallback(StatusCallback cb) {
  StatusCallback prev = g_status;
  g_status = cb;
  return prev;
}
StatusCallback GetStatusCallback() { return g_status; }
LoadInfoCallback SetLoadInfoCallback(LoadInfoCallback cb) {
  LoadInfoCallback prev = g_loadInfo;
  g_loadInfo = cb;
  return prev;
}
DocumentOptions GetDocumentOptions() { return g_docOptions; }
void SetDocumentOptions(const DocumentOptions& options) { g_docOptions = options; }

namespace detail {

bool Progress(int percent) {
  if (!g_status.fn) return true;
  return g_status.fn(std::clamp(percent, 0, 100), g_status.user) != 0;
}

bool SizeOk(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= limits().maxSide && height <= limits().maxSide &&
         width * height <= limits().maxPixels;
}

PageSink::PageSink(const LoadOptions& options, int bits, const ReadCallback& cb)
    : startPage_(std::max(1, options.page)), bits_(bits), cb_(cb) {}

int PageSink::answer(int a) {
  if (a >= 1) return kOk;
  if (a == kStopped) {
    stopped_ = true;
    return kStopped;
  }
  if (a == 0) return kAborted;
  return a;
}

int PageSink::beginPage(Bitmap& bmp) {
  ++seen_;
  if (seen_ > limits().maxPages) return kInvalidSize;
  cur_ = &bmp;
  skip_ = seen_ < startPage_;
  firstBand_ = true;
  if (!skip_) {
    pixels_ += int64_t(bmp.width) * bmp.height;
    if (pixels_ > limits().maxTotalPixels) return kNoMemory;
  }
  return kOk;
}

int PageSink::rows(int first, int count) {
  if (!cur_ || skip_) return kOk;
  if (!Progress(cur_->height ? int(int64_t(first + count) * 100 / cur_->height) : 100)) return kAborted;
  bool convert = bits_ != 0 && bits_ != cur_->bits;
  if (convert || !cb_) return kOk;
  unsigned flags = firstBand_ ? (kBandPageStart | kBandFirst) : 0;
  firstBand_ = false;
  return answer(cb_(*cur_, flags, first, count));
}

int PageSink::endPage() {
  if (!cur_) return kOk;
  Bitmap* page = cur_;
  cur_ = nullptr;
  if (skip_) return kOk;
  ++delivered_;
  if (!cb_) return kOk;
  if (bits_ != 0 && bits_ != page->bits) {
    Bitmap conv;
    int st = ConvertBitmap(*page, conv, bits_);
    if (st != kOk) return st;
    int a = answer(cb_(conv, kBandPageStart | kBandFirst, 0, conv.height));
    if (a != kOk) return a;
    return answer(cb_(conv, kBandPageEnd | kBandLast, conv.height, 0));
  }
  if (firstBand_) {
    int a = answer(cb_(*page, kBandPageStart | kBandFirst, 0, 0));
    if (a != kOk) return a;
  }
  return answer(cb_(*page, kBandPageEnd | kBandLast, page->height, 0));
}

int PageSink::finish(int status) const {
  if (status == kOk && delivered_ == 0) return seen_ > 0 ? kPageNotFound : kInvalidFormat;
  return status;
}

// ---- Quantizer ------------------------------------------------------------------------------
int QuantizeTo8(const Bitmap& src, Bitmap& dst) {
  if (!src.allocated()) return kInvalidBitmap;
  if (src.bits <= 8) return ConvertBitmap(src, dst, 8);
  // Exact palette when the picture has at most 256 colours.
  std::unordered_map<uint32_t, int> colours;
  std::vector<uint32_t> pal;
  bool exact = true;
  for (int y = 0; y < src.height && exact; ++y)
    for (int x = 0; x < src.width; ++x) {
      uint32_t c = GetPixel(src, x, y);
      if (colours.emplace(c, int(pal.size())).second) {
        pal.push_back(c);
        if (pal.size() > 256) {
          exact = false;
          break;
        }
      }
    }
  Bitmap out;
  if (exact) {
    int st = CreateBitmap(out, src.width, src.height, 8, &pal);
    if (st != kOk) return st;
    for (int y = 0; y < src.height; ++y)
      for (int x = 0; x < src.width; ++x) out.scanLine(y)[x] = uint8_t(colours[GetPixel(src, x, y)]);
  } else {
    // 6 x 7 x 6 colour cube with ordered dithering.
    pal.clear();
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 7; ++g)
        for (int b = 0; b < 6; ++b) pal.push_back(uint32_t(r * 51) << 16 | uint32_t(g * 255 / 6) << 8 | uint32_t(b * 51));
    int st = CreateBitmap(out, src.width, src.height, 8, &pal);
    if (st != kOk) return st;
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    for (int y = 0; y < src.height; ++y)
      for (int x = 0; x < src.width; ++x) {
        uint32_t c = GetPixel(src, x, y);
        int d = bayer[y & 3][x & 3];
        auto q = [&](int v, int levels) {
          int step = 255 * 16 / (levels - 1);
          int n = (v * 16 + d * step / 16) / step;
          return std::min(n, levels - 1);
        };
        int r = q(int((c >> 16) & 255), 6), g = q(int((c >> 8) & 255), 7), b = q(int(c & 255), 6);
        out.scanLine(y)[x] = uint8_t(r * 42 + g * 6 + b);
      }
  }
  out.xResolution = src.xResolution;
  out.yResolution = src.yResolution;
  out.frameLeft = src.frameLeft;
  out.frameTop = src.frameTop;
  out.delay = src.delay;
  out.disposal = src.disposal;
  dst = std::move(out);
  return kOk;
}

}  // namespace detail

using namespace detail;

// ---- Reading files --------------------------------------------------------------------------
static int ReadWholeFile(const std::string& path, std::vector<uint8_t>& out) {
  if (path.empty()) return kInvalidFilename;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR ? kFileNotFound : kOpenError;
  if (S_ISDIR(st.st_mode)) return kOpenError;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kOpenError;
  out.clear();
  try {
    if (st.st_size > 0) out.reserve(size_t(st.st_size));
    uint8_t buf[65536];
    for (;;) {
      ssize_t n = ::read(fd, buf, sizeof buf);
      if (n < 0) {
        if (errno == EINTR) continue;
        ::close(fd);
        return kReadError;
      }
      if (n == 0) break;
      out.insert(out.end(), buf, buf + n);
    }
  } catch (const std::bad_alloc&) {
    ::close(fd);
    return kNoMemory;
  }
  ::close(fd);
  return kOk;
}

int GetFileInfoMemory(const uint8_t* data, size_t size, FileInfo& info, const LoadOptions&) {
  info = FileInfo();
  info.fileSize = int64_t(size);
  if (!data || size == 0) return kInvalidFormat;
  int st;
  if (IsJpeg(data, size)) st = JpegInfo(data, size, info);
  else if (IsPng(data, size)) st = PngInfo(data, size, info);
  else if (IsGif(data, size)) st = GifInfo(data, size, info);
  else if (IsTiff(data, size)) st = TiffInfo(data, size, info);
  else if (IsBmp(data, size)) st = BmpInfo(data, size, info);
  else return kInvalidFormat;
  info.fileSize = int64_t(size);
  if (st == kOk && info.globalWidth == 0) {
    info.globalWidth = info.width;
    info.globalHeight = info.height;
  }
  return st;
}

int GetFileInfo(const std::string& path, FileInfo& info, const LoadOptions& options) {
  std::vector<uint8_t> data;
  int st = ReadWholeFile(path, data);
  if (st != kOk) {
    info = FileInfo();
    return st;
  }
  return GetFileInfoMemory(data.data(), data.size(), info, options);
}

int64_t FirstPagePixels(const FileInfo& info, const LoadOptions& options) {
  const int64_t w = std::max(info.width, 0), h = std::max(info.height, 0);
  const bool jpeg = info.format == kFormatJfif || info.format == kFormatJpeg411 || info.format == kFormatJpeg411b ||
                    info.format == kFormatJpeg422 || info.format == kFormatJpeg422b;
  if (!jpeg || info.compression == 2) return w * h;
  const int d = JpegScaleDenominator(w, h, options);
  return ((w + d - 1) / d) * ((h + d - 1) / d);
}

int LoadMemory(const uint8_t* data, size_t size, const LoadOptions& options, int bits, const ReadCallback& cb) {
  if (bits != 0 && !IsValidBits(bits)) return kInvalidBits;
  if (!data || size == 0) return kInvalidFormat;
  PageSink sink(options, bits, cb);
  int st;
  if (IsJpeg(data, size)) st = JpegDecode(data, size, options, sink);
  else if (IsPng(data, size)) st = PngDecode(data, size, sink);
  else if (IsGif(data, size)) st = GifDecode(data, size, sink);
  else if (IsTiff(data, size)) st = TiffDecode(data, size, sink);
  else if (IsBmp(data, size)) st = BmpDecode(data, size, sink);
  else return kInvalidFormat;
  if (st == kStopped) return kStopped;
  return sink.finish(st);
}

int LoadFile(const std::string& path, const LoadOptions& options, int bits, const ReadCallback& cb) {
  std::vector<uint8_t> data;
  int st = ReadWholeFile(path, data);
  if (st != kOk) return st;
  return LoadMemory(data.data(), data.size(), options, bits, cb);
}

static void FillListFacts(BitmapList& list, const FileInfo& info) {
  list.globalWidth = info.globalWidth ? info.globalWidth : info.width;
  list.globalHeight = info.globalHeight ? info.globalHeight : info.height;
  list.globalBits = info.bits;
  list.background = info.background;
  list.globalPalette = info.globalPalette;
  list.loopCount = info.loopCount;
}

int LoadMemoryToList(const uint8_t* data, size_t size, const LoadOptions& options, int bits, BitmapList& list,
                     int maxPages) {
  list = BitmapList();
  FileInfo info;
  int st = GetFileInfoMemory(data, size, info, options);
  if (st != kOk) return st;
  FillListFacts(list, info);
  unsigned limit = unsigned(maxPages);
  st = LoadMemory(data, size, options, bits, [&](Bitmap& bmp, unsigned flags, int, int) {
    if ((flags & kBandPageEnd) != 0) {
      list.items.push_back(bmp);
      if (list.items.size() >= limit) return kStopped;
    }
    return kOk;
  });
  return st == kStopped ? kOk : st;
}

int LoadFileToList(const std::string& path, const LoadOptions& options, int bits, BitmapList& list, int maxPages) {
  std::vector<uint8_t> data;
  int st = ReadWholeFile(path, data);
  if (st != kOk) {
    list = BitmapList();
    return st;
  }
  return LoadMemoryToList(data.data(), data.size(), options, bits, list, maxPages);
}

// ---- Feed load ------------------------------------------------------------------------------
FeedLoader::FeedLoader(const LoadOptions& options, int bits, ReadCallback cb)
    : options_(options), bits_(bits), cb_(std::move(cb)) {}

int FeedLoader::feed(const uint8_t* data, size_t size) {
  if (!data && size) return kInvalidParam;
  try {
    data_.insert(data_.end(), data, data + size);
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
  return kOk;
}

int FeedLoader::stop() {
  int st = LoadMemory(data_.data(), data_.size(), options_, bits_, cb_);
  data_.clear();
  data_.shrink_to_fit();
  if (st == kStopped) return kOk;
  // Data that ends early (or breaks off) counts as a read error, so the pages completed so far
  // can be kept.
  if (st != kOk && st != kAborted && st != kInvalidBits && st != kInvalidSize) return kReadError;
  return st;
}

// ---- Saving ---------------------------------------------------------------------------------
// Writes bytes over path in whole (AtomicFile.h): a read-only picture stays as it is, a
// replaced one keeps its permissions. New files are thumbnails and copies that can be made again,
// written by every core at once: they are linked in without a flush of their own.
static int WriteReplacing(const std::string& path, const std::vector<uint8_t>& bytes) {
  if (path.empty() || path.back() == '/') return kInvalidFilename;
  atomicfile::File file(path, atomicfile::kNoSyncOfNewFile);
  if (!file.Open()) {
    const atomicfile::Failure why = file.failure();
    return why == atomicfile::Failure::NotAFile || why == atomicfile::Failure::NoFolder ? kInvalidFilename
                                                                                        : kOpenError;
  }
  return file.Write(bytes.data(), bytes.size()) && file.Commit() ? kOk : kWriteError;
}

static bool IsJpegFormat(int f) { return f == 10 || f == 21 || f == 22 || f == 23 || f == 24; }
static bool IsBmpFormat(int f) { return f == 6 || f == 14 || f == 84; }
static bool IsTiffFormat(int f) { return f == 3 || f == 17; }

// Brings a bitmap into the shape a writer takes: view perspective 0, the depth to write.
static int Prepare(const Bitmap& bmp, int format, int bits, Bitmap& out) {
  if (!bmp.allocated()) return kInvalidBitmap;
  if (bits == 0) bits = bmp.bits;
  if (IsJpegFormat(format)) {
    if (bits != 8 && bits != 24) return kInvalidBits;
  } else if (format == 84) {
    if (bits != 4 && bits != 8) return kInvalidBits;
  } else if (format == 14) {
    if (bits == 32) return kInvalidBits;
  } else if (format == kFormatGif) {
    if (bits == 32) return kInvalidBits;
  } else if (format == kFormatMac) {
    bits = bmp.bits;  // MacPaint is always 1 bit; the writer thresholds
  }
  if (!IsValidBits(bits)) return kInvalidBits;
  Bitmap work = bmp;
  if (work.viewPerspective != 0 && work.viewPerspective != 1) {
    int st = CopyBitmap(bmp, work);
    if (st != kOk) return st;
    st = NormalizeViewPerspective(work);
    if (st != kOk) return st;
  }
  if (format == kFormatGif && bits == 24) {
    return QuantizeTo8(work, out);
  }
  if (work.bits != bits) {
    int st = ConvertBitmap(work, out, bits);
    if (st != kOk) return st;
    // A grey 8-bit JPEG source needs a grey palette, which ConvertBitmap gives.
    return kOk;
  }
  out = work;
  return kOk;
}

// MacPaint: a 512-byte header, then 720 rows of 576 pixels (1 = black), each PackBits-packed.
// A picture of another size is placed top-left on white.
static int MacEncode(std::vector<uint8_t>& out, const Bitmap& bmp) {
  out.assign(512, 0);
  uint8_t row[72];
  for (int y = 0; y < 720; ++y) {
    for (int i = 0; i < 72; ++i) {
      uint8_t v = 0;
      for (int b = 0; b < 8; ++b) {
        int x = i * 8 + b;
        bool black = false;
        if (x < bmp.width && y < bmp.height) {
          uint32_t c = GetPixel(bmp, x, y);
          black = (((c >> 16) & 255) * 77 + ((c >> 8) & 255) * 150 + (c & 255) * 29) >> 8 < 128;
        }
        if (black) v |= uint8_t(0x80 >> b);
      }
      row[i] = v;
    }
    // PackBits: runs of 2..128 equal bytes, literals of 1..128 bytes.
    int i = 0;
    while (i < 72) {
      int run = 1;
      while (i + run < 72 && run < 128 && row[i + run] == row[i]) ++run;
      if (run >= 2) {
        out.push_back(uint8_t(257 - run));
        out.push_back(row[i]);
        i += run;
        continue;
      }
      int lit = 1;
      while (i + lit < 72 && lit < 128 && !(i + lit + 1 < 72 && row[i + lit] == row[i + lit + 1])) ++lit;
      out.push_back(uint8_t(lit - 1));
      out.insert(out.end(), row + i, row + i + lit);
      i += lit;
    }
    if ((y & 63) == 63 && !Progress(y * 100 / 720)) return kAborted;
  }
  return kOk;
}

int SaveBitmapMemory(std::vector<uint8_t>& out, const Bitmap& bmp, int format, int bits, int qfactor,
                     const SaveOptions& options) {
  out.clear();
  if (!bmp.allocated()) return kInvalidBitmap;
  if (!IsJpegFormat(format) && !IsBmpFormat(format) && !IsTiffFormat(format) && format != kFormatPng &&
      format != kFormatGif && format != kFormatMac)
    return kNotSupported;
  if (IsJpegFormat(format) && JpegQualityFromQFactor(qfactor) < 0) return kInvalidQFactor;
  Bitmap work;
  int st = Prepare(bmp, format, bits, work);
  if (st != kOk) return st;
  if (!Progress(0)) return kAborted;
  if (IsJpegFormat(format)) st = JpegEncode(out, work, format, qfactor);
  else if (IsBmpFormat(format)) st = BmpEncode(out, work, format);
  else if (format == kFormatPng) st = PngEncode(out, work);
  else if (IsTiffFormat(format)) st = TiffEncode(out, {&work}, format);
  else if (format == kFormatMac) st = MacEncode(out, work);
  else st = GifEncode(out, {&work}, options, false);
  if (st == kOk && !Progress(100)) st = kAborted;
  if (st != kOk) out.clear();
  return st;
}

int SaveBitmap(const std::string& path, const Bitmap& bmp, int format, int bits, int qfactor,
               const SaveOptions& options) {
  if (path.empty()) return kInvalidFilename;
  std::vector<uint8_t> bytes;
  int st = SaveBitmapMemory(bytes, bmp, format, bits, qfactor, options);
  if (st != kOk) return st;
  return WriteReplacing(path, bytes);
}

int SaveBitmapList(const std::string& path, const BitmapList& list, int format, int bits, int qfactor,
                   const SaveOptions& options) {
  if (path.empty()) return kInvalidFilename;
  if (list.items.empty()) return kNotEnoughImages;
  if (format != kFormatGif && !IsTiffFormat(format))
    return SaveBitmap(path, list.items.front(), format, bits, qfactor, options);
  std::vector<Bitmap> prepared(list.items.size());
  std::vector<const Bitmap*> ptrs;
  for (size_t i = 0; i < list.items.size(); ++i) {
    int st = Prepare(list.items[i], format, bits, prepared[i]);
    if (st != kOk) return st;
    ptrs.push_back(&prepared[i]);
    if (!Progress(int(i * 50 / list.items.size()))) return kAborted;
  }
  std::vector<uint8_t> bytes;
  int st;
  if (format == kFormatGif) {
    SaveOptions o = options;
    if (o.globalWidth <= 0 || o.globalHeight <= 0) {
      o.globalWidth = std::max(o.globalWidth, list.globalWidth);
      o.globalHeight = std::max(o.globalHeight, list.globalHeight);
    }
    st = GifEncode(bytes, ptrs, o, true);
  } else {
    st = TiffEncode(bytes, ptrs, format);
  }
  if (st != kOk) return st;
  if (!Progress(100)) return kAborted;
  return WriteReplacing(path, bytes);
}

int SaveWithRows(const std::string& path, const Bitmap& shape, int format, int bits, int qfactor, unsigned,
                 const RowSource& source, const SaveOptions& options) {
  if (path.empty()) return kInvalidFilename;
  if (!shape.allocated()) return kInvalidBitmap;
  if (!source) return kInvalidParam;
  Bitmap rows;
  int st = CreateBitmap(rows, shape.width, shape.height, shape.bits, &shape.palette);
  if (st != kOk) return st;
  rows.viewPerspective = shape.viewPerspective;
  rows.xResolution = shape.xResolution;
  rows.yResolution = shape.yResolution;
  rows.flags = shape.flags;
  rows.transparentIndex = shape.transparentIndex;
  const int band = 16;
  int rb = rows.rowBytes();
  std::vector<uint8_t> buf(size_t(rb) * band);
  for (int y = 0; y < rows.height; y += band) {
    int n = std::min(band, rows.height - y);
    if (source(buf.data(), y, n) == 0) return kAborted;
    for (int i = 0; i < n; ++i) std::memcpy(rows.scanLine(y + i), buf.data() + size_t(i) * size_t(rb), size_t(rb));
  }
  return SaveBitmap(path, rows, format, bits, qfactor, options);
}

}  // namespace px
