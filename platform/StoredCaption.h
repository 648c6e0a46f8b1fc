#pragma once
// The caption and name rules of a slideshow's picture list, in one place for every reader and
// writer (main window, player, viewer, print reports, gallery, video production, samples).
//
// A line of Pictures.ini is "NAME | CAPTION" (or the bare name). It is read in "|" fields:
// the first field is the name, the second the caption, each trimmed of white space; empty
// fields do not count ("|" at the start, "||"), and fields after the second are ignored.
// - The caption is stored escaped ("&", "<", ">", '"', "|" and line breaks as character
//   references), so it stays on its line and never splits at a "|".
// - The name is stored as the file is named. A name that trimming would change (white space
//   at its ends) or that is itself enclosed in double quotes is written in double quotes,
//   which reading removes. Older lists hold neither (their names were stored trimmed, and
//   names written on Windows cannot hold a quote), so they read as ever.
// - Only names that IsPlainFileName accepts are opened.
#include <QString>

namespace kalvora {

// Plain text made safe inside the list's mark-up and inside a quoted attribute value: "&",
// "<", ">", '"' and "|" become character references (the "|" so that an item's
// "name | caption" split still works).
QString MarkupEscape(const QString& text);
// MarkupEscape, and each line break ("\r\n", "\r" or "\n") as "&#10;".
QString EncodeStoredCaption(const QString& caption);
// References decoded in one pass ("&amp;#10;" stays the text "&#10;"); other text as it is.
QString DecodeStoredCaption(const QString& stored);
// True when a file name read from a stored list names an entry inside its folder: not empty,
// not "." or "..", no "/" or "\" (the separator of lists written on Windows), no NUL.
// Dots elsewhere are ordinary characters ("Foto..jpg", "Ende...jpg").
bool IsPlainFileName(const QString& name);

// A line of a picture list taken apart: the name as the file is named, the caption decoded.
struct PictureListEntry {
  QString name;
  QString caption;
};
PictureListEntry ReadPictureListLine(const QString& line);
// The line for a picture without a caption field, and the one with " | " and the caption.
QString PictureListLine(const QString& name);
QString PictureListLine(const QString& name, const QString& caption);

}  // namespace kalvora
