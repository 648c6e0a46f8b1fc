#include "RasterMath.h"

#include <algorithm>
#include <cstring>

#include "RasterSystem.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kalvora::raster {

void SinCos(float theta, float radius, float& sinOut, float& cosOut) {
  const double t = theta;
  sinOut = static_cast<float>(std::sin(t) * radius);
  cosOut = static_cast<float>(std::cos(t) * radius);
}

std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t d) {
  const bool negative = ((a ^ b ^ d) < 0);
  const std::uint32_t ua = a < 0 ? 0u - static_cast<std::uint32_t>(a) : static_cast<std::uint32_t>(a);
  const std::uint32_t ub = b < 0 ? 0u - static_cast<std::uint32_t>(b) : static_cast<std::uint32_t>(b);
  const std::uint32_t ud = d < 0 ? 0u - static_cast<std::uint32_t>(d) : static_cast<std::uint32_t>(d);
  const std::uint64_t product = static_cast<std::uint64_t>(ua) * ub;
  const std::uint32_t high = static_cast<std::uint32_t>(product >> 32);
  if (static_cast<std::uint32_t>(high * 2u) >= ud) return -1;
  std::uint64_t q = product / ud;
  const std::uint64_t r = product % ud;
  if (ud - r <= r) ++q;
  const std::uint32_t uq = static_cast<std::uint32_t>(q);
  return negative ? static_cast<std::int32_t>(0u - uq) : static_cast<std::int32_t>(uq);
}

TRect MakeRect(const TFloatRect& r, TRectRounding rounding) {
  auto rnd = [](float v) { return static_cast<std::int32_t>(std::lrint(v)); };
  auto flo = [](float v) { return static_cast<std::int32_t>(std::floor(v)); };
  auto cei = [](float v) { return static_cast<std::int32_t>(std::ceil(v)); };
  TRect out;
  switch (rounding) {
    case TRectRounding::rrClosest:
      out = {rnd(r.Left), rnd(r.Top), rnd(r.Right), rnd(r.Bottom)};
      break;
    case TRectRounding::rrOutside:
      out = {flo(r.Left), flo(r.Top), cei(r.Right), cei(r.Bottom)};
      break;
    case TRectRounding::rrInside:
      out = {cei(r.Left), cei(r.Top), flo(r.Right), flo(r.Bottom)};
      if (out.Right < out.Left) out.Right = out.Left;
      if (out.Bottom < out.Top) out.Bottom = out.Top;
      break;
  }
  return out;
}

TRect MakeRect(const TFixedRect& r, TRectRounding rounding) {
  TRect out;
  switch (rounding) {
    case TRectRounding::rrClosest:
      out = {FixedRound(r.Left), FixedRound(r.Top), FixedRound(r.Right), FixedRound(r.Bottom)};
      break;
    case TRectRounding::rrOutside:
      out = {FixedFloor(r.Left), FixedFloor(r.Top), FixedCeil(r.Right), FixedCeil(r.Bottom)};
      break;
    case TRectRounding::rrInside:
      out = {FixedCeil(r.Left), FixedCeil(r.Top), FixedFloor(r.Right), FixedFloor(r.Bottom)};
      if (out.Right < out.Left) out.Right = out.Left;
      if (out.Bottom < out.Top) out.Bottom = out.Top;
      break;
  }
  return out;
}

bool IntersectRect(TRect& dst, const TRect& r1, const TRect& r2) {
  dst.Left = std::max(r1.Left, r2.Left);
  dst.Top = std::max(r1.Top, r2.Top);
  dst.Right = std::min(r1.Right, r2.Right);
  dst.Bottom = std::min(r1.Bottom, r2.Bottom);
  const bool result = dst.Right >= dst.Left && dst.Bottom >= dst.Top;
  if (!result) dst = TRect{};
  return result;
}

bool IntersectRect(TFloatRect& dst, const TFloatRect& r1, const TFloatRect& r2) {
  dst.Left = std::max(r1.Left, r2.Left);
  dst.Top = std::max(r1.Top, r2.Top);
  dst.Right = std::min(r1.Right, r2.Right);
  dst.Bottom = std::min(r1.Bottom, r2.Bottom);
  const bool result = dst.Right >= dst.Left && dst.Bottom >= dst.Top;
  if (!result) dst = TFloatRect{};
  return result;
}

void UnionRect(TRect& dst, const TRect& r1, const TRect& r2) {
  TRect out = r1;
  if (!IsRectEmpty(r2)) {
    out.Left = std::min(out.Left, r2.Left);
    out.Top = std::min(out.Top, r2.Top);
    out.Right = std::max(out.Right, r2.Right);
    out.Bottom = std::max(out.Bottom, r2.Bottom);
  }
  if (IsRectEmpty(out)) out = TRect{};
  dst = out;
}

TFillLongword FillLongword = FillLongword_Mmx;

void FillLongword_Plain(TColor32* x, std::int32_t count, TColor32 value) {
  for (std::int32_t i = 0; i < count; ++i) x[i] = value;
}

void FillLongword_Mmx(TColor32* x, std::int32_t count, TColor32 value) {
  if (count <= 0) return;
  if (count & 1) {
    *x++ = value;
    --count;
  }
  // two words per step, as the 8-byte form; the compiler widens it further
  std::fill_n(x, count, value);
}

void FillLongword_Sse2(TColor32* x, std::int32_t count, TColor32 value) {
#if defined(__SSE2__)
  // beyond about a megabyte the words would only push everything else out of the caches
  if (count >= (1 << 18)) {
    while ((reinterpret_cast<std::uintptr_t>(x) & 15) != 0 && count > 0) {
      *x++ = value;
      --count;
    }
    const __m128i v = _mm_set1_epi32(static_cast<int>(value));
    std::int32_t i = 0;
    for (; i + 16 <= count; i += 16) {
      _mm_stream_si128(reinterpret_cast<__m128i*>(x + i), v);
      _mm_stream_si128(reinterpret_cast<__m128i*>(x + i + 4), v);
      _mm_stream_si128(reinterpret_cast<__m128i*>(x + i + 8), v);
      _mm_stream_si128(reinterpret_cast<__m128i*>(x + i + 12), v);
    }
    _mm_sfence();
    for (; i < count; ++i) x[i] = value;
    return;
  }
#endif
  FillLongword_Mmx(x, count, value);
}

void MoveLongword(const TColor32* source, TColor32* dest, std::int32_t count) {
  if (count <= 0 || source == dest) return;
  std::memmove(dest, source, static_cast<std::size_t>(count) * sizeof(TColor32));
}

bool TestClip(std::int32_t& a, std::int32_t& b, std::int32_t start, std::int32_t stop) {
  TestSwap(a, b);
  if (a < start) a = start;
  if (b >= stop) b = stop - 1;
  return b >= a;
}

std::int32_t Wrap(std::int32_t value, std::int32_t min, std::int32_t max) {
  const std::int64_t n = static_cast<std::int64_t>(max) - min + 1;
  if (n <= 0) return min;
  if (value >= min) return static_cast<std::int32_t>((static_cast<std::int64_t>(value) - min) % n + min);
  return static_cast<std::int32_t>((static_cast<std::int64_t>(value) - max) % n + max);
}

std::int32_t DivMod(std::int32_t dividend, std::int32_t divisor, std::int32_t& remainder) {
  remainder = dividend % divisor;
  return dividend / divisor;
}

std::int32_t Mirror(std::int32_t value, std::int32_t min, std::int32_t max) {
  const std::int64_t n = static_cast<std::int64_t>(max) - min + 1;
  if (n <= 0) return min;
  std::int64_t q, r, result;
  if (value >= min) {
    const std::int64_t v = static_cast<std::int64_t>(value) - min;
    q = v / n; r = v % n;
    result = r + min;
  } else {
    const std::int64_t v = static_cast<std::int64_t>(value) - max;
    q = v / n; r = v % n;
    result = r + max;
  }
  if (q & 1) result = static_cast<std::int64_t>(min) + max - result;
  return static_cast<std::int32_t>(result);
}

const TWrapProc WrapProcs[3] = {Clamp, Wrap, Mirror};

namespace {
void InstallLowLevel(TRoutineLevel level) {
  FillLongword = level == TRoutineLevel::Plain ? FillLongword_Plain
                 : level == TRoutineLevel::Mmx ? FillLongword_Mmx
                                               : FillLongword_Sse2;
}
const bool lowLevelRegistered = (RegisterRoutineInstaller(InstallLowLevel), true);
}  // namespace

}  // namespace kalvora::raster
