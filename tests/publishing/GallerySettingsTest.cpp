// Gallery.ini as the user meets it: the colours of a gallery made as installed, colours the
// user chose, access data that come back as typed, and saves that fail on a full or
// read-only disk.
#include <QPointer>

#include "PublishingFixture.h"
#include "SmallDisk.h"
#include "fFTP.h"
#include "fHTML.h"

using pubtest::PublishingTest;
using testsupport::SmallDisk;

namespace {
class GallerySettingsTest : public PublishingTest {
 protected:
  void SetUp() override {
    PublishingTest::SetUp();
    html = std::make_unique<THTMLForm>();
  }
  void TearDown() override {
    html.reset();
    PublishingTest::TearDown();
  }
  void showGallery() {
    html->hide();
    html->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(html.get()));
  }
  void generate() { QTest::mouseClick(html->BitBtn1, Qt::LeftButton); }
  QString css() const { return QString::fromUtf8(testsupport::readBytes(form->FAppDir + "gallery/layout.css")); }
  // The upload window as the gallery window opens it.
  TFTPForm* openUpload() {
    QTest::mouseClick(html->BitBtn2, Qt::LeftButton);
    return html->FTPForm.data();
  }
  std::unique_ptr<THTMLForm> html;
};
}  // namespace

TEST_F(GallerySettingsTest, AGalleryMadeAsInstalledIsReadable) {
  struct Case {
    const char* name;
    QByteArray ini;  // empty: no Gallery.ini
    const char* text;
    const char* background;
  };
  const Case cases[] = {
      {"no Gallery.ini", "", "#FFFFFF", "#000000"},
      {"the defaults an earlier run saved", "[SETTINGS]\r\nBKGColor=0\r\nTextColor=4\r\n", "#FFFFFF", "#000000"},
      {"colours the user chose", "[SETTINGS]\r\nBKGColor=16777215\r\nTextColor=128\r\n", "#800000", "#FFFFFF"},
      {"text 4 on another background", "[SETTINGS]\r\nBKGColor=65280\r\nTextColor=4\r\n", "#040000", "#00FF00"},
  };
  addPicture("a.jpg", 300, 200, "Am Meer");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(appDir + "Gallery.ini");
    if (!c.ini.isEmpty()) shelltest::writeText(appDir + "Gallery.ini", c.ini);
    showGallery();
    generate();
    const QString sheet = css();
    EXPECT_TRUE(sheet.contains(QStringLiteral("\tcolor:%1;").arg(c.text))) << sheet.toStdString();
    EXPECT_TRUE(sheet.contains(QStringLiteral("\tbackground-color :%1;").arg(c.background))) << sheet.toStdString();
  }
  QFile::remove(appDir + "Gallery.ini");
  showGallery();
  EXPECT_EQ(html->FTextColor, 0xFFFFFFu);
  EXPECT_EQ(html->FBKGColor, 0u);
  // A colour chosen in the dialog is kept and used.
  prompter.answerColor(QColor(0x12, 0x34, 0x56));
  QTest::mouseClick(html->TextcolorButton, Qt::LeftButton);
  generate();
  EXPECT_TRUE(css().contains("\tcolor:#123456;"));
  EXPECT_EQ(kalvora::IniFile(appDir + "Gallery.ini").readString("SETTINGS", "TextColor"), QString::number(0x563412));
}

TEST_F(GallerySettingsTest, AccessDataComeBackAsTyped) {
  QDir(appDir + "gallery").removeRecursively();  // nothing to upload: the start only saves
  const QString passwords[] = {" lead", "trail ", "\"quoted\"", "'single'", "a\r\nb", "\\\"x\\ny\""};
  // One round trip: typed, saved, the window freed, and a new window reads them back. A trip
  // that fails stops only itself; every password is tried.
  auto roundTrip = [&](const QString& password) {
    showGallery();
    TFTPForm* ftp = openUpload();
    ASSERT_TRUE(ftp);
    ftp->Edit1->setText(" ftp.example.org ");
    ftp->Edit2->clear();
    QTest::keyClicks(ftp->Edit2, " nutzer ");
    ftp->Edit3->setText(password);
    QTest::mouseClick(ftp->BitBtn1, Qt::LeftButton);  // nothing to upload yet: only saved
    QPointer<TFTPForm> closing = ftp;
    QTest::mouseClick(ftp->CloseBitBtn, Qt::LeftButton);
    // Freed, so the next window reads Gallery.ini rather than showing what was typed.
    KV_WAIT_FOR(closing.isNull(), 60000);

    TFTPForm* again = openUpload();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Edit3->text(), password);
    EXPECT_EQ(again->Edit2->text(), " nutzer ");
    EXPECT_EQ(again->Edit1->text(), " ftp.example.org ");
    EXPECT_EQ(kalvora::IniFile(appDir + "Gallery.ini").readString("FTP", "password"), password);
    QPointer<TFTPForm> done = again;
    QTest::mouseClick(again->CloseBitBtn, Qt::LeftButton);
    KV_WAIT_FOR(done.isNull(), 60000);
  };
  for (const QString& password : passwords) {
    SCOPED_TRACE(password.toStdString());
    roundTrip(password);
    // A window left open by a failed trip would answer the next one with what was typed.
    delete html->FTPForm.data();
  }
}

TEST_F(GallerySettingsTest, AFailedSaveOnAFullOrReadOnlyDiskIsReportedAndKeepsTheOldFile) {
  testsupport::TempFolder place;
  SmallDisk disk(place.path() + "/programm");
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  const QString program = place.path() + "/programm/";
  form->FAppDir = program;
  const QByteArray old = "[SETTINGS]\r\nPicProRow=3\r\n[FTP]\r\nhost=alt.example.org\r\npassword=alt\r\n";
  shelltest::writeText(program + "Gallery.ini", old);
  addPicture("a.jpg", 300, 200);
  const QString settingsFailed = "Die Einstellungen der Internetseite konnten nicht gespeichert werden:\n" + program +
                                 "Gallery.ini";
  const QString accessFailed = "Die Zugangsdaten konnten nicht gespeichert werden:\n" + program + "Gallery.ini";

  ASSERT_TRUE(disk.fill());
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "full disk" : "read-only disk");
    const qsizetype shown = prompter.messageTexts().size();
    showGallery();
    EXPECT_EQ(html->PicProRowMaskEdit->text(), "3");
    html->PicProRowMaskEdit->setText("5");
    generate();
    EXPECT_TRUE(prompter.messageTexts().mid(shown).contains(settingsFailed))
        << prompter.messageTexts().join("|").toStdString();
    EXPECT_EQ(testsupport::readBytes(program + "Gallery.ini"), old);

    TFTPForm* ftp = openUpload();
    ASSERT_TRUE(ftp);
    ftp->Edit1->clear();  // no server: the start only saves
    ftp->Edit3->setText("neu");
    const qsizetype before = prompter.messageTexts().size();
    QTest::mouseClick(ftp->BitBtn1, Qt::LeftButton);
    EXPECT_TRUE(prompter.messageTexts().mid(before).contains(accessFailed)) << prompter.messageTexts().join("|").toStdString();
    EXPECT_EQ(testsupport::readBytes(program + "Gallery.ini"), old);
    QPointer<TFTPForm> closing = ftp;
    QTest::mouseClick(ftp->CloseBitBtn, Qt::LeftButton);
    KV_WAIT_FOR(closing.isNull(), 60000);

    QFile::remove(program + "filler");
    QDir(program + "gallery").removeRecursively();
    ASSERT_TRUE(disk.makeReadOnly());
  }
}
