#pragma once
// TAR bytes written by hand for the archive tests: ustar headers with the GNU magic,
// entries padded to whole blocks.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace ziptest {

// One 512-byte ustar header written by hand: octal fields, GNU magic, checksum.
inline std::vector<uint8_t> tarHeader(const std::string& name, int64_t size, char type = '0') {
  std::vector<uint8_t> b(512, 0);
  std::memcpy(b.data(), name.data(), std::min<size_t>(name.size(), 100));
  std::snprintf(reinterpret_cast<char*>(&b[100]), 8, "%07o", 0644);
  std::snprintf(reinterpret_cast<char*>(&b[108]), 8, "%07o", 0);
  std::snprintf(reinterpret_cast<char*>(&b[116]), 8, "%07o", 0);
  std::snprintf(reinterpret_cast<char*>(&b[124]), 12, "%011llo", static_cast<unsigned long long>(size));
  std::snprintf(reinterpret_cast<char*>(&b[136]), 12, "%011o", 1000000);
  b[156] = uint8_t(type);
  std::memcpy(&b[257], "ustar  ", 8);
  std::memset(&b[148], ' ', 8);
  unsigned sum = 0;
  for (uint8_t c : b) sum += c;
  std::snprintf(reinterpret_cast<char*>(&b[148]), 8, "%06o", sum);
  return b;
}

inline void append(std::vector<uint8_t>& v, const std::vector<uint8_t>& more) { v.insert(v.end(), more.begin(), more.end()); }

// An entry with its data padded to whole blocks.
inline void addTarEntry(std::vector<uint8_t>& tar, const std::string& name, const std::string& data) {
  append(tar, tarHeader(name, int64_t(data.size())));
  std::vector<uint8_t> body(data.begin(), data.end());
  body.resize((body.size() + 511) / 512 * 512, 0);
  append(tar, body);
}

}  // namespace ziptest
