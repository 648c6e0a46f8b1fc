#pragma once
// Processor features, the fine timer and the theme binding of the raster library.
//
// Per-pixel routines (blend, fill, interpolation, block average) are chosen once at start from
// the processor's features and called through routine pointers. Every x86-64 processor has MMX,
// so the MMX arithmetic is the reference; the SSE2 forms give the same bits. Tests switch the
// whole library to another level with SetRoutineLevel.
#include <chrono>
#include <cstdint>
#include <functional>

namespace kalvora::raster {

enum class TCPUInstructionSet { ciMMX, ciMMXEx, ciSSE, ciSSE2, ci3DNow, ci3DNowExt };

bool HasInstructionSet(TCPUInstructionSet set);
inline bool HasMMX() { return HasInstructionSet(TCPUInstructionSet::ciMMX); }
inline bool HasMMXEx() { return HasInstructionSet(TCPUInstructionSet::ciMMXEx); }
inline bool Has3DNow() { return HasInstructionSet(TCPUInstructionSet::ci3DNow); }

// Which family of per-pixel routines is installed.
//   Plain: the two-channels-per-multiply integer arithmetic (no MMX on the processor).
//   Mmx:   the 16-bit-lane arithmetic, one pixel at a time (the reference on every x86-64).
//   Sse2:  the Mmx arithmetic, several pixels per step where that pays; bit-identical to Mmx.
enum class TRoutineLevel { Plain, Mmx, Sse2 };

// The level the processor supports (what start-up installs).
TRoutineLevel DetectedRoutineLevel();
// The level installed now.
TRoutineLevel RoutineLevel();
// Test hook: reinstalls every routine pointer of the library at the given level (a level above
// what the processor supports is lowered to it).
void SetRoutineLevel(TRoutineLevel level);

// Units with processor-dependent routines register their installer here (once, at start).
using TRoutineInstaller = void (*)(TRoutineLevel);
void RegisterRoutineInstaller(TRoutineInstaller installer);

// The clock behind TPerfTimer and GetTickCount; tests inject their own.
using TClockFunction = std::function<std::int64_t()>;  // microseconds, monotonic
void SetClock(TClockFunction clock);                   // an empty function restores the real clock
std::int64_t ClockMicroseconds();
// Milliseconds of the same clock (the repaint optimizer's check times).
std::uint32_t GetTickCount();

class TPerfTimer {
 public:
  void Start();
  // Microseconds since Start.
  std::int64_t ReadValue();

 private:
  std::int64_t frequency_ = 1000000;
  std::int64_t start_ = 0;
  std::int64_t stop_ = 0;
};

TPerfTimer& GlobalPerfTimer();

// Themed drawing: there is no theme library on this platform, so the binding reports
// "not available" and the bars draw their own parts.
bool InitThemeLibrary();
void FreeThemeLibrary();
bool UseThemes();
extern bool USE_THEMES;

}  // namespace kalvora::raster
