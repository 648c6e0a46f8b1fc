// The print selection window, "Print.txt" and its line parser, and the print size wizard.
#include "PrintFixture.h"
#include "Markup.h"
#include "PrintItems.h"
#include "fPrintSelect.h"
#include "fPrintSize.h"

using namespace printtest;

namespace {
class PrintSelectTest : public PrintTest {
 protected:
  // Ticks entries by clicking their check boxes, as the user does.
  static void tick(TPrintSelectForm* w, std::initializer_list<int> rows) {
    auto* list = w->MarkupCheckList1;
    for (int row : rows) {
      list->scrollToItem(list->item(row));
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->CheckRect(row).center());
    }
  }
  // On the radio button's mark, where a user clicks.
  static void click(QRadioButton* r) { QTest::mouseClick(r, Qt::LeftButton, {}, QPoint(4, r->height() / 2)); }
  QStringList printTxt() const {
    QStringList lines;
    ReadPrintList(appDir + "Print.txt", lines);
    return lines;
  }
};
}  // namespace

TEST(PrintLineTest, ParsesEveryKindOfLine) {
  struct Case {
    const char* line;
    const char* name;
    const char* caption;
    bool valid;
  } cases[] = {
      {"<IMG src=\"file:///t/_THUMB_a.jpg\" align=\"top\">a.jpg | Am Meer", "a.jpg", "Am Meer", true},
      {"b.jpg | Mit | zwei Strichen", "b.jpg", "Mit", true},
      {"  c d.jpg  ", "c d.jpg", "", true},
      {"<IMG src=\"x\">m&amp;m.jpg | Fisch &amp; Brot", "m&m.jpg", "Fisch & Brot", true},
      {"../geheim.jpg | x", "../geheim.jpg", "x", false},
      {"<IMG src=\"x\">..\\boot.ini", "..\\boot.ini", "", false},
      {"/etc/passwd", "/etc/passwd", "", false},
      {"..", "..", "", false},
      {" | nur Text", "", "nur Text", false},
  };
  for (const Case& c : cases) {
    const PrintItem item = ParsePrintLine(QString::fromUtf8(c.line));
    EXPECT_EQ(item.fileName, QString::fromUtf8(c.name)) << c.line;
    EXPECT_EQ(item.caption, QString::fromUtf8(c.caption)) << c.line;
    EXPECT_EQ(item.valid, c.valid) << c.line;
  }
  // The slideshow list's items, trimmed as the print list stores them, keep the picture's
  // name whole, white space at its ends too.
  for (const QString name : {"Foto..jpg", " lead.jpg", "\ttab.jpg", "hinten.jpg ", "\u3000voll.jpg"}) {
    for (const QString& item : {kalvora::ThumbnailItem("/t/_THUMB_x.jpg", name),
                                kalvora::ThumbnailItem("/t/_THUMB_x.jpg", name, "Text")}) {
      const PrintItem parsed = ParsePrintLine(item.trimmed());
      EXPECT_EQ(parsed.fileName, name) << item.toStdString();
      EXPECT_TRUE(parsed.valid) << item.toStdString();
    }
  }
}

TEST_F(PrintSelectTest, TicksGoToPrintTxtInListOrder) {
  openShow("Archive_0020", "Fünf", pictures(5));
  auto* w = PrintSelectForm;
  QStringList shownLists;
  modal.handlers["PrintSelectForm"] = [&](QWidget*) {
    EXPECT_EQ(w->MarkupCheckList1->Count(), 5);
    EXPECT_EQ(w->MarkupCheckList1->GetCheckedCount(), 0);
    EXPECT_EQ(w->windowTitle(), mf->windowTitle());
    EXPECT_EQ(w->MarkupCheckList1->ItemHeight(), 70);
    // Right-aligned, 10 apart and 10 from the edge.
    EXPECT_EQ(w->AbortBitBtn->geometry().right() + 1, w->BottomPanel->width() - 10);
    EXPECT_EQ(w->PrintBitBtn->geometry().right() + 1 + 10, w->AbortBitBtn->x());
    tick(w, {3, 1});
    w->PrintBitBtn->click();
  };
  EXPECT_EQ(w->ShowModal(), kalvora::mrOk);
  const QStringList lines = printTxt();
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(ParsePrintLine(lines[0]).fileName, "p2.jpg");
  EXPECT_EQ(ParsePrintLine(lines[1]).fileName, "p4.jpg");
  EXPECT_EQ(ParsePrintLine(lines[1]).caption, "Bild 4");
  EXPECT_TRUE(testsupport::readBytes(appDir + "Print.txt").endsWith("\r\n"));

  // Opened again, the list is refilled and the ticks are gone; nothing ticked says so.
  modal.handlers["PrintSelectForm"] = [&](QWidget*) {
    EXPECT_EQ(w->MarkupCheckList1->GetCheckedCount(), 0);
    w->PrintBitBtn->click();
    EXPECT_TRUE(w->isVisible());
  };
  EXPECT_EQ(w->ShowModal(), kalvora::mrCancel);
  EXPECT_EQ(prompter.messageTexts(), QStringList{QString::fromUtf8("Sie haben kein Bild ausgewählt.")});
  EXPECT_EQ(printTxt(), lines);
}

TEST_F(PrintSelectTest, AnUnwritableProgramFolderKeepsTheWindowOpen) {
  openShow("Archive_0021", "Zwei", pictures(2));
  auto* w = PrintSelectForm;
  QDir().mkpath(appDir + "Print.txt/blocked");  // a folder where the file should go
  modal.handlers["PrintSelectForm"] = [&](QWidget*) {
    tick(w, {0});
    w->PrintBitBtn->click();
    EXPECT_TRUE(w->isVisible());
  };
  EXPECT_EQ(w->ShowModal(), kalvora::mrCancel);
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts()[0].contains("Print.txt"));
}

TEST_F(PrintSelectTest, SizeWizardChoicesAndTheFreeWidth) {
  auto* w = PrintSizeWizard;
  struct Row {
    QRadioButton* button;
    int width;
    const char* paper;
  } rows[] = {{w->RadioButton10_15, 571, "A4"}, {w->RadioButton13_18, 686, "A4"}, {w->DINA5RadioButton, 457, "A5"},
              {w->DINA4RadioButton, 686, "A4"}, {w->RadioButton9_13, 495, "A4"}};
  w->show();
  for (const Row& r : rows) {
    click(r.button);
    EXPECT_EQ(mf->FPrintWidth, r.width) << r.button->objectName().toStdString();
    EXPECT_EQ(mf->FPaperFormat, r.paper);
    EXPECT_TRUE(w->SizePanel->isHidden());
  }
  click(w->DINA5RadioButton);
  click(w->RadioButton_Frei);
  EXPECT_FALSE(w->SizePanel->isHidden());
  EXPECT_EQ(mf->FPaperFormat, "A5");  // the free size keeps the paper

  struct Typed {
    const char* text;
    int width;
    bool message;
  } typed[] = {{"13", 495, false}, {"20", 762, false}, {"7,5", 286, false}, {"x", 495, true},
               {"7.5", 495, true},  {"0", 495, true},    {"-3", 495, true},   {"1e9", 495, true}};
  for (const Typed& t : typed) {
    prompter = kalvora::ScriptedPrompter();
    w->Edit1->clear();
    QTest::keyClicks(w->Edit1, t.text);
    EXPECT_EQ(mf->FPrintWidth, t.width) << t.text;
    EXPECT_EQ(!prompter.messageTexts().isEmpty(), t.message) << t.text;
    if (t.message) {
      EXPECT_TRUE(prompter.messageTexts().last().startsWith(QString::fromUtf8("Keine gültige Zahl!"))) << t.text;
    }
  }
  EXPECT_EQ(ParsePrintWidthCm("7.5", true).value_or(0), 7.5);  // English reads the point
  EXPECT_FALSE(ParsePrintWidthCm("7,5", true).has_value());

  // Cancel keeps what the clicks set; OK also stores the two options.
  modal.handlers["PrintSizeWizard"] = [&](QWidget*) {
    click(w->DINA4RadioButton);
    w->AbortBitBtn->click();
  };
  w->hide();
  EXPECT_EQ(w->ShowModal(), kalvora::mrCancel);
  EXPECT_TRUE(modal.leftOpen.isEmpty()) << "the cancel button left the wizard open";
  EXPECT_EQ(mf->FPrintWidth, 686);
  modal.handlers["PrintSizeWizard"] = [&](QWidget*) {
    w->TextCheckBox->setChecked(true);
    w->HeadLineCheckBox->setChecked(false);
    w->SaveBitBtn->click();
  };
  EXPECT_EQ(w->ShowModal(), kalvora::mrOk);
  EXPECT_TRUE(mf->FPrintInfoText);
  EXPECT_FALSE(mf->FPrintHeadline);
}

TEST_F(PrintSelectTest, EnglishReadsThePointAndPrintsPageNumbersInEnglish) {
  setSetting("Language", "ENGLISH");
  LoadLanguage();
  ASSERT_TRUE(LanguageIsEnglish());
  auto* w = PrintSizeWizard;
  w->show();
  click(w->RadioButton_Frei);
  w->Edit1->clear();
  QTest::keyClicks(w->Edit1, "7.5");
  EXPECT_EQ(mf->FPrintWidth, 286);
  EXPECT_TRUE(prompter.messageTexts().isEmpty());
  w->Edit1->clear();
  QTest::keyClicks(w->Edit1, "7,5");
  EXPECT_EQ(mf->FPrintWidth, 495);
  ASSERT_FALSE(prompter.messageTexts().isEmpty());
  EXPECT_TRUE(prompter.messageTexts().last().startsWith("Not a valid number!"));
  w->hide();

  openShow("Archive_0022", "English", pictures(1));
  mf->FPrintAllPictures = true;
  QRListForm->FPrintWidth = 286;
  QRListForm->Print();
  ASSERT_EQ(jobs.size(), 1);
  EXPECT_EQ(jobTitles[0], QString::fromUtf8("Kalvora – picture list"));
  EXPECT_TRUE(pdfText(jobs[0], 1).contains("Page 1"));
  EXPECT_TRUE(near(colorBox(pdfPage(jobs[0], 1), kColors[0]), QRect(56, 106, 286, 191)));
}

// The window grows for the free size's field and shrinks back when a fixed size is chosen
// again, without a gap where the field was.
TEST_F(PrintSelectTest, SizeWizardFitsItsHeightToTheSizeField) {
  auto* w = PrintSizeWizard;
  w->show();
  click(w->RadioButton9_13);
  KV_WAIT_FOR(w->isVisible(), 60000);
  const int fixed = w->height();
  const struct {
    QRadioButton* button;
    bool grows;
  } steps[] = {{w->RadioButton_Frei, true}, {w->DINA5RadioButton, false}, {w->RadioButton_Frei, true},
               {w->RadioButton13_18, false}};
  for (const auto& s : steps) {
    click(s.button);
    const QString name = s.button->objectName();
    if (s.grows) {
      EXPECT_GE(w->height(), fixed + w->SizePanel->sizeHint().height() / 2) << name.toStdString();
    } else {
      EXPECT_EQ(w->height(), fixed) << name.toStdString();
      // The buttons sit right under the check boxes.
      const int gap = w->SaveBitBtn->geometry().top() - w->HeadLineCheckBox->geometry().bottom();
      EXPECT_LT(gap, 30) << name.toStdString();
    }
  }
  w->hide();
}
