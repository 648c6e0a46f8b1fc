#include "Engine.h"
#include "PlayerTestUtil.h"

#include <QDir>

#include <TestSupport.h>
#include <gtest/gtest.h>

using namespace kalvora::player;

namespace {

// An archive root with one show of a red and a blue picture.
struct Root {
  testsupport::TempFolder tmp;
  QString root() const { return tmp.path() + "/"; }
  explicit Root(const QByteArray& settings, const QByteArray& effects = "2000;0;5;1;0\r\n6000;0;5;1;0\r\n8000;0;5;1;0\r\n") {
    QDir().mkpath(root() + "Archive_0001");
    playertest::WritePicture(root() + "Archive_0001/red.jpg", Qt::red, 80, 60);
    playertest::WritePicture(root() + "Archive_0001/blue.jpg", Qt::blue, 80, 60);
    testsupport::writeBytes(root() + "Archive_0001/Diashow.ini", "[DIASHOW]\r\nTitel=Test\r\nTime=2\r\n");
    testsupport::writeBytes(root() + "Archive_0001/Pictures.ini", "red.jpg | Rot\r\nblue.jpg | Blau\r\n");
    testsupport::writeBytes(root() + "Settings.ini", "[SETTINGS]\r\n" + settings);
    testsupport::writeBytes(root() + "Effects.ini", effects);
  }
};

QColor Centre(const QImage& img) { return img.pixelColor(img.width() / 2, img.height() / 2); }

bool Near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 && std::abs(a.blue() - b.blue()) < 40;
}

}  // namespace

TEST(EngineTest, PlaysTheSavedShowWithItsTimesAndEffect) {
  Root r("EffectMode=ON\r\nEffect=1\r\nBKGColor=65280\r\n");
  testsupport::writeBytes(r.root() + "play.ply", "[PLAY]\r\nTransitionMs=400\r\n");
  PlayerSetup setup;
  ASSERT_TRUE(LoadSetup(r.root(), QString(), setup, nullptr));
  ASSERT_EQ(setup.show.slides.size(), 2);
  TestClock clock;
  Engine engine(std::move(setup), clock);
  EXPECT_EQ(engine.transitionFor(1).family, Family::WipeFromLeft);
  EXPECT_EQ(engine.transitionMsFor(1), 320);

  const QSize size(160, 90);
  clock.set(3500);
  EXPECT_TRUE(Near(Centre(engine.render(size)), Qt::blue));
  clock.set(4000);  // played once: the end card follows the last picture
  EXPECT_EQ(engine.frame().kind, Frame::End);
  clock.set(2000 + 160);  // half way through the wipe from red to blue
  const QImage mid = engine.render(size);
  EXPECT_TRUE(Near(mid.pixelColor(30, 45), Qt::blue));
  EXPECT_TRUE(Near(mid.pixelColor(130, 45), Qt::red));
  // The picture is fitted into the screen; the bars beside it show the background colour.
  clock.set(3000);
  const QImage full = engine.render(size);
  EXPECT_EQ(full.pixelColor(2, 45), QColor(0, 255, 0));
  clock.set(7000);
  EXPECT_TRUE(engine.finished());
}

TEST(EngineTest, CaptionAndNameAreDrawnOnlyWhenAsked) {
  auto slide = [](const QByteArray& settings) {
    Root r(settings);
    PlayerSetup setup;
    EXPECT_TRUE(LoadSetup(r.root(), r.root() + "Archive_0001", setup, nullptr));
    TestClock clock;
    Engine engine(std::move(setup), clock);
    return engine.slideImage(0, QSize(320, 240));
  };
  const QImage plain = slide("TextColor=16777215\r\n");
  const QImage caption = slide("TextColor=16777215\r\nPictureTextVisible=TRUE\r\n");
  const QImage raised = slide("TextColor=16777215\r\nPictureTextVisible=TRUE\r\nTextOffset=100\r\n");
  const QImage name = slide("TextColor=16777215\r\nFileNameVisible=TRUE\r\n");
  EXPECT_NE(plain, caption);
  EXPECT_NE(caption, raised);
  EXPECT_NE(plain, name);
  // The caption sits at the bottom; TextOffset lifts it.
  EXPECT_NE(plain.copy(0, 200, 320, 40), caption.copy(0, 200, 320, 40));
  EXPECT_EQ(plain.copy(0, 200, 320, 40), raised.copy(0, 200, 320, 40));
}

TEST(EngineTest, EffectModes) {
  {
    Root r("EffectMode=OFF\r\n");
    PlayerSetup setup;
    ASSERT_TRUE(LoadSetup(r.root(), QString(), setup, nullptr));
    TestClock clock;
    Engine engine(std::move(setup), clock);
    EXPECT_EQ(engine.transitionFor(1).family, Family::Cut);
    EXPECT_EQ(engine.transitionMsFor(1), 0);
  }
  {
    Root r("EffectMode=ON\r\nEffect=40\r\n");  // beyond the list: the last line
    PlayerSetup setup;
    ASSERT_TRUE(LoadSetup(r.root(), QString(), setup, nullptr));
    TestClock clock;
    Engine engine(std::move(setup), clock);
    EXPECT_EQ(engine.transitionFor(1).family, Family::Crossfade);
  }
  {
    Root r("EffectMode=RANDOM\r\n");
    PlayerSetup setup;
    ASSERT_TRUE(LoadSetup(r.root(), QString(), setup, nullptr));
    TestClock clock;
    Engine engine(std::move(setup), clock, 7);
    QSet<int> seen;
    for (int c = 0; c < 60; ++c) {
      seen.insert(int(engine.transitionFor(c).family));
      EXPECT_EQ(engine.transitionFor(c).family, engine.transitionFor(c).family);  // stable per change
    }
    EXPECT_EQ(seen.size(), 3);
  }
  {
    Root r("EffectMode=ON\r\n", "");  // effects asked for but no list: a cross-fade
    PlayerSetup setup;
    ASSERT_TRUE(LoadSetup(r.root(), QString(), setup, nullptr));
    TestClock clock;
    Engine engine(std::move(setup), clock);
    EXPECT_EQ(engine.transitionFor(1).family, Family::Crossfade);
  }
}

TEST(EngineTest, UnreadablePictureStillShowsItsSlot) {
  Root r("FileNameVisible=FALSE\r\n");
  testsupport::writeBytes(r.root() + "Archive_0001/red.jpg", "not a picture");
  testsupport::writeBytes(r.root() + "Archive_0001/blue.jpg", "");
  PlayerSetup setup;
  ASSERT_TRUE(LoadSetup(r.root(), QString(), setup, nullptr));
  TestClock clock;
  Engine engine(std::move(setup), clock);
  clock.set(100);
  const QImage img = engine.render(QSize(200, 100));
  EXPECT_EQ(img.size(), QSize(200, 100));
  EXPECT_EQ(engine.frame().slide, 0);
}

TEST(EngineTest, NothingToPlay) {
  testsupport::TempFolder tmp;
  PlayerSetup setup;
  QString error;
  EXPECT_FALSE(LoadSetup(tmp.path(), QString(), setup, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(setup.texts.noShow.isEmpty());
}
