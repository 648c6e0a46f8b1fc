// Settings validation, bitmap hand-over, processing operations, text and shapes, regions and
// the floater of the picture component.
#include <gtest/gtest.h>

#include <QImage>
#include <QRegion>

#include "PicImageVCL.h"
#include "PxProcess.h"

namespace {

px::Bitmap Solid(int w, int h, uint32_t rgb) {
  px::Bitmap b;
  EXPECT_EQ(px::CreateBitmap(b, w, h, 24), px::kOk);
  px::FillBitmap(b, rgb);
  return b;
}

px::Bitmap Ramp(int w, int h) {
  px::Bitmap b;
  EXPECT_EQ(px::CreateBitmap(b, w, h, 24), px::kOk);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px::SetPixel(b, x, y, uint32_t(x << 16 | y << 8 | ((x * y) & 255)));
  return b;
}

uint32_t Px(TPicImage& img, int x, int y) { return px::GetPixel(*img.GetBitmap(), x, y); }

std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const EPicException& e) {
    return e.message().toStdString();
  }
  return "";
}

}  // namespace

TEST(PicImageSettings, RangesAndMessages) {
  TPicImage img;
  img.setObjectName(QStringLiteral("Pic"));
  struct Case {
    std::function<void()> set;
    const char* message;  // empty: accepted
  } cases[] = {
      {[&] { img.SetEffectGrain(0); }, "Pic \nEffectGrain: Invalid Property value."},
      {[&] { img.SetEffectGrain(257); }, "Pic \nEffectGrain: Invalid Property value."},
      {[&] { img.SetEffectGrain(1); }, ""},
      {[&] { img.SetEffectGrain(256); }, ""},
      {[&] { img.SetGradientSteps(1); }, "Pic \nGradientSteps: Invalid Property value."},
      {[&] { img.SetGradientSteps(265); }, ""},
      {[&] { img.SetGradientSteps(266); }, "Pic \nGradientSteps: Invalid Property value."},
      {[&] { img.SetPaintMaxPasses(65); }, "Pic \nPaintMaxPasses: Invalid Property value."},
      {[&] { img.SetPaintMaxPasses(0); }, "Pic \nPaintMaxPasses: Invalid Property value."},
      {[&] { img.SetPaintEffect(1002); }, "Pic \nPaintEffect: Invalid Property value"},
      {[&] { img.SetPaintEffect(2555); }, "Pic \nPaintEffect: Invalid Property value"},
      {[&] { img.SetPaintEffect(17000); }, "Pic \nPaintEffect: Invalid Property value"},
      {[&] { img.SetPaintEffect(-5); }, "Pic \nPaintEffect: Invalid Property value"},
      {[&] { img.SetPaintEffect(1001); }, ""},
      {[&] { img.SetPaintEffect(2554); }, ""},
      {[&] { img.SetPaintEffect(16035); }, ""},
      {[&] { img.SetTransitionEffect(9002); }, "Pic \nTransitionEffect: Invalid Property value"},
      {[&] { img.SetGradientStyle(1016); }, "Pic \nGradientStyle: Invalid Property value"},
      {[&] { img.SetGradientStyle(5007); }, ""},
  };
  for (auto& c : cases) EXPECT_EQ(Message(c.set), c.message);
  // Refused values leave the stored ones.
  EXPECT_EQ(img.EffectGrain(), 256u);
  EXPECT_EQ(img.PaintEffect(), 16035);
  EXPECT_EQ(img.GradientSteps(), 265u);
  EXPECT_EQ(img.GradientStyle(), 5007u);
  EXPECT_EQ(img.PaintMaxPasses(), 1u);
}

TEST(PicImageSettings, CodeTablesAndPolygon) {
  EXPECT_EQ(TPicImage::TextAlignFlags(etaHcenterVcenter), 272);
  EXPECT_EQ(TPicImage::TextAlignFlags(etaRightBottom), 544);
  EXPECT_EQ(TPicImage::TextAlignFlags(etaLeftVcenter), 256);
  EXPECT_EQ(TPicImage::TextStyleCode(etsInsetExtraLight), 8);
  EXPECT_EQ(TPicImage::TextStyleCode(etsRaisedExtraHeavy), 11);
  EXPECT_EQ(TPicImage::TextStyleCode(etsDropShadow), 5);
  EXPECT_EQ(TPicImage::ShapeStyleCode(sbsTranslucentTiledImage), 4);
  EXPECT_EQ(TPicImage::ShapeStyleCode(sbsGradient), -1);
  EXPECT_EQ(TPicImage::ShapeStyleCode(sbrDashDotDot), 5);
  EXPECT_EQ(TPicImage::ShapeStyleCode(sibRaised), 2);
  EXPECT_EQ(TPicImage::PatternStyleCode(7), 7);
  EXPECT_EQ(TPicImage::PatternStyleCode(8), 0);
  TPicImage img;
  img.setObjectName(QStringLiteral("Pic"));
  img.SetPolygonSize(3);
  img.SetPolygonPoint(2, QPoint(5, 6));
  EXPECT_EQ(img.PolygonPoint(2), QPoint(5, 6));
  EXPECT_EQ(Message([&] { img.SetPolygonPoint(3, QPoint()); }), "Pic \nPolygonPoint[]: Index out of range.");
  EXPECT_EQ(img.LastError(), 0);
  img.SetFrameThickness(2);
  img.SetFrameInnerThickness(1);
  img.SetFrameOuterThickness(1);
  EXPECT_EQ(img.FrameWidth(), 4);
}

TEST(PicImageHandOver, ListItemsAndRefBitmap) {
  TPicImage img;
  EXPECT_EQ(img.GetBitmap(), nullptr);
  px::Bitmap a = Solid(4, 4, 1), b = Solid(5, 5, 2), c = Solid(6, 6, 3);
  img.SetBitmap(&a);
  ASSERT_NE(img.GetBitmap(), nullptr);
  // An empty bitmap removes the only item: list gone, nothing allocated.
  EXPECT_EQ(img.SetBitmap(static_cast<const px::Bitmap*>(nullptr)), 1);
  EXPECT_FALSE(img.IsAllocated());
  EXPECT_EQ(img.BitmapList(), nullptr);
  // Three items, index 2; removing it leaves index 1 and the next bitmap is appended.
  px::BitmapList* list = nullptr;
  img.SetBitmap(&a);
  list = img.BitmapList();
  ASSERT_NE(list, nullptr);
  list->append(b);
  list->append(c);
  img.SelectListItem(2);
  img.SetBitmap(static_cast<const px::Bitmap*>(nullptr));
  EXPECT_EQ(img.BitmapListIndex(), 1);
  EXPECT_EQ(img.BitmapListCount(), 2);
  EXPECT_EQ(img.BitmapWidth(), 5);
  // RefBitmap: the caller's record is emptied, the component keeps the pixels.
  img.SetRefBitmap(true);
  px::Bitmap d = Solid(7, 7, 4);
  ASSERT_EQ(img.SetBitmap(&d), 1);
  EXPECT_FALSE(d.allocated());
  EXPECT_EQ(d.width, 0);
  EXPECT_EQ(img.BitmapWidth(), 7);
  EXPECT_EQ(img.ReadListInfo(), 1);
  EXPECT_EQ(img.ListInfoWidth(), 4);
}

TEST(PicImageHandOver, AnimationSwitch) {
  TPicImage img;
  img.setObjectName(QStringLiteral("Pic"));
  EXPECT_EQ(Message([&] { img.AnimationEnable(true); }), "Pic \nAnimationEnable: No bitmap list.");
  EXPECT_EQ(img.LastError(), -2);
  px::Bitmap a = Solid(4, 4, 1);
  img.SetBitmap(&a);
  int events = 0;
  img.OnAnimate = [&](TPicImage*, bool) { ++events; };
  img.AnimationEnable(true);
  img.AnimationEnable(true);
  EXPECT_EQ(events, 1);
  EXPECT_EQ(img.LastError(), 1);
  EXPECT_TRUE(img.PlaybackActive());
  EXPECT_THROW(img.Sharpen(10), EPicImageError);  // refused while playing
  img.AnimationEnable(false);
  EXPECT_FALSE(img.PlaybackActive());
  EXPECT_EQ(events, 2);
  EXPECT_EQ(img.Sharpen(10), 1);
}

TEST(PicImageProcess, GeometryExactPixels) {
  TPicImage img;
  px::Bitmap r = Ramp(6, 4);
  img.SetBitmap(&r);
  ASSERT_EQ(img.Flip(), 1);
  EXPECT_EQ(Px(img, 2, 0), px::GetPixel(r, 2, 3));
  ASSERT_EQ(img.Reverse(), 1);
  EXPECT_EQ(Px(img, 0, 0), px::GetPixel(r, 5, 3));
  img.SetBitmap(&r);
  ASSERT_EQ(img.Rotate(9000, 1, 0xFFFFFF), 1);
  EXPECT_EQ(img.BitmapWidth(), 4);
  EXPECT_EQ(img.BitmapHeight(), 6);
  EXPECT_EQ(Px(img, 3, 0), px::GetPixel(r, 0, 0));  // top-left goes to top-right
  ASSERT_EQ(img.Rotate(27000, 1, 0xFFFFFF), 1);
  EXPECT_EQ(Px(img, 4, 2), px::GetPixel(r, 4, 2));
  for (int flags : {0, 2, 4}) {
    ASSERT_EQ(img.Size(13, 9, flags), 1);
    EXPECT_EQ(img.BitmapWidth(), 13);
    EXPECT_EQ(img.BitmapHeight(), 9);
  }
  ASSERT_EQ(img.FastRotate(9000), 1);
  EXPECT_EQ(img.BitmapWidth(), 9);
}

TEST(PicImageProcess, BadInputRaisesThePartsErrors) {
  TPicImage img;
  img.setObjectName(QStringLiteral("Pic"));
  EXPECT_EQ(Message([&] { img.Sharpen(100); }), "Pic \nSharpen: Image not allocated.");
  EXPECT_EQ(img.LastError(), -2);
  EXPECT_EQ(Message([&] { img.Rotate(9000, 1, 0); }), "Pic \nRotate: Image not allocated.");
  px::Bitmap r = Ramp(6, 4);
  img.SetBitmap(&r);
  EXPECT_EQ(Message([&] { img.Size(0, 10, 2); }), "Pic \nError code: -11\nSize: Invalid width/height ");
  EXPECT_THROW(img.Size(-5, 10, 2), EPicImageError);
  EXPECT_THROW(img.Size(1000000, 1000000, 2), EPicImageError);
  EXPECT_EQ(img.BitmapWidth(), 6);
  EXPECT_THROW(img.Sharpen(5000), EPicImageError);
  EXPECT_THROW(img.GaussianFilter(-1), EPicImageError);
  EXPECT_THROW(img.Combine(0, 0, 2, 2, nullptr, 0, 0, 800), EPicImageError);
  // Without method errors the status comes back and the picture stays.
  img.SetEnableMethodErrors(false);
  EXPECT_EQ(img.Size(0, 3, 2), px::kInvalidSize);
  EXPECT_EQ(img.Combine(0, 0, 2, 2, &r, 0, 0, 801), px::kNotSupported);
  EXPECT_EQ(img.BitmapWidth(), 6);
}

TEST(PicImageProcess, FiltersKeepTheirInvariants) {
  TPicImage img;
  px::Bitmap r = Ramp(30, 20);
  img.SetBitmap(&r);
  ASSERT_EQ(img.GrayScale(24), 1);
  for (int x = 0; x < 30; ++x) {
    uint32_t c = Px(img, x, 7);
    ASSERT_EQ(c >> 16, (c >> 8) & 255);
    ASSERT_EQ(c & 255, (c >> 8) & 255);
  }
  ASSERT_EQ(img.GrayScale(8), 1);
  EXPECT_EQ(img.BitmapBits(), 8);
  const double red[3] = {0, 1, 0}, green[3] = {1, 0, 0}, blue[3] = {0, 0, 1};
  img.SetBitmap(&r);
  ASSERT_EQ(img.BalanceColors(red, green, blue), 1);
  EXPECT_EQ(Px(img, 5, 9), uint32_t(9 << 16 | 5 << 8 | 45));
  ASSERT_EQ(img.GaussianFilter(30), 1);
  ASSERT_EQ(img.Sharpen(850), 1);
}

TEST(PicImageProcess, RegionFillCombineAndRedEye) {
  TPicImage img;
  img.resize(40, 30);
  px::Bitmap b = Solid(40, 30, 0x000000);
  img.SetBitmap(&b);
  ASSERT_EQ(img.SetRgnRect(0, 28, 2, 2, 1), 1);
  EXPECT_TRUE(img.HasRgn());
  EXPECT_EQ(QRect(img.RgnLeft(), img.RgnTop(), img.RgnWidth(), img.RgnHeight()), QRect(0, 28, 2, 2));
  ASSERT_EQ(img.Fill(0x0000FF), 1);  // red as TColor
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(Px(img, x, y), (x < 2 && y >= 28) ? 0xFF0000u : 0u) << x << "," << y;
  // Combine copies the source rectangle and leaves the source alone.
  px::Bitmap src = Ramp(10, 10);
  const uint32_t before = px::GetPixel(src, 3, 3);
  img.FreeRgn();
  ASSERT_EQ(img.Combine(5, 5, 4, 4, &src, 2, 2, 800), 1);
  EXPECT_EQ(Px(img, 6, 6), px::GetPixel(src, 3, 3));
  EXPECT_EQ(Px(img, 9, 9), 0u);
  EXPECT_EQ(px::GetPixel(src, 3, 3), before);
  // Red-eye inside the region only.
  px::Bitmap eyes = Solid(40, 30, 0xE01010);
  img.SetBitmap(&eyes);
  ASSERT_EQ(img.SetRgnRect(10, 10, 5, 5, 1), 1);
  ASSERT_EQ(img.RemoveRedeye(0, 40, 50), 1);
  EXPECT_NE(Px(img, 12, 12), 0xE01010u);
  EXPECT_EQ(Px(img, 20, 20), 0xE01010u);
}

TEST(PicImageRegions, CombineModesBoundsAndErrors) {
  TPicImage img;
  img.setObjectName(QStringLiteral("Pic"));
  img.resize(50, 50);
  EXPECT_EQ(Message([&] { img.SetRgnRect(0, 0, 5, 5, 1); }), "Pic \nSetRgnRect: Image not allocated.");
  px::Bitmap b = Solid(50, 50, 0);
  img.SetBitmap(&b);
  int changes = 0;
  img.OnRgnChange = [&](TPicImage*) { ++changes; };
  struct Case {
    QRect rect;
    int mode;
    QRect bounds;
  } cases[] = {
      {QRect(10, 10, 10, 10), 1, QRect(10, 10, 10, 10)},  // replace
      {QRect(15, 15, 10, 10), 3, QRect(10, 10, 15, 15)},  // unite
      {QRect(12, 12, 5, 20), 2, QRect(12, 12, 5, 13)},    // intersect
      {QRect(12, 12, 5, 5), 5, QRect(12, 17, 5, 8)},      // subtract
      {QRect(0, 0, 3, 3), 4, QRect(0, 0, 17, 25)},        // exclusive or
  };
  for (const Case& c : cases) {
    ASSERT_EQ(img.SetRgnRect(c.rect.x(), c.rect.y(), c.rect.width(), c.rect.height(), c.mode), 1);
    EXPECT_EQ(QRect(img.RgnLeft(), img.RgnTop(), img.RgnWidth(), img.RgnHeight()), c.bounds) << c.mode;
  }
  EXPECT_EQ(changes, 5);
  EXPECT_THROW(img.SetRgnRect(0, 0, 5, 5, 9), EPicImageError);
  EXPECT_THROW(img.SetRgnRect(200, 200, 5, 5, 1), EPicImageError);  // outside the bitmap
  // Handles between components.
  TPicImage::HRGN h = img.GetRgnHandle();
  TPicImage other;
  px::Bitmap o = Solid(50, 50, 0);
  other.SetBitmap(&o);
  ASSERT_EQ(other.SetRgnHandle(h, 1, 1, 1), 1);
  EXPECT_EQ(other.RgnLeft(), 1);
  EXPECT_TRUE(img.DeleteRgn(h));
  // A region that ends up empty is gone.
  ASSERT_EQ(other.SetRgnRect(0, 0, 10, 10, 1), 1);
  ASSERT_EQ(other.SetRgnRect(0, 0, 10, 10, 5), 1);
  EXPECT_FALSE(other.HasRgn());
  // An empty region fills nothing (the whole picture only without one).
  other.SetRgnRect(0, 0, 10, 10, 1);
  other.SetRgnRect(0, 0, 10, 10, 4);
  EXPECT_FALSE(other.HasRgn());
}

TEST(PicImageRegions, OutlineTimer) {
  TPicImage img;
  px::Bitmap b = Solid(20, 20, 0);
  img.SetBitmap(&b);
  img.SetRgnRect(2, 2, 5, 5, 1);
  img.SetRgnFrameType(2);
  img.SetRgnFrameType(2);
  EXPECT_TRUE(img.RgnOutlineTimerActive());
  EXPECT_EQ(img.RgnFrameType(), 2);
  const int phase = img.RgnFramePhase();
  img.RgnOutlineTick();
  EXPECT_EQ(img.RgnFramePhase(), (phase + 1) % 8);
  img.SetRgnFrameType(0);
  EXPECT_FALSE(img.RgnOutlineTimerActive());
}

TEST(PicImageRegions, FloaterRotateAndDrag) {
  TPicImage img;
  img.resize(60, 60);
  px::Bitmap b = Solid(60, 60, 0x000000);
  px::FillBitmap(b, 0xFF0000, std::make_unique<QRegion>(20, 25, 20, 10).get());
  img.SetBitmap(&b);
  img.SetEnableFloater(true);
  ASSERT_TRUE(img.EnableFloater());
  ASSERT_EQ(img.SetRgnRect(20, 25, 20, 10, 1), 1);
  // Only the cut-out turns, centred on its old centre.
  ASSERT_EQ(img.Rotate(9000, 1, 0xFFFFFF), 1);
  EXPECT_EQ(img.BitmapWidth(), 60);
  EXPECT_EQ(Px(img, 30, 20), 0xFF0000u);  // the turned bar reaches up
  EXPECT_EQ(Px(img, 30, 39), 0xFF0000u);  // and down
  EXPECT_EQ(Px(img, 29, 19), 0u);
  EXPECT_EQ(Px(img, 5, 5), 0u);
  EXPECT_EQ(QRect(img.RgnLeft(), img.RgnTop(), img.RgnWidth(), img.RgnHeight()), QRect(25, 20, 10, 20));
  // Floater drag: the first drag moves a copy.
  img.show();
  img.FreeRgn();
  ASSERT_EQ(img.SetRgnRect(0, 0, 10, 10, 1), 1);
  ASSERT_EQ(img.Fill(0xFF00), 1);
  ASSERT_EQ(img.SetRgnRect(0, 0, 10, 10, 1), 1);
  ASSERT_EQ(img.FloaterLift(QPoint(5, 5)), 1);
  EXPECT_TRUE(img.FloaterDragging());
  img.FloaterDragTo(QPoint(25, 5));
  ASSERT_EQ(img.FloaterDrop(), 1);
  EXPECT_EQ(Px(img, 22, 5), 0x00FF00u);
  EXPECT_EQ(Px(img, 2, 2), 0x00FF00u);
  EXPECT_EQ(img.RgnLeft(), 20);
  // Setting EnableFloater while AutoFloater is off changes nothing.
  img.SetAutoFloater(false);
  img.SetEnableFloater(true);
  EXPECT_FALSE(img.EnableFloater());
  EXPECT_EQ(img.LastError(), 0);
}

TEST(PicImageDrawing, TextStaysInItsRectangleAndShadow) {
  TPicImage img;
  img.resize(120, 80);
  px::Bitmap b = Solid(120, 80, 0xFFFFFF);
  img.SetBitmap(&b);
  img.SetDrawPersistence(true);
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(20);
  img.SetTextFont(f);
  img.SetTextFontColor(0x0000FF);
  img.SetTextStyle(etsDropShadow);
  img.SetShadowXDepth(4);
  img.SetShadowYDepth(3);
  img.SetTextAlign(etaHcenterVcenter);
  img.SetTextLeft(20);
  img.SetTextTop(20);
  img.SetTextWidth(70);
  img.SetTextHeight(30);
  ASSERT_EQ(img.DrawText(QStringLiteral("Hallo"), nullptr), 1);
  const QRegion allowed = QRegion(20, 20, 70, 30) + QRegion(24, 23, 70, 30);
  int changed = 0;
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 120; ++x)
      if (Px(img, x, y) != 0xFFFFFFu) {
        ++changed;
        ASSERT_TRUE(allowed.contains(QPoint(x, y))) << x << "," << y;
      }
  EXPECT_GT(changed, 20);
  // A turned text stays inside the bitmap.
  img.SetTextAngle(450);
  img.SetTextLeft(-50);
  img.SetTextWidth(240);
  ASSERT_EQ(img.DrawText(QStringLiteral("Kalvora Kalvora"), nullptr), 1);
  EXPECT_EQ(img.BitmapWidth(), 120);
  // A shape with its shadow.
  img.SetShapeLeft(5);
  img.SetShapeTop(5);
  img.SetShapeWidth(30);
  img.SetShapeHeight(20);
  img.SetShapeBackgroundStyle(sbsOpaque);
  img.SetPatternBackColor(0x00FF00);
  ASSERT_EQ(img.DrawShape(2000, img.GetBitmap()), 1);
  EXPECT_EQ(Px(img, 20, 15), 0x00FF00u);
  EXPECT_THROW(img.DrawShape(2001, nullptr), EPicImageError);
}

TEST(PicImageProcess, CaptureWithZoomZeroDoesNotDivide) {
  TPicImage img;
  img.resize(40, 40);
  px::Bitmap b = Solid(40, 40, 0);
  img.SetBitmap(&b);
  img.SetPaintSizeMode(smZoom);
  img.SetPaintZoomFactor(0);
  img.CaptureScreenAround(uint32_t(10 | (10 << 16)), true);
  EXPECT_GE(img.CaptureRect().width(), 1);
  EXPECT_GE(img.CaptureRect().height(), 1);
  EXPECT_TRUE(img.IsAllocated());
}
