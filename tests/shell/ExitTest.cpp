// The settings handlers and the end of the program.
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>

#include "Drives.h"
#include "ProductionFixture.h"

using prodtest::ProductionTest;
using shelltest::writeText;

namespace {
class ExitTest : public ProductionTest {};
}  // namespace

TEST_F(ExitTest, SecondsAreNormalisedWhenTheEditIsLeft) {
  const struct {
    const char* typed;
    const char* expected;
  } cases[] = {{"2,5", "2"}, {"4.7", "4"}, {"abc", "3"}, {"", "3"}, {"7", "7"}, {"0", "3"}, {"-4", "3"},
               {"99999999999", "3"}, {" 6 ", "6"}};
  for (const auto& c : cases) {
    mf->SecEdit->setText(QString::fromUtf8(c.typed));
    mf->SecEditExit();
    EXPECT_EQ(mf->SecEdit->text().toStdString(), c.expected) << c.typed;
    EXPECT_EQ(mf->FSecondsPerPicture.toStdString(), c.expected) << c.typed;
  }
}

TEST_F(ExitTest, NumbersAreClamped) {
  // The shipped Effects.ini has 127 lines.
  mf->SpinEdit1->setValue(200);
  EXPECT_EQ(mf->SpinEdit1->value(), 127);
  EXPECT_EQ(mf->FEffectNumber, 127);
  mf->SpinEdit2->setValue(5000);
  EXPECT_EQ(mf->FTextOffset, 750);
  mf->SpinEdit2->setValue(-3);
  EXPECT_EQ(mf->FTextOffset, 0);
}

TEST_F(ExitTest, ColoursComeFromTheColourDialog) {
  const QColor text = mf->FTextColor;
  prompter.answerColor(QColor(Qt::yellow)).answerColor(std::nullopt);
  mf->BKGColorButtonClick();
  mf->TextcolorButtonClick();
  EXPECT_EQ(mf->FBackgroundColor, QColor(Qt::yellow));
  EXPECT_EQ(mf->BKGColorPanel->palette().color(QPalette::Window), QColor(Qt::yellow));
  EXPECT_EQ(mf->FTextColor, text);
}

TEST_F(ExitTest, NoToTheDriveChangeRestoresTheArchiveDrive) {
  testsupport::TempFolder other;
  mf->DriveComboBox1->addItem(other.path(), other.path());
  mf->DriveComboBox1->setCurrentIndex(mf->DriveComboBox1->count() - 1);
  mf->FDriveChanged = true;
  mf->Allgemein1Click();
  EXPECT_EQ(mf->PageControl1->currentIndex(), 4);
  prompter.answerMessage(kalvora::mrNo);
  mf->Uebernehmen2BitBtnClick();
  EXPECT_TRUE(DriveIsHome(mf->FDrive)) << mf->FDrive.toStdString();
  EXPECT_FALSE(mf->FDriveChanged);
  EXPECT_FALSE(mf->PageControl1->isTabVisible(4));
  EXPECT_EQ(prompter.messageTexts(), QStringList{GetLanguageText(10021)});
}

TEST_F(ExitTest, YesToTheDriveChangeEndsTheProgram) {
  mf->FDriveChanged = true;
  prompter.answerMessage(kalvora::mrYes);
  mf->Uebernehmen2BitBtnClick();
  EXPECT_EQ(prompter.messageTexts(), (QStringList{GetLanguageText(10021), GetLanguageText(10022)}));
  EXPECT_TRUE(mf->isHidden());
}

TEST_F(ExitTest, ClosingCleansUpTheTemporaryFiles) {
  makeSlideshow("Archive_0003", "Drei", {"a.jpg"});
  mf->OpenArchive("Archive_0003");
  writeText(root + "Archive_0003/_THUMB_gone.jpg", "orphan");
  for (const char* f : {"UNDO1.jpg", "UNDO22.jpg", "Temp.jpg", "prev.jpg", "Print.txt", "thumbs/x.jpg",
                        "temppic/y.jpg"})
    writeText(appDir + f, "tmp");
  QFile::setPermissions(appDir + "UNDO1.jpg", QFile::ReadOwner);
  QFile::remove(appDir + "NoWer.ini");
  mf->close();
  EXPECT_EQ(modal.shown, QStringList{"WerbungForm"});
  for (const char* f : {"UNDO1.jpg", "UNDO22.jpg", "Temp.jpg", "prev.jpg", "Print.txt", "thumbs/x.jpg",
                        "temppic/y.jpg"})
    EXPECT_FALSE(QFileInfo::exists(appDir + f)) << f;
  EXPECT_FALSE(QFileInfo::exists(root + "Archive_0003/_THUMB_gone.jpg"));
  EXPECT_TRUE(QFileInfo(root + "Archive_0003/a.jpg").isFile());
  EXPECT_TRUE(QFileInfo(appDir + "Generator.ini").isFile());
  mf->FormClose();  // once only
  EXPECT_EQ(modal.shown, QStringList{"WerbungForm"});
}

TEST_F(ExitTest, NoProductsPageInEnglish) {
  DestroyWindows();
  setSetting("Language", "ENGLISH");
  QFile::remove(appDir + "NoWer.ini");
  LoadLanguage();
  CreateWindows();
  mf = MainForm;
  mf->close();
  EXPECT_TRUE(modal.shown.isEmpty());
}
