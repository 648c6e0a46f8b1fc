// List item mark-up and the thumbnail cache names.
#include <gtest/gtest.h>

#include "ListItems.h"
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
