#include "ShellFileOps.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "FileOps.h"

namespace {
QString stripSlash(QString p) {
  while (p.size() > 1 && p.endsWith('/')) p.chop(1);
  return p;
}

// Copies a folder tree; false when anything could not be copied (what could be copied stays).
bool copyTree(const QString& from, const QString& to) {
  if (!QDir().mkpath(to)) return false;
  bool ok = true;
  const QDir source(from);
  for (const QFileInfo& fi :
       source.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
    const QString target = to + "/" + fi.fileName();
    if (fi.isDir() && !fi.isSymLink()) ok = copyTree(fi.filePath(), target) && ok;
    else if (fi.isSymLink()) ok = QFile::link(fi.symLinkTarget(), target) && ok;
    else ok = kalvora::CopyFileReplace(fi.filePath(), target) && ok;
  }
  return ok;
}

// Where a copied or moved folder lands: inside an existing folder, else at the path itself.
QString landingPath(const QString& from, const QString& to) {
  if (QFileInfo(to).isDir()) return to + "/" + QFileInfo(from).fileName();
  return to;
}
}  // namespace

QString FreePathFor(const QString& path) {
  const QString clean = stripSlash(path);
  if (!QFileInfo::exists(clean) && !QFileInfo(clean).isSymLink()) return clean;
  const QFileInfo fi(clean);
  const QString folder = fi.path() + "/";
  const QString name = fi.fileName();
  const qsizetype dot = name.lastIndexOf('.');
  const QString base = dot > 0 ? name.left(dot) : name;
  const QString ext = dot > 0 ? name.mid(dot) : QString();
  for (int n = 2;; ++n) {
    const QString candidate = folder + base + " (" + QString::number(n) + ")" + ext;
    if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink()) return candidate;
  }
}

QString RenameNoReplace(const QString& from, const QString& to) {
  if (from == to) return QFileInfo::exists(from) ? to : QString();
  // QFile::rename refuses an existing target; another process may take the name between the
  // test and the rename, so the free name is looked for again then.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const QString target = FreePathFor(to);
    if (QFile::rename(from, target)) return target;
    if (!QFileInfo::exists(from) || !QFileInfo::exists(target)) return QString();
  }
  return QString();
}

bool ShellFileOperation(const QString& operation, bool renameOnCollision, bool /*noConfirmation*/,
                        bool /*silent*/, bool /*simpleProgress*/, const QString& fromPath,
                        const QString& toPath) {
  try {
    const QString from = stripSlash(fromPath);
    if (from.isEmpty() || !QFileInfo(from).isDir()) return false;
    const QString op = operation.toUpper();
    if (op == "DELETE") return kalvora::MoveToTrash(from);
    const QString to = stripSlash(toPath);
    if (to.isEmpty()) return false;
    if (op != "COPY" && op != "MOVE" && op != "RENAME") return false;

    QString target = op == "RENAME" ? to : landingPath(from, to);
    if (QFileInfo::exists(target)) {
      if (!renameOnCollision) return false;
      target = FreePathFor(target);
    }
    const QString targetAbs = QFileInfo(target).absoluteFilePath();
    const QString fromAbs = QFileInfo(from).absoluteFilePath();
    // A folder cannot go into itself.
    if (targetAbs == fromAbs || targetAbs.startsWith(fromAbs + "/")) return false;
    if (op == "COPY") return copyTree(from, target);
    if (op == "RENAME") return QDir().rename(from, target);
    // MOVE: a rename where it can be, otherwise copy and remove the source when all was copied.
    if (QDir().rename(from, target)) return true;
    if (!copyTree(from, target)) return false;
    return QDir(from).removeRecursively();
  } catch (...) {
    return false;
  }
}

bool DeletePath(const QString& path) {
  // The trash lives in the user's data folder, which a fresh account may not have yet.
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (!data.isEmpty()) QDir().mkpath(data);
  return ShellFileOperation("DELETE", false, true, true, false, path, QString());
}
