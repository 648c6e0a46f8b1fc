// What a paint of the picture component shows, layer by layer: the picture at its zoom and scroll
// position inside the frame, the background around it, the region (alone, outlined or filled),
// the rubber band, floaters, the window drawing on top, a transition under a transparent colour
// and the playback frame. Expected pixels come from the picture's own formula.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <vector>

#include "PicImageVCL.h"
#include "PxEffects.h"
#include "PxProcess.h"

namespace {

QRgb Formula(int x, int y, int seed) {
  return qRgb((x * 5 + seed * 40) & 255, (y * 7 + seed * 20) & 255, ((x ^ y) * 3 + seed) & 255);
}

px::Bitmap Pattern(int w, int h, int seed = 1) {
  px::Bitmap b;
  EXPECT_EQ(px::CreateBitmap(b, w, h, 24), px::kOk);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px::SetPixel(b, x, y, Formula(x, y, seed) & 0xFFFFFF);
  return b;
}

// A 100 x 80 component with `picture`, shown and painted once; `shot` paints it again.
struct Painted {
  TPicImage img;
  px::Bitmap picture;
  explicit Painted(px::Bitmap b = Pattern(60, 50)) : picture(std::move(b)) {
    img.resize(100, 80);
    img.SetBackColor(0x00FF00);  // green ($00BBGGRR)
    img.SetEffectDelay(0);
    img.SetPaintNotificationDelay(0);
  }
  void give() { ASSERT_EQ(img.SetBitmap(&picture), 1); }
  // The frame the paint made (the control's own picture, without the scroll bars over it).
  QImage shot() {
    img.show();
    (void)img.grab();
    return img.EffectFrame().convertToFormat(QImage::Format_ARGB32);
  }
};

QRgb At(const QImage& img, int x, int y) { return img.pixel(x, y) | 0xFF000000u; }
const QRgb kGreen = qRgb(0, 255, 0);

}  // namespace

// Control pixel (x, y) shows picture pixel ((x - frame + scroll) * 100 / zoom) inside the
// picture's rectangle and the back colour beyond it.
TEST(PicImagePaintLayers, PictureAtItsZoomScrollAndFrame) {
  struct Case {
    int pictureW, pictureH, zoom, frame, scrollX, scrollY;
    bool centre;
  };
  const Case cases[] = {
      {60, 50, 100, 0, 0, 0, false},  {300, 200, 100, 0, 40, 30, false}, {60, 50, 200, 0, 0, 0, false},
      {60, 50, 300, 2, 25, 33, false}, {60, 50, 100, 0, 0, 0, true},    {60, 50, 100, 3, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.pictureW << "x" << c.pictureH << " zoom " << c.zoom << " frame " << c.frame
                                      << " scroll " << c.scrollX << "," << c.scrollY << (c.centre ? " centred" : ""));
    Painted p(Pattern(c.pictureW, c.pictureH));
    p.img.SetFrameThickness(unsigned(c.frame));
    p.img.SetFrameColor(0xFF0000);  // blue
    p.img.SetCenterImage(c.centre);
    p.give();
    if (c.zoom != 100) p.img.SetPaintZoomFactor(c.zoom);
    p.img.show();
    (void)p.img.grab();
    p.img.ScrollHorzBy(c.scrollX);
    p.img.ScrollVertBy(c.scrollY);
    const QImage s = p.shot();
    // Centred, the 60 x 50 picture stands in the middle of the 100 x 80 control.
    const int offX = c.centre ? 20 : 0, offY = c.centre ? 15 : 0;
    for (int y = c.frame; y < 64; y += 3)
      for (int x = c.frame; x < 84; x += 3) {
        const int dx = x - c.frame - offX + c.scrollX, dy = y - c.frame - offY + c.scrollY;
        const int sx = dx * 100 / c.zoom, sy = dy * 100 / c.zoom;
        const bool inside = dx >= 0 && dy >= 0 && sx < c.pictureW && sy < c.pictureH;
        ASSERT_EQ(At(s, x, y), inside ? Formula(sx, sy, 1) : kGreen) << x << "," << y;
      }
    if (c.frame) {
      EXPECT_EQ(At(s, 0, 0), qRgb(0, 0, 255));
      EXPECT_EQ(At(s, c.frame - 1, 40), qRgb(0, 0, 255));
    }
  }
}

// Around the picture: the back colour (with or without BackErase); transparent, nothing.
TEST(PicImagePaintLayers, BackgroundAroundThePicture) {
  for (int mode = 0; mode < 3; ++mode) {
    SCOPED_TRACE(mode);
    Painted p;
    if (mode == 1) p.img.SetBackErase(true);
    if (mode == 2) p.img.SetTransparent(true);
    p.give();
    const QImage s = p.shot();
    EXPECT_EQ(At(s, 10, 10), Formula(10, 10, 1));
    EXPECT_EQ(At(s, 59, 49), Formula(59, 49, 1));
    for (const QPoint& q : {QPoint(60, 10), QPoint(99, 79), QPoint(10, 50)}) {
      if (mode == 2)
        EXPECT_EQ(qAlpha(s.pixel(q)), 0) << q.x() << "," << q.y();
      else
        EXPECT_EQ(At(s, q.x(), q.y()), kGreen) << q.x() << "," << q.y();
    }
  }
}

// PaintRgnOnly paints the picture inside the region only, at the zoom and scroll position; the
// rest keeps what the control showed before (here, at the first paint, the back colour). The
// region is given in control pixels.
TEST(PicImagePaintLayers, RegionOnlyAtZoomAndScroll) {
  Painted p;
  p.give();
  p.img.SetPaintZoomFactor(300);
  p.img.SetRgnRect(30, 30, 60, 45, 1);  // bitmap pixels 10 .. 29, 10 .. 24
  p.img.SetPaintRgnOnly(true);
  p.img.ScrollHorzBy(20);
  p.img.ScrollVertBy(10);
  const QImage s = p.shot();
  ASSERT_EQ(p.img.HScrollPos(), 20);
  ASSERT_EQ(p.img.VScrollPos(), 10);
  for (int y = 0; y < 64; y += 2)
    for (int x = 0; x < 84; x += 2) {
      const int sx = (x + 20) / 3, sy = (y + 10) / 3;
      const bool inRegion = sx >= 10 && sx < 30 && sy >= 10 && sy < 25;
      ASSERT_EQ(At(s, x, y), inRegion ? Formula(sx, sy, 1) : kGreen) << x << "," << y;
    }
}

// The region's outline (white under black dashes) runs along its edges at the zoom; a filled
// region shows its colour inside the frame.
TEST(PicImagePaintLayers, RegionOutlineAndFill) {
  auto isMark = [](QRgb c) { return (c & 0xFFFFFF) == 0xFFFFFF || (c & 0xFFFFFF) == 0; };
  {
    Painted p;
    p.give();
    p.img.SetPaintZoomFactor(200);
    p.img.SetRgnRect(10, 10, 60, 40, 1);  // bitmap pixels 5 .. 34, 5 .. 24
    p.img.SetRgnFrameType(1);
    const QImage s = p.shot();
    std::vector<int> marks;
    for (int x = 0; x < 84; ++x)
      if (isMark(s.pixel(x, 30))) marks.push_back(x);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_LE(std::abs(marks[0] - 10), 1);
    EXPECT_LE(std::abs(marks[1] - 70), 1);
    EXPECT_EQ(At(s, 40, 30), Formula(20, 15, 1));
    EXPECT_EQ(At(s, 80, 60), Formula(40, 30, 1));
    p.img.SetRgnFrameType(0);
  }
  {
    Painted p;
    p.img.SetFrameThickness(4);
    p.give();
    p.img.SetRgnRect(5, 5, 30, 20, 1);
    p.img.SetRgnColor(0xFF00FF);  // magenta
    p.img.SetRgnFrameType(3);
    const QImage s = p.shot();
    EXPECT_EQ(At(s, 4 + 5, 4 + 5), qRgb(255, 0, 255));
    EXPECT_EQ(At(s, 4 + 34, 4 + 24), qRgb(255, 0, 255));
    EXPECT_EQ(At(s, 4 + 35, 4 + 10), Formula(35, 10, 1));
    EXPECT_EQ(At(s, 4 + 4, 4 + 10), Formula(4, 10, 1));
    p.img.SetRgnFrameType(0);
  }
}

// The rubber band is a dotted black outline of its rectangle, moved by the scrolling since it
// was started; with a region tool it is not drawn.
TEST(PicImagePaintLayers, RubberBandIsADottedOutline) {
  for (int variant = 0; variant < 3; ++variant) {
    SCOPED_TRACE(variant);
    Painted p(Pattern(300, 200));
    p.give();
    if (variant == 2) p.img.SetRgnMouseMode(1);
    p.img.show();
    (void)p.img.grab();
    p.img.StartRubberBand(20, 12);
    p.img.MoveRubberBand(50, 40);
    const int shift = variant == 1 ? 6 : 0;
    if (variant == 1) p.img.ScrollHorzBy(shift), p.img.ScrollVertBy(shift);
    const QImage s = p.shot();
    auto black = [&](int x, int y) { return At(s, x - shift, y - shift) == qRgb(0, 0, 0); };
    int dots = 0;
    for (int x = 20; x <= 50; ++x) dots += black(x, 12);
    if (variant == 2) {
      EXPECT_EQ(dots, 0);
      continue;
    }
    int beside = 0;
    for (int x = 22; x <= 48; ++x) beside += black(x, 11) + black(x, 13);
    EXPECT_EQ(beside, 0) << "the top edge lies on row 12";
    EXPECT_GE(dots, 8);
    EXPECT_LE(dots, 23);  // dotted, not solid
    int left = 0;
    for (int y = 12; y <= 40; ++y) left += black(20, y);
    EXPECT_GE(left, 7);
    EXPECT_EQ(At(s, 35 - shift, 25 - shift), Formula(35, 25, 1)) << "inside the band the picture";
  }
}

// Moving the floater's left or top edge keeps its size and draws it at the new place.
TEST(PicImagePaintLayers, FloaterEdgesMoveIt) {
  Painted p;
  p.give();
  px::Bitmap f = Pattern(20, 16, 9);
  ASSERT_EQ(p.img.SetFloater(&f), 1);
  p.img.SetFloaterDstRect(10, 10, 20, 16);
  p.img.SetFloaterDstClipRect(0, 0, 60, 50);
  p.img.SetFloaterVisible(true);
  p.img.SetFloaterDstLeft(30);
  p.img.SetFloaterDstTop(25);
  EXPECT_EQ(p.img.FloaterDstRect(), QRect(30, 25, 20, 16));
  const QImage s = p.shot();
  for (int j = 0; j < 16; j += 3)
    for (int i = 0; i < 20; i += 3) ASSERT_EQ(At(s, 30 + i, 25 + j), Formula(i, j, 9)) << i << "," << j;
  EXPECT_EQ(At(s, 12, 12), Formula(12, 12, 1));  // the old place shows the picture again
}

// The floater background is the picture under the region's bounds; without a region it fails
// with the floater message; BlitFloater answers 0 without a floater.
TEST(PicImagePaintLayers, FloaterBackgroundAndBlit) {
  Painted p;
  p.img.setObjectName("PicImage1");
  p.give();
  EXPECT_EQ(p.img.BlitFloater(), 0);
  ASSERT_EQ(p.img.SetRgnRect(7, 4, 12, 9, 1), 1);
  ASSERT_EQ(p.img.CopyFloaterBackground(), 1);
  const px::Bitmap& bg = p.img.BackgroundBitmap();
  ASSERT_TRUE(bg.allocated());
  ASSERT_EQ(bg.width, 12);
  ASSERT_EQ(bg.height, 9);
  for (int j = 0; j < 9; j += 2)
    for (int i = 0; i < 12; i += 3)
      EXPECT_EQ(px::GetPixel(bg, i, j) & 0xFFFFFFu, Formula(7 + i, 4 + j, 1) & 0xFFFFFFu) << i << "," << j;
  Painted q;
  q.give();
  px::Bitmap f = Pattern(20, 16, 9);
  ASSERT_EQ(q.img.SetFloater(&f), 1);
  q.img.SetFloaterVisible(true);
  EXPECT_EQ(q.img.BlitFloater(), 1);
  Painted empty;
  empty.img.setObjectName("PicImage2");
  empty.give();
  try {
    empty.img.CopyFloaterBackground();
    ADD_FAILURE() << "no region, no background";
  } catch (const EPicImageError& e) {
    EXPECT_TRUE(e.message().startsWith(QStringLiteral("PicImage2 \nError code: ")));
    EXPECT_TRUE(e.message().contains(QStringLiteral("\nError Allocating Floater Bitmaps: ")));
  }
  EXPECT_NE(empty.img.LastError(), 1);
}

// Qt paints true colour: a palette change in the foreground is taken, otherwise nothing is realised.
TEST(PicImagePaintLayers, NoPaletteToRealise) {
  Painted p;
  p.give();
  EXPECT_TRUE(p.img.PaletteChanged(true));
  EXPECT_FALSE(p.img.PaletteChanged(false));
  EXPECT_FALSE(p.img.RealizeImagePalette(false));
}

// Timer 100 is the outline tick: a marching outline steps its phase, a still one keeps it,
// other timers leave it alone.
TEST(PicImagePaintLayers, OutlineTimerStepsTheMarchingPhase) {
  Painted p;
  p.give();
  ASSERT_EQ(p.img.SetRgnRect(5, 5, 20, 15, 1), 1);
  p.img.SetRgnFrameType(2);
  const int start = p.img.RgnFramePhase();
  p.img.TimerMessage(100);
  EXPECT_EQ(p.img.RgnFramePhase(), (start + 1) % 8);
  for (int i = 0; i < 7; ++i) p.img.TimerMessage(100);
  EXPECT_EQ(p.img.RgnFramePhase(), start);  // eight phases
  p.img.TimerMessage(7);
  EXPECT_EQ(p.img.RgnFramePhase(), start);
  p.img.SetRgnFrameType(1);
  p.img.TimerMessage(100);
  EXPECT_EQ(p.img.RgnFramePhase(), start);
}

// A floater is drawn stretched into its destination rectangle (inside the frame, cut by its
// clip rectangle); a lifted region is drawn where the mouse dragged it.
TEST(PicImagePaintLayers, FloatersLieOverThePicture) {
  {
    Painted p;
    p.img.SetFrameThickness(3);
    p.give();
    px::Bitmap f = Pattern(20, 16, 9);
    ASSERT_EQ(p.img.SetFloater(&f), 1);
    p.img.SetFloaterDstRect(30, 20, 40, 32);
    p.img.SetFloaterDstClipRect(0, 0, 60, 40);
    p.img.SetFloaterVisible(true);
    const QImage s = p.shot();
    for (int j = 0; j < 16; j += 3)
      for (int i = 0; i < 20; i += 3) {
        const int x = 3 + 30 + 2 * i, y = 3 + 20 + 2 * j;
        const bool clipped = 30 + 2 * i >= 60 || 20 + 2 * j >= 40;
        ASSERT_EQ(At(s, x, y), clipped ? (x - 3 < 60 && y - 3 < 50 ? Formula(x - 3, y - 3, 1) : kGreen)
                                       : Formula(i, j, 9))
            << i << "," << j;
      }
  }
  {
    Painted p;
    p.give();
    p.img.SetRgnRect(5, 5, 20, 15, 1);
    p.img.SetEnableFloater(true);
    ASSERT_EQ(p.img.FloaterLift(QPoint(10, 10)), 1);
    p.img.FloaterDragTo(QPoint(40, 30));  // 30 right, 20 down
    const QImage s = p.shot();
    for (int j = 0; j < 15; j += 2)
      for (int i = 0; i < 20; i += 2) ASSERT_EQ(At(s, 35 + i, 25 + j), Formula(5 + i, 5 + j, 1)) << i << "," << j;
    EXPECT_EQ(At(s, 5, 5), Formula(5, 5, 1)) << "the picture under it is unchanged until the drop";
    EXPECT_EQ(p.img.FloaterDrop(), 1);
  }
}

// What is drawn on the window lies over the picture, the region fill and the floater.
TEST(PicImagePaintLayers, WindowDrawingLiesOnTop) {
  Painted p;
  p.give();
  p.img.SetRgnRect(5, 5, 30, 20, 1);
  p.img.SetRgnColor(0xFF00FF);
  p.img.SetRgnFrameType(3);
  QPainter* c = p.img.BeginDrawCanvas(false);  // black pen, one pixel
  ASSERT_NE(c, nullptr);
  c->drawLine(0, 15, 90, 15);
  p.img.EndDrawCanvas(c);
  const QImage s = p.shot();
  EXPECT_EQ(At(s, 20, 15), qRgb(0, 0, 0));  // over the region fill
  EXPECT_EQ(At(s, 45, 15), qRgb(0, 0, 0));  // over the picture
  EXPECT_EQ(At(s, 80, 15), qRgb(0, 0, 0));  // over the background
  EXPECT_EQ(At(s, 20, 16), qRgb(255, 0, 255));
  EXPECT_EQ(At(s, 45, 16), Formula(45, 16, 1));
  p.img.SetRgnFrameType(0);
}

// A transition fills the picture's rectangle before the picture is painted over it: where the
// picture has the transparent colour the transition's fill stays in sight.
TEST(PicImagePaintLayers, TransitionShowsThroughTheTransparentColour) {
  px::Bitmap b = Pattern(60, 50);
  for (int y = 10; y < 20; ++y)
    for (int x = 10; x < 30; ++x) px::SetPixel(b, x, y, 0x000000);
  for (int style = 0; style < 2; ++style) {
    SCOPED_TRACE(style);
    Painted p(b);
    p.give();
    p.img.SetUseTransparentColor(true);
    p.img.SetTransparentColor(0x000000);
    if (style == 0) {
      p.img.SetTransitionStyle(etsPattern);
      p.img.SetPatternStyle(epsSolid);
      p.img.SetPatternBackColor(0xFF0000);  // blue
    } else {
      p.img.SetTransitionStyle(etsGradient);
      p.img.SetGradientStyle(1000);
      p.img.SetGradientSteps(10);
    }
    p.img.SetTransitionEffect(2000);
    const QImage s = p.shot();
    const QImage fill = px::GradientImage(QSize(60, 50), 1000, ColorToQColor(p.img.GradientStartColor()),
                                          ColorToQColor(p.img.GradientEndColor()), 10);
    for (const QPoint& q : {QPoint(10, 10), QPoint(29, 19), QPoint(20, 15)})
      EXPECT_EQ(At(s, q.x(), q.y()), style == 0 ? qRgb(0, 0, 255) : (fill.pixel(q) | 0xFF000000u)) << q.x() << "," << q.y();
    EXPECT_EQ(At(s, 30, 15), Formula(30, 15, 1));
    EXPECT_EQ(At(s, 70, 15), kGreen);
  }
}

// A playing animation paints its frame at once: no passes, no notifications; unpaced effects end
// on the same frame as paced ones.
TEST(PicImagePaintLayers, PlaybackAndUnpacedPaints) {
  {
    Painted p;
    p.give();
    int notes = 0, paints = 0;
    p.img.OnPaintNotify = [&](TPicImage*, unsigned, unsigned) { ++notes; };
    p.img.OnPaint = [&](TPicImage*) { ++paints; };
    p.img.SetPaintEffect(2000);
    p.img.AnimationEnable(true);
    ASSERT_TRUE(p.img.PlaybackActive());
    notes = paints = 0;
    const QImage s = p.shot();
    EXPECT_EQ(notes, 0);
    EXPECT_EQ(paints, 1);
    // The playback's own target bitmap is what is shown.
    EXPECT_EQ(At(s, 30, 30), qRgb(0, 0, 0) | px::GetPixel(p.img.Bitmap(), 30, 30));
    EXPECT_EQ(At(s, 80, 70), kGreen);
    p.img.AnimationEnable(false);
    p.img.OnPaintNotify = nullptr;
    p.img.OnPaint = nullptr;
  }
  // Paced or not, the passes show the same frames.
  std::vector<QImage> passes[2];
  for (int paced = 0; paced < 2; ++paced) {
    Painted p;
    p.give();
    p.img.SetPaced(paced == 1);
    p.img.SetPaintEffect(6003);
    p.img.SetPaintMaxPasses(3);
    (void)p.shot();
    p.img.OnPaintNotify = [&](TPicImage* i, unsigned pass, unsigned type) {
      if (type == 1 && pass > 0) passes[paced].push_back(i->EffectFrame().copy());
    };
    px::Bitmap next = Pattern(60, 50, 5);
    ASSERT_EQ(p.img.SetBitmap(&next), 1);
    const QImage end = p.shot();
    p.img.OnPaintNotify = nullptr;
    EXPECT_EQ(At(end, 30, 30), Formula(30, 30, 5));
    ASSERT_GE(passes[paced].size(), 3u);
    EXPECT_NE(passes[paced].front(), passes[paced].back()) << "the passes show the effect in steps";
  }
  EXPECT_EQ(passes[0], passes[1]);
}

// DrawFrame(rect) draws the control's frame, in its colour and thickness, around a rectangle of
// the window drawing: the two rings of a 2-pixel blue frame, the picture inside and outside.
TEST(PicImagePaintLayers, DrawFrameRingsARectangleInTheFrameColour) {
  Painted p;
  p.img.SetFrameThickness(2);
  p.img.SetFrameColor(0xFF0000);  // blue
  p.give();
  (void)p.shot();
  EXPECT_EQ(p.img.DrawFrame(QRect(10, 10, 30, 20)), 1);
  const QImage s = p.shot();
  const QRgb blue = qRgb(0, 0, 255);
  for (const QPoint& ring : {QPoint(10, 10), QPoint(39, 29), QPoint(11, 20), QPoint(38, 28), QPoint(25, 11)})
    EXPECT_EQ(At(s, ring.x(), ring.y()), blue) << ring.x() << "," << ring.y();
  // The picture lies 2 pixels in, behind the control's own frame.
  EXPECT_EQ(At(s, 12, 12), Formula(10, 10, 1));  // inside the rings
  EXPECT_EQ(At(s, 9, 9), Formula(7, 7, 1));      // outside them
  EXPECT_EQ(At(s, 40, 30), Formula(38, 28, 1));
}
