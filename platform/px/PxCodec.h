#pragma once
// Inside px: what the format readers and writers share. Not for use outside platform/px.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "PxFile.h"

namespace px::detail {

// Receives the pages of a decoder, hands bands to the read callback, reports progress and turns
// the callback's answers into a stop status. Every function returns kOk to go on; anything else
// is the status the decoder must stop with (kStopped: stop, all is well).
class PageSink {
 public:
  PageSink(const LoadOptions& options, int bits, const ReadCallback& cb);
  // A new page starts; bmp stays owned by the decoder until endPage.
  int beginPage(Bitmap& bmp);
  // Rows first .. first + count - 1 of the current page are final.
  int rows(int first, int count);
  int endPage();
  int pagesDelivered() const { return delivered_; }
  int pagesSeen() const { return seen_; }
  // True when the reader may stop: the caller has all pages it wanted.
  bool stopped() const { return stopped_; }
  // Final status of a decode: turns "no page at the start page" into kPageNotFound.
  int finish(int status) const;

 private:
  int answer(int a);
  int startPage_;
  int bits_;
  const ReadCallback& cb_;
  Bitmap* cur_ = nullptr;
  bool skip_ = false;
  bool firstBand_ = true;
  int seen_ = 0;
  int delivered_ = 0;
  int64_t pixels_ = 0;  // of the pages handed over
  bool stopped_ = false;
};

// Calls the process status callback; false means "stop".
bool Progress(int percent);

// Size check of the limits.
bool SizeOk(int64_t width, int64_t height);

// The reduction (1, 2, 4 or 8) a JPEG of width x height is decoded with for the load's size hint.
int JpegScaleDenominator(int64_t width, int64_t height, const LoadOptions& options);

// Readers: recognise the data, decode every page into the sink, or fill the file information.
bool IsBmp(const uint8_t* d, size_t n);
bool IsJpeg(const uint8_t* d, size_t n);
bool IsGif(const uint8_t* d, size_t n);
bool IsPng(const uint8_t* d, size_t n);
bool IsTiff(const uint8_t* d, size_t n);

int BmpInfo(const uint8_t* d, size_t n, FileInfo& info);
int BmpDecode(const uint8_t* d, size_t n, PageSink& sink);
int JpegInfo(const uint8_t* d, size_t n, FileInfo& info);
int JpegDecode(const uint8_t* d, size_t n, const LoadOptions& options, PageSink& sink);
int GifInfo(const uint8_t* d, size_t n, FileInfo& info);
int GifDecode(const uint8_t* d, size_t n, PageSink& sink);
int PngInfo(const uint8_t* d, size_t n, FileInfo& info);
int PngDecode(const uint8_t* d, size_t n, PageSink& sink);
int TiffInfo(const uint8_t* d, size_t n, FileInfo& info);
int TiffDecode(const uint8_t* d, size_t n, PageSink& sink);

// A decoder's read position in a file held in memory, for the libraries that pull their input.
struct MemoryInput {
  const uint8_t* d;
  size_t n;
  size_t pos;
  // Copies up to `len` bytes from the position on; returns how many there were.
  size_t read(void* buf, size_t len) {
    const size_t take = len < n - pos ? len : n - pos;
    if (take) std::memcpy(buf, d + pos, take);
    pos += take;
    return take;
  }
};

// Writers: `bmp` is already in view perspective 0 and at the depth to write.
int BmpEncode(std::vector<uint8_t>& out, const Bitmap& bmp, int format);
int JpegEncode(std::vector<uint8_t>& out, const Bitmap& bmp, int format, int qfactor);
int PngEncode(std::vector<uint8_t>& out, const Bitmap& bmp);
int TiffEncode(std::vector<uint8_t>& out, const std::vector<const Bitmap*>& pages, int format);
int GifEncode(std::vector<uint8_t>& out, const std::vector<const Bitmap*>& frames, const SaveOptions& options,
              bool animation);

// Reduces a 24/32-bit picture to at most 256 colours (exact when it has that few).
int QuantizeTo8(const Bitmap& src, Bitmap& dst);

}  // namespace px::detail
