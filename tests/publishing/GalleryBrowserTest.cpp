// The generated gallery in a real browser: Debian's headless Chromium, driven through its
// DevTools protocol by gallery_browser.py, looks at every page the way a visitor does.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include "PublishingFixture.h"
#include "fHTML.h"

using pubtest::PublishingTest;

namespace {
const QString kCaption = QString::fromUtf8("<b>x</b> & \"q\" ä €");

class GalleryBrowserTest : public PublishingTest {
 protected:
  void SetUp() override {
    if (QStandardPaths::findExecutable("chromium").isEmpty()) GTEST_SKIP() << "chromium is not installed";
    PublishingTest::SetUp();
    addPicture("Strand (2).JPG", 640, 480, kCaption, QColor(30, 120, 200));
    addPicture(QString::fromUtf8("Müller & Söhne.jpg"), 300, 400, "Zweites", QColor(200, 200, 30));
    addPicture(QString::fromUtf8("Straße#1.png"), 500, 500, "", QColor(30, 200, 30));
    addPicture("a.b.c.jpg", 400, 200, "", QColor(200, 30, 200));
    addPicture(".jpg", 320, 240, "", QColor(90, 90, 90));
    addPicture("Foto.jpg", 320, 240, "", QColor(250, 250, 250));
    addPicture("foto.png", 240, 320, "", QColor(10, 10, 10));
    form->TitleEdit->setText(QString::fromUtf8("Sommer & Sonne ä"));
  }

  // Generates with the colours given (Windows order) and looks at the result in the browser.
  QJsonObject generateAndLook(uint32_t background, uint32_t text, const QString& shotPrefix) {
    shelltest::writeText(appDir + "Gallery.ini",
                         QStringLiteral("[SETTINGS]\r\nBKGColor=%1\r\nTextColor=%2\r\nTextVisible=TRUE\r\n"
                                        "FilenameVisible=TRUE\r\nShapeVisible=TRUE\r\n")
                             .arg(background)
                             .arg(text)
                             .toUtf8());
    THTMLForm html;
    html.show();
    EXPECT_TRUE(html.BitBtn1Click());
    const QString out = QString(KALVORA_TEST_OUTPUT_DIR) + "/gallery-";
    QDir().mkpath(QFileInfo(out).path());
    QProcess p;
    p.start("/usr/bin/python3", {QString(KALVORA_SOURCE_DIR) + "/tests/publishing/gallery_browser.py",
                                 appDir + "gallery", out + shotPrefix});
    EXPECT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
  }

  static QString rgb(uint32_t c) {
    return QStringLiteral("rgb(%1, %2, %3)").arg(c & 0xFF).arg((c >> 8) & 0xFF).arg((c >> 16) & 0xFF);
  }

  void checkReport(const QJsonObject& r, uint32_t background, uint32_t text) {
    ASSERT_FALSE(r.isEmpty());
    EXPECT_TRUE(r["failed"].toArray().isEmpty()) << QJsonDocument(r["failed"].toArray()).toJson().toStdString();
    const QJsonArray pages = r["pages"].toArray();
    ASSERT_EQ(pages.size(), 1 + 1 + 7 + 1);
    for (const QJsonValue& v : pages) {
      const QJsonObject page = v.toObject();
      const std::string url = page["url"].toString().toStdString();
      EXPECT_EQ(page["title"].toString(), "Kalvora Bildergalerie") << url;
      EXPECT_EQ(page["color"].toString(), rgb(text)) << url;
      EXPECT_EQ(page["background"].toString(), rgb(background)) << url;
      for (const QJsonValue& i : page["images"].toArray()) {
        const QJsonObject img = i.toObject();
        EXPECT_TRUE(img["complete"].toBool() && img["naturalWidth"].toInt() > 0) << url << " " << img["src"].toString().toStdString();
        if (!img["width"].isNull()) {
          EXPECT_EQ(QString::number(img["naturalWidth"].toInt()), img["width"].toString()) << url;
          EXPECT_EQ(QString::number(img["naturalHeight"].toInt()), img["height"].toString()) << url;
        }
      }
      for (const QJsonValue& l : page["links"].toArray())
        EXPECT_TRUE(l.toObject()["exists"].toBool()) << url << " -> " << l.toObject()["href"].toString().toStdString();
    }
    const QJsonObject overview = pages[0].toObject();
    EXPECT_EQ(overview["images"].toArray().size(), 7);
    EXPECT_EQ(overview["rows"].toInt(), 2);
    EXPECT_EQ(overview["cells"].toInt(), 8);
    EXPECT_EQ(overview["nbsp"].toInt(), 1);
    // Caption and title arrive as text: no element made of them.
    EXPECT_TRUE(overview["text"].toString().contains(kCaption)) << overview["text"].toString().toStdString();
    EXPECT_TRUE(overview["text"].toString().contains(QString::fromUtf8("Sommer & Sonne ä")));
    EXPECT_EQ(overview["bold"].toInt(), 1);
    const QJsonObject first = pages[1].toObject();
    EXPECT_TRUE(first["text"].toString().contains(kCaption));
    EXPECT_EQ(first["bold"].toInt(), 1);
    EXPECT_TRUE(r["forward_returns"].toBool());
    EXPECT_TRUE(r["back_target"].toString().endsWith("/foto_2.html")) << r["back_target"].toString().toStdString();
    for (const QJsonValue& s : r["shots"].toArray()) EXPECT_GT(QFileInfo(s.toString()).size(), 1000);
  }
};
}  // namespace

TEST_F(GalleryBrowserTest, EveryPageLoadsLinksAndShowsTextAsText) {
  const uint32_t background = 0x402010, text = 0xE0F0FF;
  checkReport(generateAndLook(background, text, "dark-"), background, text);
  const uint32_t background2 = 0xFFFFFF, text2 = 0x800000;
  checkReport(generateAndLook(background2, text2, "light-"), background2, text2);
}
