// The lines of Print.txt as the print reports take them apart: a valid line never names a path.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "PrintItems.h"
#include "StringList.h"
#include "TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  for (const QString& line : kalvora::SplitLines(kalvora::DecodeText(bytes))) {
    const PrintItem item = ParsePrintLine(line);
    if (item.valid && (item.fileName.isEmpty() || item.fileName.contains('/') || item.fileName.contains('\\') ||
                       item.fileName == ".." || item.fileName == "."))
      std::terminate();
  }
  return 0;
}
