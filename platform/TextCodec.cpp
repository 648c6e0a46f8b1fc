#include "TextCodec.h"

#include <algorithm>

namespace kalvora {

bool IsValidUtf8(const QByteArray& bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
  const qsizetype n = bytes.size();
  qsizetype i = 0;
  while (i < n) {
    const unsigned char c = p[i];
    if (c < 0x80) { ++i; continue; }
    int len;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0F; }
    else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07; }
    else return false;
    if (i + len > n) return false;
    for (int k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += len;
  }
  return true;
}

QString DecodeWindows1252(const QByteArray& bytes) {
  // 0x80..0x9F; the five unassigned bytes map to the C1 control of the same value, as Windows does.
  static const char16_t high[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  QString out;
  out.resize(bytes.size());
  QChar* d = out.data();
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    d[i] = (c >= 0x80 && c <= 0x9F) ? QChar(high[c - 0x80]) : QChar(c);
  }
  return out;
}

QString DecodeText(const QByteArray& bytes) {
  const bool bom = bytes.startsWith("\xEF\xBB\xBF");
  const qsizetype begin = bom ? 3 : 0;
  // Line by line: a file edited on several systems mixes the two, and one stray Windows byte
  // must not turn the umlauts of every other line into garbage.
  QString out;
  out.reserve(bytes.size() - begin);
  qsizetype start = begin;
  while (start < bytes.size()) {
    qsizetype end = start;
    while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') ++end;
    end = std::min(end + 1, bytes.size());
    const QByteArray line = QByteArray::fromRawData(bytes.constData() + start, end - start);
    out += IsValidUtf8(line) ? QString::fromUtf8(line) : DecodeWindows1252(line);
    start = end;
  }
  return out;
}

}  // namespace kalvora
