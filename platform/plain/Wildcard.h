#pragma once
// The one wildcard match of file names, for the Qt side (platform/FileOps) and the plain C++
// libraries (archive) alike: "*" stands for any run of characters, the empty one too, "?" for
// exactly one character; a mask of "*" or "*.*" matches every name, one without a point and
// the empty one too, as in every shell. Plain C++, header only.
#include <cstddef>

namespace kalvora {

// name from index n against mask from index m; same(maskChar, nameChar) compares two
// characters (with or without case). Works on any string type with size() and operator[].
// Iterative with one back-tracking point for the last "*": never exponential.
template <typename Name, typename Mask, typename Same>
bool WildcardMatch(const Name& name, std::size_t n, const Mask& mask, std::size_t m, Same same) {
  const std::size_t nameSize = std::size_t(name.size()), maskSize = std::size_t(mask.size());
  if (m == 0 && ((maskSize == 1 && mask[0] == '*') ||
                 (maskSize == 3 && mask[0] == '*' && mask[1] == '.' && mask[2] == '*')))
    return true;
  constexpr std::size_t kNone = ~std::size_t(0);
  std::size_t starM = kNone, starN = 0;
  while (n < nameSize) {
    if (m < maskSize && (mask[m] == '?' || (mask[m] != '*' && same(mask[m], name[n])))) {
      ++n;
      ++m;
    } else if (m < maskSize && mask[m] == '*') {
      starM = m++;
      starN = n;
    } else if (starM != kNone) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < maskSize && mask[m] == '*') ++m;
  return m == maskSize;
}

}  // namespace kalvora
