// What a user meets in the print, preview, web page, upload and photo-lab windows: pictures
// shown, windows sized to be used, a way to close each, and a folder view that can be walked.
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QRegularExpression>
#include <QPrintPreviewDialog>
#include <QScreen>
#include <QTimer>

#include "PublishingFixture.h"
#include "Report.h"
#include "fFTP.h"
#include "fHTML.h"
#include "fOnlineFoto.h"
#include "fPrintSelect.h"
#include "fPrintSize.h"

using pubtest::g_opened;
using pubtest::PublishingTest;

namespace {

class UserWindowsTest : public PublishingTest {
 protected:
  void SetUp() override {
    // The pictures the build draws for the program folder.
    QDir().mkpath(appDir() + "recom");
    const QDir drawn(QString(KALVORA_TEST_BIN_DIR) + "/recom");
    for (const QString& f : drawn.entryList(QDir::Files)) QFile::copy(drawn.filePath(f), appDir() + "recom/" + f);
    PublishingTest::SetUp();
    form->FAppDir = appDir();
  }
  QString appDir() const { return app.path() + "/"; }
};

QPixmap shown(const QLabel* label) { return label ? label->pixmap() : QPixmap(); }

}  // namespace

TEST_F(UserWindowsTest, PrintSelectionFillsTheScreenAndShowsItsWholeBanner) {
  addPicture("rot.jpg", 60, 40, "Rot");
  TPrintSelectForm select;
  select.show();
  QCoreApplication::processEvents();
  // Without a window manager to maximise it the window must still cover the screen.
  const QRect screen = select.screen()->availableGeometry();
  EXPECT_GE(select.width(), screen.width() - 10);  // less a frame, where the platform draws one
  EXPECT_GE(select.height(), screen.height() - 10);
  const QPixmap banner = shown(select.BannerImage);
  ASSERT_FALSE(banner.isNull());
  EXPECT_EQ(banner.height(), 31);
  EXPECT_GE(select.BannerImage->width(), banner.width());  // not cut to the label's default size
  // The buttons stay inside the window and do what they say.
  EXPECT_TRUE(select.rect().contains(select.PrintBitBtn->geometry().translated(select.BottomPanel->pos())));
  QTest::mouseClick(select.AbortBitBtn, Qt::LeftButton);
  EXPECT_FALSE(select.isVisible());
}

TEST_F(UserWindowsTest, PrintSizeWizardShowsTheBanner) {
  TPrintSizeWizard wizard;
  EXPECT_FALSE(shown(wizard.BannerImage).isNull());
}

TEST_F(UserWindowsTest, PrintPreviewClosesFromItsOwnToolbar) {
  kalvora::report::Report report;
  report.title = "Vorschau";
  QString caption;
  bool found = false;
  QTimer::singleShot(0, [&] {
    auto* dlg = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
    if (!dlg) return;
    if (QAction* close = dlg->findChild<QAction*>("ClosePreview")) {
      found = true;
      caption = close->text();
      close->trigger();
    } else {
      dlg->reject();
    }
  });
  report.preview(nullptr);
  EXPECT_TRUE(found);
  EXPECT_EQ(caption, QString::fromUtf8("Schließen"));
}

TEST_F(UserWindowsTest, WebPageAndUploadWindowsShowTheTallSideBanner) {
  THTMLForm html;
  TFTPForm ftp(nullptr, appDir(), appDir() + "gallery/");
  for (const QLabel* label : {html.Image1, ftp.Image1}) {
    const QPixmap banner = shown(label);
    ASSERT_FALSE(banner.isNull());
    EXPECT_GT(banner.height(), banner.width());  // beside the fields, not above them
  }
  // Both close from inside.
  html.show();
  QTest::mouseClick(html.BitBtn3, Qt::LeftButton);
  EXPECT_FALSE(html.isVisible());
}

TEST_F(UserWindowsTest, PhotoLabFolderViewOpensFoldersGoesBackAndOpensPictures) {
  const QString exportDir = form->FExportFolder;
  QDir().mkpath(exportDir + "Archive_0001");
  shelltest::writeText(exportDir + "Archive_0001/bild.jpg", "jpeg");
  TOnlineFotoForm lab;
  lab.show();
  QCoreApplication::processEvents();
  ASSERT_FALSE(shown(lab.Image2).isNull());
  EXPECT_LE(shown(lab.Image2).height(), lab.Panel1->contentsRect().height());
  // The model reads folders in the background: waits until it lists the entry, unless the
  // entry is one that must not be there.
  auto entry = [&](const QString& name, bool expected = true) -> QModelIndex {
    const QModelIndex root = lab.FolderView->rootIndex();
    QModelIndex found;
    const auto find = [&] {
      for (int r = 0; r < lab.FolderModel->rowCount(root); ++r) {
        const QModelIndex i = lab.FolderModel->index(r, 0, root);
        if (lab.FolderModel->fileName(i) == name) found = i;
      }
      return found.isValid();
    };
    if (expected) EXPECT_TRUE(QTest::qWaitFor(find, 60000)) << "never listed: " << name.toStdString();
    else find();
    return found;
  };
  auto shownFolder = [&] { return QDir(lab.FolderModel->filePath(lab.FolderView->rootIndex())).canonicalPath(); };
  // At the export folder there is no way further up (judged once the folder is listed).
  const QModelIndex archive = entry("Archive_0001");
  EXPECT_FALSE(entry("..", false).isValid());
  lab.OpenFolderEntry(archive);
  EXPECT_EQ(shownFolder(), QDir(exportDir + "Archive_0001").canonicalPath());
  g_opened.clear();
  lab.OpenFolderEntry(entry("bild.jpg"));
  ASSERT_EQ(g_opened.size(), 1);
  EXPECT_TRUE(g_opened.first().endsWith("Archive_0001/bild.jpg"));
  lab.OpenFolderEntry(entry(".."));
  EXPECT_EQ(shownFolder(), QDir(exportDir).canonicalPath());
  QTest::mouseClick(lab.CloseBitBtn, Qt::LeftButton);
  EXPECT_FALSE(lab.isVisible());
}

// With English chosen, nothing German is left in these windows: captions, labels, buttons.
TEST_F(UserWindowsTest, EnglishWindowsCarryNoGermanText) {
  setSetting("Language", "ENGLISH");
  LoadLanguage();
  ASSERT_TRUE(LanguageIsEnglish());
  QDir().mkpath(form->FExportFolder);
  THTMLForm html;
  TFTPForm ftp(nullptr, appDir(), appDir() + "gallery/");
  TOnlineFotoForm lab;
  TPrintSelectForm select;
  TPrintSizeWizard size;
  lab.FormActivate();
  static const QRegularExpression german(QString::fromUtf8("[äöüÄÖÜß]|Diashow|Bild|Schlie|Bitte|Foto "));
  for (QWidget* w : std::initializer_list<QWidget*>{&html, &ftp, &lab, &select, &size}) {
    QStringList texts{w->windowTitle()};
    for (auto* l : w->findChildren<QLabel*>()) texts << l->text();
    for (auto* b : w->findChildren<QAbstractButton*>()) texts << b->text();
    for (auto* g : w->findChildren<QGroupBox*>()) texts << g->title();
    for (const QString& t : texts)
      EXPECT_FALSE(german.match(t).hasMatch()) << w->objectName().toStdString() << ": " << t.toStdString();
  }
}
