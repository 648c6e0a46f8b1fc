// The corpora and timing the archive benchmarks share: text, BMP frames, binaries and random
// bytes, each made the same way so the reading and writing benchmarks measure the same data.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace archive_bench {

using Corpora = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

inline double best(int reps, const std::function<void()>& f) {
  double b = 1e9;
  for (int i = 0; i < reps; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    b = std::min(b, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return b;
}

inline std::vector<uint8_t> readAll(const std::string& p) {
  std::ifstream f(p, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

// A 24-bit BMP of a smooth picture with a little noise, as a photo frame would be.
inline std::vector<uint8_t> frame(int w, int h, int seed) {
  std::vector<uint8_t> v(54 + size_t(w) * size_t(h) * 3);
  v[0] = 'B';
  v[1] = 'M';
  std::mt19937 rng{uint32_t(seed)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      size_t i = 54 + (size_t(y) * size_t(w) + size_t(x)) * 3;
      uint8_t noise = uint8_t(rng() & 7);
      v[i] = uint8_t(x / 3 + seed + noise);
      v[i + 1] = uint8_t(y / 2 + noise);
      v[i + 2] = uint8_t(((x * y) >> 9) + seed * 5);
    }
  return v;
}

// Text is the program's own documents and language file (German and English), repeated.
inline Corpora makeCorpora(const std::string& sourceDir, size_t textBytes, int frames,
                           const std::vector<std::string>& libraries, size_t randomBytes) {
  Corpora corpora;
  std::vector<uint8_t> text, seed;
  for (const char* f : {"README.md", "data/Language.ini", "data/help/help.html", "data/help/vcd.html"}) {
    const auto b = readAll(sourceDir + "/" + f);
    seed.insert(seed.end(), b.begin(), b.end());
  }
  if (seed.empty()) seed.assign(100000, 'x');
  while (text.size() < textBytes) text.insert(text.end(), seed.begin(), seed.end());
  corpora.emplace_back("text", std::move(text));
  std::vector<uint8_t> bmp;
  for (int i = 0; i < frames; ++i) {
    const auto f = frame(1280, 1024, i);
    bmp.insert(bmp.end(), f.begin(), f.end());
  }
  corpora.emplace_back("bmp", std::move(bmp));
  std::vector<uint8_t> bin = readAll("/proc/self/exe");
  for (const std::string& p : libraries) {
    const auto b = readAll(p);
    bin.insert(bin.end(), b.begin(), b.end());
  }
  corpora.emplace_back("binary", std::move(bin));
  std::mt19937 rng(1);
  std::vector<uint8_t> r(randomBytes);
  for (auto& b : r) b = uint8_t(rng());
  corpora.emplace_back("random", std::move(r));
  return corpora;
}

}  // namespace archive_bench
