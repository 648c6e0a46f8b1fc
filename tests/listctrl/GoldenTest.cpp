// Rendered items compared with pictures kept in golden/. KALVORA_UPDATE_GOLDEN=1 writes the
// pictures anew; they are then judged as below before they are committed.
//
// How each kept picture was judged right (not only that the program wrote it):
// - anchor_item.png: looked at enlarged four times: line one "Mehr dazu hier oder rot kursiv" with
//   "hier" blue and underlined, "rot" dark red, "kursiv" slanted, the rest black; line two
//   "zweite Zeile alt" with "zweite" underlined and "alt" struck through. Measured: every word is
//   checked by AnchorWords() against a layout worked out here from the font's metrics (words drawn
//   one after another from x 3, baselines at 2 + ascent and one line height lower): its ink colour,
//   an underline row, a strike-out row, and whether a slanted or an upright drawing of the word
//   matches it (when the picture was made, each word equalled the drawing in its own style pixel
//   for pixel). The test runs these checks on the kept picture too.
// - thumbnail_item.png: looked at: the grey-framed blue-over-green thumbnail at the top left and
//   "Urlaub & Meer.jpg | Am <Strand>" in black to its right, level with its top, one "&" and the
//   angle brackets as typed. Measured by ThumbnailChecks(): the thumbnail's 52 x 40 pixels at
//   (3, 2), the text starting right of it and its ink inside the first text line.
// - selected_gradient_item.png: looked at: a dark-to-light blue band from left to right, a grey
//   focus frame all round (over the item's border), the thumbnail, white "pic.jpg | Caption" with
//   "Caption" bold. Measured by GradientChecks() and ThumbnailChecks(): the first, middle and last
//   gradient bands worked out from the start and end colours, the frame, the text's ink white.
#include <gtest/gtest.h>

#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <climits>
#include <functional>

#include "ListCtrlTestUtil.h"
#include "MarkupListB.h"
#include "TestSupport.h"

using namespace kalvora;

namespace {

bool Differs(QColor a, QColor b, int tol) {
  return std::abs(a.red() - b.red()) > tol || std::abs(a.green() - b.green()) > tol ||
         std::abs(a.blue() - b.blue()) > tol;
}

// Anti-aliasing may differ a little, but only a little in every place: the picture is cut into
// 8 x 8 tiles, and in each tile at most 2 pixels may differ by more than 64 in a channel. A lost
// underline (a row of 8 pixels in each tile it crosses), a word in another colour or slant
// changes far more than that in some tile.
constexpr int kTile = 8, kTileBad = 2, kChannelTol = 64;

// Tiles of a against b that differ beyond the tolerance, as "x,y(n)" for the message.
QString BadTiles(const QImage& a, const QImage& b) {
  QString bad;
  for (int ty = 0; ty < a.height(); ty += kTile)
    for (int tx = 0; tx < a.width(); tx += kTile) {
      int n = 0;
      for (int y = ty; y < std::min(ty + kTile, a.height()); ++y)
        for (int x = tx; x < std::min(tx + kTile, a.width()); ++x)
          if (Differs(a.pixelColor(x, y), b.pixelColor(x, y), kChannelTol)) ++n;
      if (n > kTileBad) bad += QStringLiteral("%1,%2(%3) ").arg(tx).arg(ty).arg(n);
    }
  return bad;
}

QString GoldenPath(const QString& name) {
  return QStringLiteral(KALVORA_LISTCTRL_GOLDEN_DIR) + "/" + name + ".png";
}

QImage Golden(const QString& name) {
  QImage img(GoldenPath(name));
  return img.isNull() ? img : img.convertToFormat(QImage::Format_RGB32);
}

void Compare(const QImage& actual, const QString& name) {
  const QString path = GoldenPath(name);
  if (qEnvironmentVariableIntValue("KALVORA_UPDATE_GOLDEN") == 1) {
    QDir().mkpath(QStringLiteral(KALVORA_LISTCTRL_GOLDEN_DIR));
    ASSERT_TRUE(actual.save(path, "PNG"));
    return;
  }
  const QImage expected = Golden(name);
  ASSERT_FALSE(expected.isNull()) << "missing " << path.toStdString();
  const QImage got = actual.convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(got.size(), expected.size()) << name.toStdString();
  const QString bad = BadTiles(got, expected);
  EXPECT_TRUE(bad.isEmpty()) << name.toStdString() << ": tiles that differ (x,y(pixels)): " << bad.toStdString()
                             << "; the rendering is saved as "
                             << (QDir::tempPath() + "/" + name + ".actual.png").toStdString();
  if (!bad.isEmpty()) actual.save(QDir::tempPath() + "/" + name + ".actual.png");
}

// ---- The anchor item's words, laid out from the font's metrics -------------------------------

struct Word {
  QString text;  // without its trailing space
  bool link = false, red = false, italic = false, underline = false, strike = false;
  int line = 0;
};

const Word kWords[] = {
    {"Mehr"}, {"dazu"}, {"hier", true, false, false, true}, {"oder"}, {"rot", false, true},
    {"kursiv", false, false, true}, {"zweite", false, false, false, true, false, 1},
    {"Zeile", false, false, false, false, false, 1}, {"alt", false, false, false, false, true, 1},
};

QFont WordFont(const Word& w) {
  QFont f = lctest::PinnedFont(11);
  f.setItalic(w.italic);
  f.setUnderline(w.underline);
  f.setStrikeOut(w.strike);
  return f;
}

QFontMetrics Metrics(const QFont& f) {
  static QImage dev = lctest::Canvas(1, 1);
  return QFontMetrics(f, &dev);
}

struct Placed {
  Word w;
  int x = 0, baseline = 0, width = 0;
};

// Words follow each other with their spaces, each measured in its own font; a line is the height
// of "gh" in the item's font; the text starts 2 pixels into the item and 1 more to the right.
std::vector<Placed> AnchorLayout() {
  const QFontMetrics plain = Metrics(lctest::PinnedFont(11));
  const int lineHeight = plain.height() + std::max(0, plain.leading());
  std::vector<Placed> out;
  int x = 3, line = 0;
  for (const Word& w : kWords) {
    if (w.line != line) {
      line = w.line;
      x = 3;
    }
    const QFontMetrics fm = Metrics(WordFont(w));
    Placed p{w, x, 2 + line * lineHeight + plain.ascent(), fm.horizontalAdvance(w.text)};
    out.push_back(p);
    // A space is measured with the word before it, unless a tag comes between them.
    const bool tagged = w.link || w.red || w.italic || w.underline || w.strike;
    x += tagged ? p.width + plain.horizontalAdvance(' ') : fm.horizontalAdvance(w.text + ' ');
  }
  return out;
}

QColor InkOf(const Word& w) { return w.link ? QColor(0, 0, 255) : w.red ? QColor(0xC0, 0, 0) : QColor(0, 0, 0); }

bool Inked(QColor c) { return std::min({c.red(), c.green(), c.blue()}) < 160; }

// Ink on white, anti-aliased or not, by its hue: 0 grey (black ink), 1 blue, 2 red, 3 other.
int Hue(QColor c) {
  const int r = c.red(), g = c.green(), b = c.blue();
  if (std::max({r, g, b}) - std::min({r, g, b}) < 40) return 0;
  if (b - std::max(r, g) > 60) return 1;
  if (r - std::max(g, b) > 60) return 2;
  return 3;
}
int HueOf(const Word& w) { return w.link ? 1 : w.red ? 2 : 0; }

// A row filled with ink over (nearly) the whole width of the word.
bool FullRow(const QImage& img, int y, int x0, int w) {
  int n = 0;
  for (int x = x0; x < x0 + w; ++x) n += Inked(img.pixelColor(x, y));
  return n * 10 >= w * 9;
}

// The word drawn alone, the way the layout says, on white.
QImage DrawnAlone(const Placed& p, const QSize& size, bool italic) {
  QImage img = lctest::Canvas(size.width(), size.height());
  QPainter q(&img);
  Word w = p.w;
  w.italic = italic;
  q.setFont(WordFont(w));
  q.setPen(InkOf(w));
  q.drawText(QPoint(p.x, p.baseline), w.text);
  return img;
}

// Sum of channel differences inside r, at the best of a few horizontal shifts.
int BestDifference(const QImage& a, const QImage& b, const QRect& r) {
  int best = INT_MAX;
  for (int dx = -2; dx <= 2; ++dx) {
    int sum = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) {
        const QColor c = a.pixelColor(x, y), d = b.pixelColor(std::clamp(x + dx, 0, b.width() - 1), y);
        sum += std::abs(c.red() - d.red()) + std::abs(c.green() - d.green()) + std::abs(c.blue() - d.blue());
      }
    best = std::min(best, sum);
  }
  return best;
}

// Checks every word of the anchor item in img; what says which picture is looked at.
void AnchorWords(const QImage& img, const std::string& what) {
  SCOPED_TRACE(what);
  const QFontMetrics plain = Metrics(lctest::PinnedFont(11));
  for (const Placed& p : AnchorLayout()) {
    SCOPED_TRACE(p.w.text.toStdString());
    const QRect box(p.x, p.baseline - plain.ascent(), p.width, plain.ascent() + plain.descent());
    // Ink colour: (nearly) every inked pixel has the word's hue.
    int ink = 0, own = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
      for (int x = box.left(); x <= box.right(); ++x) {
        const QColor c = img.pixelColor(x, y);
        if (!Inked(c)) continue;
        ++ink;
        if (Hue(c) == HueOf(p.w)) ++own;
      }
    EXPECT_GT(ink, 10) << "no ink where the word should be";
    EXPECT_GE(own * 20, ink * 19) << own << " of " << ink << " ink pixels in the word's colour";
    // Underline: a full row below the baseline (none of these words has a descender).
    bool under = false;
    for (int y = p.baseline + 1; y <= p.baseline + plain.descent(); ++y) under |= FullRow(img, y, p.x + 1, p.width - 2);
    EXPECT_EQ(under, p.w.underline) << "underline row";
    // Strike-out: a full row in the middle of the small letters.
    const int mid = p.baseline - plain.xHeight() / 2;
    bool struck = false;
    for (int y = mid - 2; y <= mid + 2; ++y) struck |= FullRow(img, y, p.x + 1, p.width - 2);
    EXPECT_EQ(struck, p.w.strike) << "strike-out row";
    // Slant: the word matches a slanted or an upright drawing of itself.
    const int slanted = BestDifference(img, DrawnAlone(p, img.size(), true), box);
    const int upright = BestDifference(img, DrawnAlone(p, img.size(), false), box);
    if (p.w.italic) {
      EXPECT_LT(slanted * 2, upright) << "slanted " << slanted << ", upright " << upright;
    } else {
      EXPECT_LT(upright * 2, slanted) << "slanted " << slanted << ", upright " << upright;
    }
  }
}

// ---- The thumbnail items ---------------------------------------------------------------------

const QColor kFrame(200, 200, 200), kTop(40, 120, 200), kBottom(60, 160, 60);

void ThumbnailChecks(const QImage& img, const std::string& what, bool selected) {
  SCOPED_TRACE(what);
  // The thumbnail: frame, upper and lower half, its top-left pixel at (3, 2).
  const QPoint o(3, 2);
  EXPECT_FALSE(Differs(img.pixelColor(o), kFrame, 4));
  EXPECT_FALSE(Differs(img.pixelColor(o + QPoint(51, 39)), kFrame, 4));
  EXPECT_FALSE(Differs(img.pixelColor(o + QPoint(25, 10)), kTop, 4));
  EXPECT_FALSE(Differs(img.pixelColor(o + QPoint(25, 30)), kBottom, 4));
  EXPECT_EQ(lctest::ColoredPixels(img, QRect(o, QSize(52, 40)), kFrame, 4), 52 * 40 - 46 * 34);
  // The text: right of the thumbnail, within the first line of text from its top.
  const QFontMetrics plain = Metrics(lctest::PinnedFont(11));
  const int lineHeight = plain.height() + std::max(0, plain.leading());
  const QColor ink = selected ? QColor(Qt::white) : QColor(Qt::black);
  int left = INT_MAX, top = INT_MAX, bottom = -1, n = 0;
  for (int y = 1; y < img.height() - 1; ++y)
    for (int x = o.x() + 52; x < img.width() - 2; ++x)
      if (!Differs(img.pixelColor(x, y), ink, 60)) {
        left = std::min(left, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        ++n;
      }
  EXPECT_GT(n, 100) << "text ink";
  EXPECT_LE(left, o.x() + 52 + 3);
  EXPECT_GE(top, o.y());
  EXPECT_LT(bottom, o.y() + lineHeight);
}

void GradientChecks(const QImage& img, const std::string& what) {
  SCOPED_TRACE(what);
  // 64 bands from (0,0,160) to (120,160,255) across 260 pixels, read in the row below the
  // thumbnail: the first band is the start colour, the last start + round(63 * (end - start) / 64).
  const int y = img.height() - 2;
  EXPECT_FALSE(Differs(img.pixelColor(3, y), QColor(0, 0, 160), 1));
  EXPECT_FALSE(Differs(img.pixelColor(257, y), QColor(118, 158, 254), 1));
  EXPECT_FALSE(Differs(img.pixelColor(130, y), QColor(60, 80, 208), 4));  // halfway
  // The focus frame lies over the item's border, all round.
  for (const QPoint& at : {QPoint(0, y), QPoint(259, y), QPoint(130, 0), QPoint(130, img.height() - 1)})
    EXPECT_FALSE(Differs(img.pixelColor(at), QColor(128, 128, 128), 1)) << "focus frame at " << at.x() << "," << at.y();
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
    t.fill(kFrame);
    QPainter p(&t);
    p.fillRect(3, 3, 46, 17, kTop);
    p.fillRect(3, 20, 46, 17, kBottom);
    p.end();
    const QString path = tmp.file("_THUMB_pic.jpg");
    EXPECT_TRUE(t.save(path, "PNG"));
    return path;
  }
  // The checks run on the kept picture and on today's rendering.
  void Check(const QImage& actual, const QString& name, const std::function<void(const QImage&, const std::string&)>& f) {
    Compare(actual, name);
    f(actual.convertToFormat(QImage::Format_RGB32), "rendered");
    const QImage kept = Golden(name);
    if (!kept.isNull()) f(kept, "kept picture " + name.toStdString());
  }
};

TEST_F(GoldenFixture, ThumbnailItem) {
  list.Add("<IMG src=\"file://" + MarkupEscape(Thumb()) + "\" align=\"top\">" + MarkupEscape("Urlaub & Meer.jpg") +
           " | " + MarkupEscape("Am <Strand>"));
  Check(Render(0, false), "thumbnail_item", [](const QImage& img, const std::string& what) {
    ThumbnailChecks(img, what, false);
  });
}

TEST_F(GoldenFixture, SelectedItemWithGradient) {
  list.Add("<IMG src=\"file://" + MarkupEscape(Thumb()) + "\" align=\"top\">pic.jpg | <B>Caption</B>");
  Check(Render(0, true, true), "selected_gradient_item", [](const QImage& img, const std::string& what) {
    ThumbnailChecks(img, what, true);
    GradientChecks(img, what);
  });
  // Without the focus frame the border shows.
  const QImage unfocused = Render(0, true, false);
  for (const QPoint& at : {QPoint(0, 20), QPoint(259, 20), QPoint(130, 0), QPoint(130, unfocused.height() - 1)})
    EXPECT_FALSE(Differs(unfocused.pixelColor(at), QColor(0, 0, 80), 1)) << "border at " << at.x() << "," << at.y();
}

TEST_F(GoldenFixture, AnchorItem) {
  list.Add("Mehr dazu <A href=\"help\">hier</A> oder <FONT color=\"#C00000\">rot</FONT> <I>kursiv</I><BR>"
           "<U>zweite</U> Zeile <S>alt</S>");
  Check(Render(0, false), "anchor_item", AnchorWords);
}

}  // namespace
