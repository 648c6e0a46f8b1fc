#include "RasterSystem.h"

#include <mutex>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace kalvora::raster {

bool USE_THEMES = false;

namespace {

struct CpuWords {
  bool hasCpuid = false;
  unsigned family = 0;
  unsigned edx1 = 0;
  unsigned maxExt = 0;
  unsigned edxExt = 0;
};

CpuWords ReadCpu() {
  CpuWords w;
#if defined(__x86_64__) || defined(__i386__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d)) {
    w.hasCpuid = true;
    w.family = (a >> 8) & 0xF;
    w.edx1 = d;
    w.maxExt = __get_cpuid_max(0x80000000, nullptr);
    if (w.maxExt >= 0x80000001 && __get_cpuid(0x80000001, &a, &b, &c, &d)) w.edxExt = d;
  }
#endif
  return w;
}

const CpuWords& Cpu() {
  static const CpuWords words = ReadCpu();
  return words;
}

std::vector<TRoutineInstaller>& Installers() {
  static std::vector<TRoutineInstaller> list;
  return list;
}

TRoutineLevel& CurrentLevel() {
  static TRoutineLevel level = DetectedRoutineLevel();
  return level;
}

TClockFunction& InjectedClock() {
  static TClockFunction clock;
  return clock;
}

}  // namespace

bool HasInstructionSet(TCPUInstructionSet set) {
  const CpuWords& w = Cpu();
  if (!w.hasCpuid || w.family < 5) return false;
  const bool hasExt = w.maxExt >= 0x80000001;
  switch (set) {
    case TCPUInstructionSet::ciMMX: return (w.edx1 & 0x800000u) != 0;
    case TCPUInstructionSet::ciMMXEx:
      if (w.edx1 & 0x2000000u) return true;
      return hasExt && (w.edxExt & 0x400000u) != 0;
    case TCPUInstructionSet::ciSSE: return (w.edx1 & 0x2000000u) != 0;
    case TCPUInstructionSet::ciSSE2: return (w.edx1 & 0x4000000u) != 0;
    case TCPUInstructionSet::ci3DNow: return hasExt && (w.edxExt & 0x80000000u) != 0;
    case TCPUInstructionSet::ci3DNowExt: return hasExt && (w.edxExt & 0x40000000u) != 0;
  }
  return false;
}

TRoutineLevel DetectedRoutineLevel() {
#if defined(__SSE2__)
  if (HasInstructionSet(TCPUInstructionSet::ciSSE2)) return TRoutineLevel::Sse2;
#endif
  if (HasMMX()) return TRoutineLevel::Mmx;
  return TRoutineLevel::Plain;
}

TRoutineLevel RoutineLevel() { return CurrentLevel(); }

void SetRoutineLevel(TRoutineLevel level) {
  const TRoutineLevel top = DetectedRoutineLevel();
  if (static_cast<int>(level) > static_cast<int>(top)) level = top;
  CurrentLevel() = level;
  for (TRoutineInstaller install : Installers()) install(level);
}

void RegisterRoutineInstaller(TRoutineInstaller installer) {
  Installers().push_back(installer);
  installer(CurrentLevel());
}

void SetClock(TClockFunction clock) { InjectedClock() = std::move(clock); }

std::int64_t ClockMicroseconds() {
  if (InjectedClock()) return InjectedClock()();
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

std::uint32_t GetTickCount() { return static_cast<std::uint32_t>(ClockMicroseconds() / 1000); }

void TPerfTimer::Start() { start_ = ClockMicroseconds(); }

std::int64_t TPerfTimer::ReadValue() {
  stop_ = ClockMicroseconds();
  frequency_ = 1000000;
  return (stop_ - start_) * 1000000 / frequency_;
}

TPerfTimer& GlobalPerfTimer() {
  static TPerfTimer timer;
  return timer;
}

bool InitThemeLibrary() { return false; }
void FreeThemeLibrary() { USE_THEMES = false; }
bool UseThemes() { return false; }

}  // namespace kalvora::raster
