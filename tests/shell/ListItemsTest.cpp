// List item mark-up and the thumbnail cache names.
#include <gtest/gtest.h>

#include <QCryptographicHash>

#include "ListItems.h"
#include "Thumbnails.h"
#include "ShellFixture.h"
#include "fMain.h"

TEST(ListItems, MarkupHoldsThumbnailNameAndCaption) {
  const QString item = MakeListItem("/a/_THUMB_x.jpg", "x.jpg", "Am Strand");
  EXPECT_EQ(item, "<IMG src=\"file:///a/_THUMB_x.jpg\" align=\"top\">x.jpg | Am Strand");
  EXPECT_EQ(ItemFileName(item), "x.jpg");
  EXPECT_EQ(ItemCaption(item), "Am Strand");
  EXPECT_EQ(ItemPictureListLine(item), "x.jpg | Am Strand");
  const QString bare = MakeListItem("/a/_THUMB_y.jpg", "y.jpg");
  EXPECT_EQ(ItemFileName(bare), "y.jpg");
  EXPECT_EQ(ItemCaption(bare), "");
  EXPECT_EQ(ItemPictureListLine(bare), "y.jpg");
  EXPECT_EQ(ItemFileName("plain.jpg | c"), "plain.jpg");
}

TEST(ListItems, PlainFileNamesStayInTheirFolder) {
  for (const char* ok : {"a.jpg", "Ölbild 1.jpg", "a.b.jpg", ".hidden", "x..y", "Foto..jpg", "Ende...jpg", "...", "..a"})
    EXPECT_TRUE(IsPlainFileName(ok)) << ok;
  for (const char* bad : {"", ".", "../a.jpg", "..", "a/b.jpg", "a\\b.jpg", "/etc/passwd", "a/..", "..\\a"})
    EXPECT_FALSE(IsPlainFileName(bad)) << bad;
}

TEST(ListItems, CacheNamesAreMadeFromThePath) {
  EXPECT_EQ(TMainForm::MakeDosName(QString::fromUtf8("C:\\Bilder\\Ölbild 1.jpg")), "cxxbilderxoelbild_1_jpg");
  EXPECT_EQ(TMainForm::MakeDosName(QString::fromUtf8("/home/Anna/Fotos & Co (2)/Straße-€.JPG")),
            "xhomexannaxfotos_a_co_x2xxstrasse___jpg");
}

TEST(ListItems, SlideshowThumbnailNamesFitAFileName) {
  const auto named = [](int bytes) { return QString(bytes - 4, 'x') + ".jpg"; };
  // Up to 255 bytes the name is "_THUMB_" + the picture's name.
  EXPECT_EQ(SlideshowThumbnailName(named(248)), "_THUMB_" + named(248));
  EXPECT_EQ(NumberedThumbnailName(3, named(247)), "_THUMB_3" + named(247));
  // Beyond, the start of the name and its SHA-256, with room beside it for a temporary name.
  for (const QString& name : {named(249), named(254), QString(200, QChar(0x00E4)) + ".jpg"}) {
    const QString hash =
        QString::fromLatin1(QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256).toHex());
    const QString plain = SlideshowThumbnailName(name), numbered = NumberedThumbnailName(3, name);
    EXPECT_LE(plain.toUtf8().size(), 247);
    EXPECT_LE(numbered.toUtf8().size(), 247);
    EXPECT_TRUE(plain.startsWith("_THUMB_" + name.left(80))) << plain.toStdString();
    EXPECT_TRUE(numbered.startsWith("_THUMB_3" + name.left(80))) << numbered.toStdString();
    EXPECT_TRUE(plain.endsWith("_" + hash + ".jpg")) << plain.toStdString();
    EXPECT_TRUE(numbered.endsWith("_" + hash + ".jpg")) << numbered.toStdString();
  }
}
