// px readers and writers: round trips, bad input, abort, reduced-size decoding.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cmath>
#include <cstring>

#include <sys/stat.h>
#include <zlib.h>

#include "AsUser.h"
#include "PxFile.h"
#include "TestSupport.h"

using namespace px;

namespace {

// A picture with a different value in (almost) every pixel.
Bitmap Pattern(int w, int h, int bits) {
  Bitmap b;
  std::vector<uint32_t> pal;
  if (bits <= 8)
    for (int i = 0; i < (1 << bits); ++i) pal.push_back(uint32_t(i * 37 % 256) << 16 | uint32_t(i * 91 % 256) << 8 | uint32_t(i * 13 % 256));
  EXPECT_EQ(CreateBitmap(b, w, h, bits, bits <= 8 ? &pal : nullptr), kOk);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (bits <= 8) SetIndex(b, x, y, (x * 3 + y * 7) % (1 << bits));
      else SetPixel(b, x, y, uint32_t((x * 5) & 255) << 16 | uint32_t((y * 9) & 255) << 8 | uint32_t((x + y) & 255));
    }
  if (bits == 32)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) b.scanLine(y)[x * 4 + 3] = uint8_t(255 - x);
  return b;
}

// A smooth picture for lossy formats.
Bitmap Smooth(int w, int h) {
  Bitmap b;
  EXPECT_EQ(CreateBitmap(b, w, h, 24), kOk);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      SetPixel(b, x, y, uint32_t(x * 255 / w) << 16 | uint32_t(y * 255 / h) << 8 | uint32_t(128 + 100 * std::sin(x / 20.0)));
  return b;
}

double Psnr(const Bitmap& a, const Bitmap& b) {
  double se = 0;
  int64_t n = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      uint32_t p = GetPixel(a, x, y), q = GetPixel(b, x, y);
      for (int s = 0; s < 24; s += 8) {
        double d = double((p >> s) & 255) - double((q >> s) & 255);
        se += d * d;
        ++n;
      }
    }
  double mse = se / double(n);
  return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

std::vector<uint8_t> Encode(const Bitmap& b, int format, int bits = 0, int q = 2) {
  std::vector<uint8_t> out;
  EXPECT_EQ(SaveBitmapMemory(out, b, format, bits, q), kOk) << "format " << format << " bits " << bits;
  return out;
}

BitmapList Decode(const std::vector<uint8_t>& bytes, int bits = 0) {
  BitmapList list;
  EXPECT_EQ(LoadMemoryToList(bytes.data(), bytes.size(), {}, bits, list), kOk);
  return list;
}

void ExpectSamePixels(const Bitmap& a, const Bitmap& b, bool alpha = false) {
  ASSERT_EQ(a.width, b.width);
  ASSERT_EQ(a.height, b.height);
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      ASSERT_EQ(GetPixel(a, x, y), GetPixel(b, x, y)) << x << "," << y;
      if (alpha) {
        ASSERT_EQ(a.scanLine(y)[x * 4 + 3], b.scanLine(y)[x * 4 + 3]);
      }
    }
}

std::string Path(const testsupport::TempFolder& t, const char* name) { return t.file(name).toStdString(); }

int StopAll(int, intptr_t) { return 0; }

}  // namespace

TEST(PxBmp, RoundTripIsExactInEveryDepthAndHeader) {
  struct Case { int format, bits; } cases[] = {{6, 1}, {6, 4}, {6, 8}, {6, 24}, {6, 32}, {84, 4}, {84, 8},
                                               {14, 1}, {14, 4}, {14, 8}, {14, 24}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "format " << c.format << " bits " << c.bits);
    Bitmap src = Pattern(37, 23, c.bits);  // odd width: row padding in every depth
    src.xResolution = src.yResolution = 300;
    auto bytes = Encode(src, c.format);
    FileInfo info;
    ASSERT_EQ(GetFileInfoMemory(bytes.data(), bytes.size(), info), kOk);
    EXPECT_EQ(info.format, c.format);
    EXPECT_EQ(info.bits, c.bits);
    EXPECT_EQ(info.width, 37);
    BitmapList list = Decode(bytes);
    ASSERT_EQ(list.count(), 1);
    const Bitmap& back = list.items[0];
    EXPECT_EQ(back.bits, c.bits);
    if (c.format != 14) {
      EXPECT_EQ(back.xResolution, 300);
    }
    if (c.bits <= 8) {
      for (int y = 0; y < src.height; ++y)
        for (int x = 0; x < src.width; ++x) ASSERT_EQ(GetIndex(back, x, y), GetIndex(src, x, y));
      for (size_t i = 0; i < src.palette.size(); ++i) EXPECT_EQ(back.palette[i], src.palette[i]);
    } else {
      ExpectSamePixels(src, back);
    }
  }
}

TEST(PxBmp, TopDownAndBitfieldFiles) {
  // A hand-made 2x2 top-down 16-bit 5-6-5 bit-field file.
  std::vector<uint8_t> f(14 + 40 + 12 + 8, 0);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, uint32_t(f.size()));
  put32(10, 14 + 40 + 12);
  put32(14, 40);
  put32(18, 2);
  put32(22, uint32_t(-2));  // top-down
  f[26] = 1;
  f[28] = 16;
  put32(30, 3);  // bit fields
  put32(54, 0xF800);
  put32(58, 0x07E0);
  put32(62, 0x001F);
  uint16_t px[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
  std::memcpy(&f[66], px, 8);
  BitmapList list = Decode(f);
  ASSERT_EQ(list.count(), 1);
  EXPECT_EQ(list.items[0].bits, 24);
  EXPECT_EQ(GetPixel(list.items[0], 0, 0), 0xFF0000u);
  EXPECT_EQ(GetPixel(list.items[0], 1, 0), 0x00FF00u);
  EXPECT_EQ(GetPixel(list.items[0], 0, 1), 0x0000FFu);
  EXPECT_EQ(GetPixel(list.items[0], 1, 1), 0xFFFFFFu);
}

TEST(PxJpeg, RoundTripKeepsSizeAndQuality) {
  Bitmap src = Smooth(203, 157);
  for (int format : {23, 10, 21}) {
    SCOPED_TRACE(format);
    auto bytes = Encode(src, format, 24, 2);
    FileInfo info;
    ASSERT_EQ(GetFileInfoMemory(bytes.data(), bytes.size(), info), kOk);
    EXPECT_EQ(info.format, format);
    BitmapList list = Decode(bytes);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.items[0].width, 203);
    EXPECT_EQ(list.items[0].height, 157);
    EXPECT_EQ(list.items[0].bits, 24);
    EXPECT_GT(Psnr(src, list.items[0]), 35.0);  // quality factor 2
  }
  // A larger quality factor compresses more.
  EXPECT_LT(Encode(src, 23, 24, 40).size(), Encode(src, 23, 24, 2).size());
  std::vector<uint8_t> out;
  EXPECT_EQ(SaveBitmapMemory(out, src, 23, 24, 0), kInvalidQFactor);
  EXPECT_EQ(SaveBitmapMemory(out, src, 23, 4, 2), kInvalidBits);
}

TEST(PxJpeg, QualityMapAndGreyPictures) {
  EXPECT_EQ(JpegQualityFromQFactor(2), 95);
  EXPECT_EQ(JpegQualityFromQFactor(3), 94);
  EXPECT_EQ(JpegQualityFromQFactor(22), 75);
  EXPECT_EQ(JpegQualityFromQFactor(255), 5);
  EXPECT_EQ(JpegQualityFromQFactor(256), kInvalidQFactor);
  Bitmap grey;
  ASSERT_EQ(CreateBitmap(grey, 64, 32, 8), kOk);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) SetIndex(grey, x, y, x * 4);
  BitmapList list = Decode(Encode(grey, 10, 8));
  ASSERT_EQ(list.count(), 1);
  EXPECT_EQ(list.items[0].bits, 8);
  EXPECT_GT(Psnr(grey, list.items[0]), 35.0);
}

TEST(PxJpeg, SizeHintUsesReducedDecoding) {
  auto bytes = Encode(Smooth(1600, 1200), 23);
  struct Case { int hw, hh, w, h; } cases[] = {{0, 70, 200, 150}, {0, 151, 400, 300}, {800, 0, 800, 600},
                                               {1000, 70, 1600, 1200}, {0, 0, 1600, 1200}};
  for (const Case& c : cases) {
    LoadOptions o;
    o.sizeHintWidth = c.hw;
    o.sizeHintHeight = c.hh;
    BitmapList list;
    ASSERT_EQ(LoadMemoryToList(bytes.data(), bytes.size(), o, 0, list), kOk);
    EXPECT_EQ(list.items[0].width, c.w) << c.hw << "x" << c.hh;
    EXPECT_EQ(list.items[0].height, c.h);
  }
}

TEST(PxGif, ListKeepsFramesDelaysPositionsAndLoop) {
  testsupport::TempFolder tmp;
  BitmapList list;
  list.globalWidth = 40;
  list.globalHeight = 30;
  for (int i = 0; i < 3; ++i) {
    Bitmap f = Pattern(20 + i * 5, 10 + i * 3, 8);
    f.frameLeft = i * 4;
    f.frameTop = i * 2;
    f.delay = 10 * (i + 1);
    f.disposal = i == 1 ? 2 : 1;
    list.append(f);
  }
  SaveOptions o;
  o.loopCount = 0;
  ASSERT_EQ(SaveBitmapList(Path(tmp, "a.gif"), list, kFormatGif, 8, 2, o), kOk);
  FileInfo info;
  ASSERT_EQ(GetFileInfo(Path(tmp, "a.gif"), info), kOk);
  EXPECT_EQ(info.format, kFormatGif);
  EXPECT_EQ(info.pageCount, 3);
  EXPECT_EQ(info.globalWidth, 40);
  EXPECT_EQ(info.loopCount, 0);
  EXPECT_TRUE(info.flags & kInfoHasLoop);
  BitmapList back;
  ASSERT_EQ(LoadFileToList(Path(tmp, "a.gif"), {}, 0, back), kOk);
  ASSERT_EQ(back.count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(back.items[size_t(i)].delay, 10 * (i + 1));
    EXPECT_EQ(back.items[size_t(i)].frameLeft, i * 4);
    EXPECT_EQ(back.items[size_t(i)].frameTop, i * 2);
    EXPECT_EQ(back.items[size_t(i)].disposal, i == 1 ? 2 : 1);
    ExpectSamePixels(list.items[size_t(i)], back.items[size_t(i)]);
  }
  // A 24-bit picture is reduced to a palette; a few colours stay exact.
  Bitmap rgb;
  ASSERT_EQ(CreateBitmap(rgb, 8, 8, 24), kOk);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) SetPixel(rgb, x, y, x < 4 ? 0xFF0000u : 0x0000FFu);
  BitmapList one = Decode(Encode(rgb, kFormatGif, 24));
  ExpectSamePixels(rgb, one.items[0]);
}

TEST(PxPng, RoundTrips) {
  for (int bits : {1, 4, 8, 24, 32}) {
    SCOPED_TRACE(bits);
    Bitmap src = Pattern(33, 17, bits);
    BitmapList list = Decode(Encode(src, kFormatPng));
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.items[0].bits, bits);
    ExpectSamePixels(src, list.items[0], bits == 32);
  }
}

// Many compressed text chunks that each inflate to a megabyte: the header read stays bounded,
// the first comment is still found and the picture still decodes.
TEST(PxPng, ManyCompressedTextChunksStayCheap) {
  auto chunk = [](std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    const uint32_t n = uint32_t(data.size());
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(n >> s));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    const uint32_t crc = uint32_t(crc32(0, body.data(), uInt(body.size())));
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(crc >> s));
  };
  auto deflated = [](const std::vector<uint8_t>& raw) {
    uLongf len = compressBound(uLong(raw.size()));
    std::vector<uint8_t> z(len);
    EXPECT_EQ(compress2(z.data(), &len, raw.data(), uLong(raw.size()), 9), Z_OK);
    z.resize(len);
    return z;
  };
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  chunk(png, "IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0});
  const std::string comment = "Comment";
  std::vector<uint8_t> text(comment.begin(), comment.end());
  text.push_back(0);
  for (char c : std::string("Strand")) text.push_back(uint8_t(c));
  chunk(png, "tEXt", text);
  std::vector<uint8_t> ztxt(comment.begin(), comment.end());
  ztxt.push_back(0);
  ztxt.push_back(0);
  const std::vector<uint8_t> packed = deflated(std::vector<uint8_t>(1 << 20, 'x'));
  ztxt.insert(ztxt.end(), packed.begin(), packed.end());
  for (int i = 0; i < 300; ++i) chunk(png, "zTXt", ztxt);
  chunk(png, "IDAT", deflated({0, 77}));
  chunk(png, "IEND", {});

  FileInfo info;
  ASSERT_EQ(GetFileInfoMemory(png.data(), png.size(), info), kOk);
  EXPECT_EQ(info.width, 1);
  EXPECT_EQ(info.text, "Strand");
  BitmapList list = Decode(png);
  ASSERT_EQ(list.count(), 1);
  EXPECT_EQ(list.items[0].scanLine(0)[0], 77);
}

// A resolution from a hostile header must not overflow when it is written out again.
TEST(PxFile, HugeResolutionSavesWithoutOverflow) {
  for (int format : {kFormatPng, kFormatBmp}) {
    SCOPED_TRACE(format);
    Bitmap src = Pattern(4, 3, 24);
    src.xResolution = src.yResolution = 0x7fffffff;
    BitmapList list = Decode(Encode(src, format));
    ASSERT_EQ(list.count(), 1);
    ExpectSamePixels(src, list.items[0], false);
  }
  EXPECT_EQ(DpiToDotsPerMeter(72), 2835u);
  EXPECT_EQ(DpiToDotsPerMeter(0x7fffffff), uint32_t(INT32_MAX));
  EXPECT_EQ(DpiToDotsPerMeter(-5), 0u);
}

TEST(PxTiff, MultiPageKeepsItsPages) {
  testsupport::TempFolder tmp;
  BitmapList list;
  list.append(Pattern(30, 20, 24));
  list.append(Pattern(12, 40, 24));
  list.append(Pattern(25, 25, 24));
  for (int format : {kFormatTiff, kFormatTiffLzw}) {
    ASSERT_EQ(SaveBitmapList(Path(tmp, "m.tif"), list, format, 24, 2), kOk);
    FileInfo info;
    ASSERT_EQ(GetFileInfo(Path(tmp, "m.tif"), info), kOk);
    EXPECT_EQ(info.format, format);
    EXPECT_EQ(info.pageCount, 3);
    BitmapList back;
    ASSERT_EQ(LoadFileToList(Path(tmp, "m.tif"), {}, 0, back), kOk);
    ASSERT_EQ(back.count(), 3);
    for (int i = 0; i < 3; ++i) ExpectSamePixels(list.items[size_t(i)], back.items[size_t(i)]);
    // Starting at page 2 and taking one page.
    LoadOptions o;
    o.page = 2;
    ASSERT_EQ(LoadFileToList(Path(tmp, "m.tif"), o, 0, back, 1), kOk);
    ASSERT_EQ(back.count(), 1);
    EXPECT_EQ(back.items[0].width, 12);
    o.page = 9;
    EXPECT_EQ(LoadFileToList(Path(tmp, "m.tif"), o, 0, back), kPageNotFound);
  }
}

TEST(PxFile, PagesPastTheTotalPixelLimitEndTheLoad) {
  testsupport::TempFolder tmp;
  BitmapList list;
  for (int i = 0; i < 3; ++i) list.append(Pattern(40, 25, 24));  // 1000 pixels a page
  ASSERT_EQ(SaveBitmapList(Path(tmp, "m.tif"), list, kFormatTiff, 24, 2), kOk);
  const int64_t was = limits().maxTotalPixels;
  limits().maxTotalPixels = 2500;
  BitmapList back;
  const int all = LoadFileToList(Path(tmp, "m.tif"), {}, 0, back);
  const int two = LoadFileToList(Path(tmp, "m.tif"), {}, 0, back, 2);
  const size_t twoCount = back.count();
  // Pages skipped before the first wanted one are not counted.
  LoadOptions fromSecond;
  fromSecond.page = 2;
  const int lastTwo = LoadFileToList(Path(tmp, "m.tif"), fromSecond, 0, back);
  const size_t lastTwoCount = back.count();
  limits().maxTotalPixels = was;
  EXPECT_EQ(all, kNoMemory);
  EXPECT_EQ(two, kOk);
  EXPECT_EQ(twoCount, 2u);
  EXPECT_EQ(lastTwo, kOk);
  EXPECT_EQ(lastTwoCount, 2u);
}

TEST(PxFile, FirstPagePixelsAreWhatTheLoadDecodes) {
  struct Case {
    int format, width, height, compression, hintHeight;
    int64_t pixels;
  } cases[] = {
      {kFormatJpeg422, 4000, 3000, 1, 0, 12000000},  // no hint: whole
      {kFormatJpeg422, 4000, 3000, 1, 70, 500 * 375},  // an eighth is still 70 high
      {kFormatJfif, 4001, 3001, 1, 700, 1001 * 751},   // a quarter, rounded up
      {kFormatJfif, 4000, 3000, 2, 70, 12000000},      // progressive: every coefficient is kept
      {kFormatPng, 14000, 14000, 1, 70, 196000000},    // other formats ignore the hint
      {kFormatGif, 10000, 10000, 1, 70, 100000000},
  };
  for (const Case& c : cases) {
    FileInfo info;
    info.format = c.format;
    info.width = c.width;
    info.height = c.height;
    info.compression = c.compression;
    LoadOptions o;
    o.sizeHintWidth = c.hintHeight ? 1 : 0;
    o.sizeHintHeight = c.hintHeight;
    EXPECT_EQ(FirstPagePixels(info, o), c.pixels) << c.format << " " << c.width << " " << c.hintHeight;
  }
  // The JPEG decoder reduces as predicted.
  auto bytes = Encode(Smooth(801, 601), kFormatJpeg422);
  FileInfo info;
  ASSERT_EQ(GetFileInfoMemory(bytes.data(), bytes.size(), info), kOk);
  LoadOptions o;
  o.sizeHintWidth = 1;
  o.sizeHintHeight = 70;
  BitmapList back;
  ASSERT_EQ(LoadMemoryToList(bytes.data(), bytes.size(), o, 0, back), kOk);
  EXPECT_EQ(FirstPagePixels(info, o), int64_t(back.items[0].width) * back.items[0].height);
  EXPECT_EQ(FirstPagePixels(info, o), 101 * 76);
}

TEST(PxFile, BadInputGivesAStatus) {
  auto bmp = Encode(Pattern(40, 30, 24), kFormatBmp);
  auto rle = Encode(Pattern(40, 30, 8), kFormatBmpRle);
  auto jpg = Encode(Smooth(64, 48), kFormatJpeg422);
  auto png = Encode(Pattern(40, 30, 24), kFormatPng);
  auto tif = Encode(Pattern(40, 30, 24), kFormatTiff);
  auto gif = Encode(Pattern(40, 30, 8), kFormatGif);
  auto cut = [](std::vector<uint8_t> v, size_t n) {
    v.resize(std::min(n, v.size()));
    return v;
  };
  auto spoil = [](std::vector<uint8_t> v, size_t from) {
    for (size_t i = from; i < v.size(); i += 3) v[i] = uint8_t(v[i] * 31 + 7);
    return v;
  };
  // A BMP header claiming 100000 x 100000 pixels.
  std::vector<uint8_t> huge = bmp;
  int32_t big = 100000;
  std::memcpy(&huge[18], &big, 4);
  std::memcpy(&huge[22], &big, 4);
  // A GIF whose frame lies outside its screen (the writer puts the image descriptor at 21).
  std::vector<uint8_t> outside = gif;
  ASSERT_EQ(outside[21], 0x2C);
  outside[22] = 0xE8;
  outside[23] = 0x03;  // left 1000 on a 40-pixel screen
  struct Case { const char* name; std::vector<uint8_t> data; } cases[] = {
      {"empty", {}},
      {"garbage", {1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"bmp cut", cut(bmp, bmp.size() / 2)},
      {"bmp header only", cut(bmp, 30)},
      {"bmp huge", huge},
      {"rle cut", cut(rle, rle.size() / 2)},
      {"jpeg cut", cut(jpg, jpg.size() / 2)},
      {"jpeg header only", cut(jpg, 40)},
      {"jpeg spoiled", spoil(jpg, 20)},
      {"png cut", cut(png, png.size() / 2)},
      {"png spoiled", spoil(png, 40)},
      {"tiff cut", cut(tif, tif.size() / 2)},
      {"tiff header only", cut(tif, 8)},
      {"tiff spoiled", spoil(tif, 4)},
      {"gif cut", cut(gif, gif.size() / 2)},
      {"gif spoiled", spoil(gif, 13)},
      {"gif frame outside", outside},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FileInfo info;
    BitmapList list;
    int st1 = GetFileInfoMemory(c.data.data(), c.data.size(), info);
    int st2 = LoadMemoryToList(c.data.data(), c.data.size(), {}, 0, list);
    EXPECT_TRUE(st1 < 1 || st2 < 1) << st1 << " " << st2;
    if (st2 < 1) {
      EXPECT_EQ(list.count(), 0);
    }
  }
  FileInfo info;
  EXPECT_EQ(GetFileInfoMemory(huge.data(), huge.size(), info), kInvalidSize);
  EXPECT_EQ(GetFileInfoMemory(outside.data(), outside.size(), info), kInvalidSize);
  testsupport::TempFolder tmp;
  EXPECT_EQ(GetFileInfo(Path(tmp, "missing.jpg"), info), kFileNotFound);
  testsupport::writeBytes(tmp.file("zero.jpg"), QByteArray());
  EXPECT_EQ(GetFileInfo(Path(tmp, "zero.jpg"), info), kInvalidFormat);
}

TEST(PxFile, AbortedSaveLeavesTheOldFileAlone) {
  testsupport::TempFolder tmp;
  testsupport::writeBytes(tmp.file("keep.jpg"), QByteArray("old picture"));
  StatusCallback prev = SetStatusCallback({&StopAll, 0});
  Bitmap b = Smooth(100, 100);
  for (int format : {kFormatJpeg422, kFormatBmp, kFormatPng, kFormatTiff, kFormatGif})
    EXPECT_EQ(SaveBitmap(Path(tmp, "keep.jpg"), b, format, 0 + (format == kFormatGif ? 24 : 0), 2), kAborted);
  EXPECT_EQ(LoadFile(Path(tmp, "keep.jpg"), {}, 0, nullptr), kInvalidFormat);
  SetStatusCallback(prev);
  EXPECT_EQ(testsupport::readBytes(tmp.file("keep.jpg")), QByteArray("old picture"));
  EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
  // A row source that stops ends the save the same way.
  EXPECT_EQ(SaveWithRows(Path(tmp, "keep.jpg"), b, 23, 24, 2, 2, [](uint8_t*, int first, int) { return first < 32 ? 1 : 0; }),
            kAborted);
  EXPECT_EQ(testsupport::readBytes(tmp.file("keep.jpg")), QByteArray("old picture"));
  // A save into a missing folder fails cleanly.
  EXPECT_LT(SaveBitmap(Path(tmp, "no/such/dir.jpg"), b, 23, 24, 2), 1);
}

TEST(PxFile, NewFilesGetTheUmasksPermissionsAndReplacedOnesKeepTheirs) {
  testsupport::TempFolder tmp;
  const Bitmap b = Smooth(8, 8);
  const std::string path = Path(tmp, "p.png");
  auto mode = [&] {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 0777;
  };
  for (const mode_t mask : {mode_t(022), mode_t(027), mode_t(077)}) {
    QFile::remove(QString::fromStdString(path));
    const mode_t old = ::umask(mask);
    EXPECT_EQ(SaveBitmap(path, b, kFormatPng, 24, 2), kOk);
    EXPECT_EQ(mode(), 0666 & ~mask) << std::oct << mask;
    EXPECT_EQ(::umask(old), mask);
  }
  // Saved over an existing file: its own permissions stay, whatever the umask says.
  const mode_t old = ::umask(022);
  for (const mode_t kept : {mode_t(0600), mode_t(0640), mode_t(0664), mode_t(0604)}) {
    ASSERT_EQ(::chmod(path.c_str(), kept), 0);
    EXPECT_EQ(SaveBitmap(path, b, kFormatJpeg422, 24, 2), kOk);
    EXPECT_EQ(mode(), kept) << std::oct << kept;
    // Replaced in whole: no temporary file is left.
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"p.png"});
    EXPECT_EQ(LoadFile(path, {}, 0, nullptr), kOk);
  }
  ::umask(old);
}

TEST(PxFile, AReadOnlyFileIsNotReplaced) {
  testsupport::TempFolder tmp;
  const Bitmap b = Smooth(8, 8);
  const QString file = tmp.file("fest.jpg");
  ASSERT_TRUE(testsupport::writeBytes(file, "old picture"));
  ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0444), 0);
  // Also for root, which file modes do not stop.
  EXPECT_EQ(SaveBitmap(file.toStdString(), b, kFormatJpeg422, 24, 2), kOpenError);
  EXPECT_EQ(testsupport::readBytes(file), QByteArray("old picture"));
  // A file the caller may not write, in a folder the caller may write.
  ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0644), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(tmp.path()).constData(), 0777), 0);
  if (testsupport::RunsAsRoot()) {
    int status = 0;
    {
      testsupport::AsOrdinaryUser user;
      status = SaveBitmap(file.toStdString(), b, kFormatJpeg422, 24, 2);
    }
    EXPECT_EQ(status, kOpenError);
    EXPECT_EQ(testsupport::readBytes(file), QByteArray("old picture"));
  }
  EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"fest.jpg"});
}

TEST(PxFile, ReadCallbackAnswersEndTheLoad) {
  auto bytes = Encode(Smooth(64, 200), kFormatJpeg422);
  int bands = 0;
  EXPECT_EQ(LoadMemory(bytes.data(), bytes.size(), {}, 0,
                       [&](Bitmap&, unsigned, int, int) { return ++bands < 3 ? 1 : 0; }),
            kAborted);
  EXPECT_EQ(bands, 3);
  EXPECT_EQ(LoadMemory(bytes.data(), bytes.size(), {}, 0, [&](Bitmap&, unsigned, int, int) { return -7; }), kReadError);
  // Bands cover every row once, first and last flagged.
  int rows = 0;
  unsigned seen = 0;
  EXPECT_EQ(LoadMemory(bytes.data(), bytes.size(), {}, 0,
                       [&](Bitmap& b, unsigned fl, int first, int count) {
                         EXPECT_EQ(first, rows);
                         rows += count;
                         seen |= fl;
                         EXPECT_EQ(b.height, 200);
                         return 1;
                       }),
            kOk);
  EXPECT_EQ(rows, 200);
  EXPECT_EQ(seen, kBandPageStart | kBandPageEnd | kBandFirst | kBandLast);
}

TEST(PxFile, FeedLoaderKeepsCompletePagesOfCutData) {
  testsupport::TempFolder tmp;
  BitmapList list;
  for (int i = 0; i < 3; ++i) list.append(Pattern(30, 30, 8));
  ASSERT_EQ(SaveBitmapList(Path(tmp, "f.gif"), list, kFormatGif, 8, 2), kOk);
  QByteArray all = testsupport::readBytes(tmp.file("f.gif"));
  int pages = 0;
  FeedLoader feed({}, 0, [&](Bitmap&, unsigned fl, int, int) {
    if (fl & kBandPageEnd) ++pages;
    return 1;
  });
  const int cutAt = int(all.size()) * 5 / 6;
  for (int at = 0; at < cutAt; at += 50)
    ASSERT_EQ(feed.feed(reinterpret_cast<const uint8_t*>(all.constData()) + at, size_t(std::min(50, cutAt - at))), kOk);
  EXPECT_EQ(feed.stop(), kReadError);
  EXPECT_EQ(pages, 2);
}

TEST(PxFile, FormatNames) {
  EXPECT_STREQ(FormatName(23), "JPEG  4:2:2");
  EXPECT_STREQ(FormatName(14), "OS/2 BMP ");
  EXPECT_STREQ(FormatName(7), "NOT SUPPORTED");
  EXPECT_STREQ(FormatName(135), "NOT SUPPORTED");
}

// Sizes as vipsheader reports them (the pixels are compared in PxOracleTest.cpp).
TEST(PxFile, FilesFromOtherWritersLoad) {
  struct Case { const char* file; int format; int pages; int width, height; } cases[] = {
      {"fuzz_px_bmp/rgb24.bmp", 6, 1, 9, 7},          {"fuzz_px_bmp/rle.bmp", 84, 1, 9, 7},
      {"fuzz_px_bmp/v5alpha.bmp", 6, 1, 9, 7},        {"fuzz_px_bmp/mono.bmp", 6, 1, 9, 7},
      {"fuzz_px_jpeg/s422.jpg", 23, 1, 16, 12},       {"fuzz_px_jpeg/grey.jpg", 10, 1, 16, 12},
      {"fuzz_px_jpeg/progressive.jpg", 10, 1, 16, 12}, {"fuzz_px_jpeg/cmyk.jpg", 10, 1, 16, 12},
      {"fuzz_px_gif/anim.gif", 2, 3, 8, 8},           {"fuzz_px_gif/interlaced.gif", 2, 1, 8, 8},
      {"fuzz_px_png/rgb.png", 75, 1, 8, 6},           {"fuzz_px_png/rgba.png", 75, 1, 8, 6},
      {"fuzz_px_png/pal.png", 75, 1, 8, 6},           {"fuzz_px_png/adam7.png", 75, 1, 8, 6},
      {"fuzz_px_png/mono.png", 75, 1, 8, 6},          {"fuzz_px_tiff/multi.tif", 3, 2, 8, 6},
      {"fuzz_px_tiff/lzw.tif", 17, 1, 8, 6},          {"fuzz_px_tiff/tiled.tif", 3, 1, 40, 24},
      {"fuzz_px_tiff/g4.tif", 3, 1, 8, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::string path = std::string(KALVORA_FUZZ_CORPUS) + "/" + c.file;
    FileInfo info;
    ASSERT_EQ(GetFileInfo(path, info), kOk);
    EXPECT_EQ(info.format, c.format);
    EXPECT_EQ(info.pageCount, c.pages);
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, c.height);
    BitmapList list;
    ASSERT_EQ(LoadFileToList(path, {}, 0, list), kOk);
    EXPECT_EQ(list.count(), c.pages);
    EXPECT_EQ(list.items[0].width, c.width);
    EXPECT_EQ(list.items[0].height, c.height);
  }
}
