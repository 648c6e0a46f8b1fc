#pragma once
// The one pseudo-random generator of the effects engine (noise filters, drawing tools).
//
// It is the classic 32-bit linear congruential generator of the class library's runtime
// (seed := seed * 134775813 + 1; Random(n) takes the high 32 bits of seed * n), so a seed
// always gives the same sequence. Everything in effects/ draws from FxRandom::shared() unless a
// component was handed another generator; tests seed it or inject their own.
#include <cstddef>
#include <cstdint>

namespace kalvora {

class FxRandom {
 public:
  explicit FxRandom(std::uint32_t seed = 0) : seed_(seed) {}

  void setSeed(std::uint32_t seed) { seed_ = seed; }
  std::uint32_t seed() const { return seed_; }
  // Seeds from the clock (the runtime's Randomize).
  void randomize();

  // Uniform integer 0 .. n - 1; 0 for n <= 0 (no draw is made then).
  int random(int n);
  // The same values as count calls of random(n), in order, into out (computed four at a time).
  void randomBlock(int n, int* out, std::size_t count);
  // Uniform floating value in [0, 1).
  double randomFloat();

  // The process-wide generator.
  static FxRandom& shared();

 private:
  std::uint32_t step() {
    seed_ = seed_ * 134775813u + 1u;
    return seed_;
  }
  std::uint32_t seed_;
};

}  // namespace kalvora
