#pragma once
// A desktop opener (xdg-open) of the test's own, first on PATH for the life of the object: it
// writes down what it was asked to open and ends with the given code, as the real one does when
// no program can open the item (3) or the program it found refuses to start (4).
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include "TestSupport.h"

namespace testsupport {

class FakeOpener {
 public:
  explicit FakeOpener(int exitCode) : oldPath_(qgetenv("PATH")) {
    const QByteArray script = "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + QFile::encodeName(dir_.file("asked")) +
                              "'\nexit " + QByteArray::number(exitCode) + "\n";
    writeBytes(dir_.file("xdg-open"), script);
    QFile::setPermissions(dir_.file("xdg-open"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", QFile::encodeName(dir_.path()) + ":" + oldPath_);
  }
  ~FakeOpener() { qputenv("PATH", oldPath_); }
  FakeOpener(const FakeOpener&) = delete;
  FakeOpener& operator=(const FakeOpener&) = delete;

  // The items asked for, in order.
  QStringList asked() const {
    return QString::fromUtf8(readBytes(dir_.file("asked"))).split('\n', Qt::SkipEmptyParts);
  }

 private:
  TempFolder dir_;
  QByteArray oldPath_;
};

}  // namespace testsupport
