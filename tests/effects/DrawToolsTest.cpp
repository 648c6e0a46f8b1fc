// The effect host's mouse drawing tools, driven with QTest mouse events on an offscreen host.
#include <gtest/gtest.h>

#include <QTest>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <set>
#include <string>

#include "Bitmap24Qt.h"
#include "FxDrawImage.h"
#include "FxDrawTools.h"
#include "FxTestUtil.h"
#include "ScriptedPrompter.h"

using namespace kalvora;

namespace {

constexpr TColor kRed = 0x0000FF, kGreen = 0x00FF00;

QImage scenePicture(int w = 256, int h = 256) { return ToQImage(fxtest::scene(w, h)); }

struct Host {
  Host(QImage picture = scenePicture()) {
    host.setPicture(picture);
    host.show();
    tools.setRandom(&random);
    TFxCanvas& c = tools.Canvas();
    c.Pen.Color = kRed, c.Pen.Width = 3, c.Brush.Color = kGreen;
    SetPrompter(&prompter);
  }
  ~Host() { SetPrompter(nullptr); }
  Bitmap24 pixels() { return FromQImage(host.Picture()); }

  TFxDrawImage host;
  TFxDrawTools& tools = host.DrawTools();  // the host's own tools
  FxRandom random{77};
  ScriptedPrompter prompter;
};

// Press at the first point, move through the rest, release at the last.
void drag(TFxDrawImage& w, const std::vector<QPoint>& pts, Qt::KeyboardModifiers mods = {}) {
  QTest::mousePress(&w, Qt::LeftButton, mods, pts.front());
  for (std::size_t i = 1; i < pts.size(); ++i) QTest::mouseMove(&w, pts[i]);
  QTest::mouseRelease(&w, Qt::LeftButton, mods, pts.back());
}

// Pixels that differ, as a bounding box (empty when none).
QRect changedBox(const Bitmap24& a, const Bitmap24& b) {
  QRect box;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (!(a.pixel(x, y) == b.pixel(x, y))) box |= QRect(x, y, 1, 1);
  return box;
}

enum Margin { kPen, kWide, kRadius, kDouble, kRange, kWhole, kNone };

struct ToolCase {
  Margin margin;
  int drags = 1;        // left drags one after the other (multi-step figures)
  bool rightClick = false;
  bool changes = true;  // the tool is expected to change some pixel
};

// The stated reach of every tool beyond the dragged area.
const std::map<std::string, ToolCase>& toolCases() {
  static const std::map<std::string, ToolCase> m = [] {
    std::map<std::string, ToolCase> c;
    for (const char* t : {"line", "rectangle", "roundrect", "ellipse", "globe", "maze", "freehand", "sline", "mixbrush",
                          "intersphere", "interprect",
                          "intercolumn", "cloneall", "clonenottarget", "gradientbrush", "rotatetext", "waveline",
                          "fastwaveline", "colorwaveline", "decoline"})
      c[t] = {kPen};
    for (const char* t : {"decobar", "decooval", "blocks", "spray", "bluebrush", "greenbrush", "redbrush", "notbluebrush",
                          "notgreenbrush", "notredbrush", "halfbluebrush", "halfgreenbrush", "halfredbrush",
                          "darkerbrush", "lighterbrush", "graybrush", "rollmixbrush", "smoothbrush", "fisheyebrush"})
      c[t] = {kWide};
    for (const char* t : {"fisheyefixbrush", "twistbrush", "rotatebrush", "rimplebrush", "mbHor", "mbTop", "mbBottom",
                          "mbDiamond", "mbWaste", "mbRound", "mbRound2", "mbSplitRound", "mbSplitWaste",
                          "brightnessbrush", "contrastbrush", "saturationbrush", "star", "spiral",
                          // a sphere's radius is half its cell along the row, which may pass the box across it
                          "multisphere", "dropletsphere", "wavesphere", "risingwavesphere"})
      c[t] = {kRadius};
    for (const char* t : {"texlines", "texrects", "texovals", "texpoly", "texcurves", "blurlines", "blurrects",
                          "blurovals", "blurpoly", "blurcurves", "vmirror", "hmirror", "cmirror", "mirror4",
                          "borderwaveline", "sym", "spiro", "cone", "bars", "border", "floodfill", "zoomkeepbrush"})
      c[t] = {kWhole};
    // The range (21 x 21 pixels here) copied to the mouse points.
    for (const char* t : {"paste", "pastecolor", "pastecolorx", "transcopy", "rangemove", "rangesmear"}) c[t] = {kRange};
    // Figures whose later corners follow the drag vector.
    c["cube"] = {kDouble, 2};
    c["skewrect"] = {kDouble, 2};
    c["triangle"] = {kPen, 2};
    c["chord"] = {kPen, 3};
    c["arc"] = {kPen, 3};
    c["pie"] = {kPen, 3};
    c["bezier"] = {kPen, 3};
    c["polygon"] = {kPen, 4, true};
    c["polyline"] = {kPen, 4, true};
    c["polybezier"] = {kPen, 2, true};
    // On this picture (smooth gradients, a uniform square under the drag) these change nothing
    // visible: a gradient between neighbours, a smoothed uniform patch, the average colour of a
    // uniform area, a range without pixels of the brush colour.
    for (const char* t : {"gradientbrush", "smoothbrush", "mixbrush", "pastecolor"}) c[t].changes = false;
    // Tools that leave the picture as it was.
    for (const char* t : {"snapshot", "paintpick", "zoombrush", "airbrush", "mbVerBox", "mbHorBox", "mbVerOval",
                          "mbHorOval"})
      c[t] = {kNone, 1, false, false};
    return c;
  }();
  return m;
}

}  // namespace

TEST(DrawTools, KnowsEveryToolName) {
  const auto& known = TFxDrawTools::KnownTools();
  std::set<QString> names(known.begin(), known.end());
  for (const char* n : TFxDrawImage::ShapeNames()) EXPECT_TRUE(names.count(QString::fromLatin1(n))) << n;
  for (const char* n : {"spray", "decoline", "cube1", "chord3", "bezier3", "triangle2"})
    EXPECT_TRUE(names.count(QString::fromLatin1(n))) << n;
  // The table below covers every named tool.
  for (const char* n : TFxDrawImage::ShapeNames()) EXPECT_TRUE(toolCases().count(n)) << n;
}

// Every named tool, dragged inside the picture: pixels change only in the dragged area plus the
// tool's stated reach.
TEST(DrawTools, EveryToolChangesPixelsOnlyWhereItShould) {
  const std::vector<std::vector<QPoint>> drags = {
      {{100, 100}, {120, 110}, {135, 125}, {140, 130}},
      {{110, 105}, {125, 120}, {130, 135}},
      {{130, 100}, {105, 128}},
      {{120, 120}, {138, 102}},
  };
  for (const auto& [name, tc] : toolCases()) {
    SCOPED_TRACE(name);
    Host h;
    h.host.Shape = QString::fromStdString(name);
    h.host.Tools.range = {60, 60, 80, 80};
    const Bitmap24 before = h.pixels();
    QRect area;
    int reach = 0;
    for (int i = 0; i < tc.drags; ++i) {
      const auto& d = drags[std::size_t(i)];
      for (const QPoint& p : d) area |= QRect(p, QSize(1, 1));
      for (const QPoint& p : d)
        reach = std::max(reach, int(std::ceil(std::hypot(p.x() - d.front().x(), p.y() - d.front().y()))));
      drag(h.host, d);
    }
    if (tc.rightClick) QTest::mouseClick(&h.host, Qt::RightButton, {}, QPoint(125, 125));
    const Bitmap24 after = h.pixels();
    ASSERT_EQ(after.width(), 256);
    ASSERT_EQ(after.height(), 256);
    const QRect changed = changedBox(before, after);
    if (tc.changes) {
      EXPECT_FALSE(changed.isEmpty()) << "nothing drawn";
    }
    QRect allowed;
    switch (tc.margin) {
      case kPen: allowed = area.adjusted(-4, -4, 4, 4); break;
      case kWide: allowed = area.adjusted(-52, -52, 52, 52); break;
      case kRadius: allowed = area.adjusted(-reach - 2, -reach - 2, reach + 2, reach + 2); break;
      case kDouble: allowed = area.adjusted(-area.width() - 4, -area.height() - 4, area.width() + 4, area.height() + 4); break;
      case kRange: allowed = area.adjusted(0, 0, 21, 21); break;
      case kWhole: allowed = QRect(0, 0, 256, 256); break;
      case kNone: allowed = QRect(); break;
    }
    if (!changed.isEmpty()) {
      EXPECT_TRUE(allowed.contains(changed)) << "changed " << changed.x() << "," << changed.y() << " "
                                             << changed.width() << "x" << changed.height();
    }
  }
}

// Zero-sized, reversed and far-reaching drags, presses outside the picture and extreme settings:
// no crash, no write outside the picture (the sanitizer build checks that), size kept.
TEST(DrawTools, BadDragsAndExtremeSettingsAreHarmless) {
  const std::vector<std::vector<QPoint>> drags = {
      {{50, 50}, {50, 50}},
      {{200, 180}, {150, 120}, {20, 10}},
      {{128, 128}, {600, -300}, {100000, 100000}},
      {{-5000, 40}, {-1, -1}, {255, 255}},
      {{300, 300}, {-300, -300}},
  };
  for (const QString& name : TFxDrawTools::KnownTools()) {
    SCOPED_TRACE(name.toStdString());
    for (int variant = 0; variant < 2; ++variant) {
      Host h(scenePicture(64, 48));
      h.host.Shape = name;
      if (variant == 1) {
        h.host.stars = 100000, h.host.starpoints = 50, h.host.blocks = 100000, h.host.spirals = 1000;
        h.host.Tools.range = {-100000, -100000, 100000, 100000};
        h.tools.Canvas().Pen.Width = 0;
      }
      for (const auto& d : drags) {
        drag(h.host, d);
        drag(h.host, d, Qt::AltModifier);
      }
      QTest::mouseClick(&h.host, Qt::RightButton, {}, QPoint(10, 10));
      const Bitmap24 after = h.pixels();
      EXPECT_EQ(after.width(), 64);
      EXPECT_EQ(after.height(), 48);
    }
  }
}

TEST(DrawTools, HugePenWidthAndBrushesNearTheEdge) {
  for (const char* name : {"line", "bluebrush", "fisheyebrush", "cloneall", "decobar", "gradientbrush", "zoomkeepbrush"}) {
    Host h(scenePicture(40, 30));
    h.host.Shape = QString::fromLatin1(name);
    h.tools.Canvas().Pen.Width = 1000000;
    drag(h.host, {{0, 0}, {39, 29}, {-10, 50}});
    EXPECT_EQ(h.pixels().width(), 40) << name;
    // A line a million pixels wide covers the picture with the pen colour.
    if (std::string(name) == "line") {
      EXPECT_TRUE(fxtest::uniform(h.pixels(), Bgr{0, 0, 255}));
    }
  }
}

TEST(DrawTools, UnknownToolDrawsNothing) {
  Host h;
  h.host.Shape = QStringLiteral("no such tool");
  const Bitmap24 before = h.pixels();
  drag(h.host, {{10, 10}, {100, 100}, {200, 50}});
  EXPECT_EQ(h.pixels(), before);
}

TEST(DrawTools, CtrlAltPressAndReleaseDoNothing) {
  Host h;
  h.host.Shape = QStringLiteral("rectangle");
  const Bitmap24 before = h.pixels();
  QTest::mousePress(&h.host, Qt::LeftButton, Qt::ControlModifier | Qt::AltModifier, QPoint(10, 10));
  QTest::mouseMove(&h.host, QPoint(100, 100));  // QTest moves carry no keys: the band is drawn
  QTest::mouseRelease(&h.host, Qt::LeftButton, Qt::ControlModifier | Qt::AltModifier, QPoint(100, 100));
  // The release did not draw the rectangle: erasing the band with one more band restores all.
  TFxCanvas& c = h.tools.Canvas();
  c.Pen.Mode = pmNotXor;
  c.Rectangle(10, 10, 100, 100);
  EXPECT_EQ(h.pixels(), before);
}

TEST(DrawTools, CtrlShiftStartsAtTheAnchor) {
  Host h;
  h.host.Shape = QStringLiteral("line");
  QTest::mouseClick(&h.host, Qt::RightButton, {}, QPoint(30, 40));  // sets the anchor
  QTest::mousePress(&h.host, Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier, QPoint(200, 200));
  EXPECT_EQ(h.tools.origin(), QPoint(30, 40));
}

TEST(DrawTools, RectangleIsExactAndNotXorLeavesOnlyTheBand) {
  {
    Host h(ToQImage(Bitmap24(100, 100, Bgr{255, 255, 255})));
    h.host.Shape = QStringLiteral("rectangle");
    TFxCanvas& c = h.tools.Canvas();
    c.Pen.Width = 1, c.Brush.Style = bsClear;
    drag(h.host, {{10, 20}, {30, 30}, {50, 60}});
    const Bitmap24 b = h.pixels();
    EXPECT_EQ(changedBox(Bitmap24(100, 100, Bgr{255, 255, 255}), b), QRect(10, 20, 40, 40));
    EXPECT_EQ(b.pixel(10, 20), (Bgr{0, 0, 255}));
    EXPECT_EQ(b.pixel(49, 59), (Bgr{0, 0, 255}));
    EXPECT_EQ(b.pixel(30, 40), (Bgr{255, 255, 255}));
  }
  {
    // pmNotXor: the last band is the figure; the release draws nothing more.
    Host h(ToQImage(Bitmap24(100, 100, Bgr{255, 255, 255})));
    h.host.Shape = QStringLiteral("rectangle");
    TFxCanvas& c = h.tools.Canvas();
    c.Pen.Width = 1, c.Brush.Style = bsClear, c.Pen.Mode = pmNotXor;
    drag(h.host, {{10, 20}, {30, 30}, {50, 60}});
    const Bitmap24 b = h.pixels();
    EXPECT_EQ(b.pixel(10, 20), (Bgr{0, 0, 255}));  // NotXor of red over white is red
    EXPECT_EQ(changedBox(Bitmap24(100, 100, Bgr{255, 255, 255}), b), QRect(10, 20, 40, 40));
  }
}

TEST(DrawTools, RectangleWithStarsDrawsNestedOutlines) {
  Host h(ToQImage(Bitmap24(100, 100, Bgr{255, 255, 255})));
  h.host.Shape = QStringLiteral("rectangle");
  h.host.stars = 3;
  TFxCanvas& c = h.tools.Canvas();
  c.Pen.Width = 1, c.Brush.Style = bsClear;
  drag(h.host, {{10, 10}, {70, 70}});
  const Bitmap24 b = h.pixels();
  // Half size 30, step 10: outlines at 10, 20 and 30 from the corner.
  for (int d : {10, 20, 30}) EXPECT_EQ(b.pixel(d, 45), (Bgr{0, 0, 255})) << d;
  EXPECT_EQ(b.pixel(15, 45), (Bgr{255, 255, 255}));
  EXPECT_EQ(b.pixel(35, 45), (Bgr{255, 255, 255}));
}

TEST(DrawTools, PolygonCollectsPointsAndRightClickEnds) {
  Host h;
  h.host.Shape = QStringLiteral("polygon");
  drag(h.host, {{10, 10}, {10, 10}});
  EXPECT_EQ(h.tools.polygonCount(), 1);
  drag(h.host, {{50, 10}, {50, 10}});
  EXPECT_EQ(h.tools.polygonCount(), 2);
  EXPECT_TRUE(h.tools.drawing());
  // Two points: the right click draws nothing and ends the figure.
  const Bitmap24 before = h.pixels();
  QTest::mouseClick(&h.host, Qt::RightButton, {}, QPoint(60, 60));
  EXPECT_EQ(h.tools.polygonCount(), 0);
  EXPECT_FALSE(h.tools.drawing());
  EXPECT_EQ(h.pixels(), before);
  // The count stops at 100; later releases overwrite slot 100.
  for (int i = 0; i < 105; ++i) drag(h.host, {{i % 200, 20}, {i % 200, 20}});
  EXPECT_EQ(h.tools.polygonCount(), 100);
  EXPECT_EQ(h.tools.polygonPoints()[100], QPoint(104, 20));
}

TEST(DrawTools, ChordTakesThreeReleasesThenStartsAgain) {
  Host h;
  h.host.Shape = QStringLiteral("chord");
  drag(h.host, {{20, 20}, {120, 100}});
  EXPECT_EQ(h.host.Shape, QStringLiteral("chord1"));
  drag(h.host, {{120, 60}, {120, 60}});
  EXPECT_EQ(h.host.Shape, QStringLiteral("chord2"));
  drag(h.host, {{20, 60}, {20, 60}});
  EXPECT_EQ(h.host.Shape, QStringLiteral("chord3"));
  QTest::mousePress(&h.host, Qt::LeftButton, {}, QPoint(30, 30));
  EXPECT_EQ(h.host.Shape, QStringLiteral("chord"));
  QTest::mouseRelease(&h.host, Qt::LeftButton, {}, QPoint(30, 30));
}

TEST(DrawTools, BezierGoesRoundInOneCycle) {
  Host h;
  h.host.Shape = QStringLiteral("bezier");
  drag(h.host, {{20, 20}, {120, 100}});
  EXPECT_EQ(h.host.Shape, QStringLiteral("bezier1"));
  drag(h.host, {{50, 10}, {60, 10}});
  EXPECT_EQ(h.host.Shape, QStringLiteral("bezier2"));
  drag(h.host, {{90, 110}, {80, 120}});
  EXPECT_EQ(h.host.Shape, QStringLiteral("bezier"));
}

TEST(DrawTools, PaintPickSetsTheBrushColourAndClearsTheTool) {
  Host h;
  TColor picked = 1;
  h.host.onColorPicked = [&](TFxDrawImage*, TColor c) { picked = c; };
  h.host.Shape = QStringLiteral("paintpick");
  drag(h.host, {{130, 130}, {130, 130}});
  const TColor want = ColorFromBgr(h.pixels().pixel(130, 130));
  EXPECT_EQ(picked, want);
  EXPECT_EQ(h.tools.Canvas().Brush.Color, want);
  EXPECT_TRUE(h.host.Shape.isEmpty());
  // Without a handler only the brush colour changes.
  Host g;
  g.host.Shape = QStringLiteral("paintpick");
  drag(g.host, {{5, 5}, {5, 5}});
  EXPECT_EQ(g.tools.Canvas().Brush.Color, ColorFromBgr(g.pixels().pixel(5, 5)));
}

TEST(DrawTools, SlineSnapsAndTurnsAfterACrossMove) {
  Host h(ToQImage(Bitmap24(100, 100, Bgr{255, 255, 255})));
  h.host.Shape = QStringLiteral("sline");
  h.tools.Canvas().Pen.Width = 1;
  QTest::mousePress(&h.host, Qt::LeftButton, {}, QPoint(10, 50));
  QTest::mouseMove(&h.host, QPoint(30, 52));  // mostly horizontal: "h", drawn along row 50
  QTest::mouseMove(&h.host, QPoint(40, 54));  // 2 pixels across: stays "h"
  QTest::mouseMove(&h.host, QPoint(41, 70));  // 16 across: turns to "v"
  QTest::mouseRelease(&h.host, Qt::LeftButton, {}, QPoint(41, 70));
  const Bitmap24 b = h.pixels();
  EXPECT_EQ(b.pixel(20, 50), (Bgr{0, 0, 255}));
  EXPECT_EQ(b.pixel(20, 52), (Bgr{255, 255, 255}));
  EXPECT_EQ(b.pixel(40, 60), (Bgr{0, 0, 255}));  // the vertical stroke at the last x
}

TEST(DrawTools, SnapshotSetsTheRangeInsideThePicture) {
  Host h;
  h.host.Shape = QStringLiteral("snapshot");
  const Bitmap24 before = h.pixels();
  drag(h.host, {{40, 30}, {300, 10}});
  EXPECT_EQ(h.host.Tools.range, (std::array<int, 4>{40, 10, 255, 30}));
  EXPECT_TRUE(h.host.Shape.isEmpty());
  EXPECT_EQ(h.pixels(), before);
  EXPECT_EQ(h.tools.Canvas().Pen.Width, 3);
}

TEST(DrawTools, SpirographChecksItsRadii) {
  Host h(ToQImage(Bitmap24(256, 256, Bgr{255, 255, 255})));
  EXPECT_EQ(h.tools.DrawSpirograph(QPoint(188, 128), QPoint(238, 128)), 1440);  // R1 60, R2 50
  EXPECT_EQ(h.tools.DrawSpirograph(QPoint(188, 128), QPoint(258, 128)), 0);     // R1 60, R2 70
  EXPECT_EQ(h.tools.DrawSpirograph(QPoint(132, 128), QPoint(182, 128)), 0);     // R1 4
  EXPECT_EQ(h.prompter.messageTexts(), (QStringList{"sum of radi to large", "both radi must be >5"}));
  Host wide(ToQImage(Bitmap24(300, 200, Bgr{255, 255, 255})));
  EXPECT_EQ(wide.tools.DrawSpirograph(QPoint(200, 100), QPoint(230, 100)), 0);
  EXPECT_EQ(wide.prompter.messageTexts(), QStringList{"image must be square for spirographs"});
}

TEST(DrawTools, StarsAreLimitedToThirteenPoints) {
  Host h;
  h.host.Shape = QStringLiteral("star");
  h.host.starpoints = 40;
  drag(h.host, {{128, 128}, {128, 60}});
  EXPECT_EQ(h.tools.figureVertices().size(), 13u);
  Host g;
  g.host.Shape = QStringLiteral("star");
  g.host.starpoints = 0;
  const Bitmap24 before = g.pixels();
  g.tools.Canvas().Pen.Mode = pmNotXor;  // the band is its own erase: nothing is left
  drag(g.host, {{128, 128}, {128, 60}});
  EXPECT_EQ(g.pixels(), before);
}

TEST(DrawTools, DecoBarWithPenWidthZeroDrawsOnlyTheBand) {
  Host h, band;
  h.host.Shape = QStringLiteral("decobar");
  band.host.Shape = QStringLiteral("rotatetext");  // a band line and nothing else
  for (Host* x : {&h, &band}) {
    x->tools.Canvas().Pen.Width = 0;
    drag(x->host, {{20, 20}, {100, 100}});
  }
  EXPECT_EQ(h.pixels(), band.pixels());
}

TEST(DrawTools, BandBrushLeavesThePictureUnchanged) {
  for (const char* name : {"mbVerBox", "mbHorBox", "mbVerOval", "mbHorOval"}) {
    Host h;
    h.host.Shape = QString::fromLatin1(name);
    const Bitmap24 before = h.pixels();
    drag(h.host, {{100, 100}, {150, 120}, {160, 180}});
    EXPECT_EQ(h.pixels(), before) << name;
  }
  Host h;
  h.tools.CopyPictureToWork();
  const QRect band = h.tools.ApplyBandBrush(0, 100, 100, 90, 40);
  EXPECT_EQ(band, QRect(QPoint(60, 90), QPoint(140, 110)));  // t = Round(40 * 90 / 360) = 10
}

TEST(DrawTools, AdjustAndLensBrushesStayInsideNearTheBorder) {
  Host h;
  h.tools.CopyPictureToWork();
  const Bitmap24 before = h.pixels();
  h.tools.ApplyAdjustBrush(0, 2, 2, 200, 30);
  const QRect changed = changedBox(before, h.pixels());
  ASSERT_FALSE(changed.isEmpty());
  EXPECT_TRUE(QRect(0, 0, 60, 60).contains(changed));
  EXPECT_GE(changed.left(), 0);
}

TEST(DrawTools, RoundBrushKind10SaturatesAt255) {
  Host h(ToQImage(Bitmap24(64, 64, Bgr{240, 100, 50})));
  h.tools.CopyPictureToWork();
  h.tools.ApplyRoundBrush(10, 32, 32, 10);
  EXPECT_EQ(h.pixels().pixel(32, 32), (Bgr{255, 110, 55}));
  EXPECT_EQ(h.pixels().pixel(2, 2), (Bgr{240, 100, 50}));  // outside the disc
}

TEST(DrawTools, FloodFillSurfaceAndBorder) {
  Bitmap24 b(50, 50, Bgr{255, 255, 255});
  for (int i = 0; i < 50; ++i) b.setPixel(25, i, Bgr{0, 0, 0});  // a black wall
  Host h(ToQImage(b));
  h.host.Shape = QStringLiteral("floodfill");
  drag(h.host, {{5, 5}, {5, 5}});
  Bitmap24 r = h.pixels();
  EXPECT_EQ(r.pixel(0, 0), (Bgr{0, 255, 0}));
  EXPECT_EQ(r.pixel(30, 30), (Bgr{255, 255, 255}));
  // fsBorder with Alt: up to the pen colour (red); the black wall is crossed.
  Host g(ToQImage(b));
  g.host.Shape = QStringLiteral("floodfill");
  drag(g.host, {{5, 5}, {5, 5}}, Qt::AltModifier);
  r = g.pixels();
  EXPECT_EQ(r.pixel(49, 49), (Bgr{0, 255, 0}));
}

TEST(DrawTools, DecoBarColoursStopAtTheEndColour) {
  // Pen width 6: the colour steps by (0 - 200) / 2 per pass, so from the third of ten passes on
  // it would pass the end colour; it is held at the pen colour instead.
  Host h(ToQImage(Bitmap24(100, 100, Bgr{255, 255, 255})));
  h.host.Shape = QStringLiteral("decobar");
  TFxCanvas& c = h.tools.Canvas();
  c.Pen.Color = 0x0000C8, c.Pen.Width = 6, c.Brush.Color = 0x000000;
  drag(h.host, {{10, 50}, {90, 50}});
  const Bitmap24 b = h.pixels();
  EXPECT_EQ(b.pixel(50, 50), (Bgr{0, 0, 200}));  // the last, thinnest pass
  EXPECT_EQ(b.pixel(50, 64), (Bgr{0, 0, 100}));  // the first, widest pass (width 30)
  EXPECT_EQ(c.Pen.Width, 6);
  EXPECT_EQ(c.Pen.Color, 0x0000C8u);
}

// Each brush tool stands for one brush routine and kind, worked with the drag's figures: the
// angle and radius of the drag vector, or the point under the mouse. A second move with Alt
// drags the brush along (origin moved with the mouse, angle and radius kept).
TEST(DrawTools, BrushToolsActWithTheirKindAndTheDrag) {
  enum Routine { kRound, kLens, kAdjust, kFishEye };
  struct Case {
    const char* name;
    Routine routine;
    int kind;
  };
  const Case cases[] = {
      {"bluebrush", kRound, 0},       {"greenbrush", kRound, 1},       {"redbrush", kRound, 2},
      {"notbluebrush", kRound, 3},    {"notgreenbrush", kRound, 4},    {"notredbrush", kRound, 5},
      {"halfbluebrush", kRound, 6},   {"halfgreenbrush", kRound, 7},   {"halfredbrush", kRound, 8},
      {"darkerbrush", kRound, 9},     {"lighterbrush", kRound, 10},    {"graybrush", kRound, 11},
      {"rollmixbrush", kRound, 12},   {"smoothbrush", kRound, 13},     {"fisheyebrush", kFishEye, 3},
      {"fisheyefixbrush", kLens, 3},  {"twistbrush", kLens, 5},        {"rotatebrush", kLens, 4},
      {"rimplebrush", kLens, 6},      {"mbHor", kLens, 7},             {"mbTop", kLens, 8},
      {"mbBottom", kLens, 9},         {"mbDiamond", kLens, 10},        {"mbWaste", kLens, 11},
      {"mbRound", kLens, 12},         {"mbRound2", kLens, 13},         {"mbSplitRound", kLens, 14},
      {"mbSplitWaste", kLens, 15},    {"brightnessbrush", kAdjust, 0}, {"contrastbrush", kAdjust, 1},
      {"saturationbrush", kAdjust, 2},
  };
  // Drag vector (30, 40): radius 50, angle atan2(40, 30).
  const QPoint o(100, 100), p1(130, 140), p2(150, 150);
  const double angle = std::atan2(40.0, 30.0), kPi = std::numbers::pi;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Host h;
    h.host.Shape = QString::fromLatin1(c.name);
    h.tools.MouseDown(Qt::LeftButton, {}, o.x(), o.y());
    h.tools.MouseMove({}, p1.x(), p1.y());
    h.tools.MouseMove(Qt::AltModifier, p2.x(), p2.y());
    h.tools.MouseUp(Qt::LeftButton, {}, p2.x(), p2.y());

    Host want;
    want.tools.CopyPictureToWork();
    const QPoint o2 = o + (p2 - p1);  // the origin dragged along by the Alt move
    for (const QPoint& at : {p1, p2}) {
      const QPoint from = at == p1 ? o : o2;
      switch (c.routine) {
        case kRound: want.tools.ApplyRoundBrush(c.kind, at.x(), at.y(), 3); break;  // radius = pen width
        case kFishEye: want.tools.ApplyLensBrush(3, at.x(), at.y(), 0.9, 50); break;  // pen below 5: 50
        case kAdjust:
          want.tools.ApplyAdjustBrush(c.kind, from.x(), from.y(), int(std::lround(angle * 100 / kPi)), 50);
          break;
        case kLens: {
          double amount = angle * 180 / kPi;
          if (std::string(c.name) == "fisheyefixbrush") amount = std::clamp(angle / kPi * 0.5 + 0.5, 0.55, 0.99);
          if (std::string(c.name) == "twistbrush") amount = std::lround(std::fabs(angle * 25 / kPi) + 1);
          want.tools.ApplyLensBrush(c.kind, from.x(), from.y(), amount, 50);
          break;
        }
      }
    }
    EXPECT_EQ(h.pixels(), want.pixels());
    EXPECT_EQ(h.tools.origin(), c.routine == kLens || c.routine == kAdjust ? o2 : o);
  }
}

// The figures drawn over several drags advance one step per release and start again at the
// next press after the last step.
TEST(DrawTools, MultiStepFiguresAdvanceOneStepPerRelease) {
  for (const char* figure : {"cube", "skewrect", "triangle", "arc", "pie", "chord"}) {
    SCOPED_TRACE(figure);
    Host h;
    const QString name = QString::fromLatin1(figure);
    h.host.Shape = name;
    const int steps = name == "cube" || name == "skewrect" || name == "triangle" ? 2 : 3;
    const QPoint pts[] = {{40, 50}, {120, 110}, {150, 60}};
    for (int i = 1; i <= steps; ++i) {
      drag(h.host, {pts[i - 1], pts[i - 1] + QPoint(30, 20)});
      EXPECT_EQ(h.host.Shape, name + QString::number(i));
    }
    QTest::mousePress(&h.host, Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_EQ(h.host.Shape, name);
    QTest::mouseRelease(&h.host, Qt::LeftButton, {}, QPoint(30, 30));
  }
}

// While the button is held a shape tool shows its rubber band: the figure drawn in NotXor from
// the origin to the last point (erasing the band before) and to the current point.
TEST(DrawTools, EveryShapeToolShowsItsRubberBand) {
  enum Band { kLine, kRect, kRoundRect, kEllipse, kDotted };
  std::vector<std::pair<const char*, Band>> cases;
  for (const char* t : {"line", "rotatetext", "star", "spiral", "skewrect", "triangle", "cone", "spiro", "decobar",
                        "polyline", "polygon"})
    cases.emplace_back(t, kLine);
  for (const char* t : {"rectangle", "cube", "maze", "interprect", "intercolumn"}) cases.emplace_back(t, kRect);
  cases.emplace_back("roundrect", kRoundRect);
  for (const char* t : {"ellipse", "globe", "intersphere", "multisphere", "dropletsphere", "wavesphere",
                        "risingwavesphere", "decooval", "chord", "pie", "arc"})
    cases.emplace_back(t, kEllipse);
  for (const char* t : {"snapshot", "bars", "border"}) cases.emplace_back(t, kDotted);
  const QPoint o(60, 70), p(150, 130);
  for (const auto& [name, band] : cases) {
    SCOPED_TRACE(name);
    Host h;
    h.host.Shape = QString::fromLatin1(name);
    h.tools.MouseDown(Qt::LeftButton, {}, o.x(), o.y());
    h.tools.MouseMove({}, p.x(), p.y());

    Host want;
    TFxCanvas& c = want.tools.Canvas();
    if (std::string(name) == "snapshot") c.Pen.Width = 1, c.Brush.Style = bsClear;
    c.Pen.Mode = pmNotXor;
    if (band == kDotted) c.Pen.Style = psDot;
    for (const QPoint& to : {o, p}) {
      switch (band) {
        case kLine: c.MoveTo(o.x(), o.y()), c.LineTo(to.x(), to.y()); break;
        case kRect:
        case kDotted: c.Rectangle(o.x(), o.y(), to.x(), to.y()); break;
        case kRoundRect: c.RoundRect(o.x(), o.y(), to.x(), to.y(), 10, 10); break;  // the corner size
        case kEllipse: c.Ellipse(o.x(), o.y(), to.x(), to.y()); break;
      }
    }
    EXPECT_EQ(h.pixels(), want.pixels());
    EXPECT_EQ(h.tools.lastPoint(), p);
    EXPECT_EQ(h.tools.Canvas().Pen.Style, psSolid);
    EXPECT_EQ(h.tools.Canvas().Pen.Mode, pmCopy);
    h.tools.MouseUp(Qt::LeftButton, {}, p.x(), p.y());
  }
}

// The work bitmap becomes the rectangle of the picture, one pixel larger in each direction,
// never larger than the picture.
TEST(DrawTools, CopyRectToWorkTakesTheRectangle) {
  Host h;
  const Bitmap24 picture = h.pixels();
  h.tools.CopyRectToWork(QRect(10, 20, 30, 15));
  ASSERT_EQ(h.host.WorkBitmap.width(), 31);
  ASSERT_EQ(h.host.WorkBitmap.height(), 16);
  for (int y = 0; y < 16; y += 3)
    for (int x = 0; x < 31; x += 4)
      ASSERT_TRUE(h.host.WorkBitmap.pixel(x, y) == picture.pixel(10 + x, 20 + y)) << x << "," << y;
  h.tools.CopyRectToWork(QRect(0, 0, 1000, 1000));
  EXPECT_EQ(h.host.WorkBitmap.width(), picture.width());
  EXPECT_EQ(h.host.WorkBitmap.height(), picture.height());
}
