#include "StoredCaption.h"

namespace kalvora {

namespace {
// Field n (from 1) of a list line: the n-th run of characters between "|", empty runs not
// counted, trimmed.
QString field(const QString& line, int n) {
  qsizetype pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && line[pos] == QLatin1Char('|')) ++pos;
    if (pos >= line.size()) break;
    qsizetype end = line.indexOf(QLatin1Char('|'), pos);
    if (end < 0) end = line.size();
    if (--n == 0) return line.mid(pos, end - pos).trimmed();
    pos = end;
  }
  return QString();
}

bool quoted(const QString& text) {
  return text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'));
}

// The references of both forms; line breaks only where asked for.
QString escaped(const QString& text, bool lineBreaks) {
  QString out;
  out.reserve(text.size() + 8);
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    switch (c.unicode()) {
      case '&': out += QLatin1String("&amp;"); break;
      case '<': out += QLatin1String("&lt;"); break;
      case '>': out += QLatin1String("&gt;"); break;
      case '"': out += QLatin1String("&quot;"); break;
      case '|': out += QLatin1String("&#124;"); break;
      case '\r':
        if (!lineBreaks) {
          out += c;
          break;
        }
        if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
        out += QLatin1String("&#10;");
        break;
      case '\n':
        if (lineBreaks) out += QLatin1String("&#10;");
        else out += c;
        break;
      default: out += c;
    }
  }
  return out;
}
}  // namespace

QString MarkupEscape(const QString& text) { return escaped(text, false); }

QString EncodeStoredCaption(const QString& caption) { return escaped(caption, true); }

QString DecodeStoredCaption(const QString& stored) {
  if (!stored.contains(QLatin1Char('&'))) return stored;
  QString out;
  out.reserve(stored.size());
  for (qsizetype i = 0; i < stored.size(); ++i) {
    const qsizetype semi = stored[i] == QLatin1Char('&') ? stored.indexOf(QLatin1Char(';'), i + 1) : -1;
    char32_t code = 0;
    if (semi > i && semi - i <= 10) {
      const QString ent = stored.mid(i + 1, semi - i - 1);
      if (ent == QLatin1String("amp")) code = '&';
      else if (ent == QLatin1String("lt")) code = '<';
      else if (ent == QLatin1String("gt")) code = '>';
      else if (ent == QLatin1String("quot")) code = '"';
      else if (ent == QLatin1String("apos")) code = '\'';
      else if (ent.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const uint v = ent.startsWith(QLatin1String("#x"), Qt::CaseInsensitive) ? ent.mid(2).toUInt(&ok, 16)
                                                                               : ent.mid(1).toUInt(&ok, 10);
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
  return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
         !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

PictureListEntry ReadPictureListLine(const QString& line) {
  PictureListEntry entry;
  entry.name = field(line, 1);
  if (quoted(entry.name)) entry.name = entry.name.mid(1, entry.name.size() - 2);
  entry.caption = DecodeStoredCaption(field(line, 2));
  return entry;
}

QString PictureListLine(const QString& name) {
  return name.trimmed() != name || quoted(name) ? QLatin1Char('"') + name + QLatin1Char('"') : name;
}

QString PictureListLine(const QString& name, const QString& caption) {
  return PictureListLine(name) + QLatin1String(" | ") + EncodeStoredCaption(caption);
}

}  // namespace kalvora
