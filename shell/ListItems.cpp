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
  if (!ItemHasCaptionField(item)) return name;
  return name + " | " + EncodeStoredCaption(ItemCaption(item));
}

QString EncodeStoredCaption(const QString& caption) {
  QString out = kalvora::MarkupEscape(caption);
  out.replace("\r\n", "&#10;");
  out.replace('\n', "&#10;");
  out.replace('\r', "&#10;");
  return out;
}

QString DecodeStoredCaption(const QString& stored) {
  // One pass, so "&amp;#10;" stays the text "&#10;".
  if (!stored.contains('&')) return stored;
  QString out;
  out.reserve(stored.size());
  for (qsizetype i = 0; i < stored.size(); ++i) {
    const qsizetype semi = stored[i] == '&' ? stored.indexOf(';', i + 1) : -1;
    char32_t code = 0;
    if (semi > i && semi - i <= 10) {
      const QString ent = stored.mid(i + 1, semi - i - 1);
      if (ent == "amp") code = '&';
      else if (ent == "lt") code = '<';
      else if (ent == "gt") code = '>';
      else if (ent == "quot") code = '"';
      else if (ent.startsWith('#')) {
        bool ok = false;
        const uint v = ent.startsWith("#x", Qt::CaseInsensitive) ? ent.mid(2).toUInt(&ok, 16) : ent.mid(1).toUInt(&ok, 10);
        if (ok && v > 0 && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) code = v;
      }
    }
    if (code == 0) {
      out += stored[i];
      continue;
    }
    out += QString::fromUcs4(&code, 1);
    i = semi;
  }
  return out;
}

bool IsPlainFileName(const QString& name) {
  return !name.isEmpty() && !name.contains('/') && !name.contains('\\') && !name.contains("..") &&
         !name.contains(QChar(0));
}
