// The picture list line: lines as they have always been written read as before, and every
// name a file can have comes back from the line written for it.
#include <gtest/gtest.h>

#include "StoredCaption.h"

using kalvora::PictureListLine;
using kalvora::ReadPictureListLine;

namespace {
std::string show(const QString& s) { return s.toStdString(); }
}  // namespace

TEST(StoredCaption, LinesReadByTheirFields) {
  struct Case {
    const char *line, *name, *caption;
  } cases[] = {
      {"a.jpg | Eins", "a.jpg", "Eins"},
      {"b.jpg", "b.jpg", ""},
      {"b.jpg | ", "b.jpg", ""},
      {"C.JPG|Gross  ", "C.JPG", "Gross"},
      {"  c d.jpg  |  x ", "c d.jpg", "x"},
      {"\tB.JPG\t|\tgross", "B.JPG", "gross"},
      {"a.jpg | eins | zwei", "a.jpg", "eins"},
      // Empty fields are no fields.
      {"|nur Text", "nur Text", ""},
      {"a.jpg||cap", "a.jpg", "cap"},
      {"", "", ""},
      {" | ", "", ""},
      {"d.jpg | A &amp; B &#124; C&#10;D", "d.jpg", "A & B | C\nD"},
      // One quote mark, or quotes inside, are part of the name.
      {"\"x.jpg", "\"x.jpg", ""},
      {"a \"b\" c.jpg | q", "a \"b\" c.jpg", "q"},
      // A name in quotes reads without them.
      {"\" lead.jpg\" | Vorne", " lead.jpg", "Vorne"},
      {"\"hinten.jpg \"", "hinten.jpg ", ""},
      {"\"\"zitat.jpg\"\" | z", "\"zitat.jpg\"", "z"},
      {"\"\"", "", ""},
  };
  for (const Case& c : cases) {
    const kalvora::PictureListEntry e = ReadPictureListLine(QString::fromUtf8(c.line));
    EXPECT_EQ(show(e.name), c.name) << c.line;
    EXPECT_EQ(show(e.caption), c.caption) << c.line;
  }
}

TEST(StoredCaption, EveryNameComesBackFromItsLine) {
  const QString names[] = {"a.jpg", "Ölbild 1.JPG", " lead.jpg", "  zwei.jpg", "\ttab.jpg",
                           QString(QChar(0x3000)) + "voll.jpg", QString(QChar(0xA0)) + "fest.jpg",
                           "hinten.jpg ", "\"zitat.jpg\"", "\"x.jpg", "x.jpg\"", "\"", "a&amp;b.jpg",
                           "Foto..jpg", "&#32;x.jpg", "a<b>.jpg"};
  for (const QString& name : names) {
    EXPECT_EQ(show(ReadPictureListLine(PictureListLine(name)).name), show(name));
    const kalvora::PictureListEntry e = ReadPictureListLine(PictureListLine(name, " Text | mit\r\nZeile "));
    EXPECT_EQ(show(e.name), show(name));
    EXPECT_EQ(show(e.caption), "Text | mit\nZeile");
  }
  // Names that need no quotes are written as they have always been.
  EXPECT_EQ(show(PictureListLine("a.jpg", "Eins")), "a.jpg | Eins");
  EXPECT_EQ(show(PictureListLine("b.jpg")), "b.jpg");
  EXPECT_EQ(show(PictureListLine(" lead.jpg", "x")), "\" lead.jpg\" | x");
}
