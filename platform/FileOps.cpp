#include "FileOps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

#include "Wildcard.h"

namespace kalvora {

bool MatchesMask(const QString& name, const QString& mask) {
  return WildcardMatch(name, 0, mask, 0, [](QChar a, QChar b) { return a.toCaseFolded() == b.toCaseFolded(); });
}

QStringList FindFiles(const QString& folder, const QString& mask, FindKind kind) {
  QDir::Filters filters = QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
  if (kind != FindKind::Folders) filters |= QDir::Files;
  if (kind != FindKind::Files) filters |= QDir::Dirs;
  QStringList out;
  const QStringList all = QDir(folder).entryList(filters, QDir::NoSort);
  for (const QString& n : all)
    if (MatchesMask(n, mask)) out << n;
  std::sort(out.begin(), out.end(), [](const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  });
  return out;
}

QString ResolveNoCase(const QString& path) {
  if (path.isEmpty() || QFileInfo::exists(path)) return path;
  const bool absolute = path.startsWith('/');
  const QStringList parts = path.split('/', Qt::SkipEmptyParts);
  QString current = absolute ? "/" : "";
  for (int i = 0; i < parts.size(); ++i) {
    const QString base = current.isEmpty() ? "." : current;
    QString candidate = current + (current.isEmpty() || current.endsWith('/') ? "" : "/") + parts[i];
    if (!QFileInfo::exists(candidate)) {
      const QStringList entries =
          QDir(base).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
      auto it = std::find_if(entries.begin(), entries.end(), [&](const QString& e) {
        return e.compare(parts[i], Qt::CaseInsensitive) == 0;
      });
      if (it == entries.end()) return path;
      candidate = current + (current.isEmpty() || current.endsWith('/') ? "" : "/") + *it;
    }
    current = candidate;
  }
  return current;
}

namespace {
std::string nativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool report(WriteFailure* why, WriteFailure failure) {
  if (why) *why = failure;
  return failure == WriteFailure::None;
}
}  // namespace

SaveFile::SaveFile(const QString& path) : path_(path), file_(nativePath(path), 0u) {}

SaveFile::~SaveFile() {
  if (isOpen()) QIODevice::close();
}

bool SaveFile::open(OpenMode mode) {
  if (isOpen() || (mode & ReadOnly) || !(mode & WriteOnly)) return false;
  if (!file_.Open()) return false;
  return QIODevice::open(WriteOnly | Unbuffered);
}


qint64 SaveFile::writeData(const char* data, qint64 size) {
  return file_.Write(data, std::size_t(size)) ? size : -1;
}

bool SaveFile::commit() {
  if (isOpen()) QIODevice::close();
  return file_.Commit();
}

void SaveFile::close() {
  // A writer that closes its device when done (QPdfWriter) leaves the choice to commit().
  QIODevice::close();
}

void SaveFile::cancelWriting() {
  if (isOpen()) QIODevice::close();
  file_.Cancel();
}

bool WriteFileAtomic(const QString& path, const QByteArray& data, WriteFailure* why) {
  return report(why, atomicfile::Write(nativePath(path), data.constData(), std::size_t(data.size())));
}

bool CopyFileReplace(const QString& src, const QString& dst, WriteFailure* why) {
  QFile in(src);
  if (!QFileInfo(src).isFile() || !in.open(QIODevice::ReadOnly)) return report(why, WriteFailure::WriteError);
  SaveFile out(dst);
  if (!out.open()) return report(why, out.failure());
  char buf[1 << 16];
  for (;;) {
    const qint64 n = in.read(buf, sizeof buf);
    if (n < 0) {
      out.cancelWriting();
      return report(why, WriteFailure::WriteError);
    }
    if (n == 0) break;
    if (out.write(buf, n) != n) return report(why, out.failure());
  }
  if (!out.commit()) return report(why, out.failure());
  QFile::setPermissions(dst, QFile::permissions(src) | QFile::WriteOwner);
  QFile touched(dst);
  if (touched.open(QIODevice::ReadWrite))
    touched.setFileTime(QFileInfo(src).lastModified(), QFileDevice::FileModificationTime);
  return report(why, WriteFailure::None);
}

bool MoveFileReplace(const QString& src, const QString& dst, WriteFailure* why) {
  return report(why, atomicfile::Move(nativePath(src), nativePath(dst)));
}

bool MoveToTrash(const QString& path) {
  if (!QFileInfo::exists(path)) return false;
  // Qt 6.4 cannot make the trash when the data folder (~/.local/share) is missing, and then
  // moves the item into "files/" of the working folder: make the folder first, and take such a
  // move back as a failure.
  QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
  QString inTrash;
  if (!QFile::moveToTrash(path, &inTrash)) return false;
  if (!QDir::isAbsolutePath(inTrash)) {
    QDir().rename(inTrash, path);
    return false;
  }
  return true;
}

bool ForceDirectories(const QString& path) { return !path.isEmpty() && QDir().mkpath(path); }

}  // namespace kalvora
