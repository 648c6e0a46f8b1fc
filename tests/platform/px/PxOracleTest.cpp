// px decoders and encoders checked against decoders that are not ours: Qt's readers (its own BMP
// and GIF code; PNG and JPEG through libpng and libjpeg behind Qt's handlers) and libvips (the
// `vips` command) for TIFF, which Qt does not read here. Files made by other writers (the fuzz
// seeds, and files vips writes here from a picture in which every row, column and channel
// differ, since several seeds are of one colour) are decoded both ways and compared pixel by
// pixel; files px writes are read back by the other decoder, so a fault made the same way in our
// writer and our reader (channel order, row order, palette) cannot hide.
#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <cmath>

#include "PxFile.h"
#include "TestSupport.h"

using namespace px;

namespace {

// The px picture as ARGB; alpha from a 32-bit picture or the transparent palette index.
QImage ToQImage(const Bitmap& b) {
  QImage img(b.width, b.height, QImage::Format_ARGB32);
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) {
      int alpha = 255;
      if (b.bits == 32) alpha = b.scanLine(y)[x * 4 + 3];
      if (b.bits <= 8 && b.transparentIndex >= 0 && GetIndex(b, x, y) == b.transparentIndex) alpha = 0;
      img.setPixel(x, y, (uint32_t(alpha) << 24) | GetPixel(b, x, y));
    }
  return img;
}

// Runs the vips command; false (and a failure) when it does not succeed.
bool Vips(const QStringList& args) {
  QProcess p;
  p.start("vips", args);
  if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0) return true;
  ADD_FAILURE() << "vips " << args.join(' ').toStdString() << " (package libvips-tools) failed: "
                << p.readAllStandardError().toStdString() << p.errorString().toStdString();
  return false;
}

// The other decoder's reading of a file (page counts from 0); null when it cannot read it.
QImage Other(const QString& path, int page, testsupport::TempFolder& tmp) {
  if (path.endsWith(".tif")) {
    // vips writes the page as PNG (16-bit samples stay 16-bit), which Qt then reads.
    const QString out = tmp.file(QStringLiteral("vips%1.png").arg(page));
    if (!Vips({"copy", path + QStringLiteral("[page=%1]").arg(page), out})) return QImage();
    return QImage(out).convertToFormat(QImage::Format_ARGB32);
  }
  QImageReader r(path);
  for (int i = 0; i < page; ++i) r.read();
  const QImage img = r.read();
  if (img.isNull()) ADD_FAILURE() << "Qt could not read " << path.toStdString() << ": " << r.errorString().toStdString();
  return img.convertToFormat(QImage::Format_ARGB32);
}

struct Difference {
  int maxChannel = 0;   // largest difference of a colour channel where both are not transparent
  int maxAlpha = 0;     // largest difference of alpha
  double meanChannel = 0;
  std::string where;    // first pixel with the largest colour difference
};

// Compares a (ours) with b (theirs) placed at (left, top) of b; pixels transparent in a are
// left out of the colour comparison (what shows there is the screen behind a frame).
Difference Compare(const QImage& a, const QImage& b, int left = 0, int top = 0) {
  Difference d;
  double sum = 0;
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x + left, y + top);
      d.maxAlpha = std::max(d.maxAlpha, std::abs(qAlpha(p) - qAlpha(q)));
      if (qAlpha(p) == 0) continue;
      for (int s : {16, 8, 0}) {
        const int diff = std::abs(int((p >> s) & 255) - int((q >> s) & 255));
        sum += diff;
        ++n;
        if (diff > d.maxChannel) {
          d.maxChannel = diff;
          d.where = std::to_string(x) + "," + std::to_string(y);
        }
      }
    }
  d.meanChannel = n ? sum / n : 0;
  return d;
}

}  // namespace

// Every file of the corpus, decoded by px and by the other decoder. Lossless formats must agree
// exactly. JPEG may differ by a little: the other decoder's inverse DCT, chroma upsampling and
// colour conversion are its own choice (libjpeg-turbo's SIMD and plain paths, "fancy" upsampling
// or not, Qt's own CMYK arithmetic), and each step may round one way or the other; 4 levels in a
// channel covers that, a wrong channel order, row order or colour model differs by far more.
// (With Debian's libjpeg-turbo behind both, every file here decodes to the same bytes.)
TEST(PxOracle, CorpusFilesDecodeAsAnotherDecoderReadsThem) {
  struct Case { const char* file; int width, height, pages, tolerance; } cases[] = {
      {"fuzz_px_bmp/rgb24.bmp", 9, 7, 1, 0},       {"fuzz_px_bmp/rle.bmp", 9, 7, 1, 0},
      {"fuzz_px_bmp/v5alpha.bmp", 9, 7, 1, 0},     {"fuzz_px_bmp/mono.bmp", 9, 7, 1, 0},
      {"fuzz_px_jpeg/s422.jpg", 16, 12, 1, 4},     {"fuzz_px_jpeg/grey.jpg", 16, 12, 1, 4},
      {"fuzz_px_jpeg/progressive.jpg", 16, 12, 1, 4}, {"fuzz_px_jpeg/cmyk.jpg", 16, 12, 1, 4},
      {"fuzz_px_gif/anim.gif", 8, 8, 3, 0},        {"fuzz_px_gif/interlaced.gif", 8, 8, 1, 0},
      {"fuzz_px_png/rgb.png", 8, 6, 1, 0},         {"fuzz_px_png/rgba.png", 8, 6, 1, 0},
      {"fuzz_px_png/pal.png", 8, 6, 1, 0},         {"fuzz_px_png/adam7.png", 8, 6, 1, 0},
      {"fuzz_px_png/mono.png", 8, 6, 1, 0},        {"fuzz_px_png/ztxt_inflating_header.png", 1, 1, 1, 0},
      {"fuzz_px_tiff/multi.tif", 8, 6, 2, 0},      {"fuzz_px_tiff/lzw.tif", 8, 6, 1, 0},
      {"fuzz_px_tiff/tiled.tif", 40, 24, 1, 0},    {"fuzz_px_tiff/g4.tif", 8, 6, 1, 0},
  };
  testsupport::TempFolder tmp;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const QString path = QStringLiteral(KALVORA_FUZZ_CORPUS) + "/" + c.file;
    BitmapList list;
    ASSERT_EQ(LoadFileToList(path.toStdString(), {}, 0, list), kOk);
    ASSERT_EQ(list.count(), c.pages);
    for (int page = 0; page < c.pages; ++page) {
      SCOPED_TRACE(page);
      const Bitmap& b = list.items[size_t(page)];
      const QImage theirs = Other(path, page, tmp);
      ASSERT_FALSE(theirs.isNull());
      const QImage ours = ToQImage(b);
      ASSERT_LE(b.frameLeft + b.width, theirs.width());
      ASSERT_LE(b.frameTop + b.height, theirs.height());
      const Difference d = Compare(ours, theirs, b.frameLeft, b.frameTop);
      EXPECT_LE(d.maxChannel, c.tolerance) << "at " << d.where << ", mean " << d.meanChannel;
      EXPECT_EQ(d.maxAlpha, 0);
    }
  }
}

namespace {

// A picture in which every row, every column and every channel differ, so that a decoder that
// swaps channels, turns rows or columns round or shifts them cannot match it. Odd sizes give
// row padding in every depth.
QImage Source(int w = 23, int h = 17) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x * 11, y * 15, (x * 7 + y * 29) % 256));
  return img;
}

QString Name(const QImage& img) { return QStringLiteral("%1x%2").arg(img.width()).arg(img.height()); }

}  // namespace

// Files written by vips from a picture made here, in the variants the corpus stands for and a
// few more; px must read what vips wrote, and what the other decoder reads. Lossless variants
// must also hold the picture itself, so the comparison is not of two equal mistakes.
TEST(PxOracle, FilesWrittenByVipsDecodeAsTheyWereMade) {
  testsupport::TempFolder tmp;
  const QImage source = Source();
  const QString src = tmp.file("source.png");
  ASSERT_TRUE(source.save(src, "PNG"));  // written by Qt
  // A black-and-white version for the fax-compressed TIFF, and a two-page TIFF.
  ASSERT_TRUE(Vips({"extract_band", src, tmp.file("red.v"), "0"}));
  ASSERT_TRUE(Vips({"relational_const", tmp.file("red.v"), tmp.file("bw.v"), "moreeq", "128"}));
  ASSERT_TRUE(Vips({"rot", src, tmp.file("turned.png"), "d180"}));
  ASSERT_TRUE(Vips({"arrayjoin", src + " " + tmp.file("turned.png"), tmp.file("two.v"), "--across", "1"}));
  // 16 bits a sample: each value v becomes v * 257, so both v >> 8 and a rounded v / 257 give v back.
  ASSERT_TRUE(Vips({"linear", src, tmp.file("deep.v"), "257", "0"}));
  ASSERT_TRUE(Vips({"cast", tmp.file("deep.v"), tmp.file("deep16.v"), "ushort"}));
  QImage bw(source.size(), QImage::Format_ARGB32);
  for (int y = 0; y < bw.height(); ++y)
    for (int x = 0; x < bw.width(); ++x) bw.setPixel(x, y, qRed(source.pixel(x, y)) >= 128 ? 0xFFFFFFFFu : 0xFF000000u);
  const QImage turned = source.transformed(QTransform().rotate(180));
  struct Case {
    const char* name;
    QStringList args;     // vips save operation and options; the input and output are added
    QString input;
    int tolerance;        // against the other decoder; -1: lossless, and equal to `expected`
    std::vector<QImage> expected;
  } cases[] = {
      {"adam7.png", {"pngsave", "--interlace"}, src, -1, {source}},
      {"pal.png", {"pngsave", "--palette"}, src, 0, {}},
      {"deep.png", {"pngsave", "--bitdepth", "16"}, tmp.file("deep16.v"), -1, {source}},
      {"base.jpg", {"jpegsave", "--Q", "90"}, src, 4, {}},
      {"progressive444.jpg", {"jpegsave", "--Q", "90", "--interlace", "--subsample-mode", "off"}, src, 4, {}},
      {"cmyk.jpg", {"colourspace", "cmyk"}, src, 4, {}},
      {"lzw.tif", {"tiffsave", "--compression", "lzw", "--predictor", "horizontal"}, src, -1, {source}},
      {"tiled.tif", {"tiffsave", "--tile", "--tile-width", "16", "--tile-height", "16"}, src, -1, {source}},
      {"deep.tif", {"tiffsave"}, tmp.file("deep16.v"), -1, {source}},
      {"g4.tif", {"tiffsave", "--compression", "ccittfax4", "--bitdepth", "1"}, tmp.file("bw.v"), -1, {bw}},
      {"multi.tif", {"tiffsave", "--page-height", "17"}, tmp.file("two.v"), -1, {source, turned}},
      {"v.bmp", {"magicksave", "--format", "bmp"}, src, -1, {source}},
      {"v.gif", {"gifsave"}, src, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString file = tmp.file(c.name);
    QStringList args = c.args;
    args.insert(1, c.input);
    args.insert(2, file);
    if (args[0] == "colourspace") {  // colourspace in out space
      args = {"colourspace", c.input, file, "cmyk"};
    }
    ASSERT_TRUE(Vips(args));
    BitmapList list;
    ASSERT_EQ(LoadFileToList(file.toStdString(), {}, 0, list), kOk);
    const int pages = c.expected.empty() ? 1 : int(c.expected.size());
    ASSERT_EQ(list.count(), pages);
    for (int page = 0; page < pages; ++page) {
      SCOPED_TRACE(page);
      const QImage ours = ToQImage(list.items[size_t(page)]);
      const QImage theirs = Other(file, page, tmp);
      ASSERT_FALSE(theirs.isNull());
      ASSERT_EQ(Name(ours).toStdString(), Name(theirs).toStdString());
      const Difference d = Compare(ours, theirs);
      EXPECT_LE(d.maxChannel, std::max(c.tolerance, 0)) << "at " << d.where << ", mean " << d.meanChannel;
      EXPECT_EQ(d.maxAlpha, 0);
      if (c.tolerance < 0) {
        const Difference e = Compare(ours, c.expected[size_t(page)].convertToFormat(QImage::Format_ARGB32));
        EXPECT_EQ(e.maxChannel, 0) << "against the picture made: at " << e.where;
      }
    }
  }
}

namespace {

// The same picture as Source(), as a px bitmap of the given depth, and what it must show; palette
// depths get a palette of their own (entry i is (i * 37, i * 91, i * 13) mod 256) and index
// (x * 3 + y * 7) mod entries. Both are worked out here from the formulas, not by px.
QRgb PaletteEntry(int i) { return qRgb(i * 37 % 256, i * 91 % 256, i * 13 % 256); }
int IndexAt(int x, int y, int bits) { return (x * 3 + y * 7) % (1 << bits); }
int AlphaAt(int x, int y) { return (255 - x * 9 - y) & 255; }

Bitmap Made(int bits, QImage& shows, int w = 23, int h = 17) {
  Bitmap b;
  std::vector<uint32_t> pal;
  if (bits <= 8)
    for (int i = 0; i < (1 << bits); ++i) pal.push_back(PaletteEntry(i) & 0xFFFFFFu);
  EXPECT_EQ(CreateBitmap(b, w, h, bits, bits <= 8 ? &pal : nullptr), kOk);
  const QImage src = Source(w, h);
  shows = QImage(w, h, QImage::Format_ARGB32);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b.scanLine(y);
    for (int x = 0; x < w; ++x) {
      if (bits <= 8) {
        const int i = IndexAt(x, y, bits);
        // Packed most significant bits first.
        const int per = 8 / bits, shift = 8 - bits * (x % per + 1);
        row[x / per] = uint8_t(row[x / per] | (i << shift));
        shows.setPixel(x, y, PaletteEntry(i));
      } else {
        const QRgb c = src.pixel(x, y);
        const int n = bits / 8;
        row[x * n] = uint8_t(qBlue(c));
        row[x * n + 1] = uint8_t(qGreen(c));
        row[x * n + 2] = uint8_t(qRed(c));
        if (bits == 32) row[x * n + 3] = uint8_t(AlphaAt(x, y));
        shows.setPixel(x, y, bits == 32 ? (c & 0xFFFFFFu) | uint32_t(AlphaAt(x, y)) << 24 : c);
      }
    }
  }
  return b;
}

}  // namespace

// What px writes, read by the other decoder: lossless formats give the picture back exactly,
// alpha too where the format keeps it (a 32-bit BMP with the plain header has no alpha, its
// fourth byte is reserved); JPEG comes back close to the picture (a mean channel difference
// under 16 at quality 95 with the sharp steps of the blue channel; swapped channels or rows
// differ by some 80) and equal, within the JPEG tolerance above, to what px itself reads.
TEST(PxOracle, WrittenFilesReadBackByAnotherDecoder) {
  struct Case { int format, bits; const char* ext; bool alpha; } cases[] = {
      {kFormatBmp, 1, "bmp", false},    {kFormatBmp, 4, "bmp", false},     {kFormatBmp, 8, "bmp", false},
      {kFormatBmp, 24, "bmp", false},   {kFormatBmp, 32, "bmp", false},     {kFormatBmpRle, 4, "bmp", false},
      {kFormatBmpRle, 8, "bmp", false}, {kFormatOs2Bmp, 1, "bmp", false},  {kFormatOs2Bmp, 4, "bmp", false},
      {kFormatOs2Bmp, 8, "bmp", false}, {kFormatOs2Bmp, 24, "bmp", false}, {kFormatPng, 1, "png", false},
      {kFormatPng, 4, "png", false},    {kFormatPng, 8, "png", false},     {kFormatPng, 24, "png", false},
      {kFormatPng, 32, "png", true},    {kFormatGif, 8, "gif", false},     {kFormatTiff, 24, "tif", false},
      {kFormatTiffLzw, 24, "tif", false}, {kFormatJpeg422, 24, "jpg", false}, {kFormatJfif, 24, "jpg", false},
      {kFormatJpeg411, 24, "jpg", false},
  };
  testsupport::TempFolder tmp;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "format " << c.format << " bits " << c.bits);
    QImage shows;
    const Bitmap b = Made(c.bits, shows);
    const QString file = tmp.file(QStringLiteral("w%1_%2.%3").arg(c.format).arg(c.bits).arg(c.ext));
    ASSERT_EQ(SaveBitmap(file.toStdString(), b, c.format, c.bits, 2), kOk);
    const QImage theirs = Other(file, 0, tmp);
    ASSERT_FALSE(theirs.isNull());
    ASSERT_EQ(Name(theirs).toStdString(), Name(shows).toStdString());
    if (!c.alpha) shows = shows.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_ARGB32);
    const Difference d = Compare(shows, theirs);
    if (std::string(c.ext) == "jpg") {
      EXPECT_LT(d.meanChannel, 16.0) << "the picture, as the other decoder reads it";
      BitmapList ours;
      ASSERT_EQ(LoadFileToList(file.toStdString(), {}, 0, ours), kOk);
      const Difference e = Compare(ToQImage(ours.items[0]), theirs);
      EXPECT_LE(e.maxChannel, 4) << "px and the other decoder read the same file differently at " << e.where;
    } else {
      EXPECT_EQ(d.maxChannel, 0) << "at " << d.where;
      EXPECT_EQ(d.maxAlpha, 0);
    }
  }
}
