#include "AppDir.h"

#include <QCoreApplication>
#include <QDir>

namespace kalvora {

QString ProgramFolder() {
  QString dir = qEnvironmentVariable("KALVORA_APPDIR");
  if (dir.isEmpty()) dir = QCoreApplication::applicationDirPath();
  dir = QDir::cleanPath(QDir(dir).absolutePath());
  if (!dir.endsWith('/')) dir += '/';
  return dir;
}

}  // namespace kalvora
