#pragma once
// Ini files with the Windows semantics the program was written against:
// - section and key names match without case; blanks around names and values are dropped;
// - a value enclosed in matching quotes reads without them;
// - every value reads back as written: one the plain form would change (blanks at its ends,
//   enclosing quotes) is written in quotes, one with a line break as \"text" with \\, \r, \n;
// - a written key changes in place, a new key goes to the end of its section,
//   a new section to the end of the file;
// - a missing file reads as empty and is created on the first write;
// - lines end in CRLF; a line that is not valid UTF-8 reads as Windows-1252, we write UTF-8;
// - lines that are neither section headers nor keys (comments, garbage) are kept as they are.
// Every write goes to disk at once (through a temporary file renamed over the old one),
// unless a Batch is open, which writes once when it ends.
#include <QString>
#include <QStringList>
#include <vector>

#include "FileOps.h"

namespace kalvora {

class IniFile {
 public:
  explicit IniFile(const QString& fileName);
  ~IniFile();
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;
  IniFile(IniFile&& other) noexcept;

  // Parses ini text held in memory; nothing is written until a key is.
  static IniFile fromBytes(const QByteArray& bytes);

  const QString& fileName() const { return fileName_; }

  QString readString(const QString& section, const QString& key, const QString& def = QString()) const;
  // Decimal or "$"/"0x" hexadecimal, as the Windows class library read them; def when not a number.
  int readInteger(const QString& section, const QString& key, int def) const;
  // "1" or "TRUE" is true, "0" or "FALSE" is false (without case); anything else gives def.
  bool readBool(const QString& section, const QString& key, bool def) const;

  bool writeString(const QString& section, const QString& key, const QString& value);
  bool writeInteger(const QString& section, const QString& key, int value);
  // Written as "TRUE" or "FALSE", the program's texts for Booleans.
  bool writeBool(const QString& section, const QString& key, bool value);

  bool sectionExists(const QString& section) const;
  bool valueExists(const QString& section, const QString& key) const;
  QStringList readSection(const QString& section) const;  // key names, in file order
  QStringList readSections() const;
  // "key=value" lines of a section, values as readString gives them.
  QStringList readSectionValues(const QString& section) const;
  bool eraseSection(const QString& section);
  bool deleteKey(const QString& section, const QString& key);

  // Writes pending changes; false when the file could not be written (lastFailure() says why).
  bool updateFile();
  // True while changes are not on disk (a write failed, or a Batch is open).
  bool pending() const { return dirty_; }
  // Why the last write failed; WriteFailure::None after one that worked.
  WriteFailure lastFailure() const { return failure_; }

  // Groups many writes into one file write, made when the outermost batch ends.
  class Batch {
   public:
    explicit Batch(IniFile& ini) : ini_(ini) { ++ini_.batchDepth_; }
    // Ends the batch if commit() did not; a failed write stays pending, unreported.
    ~Batch() {
      if (open_) end();
    }
    // Ends the batch, and the outermost writes what changed: false when the file could not be
    // written (lastFailure() says why), so the caller can tell the user.
    [[nodiscard]] bool commit() { return open_ ? end() : written_; }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
   private:
    bool end() {
      open_ = false;
      written_ = --ini_.batchDepth_ > 0 || !ini_.dirty_ || ini_.updateFile();
      return written_;
    }
    IniFile& ini_;
    bool open_ = true;
    bool written_ = false;
  };

  QString text() const;  // the whole file as it would be written

 private:
  IniFile() = default;
  struct Line {
    QString raw;
    enum Kind { Other, Section, Key } kind = Other;
    QString name;  // section or key name, trimmed
  };
  void parse(const QString& text);
  static Line parseLine(const QString& raw);
  // Index of the header line of a section; -1 when there is none. The lines before the
  // first header form the unnamed section at index -1 with header "-1", see sectionRange.
  int findSection(const QString& section) const;
  int sectionEnd(int header) const;  // index after the last line of the section
  int findKey(const QString& section, const QString& key) const;
  bool changed();

  QString fileName_;
  std::vector<Line> lines_;
  int batchDepth_ = 0;
  bool dirty_ = false;
  bool memoryOnly_ = false;
  WriteFailure failure_ = WriteFailure::None;
};

}  // namespace kalvora
