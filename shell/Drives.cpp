#include "Drives.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

bool DriveIsHome(const QString& drive) {
  const QString d = drive.trimmed();
  if (d.isEmpty()) return true;
  if (!d[0].isLetter()) return false;
  return d.size() == 1 || d.mid(1) == ":" || d.mid(1) == ":\\" || d.mid(1) == ":/";
}

QString DriveRootPath(const QString& drive) {
  QString root = DriveIsHome(drive) ? QDir::homePath() : drive.trimmed();
  if (!root.endsWith('/')) root += '/';
  return root;
}

QStringList AvailableDrives() {
  QStringList drives{QString()};
  const QString home = QDir::homePath();
  for (const QStorageInfo& s : QStorageInfo::mountedVolumes()) {
    if (!s.isValid() || !s.isReady() || s.isReadOnly()) continue;
    const QString root = s.rootPath();
    // Pseudo file systems and the system's own mounts are no place for photo archives.
    if (root == "/" || root.startsWith("/proc") || root.startsWith("/sys") || root.startsWith("/dev") ||
        root.startsWith("/run") || root.startsWith("/boot") || root.startsWith("/snap"))
      continue;
    if (home.startsWith(root) && (root == home || home.mid(root.size()).startsWith('/'))) continue;
    // Memory file systems lose the archives at the next start; a folder everyone may write
    // lets anyone change or delete them.
    const QByteArray type = s.fileSystemType();
    if (type == "tmpfs" || type == "ramfs") continue;
    const QFileInfo info(root);
    if (info.permissions() & QFile::WriteOther) continue;
    if (!info.isWritable()) continue;
    if (!drives.contains(root)) drives << root;
  }
  return drives;
}

QString DriveDisplayName(const QString& drive) {
  return DriveIsHome(drive) ? QDir::homePath() : drive;
}
