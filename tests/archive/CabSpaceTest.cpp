// A cabinet entry larger than the room where it goes: refused by its declared size before
// the cabinet library writes anything, in the temporary folder and in the target.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "KvCab.h"
#include "KvErrors.h"
#include "SmallDisk.h"
#include "TestFiles.h"
#include "ZipBuilder.h"

using namespace kv;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

constexpr int64_t kGiB = int64_t(1) << 30;

// The cabinet checksum: the data XORed as little-endian 32-bit words, a short tail packed
// first byte highest.
uint32_t cabChecksum(const std::vector<uint8_t>& d, uint32_t seed) {
  uint32_t c = seed;
  size_t whole = d.size() / 4 * 4;
  for (size_t i = 0; i < whole; i += 4) c ^= d[i] | d[i + 1] << 8 | d[i + 2] << 16 | uint32_t(d[i + 3]) << 24;
  uint32_t tail = 0;
  for (size_t i = whole; i < d.size(); ++i) tail = tail << 8 | d[i];
  return c ^ tail;
}

// A cabinet of one MSZIP folder holding one file of `size` zero bytes (a multiple of 32 KiB),
// written block by block as the cabinet format lays it out: each data block is "CK" and a
// complete Deflate stream of 32 KiB of zeros.
void writeZeroCab(const std::string& path, const std::string& name, int64_t size) {
  const int64_t blocks = size / 32768;
  std::vector<uint8_t> packed = {'C', 'K'};
  auto z = rawDeflate(std::vector<uint8_t>(32768, 0), 9);
  packed.insert(packed.end(), z.begin(), z.end());
  const uint32_t headerBytes = 36, folderBytes = 8, fileBytes = 16 + uint32_t(name.size()) + 1;
  const uint32_t dataStart = headerBytes + folderBytes + fileBytes;
  const int64_t total = dataStart + blocks * int64_t(8 + packed.size());
  std::vector<uint8_t> h;
  auto p16 = [&](uint16_t v) { Builder::put16(h, v); };
  auto p32 = [&](uint32_t v) { Builder::put32(h, v); };
  h.insert(h.end(), {'M', 'S', 'C', 'F'});
  p32(0);
  p32(uint32_t(total));
  p32(0);
  p32(headerBytes + folderBytes);  // the first file record
  p32(0);
  h.push_back(3);  // version 1.3
  h.push_back(1);
  p16(1);  // folders
  p16(1);  // files
  p16(0);  // flags
  p16(0);  // set id
  p16(0);  // number in the set
  p32(dataStart);
  p16(uint16_t(blocks));
  p16(1);  // MSZIP
  p32(uint32_t(size));
  p32(0);  // offset in the folder
  p16(0);  // folder index
  p16(0x5A21);
  p16(0x6000);
  p16(0x20);  // archive attribute
  h.insert(h.end(), name.begin(), name.end());
  h.push_back(0);
  std::vector<uint8_t> sizes;
  Builder::put16(sizes, uint16_t(packed.size()));
  Builder::put16(sizes, 32768);
  std::vector<uint8_t> block;
  Builder::put32(block, cabChecksum(sizes, cabChecksum(packed, 0)));
  block.insert(block.end(), sizes.begin(), sizes.end());
  block.insert(block.end(), packed.begin(), packed.end());
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fwrite(h.data(), 1, h.size(), f);
  for (int64_t i = 0; i < blocks; ++i) std::fwrite(block.data(), 1, block.size(), f);
  ASSERT_EQ(std::fclose(f), 0);
  ASSERT_EQ(int64_t(fs::file_size(path)), total);
}

TEST(CabSpace, TheTestCabinetIsWhatGcabReads) {
  if (!have("gcab")) GTEST_SKIP() << "no gcab to check with";
  TempDir d;
  writeZeroCab(d / "x.cab", "null.bin", 40 * 32768);
  fs::create_directories(d / "gx");
  ASSERT_EQ(run("cd " + d / "gx" + " && gcab -x " + d / "x.cab" + " >/dev/null"), 0);
  EXPECT_EQ(readFile(d / "gx/null.bin"), std::vector<uint8_t>(40 * 32768, 0));
}

// 1.8 MB declaring one entry of 1 GiB: with a small temporary folder, or a small target, the
// entry is refused as not fitting (it filled the temporary folder and then failed), and
// neither folder keeps anything.
TEST(CabSpace, EntryLargerThanTheRoomIsRefusedBeforeItIsWritten) {
  if (!KvCabinetBackend()) GTEST_SKIP() << "built without the cabinet library";
  TempDir d;
  testsupport::SmallDisk disk(d / "klein", 300);
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  writeZeroCab(d / "gross.cab", "gross.bin", kGiB);
  EXPECT_LT(fs::file_size(d / "gross.cab"), 2'000'000u);
  fs::create_directories(d / "tmp");
  fs::create_directories(d / "out");
  struct Case {
    const char* what;
    std::string temp, target;
  } cases[] = {{"small temporary folder", disk.path(), d / "out"}, {"small target", d / "tmp", disk.path()}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TKvCabArchive cab(d / "gross.cab", fmOpenRead);
    cab.TempDirectory = c.temp;
    cab.Load();
    ASSERT_EQ(cab.Count(), 1);
    ASSERT_EQ(cab.Items(0)->UncompressedSize(), kGiB);
    cab.SetBaseDirectory(c.target);
    std::vector<int> codes;
    cab.OnProcessItemFailure = [&](TKvArchive*, TKvArchiveItem*, TKvProcessType, TKvErrorClass, int code) {
      codes.push_back(code);
    };
    cab.ExtractFiles("*.*");
    EXPECT_EQ(codes, std::vector<int>{521});
    if (c.temp == disk.path()) {
      KvMemoryStream m;
      EXPECT_THROW(cab.ExtractItemToStreamAt(0, &m), EKvNoDiskSpace);
      EXPECT_EQ(m.Size(), 0);
    }
    EXPECT_TRUE(fs::is_empty(c.temp));
    EXPECT_TRUE(fs::is_empty(c.target));
  }
}

}  // namespace
