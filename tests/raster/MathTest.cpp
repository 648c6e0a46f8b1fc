// Fixed point, the word routines, the wrap rules and the rectangle helpers.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "RasterMath.h"
#include "RasterSystem.h"

using namespace kalvora::raster;

TEST(FixedPoint, RoundingTable) {
  struct Case {
    TFixed a;
    int floor, ceil, round;
  } cases[] = {
      {0x18000, 1, 2, 1},    // 1.5: halves round down
      {-0x8000, -1, 0, -1},  // -0.5
      {0x10001, 1, 2, 1},
      {-1, -1, 0, 0},
      {0x8000, 0, 1, 0},     // 0.5
      {0x8001, 0, 1, 1},
      {-0x18000, -2, -1, -2},  // -1.5
      {0x7FFFFFFF, 0x7FFF, 0x8000, 0x8000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FixedFloor(c.a), c.floor) << c.a;
    EXPECT_EQ(FixedCeil(c.a), c.ceil) << c.a;
    EXPECT_EQ(FixedRound(c.a), c.round) << c.a;
  }
  EXPECT_EQ(Fixed(3), 0x30000);
  EXPECT_EQ(Fixed(-2), -0x20000);
  // float to fixed rounds to nearest, ties to even
  EXPECT_EQ(Fixed(1.0f), 0x10000);
  EXPECT_EQ(Fixed(0.5f / 65536.0f), 0);
  EXPECT_EQ(Fixed(1.5f / 65536.0f), 2);
  EXPECT_EQ(Fixed(-2.5f / 65536.0f), -2);
}

TEST(FixedPoint, MulAndDiv) {
  EXPECT_EQ(FixedMul(Fixed(3), Fixed(4)), Fixed(12));
  EXPECT_EQ(FixedMul(Fixed(-3), 0x8000), -0x18000);
  EXPECT_EQ(FixedMul(-1, 1), -1);  // arithmetic shift of -1 stays -1
  EXPECT_EQ(FixedDiv(Fixed(1), Fixed(4)), 0x4000);
  EXPECT_EQ(FixedDiv(Fixed(-7), Fixed(2)), -0x38000);
}

TEST(FixedPoint, MulDivRoundsAndReportsOverflow) {
  struct Case {
    int a, b, d, result;
  } cases[] = {
      {7, 3, 2, 11},    // 10.5 rounds away from zero
      {-7, 3, 2, -11},
      {7, -3, -2, 11},
      {1, 1, 0, -1},    // division by zero
      {65536, 65536, 1, -1},  // overflow
      {10, 10, 3, 33},
      {1000000, 1000000, 1000000, 1000000},
      {0x40000000, 2, 4, 0x20000000},
  };
  for (const Case& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.d), c.result) << c.a << " " << c.b << " " << c.d;
}

TEST(LowLevel, WrapMirrorClamp) {
  EXPECT_EQ(Wrap(-1, 0, 9), 9);
  EXPECT_EQ(Wrap(10, 0, 9), 0);
  EXPECT_EQ(Mirror(10, 0, 9), 9);
  EXPECT_EQ(Mirror(-1, 0, 9), 0);
  EXPECT_EQ(Mirror(20, 0, 9), 0);
  EXPECT_EQ(Clamp(-5, 0, 9), 0);
  EXPECT_EQ(Clamp(15, 0, 9), 9);
  // across several periods on both sides: always in range; mirror repeats each edge value
  for (int min : {0, -3, 5}) {
    const int max = min + 6, n = 7;
    for (int v = min - 5 * n; v <= max + 5 * n; ++v) {
      const int w = Wrap(v, min, max), m = Mirror(v, min, max);
      ASSERT_GE(w, min);
      ASSERT_LE(w, max);
      ASSERT_GE(m, min);
      ASSERT_LE(m, max);
      EXPECT_EQ(w, Wrap(v + n, min, max));
      EXPECT_EQ(m, Mirror(v + 2 * n, min, max));
      if (v >= min && v <= max) {
        EXPECT_EQ(w, v);
        EXPECT_EQ(m, v);
      }
    }
    EXPECT_EQ(Mirror(max + 1, min, max), max);
    EXPECT_EQ(Mirror(min - 1, min, max), min);
  }
  EXPECT_EQ(WrapProcs[static_cast<int>(TWrapMode::wmRepeat)](-1, 0, 9), 9);
  // extreme values do not overflow
  EXPECT_GE(Wrap(INT32_MIN, 0, 9), 0);
  EXPECT_LE(Mirror(INT32_MAX, -5, 5), 5);
}

TEST(LowLevel, TestClipAndConstrain) {
  int a = 8, b = 3;
  EXPECT_TRUE(TestClip(a, b, 5, 7));
  EXPECT_EQ(a, 5);
  EXPECT_EQ(b, 6);
  a = 8, b = 3;
  EXPECT_FALSE(TestClip(a, b, 10, 20));
  EXPECT_FLOAT_EQ(Constrain(2.5f, 0.0f, 1.0f), 1.0f);
  EXPECT_FLOAT_EQ(Constrain(-0.5f, 0.0f, 1.0f), 0.0f);
  EXPECT_EQ(Constrain(7, 1, 5), 5);
  int r;
  EXPECT_EQ(DivMod(-7, 2, r), -3);
  EXPECT_EQ(r, -1);
  EXPECT_EQ(SAR_8(-256), -1);
  EXPECT_EQ(SAR_9(-1), -1);
}

TEST(LowLevel, FillAndMoveInBothForms) {
  for (TRoutineLevel level : {TRoutineLevel::Plain, TRoutineLevel::Mmx}) {
    SetRoutineLevel(level);
    for (int count : {-3, 0, 1, 2, 7, 64}) {
      std::vector<TColor32> buf(70, 0x11111111u);
      FillLongword(buf.data() + 1, count, 0xCAFEBABEu);
      EXPECT_EQ(buf[0], 0x11111111u);
      for (int i = 0; i < 68; ++i)
        EXPECT_EQ(buf[static_cast<std::size_t>(i + 1)], i < count ? 0xCAFEBABEu : 0x11111111u) << count << " " << i;
    }
  }
  SetRoutineLevel(DetectedRoutineLevel());
  // the streaming form for long runs, from an unaligned start
  std::vector<TColor32> big((1 << 18) + 40, 7u);
  FillLongword_Sse2(big.data() + 3, (1 << 18) + 33, 0x12345678u);
  EXPECT_EQ(big[2], 7u);
  EXPECT_EQ(big[3], 0x12345678u);
  EXPECT_EQ(big[(1 << 18) + 35], 0x12345678u);
  EXPECT_EQ(big[(1 << 18) + 36], 7u);
  EXPECT_EQ(std::count(big.begin(), big.end(), 0x12345678u), (1 << 18) + 33);
  std::vector<TColor32> v{1, 2, 3, 4, 5};
  MoveLongword(v.data() + 1, v.data(), 4);  // forward over an overlap, destination below
  EXPECT_EQ(v, (std::vector<TColor32>{2, 3, 4, 5, 5}));
  MoveLongword(v.data(), v.data(), 5);
  MoveLongword(v.data(), v.data() + 1, 0);
  EXPECT_EQ(v, (std::vector<TColor32>{2, 3, 4, 5, 5}));
}

TEST(Rectangles, MakeRectRoundingsAndSetOperations) {
  EXPECT_EQ(MakeRect(FloatRect(0.2f, 0.2f, 0.4f, 0.4f), TRectRounding::rrInside), (TRect{1, 1, 1, 1}));
  EXPECT_EQ(MakeRect(FloatRect(0.2f, 0.5f, 2.5f, 3.5f), TRectRounding::rrClosest), (TRect{0, 0, 2, 4}));
  EXPECT_EQ(MakeRect(FloatRect(-0.2f, 0.2f, 1.2f, 1.0f), TRectRounding::rrOutside), (TRect{-1, 0, 2, 1}));
  EXPECT_EQ(MakeRect(FixedRect(0x8000, 0x18000, 0x28001, -0x8000), TRectRounding::rrClosest), (TRect{0, 1, 3, -1}));
  TRect r;
  EXPECT_TRUE(IntersectRect(r, {0, 0, 10, 10}, {10, 2, 20, 5}));  // zero width still counts
  EXPECT_EQ(r, (TRect{10, 2, 10, 5}));
  EXPECT_FALSE(IntersectRect(r, {0, 0, 10, 10}, {11, 2, 20, 5}));
  EXPECT_EQ(r, TRect{});
  UnionRect(r, {0, 0, 2, 2}, {5, 5, 5, 9});  // the empty one adds nothing
  EXPECT_EQ(r, (TRect{0, 0, 2, 2}));
  UnionRect(r, {0, 0, 2, 2}, {5, 5, 6, 9});
  EXPECT_EQ(r, (TRect{0, 0, 6, 9}));
  EXPECT_TRUE(PtInRect({0, 0, 2, 2}, {1, 1}));
  EXPECT_FALSE(PtInRect({0, 0, 2, 2}, {2, 1}));
}

TEST(System, InjectedClockDrivesTheTimerAndTicks) {
  std::int64_t now = 5'000'000;
  SetClock([&now] { return now; });
  TPerfTimer t;
  t.Start();
  now += 1234;
  EXPECT_EQ(t.ReadValue(), 1234);
  now += 2'000'000;
  EXPECT_EQ(t.ReadValue(), 2'001'234);
  EXPECT_EQ(GetTickCount(), 7001u);
  GlobalPerfTimer().Start();
  now += 10;
  EXPECT_EQ(GlobalPerfTimer().ReadValue(), 10);
  SetClock({});
  const std::int64_t a = ClockMicroseconds();
  EXPECT_GE(ClockMicroseconds(), a);  // the real, monotonic clock again
}

// Sine and cosine scaled by the radius: 30 degrees gives 1 and the square root of 3 at radius
// 2, a half and a whole turn give the axes.
TEST(RasterMath, SinCosScalesByTheRadius) {
  struct Case {
    float theta, radius, sin, cos;
  };
  const Case cases[] = {
      {0.0f, 5.0f, 0.0f, 5.0f},
      {0.52359878f, 2.0f, 1.0f, 1.7320508f},
      {3.14159265f, 3.0f, 0.0f, -3.0f},
      {-1.57079633f, 1.5f, -1.5f, 0.0f},
  };
  for (const Case& c : cases) {
    float s = 99, co = 99;
    SinCos(c.theta, c.radius, s, co);
    EXPECT_NEAR(s, c.sin, 1e-5) << c.theta;
    EXPECT_NEAR(co, c.cos, 1e-5) << c.theta;
  }
}
