// TAR listings on hostile headers, through the unzipper: names of 64 KiB each bounded
// together, a base-256 size no stream has refused.
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

// 10,000 entries with GNU long names of 65,000 bytes (1.3 MB gzipped) are refused with the
// library's message instead of held in memory (1.9 GB).
TEST(TarListing, NamesAreBoundedTogether) {
  TempDir d;
  {
    std::FILE* f = std::fopen((d / "namen.tgz").c_str(), "wb");
    ASSERT_TRUE(f);
    z_stream z{};
    ASSERT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::vector<uint8_t> out(1 << 20);
    auto feed = [&](const std::vector<uint8_t>& in, int flush) {
      z.next_in = const_cast<Bytef*>(in.data());
      z.avail_in = uInt(in.size());
      do {
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        deflate(&z, flush);
        std::fwrite(out.data(), 1, out.size() - z.avail_out, f);
      } while (z.avail_out == 0);
    };
    for (int i = 0; i < 10000; ++i) {
      std::string name = std::string(64990, 'n') + std::to_string(100000 + i);
      std::vector<uint8_t> rec = tarHeader("././@LongLink", int64_t(name.size()) + 1, 'L');
      std::vector<uint8_t> data(name.begin(), name.end());
      data.resize((name.size() + 1 + 511) / 512 * 512, 0);
      append(rec, data);
      append(rec, tarHeader(name.substr(0, 99), 0));
      feed(rec, Z_NO_FLUSH);
    }
    feed(std::vector<uint8_t>(1024, 0), Z_FINISH);
    deflateEnd(&z);
    std::fclose(f);
  }
  EXPECT_LT(fs::file_size(d / "namen.tgz"), uint64_t(2 * kMiB));
  RecordingUnzipper u;
  try {
    u.z.SetFileName(d / "namen.tgz");
    FAIL() << "listed " << u.z.Count() << " entries";
  } catch (const EKvException& e) {
    EXPECT_EQ(e.ErrorCode, 532);
    EXPECT_STREQ(e.what(), "Cannot list archive - the names of its entries are too long together");
  }
  EXPECT_EQ(u.z.Archive(), nullptr);
}

// The bound counts the names as listed, in the scanner of a TAR file and in the lister of a
// TAR stream alike: 3 + 4 + 2 bytes pass a bound of 9 and not one of 8.
TEST(TarListing, ScannerAndStreamListerCountNamesAlike) {
  std::vector<uint8_t> tar;
  addTarEntry(tar, "abc", "1");
  addTarEntry(tar, "defg", "");
  addTarEntry(tar, "hi", "22");
  tar.resize(tar.size() + 1024, 0);
  for (int64_t most : {9, 8}) {
    SCOPED_TRACE(most);
    KvMemoryStream s(tar);
    KvTarScanner sc(s);
    sc.MaxNameBytes = most;
    KvTarEntry e;
    int scanned = 0;
    bool scanRefused = false;
    try {
      while (sc.Next(e)) ++scanned;
    } catch (const EKvTarNamesTooLong&) {
      scanRefused = true;
    }
    KvTarStreamLister l;
    l.MaxNameBytes = most;
    bool listRefused = false;
    try {
      l.WriteBuffer(tar.data(), int64_t(tar.size()));
      l.Finish();
    } catch (const EKvTarNamesTooLong&) {
      listRefused = true;
    }
    EXPECT_EQ(scanRefused, most < 9);
    EXPECT_EQ(listRefused, most < 9);
    EXPECT_EQ(scanned, most < 9 ? 2 : 3);
  }
}

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
