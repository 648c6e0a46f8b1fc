// The recom/ pictures the windows show are drawn by the build; each one a window names must be
// there and load, or the window shows an empty space where its banner belongs.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSet>

#include "RecomPictures.h"

namespace {

QSet<QString> drawnNames() {
  QSet<QString> names;
  for (const recom::PictureFile& f : recom::kPictures) names.insert(QString::fromLatin1(f.name));
  return names;
}

}  // namespace

TEST(RecomPictures, EveryPictureIsDrawnAndLoads) {
  const QString folder = QString(KALVORA_TEST_BIN_DIR) + "/recom/";
  for (const recom::PictureFile& f : recom::kPictures) {
    QImage img(folder + f.name);
    ASSERT_FALSE(img.isNull()) << f.name;
    EXPECT_EQ(img.size(), f.size) << f.name;
    // Drawn, not left blank: a picture has more than one colour.
    const QImage small = img.scaled(16, 16);
    QSet<QRgb> colours;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) colours.insert(small.pixel(x, y));
    EXPECT_GT(colours.size(), 4) << f.name;
  }
}

// The sources name the pictures as "recom/<name>" or next to a mention of the folder (a
// constant with a comment, a loop over names); every such name must be one the build draws.
TEST(RecomPictures, EveryPictureTheSourcesNameIsDrawn) {
  const QSet<QString> drawn = drawnNames();
  static const QRegularExpression direct(R"re("recom/(\w+\.(?:jpg|png))")re");
  static const QRegularExpression named(R"re("(\w+\.(?:jpg|png))"[^\n]*\n?[^\n]*recom)re");
  QSet<QString> named_in_sources;
  for (const char* folder : {"app", "shell", "production", "publishing", "editor", "menus", "raster", "player"}) {
    QDirIterator it(QString(KALVORA_SOURCE_DIR) + "/" + folder, {"*.cpp", "*.h"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
      QFile f(it.next());
      if (!f.open(QIODevice::ReadOnly) || f.fileName().endsWith("RecomPictures.h")) continue;
      const QString text = QString::fromUtf8(f.readAll());
      for (const auto* re : {&direct, &named})
        for (auto m = re->globalMatch(text); m.hasNext();) {
          const QString name = m.next().captured(1);
          named_in_sources.insert(name);
          EXPECT_TRUE(drawn.contains(name)) << name.toStdString() << " named in " << f.fileName().toStdString();
        }
    }
  }
  for (const char* name : {"m_program.jpg", "about.jpg", "TessaroImage_VCD.jpg", "ENImage_PLAYER.jpg", "tip.png"})
    EXPECT_TRUE(named_in_sources.contains(name)) << name;
}
