#include "Random.h"

#include <chrono>

namespace kalvora {

void FxRandom::randomize() {
  auto t = std::chrono::steady_clock::now().time_since_epoch();
  seed_ = std::uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(t).count());
}

int FxRandom::random(int n) {
  if (n <= 0) return 0;
  return int((std::uint64_t(step()) * std::uint64_t(std::uint32_t(n))) >> 32);
}

double FxRandom::randomFloat() { return double(step()) * (1.0 / 4294967296.0); }

FxRandom& FxRandom::shared() {
  static FxRandom generator;
  return generator;
}

}  // namespace kalvora
