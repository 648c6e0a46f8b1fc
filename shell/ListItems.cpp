#include "ListItems.h"

#include "Markup.h"
#include "StringHelpers.h"

QString MakeListItem(const QString& thumbnail, const QString& name) {
  return kalvora::ThumbnailItem(thumbnail, name);
}

QString MakeListItem(const QString& thumbnail, const QString& name, const QString& caption) {
  return kalvora::ThumbnailItem(thumbnail, name, caption);
}

QString ItemTextBehindPicture(const QString& item) {
  return item.contains('>') ? ExtractWordN(2, item, ">") : item;
}

QString ItemFileName(const QString& item) { return kalvora::ThumbnailItemFileName(item); }

QString ItemCaption(const QString& item) { return kalvora::ThumbnailItemCaption(item); }

QString ItemThumbnailPath(const QString& item) {
  static const QString start = QStringLiteral("src=\"file://");
  const qsizetype from = item.indexOf(start, 0, Qt::CaseInsensitive);
  const qsizetype gt = item.indexOf('>');
  if (from < 0 || (gt >= 0 && from > gt)) return QString();
  const qsizetype begin = from + start.size();
  const qsizetype end = item.indexOf('"', begin);
  if (end < 0) return QString();
  return kalvora::MarkupUnescape(item.mid(begin, end - begin));
}

bool ItemHasCaptionField(const QString& item) {
  const qsizetype gt = item.indexOf('>');
  return item.indexOf('|', gt < 0 ? 0 : gt) >= 0;
}

QString ItemPictureListLine(const QString& item) {
  const QString name = ItemFileName(item);
  if (!ItemHasCaptionField(item)) return kalvora::PictureListLine(name);
  return kalvora::PictureListLine(name, ItemCaption(item));
}
