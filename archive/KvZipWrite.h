#pragma once
// Writing ZIP archives: every item's data is made first (kept, compressed with our
// Deflate or Deflate64, stored, encrypted), then the archive is written to temporary
// files that replace the old ones only when all went well; a size limit splits it into
// a spanned set (the archive's name first, then name.z01 ... name.z99).
#include "KvZip.h"

namespace kv {

class KvZipWriter {
 public:
  static void Save(TKvZipArchive& a);

 private:
  struct Written;
  // The archive reads the files just written: their parts, end record and stub.
  static void adoptWritten(TKvZipArchive& a, const Written& written);
  static void settleItems(TKvZipArchive& a);
};

}  // namespace kv
