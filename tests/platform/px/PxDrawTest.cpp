#include <gtest/gtest.h>

#include <QFont>
#include <QRegion>

#include "PxBitmap.h"
#include "PxDraw.h"

using namespace px;

namespace {

QImage White(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  return img;
}

QRegion Changed(const QImage& a, const QImage& b) {
  QRegion r;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) r += QRect(x, y, 1, 1);
  return r;
}

QFont TestFont() {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(24);
  f.setBold(true);
  return f;
}

}  // namespace

TEST(PxDraw, TextChangesOnlyItsRectangleAndShadow) {
  for (int style : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) {
    SCOPED_TRACE(style);
    QImage img = White(200, 100);
    const QImage before = img.copy();
    TextStyle s;
    s.flags = style | 16 | 256;
    s.shadowX = 6;
    s.shadowY = 5;
    s.color = Qt::red;
    s.shadowColor = Qt::black;
    s.hiliteColor = Qt::yellow;
    s.font = TestFont();
    const QRect rect(40, 30, 100, 40);
    {
      QPainter p(&img);
      ASSERT_EQ(EfxDrawRotated3dText(p, QStringLiteral("Kalvora Ag"), rect, s), kOk);
    }
    QRegion allowed = QRegion(rect) + QRegion(rect.translated(6, 5));
    QRegion changed = Changed(before, img);
    EXPECT_FALSE(changed.isEmpty());
    EXPECT_TRUE(allowed.united(changed) == allowed) << "drawn outside";
  }
}

TEST(PxDraw, RotatedTextStaysInTheBitmapAndTurns) {
  QImage flat = White(120, 120), turned = White(120, 120);
  TextStyle s;
  s.flags = 16 | 256;
  s.color = Qt::blue;
  s.font = TestFont();
  const QRect rect(-30, 40, 180, 40);  // wider than the picture
  {
    QPainter p(&flat);
    ASSERT_EQ(EfxDrawRotated3dText(p, QStringLiteral("WWWWWWWW"), rect, s), kOk);
  }
  s.angle = 900;
  {
    QPainter p(&turned);
    ASSERT_EQ(EfxDrawRotated3dText(p, QStringLiteral("WWWWWWWW"), rect, s), kOk);
  }
  EXPECT_EQ(turned.size(), QSize(120, 120));
  // Turned by a quarter the text runs down the middle column instead of along the middle row.
  QRect f = Changed(White(120, 120), flat).boundingRect(), t = Changed(White(120, 120), turned).boundingRect();
  EXPECT_GT(f.width(), f.height());
  EXPECT_GT(t.height(), t.width());
  EXPECT_TRUE(QRect(0, 0, 120, 120).contains(t));
}

TEST(PxDraw, ShapesAndBadCodes) {
  for (int shape : {1000, 2000, 3000, 4000}) {
    QImage img = White(100, 80);
    ShapeStyle s;
    s.backgroundStyle = 1;
    s.fillColor = Qt::green;
    s.borderStyle = 1;
    s.borderThickness = 2;
    s.borderColor = Qt::black;
    s.outerStyle = 2;
    s.outerThickness = 3;
    s.outerHilite = Qt::white;
    s.outerShadow = Qt::gray;
    s.shadowX = 5;
    s.shadowY = 5;
    s.shadowColor = Qt::darkGray;
    const QRect r(10, 10, 60, 40);
    {
      QPainter p(&img);
      ASSERT_EQ(EfxDraw3dShape(p, shape, r, s), kOk) << shape;
    }
    EXPECT_EQ(img.pixel(40, 30), qRgb(0, 255, 0)) << shape;
    QRegion changed = Changed(White(100, 80), img);
    QRegion allowed = QRegion(r) + QRegion(r.translated(5, 5));
    EXPECT_TRUE(allowed.united(changed) == allowed) << shape;
  }
  QImage img = White(10, 10);
  QPainter p(&img);
  EXPECT_EQ(EfxDraw3dShape(p, 2001, QRect(0, 0, 5, 5), ShapeStyle()), kInvalidParam);
  EXPECT_EQ(EfxDraw3dShape(p, 2000, QRect(0, 0, -5, 5), ShapeStyle()), kInvalidSize);
  TextStyle t;
  t.flags = 12;
  EXPECT_EQ(EfxDrawRotated3dText(p, QStringLiteral("x"), QRect(0, 0, 5, 5), t), kInvalidParam);
}

TEST(PxDraw, FrameBevelsRaiseIndependently) {
  auto draw = [](int flags) {
    QImage img = White(20, 20);
    QPainter p(&img);
    QRect r = img.rect();
    EfxDrawFrame(p, r, flags, 1, Qt::blue, 1, Qt::gray, Qt::white, 1, Qt::black, Qt::yellow);
    EXPECT_EQ(r, QRect(3, 3, 14, 14));
    return img;
  };
  QImage none = draw(0), inner = draw(0x10), outer = draw(0x20);
  EXPECT_EQ(none.pixel(0, 0), QColor(Qt::black).rgb());    // outer inset: shadow on top
  EXPECT_EQ(outer.pixel(0, 0), QColor(Qt::yellow).rgb());  // outer raised: light on top
  EXPECT_EQ(inner.pixel(0, 0), QColor(Qt::black).rgb());
  EXPECT_EQ(none.pixel(2, 2), QColor(Qt::gray).rgb());
  EXPECT_EQ(inner.pixel(2, 2), QColor(Qt::white).rgb());
  EXPECT_EQ(outer.pixel(2, 2), QColor(Qt::gray).rgb());
}
