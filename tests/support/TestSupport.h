#pragma once
#include <QTest>
#include <gtest/gtest.h>
// Qt's QTestLib waits become a compile error naming KV_WAIT_FOR (written by the build).
#include "NoQtTestWaits.h"
// Small helpers shared by the test programs.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// A temporary folder removed after the test; path() ends without a separator.
class TempFolder {
 public:
  TempFolder();
  QString path() const { return dir_.path(); }
  // path() + "/" + name
  QString file(const QString& name) const;
 private:
  QTemporaryDir dir_;
};

bool writeBytes(const QString& path, const QByteArray& data);
QByteArray readBytes(const QString& path);

// Points HOME and the XDG folders at a fresh folder for the life of the object.
class FakeHome {
 public:
  FakeHome();
  ~FakeHome();
  QString path() const { return tmp_.path(); }
 private:
  TempFolder tmp_;
  QByteArray oldHome_, oldData_, oldConfig_, oldCache_;
};

}  // namespace testsupport

// Waits with the event loop running until cond holds; the test fails when the deadline passes.
// (Qt's own waits report to QTestLib, which a GoogleTest program never reads: they pass when
// they time out, so NoQtTestWaits.h makes them a compile error.)
#define KV_WAIT_FOR(cond, ms) \
  ASSERT_TRUE(QTest::qWaitFor([&] { return bool(cond); }, ms)) << "still not true: " #cond
