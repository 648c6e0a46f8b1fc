// TAR reading: any bytes give a list of entries or the library's error, never a hang
// or a read outside the data; every listed entry's data lies inside the file, and the
// lister that reads a TAR as it passes finds what the scanner finds. A gzipped TAR is
// listed and extracted as the archive's TAR view does it: each entry's output is capped
// at its size, so a bomb that inflates to MB stops at the cap.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <vector>

#include "KvGzip.h"
#include "KvTar.h"
#include "fuzz_output_cap.h"

namespace {

void gzippedTar(const uint8_t* data, size_t size) {
  const std::string& path = ScratchFile(data, size, ".tgz");
  try {
    kv::TKvGzipArchive g(path, kv::fmOpenRead);
    g.IsGzippedTar = true;
    g.SetPresentAsTar(true);
    g.Load();
    for (int i = 0; i < g.Count() && i < 64; ++i) {
      int64_t want = g.Items(i)->UncompressedSize();
      CappedSink out(want);
      try {
        g.ExtractItemToStreamAt(i, &out);
        if (out.Most() != want) std::abort();
      } catch (const std::exception&) {
      }
      try {
        g.TestAt(i);
      } catch (const std::exception&) {
      }
    }
  } catch (const std::exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= 2 && data[0] == 31 && data[1] == 139) {
    gzippedTar(data, size);
    return 0;
  }
  kv::KvMemoryStream s(std::vector<uint8_t>(data, data + size));
  std::vector<kv::KvTarEntry> scanned;
  bool scanFailed = false;
  try {
    kv::KvTarScanner sc(s);
    kv::KvTarEntry e;
    int64_t last = -1;
    while (sc.Next(e)) {
      if (e.HeaderPos <= last || e.Size < 0 || e.DataPos + e.Size > int64_t(size)) std::abort();
      last = e.HeaderPos;
      scanned.push_back(e);
    }
  } catch (const std::exception&) {
    scanFailed = true;
  }
  kv::KvTarStreamLister l;
  bool listFailed = false;
  try {
    // In uneven pieces, as an inflater hands them on.
    for (size_t at = 0; at < size; at += 333) l.WriteBuffer(data + at, int64_t(std::min<size_t>(333, size - at)));
    l.Finish();
  } catch (const std::exception&) {
    listFailed = true;
  }
  if (listFailed != scanFailed) std::abort();
  if (!scanFailed) {
    if (l.Entries.size() != scanned.size()) std::abort();
    for (size_t i = 0; i < scanned.size(); ++i) {
      const auto &a = l.Entries[i], &b = scanned[i];
      if (a.Name != b.Name || a.DataPos != b.DataPos || a.Size != b.Size || a.Type != b.Type) std::abort();
    }
  }
  return 0;
}
