#include "Schedule.h"

#include <gtest/gtest.h>

using namespace kalvora::player;

namespace {
Frame Pic(int slide, int from, double progress, qint64 change) {
  Frame f;
  f.kind = Frame::Picture;
  f.slide = slide;
  f.from = from;
  f.progress = progress;
  f.change = change;
  return f;
}
Frame Kind(Frame::Kind k, int from = -1, qint64 change = 0) {
  Frame f;
  f.kind = k;
  f.from = from;
  f.change = change;
  return f;
}
}  // namespace

TEST(ScheduleTest, OncePlaysEachPictureForItsTimeThenEnds) {
  Schedule s(Timing{3, 1000, 200, 0, 500, false, false});
  struct Case { qint64 t; Frame f; } cases[] = {
      {0, Pic(0, -1, 0.0, 0)},     {100, Pic(0, -1, 0.5, 0)}, {200, Pic(0, -1, 1.0, 0)},
      {999, Pic(0, -1, 1.0, 0)},   {1000, Pic(1, 0, 0.0, 1)}, {1050, Pic(1, 0, 0.25, 1)},
      {2500, Pic(2, 1, 1.0, 2)},   {3000, Kind(Frame::End, 2, 3)}, {3499, Kind(Frame::End, 2, 3)},
      {3500, Kind(Frame::Finished)}, {100000, Kind(Frame::Finished)},
  };
  for (const Case& c : cases) EXPECT_EQ(s.frameAt(c.t), c.f) << c.t;
  EXPECT_FALSE(s.finished(3499));
  EXPECT_TRUE(s.finished(3500));
}

TEST(ScheduleTest, EndlessWrapsAround) {
  Schedule s(Timing{2, 1000, 0, 0, 500, true, false});
  EXPECT_EQ(s.frameAt(1999), Pic(1, 0, 1.0, 1));
  EXPECT_EQ(s.frameAt(2000), Pic(0, 1, 1.0, 2));
  EXPECT_EQ(s.frameAt(1000LL * 1000 * 1000 + 1), Pic(0, 1, 1.0, 1000LL * 1000));
  EXPECT_FALSE(s.finished(1000LL * 1000 * 1000));
}

TEST(ScheduleTest, IntroComesFirst) {
  Schedule s(Timing{1, 1000, 0, 700, 0, false, false});
  EXPECT_EQ(s.frameAt(0).kind, Frame::Intro);
  EXPECT_EQ(s.frameAt(699).kind, Frame::Intro);
  EXPECT_EQ(s.frameAt(700), Pic(0, -1, 1.0, 0));
  EXPECT_TRUE(s.finished(1700));  // no end card
}

TEST(ScheduleTest, TransitionIsCutToHalfTheSlotAndMayVaryPerChange) {
  Schedule s(Timing{2, 1000, 5000, 0, 0, true, false}, [](qint64 change) { return change == 1 ? 100 : 9999; });
  EXPECT_DOUBLE_EQ(s.frameAt(250).progress, 0.5);   // 500 ms for change 0
  EXPECT_DOUBLE_EQ(s.frameAt(1050).progress, 0.5);  // 100 ms for change 1
  EXPECT_DOUBLE_EQ(s.frameAt(1100).progress, 1.0);
}

TEST(ScheduleTest, EmptyShowIsFinishedAtOnce) {
  Schedule s(Timing{0, 1000, 0, 500, 500, true, false});
  EXPECT_TRUE(s.finished(0));
}

TEST(ScheduleTest, ManualWaitsForKeys) {
  Schedule s(Timing{3, 1000, 100, 0, 500, false, true});
  EXPECT_EQ(s.frameAt(1000000), Pic(0, -1, 1.0, 0));
  s.previous(10);  // nothing before the first
  EXPECT_EQ(s.frameAt(200), Pic(0, -1, 1.0, 0));
  s.next(2000);
  EXPECT_EQ(s.frameAt(2050), Pic(1, 0, 0.5, 1));
  EXPECT_EQ(s.frameAt(900000), Pic(1, 0, 1.0, 1));
  s.next(3000);
  s.previous(4000);
  EXPECT_EQ(s.frameAt(5000), Pic(1, 2, 1.0, 3));
  s.next(6000);
  s.next(7000);
  EXPECT_EQ(s.frameAt(99999).kind, Frame::End);  // stays until a key
  s.previous(100000);
  EXPECT_EQ(s.frameAt(100000).slide, 2);
  s.next(100001);
  s.next(100002);
  EXPECT_TRUE(s.finished(100002));
}

TEST(ScheduleTest, KeysInAutomaticModeRestartTheSlot) {
  Schedule s(Timing{3, 1000, 0, 0, 0, true, false});
  s.next(300);
  EXPECT_EQ(s.frameAt(300), Pic(1, 0, 1.0, 1));
  EXPECT_EQ(s.frameAt(1299).slide, 1);
  EXPECT_EQ(s.frameAt(1300), Pic(2, 1, 1.0, 2));
  s.previous(1400);
  EXPECT_EQ(s.frameAt(1400), Pic(1, 2, 1.0, 3));
  s.previous(1500);
  s.previous(1600);  // endless: from the first back to the last
  EXPECT_EQ(s.frameAt(1600).slide, 2);
}

TEST(ScheduleTest, SkippingPastTheLastPictureInAutomaticOnceShowsTheEnd) {
  Schedule s(Timing{2, 1000, 0, 0, 500, false, false});
  s.next(100);
  s.next(200);
  EXPECT_EQ(s.frameAt(200).kind, Frame::End);
  EXPECT_EQ(s.frameAt(699).kind, Frame::End);
  EXPECT_TRUE(s.finished(700));
}
