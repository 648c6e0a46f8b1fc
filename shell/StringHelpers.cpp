#include "StringHelpers.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {
constexpr int kMaxFileName = 260;

// 0-based index of the last path delimiter, -1 when none.
qsizetype lastPathDelimiter(const QString& path) {
  for (qsizetype i = path.size() - 1; i >= 0; --i) {
    const QChar c = path[i];
    if (c == QChar(0) || c == '\\' || c == '/') return i;
    if (c == ':' && i == 1 && path[0].isLetter()) return i;
  }
  return -1;
}
}  // namespace

QString TrimTrailingBlanks(const QString& s) {
  qsizetype n = s.size();
  while (n > 0 && s[n - 1].unicode() <= 32) --n;
  return s.left(n);
}

QString TrimBlanks(const QString& s) {
  qsizetype end = s.size();
  while (end > 0 && s[end - 1] == ' ') --end;
  qsizetype start = 0;
  while (start < end && s[start] == ' ') ++start;
  return s.mid(start, end - start);
}

bool CharInString(const QString& s, QChar c) { return s.contains(c); }

bool FirstCharPosition(const QString& s, QChar c, int& p) {
  const qsizetype i = s.indexOf(c);
  p = i < 0 ? 0 : int(i + 1);
  return i >= 0;
}

QString PrepareNumberText(const QString& s) {
  QString t = TrimBlanks(s);
  if (t.isEmpty()) return "0";
  const QString sep = QLocale().decimalPoint();
  const qsizetype i = sep.isEmpty() ? -1 : t.indexOf(sep[0]);
  if (i >= 0) {
    if (i == t.size() - 1) t.chop(1);
    else t[i] = '.';
  }
  return t;
}

bool TextToFloat(const QString& s, double& r) {
  if (s.isEmpty()) return false;
  QString t = TrimTrailingBlanks(s);
  if (t.isEmpty()) return false;
  t = PrepareNumberText(t);
  // Accept: optional sign, digits, one point, digits, optional exponent; find the first
  // character outside that form.
  qsizetype i = 0;
  const qsizetype n = t.size();
  auto digit = [&](qsizetype k) { return k < n && t[k] >= '0' && t[k] <= '9'; };
  if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
  int digits = 0;
  while (digit(i)) { ++i; ++digits; }
  if (i < n && t[i] == '.') {
    ++i;
    while (digit(i)) { ++i; ++digits; }
  }
  bool ok = digits > 0;
  if (ok && i < n && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    if (!digit(i)) ok = false;
    while (digit(i)) ++i;
  }
  if (!ok || i != n) {
    r = double(i + 1);
    return false;
  }
  const QByteArray a = t.toLatin1();
  const char* begin = a.constData();
  if (*begin == '+') ++begin;
  double v = 0;
  auto res = std::from_chars(begin, a.constData() + a.size(), v);
  if (res.ec == std::errc::result_out_of_range) {
    v = std::strtod(a.constData(), nullptr);  // saturates to HUGE_VAL or 0 like the run-time did
  } else if (res.ec != std::errc()) {
    r = 1;
    return false;
  }
  r = v;
  return true;
}

QString FloatToTextFixed(double r, unsigned char w, signed char d) {
  char buf[512];
  if (d >= 0) {
    std::snprintf(buf, sizeof buf, "%*.*f", int(w), int(d), r);
    return QString::fromLatin1(buf);
  }
  // Exponent form: sign place, one digit, point, decimals, "E", sign, four exponent digits;
  // the decimals fill the width (1 to 14).
  const int decimals = std::clamp(int(w) - 9, 1, 14);
  std::snprintf(buf, sizeof buf, "%.*E", decimals, r);
  QString s = QString::fromLatin1(buf);
  const qsizetype e = s.indexOf('E');
  if (e >= 0 && !std::isnan(r) && !std::isinf(r)) {
    const QString mant = s.left(e);
    const int exp = s.mid(e + 1).toInt();
    s = mant + "E" + (exp < 0 ? "-" : "+") + QString::number(std::abs(exp)).rightJustified(4, '0');
  }
  if (!s.startsWith('-')) s.prepend(' ');
  return s.rightJustified(w, ' ');
}

QString PadRightWithChar(const QString& s, QChar c, int length) {
  if (s.size() >= length) return s;
  return s + QString(length - s.size(), c);
}

QString PadLeftWithChar(const QString& s, QChar c, int length) {
  length = std::min(length, 65535);
  if (s.size() >= length) return s;
  return QString(length - s.size(), c) + s;
}

int CountWords(const QString& s, const QString& delimiters) {
  int count = 0;
  qsizetype i = 0;
  const qsizetype n = s.size();
  while (i < n) {
    while (i < n && delimiters.contains(s[i])) ++i;
    if (i < n) ++count;
    while (i < n && !delimiters.contains(s[i])) ++i;
  }
  return count;
}

bool WordStartPosition(unsigned n, const QString& s, const QString& delimiters, int& p) {
  unsigned count = 0;
  qsizetype i = 0;
  const qsizetype len = s.size();
  while (i < len && count != n) {
    while (i < len && delimiters.contains(s[i])) ++i;
    if (i < len) {
      ++count;
      if (count == n) {
        p = int(i + 1);
        return true;
      }
      while (i < len && !delimiters.contains(s[i])) ++i;
    }
  }
  return false;
}

QString ExtractWordN(unsigned n, const QString& s, const QString& delimiters) {
  int p = 0;
  if (!WordStartPosition(n, s, delimiters, p)) return QString();
  qsizetype end = p - 1;
  while (end < s.size() && !delimiters.contains(s[end])) ++end;
  return s.mid(p - 1, end - (p - 1));
}

QString FileNamePart(const QString& path) {
  if (path.isEmpty()) return QString();
  const qsizetype i = lastPathDelimiter(path);
  return path.mid(i + 1, kMaxFileName);
}

bool HasFileExtension(const QString& name, int& p) {
  const qsizetype dot = name.lastIndexOf('.');
  p = int(dot + 1);
  if (dot < 0) return false;
  const QString behind = name.mid(dot + 1, kMaxFileName);
  return !behind.contains('\\') && !behind.contains('/');
}

QString FileBaseName(const QString& path) {
  const QString n = FileNamePart(path);
  int p = 0;
  if (HasFileExtension(n, p)) return n.left(p - 1);
  return n;
}

QString DirectoryPart(const QString& path) {
  if (path.isEmpty()) return QString();
  const qsizetype idx = lastPathDelimiter(path);
  if (idx < 0) return QString();
  const qsizetype i = idx + 1;  // 1-based position
  if (i == 1) return path.left(1);
  const QChar c = path[idx];
  if (c == '\\' || c == '/') {
    if (path[idx - 1] == ':') return path.left(i);
    return path.left(i - 1);
  }
  return path.left(i);
}

QString AddTrailingBackslash(const QString& path) {
  const bool native = path.contains('/');
  if (native) return path.endsWith('/') || path.endsWith('\\') ? path : path + '/';
  if ((path.size() == 2 && path[1] == ':') || (path.size() >= 3 && !path.endsWith('\\')))
    return path + '\\';
  return path;
}
