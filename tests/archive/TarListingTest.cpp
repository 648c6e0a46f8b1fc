// TAR listings on hostile headers, through the unzipper: a base-256 size no stream has
// refused.
#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "DeflateBomb.h"
#include "KvErrors.h"
#include "KvGzip.h"
#include "KvTar.h"
#include "KvUnZipper.h"
#include "RecordingUnzipper.h"
#include "TarBytes.h"
#include "TestFiles.h"

using namespace kv;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

constexpr int64_t kMiB = int64_t(1) << 20;

// A base-256 size of 2^63-1 followed by a second header: the streamed lister refuses the
// TAR as "Invalid Tar" as the scanner does, gzipped or not (it listed both entries, and its
// padding arithmetic overflowed).
TEST(TarListing, BaseTwoFiftySixSizeNoStreamHasIsInvalid) {
  TempDir d;
  std::vector<uint8_t> tar = tarHeader("gross.bin", 0);
  tar[124] = 0x80;
  std::memset(&tar[125], 0, 11);
  tar[128] = 0x7F;
  std::memset(&tar[129], 0xFF, 7);
  std::memset(&tar[148], ' ', 8);
  unsigned sum = 0;
  for (uint8_t c : tar) sum += c;
  std::snprintf(reinterpret_cast<char*>(&tar[148]), 8, "%06o", sum);
  append(tar, tarHeader("klein.txt", 0));
  tar.resize(tar.size() + 1024, 0);
  writeFile(d / "x.tar", tar);
  writeFile(d / "x.tgz", gzipBytes(tar));
  for (const char* name : {"x.tar", "x.tgz"}) {
    SCOPED_TRACE(name);
    RecordingUnzipper u;
    try {
      u.z.SetFileName(d / name);
      FAIL() << "listed " << u.z.Count() << " entries";
    } catch (const EKvException& e) {
      EXPECT_STREQ(e.what(), "Invalid Tar");
    }
  }
}


}  // namespace
