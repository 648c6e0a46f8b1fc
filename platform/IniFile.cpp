#include "IniFile.h"

#include <QFile>

#include "FileOps.h"
#include "TextCodec.h"

namespace kalvora {

namespace {
bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

QString unquote(QString v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.mid(1, v.size() - 2);
  return v;
}

// The escaped form holds a value with line breaks: \" + text + ", in the text \\, \r and \n.
// Files of the plain format never hold such a value by accident: it must begin with a backslash
// and a quote, use no other backslash pair, and give a line break.
bool unescape(const QString& t, QString& out) {
  if (t.size() < 3 || !t.startsWith(QLatin1String("\\\"")) || !t.endsWith('"')) return false;
  out.clear();
  const qsizetype end = t.size() - 1;
  bool lineBreak = false;
  for (qsizetype i = 2; i < end; ++i) {
    if (t[i] != '\\') {
      out += t[i];
      continue;
    }
    if (++i >= end) return false;
    if (t[i] == '\\') {
      out += '\\';
    } else if (t[i] == 'r' || t[i] == 'n') {
      out += t[i] == 'r' ? '\r' : '\n';
      lineBreak = true;
    } else {
      return false;
    }
  }
  return lineBreak;
}

// The value of the text after "=": blanks at both ends dropped, then one pair of enclosing
// quotes, as the Windows functions read it; or an escaped value.
QString readValue(const QString& text) {
  const QString t = text.trimmed();
  QString escaped;
  if (unescape(t, escaped)) return escaped;
  return unquote(t);
}

// The text that reads back as exactly value: the value itself wherever that is so (the files
// stay as they always were), else the value in quotes, and escaped when it holds a line break.
QString writtenValue(const QString& value) {
  if (!value.contains('\r') && !value.contains('\n')) {
    if (readValue(value) == value) return value;
    return '"' + value + '"';
  }
  QString out = QStringLiteral("\\\"");
  for (const QChar c : value) {
    if (c == '\\') out += QLatin1String("\\\\");
    else if (c == '\r') out += QLatin1String("\\r");
    else if (c == '\n') out += QLatin1String("\\n");
    else out += c;
  }
  return out + '"';
}
}  // namespace

IniFile::IniFile(const QString& fileName) : fileName_(fileName) {
  QFile f(fileName);
  if (f.open(QIODevice::ReadOnly)) parse(DecodeText(f.readAll()));
}

IniFile::~IniFile() {
  if (dirty_ && !memoryOnly_) updateFile();
}

IniFile::IniFile(IniFile&& other) noexcept
    : fileName_(std::move(other.fileName_)),
      lines_(std::move(other.lines_)),
      dirty_(other.dirty_),
      memoryOnly_(other.memoryOnly_),
      failure_(other.failure_) {
  other.dirty_ = false;  // the moved-from object must not write an empty file
}

IniFile IniFile::fromBytes(const QByteArray& bytes) {
  IniFile ini;
  ini.memoryOnly_ = true;
  ini.parse(DecodeText(bytes));
  return ini;
}

IniFile::Line IniFile::parseLine(const QString& raw) {
  Line line;
  line.raw = raw;
  const QString t = raw.trimmed();
  if (t.startsWith('[')) {
    // A header without its closing bracket names the section up to the end of the line.
    qsizetype close = t.lastIndexOf(']');
    line.kind = Line::Section;
    line.name = (close > 0 ? t.mid(1, close - 1) : t.mid(1)).trimmed();
  } else if (!t.isEmpty() && !t.startsWith(';')) {
    qsizetype eq = t.indexOf('=');
    if (eq > 0) {
      line.kind = Line::Key;
      line.name = t.left(eq).trimmed();
      if (line.name.isEmpty()) line.kind = Line::Other;
    }
  }
  return line;
}

void IniFile::parse(const QString& text) {
  lines_.clear();
  qsizetype start = 0;
  const qsizetype n = text.size();
  while (start < n) {
    qsizetype end = text.indexOf('\n', start);
    if (end < 0) end = n;
    qsizetype stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines_.push_back(parseLine(text.mid(start, stop - start)));
    start = end + 1;
  }
}

int IniFile::findSection(const QString& section) const {
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == Line::Section && sameName(lines_[i].name, section)) return int(i);
  return -1;
}

int IniFile::sectionEnd(int header) const {
  size_t i = size_t(header) + 1;
  while (i < lines_.size() && lines_[i].kind != Line::Section) ++i;
  return int(i);
}

int IniFile::findKey(const QString& section, const QString& key) const {
  const int header = findSection(section);
  if (header < 0) return -1;
  const int end = sectionEnd(header);
  for (int i = header + 1; i < end; ++i)
    if (lines_[size_t(i)].kind == Line::Key && sameName(lines_[size_t(i)].name, key)) return i;
  return -1;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
  const int i = findKey(section, key);
  if (i < 0) return def;
  const QString& raw = lines_[size_t(i)].raw;
  return readValue(raw.mid(raw.indexOf('=') + 1));
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const {
  QString s = readString(section, key).trimmed();
  if (s.isEmpty()) return def;
  bool ok = false;
  int v;
  if (s.startsWith('$')) v = s.mid(1).toInt(&ok, 16);
  else if (s.startsWith("0x", Qt::CaseInsensitive)) v = s.mid(2).toInt(&ok, 16);
  else v = s.toInt(&ok, 10);
  return ok ? v : def;
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const {
  const QString s = readString(section, key).trimmed();
  if (s == "1" || sameName(s, "TRUE")) return true;
  if (s == "0" || sameName(s, "FALSE")) return false;
  return def;
}

bool IniFile::changed() {
  dirty_ = true;
  if (batchDepth_ > 0 || memoryOnly_) return true;
  return updateFile();
}

bool IniFile::writeString(const QString& section, const QString& key, const QString& value) {
  const QString raw = key.trimmed() + "=" + writtenValue(value);
  const int k = findKey(section, key);
  if (k >= 0) {
    if (lines_[size_t(k)].raw == raw) return true;
    lines_[size_t(k)] = parseLine(raw);
    return changed();
  }
  int header = findSection(section);
  if (header < 0) {
    lines_.push_back(parseLine("[" + section.trimmed() + "]"));
    lines_.push_back(parseLine(raw));
    return changed();
  }
  // After the section's last non-blank line, so blank separators stay between sections.
  int pos = sectionEnd(header);
  while (pos > header + 1 && lines_[size_t(pos - 1)].raw.trimmed().isEmpty()) --pos;
  lines_.insert(lines_.begin() + pos, parseLine(raw));
  return changed();
}

bool IniFile::writeInteger(const QString& section, const QString& key, int value) {
  return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString& section, const QString& key, bool value) {
  return writeString(section, key, value ? "TRUE" : "FALSE");
}

bool IniFile::sectionExists(const QString& section) const { return findSection(section) >= 0; }

bool IniFile::valueExists(const QString& section, const QString& key) const {
  return findKey(section, key) >= 0;
}

QStringList IniFile::readSection(const QString& section) const {
  QStringList keys;
  const int header = findSection(section);
  if (header < 0) return keys;
  const int end = sectionEnd(header);
  for (int i = header + 1; i < end; ++i) {
    const Line& l = lines_[size_t(i)];
    if (l.kind != Line::Key) continue;
    bool seen = false;
    for (const QString& k : keys) seen = seen || sameName(k, l.name);
    if (!seen) keys << l.name;
  }
  return keys;
}

QStringList IniFile::readSections() const {
  QStringList names;
  for (const Line& l : lines_) {
    if (l.kind != Line::Section) continue;
    bool seen = false;
    for (const QString& n : names) seen = seen || sameName(n, l.name);
    if (!seen) names << l.name;
  }
  return names;
}

QStringList IniFile::readSectionValues(const QString& section) const {
  QStringList out;
  for (const QString& k : readSection(section)) out << k + "=" + readString(section, k);
  return out;
}

bool IniFile::eraseSection(const QString& section) {
  const int header = findSection(section);
  if (header < 0) return true;
  lines_.erase(lines_.begin() + header, lines_.begin() + sectionEnd(header));
  return changed();
}

bool IniFile::deleteKey(const QString& section, const QString& key) {
  const int k = findKey(section, key);
  if (k < 0) return true;
  lines_.erase(lines_.begin() + k);
  return changed();
}

QString IniFile::text() const {
  QString out;
  for (const Line& l : lines_) {
    out += l.raw;
    out += "\r\n";
  }
  return out;
}

bool IniFile::updateFile() {
  if (memoryOnly_) return true;
  const bool ok = WriteFileAtomic(fileName_, text().toUtf8(), &failure_);
  if (ok) dirty_ = false;
  return ok;
}

}  // namespace kalvora
