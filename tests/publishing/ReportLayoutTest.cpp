// Where the reports put things on paper: printed to PDF, rendered at 96 dpi, one unit a pixel.
#include "PrintFixture.h"

using namespace printtest;

namespace {
class ReportLayoutTest : public PrintTest {};
}  // namespace

TEST_F(ReportLayoutTest, ListA4PlacesPicturesAtThePrintSizeAndBreaksPages) {
  openShow("Archive_0010", "Urlaub am Meer",
           {{"quer.jpg", 3000, 2000, kColors[0], "Am Strand"},
            {"hoch.jpg", 2000, 3000, kColors[1], "Der Turm"},
            {"quadrat.jpg", 1000, 1000, kColors[2], "Ein Platz"}});
  mf->FPrintAllPictures = true;
  mf->FPrintInfoText = true;
  mf->FPrintHeadline = true;
  QRListForm->FPrintWidth = 495;
  QRListForm->Print();
  ASSERT_EQ(jobs.size(), 1);
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("|").toStdString();
  const QString pdf = jobs[0];
  // Bands of 360 (landscape) and 525 (portrait) fill the first page; the square's 525 breaks.
  ASSERT_EQ(pdfPages(pdf), 2);
  const QImage p1 = pdfPage(pdf, 1);
  EXPECT_EQ(p1.size(), QSize(794, 1123));
  EXPECT_TRUE(near(colorBox(p1, kColors[0]), QRect(56, 106, 495, 330)));
  EXPECT_TRUE(near(colorBox(p1, kColors[1]), QRect(56, 106 + 360, 330, 495)));
  const QImage p2 = pdfPage(pdf, 2);
  EXPECT_TRUE(near(colorBox(p2, kColors[2]), QRect(56, 48 + 18, 495, 495)));

  const QString t1 = pdfText(pdf, 1);
  EXPECT_TRUE(t1.contains("Urlaub am Meer"));
  EXPECT_TRUE(t1.contains("Am Strand"));
  EXPECT_TRUE(t1.contains("Der Turm"));
  EXPECT_TRUE(t1.contains("Seite 1"));
  EXPECT_FALSE(t1.contains("Seite 2"));
  const QString t2 = pdfText(pdf, 2);
  EXPECT_TRUE(t2.contains("Seite 2"));
  EXPECT_TRUE(t2.contains("Ein Platz"));
  EXPECT_FALSE(t2.contains("Urlaub am Meer"));  // the title is on the first page only
}

TEST_F(ReportLayoutTest, TwoLandscapeBandsShareAPageAndTheThirdBreaks) {
  openShow("Archive_0011", "Drei", {{"a.jpg", 3000, 2000, kColors[0], "A"},
                                    {"b.jpg", 3000, 2000, kColors[1], "B"},
                                    {"c.jpg", 3000, 2000, kColors[2], "C"}});
  mf->FPrintAllPictures = true;
  QRListForm->FPrintWidth = 495;
  QRListForm->Print();
  ASSERT_EQ(jobs.size(), 1);
  ASSERT_EQ(pdfPages(jobs[0]), 2);
  const QImage p1 = pdfPage(jobs[0], 1);
  EXPECT_TRUE(near(colorBox(p1, kColors[0]), QRect(56, 106, 495, 330)));
  EXPECT_TRUE(near(colorBox(p1, kColors[1]), QRect(56, 106 + 360, 495, 330)));
  EXPECT_TRUE(near(colorBox(pdfPage(jobs[0], 2), kColors[2]), QRect(56, 66, 495, 330)));
  EXPECT_TRUE(pdfText(jobs[0], 2).contains("Seite 2"));
}

TEST_F(ReportLayoutTest, HeadlineAndCaptionsOnlyWhenChosen) {
  openShow("Archive_0012", "Geheimer Titel", {{"a.jpg", 300, 200, kColors[0], "Geheime Zeile"}});
  mf->FPrintAllPictures = true;
  mf->FPrintInfoText = false;
  mf->FPrintHeadline = false;
  QRListForm->FPrintWidth = 495;
  QRListForm->Print();
  ASSERT_EQ(jobs.size(), 1);
  const QString text = pdfText(jobs[0], 1);
  EXPECT_FALSE(text.contains("Geheimer Titel"));
  EXPECT_FALSE(text.contains("Geheime Zeile"));
  EXPECT_TRUE(text.contains("Seite 1"));
  // The picture keeps its place under the empty caption line.
  EXPECT_TRUE(near(colorBox(pdfPage(jobs[0], 1), kColors[0]), QRect(56, 106, 495, 330)));
}

TEST_F(ReportLayoutTest, AnEmptyListPrintsOnePageWithItsFooter) {
  openShow("Archive_0013", "Leer", {});
  mf->FPrintAllPictures = true;
  mf->FPrintHeadline = true;
  for (TListReport* r : std::initializer_list<TListReport*>{QRListForm, QRListA5Form}) {
    r->FPrintWidth = 495;
    r->Print();
  }
  QRThumbnailForm->Print();
  ASSERT_EQ(jobs.size(), 3);
  for (const QString& pdf : jobs) {
    EXPECT_EQ(pdfPages(pdf), 1);
    EXPECT_TRUE(pdfText(pdf, 1).contains("Seite 1"));
    EXPECT_TRUE(pdfText(pdf, 1).contains("Leer"));
  }
}

TEST_F(ReportLayoutTest, A5PaperAndWidthsPastTheBandAreClipped) {
  openShow("Archive_0014", "A5", {{"a.jpg", 2000, 1000, kColors[0], ""}, {"b.jpg", 1000, 2000, kColors[1], ""}});
  mf->FPrintAllPictures = true;
  QRListA5Form->FPrintWidth = 457;
  QRListA5Form->Print();
  QRListA5Form->FPrintWidth = 5000;  // far past the 463 units of the band
  QRListA5Form->Print();
  ASSERT_EQ(jobs.size(), 2);
  const QImage p = pdfPage(jobs[0], 1);
  EXPECT_EQ(p.size(), QSize(560, 794));
  EXPECT_TRUE(near(colorBox(p, kColors[0]), QRect(56, 106, 457, 228)));  // 228.5 goes to the even 228
  EXPECT_TRUE(near(colorBox(pdfPage(jobs[0], 2), kColors[1]), QRect(56, 66, 228, 457)));
  EXPECT_TRUE(near(colorBox(pdfPage(jobs[1], 1), kColors[0]), QRect(56, 106, 463, 232)));
}

TEST_F(ReportLayoutTest, ThumbnailSheetCellsAndRows) {
  std::vector<Pic> pics = pictures(6, 300, 200);
  pics[1] = {"hoch.jpg", 2000, 3000, kColors[1], "x"};
  pics[0] = {"quer.jpg", 3000, 2000, kColors[0], "Unsichtbar"};
  openShow("Archive_0015", "Übersicht der Reise", pics);
  mf->FPrintAllPictures = true;
  mf->FPrintHeadline = false;  // the sheet prints its title anyway
  QRThumbnailForm->Print();
  ASSERT_EQ(jobs.size(), 1);
  ASSERT_EQ(pdfPages(jobs[0]), 1);
  const QImage p = pdfPage(jobs[0], 1);
  EXPECT_TRUE(near(colorBox(p, kColors[0]), QRect(56, 116, 120, 80)));
  EXPECT_TRUE(near(colorBox(p, kColors[1]), QRect(232, 116, 80, 120)));
  EXPECT_TRUE(near(colorBox(p, kColors[2]), QRect(408, 116, 120, 80)));
  EXPECT_TRUE(near(colorBox(p, kColors[3]), QRect(584, 116, 120, 80)));
  EXPECT_TRUE(near(colorBox(p, kColors[4]), QRect(56, 116 + 153, 120, 80)));
  EXPECT_TRUE(near(colorBox(p, kColors[5]), QRect(232, 116 + 153, 120, 80)));
  // Cells 3 and 4 of the second row stay white.
  EXPECT_EQ(colorBox(p.copy(400, 245, 330, 150), Qt::white, 30), QRect(0, 0, 330, 150));
  const QString text = pdfText(jobs[0], 1);
  EXPECT_TRUE(text.contains(QString::fromUtf8("Übersicht der Reise")));
  EXPECT_TRUE(text.contains("quer.jpg"));
  EXPECT_TRUE(text.contains("p6.jpg"));
  EXPECT_FALSE(text.contains("Unsichtbar"));  // captions are not on the sheet
  EXPECT_TRUE(text.contains("Seite 1"));
}

TEST_F(ReportLayoutTest, AnEmptyReportOfTheEngineIsOnePage) {
  kalvora::report::Report r;
  r.footerBand.height = 24;
  r.footerBand.elements.push_back(
      kalvora::report::MakePageNumber(8, 4, 600, "Seite ", kalvora::report::ReportFont("Arial", 13)));
  const QString pdf = out.file("empty.pdf");
  ASSERT_TRUE(r.writePdf(pdf));
  EXPECT_EQ(pdfPages(pdf), 1);
  EXPECT_TRUE(pdfText(pdf, 1).contains("Seite 1"));
  EXPECT_FALSE(r.writePdf(out.path() + "/no/such/folder/x.pdf"));
}

// The first page of each report as a picture to look at (scripts/render-reports.sh keeps them).
TEST_F(ReportLayoutTest, RendersTheFirstPageOfEachReport) {
  const QString keep = qEnvironmentVariable("KALVORA_RENDER_DIR");
  const QString folder = keep.isEmpty() ? out.path() : keep;
  QDir().mkpath(folder);
  std::vector<Pic> pics = pictures(10, 1200, 800);
  pics[2] = {"hochformat.jpg", 800, 1200, kColors[2], "Ein Bild im Hochformat mit einer langen Bildunterschrift"};
  openShow("Archive_0016", "Sommer in den Bergen", pics);
  mf->FPrintAllPictures = true;
  mf->FPrintInfoText = true;
  mf->FPrintHeadline = true;
  QRListForm->FPrintWidth = 495;
  QRListForm->Print();
  QRListA5Form->FPrintWidth = 457;
  QRListA5Form->Print();
  QRThumbnailForm->Print();
  ASSERT_EQ(jobs.size(), 3);
  const char* names[] = {"list-a4.png", "list-a5.png", "thumbnails.png"};
  for (int i = 0; i < 3; ++i) {
    const QImage page = pdfPage(jobs[i], 1);
    ASSERT_FALSE(page.isNull());
    EXPECT_TRUE(page.save(folder + "/" + names[i]));
  }
}
