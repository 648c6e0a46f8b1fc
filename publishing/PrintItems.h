#pragma once
// The lines of "Print.txt" and of the slideshow list as the print reports read them.
//
// A line is a list item in mark-up (the picture element, the file name, " | ", the caption),
// a plain "name | caption" line, or a bare file name. The name is read as the list reads its
// items (kalvora::ThumbnailItemFileName: behind the picture element, up to the first "|");
// the caption is the text between the first and second "|", its references decoded.
//
// Limit shared with the slideshow list: "|" and ">" in a file name cannot be told from the
// line's own separators.
#include <QString>
#include <QStringList>

struct PrintItem {
  QString fileName;  // the picture's name in the slideshow folder
  QString caption;
  bool valid = false;  // false: an empty name, or one that reaches outside the folder
};

PrintItem ParsePrintLine(const QString& line);

// Writes the lines (CR LF after each) to path in one piece: the old file stays whole when the
// write fails. False on failure.
bool WritePrintList(const QString& path, const QStringList& lines);

// The lines of a print list file; false when it is missing or unreadable.
bool ReadPrintList(const QString& path, QStringList& lines);
