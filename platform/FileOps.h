#pragma once
// File operations as the program needs them on Linux: Windows-style wildcards, names
// looked up without case (names in stored lists were written on a case-blind system),
// copies that replace their target, and replacing writes that never leave half a file.
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include "AtomicFile.h"

namespace kalvora {

// Wildcard match without case (platform/plain/Wildcard.h): '*' any run, '?' one character;
// "*.*" matches every name, also one without a point.
bool MatchesMask(const QString& name, const QString& mask);

enum class FindKind { Files, Folders, Both };
// Names (not paths) of the entries of folder that match mask, sorted without case.
QStringList FindFiles(const QString& folder, const QString& mask, FindKind kind = FindKind::Files);

// The path as it exists on disk: each component that does not exist as written is looked
// up again without case. Returns path unchanged when nothing matches.
QString ResolveNoCase(const QString& path);

// Why a write failed (see AtomicFile.h): a message to the user names the reason from it.
using WriteFailure = atomicfile::Failure;

// A file replaced whole, written as a device: the bytes go to a temporary file in the target's
// folder, and commit() renames it over the target (AtomicFile.h says what else it keeps). Writes
// are never buffered: a write that meets an error, a full disk above all, reports it.
class SaveFile : public QIODevice {
 public:
  explicit SaveFile(const QString& path);
  ~SaveFile() override;  // what was not committed is removed

  bool open(OpenMode mode = WriteOnly) override;  // write only
  void close() override;  // ends writing; commit() or cancelWriting() decide
  bool commit();
  void cancelWriting();
  bool isSequential() const override { return true; }

  QString fileName() const { return path_; }
  WriteFailure failure() const { return file_.failure(); }
  int systemError() const { return file_.error(); }  // the errno value behind failure(), for logs

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 size) override;

 private:
  QString path_;
  atomicfile::File file_;
};

// Writes data to path through a temporary file in the same folder renamed over the old file.
// On failure why (when given) says what went wrong.
bool WriteFileAtomic(const QString& path, const QByteArray& data, WriteFailure* why = nullptr);

// Copies src over dst (through a temporary file in dst's folder), keeping the modification
// time and permissions. False when src is missing or dst cannot be written.
bool CopyFileReplace(const QString& src, const QString& dst, WriteFailure* why = nullptr);

// Moves a finished file (a video from the work folder) over dst: renamed on one file system,
// else copied beside dst first; dst is replaced only whole.
bool MoveFileReplace(const QString& src, const QString& dst, WriteFailure* why = nullptr);

// Moves a file or folder to the user's trash; false when it is not there or cannot be moved.
bool MoveToTrash(const QString& path);

// Creates the folder and its missing parents.
bool ForceDirectories(const QString& path);

}  // namespace kalvora
