// String and path helpers on arbitrary text.
#include <cstddef>
#include <cstdint>

#include "StringHelpers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const QString delims = QString::fromUtf8(reinterpret_cast<const char*>(data), 1);
  const QString s = QString::fromUtf8(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
  const int words = CountWords(s, delims);
  for (int n = 0; n <= words + 1; ++n) ExtractWordN(unsigned(n), s, delims);
  double r = 0;
  TextToFloat(s, r);
  int p = 0;
  HasFileExtension(s, p);
  FirstCharPosition(s, '|', p);
  FileBaseName(s);
  DirectoryPart(s);
  AddTrailingBackslash(s);
  TrimBlanks(s);
  TrimTrailingBlanks(s);
  PadLeftWithChar(s, '0', int(size % 300));
  FloatToTextFixed(r, static_cast<unsigned char>(data[0]), static_cast<signed char>(data[1]));
  return 0;
}
