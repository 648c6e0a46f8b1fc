#include <gtest/gtest.h>

#include <QLocale>

#include "StringHelpers.h"

TEST(StringHelpers, ExtractWordNAndCountWords) {
  struct Case { const char* s; const char* delims; unsigned n; const char* word; };
  const Case cases[] = {
      {"a.jpg|", "|", 2, ""},               // empty caption: no word 2
      {"a.jpg | Caption", "|", 2, " Caption"},
      {"|Caption", "|", 1, "Caption"},      // empty fields are no words
      {"|||", "|", 1, ""},
      {"Archive_0001 Title", " ", 1, "Archive_0001"},
      {"1;2;3;4;5", ";", 5, "5"},
      {"1;2;3;4;5", ";", 6, ""},
      {"1;2;3", ";", 0, ""},
      {"a>b", ">", 2, "b"},
      {"abc", "", 1, "abc"},                // no delimiters: the whole text is one word
      {"", "|", 1, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ExtractWordN(c.n, c.s, c.delims), QString(c.word)) << c.s << " #" << c.n;

  EXPECT_EQ(CountWords("||a||b|", "|"), 2);
  EXPECT_EQ(CountWords("", "|"), 0);
  EXPECT_EQ(CountWords("|||", "|"), 0);
  EXPECT_EQ(CountWords("a b;c", " ;"), 3);

  int p = 77;
  EXPECT_FALSE(WordStartPosition(3, "a|b", "|", p));
  EXPECT_EQ(p, 77);  // only written on success
  EXPECT_TRUE(WordStartPosition(2, "|a||b", "|", p));
  EXPECT_EQ(p, 5);
}

TEST(StringHelpers, TrimAndPad) {
  EXPECT_EQ(TrimBlanks("  a b  "), "a b");
  EXPECT_EQ(TrimBlanks("\t a "), "\t a");         // tabs stay
  EXPECT_EQ(TrimTrailingBlanks("a \t\r\n"), "a");
  EXPECT_EQ(TrimTrailingBlanks(" a"), " a");
  EXPECT_EQ(PadLeftWithChar("7", '0', 3), "007");
  EXPECT_EQ(PadLeftWithChar("1234", '0', 3), "1234");
  EXPECT_EQ(PadRightWithChar("ab", '.', 4), "ab..");
  EXPECT_EQ(PadRightWithChar("abcde", '.', 4), "abcde");
  EXPECT_TRUE(CharInString("a|b", '|'));
  EXPECT_FALSE(CharInString("", '|'));
  int p = -1;
  EXPECT_TRUE(FirstCharPosition("ab|c|", '|', p));
  EXPECT_EQ(p, 3);
  EXPECT_FALSE(FirstCharPosition("", '|', p));
  EXPECT_EQ(p, 0);
}

TEST(StringHelpers, TextToFloat) {
  QLocale::setDefault(QLocale::German);
  double r = -1;
  EXPECT_FALSE(TextToFloat("   ", r));
  EXPECT_EQ(r, -1);                        // unchanged
  EXPECT_FALSE(TextToFloat("", r));
  EXPECT_EQ(r, -1);
  EXPECT_TRUE(TextToFloat("3,", r));       // trailing separator dropped
  EXPECT_EQ(r, 3);
  EXPECT_TRUE(TextToFloat(" 2,5 ", r));
  EXPECT_EQ(r, 2.5);
  EXPECT_FALSE(TextToFloat("12x5", r));
  EXPECT_EQ(r, 3);
  EXPECT_TRUE(TextToFloat("-1,5E2", r));
  EXPECT_EQ(r, -150);
  EXPECT_FALSE(TextToFloat("1e", r));
  EXPECT_EQ(r, 3);
  EXPECT_FALSE(TextToFloat("\t1", r));
  EXPECT_EQ(r, 1);
  QLocale::setDefault(QLocale::English);
  EXPECT_TRUE(TextToFloat("2.5", r));
  EXPECT_EQ(r, 2.5);
  EXPECT_FALSE(TextToFloat("2,5", r));
  EXPECT_EQ(r, 2);
  QLocale::setDefault(QLocale::system());
}

TEST(StringHelpers, FloatToTextFixed) {
  EXPECT_EQ(FloatToTextFixed(3.14159, 8, 2), "    3.14");
  EXPECT_EQ(FloatToTextFixed(-12345.5, 2, 1), "-12345.5");  // widened
  EXPECT_EQ(FloatToTextFixed(1.5, 10, -1), " 1.5E+0000");
  EXPECT_EQ(FloatToTextFixed(-0.025, 12, -1), "-2.500E-0002");
}

TEST(StringHelpers, Paths) {
  struct Case { const char* path; const char* dir; const char* name; const char* base; };
  const Case cases[] = {
      {"C:\\Bilder\\a.jpg", "C:\\Bilder", "a.jpg", "a"},
      {"C:\\a.jpg", "C:\\", "a.jpg", "a"},
      {"C:a.jpg", "C:", "a.jpg", "a"},
      {"a.jpg", "", "a.jpg", "a"},
      {"\\a.jpg", "\\", "a.jpg", "a"},
      {"C:\\x.y\\name", "C:\\x.y", "name", "name"},
      {"archive.tar.gz", "", "archive.tar.gz", "archive.tar"},
      {"C:\\Bilder\\", "C:\\Bilder", "", ""},
      {"", "", "", ""},
      {"/home/u/Bilder/a.jpg", "/home/u/Bilder", "a.jpg", "a"},
      {"/a.jpg", "/", "a.jpg", "a"},
      {"/home/u/10:30 Party.jpg", "/home/u", "10:30 Party.jpg", "10:30 Party"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DirectoryPart(c.path), QString(c.dir)) << c.path;
    EXPECT_EQ(FileNamePart(c.path), QString(c.name)) << c.path;
    EXPECT_EQ(FileBaseName(c.path), QString(c.base)) << c.path;
  }
  int p = 0;
  EXPECT_FALSE(HasFileExtension("x.y\\name", p));
  EXPECT_EQ(p, 2);  // keeps the point's position
  EXPECT_TRUE(HasFileExtension("name.jpg", p));
  EXPECT_EQ(p, 5);
  EXPECT_FALSE(HasFileExtension("name", p));
  EXPECT_EQ(p, 0);
  EXPECT_EQ(FileNamePart(QString(300, 'n')).size(), 260);
}

TEST(StringHelpers, AddTrailingBackslash) {
  struct Case { const char* in; const char* out; };
  const Case cases[] = {
      {"C:", "C:\\"}, {"C:\\", "C:\\"}, {"C:\\Bilder", "C:\\Bilder\\"}, {"ab", "ab"},
      {"", ""},       {"a", "a"},       {"/home/u", "/home/u/"},        {"/home/u/", "/home/u/"},
      {"/", "/"},     {"/a", "/a/"},
  };
  for (const Case& c : cases) EXPECT_EQ(AddTrailingBackslash(c.in), QString(c.out)) << c.in;
}
