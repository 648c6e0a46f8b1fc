#pragma once
// 16.16 fixed point, point and rectangle records, and the low-level word routines.
//
// Rounding: "round" is to nearest with halves to even (std::nearbyint under the default mode);
// FixedRound rounds halves down and MulDiv halves away from zero, as their callers expect.
#include <cmath>
#include <cstdint>

namespace kalvora::raster {

using TFixed = std::int32_t;  // 16.16: 1.0 = 0x10000
using TFloat = float;
using TColor32 = std::uint32_t;

constexpr TFixed FixedOne = 0x10000;
constexpr TFixed FixedHalf = 0x7FFF;
constexpr float FixedToFloat = 1.0f / 65536.0f;
constexpr float FloatToFixed = 65536.0f;

struct TPoint {
  std::int32_t X = 0, Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};
struct TFixedPoint {
  TFixed X = 0, Y = 0;
  friend bool operator==(const TFixedPoint&, const TFixedPoint&) = default;
};
struct TFloatPoint {
  TFloat X = 0, Y = 0;
  friend bool operator==(const TFloatPoint&, const TFloatPoint&) = default;
};
using TFixedVector = TFixedPoint;
using TFloatVector = TFloatPoint;

struct TRect {
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  std::int32_t Width() const { return Right - Left; }
  std::int32_t Height() const { return Bottom - Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};
struct TFixedRect {
  TFixed Left = 0, Top = 0, Right = 0, Bottom = 0;
  friend bool operator==(const TFixedRect&, const TFixedRect&) = default;
};
struct TFloatRect {
  TFloat Left = 0, Top = 0, Right = 0, Bottom = 0;
  friend bool operator==(const TFloatRect&, const TFloatRect&) = default;
};

enum class TRectRounding { rrClosest, rrOutside, rrInside };

// ---- fixed point ----
constexpr TFixed Fixed(std::int32_t i) { return static_cast<TFixed>(static_cast<std::uint32_t>(i) << 16); }
inline TFixed Fixed(float s) { return static_cast<TFixed>(std::lrint(static_cast<double>(s) * 65536.0)); }
constexpr std::int32_t FixedFloor(TFixed a) { return a >> 16; }
constexpr std::int32_t FixedCeil(TFixed a) {
  return static_cast<std::int32_t>((static_cast<std::int64_t>(a) + 0xFFFF) >> 16);
}
constexpr std::int32_t FixedRound(TFixed a) {
  return static_cast<std::int32_t>((static_cast<std::int64_t>(a) + 0x7FFF) >> 16);
}
constexpr TFixed FixedMul(TFixed a, TFixed b) {
  return static_cast<TFixed>(static_cast<std::uint32_t>(
      static_cast<std::uint64_t>((static_cast<std::int64_t>(a) * b) >> 16)));
}
// The caller keeps b non-zero and the quotient in range.
constexpr TFixed FixedDiv(TFixed a, TFixed b) {
  return static_cast<TFixed>((static_cast<std::int64_t>(a) * 65536) / b);
}
void SinCos(float theta, float radius, float& sinOut, float& cosOut);
// Rounded a * b / d without 64-bit overflow; -1 on overflow and for d = 0.
std::int32_t MulDiv(std::int32_t multiplicand, std::int32_t multiplier, std::int32_t divisor);

// ---- points and rectangles ----
inline TPoint Point(std::int32_t x, std::int32_t y) { return {x, y}; }
inline TFloatPoint FloatPoint(float x, float y) { return {x, y}; }
inline TFloatPoint FloatPoint(TFixedPoint p) { return {p.X * FixedToFloat, p.Y * FixedToFloat}; }
inline TFixedPoint FixedPoint(std::int32_t x, std::int32_t y) { return {Fixed(x), Fixed(y)}; }
inline TFixedPoint FixedPoint(float x, float y) { return {Fixed(x), Fixed(y)}; }
inline TFixedPoint FixedPoint(TFloatPoint p) { return {Fixed(p.X), Fixed(p.Y)}; }
inline TRect MakeRect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) { return {l, t, r, b}; }
TRect MakeRect(const TFloatRect& r, TRectRounding rounding = TRectRounding::rrClosest);
TRect MakeRect(const TFixedRect& r, TRectRounding rounding = TRectRounding::rrClosest);
inline TFixedRect FixedRect(TFixed l, TFixed t, TFixed r, TFixed b) { return {l, t, r, b}; }
inline TFixedRect FixedRect(const TRect& r) { return {Fixed(r.Left), Fixed(r.Top), Fixed(r.Right), Fixed(r.Bottom)}; }
inline TFloatRect FloatRect(float l, float t, float r, float b) { return {l, t, r, b}; }
inline TFloatRect FloatRect(const TRect& r) {
  return {static_cast<float>(r.Left), static_cast<float>(r.Top), static_cast<float>(r.Right),
          static_cast<float>(r.Bottom)};
}
bool IntersectRect(TRect& dst, const TRect& r1, const TRect& r2);
bool IntersectRect(TFloatRect& dst, const TFloatRect& r1, const TFloatRect& r2);
void UnionRect(TRect& dst, const TRect& r1, const TRect& r2);
inline bool EqualRect(const TRect& a, const TRect& b) { return a == b; }
inline void InflateRect(TRect& r, std::int32_t dx, std::int32_t dy) {
  r.Left -= dx; r.Top -= dy; r.Right += dx; r.Bottom += dy;
}
inline void OffsetRect(TRect& r, std::int32_t dx, std::int32_t dy) {
  r.Left += dx; r.Top += dy; r.Right += dx; r.Bottom += dy;
}
inline bool IsRectEmpty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }
inline bool IsRectEmpty(const TFloatRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }
inline bool PtInRect(const TRect& r, TPoint p) {
  return r.Left <= p.X && p.X < r.Right && r.Top <= p.Y && p.Y < r.Bottom;
}

// ---- low-level word routines ----
using TFillLongword = void (*)(TColor32* x, std::int32_t count, TColor32 value);
extern TFillLongword FillLongword;  // chosen at start
void FillLongword_Plain(TColor32* x, std::int32_t count, TColor32 value);
void FillLongword_Mmx(TColor32* x, std::int32_t count, TColor32 value);
// Long runs go around the caches (streaming stores), as memset does.
void FillLongword_Sse2(TColor32* x, std::int32_t count, TColor32 value);
// Copies count words forward; safe for any overlap.
void MoveLongword(const TColor32* source, TColor32* dest, std::int32_t count);

template <typename T> inline void Swap(T& a, T& b) { T t = a; a = b; b = t; }
template <typename T> inline void TestSwap(T& a, T& b) { if (a > b) Swap(a, b); }
// Orders the span, limits it to start .. stop - 1; true when something is left.
bool TestClip(std::int32_t& a, std::int32_t& b, std::int32_t start, std::int32_t stop);
inline std::int32_t Constrain(std::int32_t v, std::int32_t lo, std::int32_t hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}
inline float Constrain(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline std::int32_t Clamp(std::int32_t v, std::int32_t min, std::int32_t max) {
  return v > max ? max : (v < min ? min : v);
}
std::int32_t Wrap(std::int32_t value, std::int32_t min, std::int32_t max);
std::int32_t Mirror(std::int32_t value, std::int32_t min, std::int32_t max);
std::int32_t DivMod(std::int32_t dividend, std::int32_t divisor, std::int32_t& remainder);
constexpr std::int32_t SAR_8(std::int32_t v) { return v >> 8; }
constexpr std::int32_t SAR_9(std::int32_t v) { return v >> 9; }

enum class TWrapMode : std::uint8_t { wmClamp, wmRepeat, wmMirror };
using TWrapProc = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t);
extern const TWrapProc WrapProcs[3];

}  // namespace kalvora::raster
