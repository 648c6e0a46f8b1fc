#include "PrintItems.h"

#include <QFileInfo>

#include "FileOps.h"
#include "ListItems.h"
#include "Markup.h"
#include "StringHelpers.h"
#include "StringList.h"

PrintItem ParsePrintLine(const QString& line) {
  PrintItem item;
  QString name = line.section(QLatin1Char('|'), 0, 0).trimmed();
  if (name.contains(QLatin1Char('>'))) {
    name = ExtractWordN(2, name, QStringLiteral(">"));
    const qsizetype bar = name.indexOf(QLatin1Char('|'));
    if (bar >= 0) name.truncate(bar);
    name = name.trimmed();
  }
  item.fileName = kalvora::MarkupUnescape(name);
  if (line.contains(QLatin1Char('|')))
    item.caption = kalvora::DecodeStoredCaption(line.section(QLatin1Char('|'), 1, 1).trimmed());
  // Only a plain name of the open slideshow's folder is printed: never a path of its own.
  item.valid = IsPlainFileName(item.fileName) && item.fileName != QLatin1String(".");
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
