#include <gtest/gtest.h>

#include "StringList.h"
#include "TestSupport.h"

using kalvora::SplitLines;
using kalvora::StringList;

TEST(StringList, SplitsAtEveryLineEndAndSavesWithCrLf) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), QStringList({"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n"), QStringList({"a"}));
  EXPECT_EQ(SplitLines("a\r\n\r\n"), QStringList({"a", ""}));
  EXPECT_TRUE(SplitLines("").isEmpty());

  testsupport::TempFolder dir;
  StringList list;
  list.add("x.jpg|Caption");
  list.add(QString::fromUtf8("Größe|"));
  ASSERT_TRUE(list.saveToFile(dir.file("Pictures.txt")));
  EXPECT_EQ(testsupport::readBytes(dir.file("Pictures.txt")), QByteArray("x.jpg|Caption\r\nGr\xC3\xB6\xC3\x9F" "e|\r\n"));
  StringList back;
  ASSERT_TRUE(back.loadFromFile(dir.file("Pictures.txt")));
  EXPECT_EQ(back.lines(), list.lines());
  EXPECT_EQ(back.text(), list.text());
  EXPECT_EQ(back.indexOf("X.JPG|caption"), 0);
}

TEST(StringList, LoadsWindows1252AndReportsMissingFiles) {
  testsupport::TempFolder dir;
  testsupport::writeBytes(dir.file("old.txt"), "M\xFC" "nchen\r\n");
  StringList list;
  ASSERT_TRUE(list.loadFromFile(dir.file("old.txt")));
  EXPECT_EQ(list[0], QString::fromUtf8("München"));
  EXPECT_FALSE(list.loadFromFile(dir.file("missing.txt")));
  EXPECT_EQ(list.count(), 0);
}

TEST(StringList, EachLineKeepsItsOwnEncoding) {
  // UTF-8 lines with one Windows-1252 line among them, with every kind of line end.
  testsupport::TempFolder dir;
  testsupport::writeBytes(dir.file("Pictures.ini"),
                          "\xEF\xBB\xBF\xC3\xA4pfel.jpg | Gr\xC3\xBC\xC3\x9F" "e\r\n"
                          "m\xFCnchen.jpg | Stra\xDF" "e \x80\r"
                          "\xC3\xB6l.jpg\n"
                          "\xE2\x82\xAC.jpg | \xE2\x80\x9E" "Zitat\xE2\x80\x9C");
  StringList list;
  ASSERT_TRUE(list.loadFromFile(dir.file("Pictures.ini")));
  ASSERT_EQ(list.count(), 4);
  EXPECT_EQ(list[0], QString::fromUtf8("äpfel.jpg | Grüße"));
  EXPECT_EQ(list[1], QString::fromUtf8("münchen.jpg | Straße €"));
  EXPECT_EQ(list[2], QString::fromUtf8("öl.jpg"));
  EXPECT_EQ(list[3], QString::fromUtf8("€.jpg | „Zitat“"));
}
