// Printing from the main window as a user does it, and what bad input does to it.
#include <QComboBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QProgressBar>
#include <QStatusBar>

#include "PrintFixture.h"
#include "SmallDisk.h"
#include "PrintItems.h"
#include "fPrintSelect.h"
#include "fPrintSize.h"

using namespace printtest;

namespace {
class PrintRoadTest : public PrintTest {
 protected:
  void selectAndConfirm(const QList<int>& rows) {
    modal.handlers["PrintSelectForm"] = [rows](QWidget* w) {
      auto* f = static_cast<TPrintSelectForm*>(w);
      for (int row : rows) QTest::mouseClick(f->MarkupCheckList1->viewport(), Qt::LeftButton, {},
                                             f->MarkupCheckList1->CheckRect(row).center());
      f->PrintBitBtn->click();
    };
  }
  void sizeChoice(const char* radio, bool captions = false, bool headline = false) {
    const QString name = QString::fromLatin1(radio);
    modal.handlers["PrintSizeWizard"] = [name, captions, headline](QWidget* w) {
      auto* f = static_cast<TPrintSizeWizard*>(w);
      auto* r = f->findChild<QRadioButton*>(name);
      QTest::mouseClick(r, Qt::LeftButton, {}, QPoint(4, r->height() / 2));
      f->TextCheckBox->setChecked(captions);
      f->HeadLineCheckBox->setChecked(headline);
      f->SaveBitBtn->click();
    };
  }
  // The slideshow folder holds only what the user put there.
  QStringList folderNames(const QString& folder) const {
    return QDir(root + folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
  }
  void expectNoCopiesLeft() {
    for (const QString& t : tempSeen)
      if (!t.isEmpty()) {
        EXPECT_FALSE(QFileInfo::exists(t)) << t.toStdString();
      }
    EXPECT_TRUE(QRListForm->TempFolder().isEmpty());
    EXPECT_TRUE(QRThumbnailForm->TempFolder().isEmpty());
  }
};
}  // namespace

TEST_F(PrintRoadTest, ChosenPicturesOnA5) {
  // A picture of the user's own whose name looks like a print copy.
  prodtest::writeJpeg(root + "Archive_0030/_print_urlaub.jpg", 10, 10, Qt::gray);
  openShow("Archive_0030", "Fünf Bilder", pictures(5, 600, 400));
  const QStringList before = folderNames("Archive_0030");
  selectAndConfirm({1, 3});
  sizeChoice("DINA5RadioButton", true, true);
  mf->PreselectProduction("PrintRadioButton");
  EXPECT_EQ(modal.shown, (QStringList{"PrintSelectForm", "PrintSizeWizard"}));
  EXPECT_FALSE(mf->FPrintAllPictures);

  QStringList lines;
  ASSERT_TRUE(ReadPrintList(appDir + "Print.txt", lines));
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(ParsePrintLine(lines[0]).fileName, "p2.jpg");
  EXPECT_EQ(ParsePrintLine(lines[1]).fileName, "p4.jpg");

  ASSERT_EQ(jobs.size(), 1);
  const QImage page = pdfPage(jobs[0], 1);
  EXPECT_EQ(page.size(), QSize(560, 794));  // A5
  EXPECT_EQ(pdfPages(jobs[0]), 2);
  EXPECT_TRUE(near(colorBox(page, kColors[1]), QRect(56, 106, 457, 305)));
  EXPECT_TRUE(colorBox(page, kColors[0]).isNull());
  EXPECT_TRUE(near(colorBox(pdfPage(jobs[0], 2), kColors[3]), QRect(56, 66, 457, 305)));
  EXPECT_TRUE(pdfText(jobs[0], 1).contains(QString::fromUtf8("Fünf Bilder")));
  EXPECT_TRUE(pdfText(jobs[0], 1).contains("Bild 2"));
  EXPECT_TRUE(pdfText(jobs[0], 2).contains("Bild 4"));
  EXPECT_EQ(folderNames("Archive_0030"), before);  // "_print_urlaub.jpg" is still there
  expectNoCopiesLeft();
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("|").toStdString();
}

TEST_F(PrintRoadTest, AllPicturesAt10x15OnA4) {
  openShow("Archive_0031", "Alle", pictures(3, 1500, 1000));
  sizeChoice("RadioButton10_15");
  QList<int> progress;
  QObject::connect(QRListForm, &TPictureReport::progressChanged, QRListForm, [&](int p) { progress << p; });
  mf->PreselectProduction("PrintAllRadioButton");
  ASSERT_FALSE(progress.isEmpty());
  EXPECT_EQ(progress.first(), 0);
  EXPECT_EQ(progress.last(), 100);
  EXPECT_TRUE(progress.contains(33) && progress.contains(66)) << progress.size();  // one step a picture
  EXPECT_EQ(modal.shown, QStringList{"PrintSizeWizard"});
  ASSERT_EQ(jobs.size(), 1);
  EXPECT_EQ(jobTitles[0], QString::fromUtf8("Kalvora – Bilderliste"));
  const QImage p1 = pdfPage(jobs[0], 1);
  EXPECT_EQ(p1.size(), QSize(794, 1123));
  EXPECT_TRUE(near(colorBox(p1, kColors[0]), QRect(56, 106, 571, 381)));
  EXPECT_TRUE(near(colorBox(p1, kColors[1]), QRect(56, 106 + 381 + 30, 571, 381)));
  EXPECT_EQ(pdfPages(jobs[0]), 2);
  EXPECT_TRUE(near(colorBox(pdfPage(jobs[0], 2), kColors[2]), QRect(56, 66, 571, 381)));
  EXPECT_FALSE(pdfText(jobs[0], 1).contains("Bild 1"));  // captions not chosen
  expectNoCopiesLeft();
}

TEST_F(PrintRoadTest, ThumbnailSheetOfTwelveOnThreeRows) {
  openShow("Archive_0032", "Zwölf", pictures(12, 400, 300));
  mf->PreselectProduction("ThumbnailRadioButton");
  EXPECT_TRUE(modal.shown.isEmpty());
  EXPECT_TRUE(mf->FPrintAllPictures);
  ASSERT_EQ(jobs.size(), 1);
  EXPECT_EQ(pdfPages(jobs[0]), 1);
  const QImage p = pdfPage(jobs[0], 1);
  const int xs[] = {56, 232, 408, 584};
  for (int i = 0; i < 12; ++i)
    EXPECT_TRUE(near(colorBox(p, kColors[i]), QRect(xs[i % 4], 116 + 153 * (i / 4), 120, 90))) << i;
  EXPECT_TRUE(pdfText(jobs[0], 1).contains(QString::fromUtf8("Zwölf")));
  expectNoCopiesLeft();
}

TEST_F(PrintRoadTest, PreviewShowsThePagesAndCleansUp) {
  openShow("Archive_0033", "Vorschau", pictures(5, 400, 300));
  mf->PrintPreviewCheckBox->setChecked(true);
  int pages = -1;
  QString temp;
  modal.handlers["PrintPreview"] = [&](QWidget* w) {
    auto* view = w->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(view, nullptr);
    pages = view->pageCount();
    temp = QRThumbnailForm->TempFolder();
    EXPECT_EQ(QDir(temp).entryList(QDir::Files).size(), 5);
  };
  mf->PreselectProduction("ThumbnailRadioButton");
  EXPECT_EQ(modal.shown, QStringList{"PrintPreview"});
  EXPECT_EQ(pages, 1);
  EXPECT_TRUE(jobs.isEmpty());
  EXPECT_FALSE(temp.isEmpty());
  EXPECT_FALSE(QFileInfo::exists(temp));
}

TEST_F(PrintRoadTest, WithoutAPrinterNothingStartsAndTheUserIsTold) {
  kalvora::report::SetPdfPrintHook(nullptr);
  if (kalvora::report::PrinterAvailable()) GTEST_SKIP() << "this system has a printer";
  openShow("Archive_0034", "Kein Drucker", pictures(2));
  mf->PreselectProduction("ThumbnailRadioButton");
  mf->PreselectProduction("PrintAllRadioButton");
  EXPECT_TRUE(modal.shown.isEmpty());  // not even the size wizard
  ASSERT_EQ(prompter.messageTexts().size(), 2);
  EXPECT_TRUE(prompter.messageTexts()[0].contains(GetLanguageText(10208)));
  EXPECT_TRUE(prompter.messageTexts()[1].contains(QString::fromUtf8("kein Drucker")));

  // The preview needs no printer.
  prompter = kalvora::ScriptedPrompter();
  mf->PrintPreviewCheckBox->setChecked(true);
  mf->PreselectProduction("ThumbnailRadioButton");
  EXPECT_EQ(modal.shown, QStringList{"PrintPreview"});
  EXPECT_TRUE(prompter.messageTexts().isEmpty());
}

TEST_F(PrintRoadTest, GarbageAndPathsInPrintTxtTouchNothing) {
  openShow("Archive_0035", "Schlecht", pictures(2));
  prodtest::writeJpeg(root + "fremd.jpg", 300, 200, kColors[5]);
  prodtest::writeJpeg(root + "Archive_0035/sub/x.jpg", 300, 200, kColors[6]);
  QByteArray garbage("\x00\xff\xfe\x01\x02 | \x89PNG\r\n\x1a\n", 16);
  for (int i = 0; i < 300; ++i) garbage.append(char((i * 37) & 0xff));
  garbage += "\r\n../fremd.jpg | weg\r\n<IMG src=\"x\">..\\fremd.jpg | weg\r\nsub/x.jpg\r\nP1.JPG | Groß geschrieben\r\n";
  shelltest::writeText(appDir + "Print.txt", garbage);
  const QStringList before = folderNames("Archive_0035");
  sizeChoice("RadioButton9_13", true);
  mf->FPrintAllPictures = false;
  mf->PrintList();
  ASSERT_EQ(jobs.size(), 1);
  const QImage p = pdfPage(jobs[0], 1);
  EXPECT_TRUE(colorBox(p, kColors[5]).isNull());
  EXPECT_TRUE(colorBox(p, kColors[6]).isNull());
  EXPECT_TRUE(near(colorBox(p, kColors[0]), QRect(56, 106, 495, 330)));  // found without case
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts()[0].contains("../fremd.jpg"));
  EXPECT_TRUE(prompter.messageTexts()[0].contains("sub/x.jpg"));
  EXPECT_EQ(folderNames("Archive_0035"), before);
  EXPECT_TRUE(QFileInfo(root + "fremd.jpg").isFile());
  expectNoCopiesLeft();
}

TEST_F(PrintRoadTest, AMissingPrintTxtIsReported) {
  openShow("Archive_0036", "Ohne Liste", pictures(2));
  QFile::remove(appDir + "Print.txt");
  mf->FPrintAllPictures = false;
  QRListForm->FPrintWidth = 495;
  QRListForm->Print();
  EXPECT_TRUE(jobs.isEmpty());
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts()[0].contains("Print.txt"));
  expectNoCopiesLeft();
}

TEST_F(PrintRoadTest, AVanishedSlideshowFolderIsReported) {
  openShow("Archive_0037", "Weg", pictures(3));
  ASSERT_TRUE(QDir(root + "Archive_0037").removeRecursively());
  mf->FPrintAllPictures = true;
  QRThumbnailForm->Print();
  EXPECT_TRUE(jobs.isEmpty());
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts()[0].contains("Archive_0037"));
  expectNoCopiesLeft();
}

TEST_F(PrintRoadTest, AnUnreadablePictureLeavesItsCellBlank) {
  openShow("Archive_0038", "Kaputt", pictures(5, 400, 300));
  shelltest::writeText(root + "Archive_0038/p5.jpg", "kein Bild");
  shelltest::writeText(root + "Archive_0038/p2.jpg", QByteArray(5000, '\xff'));
  mf->FPrintAllPictures = true;
  QRThumbnailForm->Print();
  ASSERT_EQ(jobs.size(), 1);
  const QImage p = pdfPage(jobs[0], 1);
  EXPECT_TRUE(near(colorBox(p, kColors[0]), QRect(56, 116, 120, 90)));  // row 1 only, not repeated
  EXPECT_TRUE(colorBox(p, kColors[1]).isNull());
  EXPECT_TRUE(colorBox(p, kColors[4]).isNull());
  EXPECT_TRUE(pdfText(jobs[0], 1).contains("p5.jpg"));  // the cell keeps its name
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts()[0].contains("p5.jpg"));
  EXPECT_TRUE(prompter.messageTexts()[0].contains("p2.jpg"));
  expectNoCopiesLeft();

  // The list report leaves such a picture out and prints the rest.
  prompter = kalvora::ScriptedPrompter();
  QRListForm->FPrintWidth = 200;
  QRListForm->Print();
  ASSERT_EQ(jobs.size(), 2);
  EXPECT_TRUE(near(colorBox(pdfPage(jobs[1], 1), kColors[2]), QRect(56, 106 + 180, 200, 150)));
  EXPECT_EQ(prompter.messageTexts().size(), 1);
}

TEST_F(PrintRoadTest, AZeroPrintWidthIsRefused) {
  openShow("Archive_0039", "Null", pictures(1));
  mf->FPrintAllPictures = true;
  for (int width : {0, -5}) {
    QRListForm->FPrintWidth = width;
    QRListForm->Print();
  }
  EXPECT_TRUE(jobs.isEmpty());
  EXPECT_EQ(prompter.messageTexts().size(), 2);
  expectNoCopiesLeft();
}

TEST_F(PrintRoadTest, APrinterThatRefusesTheJobIsReported) {
  openShow("Archive_0040", "Abgelehnt", pictures(2));
  kalvora::report::SetPdfPrintHook([](const QString&) { return QString("/no/such/folder/job.pdf"); });
  mf->FPrintAllPictures = true;
  QRThumbnailForm->Print();
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts()[0].contains("nicht angenommen"));
  expectNoCopiesLeft();
}

// Large pictures take a while to prepare: while they are, the wait cursor and the main window's
// progress bar and status line show the job working; afterwards all three are gone.
TEST_F(PrintRoadTest, PreparingThePicturesShowsProgressAndTheWaitCursor) {
  openShow("Archive_0041", "Fortschritt", pictures(4, 1200, 900));
  sizeChoice("RadioButton9_13");
  mf->show();
  struct Seen {
    int percent;
    bool wait, bar;
    QString status;
  };
  QList<Seen> seen;
  QObject::connect(QRListForm, &TPictureReport::progressChanged, QRListForm, [&](int p) {
    const QCursor* c = QApplication::overrideCursor();
    seen << Seen{p, c && c->shape() == Qt::WaitCursor, mf->PicProgressBar->isVisible(),
                 mf->StatusBar1->currentMessage()};
  });
  mf->PreselectProduction("PrintAllRadioButton");
  ASSERT_EQ(jobs.size(), 1);
  int during = 0;
  for (const Seen& s : seen) {
    if (s.percent >= 100) continue;
    ++during;
    EXPECT_TRUE(s.wait) << s.percent;
    EXPECT_TRUE(s.bar) << s.percent;
    EXPECT_TRUE(s.status.contains(QString::number(s.percent) + " %")) << s.status.toStdString();
  }
  EXPECT_GE(during, 4);  // one step a picture at least
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(mf->PicProgressBar->isVisible());
  EXPECT_TRUE(mf->StatusBar1->currentMessage().isEmpty());
}

// Printing into a PDF file from the preview's own print dialog: the user is told the file.
TEST_F(PrintRoadTest, PrintingToAFileFromThePreviewNamesTheFile) {
  openShow("Archive_0042", "Datei", pictures(2, 400, 300));
  mf->PrintPreviewCheckBox->setChecked(true);
  const QString pdf = out.path() + "/aus der Vorschau.pdf";
  bool printDialogSeen = false;
  modal.handlers["PrintPreview"] = [&](QWidget* w) {
    // The print dialog opens modally over the preview: it is answered from a timer.
    auto* answer = new QTimer(w);
    answer->setInterval(5);
    QObject::connect(answer, &QTimer::timeout, w, [&, answer] {
      auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      answer->stop();
      printDialogSeen = true;
      auto* printers = dialog->findChild<QComboBox*>("printers");
      auto* file = dialog->findChild<QLineEdit*>("filename");
      ASSERT_NE(printers, nullptr);
      ASSERT_NE(file, nullptr);
      // The entry that prints into a PDF file is the last one.
      printers->setCurrentIndex(printers->count() - 1);
      file->setText(pdf);
      dialog->accept();
    });
    answer->start();
    QAction* print = nullptr;
    for (QAction* a : w->findChildren<QAction*>())
      if (a->text() == QCoreApplication::translate("QPrintPreviewDialog", "Print")) print = a;
    ASSERT_NE(print, nullptr);
    print->trigger();
  };
  mf->PreselectProduction("ThumbnailRadioButton");
  EXPECT_TRUE(printDialogSeen);
  ASSERT_GT(QFileInfo(pdf).size(), 0);
  EXPECT_EQ(pdfPages(pdf), 1);
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts()[0].startsWith(QString::fromUtf8("Der Ausdruck wurde als PDF-Datei gespeichert:")));
  EXPECT_TRUE(prompter.messageTexts()[0].contains(pdf));
  // Closing the preview without printing says nothing.
  prompter = kalvora::ScriptedPrompter();
  modal.handlers["PrintPreview"] = [](QWidget*) {};
  mf->PreselectProduction("ThumbnailRadioButton");
  EXPECT_TRUE(prompter.messageTexts().isEmpty());
}

// A print into a PDF file on a disk that fills up meanwhile: the older PDF stays whole, and
// nothing half written is left beside it.
TEST_F(PrintRoadTest, AFullDiskKeepsTheOlderPdf) {
  testsupport::SmallDisk disk(out.path() + "/klein", 600);
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  const QString pdf = out.path() + "/klein/Übersicht.pdf";
  kalvora::report::SetPdfPrintHook([&](const QString&) { return pdf; });
  openShow("Archive_0040", "Erster Druck", pictures(2, 400, 300));
  mf->PreselectProduction("ThumbnailRadioButton");
  ASSERT_EQ(pdfPages(pdf), 1);
  const QByteArray older = testsupport::readBytes(pdf);
  ASSERT_TRUE(disk.fill());
  openShow("Archive_0041", "Zweiter Druck", pictures(12, 400, 300));
  mf->PreselectProduction("ThumbnailRadioButton");
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts()[0].contains(QString::fromUtf8("Der Drucker hat den Ausdruck nicht angenommen.")))
      << prompter.messageTexts()[0].toStdString();
  EXPECT_EQ(testsupport::readBytes(pdf), older);
  EXPECT_TRUE(pdfText(pdf, 1).contains("Erster Druck"));
  EXPECT_EQ(QDir(out.path() + "/klein").entryList(QDir::Files | QDir::Hidden, QDir::Name),
            (QStringList{"filler", QString::fromUtf8("Übersicht.pdf")}));
}
