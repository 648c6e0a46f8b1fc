#include "SystemInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>
#include <memory>

namespace {
QString location(QStandardPaths::StandardLocation loc) {
  const QString p = QStandardPaths::writableLocation(loc);
  return p.isEmpty() ? QString() : QDir::cleanPath(p);
}

QString existing(const QString& path) { return QFileInfo(path).isDir() ? path : QString(); }

std::unique_ptr<TWindowsInfo> g_info;
}  // namespace

TWindowsInfo::TWindowsInfo() {
  const QString home = QDir::homePath();
  Desktop = location(QStandardPaths::DesktopLocation);
  Fonts = location(QStandardPaths::FontsLocation);
  Personal = location(QStandardPaths::DocumentsLocation);
  Programs = location(QStandardPaths::ApplicationsLocation);
  StartMenu = Programs;
  Startup = QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/autostart");
  Templates = existing(home + "/Templates");
  Cache = location(QStandardPaths::GenericCacheLocation);
  LogonUserName = qEnvironmentVariable("USER", qEnvironmentVariable("LOGNAME"));
  SystemRoot = "/usr/share";
  OSName = QSysInfo::kernelType() == "linux" ? QStringLiteral("Linux") : QSysInfo::kernelType();
  ProgramFilesDir = "/opt";
  CommonFilesDir = "/usr/share";
  MediaPath = existing("/usr/share/sounds");
  TempPath = QDir::tempPath();
  if (!TempPath.endsWith('/')) TempPath += '/';
}

TWindowsInfo& WindowsInfo() {
  if (!g_info) g_info = std::make_unique<TWindowsInfo>();
  return *g_info;
}

void ResetWindowsInfo() { g_info = std::make_unique<TWindowsInfo>(); }
