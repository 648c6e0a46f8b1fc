#include "Random.h"

#include <chrono>

#include "FxTables.h"

namespace kalvora {

void FxRandom::randomize() {
  auto t = std::chrono::steady_clock::now().time_since_epoch();
  seed_ = std::uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(t).count());
}

int FxRandom::random(int n) {
  if (n <= 0) return 0;
  return int((std::uint64_t(step()) * std::uint64_t(std::uint32_t(n))) >> 32);
}

void FxRandom::randomBlock(int n, int* out, std::size_t count) {
  if (n <= 0) {
    for (std::size_t i = 0; i < count; ++i) out[i] = 0;
    return;
  }
  const std::uint64_t range = std::uint32_t(n);
  // Sixteen at a time by vector where the processor can.
  std::size_t i = fx::VectorRandomBlock(seed_, std::uint32_t(n), out, count);
  out += i;
  count -= i;
  i = 0;
  if (count >= 8) {
    // Four interleaved lanes, each jumping four steps: seed(k + 4) = a^4 seed(k) + (a^3 + a^2 + a + 1).
    constexpr std::uint32_t a = 134775813u;
    constexpr std::uint32_t a2 = a * a, a3 = a2 * a, a4 = a3 * a;
    constexpr std::uint32_t c4 = a3 + a2 + a + 1u;
    std::uint32_t l0 = seed_ * a + 1u;
    std::uint32_t l1 = l0 * a + 1u;
    std::uint32_t l2 = l1 * a + 1u;
    std::uint32_t l3 = l2 * a + 1u;
    for (;;) {
      out[i] = int((std::uint64_t(l0) * range) >> 32);
      out[i + 1] = int((std::uint64_t(l1) * range) >> 32);
      out[i + 2] = int((std::uint64_t(l2) * range) >> 32);
      out[i + 3] = int((std::uint64_t(l3) * range) >> 32);
      i += 4;
      if (count - i < 4) break;
      l0 = l0 * a4 + c4;
      l1 = l1 * a4 + c4;
      l2 = l2 * a4 + c4;
      l3 = l3 * a4 + c4;
    }
    seed_ = l3;
  }
  for (; i < count; ++i) out[i] = random(n);
}

double FxRandom::randomFloat() { return double(step()) * (1.0 / 4294967296.0); }

FxRandom& FxRandom::shared() {
  static FxRandom generator;
  return generator;
}

}  // namespace kalvora
