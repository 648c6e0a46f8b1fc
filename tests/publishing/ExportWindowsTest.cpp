// The CD export list and the photo-lab window, driven through their own controls.
#include <QTabWidget>
#include <QTimer>

#include "FakeOpener.h"
#include "TestSupport.h"
#include "PublishingFixture.h"
#include "fExport.h"
#include "fOnlineFoto.h"

using pubtest::g_opened;
using pubtest::PublishingTest;

namespace {
class ExportWindowTest : public PublishingTest {
 protected:
  void SetUp() override {
    PublishingTest::SetUp();
    exportForm = std::make_unique<TExportForm>();
  }
  void TearDown() override {
    exportForm.reset();
    PublishingTest::TearDown();
  }
  void slideshowFolder(const QString& name, const QByteArray& ini) {
    QDir().mkpath(root + name);
    if (!ini.isNull()) shelltest::writeText(root + name + "/Diashow.ini", ini);
  }
  QStringList entries() const {
    QStringList out;
    for (int i = 0; i < exportForm->CheckListBox->count(); ++i) out << exportForm->CheckListBox->item(i)->text();
    return out;
  }
  std::unique_ptr<TExportForm> exportForm;
};
}  // namespace

TEST_F(ExportWindowTest, ListsSavedSlideshowsSortedWithoutRegardToCase) {
  QDir(root + "Archive_0001").removeRecursively();
  slideshowFolder("Archive_0002", "[DIASHOW]\r\nTitel=Zwei & mehr\r\n");
  slideshowFolder("archive_0001", "[DIASHOW]\r\nTitel=Eins\r\n");
  slideshowFolder("Archive_0003", QByteArray());             // no Diashow.ini
  slideshowFolder("Archive_Del", "[DIASHOW]\r\nTitel=Weg\r\n");  // "del" in any case
  slideshowFolder("geDELetet", "[DIASHOW]\r\nTitel=Weg\r\n");
  slideshowFolder("Archive_0004.bak", "[DIASHOW]\r\nTitel=Punkt\r\n");
  slideshowFolder("Archive_0006", "[DIASHOW]\r\nTime=4\r\n");  // no title
  slideshowFolder("Mit Blank", "[DIASHOW]\r\nTitel=Blank\r\n");
  slideshowFolder("Archive_0007", QByteArray());
  shelltest::writeText(root + "Archive_0007/diashow.INI", "[DIASHOW]\r\nTitel=Klein\r\n");
  shelltest::writeText(root + "Archive_0008", "a file, not a folder");
  exportForm->show();
  // A folder whose name holds a blank is a slideshow too (the item keeps its folder).
  EXPECT_EQ(entries(), (QStringList{"archive_0001 Eins", "Archive_0002 Zwei & mehr", "Archive_0006 ", "Archive_0007 Klein",
                                    "Mit Blank Blank"}));
  for (int i = 0; i < exportForm->CheckListBox->count(); ++i)
    EXPECT_EQ(exportForm->CheckListBox->item(i)->checkState(), Qt::Unchecked);
  // A new activation starts afresh.
  exportForm->CheckListBox->item(0)->setCheckState(Qt::Checked);
  exportForm->hide();
  exportForm->show();
  EXPECT_EQ(exportForm->CheckListBox->item(0)->checkState(), Qt::Unchecked);
}

TEST_F(ExportWindowTest, ConfirmingNeedsATick) {
  shelltest::writeText(slideshow() + "Diashow.ini", "[DIASHOW]\r\nTitel=Eins\r\n");
  int result = -1;
  QTimer::singleShot(0, exportForm.get(), [&] {
    QTest::mouseClick(exportForm->OpenBitBtn, Qt::LeftButton);
    EXPECT_TRUE(exportForm->isVisible());
    exportForm->CheckListBox->item(0)->setCheckState(Qt::Checked);
    QTest::mouseClick(exportForm->OpenBitBtn, Qt::LeftButton);
  });
  result = exportForm->ShowModal();
  EXPECT_EQ(result, kalvora::mrOk);
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts().first().contains("mindestens eine Diashow"));
}

TEST_F(ExportWindowTest, CancelGoesBackToThePictureSelection) {
  form->PageControl1->setCurrentIndex(0);
  QTimer::singleShot(0, exportForm.get(), [&] { QTest::mouseClick(exportForm->BitBtn1, Qt::LeftButton); });
  EXPECT_EQ(exportForm->ShowModal(), kalvora::mrCancel);
  EXPECT_EQ(form->PageControl1->currentIndex(), 1);
}

TEST_F(PublishingTest, PhotoLabWindowShowsTheRealExportFolderAndOpensTheOrderPage) {
  shelltest::writeText(form->FExportFolder + "Archive_0001/bild.jpg", "x");
  TOnlineFotoForm lab;
  EXPECT_EQ(lab.size(), QSize(958, 671));
  EXPECT_EQ(lab.windowTitle(), "Online Foto Entwicklung");
  lab.show();
  EXPECT_EQ(lab.FolderModel->rootPath() + "/", form->FExportFolder);
  KV_WAIT_FOR(lab.FolderModel->rowCount(lab.FolderView->rootIndex()) == 1, 60000);
  EXPECT_EQ(lab.FolderModel->fileName(lab.FolderModel->index(0, 0, lab.FolderView->rootIndex())), "Archive_0001");
  EXPECT_TRUE(lab.InfoLabel->text().contains(form->FExportFolder));
  EXPECT_EQ(g_opened, QStringList{PhotoLabAddress});
  EXPECT_EQ(lab.Panel2->width(), 105);
  EXPECT_EQ(lab.Panel1->height(), 41);
  pubtest::g_openResult = false;
  QTest::mouseClick(lab.OrderBitBtn, Qt::LeftButton);
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts().first().contains(PhotoLabAddress));
  QTest::mouseClick(lab.CloseBitBtn, Qt::LeftButton);
  EXPECT_FALSE(lab.isVisible());
}

// The desktop's opener starts but finds no browser and no file manager that runs: "Bestellseite
// öffnen" and "Exportordner öffnen" say so instead of staying silent.
TEST_F(PublishingTest, PhotoLabButtonsSayWhenNothingOpens) {
  shelltest::writeText(form->FExportFolder + "Archive_0001/bild.jpg", "x");
  SetShellOpenHook(nullptr);
  testsupport::FakeOpener opener(3);
  TOnlineFotoForm lab;
  lab.show();  // opens the order page at once
  KV_WAIT_FOR(prompter.messageTexts().size() == 1, 60000);
  QTest::mouseClick(lab.OrderBitBtn, Qt::LeftButton);
  KV_WAIT_FOR(prompter.messageTexts().size() == 2, 60000);
  for (const QString& said : prompter.messageTexts()) {
    EXPECT_TRUE(said.startsWith(QString::fromUtf8("Die Bestellseite konnte nicht im Browser geöffnet werden"))) << said.toStdString();
    EXPECT_TRUE(said.contains(PhotoLabAddress));
  }
  QTest::mouseClick(lab.FolderBitBtn, Qt::LeftButton);
  KV_WAIT_FOR(prompter.messageTexts().size() == 3, 60000);
  EXPECT_TRUE(prompter.messageTexts().last().startsWith(QString::fromUtf8("Der Ordner konnte nicht geöffnet werden")))
      << prompter.messageTexts().last().toStdString();
  EXPECT_EQ(opener.asked(), (QStringList{PhotoLabAddress, PhotoLabAddress, form->FExportFolder}));
}

TEST_F(PublishingTest, PhotoLabWindowWithoutAnExportFolderListsNothing) {
  TOnlineFotoForm lab;
  lab.show();
  EXPECT_EQ(lab.FolderView->model(), nullptr);  // not the working folder or anything else
  EXPECT_TRUE(lab.InfoLabel->text().contains("noch leer"));
  EXPECT_EQ(g_opened, QStringList{PhotoLabAddress});
  lab.hide();
  shelltest::writeText(form->FExportFolder + "a/b.jpg", "x");
  lab.show();
  EXPECT_EQ(lab.FolderView->model(), lab.FolderModel);
  KV_WAIT_FOR(lab.FolderModel->rowCount(lab.FolderView->rootIndex()) == 1, 60000);
}
