#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace testsupport {

TempFolder::TempFolder() { dir_.setAutoRemove(true); }

QString TempFolder::file(const QString& name) const { return dir_.path() + "/" + name; }

bool writeBytes(const QString& path, const QByteArray& data) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return f.write(data) == data.size();
}

QByteArray readBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

FakeHome::FakeHome()
    : oldHome_(qgetenv("HOME")),
      oldData_(qgetenv("XDG_DATA_HOME")),
      oldConfig_(qgetenv("XDG_CONFIG_HOME")),
      oldCache_(qgetenv("XDG_CACHE_HOME")) {
  const QString home = tmp_.path();
  QDir().mkpath(home + "/Documents");
  QDir().mkpath(home + "/Desktop");
  qputenv("HOME", home.toUtf8());
  qputenv("XDG_DATA_HOME", (home + "/.local/share").toUtf8());
  qputenv("XDG_CONFIG_HOME", (home + "/.config").toUtf8());
  qputenv("XDG_CACHE_HOME", (home + "/.cache").toUtf8());
}

FakeHome::~FakeHome() {
  auto restore = [](const char* name, const QByteArray& value) {
    if (value.isNull()) qunsetenv(name); else qputenv(name, value);
  };
  restore("HOME", oldHome_);
  restore("XDG_DATA_HOME", oldData_);
  restore("XDG_CONFIG_HOME", oldConfig_);
  restore("XDG_CACHE_HOME", oldCache_);
}

}  // namespace testsupport
