#include "ListItems.h"

#include "StringHelpers.h"

QString MakeListItem(const QString& thumbnail, const QString& name) {
  return "<IMG src=\"file://" + thumbnail + "\" align=\"top\">" + name;
}

QString MakeListItem(const QString& thumbnail, const QString& name, const QString& caption) {
  return MakeListItem(thumbnail, name) + " | " + caption;
}

QString ItemTextBehindPicture(const QString& item) {
  return item.contains('>') ? ExtractWordN(2, item, ">") : item;
}

QString ItemFileName(const QString& item) {
  return TrimBlanks(ExtractWordN(1, ItemTextBehindPicture(item), "|"));
}

QString ItemCaption(const QString& item) {
  return TrimBlanks(ExtractWordN(2, ItemTextBehindPicture(item), "|"));
}

QString ItemPictureListLine(const QString& item) {
  const qsizetype start = item.indexOf('>');
  const qsizetype from = start < 0 ? 0 : start + 1;
  const qsizetype end = item.indexOf('>', from);
  return end < 0 ? item.mid(from) : item.mid(from, end - from);
}

bool IsPlainFileName(const QString& name) {
  return !name.isEmpty() && !name.contains('/') && !name.contains('\\') && !name.contains("..") &&
         !name.contains(QChar(0));
}
