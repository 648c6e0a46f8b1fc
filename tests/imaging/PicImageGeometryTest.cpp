// Display geometry (size modes, zoom, scrolling, centring, point conversion) and the plain paint.
#include <gtest/gtest.h>

#include <QImage>

#include "PicImageVCL.h"

namespace {

px::Bitmap Solid(int w, int h, uint32_t rgb) {
  px::Bitmap b;
  EXPECT_EQ(px::CreateBitmap(b, w, h, 24), px::kOk);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px::SetPixel(b, x, y, rgb);
  return b;
}

void Give(TPicImage& img, const px::Bitmap& b) { ASSERT_EQ(img.SetBitmap(&b), 1); }

}  // namespace

TEST(PicImageGeometry, SizeModesTable) {
  struct Case {
    TPaintSizeMode mode;
    int zoom;  // -1: not set
    int cw, ch, frame;
    int dw, dh, hmax, vmax, zoomRead;
  } cases[] = {
      {smFit, -1, 400, 400, 0, 400, 200, 0, 0, 40},
      {smFitSides, -1, 400, 400, 0, 400, 200, 0, 0, 40},
      {smFitSides, -1, 400, 100, 0, 400, 200, 0, 100, 40},
      {smStretch, -1, 400, 300, 0, 400, 300, 0, 0, 40},
      {smNormal, -1, 400, 400, 0, 1000, 500, 600, 100, 100},
      {smZoom, 50, 400, 400, 0, 500, 250, 100, 0, 50},
      {smZoom, 0, 400, 400, 0, 1, 1, 0, 0, 0},
      {smZoom, 25, 400, 400, 10, 250, 125, 0, 0, 25},
      {smFit, -1, 400, 400, 10, 380, 190, 0, 0, 38},
      {smNormal, -1, 400, 400, 10, 1000, 500, 620, 120, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " zoom " << c.zoom << " client " << c.cw << "x" << c.ch
                                    << " frame " << c.frame);
    TPicImage img;
    img.resize(c.cw, c.ch);
    img.SetFrameThickness(unsigned(c.frame));
    Give(img, Solid(1000, 500, 0x336699));
    if (c.zoom >= 0) img.SetPaintZoomFactor(c.zoom);
    else img.SetPaintSizeMode(c.mode);
    EXPECT_EQ(img.PaintSizeMode(), c.mode);
    EXPECT_EQ(img.DstWidth(), c.dw);
    EXPECT_EQ(img.DstHeight(), c.dh);
    EXPECT_EQ(img.HScrollMax(), c.hmax);
    EXPECT_EQ(img.VScrollMax(), c.vmax);
    EXPECT_EQ(img.PaintZoomFactor(), c.zoomRead);
    EXPECT_EQ(img.SrcLeft(), 0);
    EXPECT_EQ(img.SrcWidth(), 1000);
    EXPECT_EQ(img.SrcHeight(), 500);
    EXPECT_EQ(img.DstClipWidth(), img.DstWidth());
    EXPECT_EQ(img.DstLeft(), 0);
  }
}

TEST(PicImageGeometry, ScrollingThroughDstLeftAndTop) {
  TPicImage img;
  img.resize(400, 400);
  Give(img, Solid(1000, 500, 0));
  int before = 0, after = 0;
  img.OnBeforeScroll = [&](TPicImage*) { ++before; };
  img.OnScroll = [&](TPicImage*) { ++after; };
  img.SetDstLeft(20);  // positive: nothing
  EXPECT_EQ(img.DstLeft(), 0);
  EXPECT_EQ(img.HScrollPos(), 0);
  img.SetDstLeft(-30);
  EXPECT_EQ(img.HScrollPos(), 30);
  EXPECT_EQ(img.DstLeft(), -30);
  EXPECT_EQ(img.DstClipLeft(), -30);
  EXPECT_EQ(before, 1);
  img.SetDstLeft(-1000);  // stops at the largest position
  EXPECT_EQ(img.HScrollPos(), 600);
  EXPECT_EQ(img.DstLeft(), -600);
  img.SetDstTop(-500);
  EXPECT_EQ(img.VScrollPos(), 100);
  EXPECT_EQ(img.DstTop(), -100);
  img.ScrollImageBy(-50, -20);
  EXPECT_EQ(img.HScrollPos(), 550);
  EXPECT_EQ(img.VScrollPos(), 80);
  EXPECT_EQ(img.DstLeft(), -550);
  EXPECT_EQ(img.DstTop(), -80);
  // A mode change back to normal scrolls to the origin.
  img.SetPaintSizeMode(smNormal);
  EXPECT_EQ(img.HScrollPos(), 0);
  EXPECT_EQ(img.DstLeft(), 0);
  // Scroll steps: below 1 is a range error, the value stays.
  EXPECT_THROW(img.SetHScrollStep(0), ERangeError);
  EXPECT_EQ(img.LastError(), 0);
  EXPECT_EQ(img.HScrollStep(), 10);
  img.SetVScrollStep(25);
  EXPECT_EQ(img.VScrollStep(), 25);
  // Scroll bar records: the page comes from the bitmap (a tenth of its size).
  img.SetAutoScroll(true);
  EXPECT_EQ(img.HScrollPage(), 100);
  EXPECT_EQ(img.HScrollInfo().max, 600 + 100 - 1);
  EXPECT_EQ(img.VScrollInfo().page, 50);
  EXPECT_GT(after, 0);
}

TEST(PicImageGeometry, CentringRoundsHalvesToEven) {
  TPicImage img;
  img.resize(101, 101);
  Give(img, Solid(51, 51, 0));
  img.SetCenterImage(true);
  EXPECT_EQ(img.DstLeft(), 24);  // Round(50.5) - Round(25.5) = 50 - 26
  EXPECT_EQ(img.DstTop(), 25);   // Round(50.5 - 25.5)
  EXPECT_EQ(img.DstWidth(), 51);
  EXPECT_EQ(img.DstClipLeft(), 24);
  EXPECT_EQ(img.DstRect(), QRect(24, 25, 51, 51));
}

TEST(PicImageGeometry, ClientAndBitmapPointsBothWays) {
  struct Case { int view; int zoom; int scrollX; int frame; int cx, cy, bx, by; } cases[] = {
      {0, 100, 0, 0, 10, 20, 10, 20},
      {0, 200, 100, 0, 50, 60, 75, 30},
      {0, 50, 0, 5, 105, 55, 200, 100},
      {5, 200, 100, 0, 50, 60, 30, 924},  // stored 500 x 1000, shown turned
      {3, 100, 0, 0, 0, 0, 999, 499},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "view " << c.view << " zoom " << c.zoom);
    TPicImage img;
    img.resize(400, 400);
    img.SetFrameThickness(unsigned(c.frame));
    px::Bitmap b = px::IsTurnedPerspective(c.view) ? Solid(500, 1000, 0) : Solid(1000, 500, 0);
    b.viewPerspective = c.view;
    Give(img, b);
    EXPECT_EQ(img.BitmapWidth(), 1000);
    img.SetPaintZoomFactor(c.zoom);
    if (c.scrollX) img.SetDstLeft(-c.scrollX);
    EXPECT_EQ(img.ClientToBitmapX(c.cx, c.cy), c.bx);
    EXPECT_EQ(img.ClientToBitmapY(c.cx, c.cy), c.by);
    EXPECT_EQ(img.BitmapToClient(c.bx, c.by), QPoint(c.cx, c.cy));
  }
  TPicImage empty;
  EXPECT_EQ(empty.DstWidth(), 0);
  EXPECT_EQ(empty.ClientToBitmapX(10, 10), 0);
}

TEST(PicImageGeometry, DestinationSettersWithoutAutoRects) {
  TPicImage img;
  img.resize(200, 200);
  Give(img, Solid(100, 50, 0));
  img.SetAutoSetRects(false);
  img.SetAutoScroll(false);
  img.SetDstWidth(-5);
  EXPECT_EQ(img.DstWidth(), 0);
  img.SetDstHeight(-5);
  EXPECT_EQ(img.DstHeight(), -5);
  EXPECT_EQ(img.SetDstRect(10, 20, 200, 100), 1);
  EXPECT_EQ(img.DstLeft(), 10);
  EXPECT_EQ(img.DstTop(), 20);
  EXPECT_DOUBLE_EQ(img.ScaleX(), 2.0);
  EXPECT_EQ(img.SetDstClipRect(1, 2, 3, 4), 1);
  EXPECT_EQ(img.DstClipHeight(), 4);
  EXPECT_THROW(img.SetPaintZoomFactor(-1), EPicImageError);
  EXPECT_EQ(img.LastError(), -13);
}

TEST(PicImagePaint, PlainPaintShowsThePictureAndReportsPasses) {
  TPicImage img;
  img.resize(400, 400);
  img.SetBackColor(0x00FF00);  // green ($00BBGGRR)
  Give(img, Solid(1000, 500, 0xFF0000));
  img.SetPaintSizeMode(smFit);
  img.SetPaintMaxPasses(3);
  std::vector<std::pair<unsigned, unsigned>> notes;
  img.OnPaintNotify = [&](TPicImage*, unsigned pass, unsigned type) { notes.emplace_back(pass, type); };
  int paints = 0;
  img.OnPaint = [&](TPicImage*) { ++paints; };
  img.show();
  QImage shot = img.grab().toImage();
  EXPECT_EQ(shot.pixelColor(200, 100), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(200, 300), QColor(0, 255, 0));
  EXPECT_GE(paints, 1);
  ASSERT_GE(notes.size(), 4u);
  std::vector<std::pair<unsigned, unsigned>> first(notes.begin(), notes.begin() + 4);
  EXPECT_EQ(first, (std::vector<std::pair<unsigned, unsigned>>{{0, 1}, {1, 1}, {2, 1}, {3, 1}}));
  EXPECT_FALSE(img.IsBusy());
}

TEST(PicImagePaint, FrameOnlyControlAndEmptyControl) {
  TPicImage img;
  img.resize(20, 20);
  img.SetFrameThickness(10);
  img.SetFrameColor(0x0000FF);
  int paints = 0, notes = 0;
  img.OnPaint = [&](TPicImage*) { ++paints; };
  img.OnPaintNotify = [&](TPicImage*, unsigned, unsigned) { ++notes; };
  img.show();
  QImage shot = img.grab().toImage();
  EXPECT_GE(paints, 1);
  EXPECT_EQ(notes, 0);
  EXPECT_EQ(shot.pixelColor(0, 0), QColor(255, 0, 0));
  TPicImage empty;
  empty.resize(50, 50);
  empty.SetBackColor(0x0000FF);
  empty.show();
  EXPECT_EQ(empty.grab().toImage().pixelColor(25, 25), QColor(255, 0, 0));
}

TEST(PicImageGeometry, FrameDpiAndAutoSize) {
  TPicImage img;
  img.resize(408, 408);
  Give(img, Solid(800, 800, 0));
  img.SetPaintSizeMode(smFit);
  EXPECT_EQ(img.DstWidth(), 408);
  img.SetFrameThickness(2);
  img.SetFrameInnerThickness(1);
  img.SetFrameOuterThickness(1);
  EXPECT_EQ(img.FrameWidth(), 4);
  EXPECT_EQ(img.DstWidth(), 400);
  EXPECT_EQ(img.DstHeight(), 400);

  TPicImage dpi;
  dpi.resize(1000, 1000);
  px::Bitmap b = Solid(600, 300, 0);
  b.xResolution = b.yResolution = 300;
  Give(dpi, b);
  dpi.SetPaintSizeUseDPI(true);
  EXPECT_EQ(dpi.DstWidth(), (600 * dpi.logicalDpiX() + 150) / 300);
  EXPECT_EQ(dpi.DstHeight(), (300 * dpi.logicalDpiY() + 150) / 300);

  TPicImage sized;
  Give(sized, Solid(120, 80, 0));
  sized.SetFrameThickness(3);
  sized.SetAutoSize(true);
  EXPECT_EQ(sized.width(), 126);
  EXPECT_EQ(sized.height(), 86);
}

// The shape rectangle from left, top, width and height: the right and bottom edges lie
// width and height past the corner, and the call reports success.
TEST(PicImageGeometry, BoundsRectFromCornerAndSize) {
  QRect r(1, 1, 1, 1);
  EXPECT_EQ(TPicImage::MakeBoundsRect(r, 10, 20, 30, 40), 1);
  EXPECT_EQ(r.left(), 10);
  EXPECT_EQ(r.top(), 20);
  EXPECT_EQ(r.left() + r.width(), 40);
  EXPECT_EQ(r.top() + r.height(), 60);
  EXPECT_EQ(TPicImage::MakeBoundsRect(r, -5, 7, 0, 3), 1);
  EXPECT_EQ(r.left(), -5);
  EXPECT_EQ(r.top(), 7);
  EXPECT_EQ(r.width(), 0);
  EXPECT_EQ(r.height(), 3);
}
