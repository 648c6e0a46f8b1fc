#pragma once
// px files: file information, loading (whole files, memory, incremental feed), saving, the
// status callback and the JPEG quality map.
//
// Formats read: JPEG (libjpeg-turbo), BMP (Windows and OS/2 headers, 1/4/8/24/32 bits, RLE4,
// RLE8, bit fields), GIF with all frames (giflib), PNG (libpng), TIFF with all pages (libtiff).
// The format is recognised from the data, never from the file name. Anything else gives
// kInvalidFormat; broken data gives a status (kReadError, kInvalidFormat, kInvalidSize, ...).
//
// Format numbers (the imaging library's numbering, see FormatName):
//   2 GIF, 3 TIFF (no compression on save), 6 Windows BMP, 10 JPEG File Interchange Format,
//   14 OS/2 BMP, 17 TIFF with LZW, 21/22 JPEG 4:1:1, 23/24 JPEG 4:2:2 (10 is written 4:2:0),
//   51 MacPaint (written only: 576 x 720, 1 bit), 75 PNG, 84 compressed (RLE) Windows BMP.
//   A JPEG file reports 23 when its colour is sampled 2x1 (4:2:2), 21 when 4x1 (4:1:1), else 10.
//
// Thumbnails: LoadOptions::sizeHintWidth/Height ask the JPEG decoder for libjpeg-turbo's
// reduced-size decoding (1/2, 1/4 or 1/8): the largest reduction whose result is still at least
// the hinted width and height is used. Without a hint (0, the default) every load decodes the
// full picture; other formats ignore the hint. The caller resizes to the exact size afterwards.
//
// Saving never writes over the target directly: the file is written under a temporary name in
// the same folder and renamed over the target only when complete, so a failed or aborted save
// leaves an existing picture untouched and no partial file behind. A replaced file keeps its
// permissions (and owner, where allowed); a read-only file (no write permission bit, or not
// writable for the caller) is not replaced: kOpenError.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "PxBitmap.h"

namespace px {

// ---- Format numbers -------------------------------------------------------------------------
constexpr int kFormatGif = 2;
constexpr int kFormatTiff = 3;
constexpr int kFormatBmp = 6;
constexpr int kFormatJfif = 10;
constexpr int kFormatOs2Bmp = 14;
constexpr int kFormatTiffLzw = 17;
constexpr int kFormatJpeg411 = 21;
constexpr int kFormatJpeg411b = 22;
constexpr int kFormatJpeg422 = 23;
constexpr int kFormatJpeg422b = 24;
constexpr int kFormatMac = 51;
constexpr int kFormatAvi = 59;
constexpr int kFormatFli = 61;
constexpr int kFormatPng = 75;
constexpr int kFormatBmpRle = 84;
constexpr int kFormatAni = 119;
constexpr int kFormatFlc = 134;

// The display name of a format number; "NOT SUPPORTED" for numbers outside the table.
const char* FormatName(int format);

// Quality factor to libjpeg quality: QFactor 1..255, smaller is better; quality =
// max(5, 97 - QFactor), so 2 gives 95 (working copies, thumbnails), 3 gives 94, 4 gives 93 and
// 22 gives 75. Values outside 1..255 are refused with kInvalidQFactor.
int JpegQualityFromQFactor(int qfactor);

// ---- Status callback ------------------------------------------------------------------------
// Called during loads and saves with a percentage; answering 0 stops the operation, which then
// returns kAborted. One callback for the whole process, as the library has no per-call user data
// beyond `user`.
using StatusCallbackFn = int (*)(int percent, intptr_t user);
struct StatusCallback {
  StatusCallbackFn fn = nullptr;
  intptr_t user = 0;
};
// Installs a callback and returns the one installed before.
StatusCallback SetStatusCallback(StatusCallback cb);
StatusCallback GetStatusCallback();

// Load-information callback, asked for facts about raw files that carry none. No format read
// by this library needs it; it is kept so callers can install and restore it.
using LoadInfoCallbackFn = int (*)(intptr_t user);
struct LoadInfoCallback {
  LoadInfoCallbackFn fn = nullptr;
  intptr_t user = 0;
};
LoadInfoCallback SetLoadInfoCallback(LoadInfoCallback cb);

// Document and vector options (for formats that are rasterised; none of ours is). Kept so the
// component can save, set and restore them around a load.
struct DocumentOptions {
  int pdfSize = 28;
  int pdfUseLibFonts = -1;
  int pdfXResolution = 96;
  int pdfYResolution = 96;
  int pdfDisplayDepth = 24;
  int pdfTextAlpha = 4;
  int pdfGraphicsAlpha = 1;
  int vectorViewMode = 1;
  int vectorViewportWidth = 640;
  int vectorViewportHeight = 480;
  int metafileResolution = 0;
};
DocumentOptions GetDocumentOptions();
void SetDocumentOptions(const DocumentOptions& options);

// ---- File information -----------------------------------------------------------------------
// File-information flags.
constexpr uint32_t kInfoHasBackground = 8;   // `background` is set
constexpr uint32_t kInfoHasPalette = 16;     // `globalPalette` is set
constexpr uint32_t kInfoHasLoop = 32;        // the GIF carries a loop count
constexpr uint32_t kInfoTransparency = 128;  // alpha channel or transparent colour

struct FileInfo {
  int format = 0;
  int width = 0;     // first page (for GIF: the screen)
  int height = 0;
  int bits = 0;      // bits per pixel of the first page as it will be loaded
  int xResolution = 0;
  int yResolution = 0;
  std::string text;  // the file's comment or description, may be empty
  int pageCount = 0;
  int compression = 0;  // format-specific compression number
  uint32_t flags = 0;
  int globalWidth = 0;
  int globalHeight = 0;
  uint32_t background = 0;  // $00RRGGBB
  std::vector<uint32_t> globalPalette;
  int loopCount = -1;
  int64_t fileSize = 0;
};

struct LoadOptions {
  int page = 0;        // first page to load; 0 and 1 both mean the first
  int passes = 0;      // paint passes while loading (kept for the component)
  uint32_t flags = 0;
  int sizeHintWidth = 0;   // reduced-size JPEG decoding, see the top of this file
  int sizeHintHeight = 0;
  int infoRequestA = -1;   // extra file-information requests (no meaning in this library)
  int infoRequestB = 0;
};

// Fills info for a file or a memory block. Reads all frames of a GIF and all directories of a
// TIFF to count them.
int GetFileInfo(const std::string& path, FileInfo& info, const LoadOptions& options = {});
int GetFileInfoMemory(const uint8_t* data, size_t size, FileInfo& info, const LoadOptions& options = {});

// Pixels a load of the file's first page with these options decodes into memory: the first
// page's, or its reduced size for a JPEG decoded at a size hint. A progressive JPEG counts whole,
// as the decoder keeps all of its coefficients whatever the reduction.
int64_t FirstPagePixels(const FileInfo& info, const LoadOptions& options);

// ---- Loading --------------------------------------------------------------------------------
// Band flags handed to the read callback.
constexpr unsigned kBandPageStart = 1;   // the page's bitmap starts (with kBandFirst)
constexpr unsigned kBandPageEnd = 2;     // the page's last rows (with kBandLast)
constexpr unsigned kBandFirst = 4;       // first band of a page
constexpr unsigned kBandLast = 8;        // last band of a page
constexpr unsigned kBandBottomUp = 16;   // never set: bands always run top-down

// Called per band of decoded rows: `bmp` is the page being filled (its record may be copied and
// kept; the pixel memory is shared), rows firstRow .. firstRow + rowCount - 1 are final.
// Answer 1 (or more) to go on; kStopped to end the load successfully (enough pages); 0 to abort
// (the load returns kAborted); another negative value ends the load with that status.
using ReadCallback = std::function<int(Bitmap& bmp, unsigned flags, int firstRow, int rowCount)>;

// Decodes all pages from options.page on, calling cb per band. `bits` 0 keeps each page's own
// depth, else the pages are converted (then a page comes as one band once it is complete).
// Pages past Limits::maxTotalPixels (counted over the pages handed over) end it with kNoMemory;
// a caller that wants fewer pages answers kStopped after its last one.
int LoadFile(const std::string& path, const LoadOptions& options, int bits, const ReadCallback& cb);
int LoadMemory(const uint8_t* data, size_t size, const LoadOptions& options, int bits, const ReadCallback& cb);

// Convenience: load up to maxPages pages (negative: all) into a list with the file's facts.
int LoadFileToList(const std::string& path, const LoadOptions& options, int bits, BitmapList& list, int maxPages = -1);
int LoadMemoryToList(const uint8_t* data, size_t size, const LoadOptions& options, int bits, BitmapList& list,
                     int maxPages = -1);

// Incremental load: bytes arrive in pieces through feed(); decoding runs when stop() is called,
// so the callbacks fire from stop(). stop() returns kOk, or kReadError when the data ended early
// (the pages completed until then were handed over).
class FeedLoader {
 public:
  FeedLoader(const LoadOptions& options, int bits, ReadCallback cb);
  // Returns kOk; kNoMemory when the bytes cannot be kept.
  int feed(const uint8_t* data, size_t size);
  int stop();
  size_t received() const { return data_.size(); }

 private:
  LoadOptions options_;
  int bits_;
  ReadCallback cb_;
  std::vector<uint8_t> data_;
};

// ---- Saving ---------------------------------------------------------------------------------
// Save option flags.
constexpr uint32_t kSaveAppendPage = 0x400;   // add a page to an existing file (TIFF)
constexpr uint32_t kSaveInsertPage = 0x800;
struct SaveOptions {
  int page = 1;
  int passes = 0;
  uint32_t flags = 0x10;
  int globalWidth = 0;   // list saves: animation screen (0: the largest frame extent)
  int globalHeight = 0;
  std::vector<uint32_t> globalPalette;  // list saves, with flag 8
  uint32_t background = 0;              // list saves, with flag 4
  int loopCount = -1;                   // list saves, with flag $20: written when >= 0
};

// Writes one bitmap. bits: the depth to write (0: the bitmap's own; JPEG takes 8 (grey) or 24,
// BMP 1/4/8/24/32, RLE BMP 4/8, OS/2 BMP 1/4/8/24, PNG and TIFF 1/4/8/24/32, GIF 1/4/8 and 24
// (reduced to a palette)). The picture is written as shown (view perspective applied).
int SaveBitmap(const std::string& path, const Bitmap& bmp, int format, int bits, int qfactor,
               const SaveOptions& options = {});
// The same into memory.
int SaveBitmapMemory(std::vector<uint8_t>& out, const Bitmap& bmp, int format, int bits, int qfactor,
                     const SaveOptions& options = {});
// Writes every item of a list: GIF (format 2) as an animation with each frame's position,
// delay and disposal; TIFF (3, 17) as pages; other formats write the first item.
int SaveBitmapList(const std::string& path, const BitmapList& list, int format, int bits, int qfactor,
                   const SaveOptions& options = {});

// Row-source save: the library asks for rows (buffer holds rowCount rows of `shape`'s rowBytes(),
// stored top-down from firstRow). The source answers 1 to go on, 0 to stop (the save returns
// kAborted and writes nothing). `shape` gives size, depth, palette and view perspective.
using RowSource = std::function<int(uint8_t* buffer, int firstRow, int rowCount)>;
int SaveWithRows(const std::string& path, const Bitmap& shape, int format, int bits, int qfactor,
                 unsigned flagsWord, const RowSource& source, const SaveOptions& options = {});

}  // namespace px
