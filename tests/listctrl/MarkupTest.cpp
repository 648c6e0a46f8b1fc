#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>

#include "Colors.h"
#include "Gradient.h"
#include "ListCtrlTestUtil.h"
#include "Markup.h"
#include "PictureStore.h"
#include "TestSupport.h"

using namespace kalvora;

namespace {

struct Run {
  bool hit = false;
  MarkupDrawResult r;
  QImage img;
};

Run Draw(const QString& text, const QRect& rect, MarkupDrawArgs a = MarkupDrawArgs(),
         QSize canvas = QSize(320, 120), QColor brush = QColor()) {
  Run run;
  run.img = lctest::Canvas(canvas.width(), canvas.height());
  QPainter p(&run.img);
  p.setFont(lctest::PinnedFont());
  p.setPen(Qt::black);
  if (brush.isValid()) p.setBrush(brush);
  run.hit = DrawMarkup(p, text, rect, a, run.r);
  // The canvas is handed back as it was given.
  EXPECT_EQ(p.font(), lctest::PinnedFont());
  EXPECT_EQ(p.pen().color(), QColor(Qt::black));
  return run;
}

MarkupDrawResult Measure(const QString& text, int width = 300, MarkupDrawArgs a = MarkupDrawArgs()) {
  a.CheckHeight = true;
  return Draw(text, QRect(0, 0, width, 100), a).r;
}

QFontMetrics Metrics(const QFont& f = lctest::PinnedFont()) {
  static QImage dev = lctest::Canvas(1, 1);
  return QFontMetrics(f, &dev);
}
int Gh() { return Metrics().height() + std::max(0, Metrics().leading()); }
int Width(const QString& s, const QFont& f = lctest::PinnedFont()) { return Metrics(f).horizontalAdvance(s); }
QFont Bold() {
  QFont f = lctest::PinnedFont();
  f.setBold(true);
  return f;
}

TEST(Markup, AmpersandEntityShowsOneAmpersand) {
  const auto r = Measure("Tom &amp; Jerry");
  EXPECT_EQ(r.StripVal, "Tom & Jerry");
  EXPECT_NEAR(r.XSize, Width("Tom & Jerry"), 2);  // words are measured one by one
}

TEST(Markup, EscapedTagIsTextNotBold) {
  const auto r = Measure("&lt;B&gt;bold?");
  EXPECT_EQ(r.StripVal, "<B>bold?");
  EXPECT_NEAR(r.XSize, Width("<B>bold?"), 1);
  EXPECT_NE(r.XSize, Width("<B>bold?", Bold()));
  EXPECT_EQ(Measure("<B>bold?</B>").XSize, Width("bold?", Bold()));
}

TEST(Markup, EntitiesDecodeOnceAndByName) {
  struct Case { const char* in; QString out; };
  const Case cases[] = {
      {"&amp;lt;", "&lt;"},
      {"&amp;amp;", "&amp;"},
      {"a&permil;b", QString("a") + QChar(0x2030) + "b"},
      {"&SECT;&reg;&copy;&para;&trade;&euro;",
       QString() + QChar(0xA7) + QChar(0xAE) + QChar(0xA9) + QChar(0xB6) + QChar(0x2122) + QChar(0x20AC)},
      {"x&quot;y&nbsp;z", "x\"y z"},
      {"&#124;&#x41;", "|A"},
      {"&unknown;", "unknown;"},   // a bare "&" only underlines the next character
      {"a&&b", "a&b"},
      {"&#0;&#xD800;", "#0;#xD800;"},
  };
  for (const Case& c : cases) EXPECT_EQ(Measure(QString::fromUtf8(c.in)).StripVal, c.out) << c.in;
}

TEST(Markup, EscapeHelperKeepsCaptionsPlain) {
  const QString caption = QString::fromUtf8("<B>Tom & \"Jerry\" | <IMG src=\"x\"> &amp; ünd");
  const QString esc = MarkupEscape(caption);
  EXPECT_FALSE(esc.contains('<'));
  EXPECT_FALSE(esc.contains('|'));
  EXPECT_FALSE(esc.contains('"'));
  EXPECT_EQ(MarkupUnescape(esc), caption);
  const auto r = Measure(esc, 2000);
  EXPECT_EQ(r.StripVal, caption);
  EXPECT_EQ(r.HyperLinks, 0);
  EXPECT_NEAR(r.XSize, Width(caption), 8);
  // Inside an attribute value the escaped path comes back whole.
  testsupport::TempFolder tmp;
  const QString path = tmp.file("a \"b\" & <c>.png");
  ASSERT_TRUE(testsupport::writeBytes(path, lctest::MakePng(30, 20, Qt::red)));
  THTMLPictureCache cache;
  MarkupDrawArgs a;
  a.PictureCache = &cache;
  const auto run = Draw("<IMG src=\"file://" + MarkupEscape(path) + "\">", QRect(0, 0, 300, 100), a);
  EXPECT_GT(lctest::ColoredPixels(run.img, QRect(0, 0, 30, 20), Qt::red), 500);
}

TEST(Markup, ThumbnailItemsRoundTrip) {
  struct Case { QString path, name, caption; };
  const Case cases[] = {
      {"/home/u/Kalvora/Archive_0001/_THUMB_a.jpg", "a.jpg", "Am Meer"},
      {"/tmp/x/_THUMB_Tom & Jerry.jpg", "Tom & Jerry.jpg", "<B>nicht fett</B> | \"zitiert\""},
      {"/tmp/a>b/_THUMB_c.jpg", "c|d.jpg", ""},
  };
  for (const Case& c : cases) {
    const QString item = ThumbnailItem(c.path, c.name, c.caption);
    EXPECT_EQ(ThumbnailItemFileName(item), c.name) << item.toStdString();
    EXPECT_EQ(ThumbnailItemCaption(item), c.caption) << item.toStdString();
    EXPECT_EQ(Measure(item, 2000).StripVal, c.name + " | " + c.caption);
    EXPECT_EQ(Measure(item, 2000).HyperLinks, 0);
  }
  const QString bare = ThumbnailItem("/t/_THUMB_n.jpg", "n.jpg");
  EXPECT_EQ(bare, "<IMG src=\"file:///t/_THUMB_n.jpg\" align=\"top\">n.jpg");
  EXPECT_EQ(ThumbnailItemFileName(bare), "n.jpg");
  EXPECT_EQ(ThumbnailItemCaption(bare), "");
  // Items written by older versions, without escaping, still read back.
  EXPECT_EQ(ThumbnailItemFileName("<IMG src=\"file://C:/t.jpg\" align=\"top\">pic.jpg | Cap"), "pic.jpg");
}

TEST(Markup, WordWrapBreaksBetweenWords) {
  const int w = Width("alpha beta ") + 2;  // two words with their spaces fit, three do not
  const auto r = Measure("alpha beta gamma", w);
  EXPECT_EQ(r.YSize, 2 * Gh());
  EXPECT_EQ(r.StripVal, "alpha beta gamma");
  // A word wider than the rectangle stands alone on its line.
  const auto wide = Measure("a verylongwordthatdoesnotfit b", Width("verylong"));
  EXPECT_EQ(wide.YSize, 3 * Gh());
  EXPECT_GE(wide.XSize, Width("verylongwordthatdoesnotfit"));
  // A word split by a tag is never broken at the tag.
  const auto split = Measure("ab<B>cd</B>", Width("ab") + 2);
  EXPECT_EQ(split.YSize, Gh());
}

TEST(Markup, WithoutWordWrapOneLineWithEllipsis) {
  MarkupDrawArgs a;
  a.WordWrap = false;
  EXPECT_EQ(Measure("alpha beta gamma delta", 40, a).YSize, Gh());
  const auto run = Draw("alpha beta gamma delta", QRect(10, 10, 60, 30), a);
  const QRect box = lctest::DarkBox(run.img);
  ASSERT_FALSE(box.isEmpty());
  EXPECT_LE(box.right(), 70);
  EXPECT_GE(box.left(), 10);
  // The cut shows as an ellipsis: the last glyph drawn is three dots on the baseline, with no
  // ink above them (letters reach up to the x-height at least).
  const int baseline = 10 + Metrics().ascent();
  const int dots = Width(QString(QChar(0x2026)));
  const int left = box.right() - dots + 1;
  EXPECT_EQ(lctest::DarkPixels(run.img, QRect(left, 10, dots, baseline - 3 - 10)), 0) << "ink above the dots";
  int runs = 0;
  bool inInk = false;
  for (int x = left; x <= box.right(); ++x) {
    const bool ink = lctest::DarkPixels(run.img, QRect(x, baseline - 3, 1, 4)) > 0;
    runs += ink && !inInk;
    inInk = ink;
  }
  EXPECT_EQ(runs, 3) << "dots at the end";
  // A text that fits is drawn whole, without dots.
  const auto full = Draw("alpha", QRect(10, 10, 300, 30), a);
  EXPECT_EQ(lctest::DarkBox(full.img).width(), lctest::DarkBox(Draw("alpha", QRect(10, 10, 300, 30)).img).width());
}

TEST(Markup, RightAlignmentIgnoresTrailingSpace) {
  const QRect rect(0, 0, 200, 40);
  const auto plain = Draw("<P align=\"right\">xyz</P>", rect);
  const auto space = Draw("<P align=\"right\">xyz </P>", rect);
  const QRect a = lctest::DarkBox(plain.img), b = lctest::DarkBox(space.img);
  EXPECT_GT(a.left(), 150);
  EXPECT_GE(a.right(), 190);
  EXPECT_EQ(a, b);
  const auto centre = Draw("<P align=\"center\">xyz</P>", rect);
  const QRect c = lctest::DarkBox(centre.img);
  EXPECT_NEAR((c.left() + c.right()) / 2, 100, 4);
  // The alignment ends with its paragraph.
  const auto after = Draw("<P align=\"right\">xyz</P>abc", rect);
  EXPECT_GT(lctest::DarkPixels(after.img, QRect(0, Gh(), 40, Gh())), 0);
}

TEST(Markup, LineBreaksAndStripping) {
  EXPECT_EQ(Measure("one\r\ntwo").YSize, 2 * Gh());
  EXPECT_EQ(Measure("one<BR>two").StripVal, "one\rtwo");
  EXPECT_EQ(StripMarkup("one<BR>two"), "one\r\ntwo");
  EXPECT_EQ(StripMarkup("one<br>two<HR>x"), "one\r\ntwo\r\nx");
  EXPECT_EQ(StripMarkup("a<Z>hidden <B>bold</B></Z>b<z>x</z>c"), "abc");
  EXPECT_EQ(StripMarkup("<IMG src=\"file:///t.jpg\" align=\"top\">pic.jpg | Caption"), "pic.jpg | Caption");
  EXPECT_EQ(StripMarkup("&amp;<B>x"), "&amp;x");  // entities stay
  EXPECT_EQ(StripMarkup("abc<Z>rest"), "abc");
  EXPECT_EQ(StripMarkup("abc<B rest"), "abc");
  // Hidden text takes no room when drawn.
  EXPECT_EQ(Measure("ab<Z>cdef</Z>").XSize, Width("ab"));
}

TEST(Markup, PlainLineMeasuresGhPlusLineSpacing) {
  MarkupDrawArgs a;
  a.LineSpacing = 3;
  EXPECT_EQ(Measure("plain", 300, a).YSize, Gh() + 3);
  EXPECT_EQ(Measure("").YSize, Gh());
}

TEST(Markup, FontSizesAndFaces) {
  QFont f12 = lctest::PinnedFont();
  f12.setPointSize(12);
  QFont f20 = lctest::PinnedFont();
  f20.setPointSize(20);
  EXPECT_EQ(Measure("<FONT size=\"3\">abc</FONT>").XSize, Width("abc", f12));
  EXPECT_EQ(Measure("<FONT size=\"20\">abc</FONT>").XSize, Width("abc", f20));
  EXPECT_EQ(Measure("<FONT size=\"20\">abc</FONT>").YSize, Metrics(f20).height());
  EXPECT_EQ(Measure("<FONT size=\"3\">a</FONT>bc").XSize, Width("a", f12) + Width("bc"));
  // FACE names the font; the closing tag returns to the start font.
  QFont mono = lctest::PinnedFont();
  mono.setFamily("DejaVu Sans Mono");
  ASSERT_NE(Width("iiii", mono), Width("iiii"));
  EXPECT_EQ(Measure("<FONT face=\"DejaVu Sans Mono\">iiii</FONT>").XSize, Width("iiii", mono));
  EXPECT_EQ(Measure("<FONT face=\"DejaVu Sans Mono\">ii</FONT>ii").XSize, Width("ii", mono) + Width("ii"));
}

TEST(Markup, Colours) {
  EXPECT_EQ(MarkupColor("#FF0000"), clRed);
  EXPECT_EQ(MarkupColor("#00ff00"), clLime);
  EXPECT_EQ(MarkupColor("#12"), RGBColor(0x12, 0, 0));
  EXPECT_EQ(MarkupColorByName("clWindow"), clWindow);
  EXPECT_EQ(MarkupColorByName("CLWINDOW"), clWindow);
  EXPECT_EQ(MarkupColorByName("clNavy"), TColor(0x800000));
  EXPECT_EQ(MarkupColorByName("purpleish"), clBlack);
  EXPECT_EQ(ToQColor(clRed), QColor(255, 0, 0));
  const auto red = Draw("<FONT color=\"#FF0000\">XXXX</FONT>", QRect(0, 0, 300, 40));
  EXPECT_GT(lctest::ColoredPixels(red.img, red.img.rect(), Qt::red), 20);
}

TEST(Markup, SelectedIgnoresMarkupColours) {
  MarkupDrawArgs a;
  a.Selected = true;
  const auto run = Draw("<FONT color=\"#FF0000\" bgcolor=\"#00FF00\">XXXX</FONT> <A href=\"x\">link</A>",
                        QRect(0, 0, 300, 40), a);
  EXPECT_EQ(lctest::ColoredPixels(run.img, run.img.rect(), Qt::red, 60), 0);
  EXPECT_EQ(lctest::ColoredPixels(run.img, run.img.rect(), Qt::green, 60), 0);
  EXPECT_EQ(lctest::ColoredPixels(run.img, run.img.rect(), Qt::blue, 60), 0);
  EXPECT_GT(lctest::DarkPixels(run.img, run.img.rect()), 20);
}

TEST(Markup, ImageTopAlignmentPutsTextAtPictureTop) {
  testsupport::TempFolder tmp;
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("t.png"), lctest::MakePng(40, 60, Qt::red)));
  THTMLPictureCache cache;
  MarkupDrawArgs a;
  a.PictureCache = &cache;
  const QString src = "file://" + tmp.file("t.png");
  const auto top = Draw("<IMG src=\"" + src + "\" align=\"top\">name.jpg | caption", QRect(0, 0, 300, 100), a);
  EXPECT_GT(lctest::ColoredPixels(top.img, QRect(0, 0, 40, 60), Qt::red), 2300);
  const QRect text = lctest::DarkBox(top.img);
  ASSERT_FALSE(text.isEmpty());
  EXPECT_GE(text.left(), 40);
  EXPECT_LT(text.top(), Gh());
  EXPECT_LT(text.bottom(), Gh() + 2);
  const auto bottom = Draw("<IMG src=\"" + src + "\">name.jpg", QRect(0, 0, 300, 100), a);
  EXPECT_GT(lctest::DarkBox(bottom.img).top(), 60 - Gh());
  const auto m = Draw("<IMG src=\"" + src + "\" align=\"top\">x", QRect(0, 0, 300, 100), [&] {
    MarkupDrawArgs b = a;
    b.CheckHeight = true;
    return b;
  }());
  EXPECT_EQ(m.r.YSize, 60);
  EXPECT_EQ(m.r.XSize, 40 + Width("x"));
  EXPECT_EQ(cache.Count(), 1);  // loaded once, kept for later drawing
}

TEST(Markup, ImageThatDoesNotFitStartsTheNextLine) {
  testsupport::TempFolder tmp;
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("t.png"), lctest::MakePng(50, 20, Qt::red)));
  THTMLPictureCache cache;
  MarkupDrawArgs a;
  a.PictureCache = &cache;
  const QString img = "<IMG src=\"file://" + tmp.file("t.png") + "\">";
  const auto r = Draw(img + img + img, QRect(0, 0, 120, 200), a);
  EXPECT_GT(lctest::ColoredPixels(r.img, QRect(0, 20, 60, 20), Qt::red), 900);
  EXPECT_EQ(lctest::ColoredPixels(r.img, QRect(102, 0, 18, 20), Qt::red), 0);
}

TEST(Markup, AnchorHitTesting) {
  const QString text = "see <A href=\"page2\">more</A> and <A href=\"mailto:a@b\">mail</A>";
  const int xMore = 1 + Width("see ") + Width("more") / 2;
  MarkupDrawArgs a;
  a.CheckAnchor = true;
  a.XPos = xMore;
  a.YPos = Gh() / 2;
  auto run = Draw(text, QRect(0, 0, 300, 60), a);
  EXPECT_TRUE(run.hit);
  EXPECT_EQ(run.r.AnchorVal, "page2");
  EXPECT_EQ(run.r.MouseLink, 1);
  EXPECT_EQ(run.r.HyperLinks, 2);
  EXPECT_TRUE(run.r.HoverRect.contains(xMore, Gh() / 2));
  a.XPos = 1 + Width("see <") - Width("<") - 5;  // on "see"
  run = Draw(text, QRect(0, 0, 300, 60), a);
  EXPECT_FALSE(run.hit);
  EXPECT_TRUE(run.r.AnchorVal.isEmpty());
  a.XPos = 1 + Width("see more and ") + 3;
  run = Draw(text, QRect(0, 0, 300, 60), a);
  EXPECT_TRUE(run.hit);
  EXPECT_EQ(run.r.AnchorVal, "mailto:a@b");
  EXPECT_EQ(run.r.MouseLink, 2);
  a.YPos = Gh() + 5;  // below the line
  EXPECT_FALSE(Draw(text, QRect(0, 0, 300, 60), a).hit);
  // On a right-aligned line the anchor is where it is drawn.
  a.XPos = 299 - Width("ok") / 2;
  a.YPos = Gh() / 2;
  run = Draw("<P align=\"right\"><A href=\"r\">ok</A></P>", QRect(0, 0, 300, 60), a);
  EXPECT_TRUE(run.hit);
  EXPECT_EQ(run.r.AnchorVal, "r");
}

TEST(Markup, AnchorsPaintInUrlColourAndFocus) {
  MarkupDrawArgs a;
  a.URLColor = clRed;
  a.FocusLink = 0;
  const auto run = Draw("x <A href=\"h\">LINK</A> y", QRect(0, 0, 300, 40), a);
  EXPECT_GT(lctest::ColoredPixels(run.img, run.img.rect(), Qt::red), 10);
  EXPECT_EQ(run.r.FocusAnchor, "h");
  // The focus frame: the anchor's box (its start to its end, the line's bottom and the height of
  // "gh" above it) widened by one pixel on each side, drawn dotted inside that; without a focus
  // anchor the same columns and row stay empty.
  const int x0 = 1 + Width("x ") - 1, x1 = 1 + Width("x ") + Width("LINK");
  a.FocusLink = -1;
  const auto plain = Draw("x <A href=\"h\">LINK</A> y", QRect(0, 0, 300, 40), a);
  for (const QRect& edge : {QRect(x0, 0, 1, Gh()), QRect(x1, 0, 1, Gh()), QRect(x0, Gh(), x1 - x0 + 1, 1)}) {
    const int length = std::max(edge.width(), edge.height());
    EXPECT_GE(lctest::DarkPixels(run.img, edge) * 3, length) << edge.x() << "," << edge.y();
    EXPECT_LE(lctest::DarkPixels(run.img, edge) * 3, length * 2) << "dotted";
    EXPECT_EQ(lctest::DarkPixels(plain.img, edge), 0);
  }
}

TEST(Markup, BlinkOffPhaseDrawsInBrushColour) {
  MarkupDrawArgs a;
  a.Blink = false;
  const auto off = Draw("<BLINK>XXXX</BLINK>", QRect(0, 0, 300, 40), a, QSize(320, 120), Qt::white);
  EXPECT_EQ(lctest::DarkPixels(off.img, off.img.rect()), 0);
  a.Blink = true;
  const auto on = Draw("<BLINK>XXXX</BLINK>", QRect(0, 0, 300, 40), a, QSize(320, 120), Qt::white);
  EXPECT_GT(lctest::DarkPixels(on.img, on.img.rect()), 20);
}

TEST(Markup, ListsIndentAndParagraphColours) {
  const auto li = Measure("<UL><LI>item</UL>");
  EXPECT_EQ(li.XSize, 12 + Width("item"));
  EXPECT_EQ(Measure("a<IND x=\"50\">b").XSize, 50 + Width("b"));
  const auto bg = Draw("<P bgcolor=\"#00FF00\">text</P>", QRect(0, 0, 200, 40));
  EXPECT_GT(lctest::ColoredPixels(bg.img, QRect(0, 0, 200, Gh()), Qt::green, 10), 150 * Gh());
  const auto grad = Draw("<BODY bgcolor=\"#000000\" bgcolorto=\"#FFFFFF\">x", QRect(0, 0, 128, 20));
  EXPECT_LT(grad.img.pixelColor(1, 10).red(), 10);
  EXPECT_GT(grad.img.pixelColor(126, 10).red(), 240);
}

TEST(Markup, GradientBands) {
  QImage img = lctest::Canvas(64, 10);
  QPainter p(&img);
  DrawGradientRect(p, clBlack, clWhite, true, img.rect(), 64, clNone);
  p.end();
  EXPECT_EQ(img.pixelColor(0, 5), QColor(0, 0, 0));
  EXPECT_EQ(img.pixelColor(32, 5).red(), 128);
  EXPECT_EQ(img.pixelColor(63, 5).red(), 251);
  QImage v = lctest::Canvas(10, 10);
  QPainter pv(&v);
  DrawGradientRect(pv, clRed, clRed, false, v.rect(), 0, clBlue);
  pv.end();
  EXPECT_EQ(v.pixelColor(5, 5), QColor(255, 0, 0));
  EXPECT_EQ(v.pixelColor(0, 5), QColor(0, 0, 255));
}

TEST(Markup, GradientStyleAssignCopiesEverything) {
  TGradientStyle a, b;
  int changes = 0;
  b.OnChange = [&] { ++changes; };
  a.SetColorFrom(clRed);
  a.SetColorTo(clBlue);
  a.SetBorderColor(clGreen);
  a.SetDirection(true);
  b.Assign(a);
  EXPECT_EQ(b.ColorFrom(), clRed);
  EXPECT_EQ(b.ColorTo(), clBlue);
  EXPECT_EQ(b.BorderColor(), clGreen);
  EXPECT_TRUE(b.Direction());
  EXPECT_EQ(changes, 1);
  TGradientStyle d;
  EXPECT_EQ(d.ColorFrom(), clHighlight);
  EXPECT_EQ(d.ColorTo(), clNone);
  EXPECT_EQ(d.BorderColor(), clHighlight);
  EXPECT_FALSE(d.Direction());
}

// Bad mark-up is drawn by the rules for it: an unclosed tag drops the rest, a "<" with fewer than
// two characters after it ends the text, unknown tags are skipped, a bare "&" only marks the next
// character, a picture that cannot be had takes no room; and nothing crashes or hangs.
TEST(Markup, BadInputIsDrawnByItsRulesWithoutCrashingOrHanging) {
  testsupport::TempFolder tmp;
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("corrupt.jpg"), QByteArray("\xFF\xD8\xFF\xE0 not really", 16)));
  const QByteArray gif = lctest::MakeGif(10, 10, {1, 2, 3}, 10);
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("cut.gif"), gif.left(gif.size() / 2)));
  QString deep;
  for (int i = 0; i < 10000; ++i) deep += i % 2 ? "<FONT size=\"5\"><UL>" : "<A href=\"x\"><SUB>";
  deep += "x";
  QString big;
  for (int i = 0; i < 100000; ++i) big += "word <B>bold</B> ";
  big.truncate(1 << 20);
  struct Case {
    QString text;
    const char* strip;  // the plain text drawn; null: not checked
    bool noRoom;        // pictures that cannot be had take no room
  };
  const Case cases[] = {
      {"<B", "", false}, {"abc<", "abc", false}, {"a<>b", "ab", false},
      {"<FONT size=\"5\" face=\"x", "", false}, {"</", "", false}, {"<<<<>>>>", ">>>", false},
      {"&", "", false}, {"&amp", "amp", false}, {"&#;", "#;", false}, {"&#99999999999;", "#99999999999;", false},
      {"<IMG src=\"file://" + tmp.file("missing.png") + "\">", "", true},
      {"<IMG src=\"file://" + tmp.file("corrupt.jpg") + "\">x", "x", true},
      {"<IMG src=\"file://" + tmp.file("cut.gif") + "\">x", "x", false},
      {"<IMG src=\"res://nothing\">", "", true},
      {"<IMG src=\"IDX:5\"><IMG src=\"SSYS:99\"><IMG src=\"LSYS:/nonexistent.txt\">", "", false},
      {"<IMG src=\"http://example.invalid/x.png\" width=\"99999999\" height=\"-5\">", "", true},
      {"<FONT size=\"999999999\">x</FONT><R a=\"1e308\">y</R><IND x=\"2147483647\">z", "xyz", false},
      {"<P align=\"right\" indent=\"-99999\">x</P>", "x", false}, {"<BODY background=\"nothing\">", "", true},
      {"<#a<#b>", "#a", false}, {QString(1000, QChar(0xE000)), nullptr, false}, {deep, "x", false},
      {big, nullptr, false},
  };
  THTMLPictureCache cache;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.left(80).toStdString());
    MarkupDrawArgs a;
    a.PictureCache = &cache;
    a.XPos = 5;
    a.YPos = 5;
    Draw(c.text, QRect(0, 0, 200, 60), a);
    a.CheckAnchor = true;
    Draw(c.text, QRect(0, 0, 200, 60), a);
    a.CheckHeight = true;
    const MarkupDrawResult m = Draw(c.text, QRect(0, 0, 2000, 60), a).r;
    EXPECT_GE(m.YSize, Gh());
    if (c.strip) {
      EXPECT_EQ(m.StripVal, QString::fromUtf8(c.strip));
    }
    if (c.noRoom) {
      EXPECT_EQ(m.XSize, Width(QString::fromUtf8(c.strip)));
      EXPECT_EQ(m.YSize, Gh());
    }
    a = MarkupDrawArgs();
    a.PictureCache = &cache;
    a.WordWrap = false;
    Draw(c.text, QRect(0, 0, 200, 60), a);
    const QString stripped = StripMarkup(c.text);
    if (c.strip && !c.text.contains('&') && !c.text.contains("<#")) {
      EXPECT_EQ(stripped, QString::fromUtf8(c.strip)) << "stripped";
    }
    MarkupUnescape(c.text);
  }
}


// Pixels of a and b inside r are the same.
bool SameIn(const QImage& a, const QImage& b, const QRect& r) { return a.copy(r) == b.copy(r); }

// Each style tag changes the text it opens on and its closing tag (or the closing tag that also
// ends it) gives the next word back its plain look: "<X>a</X> b" differs from "a b" over the "a"
// and is the same right of the space.
TEST(Markup, EachStyleTagEndsWithItsClosingTag) {
  struct Case {
    const char* open;
    const char* close;
  };
  const Case cases[] = {
      {"<E>", "</E>"},         {"<HI>", "</HI>"},       {"<SHAD>", "</SHAD>"},   {"<U>", "</U>"},
      {"<S>", "</S>"},         {"<I>", "</I>"},         {"<R a=\"-90\">", "</R>"},
      {"<SUB>", "</SUB>"},     {"<SUB>", "</SUP>"},     {"<U>", "</UL>"},        // no list open: the underline ends
      {"<FONT bgcolor=\"#00FF00\">", "</FONT>"},         {"<FONT color=\"#FF0000\">", "</FONT>"},
      {"<FONT color=\"#FF0000\">", "</BLINK>"},          {"<FONT color=\"#FF0000\">", "</BQ>"},
      {"<A href=\"x\">", "</A>"},
  };
  MarkupDrawArgs a;
  a.ShadowColor = clRed;
  a.ShadowOffset = 1;
  const QRect rect(0, 0, 200, 40);
  const QImage plain = Draw("a b", rect, a).img;
  const int word = 1 + Width("a"), next = 1 + Width("a ");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.open) + c.close);
    const QImage styled = Draw(QString::fromLatin1(c.open) + "a" + c.close + " b", rect, a).img;
    EXPECT_FALSE(SameIn(styled, plain, QRect(0, 0, word, 60))) << "the tag changes nothing";
    EXPECT_TRUE(SameIn(styled, plain, QRect(next, 0, 320 - next, 60))) << "the style goes on after its end";
  }
}

// Closing tags that end more than their own name: "</SUP>" ends SUB and "</SUB>" ends SUP, any
// other closing tag beginning with B gives back the start colour, any beginning with L ends the
// line as BR does; inside a list "</UL>" leaves the underline on and the line going; unknown
// tags are skipped.
TEST(Markup, ClosingTagsThatEndMoreThanTheirName) {
  struct Case {
    const char* text;
    const char* same;
    const char* strip;  // the plain text of text
  };
  const Case cases[] = {
      {"<SUP>a</SUB> b", "<SUP>a</SUP> b", "a b"},
      {"<SUB>a</SUP> b", "<SUB>a</SUB> b", "a b"},
      {"<FONT color=\"#FF0000\">a</BODY> b", "<FONT color=\"#FF0000\">a</FONT> b", "a b"},
      {"a</LI>b", "a<BR>b", "ab"},
      {"a</LX>b", "a<BR>b", "ab"},
      {"<UL><U>a</UL>b", "<UL><U>a</U><U>b", "ab"},
      {"a <Q>b</Q> c", "a b c", "a b c"},
  };
  const QRect rect(0, 0, 200, 60);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto r = Draw(QString::fromLatin1(c.text), rect);
    EXPECT_EQ(r.img, Draw(QString::fromLatin1(c.same), rect).img);
    EXPECT_EQ(r.r.StripVal, QString::fromLatin1(c.strip));
  }
  // Inside a list "</UL>" only closes the list: the underline goes on.
  EXPECT_NE(Draw("<UL><U>a</UL>b", rect).img, Draw("<UL><U>a</U>b", rect).img);
  // SUB and SUP make the line a quarter of its height taller.
  EXPECT_EQ(Measure("a<SUB>b</SUB>").YSize, Gh() + Gh() / 4);
  EXPECT_EQ(Measure("a<SUP>b</SUP>").YSize, Gh() + Gh() / 4);
}

TEST(Markup, RuleListsAndIndents) {
  // HR: a black line one pixel below the line across the whole rectangle, and a new line.
  const auto hr = Draw("a<HR>", QRect(0, 0, 200, 60));
  EXPECT_EQ(lctest::DarkPixels(hr.img, QRect(0, Gh() + 1, 320, 1)), 200);
  EXPECT_EQ(lctest::DarkPixels(hr.img, QRect(0, Gh() + 2, 320, 10)), 0);
  EXPECT_EQ(Measure("a<HR>b").YSize, 2 * Gh());
  EXPECT_EQ(Measure("a<HR>b").StripVal, "ab");
  // UL ends its line; each LI after the first on a line starts a new one (with word wrap),
  // indented by 12 per list level.
  const auto items = Measure("<UL><LI>a<LI>bb");
  EXPECT_EQ(items.YSize, 3 * Gh());
  EXPECT_EQ(items.XSize, 12 + Width("bb"));
  MarkupDrawArgs oneLine;
  oneLine.WordWrap = false;
  EXPECT_EQ(Measure("<UL><LI>a<LI>bb", 300, oneLine).YSize, 2 * Gh());
  EXPECT_EQ(Measure("<UL><UL><LI>x").XSize, 24 + Width("x"));
  EXPECT_EQ(Measure("<UL><UL></UL><LI>x").XSize, 12 + Width("x"));
  // The bullet stands in the last 12 pixels of the indent; level 1 and 2 draw different marks.
  const auto one = Draw("<UL><LI>x", QRect(0, 0, 200, 60)).img;
  const auto two = Draw("<UL><UL><LI>x", QRect(0, 0, 200, 60)).img;
  const int line2 = Gh(), line3 = 2 * Gh();
  EXPECT_GT(lctest::DarkPixels(one, QRect(1, line2, 12, Gh())), 0);
  EXPECT_EQ(lctest::DarkPixels(two, QRect(1, line3, 12, Gh())), 0);
  EXPECT_GT(lctest::DarkPixels(two, QRect(13, line3, 12, Gh())), 0);
  EXPECT_NE(one.copy(QRect(1, line2, 12, Gh())), two.copy(QRect(13, line3, 12, Gh())));
  // IND moves the pen only forward.
  EXPECT_EQ(Measure("abc<IND x=\"5\">d").XSize, Width("abc") + Width("d"));
  // P's indent moves its lines and ends with the paragraph.
  const QRect plain = lctest::DarkBox(Draw("x", QRect(0, 0, 200, 60)).img);
  const QRect moved = lctest::DarkBox(Draw("<P indent=\"30\">x</P>", QRect(0, 0, 200, 60)).img);
  EXPECT_EQ(moved, plain.translated(30, 0));
  const auto after = Draw("<P indent=\"30\">x</P>x", QRect(0, 0, 200, 60)).img;
  EXPECT_EQ(after.copy(QRect(0, Gh(), 320, Gh())), Draw("<BR>x", QRect(0, 0, 200, 60)).img.copy(QRect(0, Gh(), 320, Gh())));
}

TEST(Markup, ParagraphAndBodyBackgrounds) {
  const QRect rect(0, 0, 128, 40);
  // A gradient paragraph from black to white, left to right, over the line.
  const auto grad = Draw("<P bgcolor=\"#000000\" bgcolorto=\"#FFFFFF\">x</P>", rect).img;
  EXPECT_LT(grad.pixelColor(1, Gh() - 2).red(), 10);
  EXPECT_GT(grad.pixelColor(126, Gh() - 2).red(), 240);
  // BODY's colour fills the line's band; a selected item keeps its own background.
  const auto body = Draw("<BODY bgcolor=\"#00FF00\">x", rect).img;
  EXPECT_GT(lctest::ColoredPixels(body, QRect(0, 0, 128, Gh()), Qt::green, 10), 100 * Gh());
  EXPECT_EQ(lctest::ColoredPixels(body, QRect(0, Gh() + 1, 128, 10), Qt::green, 10), 0);
  MarkupDrawArgs selected;
  selected.Selected = true;
  EXPECT_EQ(lctest::ColoredPixels(Draw("<BODY bgcolor=\"#00FF00\">x", rect, selected).img, rect, Qt::green, 10), 0);
  // A background picture is tiled over the whole rectangle.
  testsupport::TempFolder tmp;
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("bg.png"), lctest::MakePng(8, 8, Qt::red)));
  THTMLPictureCache cache;
  MarkupDrawArgs withCache;
  withCache.PictureCache = &cache;
  const auto tiled = Draw("<BODY background=\"file://" + tmp.file("bg.png") + "\">", rect, withCache).img;
  EXPECT_EQ(lctest::ColoredPixels(tiled, rect, Qt::red, 10), 128 * 40);
  EXPECT_EQ(lctest::ColoredPixels(tiled, QRect(128, 0, 192, 120), Qt::red, 10), 0);
}

TEST(Markup, AnchorWithoutHrefAndHoverStyles) {
  // A link without HREF takes its first quoted value.
  MarkupDrawArgs hit;
  hit.CheckAnchor = true;
  hit.XPos = 1 + Width("link") / 2;
  hit.YPos = Gh() / 2;
  const auto bare = Draw("<A \"seite2\">link</A>", QRect(0, 0, 300, 60), hit);
  EXPECT_TRUE(bare.hit);
  EXPECT_EQ(bare.r.AnchorVal, "seite2");
  // Hover styling: only the hovered link gets the hover colours; the others stay plain text.
  MarkupDrawArgs hover;
  hover.HoverStyle = true;
  hover.HoverColor = clLime;
  hover.HoverFontColor = clRed;
  hover.URLColor = clBlue;
  const QString text = "<A href=\"a\">eins</A> <A href=\"b\">zwei</A>";
  hover.HoverLink = 1;
  const auto first = Draw(text, QRect(0, 0, 300, 60), hover).img;
  const int split = 1 + Width("eins ");
  EXPECT_GT(lctest::ColoredPixels(first, QRect(0, 0, split, Gh()), Qt::green, 10), 20);
  EXPECT_GT(lctest::ColoredPixels(first, QRect(0, 0, split, Gh()), Qt::red, 60), 5);
  EXPECT_EQ(lctest::ColoredPixels(first, QRect(split, 0, 300, Gh()), Qt::green, 10), 0);
  EXPECT_EQ(lctest::ColoredPixels(first, QRect(split, 0, 300, Gh()), Qt::red, 60), 0);
  EXPECT_GT(lctest::ColoredPixels(first, QRect(split, 0, 300, Gh()), Qt::blue, 60), 5);
  hover.HoverLink = 2;
  const auto second = Draw(text, QRect(0, 0, 300, 60), hover).img;
  EXPECT_EQ(lctest::ColoredPixels(second, QRect(0, 0, split, Gh()), Qt::green, 10), 0);
  EXPECT_GT(lctest::ColoredPixels(second, QRect(split, 0, 300, Gh()), Qt::green, 10), 20);
}

}  // namespace
