// ZIP directory reading and extraction of arbitrary bytes: loading, testing every item
// and extracting it into a bit bucket must end with the library's own errors only.
// Extraction into a counting stream may not pass the entry's declared size by more than
// a decoder's window, so a bomb (a few bytes that inflate to MB) stops at the cap.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "KvScratchStreams.h"
#include "KvUnzip.h"
#include "KvZip.h"
#include "fuzz_output_cap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One scratch file per process, removed when the process ends.
  static const struct Scratch {
    std::string path;
    Scratch() {
      char tmpl[] = "/tmp/fuzz_zip_XXXXXX";
      int fd = mkstemp(tmpl);
      if (fd >= 0) close(fd);
      path = tmpl;
    }
    ~Scratch() { unlink(path.c_str()); }
  } scratch;
  const std::string& path = scratch.path;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  try {
    kv::TKvZipArchive a(path, kv::fmOpenRead);
    kv::KvConnectUnzipProcs(&a);
    a.Password = "pw";
    a.Load();
    for (int i = 0; i < a.Count() && i < 64; ++i) {
      try {
        a.TestAt(i);
      } catch (const kv::EKvException&) {
      } catch (const kv::EKvFilerError&) {
      }
      try {
        kv::TKvBitBucketStream bucket(32768);
        a.ExtractItemToStreamAt(i, &bucket);
      } catch (const kv::EKvException&) {
      } catch (const kv::EKvFilerError&) {
      }
      try {
        CappedSink out(a.Items(i)->UncompressedSize() + (int64_t(1) << 20));
        a.ExtractItemToStreamAt(i, &out);
      } catch (const kv::EKvException&) {
      } catch (const kv::EKvFilerError&) {
      }
    }
  } catch (const kv::EKvException&) {
  }
  return 0;
}
