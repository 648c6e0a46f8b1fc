#pragma once
// File helpers for the archive tests (std only, so the library stays Qt-free); a small disk
// of its own is tests/support/SmallDisk.h.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace ziptest {

// A fresh folder under /tmp, removed with everything in it at the end of the test.
struct TempDir {
  std::string path;
  TempDir() {
    char t[] = "/tmp/kvarchXXXXXX";
    path = ::mkdtemp(t);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  std::string operator/(const std::string& n) const { return path + "/" + n; }
};

inline void writeFile(const std::string& path, const std::vector<uint8_t>& data) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

inline std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

inline std::vector<uint8_t> bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

inline std::vector<uint8_t> randomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = uint8_t(rng());
  return v;
}

// Text-like data with repeats, so every code path of a compressor is taken.
inline std::vector<uint8_t> textBytes(size_t n, uint32_t seed) {
  static const char* words[] = {"Rahmen ", "Bild ", "Diashow ", "der ", "die ", "und ", "Kalvora ", "\r\n", "Archiv ",
                                "zoom ", "0123 ", "Übergang "};
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < n) s += words[rng() % 12];
  s.resize(n);
  return bytes(s);
}

// A 24-bit BMP-like picture: header, then smooth gradients.
inline std::vector<uint8_t> bmpBytes(int w, int h) {
  std::vector<uint8_t> v(54 + size_t(w) * size_t(h) * 3, 0);
  v[0] = 'B';
  v[1] = 'M';
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      size_t i = 54 + (size_t(y) * size_t(w) + size_t(x)) * 3;
      v[i] = uint8_t(x);
      v[i + 1] = uint8_t(y * 2);
      v[i + 2] = uint8_t((x + y) / 3);
    }
  return v;
}

inline bool have(const char* tool) {
  std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

inline int run(const std::string& cmd) { return std::system(cmd.c_str()); }

}  // namespace ziptest
