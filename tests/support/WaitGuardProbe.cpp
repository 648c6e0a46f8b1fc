// Never built into a program: the WaitGuard test compiles this file with a test program's own
// command to show that Qt's waits do not compile there, and that KV_WAIT_FOR does.
// KV_PROBE_QT_WAITS names a file of calls of Qt's wait macros, made in place of KV_WAIT_FOR;
// KV_PROBE_BARE leaves TestSupport.h out.
#include <QTest>
#include <gtest/gtest.h>
#ifndef KV_PROBE_BARE
#include "TestSupport.h"
#endif

TEST(WaitGuardProbe, Waits) {
#ifdef KV_PROBE_QT_WAITS
#include KV_PROBE_QT_WAITS
#else
  KV_WAIT_FOR(true, 60000);
#endif
}
