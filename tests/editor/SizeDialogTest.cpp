// The resize dialog alone and as the editor's step.
#include <QLocale>
#include <QTimer>

#include <cmath>

#include "EditorFixture.h"
#include "Language.h"

using namespace edtest;

namespace {
class SizeDialogTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  }
  void TearDown() override {
    QLocale::setDefault(QLocale::c());
    EditorTest::TearDown();
  }
  TSizeForm& showFor(int w, int h) {
    SizeForm->FOrgWidth = w;
    SizeForm->FOrgHeight = h;
    SizeForm->show();
    QApplication::processEvents();
    return *SizeForm;
  }
  static void type(QSpinBox* spin, const QString& text) {
    spin->selectAll();
    QTest::keyClicks(spin, text);
  }
};
}  // namespace

TEST_F(SizeDialogTest, LengthsInCentimetresAndMillimetres) {
  TSizeForm& f = showFor(1600, 1200);
  EXPECT_EQ(f.windowTitle(), QString::fromUtf8("Größe"));
  EXPECT_EQ(f.SpinEdit1->value(), 1600);
  EXPECT_EQ(f.SpinEdit2->value(), 1200);
  EXPECT_EQ(f.ComboBox1->currentText(), "300 dpi");
  f.ComboBox2->setCurrentIndex(1);
  EXPECT_TRUE(f.cmPanel->isVisible());
  EXPECT_EQ(f.BreitEdit->text(), "13,55");
  EXPECT_EQ(f.HochEdit->text(), "10,16");
  EXPECT_EQ(f.BreitLabel->text(), "Breite in cm");
  f.ComboBox2->setCurrentIndex(2);
  EXPECT_EQ(f.BreitEdit->text(), "135,47");
  EXPECT_EQ(f.HochEdit->text(), "101,60");
  EXPECT_EQ(f.HochLabel->text(), QString::fromUtf8("Höhe in mm"));
  // The resolution alone does not change the shown lengths.
  f.ComboBox1->setCurrentIndex(6);
  EXPECT_EQ(f.BreitEdit->text(), "135,47");
  // Editing the length keeps the ratio; back in pixels it is converted at 600 dpi.
  f.BreitEdit->setText("50,8");
  EXPECT_EQ(f.HochEdit->text(), "38,10");
  f.ComboBox2->setCurrentIndex(0);
  EXPECT_FALSE(f.cmPanel->isVisible());
  EXPECT_EQ(f.SpinEdit1->value(), 1200);
  EXPECT_EQ(f.SpinEdit2->value(), 900);
  f.AbortBitBtn->click();
}

TEST_F(SizeDialogTest, RatioEditsAndRefusedSizes) {
  TSizeForm& f = showFor(1600, 1200);
  type(f.SpinEdit1, "800");
  EXPECT_EQ(f.SpinEdit2->value(), 600);
  f.AbortBitBtn->click();
  // One side typed on a 3:1 picture stays as typed.
  TSizeForm& g = showFor(300, 100);
  type(g.SpinEdit1, "4");
  EXPECT_EQ(g.SpinEdit1->value(), 4);
  EXPECT_EQ(g.SpinEdit2->value(), 1);
  for (const char* bad : {"-5", "100000"}) {
    SCOPED_TRACE(bad);
    g.SeitenCheckBox->setChecked(false);
    type(g.SpinEdit1, QString::fromLatin1(bad));
    const int before = int(prompter.messageTexts().size());
    g.SaveBitBtn->click();
    EXPECT_TRUE(g.isVisible());
    ASSERT_EQ(prompter.messageTexts().size(), before + 1);
    EXPECT_TRUE(prompter.messageTexts().last().contains("30000"));
  }
  g.AbortBitBtn->click();
}

TEST_F(SizeDialogTest, TheEditorResizesOnlyOnOkWithBothSides) {
  open("bild.png", makeImage(160, 120), px::kFormatPng);
  struct Case {
    const char* name;
    int width;
    bool ok;
    QSize expected;
    int steps;
  };
  for (const Case& c : {Case{"cancel", 80, false, QSize(160, 120), 0}, Case{"zero", 0, true, QSize(160, 120), 0},
                        Case{"half", 80, true, QSize(80, 60), 1}}) {
    SCOPED_TRACE(c.name);
    QTimer::singleShot(0, [&] {
      ASSERT_TRUE(SizeForm->isVisible());
      EXPECT_EQ(SizeForm->FOrgWidth, view()->BitmapWidth());
      SizeForm->SpinEdit1->setValue(c.width);
      (c.ok ? SizeForm->SaveBitBtn : SizeForm->AbortBitBtn)->click();
      // A zero side is refused with a reason; the dialog waits for a size or Abbrechen.
      if (c.width == 0) {
        EXPECT_TRUE(SizeForm->isVisible());
        ASSERT_FALSE(prompter.messageTexts().isEmpty());
        EXPECT_TRUE(prompter.messageTexts().last().contains(QString::fromUtf8("größer als 0")));
        SizeForm->AbortBitBtn->click();
      }
    });
    click(editor->Image10);
    EXPECT_EQ(QSize(view()->BitmapWidth(), view()->BitmapHeight()), c.expected);
    EXPECT_EQ(editor->FUndoIndex(), c.steps);
  }
}

// "12,5" cm and "12.5" cm, on a system with and without a German locale, typed into the real
// dialog of the German program and confirmed: the picture gets 12.5 cm at 300 dpi, the other
// side is shown with a decimal comma. Back in pixels the dialog is as high as before.
TEST_F(SizeDialogTest, CentimetresWithEitherSeparatorResizeThePicture) {
  open("bild.png", makeImage(1600, 1200), px::kFormatPng);
  int steps = 0;
  for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::German, QLocale::Germany)}) {
    for (const char* typed : {"12,5", "12.5"}) {
      SCOPED_TRACE((locale.name() + " " + typed).toStdString());
      QLocale::setDefault(locale);
      const QSize before(view()->BitmapWidth(), view()->BitmapHeight());
      const double ratio = double(before.height()) / before.width();
      const int width = int(std::nearbyint(12.5 / 2.54 * 300));  // 1476
      QTimer::singleShot(0, [&] {
        TSizeForm& f = *SizeForm;
        ASSERT_TRUE(f.isVisible());
        f.ComboBox2->setCurrentIndex(0);  // the unit stays from the last showing
        QApplication::processEvents();
        const int pixelHeight = f.height();
        f.ComboBox2->setCurrentIndex(1);
        QApplication::processEvents();
        EXPECT_GT(f.height(), pixelHeight);
        f.ComboBox2->setCurrentIndex(0);
        QApplication::processEvents();
        EXPECT_EQ(f.height(), pixelHeight);
        f.ComboBox2->setCurrentIndex(1);
        f.BreitEdit->selectAll();
        QTest::keyClicks(f.BreitEdit, QString::fromLatin1(typed));
        EXPECT_EQ(f.HochEdit->text(), QLocale(QLocale::German).toString(12.5 * ratio, 'f', 2));
        click(f.SaveBitBtn);
        if (f.isVisible()) f.AbortBitBtn->click();
      });
      click(editor->Image10);
      EXPECT_EQ(QSize(view()->BitmapWidth(), view()->BitmapHeight()),
                QSize(width, int(std::nearbyint(width * ratio))));
      EXPECT_EQ(editor->FUndoIndex(), ++steps);
      EXPECT_TRUE(prompter.messageTexts().isEmpty());
      // Back to the first size for the next case.
      click(editor->UndoImage);
      --steps;
    }
  }
}

// The lengths are written in the program's language whatever the system's locale is (German
// "13,55", English "13.55"), and the pixel fields follow the lengths key by key as they are
// typed, and the lengths the pixels; a new resolution keeps the lengths and gives new pixels.
TEST_F(SizeDialogTest, NumbersInTheProgramsLanguageAndFieldsInStepWhileTyping) {
  struct Case {
    const char* language;
    QLocale system;
    QString comma;  // the decimal separator the program shows
  };
  for (const Case& c : {Case{"GERMAN", QLocale(QLocale::English, QLocale::UnitedStates), ","},
                        Case{"ENGLISH", QLocale(QLocale::German, QLocale::Germany), "."}}) {
    SCOPED_TRACE(c.language);
    testsupport::writeBytes(appDir + "Generator.ini", QByteArray("[SETTINGS]\r\nLanguage=") + c.language + "\r\n");
    testsupport::writeBytes(appDir + "Language.ini", QByteArray());
    LoadLanguage();
    QLocale::setDefault(c.system);
    const auto num = [&](const char* text) { return QString::fromLatin1(text).replace(".", c.comma); };
    TSizeForm& f = showFor(1600, 1200);
    f.ComboBox2->setCurrentIndex(1);
    EXPECT_EQ(f.BreitEdit->text(), num("13.55"));
    EXPECT_EQ(f.HochEdit->text(), num("10.16"));
    // 19.5 cm at 300 dpi: 19.5 / 2.54 x 300 = 2303.1 pixels wide, 2303 x 3 / 4 = 1727.25 high.
    f.BreitEdit->selectAll();
    QTest::keyClicks(f.BreitEdit, "19");
    EXPECT_EQ(f.SpinEdit1->value(), 2244);  // 19 cm: 2244.1
    EXPECT_EQ(f.SpinEdit2->value(), 1683);
    QTest::keyClicks(f.BreitEdit, num(".5"));
    EXPECT_EQ(f.SpinEdit1->value(), 2303);
    EXPECT_EQ(f.SpinEdit2->value(), 1727);
    EXPECT_EQ(f.BreitEdit->text(), num("19.5"));  // as typed
    EXPECT_NEAR(ProgramLocale().toDouble(f.HochEdit->text()), 14.625, 0.006);
    // Pixels typed give the lengths: 1200 x 900 pixels are 10.16 x 7.62 cm.
    f.SpinEdit1->selectAll();
    QTest::keyClicks(f.SpinEdit1, "1200");
    EXPECT_EQ(f.SpinEdit2->value(), 900);
    EXPECT_EQ(f.BreitEdit->text(), num("10.16"));
    EXPECT_EQ(f.HochEdit->text(), num("7.62"));
    // 600 dpi: the lengths stay, 10.16 cm are 2400 pixels now.
    f.ComboBox1->setCurrentIndex(6);
    EXPECT_EQ(f.BreitEdit->text(), num("10.16"));
    EXPECT_EQ(f.SpinEdit1->value(), 2400);
    EXPECT_EQ(f.SpinEdit2->value(), 1800);
    // Without the ratio each length gives its own side.
    f.SeitenCheckBox->setChecked(false);
    f.HochEdit->selectAll();
    QTest::keyClicks(f.HochEdit, "5");
    EXPECT_EQ(f.SpinEdit2->value(), 1181);  // 5 / 2.54 x 600 = 1181.1
    EXPECT_EQ(f.SpinEdit1->value(), 2400);
    f.SeitenCheckBox->setChecked(true);
    f.ComboBox1->setCurrentIndex(4);
    f.ComboBox2->setCurrentIndex(0);
    f.AbortBitBtn->click();
  }
  testsupport::writeBytes(appDir + "Generator.ini", QByteArray("[SETTINGS]\r\nLanguage=GERMAN\r\n"));
  LoadLanguage();
}
