// Rendered items compared with pictures kept in golden/. KALVORA_UPDATE_GOLDEN=1 writes the
// pictures anew (look at them before committing).
#include <gtest/gtest.h>

#include <QDir>
#include <QFontInfo>
#include <QPainter>

#include "ListCtrlTestUtil.h"
#include "MarkupListB.h"
#include "TestSupport.h"

using namespace kalvora;

namespace {

// Small differences from anti-aliasing are allowed: a channel may differ by up to 64 on at
// most 1% of the pixels.
void Compare(const QImage& actual, const QString& name) {
  const QString path = QStringLiteral(KALVORA_LISTCTRL_GOLDEN_DIR) + "/" + name + ".png";
  if (qEnvironmentVariableIntValue("KALVORA_UPDATE_GOLDEN") == 1) {
    QDir().mkpath(QStringLiteral(KALVORA_LISTCTRL_GOLDEN_DIR));
    ASSERT_TRUE(actual.save(path, "PNG"));
    return;
  }
  QImage expected(path);
  ASSERT_FALSE(expected.isNull()) << "missing " << path.toStdString();
  expected = expected.convertToFormat(QImage::Format_RGB32);
  const QImage got = actual.convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(got.size(), expected.size()) << name.toStdString();
  int bad = 0;
  for (int y = 0; y < got.height(); ++y)
    for (int x = 0; x < got.width(); ++x) {
      const QColor a = got.pixelColor(x, y), b = expected.pixelColor(x, y);
      if (std::abs(a.red() - b.red()) > 64 || std::abs(a.green() - b.green()) > 64 ||
          std::abs(a.blue() - b.blue()) > 64)
        ++bad;
    }
  EXPECT_LE(bad, got.width() * got.height() / 100)
      << name.toStdString() << ": " << bad << " pixels differ; the rendering is saved as "
      << (QDir::tempPath() + "/" + name + ".actual.png").toStdString();
  if (bad > got.width() * got.height() / 100) actual.save(QDir::tempPath() + "/" + name + ".actual.png");
}

struct GoldenFixture : ::testing::Test {
  TMarkupListBox list;
  testsupport::TempFolder tmp;
  void SetUp() override {
    ASSERT_EQ(QFontInfo(lctest::PinnedFont()).family(), "DejaVu Sans") << "fonts-dejavu-core is needed";
    list.setFont(lctest::PinnedFont(11));
    list.resize(260, 200);
    list.SetColor(clWhite);
    list.SetFontColor(clBlack);
    list.SetURLColor(clBlue);
    list.SetSelectionFontColor(clWhite);
    list.SelectionColors().SetColorFrom(RGBColor(0, 0, 160));
    list.SelectionColors().SetColorTo(RGBColor(120, 160, 255));
    list.SelectionColors().SetBorderColor(RGBColor(0, 0, 80));
    list.SelectionColors().SetDirection(true);
  }
  QImage Render(int index, bool selected, bool focused = false) {
    const QRect r = list.ItemRect(index);
    QImage img = lctest::Canvas(260, r.height());
    QPainter p(&img);
    list.PaintItem(p, index, QRect(0, 0, 260, r.height()), selected, focused);
    return img;
  }
  QString Thumb() {
    // A small thumbnail: a frame around a two-coloured picture.
    QImage t(52, 40, QImage::Format_RGB32);
    t.fill(QColor(200, 200, 200));
    QPainter p(&t);
    p.fillRect(3, 3, 46, 17, QColor(40, 120, 200));
    p.fillRect(3, 20, 46, 17, QColor(60, 160, 60));
    p.end();
    const QString path = tmp.file("_THUMB_pic.jpg");
    EXPECT_TRUE(t.save(path, "PNG"));
    return path;
  }
};

TEST_F(GoldenFixture, ThumbnailItem) {
  list.Add("<IMG src=\"file://" + MarkupEscape(Thumb()) + "\" align=\"top\">" + MarkupEscape("Urlaub & Meer.jpg") +
           " | " + MarkupEscape("Am <Strand>"));
  Compare(Render(0, false), "thumbnail_item");
}

TEST_F(GoldenFixture, SelectedItemWithGradient) {
  list.Add("<IMG src=\"file://" + MarkupEscape(Thumb()) + "\" align=\"top\">pic.jpg | <B>Caption</B>");
  Compare(Render(0, true, true), "selected_gradient_item");
}

TEST_F(GoldenFixture, AnchorItem) {
  list.Add("Mehr dazu <A href=\"help\">hier</A> oder <FONT color=\"#C00000\">rot</FONT> <I>kursiv</I><BR>"
           "<U>zweite</U> Zeile <S>alt</S>");
  Compare(Render(0, false), "anchor_item");
}

}  // namespace
