// The gallery window driven as a user would: settings, colours, generating, what the folder
// holds afterwards, and what happens with bad settings and unreadable pictures.
#include <QPointer>

#include "TestSupport.h"
#include "PublishingFixture.h"
#include "fFTP.h"
#include "fHTML.h"

using pubtest::g_opened;
using pubtest::PublishingTest;

namespace {
class GalleryWindowTest : public PublishingTest {
 protected:
  void SetUp() override {
    PublishingTest::SetUp();
    html = std::make_unique<THTMLForm>();
    html->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(html.get()));
  }
  void TearDown() override {
    html.reset();
    PublishingTest::TearDown();
  }
  void generate() { QTest::mouseClick(html->BitBtn1, Qt::LeftButton); }
  QString gal(const QString& name) const { return appDir + "gallery/" + name; }
  QSize imageSize(const QString& name) const { return QImage(gal(name)).size(); }
  QStringList galleryFiles() const { return QDir(appDir + "gallery").entryList(QDir::Files, QDir::Name); }
  QString text(const QString& name) const { return QString::fromUtf8(testsupport::readBytes(gal(name))); }
  std::unique_ptr<THTMLForm> html;
};
}  // namespace

TEST_F(GalleryWindowTest, GeneratesTheGalleryWithBothPictureSizes) {
  addPicture("Strand (2).JPG", 1600, 1200, "Am Meer");
  addPicture("Turm.jpg", 1200, 1600, "Hoch");
  form->TitleEdit->setText("Urlaub");
  QDir(appDir + "gallery").removeRecursively();  // made again when missing
  const QSize windowSize = html->size();
  generate();
  EXPECT_EQ(html->size(), windowSize);
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("|").toStdString();
  EXPECT_EQ(galleryFiles(), (QStringList{"gallery.html", "layout.css", "strand_x2x.html", "strand_x2x.jpg",
                                         "strand_x2x_thumb.jpg", "turm.html", "turm.jpg", "turm_thumb.jpg"}));
  EXPECT_EQ(imageSize("strand_x2x_thumb.jpg"), QSize(107, 80));
  EXPECT_EQ(imageSize("strand_x2x.jpg"), QSize(333, 250));
  EXPECT_EQ(imageSize("turm_thumb.jpg"), QSize(80, 107));
  EXPECT_EQ(imageSize("turm.jpg"), QSize(250, 333));
  const QString overview = text("gallery.html");
  EXPECT_TRUE(overview.contains("<img src=\"strand_x2x_thumb.jpg\" width=\"107\" height=\"80\""));
  EXPECT_TRUE(overview.contains("<b>Urlaub</b>"));
  EXPECT_TRUE(text("turm.html").contains("[<A HREF=\"strand_x2x.html\">N&auml;chstes Bild</A>] "));
  // The templates were written elsewhere and are gone; the page was opened.
  EXPECT_TRUE(QDir(appDir).entryList({"*.ht1", "*.ht2"}, QDir::Files).isEmpty());
  EXPECT_EQ(g_opened, QStringList{appDir + "gallery/gallery.html"});
  EXPECT_FALSE(html->ProgressBar1->isVisible());
  EXPECT_FALSE(html->KonvertLabel->isVisible());
  const QFileInfo ini(appDir + "Gallery.ini");
  EXPECT_EQ(ini.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFileDevice::Permissions());
  EXPECT_EQ(kalvora::IniFile(ini.filePath()).readString("SETTINGS", "LargePicX"), "250");
}

TEST_F(GalleryWindowTest, SettingsFromTheWindowShapeThePages) {
  addPicture("a.jpg", 400, 300, "<b>x</b> & \"q\"");
  html->SmallPicMaskEdit->clear();
  QTest::keyClicks(html->SmallPicMaskEdit, "60");
  html->LargePicMaskEdit->setText("120");
  html->PicProRowMaskEdit->setText("2");
  QTest::mouseClick(html->TextCheckBox, Qt::LeftButton);
  html->FileNameCheckBox->setChecked(true);
  prompter.answerColor(QColor(0, 128, 255)).answerColor(QColor(255, 255, 0));
  QTest::mouseClick(html->BKGColorButton, Qt::LeftButton);
  QTest::mouseClick(html->TextcolorButton, Qt::LeftButton);
  generate();
  EXPECT_EQ(imageSize("a_thumb.jpg"), QSize(80, 60));
  EXPECT_EQ(imageSize("a.jpg"), QSize(160, 120));
  EXPECT_TRUE(text("layout.css").contains("\tbackground-color :#0080FF;\r\n"));
  EXPECT_TRUE(text("layout.css").contains("\tcolor:#FFFF00;\r\n"));
  EXPECT_TRUE(text("gallery.html").contains("a.html<br></a>&lt;b&gt;x&lt;/b&gt; &amp; &quot;q&quot;</font>"));
  EXPECT_TRUE(text("a.html").contains("<br>a.jpg<br>&lt;b&gt;x"));
  const kalvora::IniFile ini(appDir + "Gallery.ini");
  EXPECT_EQ(ini.readString("SETTINGS", "SmallPicX"), "60");
  EXPECT_EQ(ini.readString("SETTINGS", "PicProRow"), "2");
  EXPECT_EQ(ini.readString("SETTINGS", "BKGColor"), QString::number(0xFF8000));
  EXPECT_EQ(ini.readString("SETTINGS", "TextVisible"), "TRUE");
  // A new activation reads them back.
  html->hide();
  html->show();
  EXPECT_EQ(html->SmallPicMaskEdit->text(), "60");
  EXPECT_TRUE(html->TextCheckBox->isChecked());
}

TEST_F(GalleryWindowTest, TheFrameCornersTakeThePageBackground) {
  addPicture("a.jpg", 400, 300, "", QColor(255, 0, 0));
  prompter.answerColor(QColor(0, 0, 255));
  QTest::mouseClick(html->BKGColorButton, Qt::LeftButton);
  generate();
  QImage framed(gal("a.jpg"));
  ASSERT_EQ(framed.size(), QSize(333, 250));
  auto near = [](QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 && std::abs(a.blue() - b.blue()) < 40;
  };
  EXPECT_TRUE(near(framed.pixelColor(1, 248), Qt::blue)) << framed.pixelColor(1, 248).name().toStdString();
  EXPECT_TRUE(near(framed.pixelColor(331, 1), Qt::blue));
  EXPECT_TRUE(near(framed.pixelColor(166, 125), Qt::red));
  EXPECT_FALSE(near(framed.pixelColor(2, 125), Qt::red));  // the frame
  html->RahmenCheckBox->setChecked(false);
  generate();
  EXPECT_TRUE(near(QImage(gal("a.jpg")).pixelColor(1, 248), Qt::red));
}

TEST_F(GalleryWindowTest, AnEarlierGalleryIsReplacedAndCollidingNamesKeepTheirOwnPictures) {
  QDir().mkpath(appDir + "gallery");
  shelltest::writeText(gal("alt.html"), "old");
  addPicture("Foto.jpg", 300, 300, "", Qt::red);
  addPicture("foto.png", 300, 300, "", Qt::green);
  generate();
  EXPECT_FALSE(QFileInfo::exists(gal("alt.html")));
  EXPECT_EQ(QImage(gal("foto.jpg")).pixelColor(166, 125).red() > 200, true);
  EXPECT_GT(QImage(gal("foto_2.jpg")).pixelColor(125, 125).green(), 200);
  EXPECT_TRUE(text("foto.html").contains("HREF=\"foto_2.html\""));
}

TEST_F(GalleryWindowTest, UnreadablePicturesAreLeftOutAndNamed) {
  addPicture("a.jpg", 300, 200);
  shelltest::writeText(slideshow() + "kaputt.jpg", "no picture at all");
  addEntry("kaputt.jpg", "");
  addEntry("fehlt.jpg", "");
  addEntry("../draussen.jpg", "");
  addPicture("b.jpg", 300, 200);
  generate();
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  const QString m = prompter.messageTexts().first();
  EXPECT_TRUE(m.contains("kaputt.jpg") && m.contains("fehlt.jpg") && m.contains("draussen.jpg")) << m.toStdString() << prompter.messageTexts().join("#").toStdString();
  EXPECT_EQ(galleryFiles(), (QStringList{"a.html", "a.jpg", "a_thumb.jpg", "b.html", "b.jpg", "b_thumb.jpg",
                                         "gallery.html", "layout.css"}));
  EXPECT_TRUE(text("b.html").contains("HREF=\"a.html\">N&auml;chstes"));
  EXPECT_EQ(g_opened.size(), 1);
}

TEST_F(GalleryWindowTest, BadSettingsAreRefusedOrFallBack) {
  shelltest::writeText(appDir + "Gallery.ini", "[SETTINGS]\r\nSmallPicX=0\r\nLargePicX=-3\r\nPicProRow=x\r\n");
  html->hide();
  html->show();
  EXPECT_EQ(html->SmallPicMaskEdit->text(), "80");
  EXPECT_EQ(html->LargePicMaskEdit->text(), "250");
  EXPECT_EQ(html->PicProRowMaskEdit->text(), "4");
  addPicture("a.jpg", 300, 200);
  html->PicProRowMaskEdit->setText("0");
  generate();
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts().first().contains("größer als 0"));
  EXPECT_FALSE(QFileInfo::exists(appDir + "gallery/gallery.html"));
  // Letters cannot be typed into the number fields.
  html->PicProRowMaskEdit->clear();
  QTest::keyClicks(html->PicProRowMaskEdit, "a3b");
  EXPECT_EQ(html->PicProRowMaskEdit->text(), "3");
}

TEST_F(GalleryWindowTest, AnEmptySlideshowAndAFailedOpenAreReported) {
  generate();
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts().first().contains("keine Bilder"));
  EXPECT_TRUE(g_opened.isEmpty());
  addPicture("a.jpg", 300, 200);
  pubtest::g_openResult = false;
  generate();
  ASSERT_EQ(prompter.messageTexts().size(), 2);
  EXPECT_TRUE(prompter.messageTexts().last().contains("nicht im Browser"));
}

TEST_F(GalleryWindowTest, ALongCaptionAndAGalleryFolderInTheWay) {
  addPicture("a.jpg", 300, 200, QString("ä&<").repeated(3334).left(10000));
  html->TextCheckBox->setChecked(true);
  generate();
  EXPECT_TRUE(text("a.html").contains("&#228;&amp;&lt;&#228;"));
  // A file where the folder should be: a message, no crash.
  QDir(appDir + "gallery").removeRecursively();
  shelltest::writeText(appDir + "gallery", "a file");
  generate();
  EXPECT_TRUE(prompter.messageTexts().last().contains("Ordner")) << prompter.messageTexts().last().toStdString();
}

TEST_F(GalleryWindowTest, TheUploadWindowIsOwnedAndDoesNotBlock) {
  QTest::mouseClick(html->BitBtn2, Qt::LeftButton);
  QPointer<TFTPForm> ftp = html->FTPForm;
  ASSERT_TRUE(ftp);
  EXPECT_EQ(ftp->parent(), html.get());
  EXPECT_TRUE(ftp->isVisible());
  EXPECT_FALSE(ftp->isModal());
  EXPECT_EQ(ftp->windowTitle(), "Diashow FTP");
  EXPECT_EQ(ftp->Edit3->echoMode(), QLineEdit::Password);
  EXPECT_EQ(ftp->FGalleryFolder, appDir + "gallery");
  // Asking again brings the same window forward.
  QTest::mouseClick(html->BitBtn2, Qt::LeftButton);
  EXPECT_EQ(html->FTPForm, ftp);
  QTest::mouseClick(ftp->CloseBitBtn, Qt::LeftButton);
  KV_WAIT_FOR(ftp.isNull(), 60000);
  // The close button closes the gallery window.
  QTest::mouseClick(html->BitBtn3, Qt::LeftButton);
  EXPECT_FALSE(html->isVisible());
}

TEST_F(PublishingTest, AnEnglishUserGetsEnglishWindowsAndPages) {
  setSetting("Language", "ENGLISH");
  LoadLanguage();
  THTMLForm html;
  html.show();
  EXPECT_EQ(html.BitBtn3->text(), "Close");
  addPicture("a.jpg", 300, 200);
  addPicture("b.jpg", 300, 200);
  ASSERT_TRUE(html.BitBtn1Click());
  const QString overview = QString::fromUtf8(testsupport::readBytes(appDir + "gallery/gallery.html"));
  EXPECT_TRUE(overview.contains("Click the pictures to enlarge."));
  EXPECT_TRUE(overview.contains("CONTENT=\"Created with Pixelwerk Slidora Bilder im Internet\""));
  const QString page = QString::fromUtf8(testsupport::readBytes(appDir + "gallery/a.html"));
  EXPECT_TRUE(page.contains("[<A HREF=\"b.html\">Forward</A>] "));
  EXPECT_TRUE(page.contains("Page created with Pixelwerk Kalvora"));
}
