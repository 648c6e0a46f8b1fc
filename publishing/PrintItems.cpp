#include "PrintItems.h"

#include <QFileInfo>

#include "ListItems.h"
#include "Markup.h"
#include "StringList.h"

PrintItem ParsePrintLine(const QString& line) {
  PrintItem item;
  item.fileName = kalvora::ThumbnailItemFileName(line);
  if (line.contains(QLatin1Char('|')))
    item.caption = kalvora::DecodeStoredCaption(line.section(QLatin1Char('|'), 1, 1).trimmed());
  // Only a plain name of the open slideshow's folder is printed: never a path of its own.
  item.valid = IsPlainFileName(item.fileName);
  return item;
}

bool WritePrintList(const QString& path, const QStringList& lines) {
  return kalvora::StringList(lines).saveToFile(path);
}

bool ReadPrintList(const QString& path, QStringList& lines) {
  lines.clear();
  if (!QFileInfo(path).isFile()) return false;
  kalvora::StringList list;
  if (!list.loadFromFile(path)) return false;
  lines = list.lines();
  return true;
}
