// The text side of the gallery: template and style sheet bytes, sizes, grid, web names,
// escaping and the settings file.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "GalleryPages.h"
#include "IniFile.h"
#include "TestSupport.h"

using namespace gallery;

namespace {
const Identity kId{"Kalvora Bildergalerie", "Pixelwerk", "Bilder im Internet"};

QByteArray bytes(const QStringList& lines) { return JoinLines(lines); }
}  // namespace

TEST(GalleryTemplates, GermanBytes) {
  EXPECT_EQ(bytes(GalleryHeader("GERMAN", kId, "Urlaub 2024")),
            QByteArray("<HTML><HEAD><TITLE>Kalvora Bildergalerie</TITLE>\r\n"
                       "<META NAME=\"author\" CONTENT=\"Pixelwerk Kalvora\">\r\n"
                       "<META NAME=\"description\" CONTENT=\"Seite erstellt mit Pixelwerk Kalvora Bilder im Internet\">\r\n"
                       "<META NAME=\"keywords\" CONTENT=\"Kalvora, diashow java, java script diashow, java diashow, bild diashow java script\">\r\n"
                       "<LINK href=\"layout.css\" rel=\"stylesheet\" type=\"text/css\">\r\n"
                       "</HEAD>\r\n"
                       "<BODY>\r\n"
                       "<CENTER><font face=\"Verdana,Arial\" size=\"3\"><b>Urlaub 2024</b></font><br><br>\r\n"
                       "<font face=\"Verdana,Arial\" size=\"1\">Klicken Sie auf die Bilder, um diese in Originalgr&ouml;&szlig;e zu sehen.</font></CENTER><BR>\r\n"
                       "<table width=\"100%\" border=\"0\" cellspacing=\"15\" cellpadding=\"0\">\r\n"));
  EXPECT_EQ(bytes(PageHeader("GERMAN", kId)),
            QByteArray("<HTML><HEAD><TITLE>Kalvora Bildergalerie</TITLE>\r\n"
                       "<META NAME=\"author\" CONTENT=\"Pixelwerk Kalvora\">\r\n"
                       "<META NAME=\"description\" CONTENT=\"Seite erstellt mit Pixelwerk Kalvora Bilder im Internet\">\r\n"
                       "<META NAME=\"keywords\" CONTENT=\"Kalvora, diashow java, java script diashow, java diashow, bild diashow java script\">\r\n"
                       "<LINK href=\"layout.css\" rel=\"stylesheet\" type=\"text/css\">\r\n"
                       "</HEAD>\r\n"
                       "<BODY>\r\n"));
  EXPECT_EQ(bytes(GalleryFooter()), QByteArray("</table>\r\n<HR>\r\n<FONT FACE=Verdana,Arial Size=1>\r\n <CENTER>\r\n"
                                               " </CENTER>\r\n</FONT>\r\n</BODY>\r\n</HTML>\r\n"));
  EXPECT_EQ(bytes(PageFooter()), QByteArray("<HR>\r\n<FONT FACE=Verdana,Arial Size=1>\r\n <CENTER>\r\n"
                                            " </CENTER>\r\n</FONT>\r\n</BODY>\r\n</HTML>\r\n"));
}

TEST(GalleryTemplates, EnglishAndSwedishBytes) {
  const QByteArray english("<HTML><HEAD><TITLE>Kalvora Bildergalerie</TITLE>\r\n"
                           "<META NAME=\"author\" CONTENT=\"Pixelwerk Slidora\">\r\n"
                           "<META NAME=\"description\" CONTENT=\"Created with Pixelwerk Slidora Bilder im Internet\">\r\n"
                           "<META NAME=\"keywords\" CONTENT=\"Slidora, slidshow java, java script slideshow, java slideshow\">\r\n"
                           "<LINK href=\"layout.css\" rel=\"stylesheet\" type=\"text/css\">\r\n"
                           "</HEAD>\r\n"
                           "<BODY>\r\n"
                           "<CENTER><font face=\"Verdana,Arial\" size=\"3\"><b>Holiday</b></font><br><br>\r\n"
                           "<font face=\"Verdana,Arial\" size=\"1\">Click the pictures to enlarge.</font></CENTER><BR>\r\n"
                           "<table width=\"100%\" border=\"0\" cellspacing=\"15\" cellpadding=\"0\">\r\n");
  EXPECT_EQ(bytes(GalleryHeader("ENGLISH", kId, "Holiday")), english);
  EXPECT_EQ(bytes(GalleryHeader("SWEDISH", kId, "Holiday")), english);
  const QByteArray page("<HTML><HEAD><TITLE>Kalvora Bildergalerie</TITLE>\r\n"
                        "<META NAME=\"author\" CONTENT=\"Pixelwerk Kalvora\">\r\n"
                        "<META NAME=\"description\" CONTENT=\"Page created with Pixelwerk Kalvora Bilder im Internet\">\r\n"
                        "<META NAME=\"keywords\" CONTENT=\"Kalvora, slidshow java, java script slideshow, java slideshow\">\r\n"
                        "<LINK href=\"layout.css\" rel=\"stylesheet\" type=\"text/css\">\r\n"
                        "</HEAD>\r\n"
                        "<BODY>\r\n");
  EXPECT_EQ(bytes(PageHeader("ENGLISH", kId)), page);
  QByteArray swedish = page;
  swedish.replace("Kalvora, slidshow", "Slidora, slidshow").replace("Pixelwerk Kalvora", "Pixelwerk Slidora");
  EXPECT_EQ(bytes(PageHeader("SWEDISH", kId)), swedish);
}

TEST(GalleryTemplates, StyleSheetBytes) {
  // Text red 255, green 128, blue 0; background the stored default 0.
  const QByteArray color = "\tcolor:#FF8000;\r\n";
  QByteArray expected = "\r\nBODY {\r\n\tFONT-FAMILY: Verdana, Helvetica;\r\n\tFONT-SIZE: 10px;\r\n"
                        "\tFONT-WEIGHT: normal;\r\n\tmargin-top:20px;\r\n\tmargin-left:0px;\r\n" + color +
                        "\tbackground-color :#000000;\r\n}\r\n";
  for (const char* sel : {"a:link {", "a:visited {", "a:active {", "a:hover {"})
    expected += QByteArray(sel) + "\r\n" + color + "}\r\n";
  expected += ".content {\r\n\tFONT-FAMILY: verdana, arial, helvetica;\r\n\tFONT-SIZE: 8pt;\r\n"
              "\tmargin-top:0px;\r\n\tmargin-left:0px;\r\n" + color + "}\r\n";
  EXPECT_EQ(bytes(CssLines(0x0080FF, 0)), expected);
}

TEST(GalleryTemplates, ColorToHtmlTakesRedFromTheLowestByte) {
  EXPECT_EQ(ColorToHtml(0x0080FF), "#FF8000");
  EXPECT_EQ(ColorToHtml(4), "#040000");
  EXPECT_EQ(ColorToHtml(0xFFFFFF), "#FFFFFF");
  EXPECT_EQ(ColorToHtml(0x123456), "#563412");
}

TEST(GalleryTemplates, TitleAndIdentityAreWrittenAsText) {
  const Identity id{"<Meine> & \"Seite\"", "Jörg", "€"};
  const QStringList h = GalleryHeader("GERMAN", id, "<b>x</b> & \"q\" äé");
  EXPECT_EQ(h[0], "<HTML><HEAD><TITLE>&lt;Meine&gt; &amp; &quot;Seite&quot;</TITLE>");
  EXPECT_EQ(h[1], "<META NAME=\"author\" CONTENT=\"J&#246;rg Kalvora\">");
  EXPECT_TRUE(h[2].endsWith("Kalvora &#8364;\">"));
  EXPECT_EQ(h[7], "<CENTER><font face=\"Verdana,Arial\" size=\"3\"><b>&lt;b&gt;x&lt;/b&gt; &amp; &quot;q&quot; "
                  "&#228;&#233;</b></font><br><br>");
  for (const QString& line : h)
    for (const QChar c : line) EXPECT_LT(c.unicode(), 0x80) << line.toStdString();
}

TEST(GalleryText, EscapingAndLinks) {
  EXPECT_EQ(HtmlText("a\nb\tc"), "a&#10;b&#9;c");
  EXPECT_EQ(HtmlText(QString::fromUtf8("😀")), "&#128512;");  // one reference, not two halves
  EXPECT_EQ(UrlPart("a#b.html"), "a%23b.html");
  EXPECT_EQ(UrlPart(QString::fromUtf8("ł ö%.jpg")), "%C5%82%20%C3%B6%25.jpg");
  EXPECT_EQ(UrlPart("strand_x2x_thumb.jpg"), "strand_x2x_thumb.jpg");
}

TEST(GalleryText, WebNameTable) {
  struct Case {
    const char* fileName;
    const char* web;
  } cases[] = {
      {"Strand (2).JPG", "strand_x2x"},
      {"Müller & Söhne.jpg", "mueller_a_soehne"},
      {"a.b.c", "a"},
      {".jpg", "bild1"},
      {"Café Größe €5!.jpg", "caf__groesse__5_"},
      {"ÄÖÜ*:?.jpg", "aeoeuexx_"},
      {"Straße#1.png", "strasse#1"},
      {"a\nb.jpg", "a_b"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WebNames({QString::fromUtf8(c.fileName)}), QStringList{QString::fromUtf8(c.web)}) << c.fileName;
}

TEST(GalleryText, WebNamesNeverCollide) {
  const QStringList names{"Foto.jpg", "foto.png", "FOTO.tif", "foto_2.jpg", ".jpg", "Gallery.jpg", "a.jpg",
                          "a_thumb.jpg", ".png"};
  const QStringList web = WebNames(names);
  EXPECT_EQ(web, (QStringList{"foto", "foto_2", "foto_3", "foto_2_2", "bild5", "gallery_2", "a", "a_thumb_2", "bild9"}));
  QSet<QString> files;
  for (const QString& b : web)
    for (const QString& f : {b + ".jpg", b + "_thumb.jpg", b + ".html"}) EXPECT_TRUE(!files.contains(f) && (files.insert(f), true)) << f.toStdString();
  EXPECT_FALSE(files.contains("gallery.html"));
}

TEST(GalleryText, LongNamesStayWithinTheFileNameLimit) {
  const QString longName = QString(300, QChar(0x00E9)) + QString::fromUtf8("ł").repeated(300) + ".jpg";
  const QString web = WebNames({longName}).first();
  EXPECT_LE((web + "_thumb.jpg").toUtf8().size(), 255);
  EXPECT_FALSE(web.isEmpty());
}

TEST(GallerySizes, TheSettingFixesTheShorterSide) {
  const Settings s;  // 80 and 250
  struct Case {
    int w, h, small, large, smallH, largeH;
  } cases[] = {
      {1600, 1200, 107, 333, 80, 250},
      {1200, 1600, 80, 250, 107, 333},
      {1000, 1000, 80, 250, 80, 250},
      {3000, 1000, 240, 750, 80, 250},
  };
  for (const Case& c : cases) {
    const PictureWidths pw = MeasureWidths(c.w, c.h, s);
    EXPECT_EQ(pw.small, c.small) << c.w << "x" << c.h;
    EXPECT_EQ(pw.large, c.large) << c.w << "x" << c.h;
    EXPECT_EQ(ScaledHeight(pw.small, c.w, c.h), c.smallH);
    EXPECT_EQ(ScaledHeight(pw.large, c.w, c.h), c.largeH);
  }
  EXPECT_EQ(MeasureWidths(0, 100, s).small, 0);
  EXPECT_EQ(RoundEven(2.5), 2);
  EXPECT_EQ(RoundEven(3.5), 4);
}

TEST(GalleryGrid, RowsAreBalanced) {
  struct Case {
    int n, perRow, rows, columns, width, blanks;
  } cases[] = {{5, 4, 2, 3, 33, 1}, {7, 4, 2, 4, 25, 1}, {10, 4, 3, 4, 25, 2}, {1, 4, 1, 1, 100, 0}, {4, 4, 1, 4, 25, 0},
               {3, 1, 3, 1, 100, 0}};
  for (const Case& c : cases) {
    const Grid g = GridFor(c.n, c.perRow);
    EXPECT_EQ(g.rows, c.rows) << c.n;
    EXPECT_EQ(g.columns, c.columns) << c.n;
    EXPECT_EQ(g.width, c.width) << c.n;
    Settings s;
    s.picProRow = c.perRow;
    std::vector<PageEntry> entries(size_t(c.n), PageEntry{"p", "", 10, 10});
    const QStringList body = OverviewBody(entries, s);
    EXPECT_EQ(body.count("<tr>"), c.rows);
    EXPECT_EQ(body.count("<td align=\"center\">&nbsp;</td>"), c.blanks) << c.n;
    EXPECT_EQ(body.count("<td align=\"center\" width=\"" + QString::number(c.width) + "%\">"), c.n);
  }
  EXPECT_EQ(GridFor(0, 4).rows, 0);
  EXPECT_EQ(GridFor(5, 0).rows, 0);
}

TEST(GalleryPagesBody, OverviewCellsWithAndWithoutFileNames) {
  Settings s;
  s.textVisible = true;
  std::vector<PageEntry> e{{"strand#1", "<b>x</b> & \"q\"", 107, 80}};
  QStringList body = OverviewBody(e, s);
  ASSERT_EQ(body.size(), 5);
  EXPECT_EQ(body[2], "<a href=\"strand%231.html\"><img src=\"strand%231_thumb.jpg\" width=\"107\" height=\"80\" border=\"0\" "
                     "alt=\"Klicken Sie auf das Bild, um es zu vergr&ouml;&szlig;ern\"><font face=\"Verdana,Arial\" size=\"1\">"
                     "</a><br>&lt;b&gt;x&lt;/b&gt; &amp; &quot;q&quot;</font>");
  s.filenameVisible = true;
  s.textVisible = false;
  body = OverviewBody(e, s);
  EXPECT_EQ(body[2], "<a href=\"strand%231.html\"><img src=\"strand%231_thumb.jpg\" width=\"107\" height=\"80\" border=\"0\" "
                     "alt=\"Klicken Sie auf das Bild, um es zu vergr&ouml;&szlig;ern\"><br><font face=\"Verdana,Arial\" size=\"1\">"
                     "strand#1.html<br></a></font>");
}

TEST(GalleryPagesBody, NavigationWrapsAround) {
  Settings s;
  s.filenameVisible = true;
  std::vector<PageEntry> e{{"a", "", 1, 1}, {"b", "", 1, 1}, {"c", "", 1, 1}};
  const QStringList first = PictureBody(e, 0, s, "GERMAN", "T");
  EXPECT_EQ(first, (QStringList{"<CENTER><font face=\"Verdana,Arial\" size=\"3\"><b>", "T", "</b></font><br>",
                                "<font face=\"Verdana,Arial\" size=\"2\">", "[<A HREF=\"c.html\">Voriges Bild</A>] ",
                                "[<A HREF=\"b.html\">N&auml;chstes Bild</A>] ",
                                "[<A HREF=\"gallery.html\">&Uuml;bersicht</A>]", "</font></CENTER>",
                                "<table height=\"75%\" width=\"100%\"><tr><td valign=\"center\">",
                                "<div align=\"center\"><a href=\"gallery.html\"><img src=\"a.jpg\" border=\"0\"></a>",
                                "<font face=\"Verdana,Arial\" size=\"1\"><br>a.jpg<br><br></font>", "</div>",
                                "<tr><td></table>"}));
  const QStringList last = PictureBody(e, 2, s, "ENGLISH", "T");
  EXPECT_EQ(last[4], "[<A HREF=\"b.html\">Backward</A>] ");
  EXPECT_EQ(last[5], "[<A HREF=\"a.html\">Forward</A>] ");
  EXPECT_EQ(last[6], "[<A HREF=\"gallery.html\">Overview</A>]");
}

TEST(GalleryPagesBody, ALongCaptionStaysOnOneLine) {
  Settings s;
  s.textVisible = true;
  const QString caption = QString("ä<\n").repeated(3400).left(10000);
  std::vector<PageEntry> e{{"a", caption, 1, 1}};
  const QStringList body = PictureBody(e, 0, s, "GERMAN", "T");
  EXPECT_EQ(body.size(), 13);
  EXPECT_TRUE(body[10].contains("&#228;&lt;&#10;"));
  EXPECT_FALSE(JoinLines(body).contains("<\n"));
}

TEST(GallerySettings, DefaultsAndBadValues) {
  testsupport::TempFolder tmp;
  const QString ini = tmp.file("Gallery.ini");
  Settings d = LoadSettings(ini);  // missing file
  EXPECT_EQ(d.smallPicX, 80);
  EXPECT_EQ(d.largePicX, 250);
  EXPECT_EQ(d.picProRow, 4);
  EXPECT_EQ(d.bkgColor, 0u);
  EXPECT_EQ(d.textColor, 0xFFFFFFu);
  EXPECT_TRUE(d.shapeVisible);
  EXPECT_FALSE(d.textVisible);
  ASSERT_TRUE(testsupport::writeBytes(ini, "[SETTINGS]\r\nSmallPicX=0\r\nLargePicX=-5\r\nPicProRow=abc\r\n"
                                           "Compression=\r\nBKGColor=99999999\r\nTextColor= 255 \r\n"
                                           "TextVisible=true\r\nFilenameVisible=ja\r\nShapeVisible=FALSE\r\n"));
  const Settings s = LoadSettings(ini);
  EXPECT_EQ(s.smallPicX, 80);
  EXPECT_EQ(s.largePicX, 250);
  EXPECT_EQ(s.picProRow, 4);
  EXPECT_EQ(s.compression, 80);
  EXPECT_EQ(s.bkgColor, 0u);
  EXPECT_EQ(s.textColor, 255u);
  EXPECT_TRUE(s.textVisible);
  EXPECT_FALSE(s.filenameVisible);
  EXPECT_FALSE(s.shapeVisible);
}

TEST(GallerySettings, SavedOwnerOnlyAndReadBack) {
  testsupport::TempFolder tmp;
  const QString ini = tmp.file("Gallery.ini");
  ASSERT_TRUE(testsupport::writeBytes(ini, "[FTP]\r\npassword=geheim\r\n"));
  QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
  Settings s;
  s.smallPicX = 120;
  s.picProRow = 5;
  s.bkgColor = 0x00FF00;
  s.filenameVisible = true;
  ASSERT_TRUE(SaveSettings(ini, s));
  EXPECT_EQ(QFileInfo(ini).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
            QFileDevice::Permissions());
  const Settings r = LoadSettings(ini);
  EXPECT_EQ(r.smallPicX, 120);
  EXPECT_EQ(r.picProRow, 5);
  EXPECT_EQ(r.bkgColor, 0x00FF00u);
  EXPECT_TRUE(r.filenameVisible);
  EXPECT_EQ(kalvora::IniFile(ini).readString("FTP", "password"), "geheim");
  EXPECT_EQ(kalvora::IniFile(ini).readString("SETTINGS", "ShapeVisible"), "TRUE");
}
