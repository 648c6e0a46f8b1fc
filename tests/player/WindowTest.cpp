#include "PlayerTestUtil.h"
#include "PlayerWindow.h"

#include <QDir>
#include <QTest>

#include <TestSupport.h>
#include <gtest/gtest.h>

using namespace kalvora::player;

TEST(WindowTest, KeysChangePicturesAndEscapeEnds) {
  testsupport::TempFolder tmp;
  const QString folder = tmp.file("Archive_0001");
  playertest::WriteShow(folder, "T", "60", {"a.jpg", "b.jpg", "c.jpg"}, {"a.jpg", "b.jpg", "c.jpg"});
  testsupport::writeBytes(tmp.file("Settings.ini"), "[SETTINGS]\r\nFullscreen=FALSE\r\nManuell=TRUE\r\n");
  PlayerSetup setup;
  ASSERT_TRUE(LoadSetup(tmp.path(), QString(), setup, nullptr));
  TestClock clock;
  Engine engine(std::move(setup), clock);
  PlayerWindow window(&engine, QString(), 25);
  window.resize(160, 120);
  window.show();
  clock.set(5000);
  EXPECT_EQ(engine.frame().slide, 0);
  QTest::keyClick(&window, Qt::Key_Right);
  EXPECT_EQ(engine.frame().slide, 1);
  QTest::keyClick(&window, Qt::Key_Space);
  EXPECT_EQ(engine.frame().slide, 2);
  QTest::keyClick(&window, Qt::Key_Left);
  EXPECT_EQ(engine.frame().slide, 1);
  QTest::mouseClick(&window, Qt::LeftButton);
  EXPECT_EQ(engine.frame().slide, 2);
  const QPixmap shot = window.grab();
  EXPECT_EQ(shot.size(), QSize(160, 120));
  EXPECT_GT(window.framesShown(), 0);
  EXPECT_TRUE(window.isVisible());
  QTest::keyClick(&window, Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(window.playedToTheEnd());
}

TEST(WindowTest, ClosesWhenTheShowIsOver) {
  testsupport::TempFolder tmp;
  playertest::WriteShow(tmp.file("Archive_0001"), "T", "1", {"a.jpg"}, {"a.jpg"});
  testsupport::writeBytes(tmp.file("play.ply"), "[PLAY]\r\nEndMs=0\r\n");
  PlayerSetup setup;
  ASSERT_TRUE(LoadSetup(tmp.path(), QString(), setup, nullptr));
  TestClock clock;
  Engine engine(std::move(setup), clock);
  PlayerWindow window(&engine, QString(), 50);
  window.show();
  clock.set(1000);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 60000));
  EXPECT_TRUE(window.playedToTheEnd());
}
