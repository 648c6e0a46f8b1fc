#pragma once
// px: Kalvora's own imaging library. This header holds the status codes, the bitmap record,
// bitmap lists and the pixel helpers; files are in PxFile.h.
//
// Conventions of the whole library:
// - Every operation returns a status: 1 (kOk) is success, 0 "not successful", negative values
//   are errors (the codes below). The texts of the codes live in imaging/PicErrCode.h.
// - Rows are stored top-down (row 0 is the top row) with a stride of the row bytes rounded up to
//   4 bytes, as Windows DIBs do, so a BMP row can be copied as is.
// - Pixel layouts: 1, 4 and 8 bits are palette indexes, packed most significant bits first;
//   24 bits are 3 bytes blue, green, red; 32 bits are 4 bytes blue, green, red, alpha (so a
//   little-endian uint32 reads $AARRGGBB). Palette entries and colours handed to the helpers
//   are $00RRGGBB.
// - A Bitmap is a small record; copying the record shares the pixel memory (like copying a
//   handle). CopyBitmap makes an independent copy. Everything runs on one thread.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace px {

// ---- Status codes -------------------------------------------------------------------------
constexpr int kOk = 1;                   // success
constexpr int kFail = 0;                 // "Function not successful"
constexpr int kNoMemory = -1;            // "Not enough memory available"
constexpr int kInvalidBitmap = -2;       // "Invalid bitmap handle"
constexpr int kSeekError = -4;           // "Error seeking to position"
constexpr int kWriteError = -5;          // "Error writing file"
constexpr int kReadError = -7;           // "Error reading file" (also: data ends early)
constexpr int kInvalidFilename = -8;     // "Invalid filename specified"
constexpr int kInvalidFormat = -9;       // "Invalid file format"
constexpr int kFileNotFound = -10;       // "File not found"
constexpr int kInvalidSize = -11;        // "Invalid width/height" (also: over the size cap)
constexpr int kSubtypeUnsupported = -12; // "Image format recognized, but sub-type not supported"
constexpr int kInvalidParam = -13;       // "Invalid parmameter passed"
constexpr int kOpenError = -14;          // "Not able to open file"
constexpr int kUnknownCompression = -15; // "Unknown compression format"
constexpr int kNotSupported = -16;       // "Feature not supported"
constexpr int kInvalidQFactor = -21;     // "Invalid QFactor specified"
constexpr int kInvalidCompression = -23; // "Invalid compression format"
constexpr int kInvalidBits = -27;        // "Invalid bits/pixel"
constexpr int kStopped = -29;            // a read callback's "enough pages" answer (not an error)
constexpr int kNotEnoughImages = -92;    // "Not enough images"
constexpr int kAborted = -100;           // "User has aborted operation"
constexpr int kPageNotFound = -310;      // "Page not found"

// ---- Limits ---------------------------------------------------------------------------------
// Every decoder refuses pictures over these before allocating (status kInvalidSize).
// The fuzz targets lower them.
struct Limits {
  int64_t maxPixels = 200LL * 1000 * 1000;  // width x height of one page
  int maxSide = 65535;                       // width or height
  int maxPages = 10000;                      // pages or frames of one file
  // Pixels of all the pages one load hands over together: a small file of many large frames
  // must not take gigabytes. Past it the load ends with kNoMemory.
  int64_t maxTotalPixels = 400LL * 1000 * 1000;
};
Limits& limits();

// Dots per inch to dots per metre, rounded, in 64 bits and capped to what the file fields hold
// (a resolution read from a hostile header must not overflow on the way out again).
inline uint32_t DpiToDotsPerMeter(int dpi) {
  if (dpi <= 0) return 0;
  const int64_t ppm = (int64_t(dpi) * 10000 + 127) / 254;
  return ppm > int64_t(INT32_MAX) ? uint32_t(INT32_MAX) : uint32_t(ppm);
}

// ---- Bitmap record --------------------------------------------------------------------------
// Bitmap flags.
constexpr uint32_t kFlagAllocated = 1;       // holds a picture
constexpr uint32_t kFlagTransparency = 128;  // transparentIndex / alpha is meaningful

// View perspectives: how the stored pixels are shown. 0 and 1 show them as stored; the others:
//   2 mirrored left-right, 3 turned 180 degrees, 6 mirrored top-bottom,
//   4 transposed (stored row y becomes shown column y), 5 turned 90 degrees clockwise,
//   7 transverse (turned 90 degrees clockwise and mirrored), 8 turned 90 degrees anticlockwise.
// For 4, 5, 7 and 8 the shown width is the stored height and the shown height the stored width.
bool IsTurnedPerspective(int viewPerspective);

struct Bitmap {
  int width = 0;    // stored width in pixels
  int height = 0;   // stored height in pixels
  int bits = 0;     // 1, 4, 8, 24 or 32
  int stride = 0;   // bytes per stored row (multiple of 4)
  uint32_t flags = 0;
  int viewPerspective = 0;
  int xResolution = 0;  // dots per inch, 0 when unknown
  int yResolution = 0;
  std::vector<uint32_t> palette;  // $00RRGGBB, for 1, 4 and 8 bits (2, 16, 256 entries or fewer)
  int transparentIndex = -1;      // palette index shown transparent, -1 none
  // Frame facts of an animation frame (GIF): position on the screen, delay in 1/100 s,
  // disposal method as in GIF.
  int frameLeft = 0;
  int frameTop = 0;
  int delay = 0;
  int disposal = 0;
  // Paint adjustments (kept with the bitmap, read by the painters).
  int paintContrast = 0;
  int paintIntensity = 0;
  int paintGamma = 100;
  std::shared_ptr<uint8_t[]> pixels;  // stride * height bytes

  bool allocated() const { return (flags & kFlagAllocated) != 0 && pixels != nullptr; }
  int viewWidth() const { return IsTurnedPerspective(viewPerspective) ? height : width; }
  int viewHeight() const { return IsTurnedPerspective(viewPerspective) ? width : height; }
  uint8_t* scanLine(int y) { return pixels.get() + size_t(y) * size_t(stride); }
  const uint8_t* scanLine(int y) const { return pixels.get() + size_t(y) * size_t(stride); }
  // Bytes of pixel data in one row (without the padding).
  int rowBytes() const;
};

// Bytes of pixel data in a row of `width` pixels at `bits`; the stride is this rounded up to 4.
int64_t RowBytes(int width, int bits);
int64_t StrideFor(int width, int bits);
bool IsValidBits(int bits);

// Makes the record empty (no pixels, all facts zero).
void InitBitmap(Bitmap& bmp);
// Allocates a zero-filled picture. For 1, 4 and 8 bits a grey palette is set when none is given.
// Fails with kInvalidBits, kInvalidSize (zero, negative or over the limits) or kNoMemory.
int CreateBitmap(Bitmap& bmp, int width, int height, int bits, const std::vector<uint32_t>* palette = nullptr);
// Independent copy (own pixel memory) of src.
int CopyBitmap(const Bitmap& src, Bitmap& dst);
// Makes bmp's pixel memory its own if it is shared with another record.
int DetachBitmap(Bitmap& bmp);
// Converts to another depth (1, 4, 8, 24, 32); 24/32 to 8 and below give grey (1 bit: threshold
// at 128, 4 bits: 16 grey levels); palette pictures to a smaller palette depth keep the palette
// when all indexes fit, else go through grey.
int ConvertBitmap(const Bitmap& src, Bitmap& dst, int bits);
// A grey palette of `count` entries (black to white).
std::vector<uint32_t> GreyPalette(int count);

// Pixel access in stored coordinates, colours as $00RRGGBB (palette looked up); out of range
// reads give 0 and writes do nothing. Setting a palette picture picks the nearest entry.
uint32_t GetPixel(const Bitmap& bmp, int x, int y);
void SetPixel(Bitmap& bmp, int x, int y, uint32_t rgb);
// Palette index (or raw value) at a stored position, for 1, 4 and 8 bits.
int GetIndex(const Bitmap& bmp, int x, int y);
void SetIndex(Bitmap& bmp, int x, int y, int index);

// Copies up to `count` stored rows starting at `firstRow` into buf (rowBytes() each, no padding);
// returns the bytes written.
int64_t GetRows(const Bitmap& bmp, int firstRow, int count, uint8_t* buf);

// ---- View perspective -----------------------------------------------------------------------
// Converts a point given in shown (view) coordinates to stored coordinates and back.
void ViewToBitmapPoint(const Bitmap& bmp, int& x, int& y);
void BitmapToViewPoint(const Bitmap& bmp, int& x, int& y);
// Converts a rectangle (left, top, right, bottom; right/bottom exclusive) from view to stored
// coordinates; the result is normalised.
void ViewToBitmapRect(const Bitmap& bmp, int& left, int& top, int& right, int& bottom);
// Rewrites the pixels so that the picture shows the same with view perspective 0.
int NormalizeViewPerspective(Bitmap& bmp);

// ---- Resampling -----------------------------------------------------------------------------
// Resizes src to width x height into dst (24 or 32 bits stay, palette pictures become 24 bits
// unless flags asks for nearest-neighbour). flags: 0 nearest neighbour, 1 bilinear, 2 and 4
// area average when shrinking (bilinear when growing). Works in stored orientation and keeps
// the view perspective.
int ResizeBitmap(const Bitmap& src, Bitmap& dst, int width, int height, int flags);

// ---- Bitmap lists ---------------------------------------------------------------------------
// Pages of a multi-page file or frames of an animation, with the facts the whole file shares.
struct BitmapList {
  std::vector<Bitmap> items;
  int globalWidth = 0;   // animation screen size (GIF), else the first page's size
  int globalHeight = 0;
  int globalBits = 0;
  uint32_t background = 0;          // $00RRGGBB
  std::vector<uint32_t> globalPalette;
  int loopCount = -1;               // -1: no loop information; 0: loops for ever; n: n loops

  int count() const { return int(items.size()); }
  // All return kOk or kInvalidParam for a bad index.
  int append(const Bitmap& bmp);
  int insert(int index, const Bitmap& bmp);  // index == count() appends
  int remove(int index);
  int get(int index, Bitmap& out) const;
  int set(int index, const Bitmap& bmp);
};

}  // namespace px
