#pragma once
// Storage roots stand in for drive letters. Generator.ini's Drive value holds a root's path;
// an empty value or a single letter (a drive letter in Generator.ini) means the user's
// home folder. The archive, video, encoder and export folders live under the root.
#include <QString>
#include <QStringList>

// True when drive names the home folder (empty, "C", "C:" or "C:\").
bool DriveIsHome(const QString& drive);
// The root folder of drive, with a trailing '/'.
QString DriveRootPath(const QString& drive);
// The roots the drive box offers: the home folder first (as an empty value), then the
// mounted volumes the user can write to, without memory file systems (tmpfs, ramfs) and
// without roots that every user may write to.
QStringList AvailableDrives();
// What the drive box shows for a drive value.
QString DriveDisplayName(const QString& drive);
