#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "IniFile.h"
#include "TestSupport.h"

using kalvora::IniFile;
using testsupport::readBytes;
using testsupport::TempFolder;
using testsupport::writeBytes;

TEST(IniFile, NamesMatchWithoutCaseAndValuesAreTrimmedAndUnquoted) {
  IniFile ini = IniFile::fromBytes(
      "[Settings]\r\n Language = GERMAN \r\nTitle=\"  quoted  \"\r\nOne='x'\r\nHalf=\"open\r\n");
  EXPECT_EQ(ini.readString("SETTINGS", "language"), "GERMAN");
  EXPECT_EQ(ini.readString("settings", "TITLE"), "  quoted  ");
  EXPECT_EQ(ini.readString("Settings", "One"), "x");
  EXPECT_EQ(ini.readString("Settings", "Half"), "\"open");
  EXPECT_EQ(ini.readString("Settings", "Missing", "dflt"), "dflt");
  EXPECT_EQ(ini.readString("Nowhere", "Language", "d"), "d");
}

TEST(IniFile, WriteChangesInPlaceAppendsNewKeysToTheirSectionAndNewSectionsAtTheEnd) {
  TempFolder dir;
  const QString path = dir.file("Generator.ini");
  writeBytes(path, "; comment\r\n[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
  {
    IniFile ini(path);
    ini.writeString("a", "X", "10");
    ini.writeString("A", "new", "n");
    ini.writeString("C", "k", "v");
  }
  EXPECT_EQ(readBytes(path),
            "; comment\r\n[A]\r\nX=10\r\ny=2\r\nnew=n\r\n\r\n[B]\r\nz=3\r\n[C]\r\nk=v\r\n");
}

TEST(IniFile, MissingFileReadsEmptyAndIsCreatedOnWrite) {
  TempFolder dir;
  const QString path = dir.file("none.ini");
  IniFile ini(path);
  EXPECT_TRUE(ini.readSections().isEmpty());
  EXPECT_FALSE(QFileInfo::exists(path));
  EXPECT_TRUE(ini.writeInteger("S", "n", 42));
  EXPECT_EQ(readBytes(path), "[S]\r\nn=42\r\n");
  EXPECT_EQ(IniFile(path).readInteger("s", "N", 0), 42);
}

TEST(IniFile, Windows1252FileReadsCorrectly) {
  // "Größe" and the euro sign in Windows-1252.
  IniFile ini = IniFile::fromBytes("[DIASHOW]\r\nTitel=Gr\xF6\xDF" "e \x80\r\n");
  EXPECT_EQ(ini.readString("DIASHOW", "Titel"), QString::fromUtf8("Größe €"));
  IniFile utf8 = IniFile::fromBytes("\xEF\xBB\xBF[D]\nT=Gr\xC3\xB6\xC3\x9F" "e\n");
  EXPECT_EQ(utf8.readString("D", "T"), QString::fromUtf8("Größe"));
}

TEST(IniFile, TypedValues) {
  IniFile ini = IniFile::fromBytes("[S]\na=TRUE\nb=false\nc=1\nd=yes\nh=$1F\nx=0x10\nbad=12a\n");
  EXPECT_TRUE(ini.readBool("S", "a", false));
  EXPECT_FALSE(ini.readBool("S", "b", true));
  EXPECT_TRUE(ini.readBool("S", "c", false));
  EXPECT_TRUE(ini.readBool("S", "d", true));
  EXPECT_FALSE(ini.readBool("S", "d", false));
  EXPECT_EQ(ini.readInteger("S", "h", 0), 31);
  EXPECT_EQ(ini.readInteger("S", "x", 0), 16);
  EXPECT_EQ(ini.readInteger("S", "bad", -5), -5);
  ini.writeBool("S", "w", true);
  EXPECT_EQ(ini.readString("S", "w"), "TRUE");
}

TEST(IniFile, SectionsKeysEraseAndDelete) {
  TempFolder dir;
  const QString path = dir.file("x.ini");
  writeBytes(path, "[One]\na=1\nb=2\nA=dup\n[Two]\nc=3\n[one]\nd=4\n");
  IniFile ini(path);
  EXPECT_EQ(ini.readSections(), QStringList({"One", "Two"}));
  EXPECT_EQ(ini.readSection("ONE"), QStringList({"a", "b"}));
  EXPECT_EQ(ini.readString("One", "a"), "1");  // the first of duplicates counts
  EXPECT_EQ(ini.readSectionValues("Two"), QStringList({"c=3"}));
  EXPECT_TRUE(ini.valueExists("one", "B"));
  ini.deleteKey("One", "b");
  EXPECT_FALSE(ini.valueExists("One", "b"));
  ini.eraseSection("Two");
  EXPECT_FALSE(ini.sectionExists("Two"));
  EXPECT_EQ(readBytes(path), "[One]\r\na=1\r\nA=dup\r\n[one]\r\nd=4\r\n");
}

TEST(IniFile, EveryValueReadsBackByteForByte) {
  const QString values[] = {
      " lead", "trail ", "\"quoted\"", "'single'", "a\r\nb", "line\nbreak", "cr\r", "\r\n", "\tTab\t",
      "\\\"a\\nb\"", "\\\"x\\ny\\\"", "C:\\neu\\raum", "\\", "\"", "\"\"", "=", " = ", "a=b", ";nicht",
      QString::fromUtf8("\u00A0nbsp\u00A0"), QString::fromUtf8("Grüße € \r\n ß"), "", " ", "plain"};
  TempFolder dir;
  const QString path = dir.file("Gallery.ini");
  {
    IniFile ini(path);
    IniFile::Batch batch(ini);
    int i = 0;
    for (const QString& v : values) ini.writeString("FTP", QString("k%1").arg(i++), v);
    ini.writeString("FTP", "after", "still here");
  }
  const IniFile back(path);
  int i = 0;
  for (const QString& v : values) {
    EXPECT_EQ(back.readString("FTP", QString("k%1").arg(i++)), v) << v.toStdString();
  }
  EXPECT_EQ(back.readString("FTP", "after"), "still here");
  EXPECT_EQ(back.readSection("FTP").size(), qsizetype(std::size(values)) + 1);
  // Values the plain form keeps are written as before, so existing files do not change.
  const QByteArray bytes = readBytes(path);
  EXPECT_TRUE(bytes.contains("\r\nk23=plain\r\n")) << bytes.toStdString();
  EXPECT_TRUE(bytes.contains("\r\nk11=C:\\neu\\raum\r\n")) << bytes.toStdString();
  EXPECT_TRUE(bytes.contains("\r\nk0=\" lead\"\r\n")) << bytes.toStdString();
}

TEST(IniFile, FilesOfThePlainFormatReadAsBefore) {
  // What the earlier program wrote and how it read it: blanks dropped, one pair of quotes off,
  // backslashes as they stand.
  struct Case { QByteArray line; QString value; };
  const Case cases[] = {
      {"v=\"  quoted  \"", "  quoted  "},
      {"v= spaced ", "spaced"},
      {"v=C:\\neu\\raum", "C:\\neu\\raum"},
      {"v=\"C:\\neu\\\"", "C:\\neu\\"},
      {"v=\\\"abc\"", "\\\"abc\""},
      {"v=\\\"C:\\temp\"", "\\\"C:\\temp\""},
      {"v=\\\"a\\tb\"", "\\\"a\\tb\""},
      {"v=\\\"", "\\\""},
      {"v=\\r\\n", "\\r\\n"},
      {"v='x'", "x"},
      {"v=\"open", "\"open"},
  };
  for (const Case& c : cases) {
    const IniFile ini = IniFile::fromBytes("[S]\r\n" + c.line + "\r\n");
    EXPECT_EQ(ini.readString("S", "v"), c.value) << c.line.toStdString();
  }
}

TEST(IniFile, OneLineInWindows1252KeepsTheUtf8OfTheOthers) {
  const QByteArray bytes = "[S]\r\na=Gr\xC3\xBC\xC3\x9F" "e\r\nb=M\xFC" "nchen\r\nc=\xC3\x84rger\nd=\x80\n";
  const IniFile ini = IniFile::fromBytes(bytes);
  EXPECT_EQ(ini.readString("S", "a"), QString::fromUtf8("Grüße"));
  EXPECT_EQ(ini.readString("S", "b"), QString::fromUtf8("München"));
  EXPECT_EQ(ini.readString("S", "c"), QString::fromUtf8("Ärger"));
  EXPECT_EQ(ini.readString("S", "d"), QString::fromUtf8("€"));
}

TEST(IniFile, BatchWritesOnce) {
  TempFolder dir;
  const QString path = dir.file("b.ini");
  IniFile ini(path);
  {
    IniFile::Batch batch(ini);
    for (int i = 0; i < 100; ++i) ini.writeInteger("S", QString("k%1").arg(i), i);
    EXPECT_FALSE(QFileInfo::exists(path));
  }
  EXPECT_EQ(IniFile(path).readInteger("S", "k99", 0), 99);
}

TEST(IniFile, BadInputReadsWithoutCrashingAndKeepsWellFormedKeys) {
  QByteArray garbage;
  for (int i = 0; i < 4096; ++i) garbage.append(char((i * 7919 + 13) & 0xFF));
  const QByteArray longLine(10 * 1024 * 1024, 'x');
  struct Case { const char* name; QByteArray bytes; const char* section; const char* key; const char* value; };
  const Case cases[] = {
      {"binary garbage around keys", "[S]\r\n" + garbage + "\r\nkey=value\r\n" + garbage, "S", "key", "value"},
      {"10 MB line", "[S]\r\n" + longLine + "\r\nkey=value\r\nlong=" + longLine.left(100) + "\r\n", "S", "key", "value"},
      {"no section header", "key=value\r\n[S]\r\nkey=inside\r\n", "S", "key", "inside"},
      {"missing closing bracket", "[S]\r\nkey=value\r\n[Broken\r\nother=1\r\n", "S", "key", "value"},
      {"NUL bytes", QByteArray("[S]\r\nk\0ey=1\r\nkey=value\r\n", 24), "S", "key", "value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IniFile ini = IniFile::fromBytes(c.bytes);
    EXPECT_EQ(ini.readString(c.section, c.key), c.value);
  }
  IniFile broken = IniFile::fromBytes("[S]\nkey=value\n[Broken\nother=1\n");
  EXPECT_EQ(broken.readString("Broken", "other"), "1");
  IniFile noHeader = IniFile::fromBytes("key=value\n");
  EXPECT_TRUE(noHeader.readSections().isEmpty());
}

