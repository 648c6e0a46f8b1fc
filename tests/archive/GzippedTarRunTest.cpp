// Gzipped TARs too large to keep whole, opened through the unzipper: a run extracts them in
// one pass, with the events of item-by-item extraction.
#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

std::string smallText(int i) { return "klein " + std::to_string(i) + "\n"; }

// gross.bin of `zeros` zero bytes first, then the small entries, then the end blocks.
void writeTgz(const std::string& path, int64_t zeros, const std::vector<std::pair<std::string, std::string>>& small) {
  std::vector<uint8_t> suffix;
  for (auto& [name, data] : small) addTarEntry(suffix, name, data);
  suffix.resize(suffix.size() + 1024, 0);
  writeZeroBomb(path, tarHeader("gross.bin", zeros), zeros, std::nullopt, suffix);
}

// Bytes this process has read through system calls so far.
int64_t bytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  int64_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  return -1;
}

TEST(GzippedTarRun, TheWriterOfTheTestArchivesMakesWhatGzipAndTarRead) {
  if (!have("gzip") || !have("tar")) GTEST_SKIP() << "no gzip or tar to check with";
  TempDir d;
  writeTgz(d / "t.tgz", kMiB, {{"a.txt", "erstes"}, {"b.txt", "zweites"}});
  EXPECT_EQ(run("gzip -t " + d / "t.tgz"), 0);
  fs::create_directories(d / "x");
  ASSERT_EQ(run("tar -xzf " + d / "t.tgz" + " -C " + d / "x"), 0);
  EXPECT_EQ(fs::file_size(d / "x/gross.bin"), uint64_t(kMiB));
  EXPECT_EQ(readFile(d / "x/b.txt"), bytes("zweites"));
}

// 2 MB holding a 2 GiB entry and 400 small ones after it: the small ones come out of one
// inflation, so the archive file is read about once (it was read once per entry).
TEST(GzippedTarRun, SmallEntriesAfterALargeOneComeFromOnePass) {
  TempDir d;
  std::vector<std::pair<std::string, std::string>> small;
  for (int i = 0; i < 400; ++i) small.push_back({"k" + std::to_string(i) + ".txt", smallText(i)});
  writeTgz(d / "x.tgz", int64_t(2) << 30, small);
  const int64_t fileSize = int64_t(fs::file_size(d / "x.tgz"));
  EXPECT_LT(fileSize, 3 * kMiB);
  fs::create_directories(d / "out");
  RecordingUnzipper u;
  u.z.SetFileName(d / "x.tgz");
  ASSERT_EQ(u.z.ArchiveKind(), akGzippedTar);
  ASSERT_EQ(u.z.Count(), 401);
  u.z.SetBaseDirectory(d / "out");
  const int64_t before = bytesRead();
  u.z.ExtractFiles("*.txt");
  const int64_t read = bytesRead() - before;
  EXPECT_TRUE(u.failures.empty());
  for (int i = 0; i < 400; ++i) ASSERT_EQ(readFile(d / ("out/k" + std::to_string(i) + ".txt")), bytes(smallText(i))) << i;
  EXPECT_FALSE(fs::exists(d / "out/gross.bin"));
  EXPECT_GT(read, fileSize / 2);
  EXPECT_LT(read, 2 * fileSize) << "the archive was read " << double(read) / double(fileSize) << " times";
}

// A TAR gzipped in two members (as `cat a.gz b.gz` makes): the last trailer tells only the
// second member's size, so the inflation starts over once the first member's sizes are
// known; what was taken before is not taken again.
TEST(GzippedTarRun, OnePassOverMembersOfUnknownSize) {
  TempDir d;
  const int64_t zeros = 80 * kMiB;
  writeZeroBomb(d / "first.gz", tarHeader("gross.bin", zeros), zeros);
  std::vector<uint8_t> rest;
  addTarEntry(rest, "a.txt", "erstes");
  addTarEntry(rest, "b.txt", "zweites");
  rest.resize(rest.size() + 1024, 0);
  auto file = readFile(d / "first.gz");
  append(file, gzipBytes(rest));
  writeFile(d / "x.tgz", file);
  fs::create_directories(d / "out");
  RecordingUnzipper u;
  u.z.SetFileName(d / "x.tgz");
  ASSERT_EQ(u.z.Count(), 3);
  u.z.SetBaseDirectory(d / "out");
  u.z.ExtractFiles("*.*");
  EXPECT_TRUE(u.failures.empty());
  EXPECT_EQ(readFile(d / "out/a.txt"), bytes("erstes"));
  EXPECT_EQ(readFile(d / "out/b.txt"), bytes("zweites"));
  auto big = readFile(d / "out/gross.bin");
  EXPECT_EQ(int64_t(big.size()), zeros);
  EXPECT_EQ(std::count(big.begin(), big.end(), 0), zeros);
}

// The one pass reports as item-by-item extraction does: a read-only target fails with 531,
// a declined replacement keeps the file, every item gives its progress, and a stop asked
// for in the progress ends the run there.
TEST(GzippedTarRun, OnePassGivesTheEventsOfItemByItemExtraction) {
  TempDir d;
  // Larger than what is kept whole (64 MiB), so the run inflates as it goes.
  writeTgz(d / "x.tgz", 80 * kMiB, {{"a.txt", "a neu"}, {"b.txt", "b neu"}, {"c.txt", "c neu"}, {"d.txt", "d neu"}});
  for (bool abortAtC : {false, true}) {
    SCOPED_TRACE(abortAtC ? "stop after c.txt" : "whole run");
    std::string out = d / (abortAtC ? "stop" : "out");
    fs::create_directories(out);
    writeFile(out + "/b.txt", bytes("b alt"));
    ASSERT_EQ(::chmod((out + "/b.txt").c_str(), 0444), 0);
    writeFile(out + "/c.txt", bytes("c alt"));
    RecordingUnzipper u;
    u.z.SetFileName(d / "x.tgz");
    ASSERT_EQ(u.z.Count(), 5);
    u.progress.clear();  // the listing's
    u.z.SetBaseDirectory(out);
    if (abortAtC) {
      u.abortAt = 4;  // the progress after c.txt
      EXPECT_THROW(u.z.ExtractFiles("*.txt"), EKvUserAbort);
    } else {
      u.z.ExtractFiles("*.txt");
    }
    EXPECT_EQ(u.failures, (std::vector<Failure>{{"b.txt", 531}}));
    EXPECT_EQ(u.questions, std::vector<std::string>{"c.txt"});
    EXPECT_EQ(readFile(out + "/a.txt"), bytes("a neu"));
    EXPECT_EQ(readFile(out + "/b.txt"), bytes("b alt"));
    EXPECT_EQ(readFile(out + "/c.txt"), bytes("c alt"));
    EXPECT_FALSE(fs::exists(out + "/gross.bin"));
    if (abortAtC) {
      EXPECT_EQ(u.progress, (std::vector<int>{20, 40, 60, 80}));
      EXPECT_FALSE(fs::exists(out + "/d.txt"));
    } else {
      EXPECT_EQ(u.progress, (std::vector<int>{20, 40, 60, 80, 100, 100}));
      EXPECT_EQ(readFile(out + "/d.txt"), bytes("d neu"));
    }
    size_t files = 0;
    for (auto& e : fs::directory_iterator(out)) files += e.is_regular_file();
    EXPECT_EQ(files, abortAtC ? 3u : 4u);  // no temporary file is left
  }
}

}  // namespace

namespace {

std::vector<std::pair<std::string, std::string>> smallEntries(int n) {
  std::vector<std::pair<std::string, std::string>> small;
  for (int i = 0; i < n; ++i) small.push_back({"k" + std::to_string(i) + ".txt", smallText(i)});
  return small;
}

// Flips one bit of a file in place, behind the back of an archive that has it open.
void flipBit(const std::string& path, int64_t offset) {
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  f.seekg(offset);
  char c = 0;
  f.get(c);
  f.seekp(offset);
  f.put(char(c ^ 1));
}

}  // namespace

// Testing 400 small entries after a 2 GiB one, in a gzipped TAR small enough to be kept
// whole, or in a plain TAR reads the archive once for the whole run, where it was read once
// per item.
TEST(GzippedTarRun, ATestRunReadsTheArchiveOnce) {
  for (int64_t zeros : {int64_t(2) << 30, kMiB, int64_t(0)}) {
    SCOPED_TRACE(zeros ? std::to_string(zeros) + " zeros first" : "plain TAR");
    TempDir d;
    std::string file = d / (zeros ? "x.tgz" : "x.tar");
    if (zeros) {
      writeTgz(file, zeros, smallEntries(400));
    } else {
      std::vector<uint8_t> tar;
      addTarEntry(tar, "gross.bin", std::string(100000, 'g'));
      for (auto& [name, data] : smallEntries(400)) addTarEntry(tar, name, data);
      tar.resize(tar.size() + 1024, 0);
      writeFile(file, tar);
    }
    const int64_t fileSize = int64_t(fs::file_size(file));
    RecordingUnzipper u;
    u.z.SetFileName(file);
    ASSERT_EQ(u.z.Count(), 401);
    u.progress.clear();  // the listing's
    const int64_t before = bytesRead();
    u.z.TestFiles("*.*");
    const int64_t read = bytesRead() - before;
    EXPECT_TRUE(u.failures.empty());
    ASSERT_EQ(u.progress.size(), 402u);  // after each item, then at the end
    EXPECT_EQ(u.progress[200], 50);      // 201 of 401 items, rounded down
    EXPECT_LT(read, 2 * fileSize) << "the archive was read " << double(read) / double(fileSize) << " times";
    // Scanning a plain TAR reads its headers only.
    if (zeros) {
      EXPECT_GT(read, fileSize / 2);
    }
  }
}

// The test run reports as testing item by item does: the TAR has no checksum of its own per
// entry, so a damaged GZIP trailer fails every tested item; the progress follows each item
// and a stop asked for there ends the run.
TEST(GzippedTarRun, ATestRunGivesTheEventsOfItemByItemTesting) {
  TempDir d;
  const std::vector<std::pair<std::string, std::string>> small = {
      {"a.txt", "a"}, {"b.txt", "b"}, {"c.txt", "c"}, {"d.txt", "d"}};
  writeTgz(d / "x.tgz", 80 * kMiB, small);  // larger than what is kept whole
  const std::vector<int> all = {20, 40, 60, 80, 100, 100};
  const std::vector<Failure> none, four = {{"a.txt", 401}, {"b.txt", 401}, {"c.txt", 401}, {"d.txt", 401}};
  struct Case {
    const char* what;
    bool damage;
    int abortAt;
    std::vector<Failure> failures;
    std::vector<int> progress;
  } cases[] = {
      {"intact", false, -1, none, all},
      {"trailer CRC damaged after listing", true, -1, four, all},
      {"stop after b.txt", true, 3, {four[0], four[1]}, {20, 40, 60}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string file = d / (std::string(c.what).substr(0, 4) + ".tgz");
    fs::copy_file(d / "x.tgz", file);
    RecordingUnzipper u;
    u.z.SetFileName(file);
    ASSERT_EQ(u.z.Count(), 5);
    u.progress.clear();
    if (c.damage) flipBit(file, int64_t(fs::file_size(file)) - 8);
    u.abortAt = c.abortAt;
    if (c.abortAt > 0) EXPECT_THROW(u.z.TestFiles("*.txt"), EKvUserAbort);
    else u.z.TestFiles("*.txt");
    EXPECT_EQ(u.failures, c.failures);
    EXPECT_EQ(u.progress, c.progress);
  }
}

// A change saved by the test run (an item with a pending change is saved before its test)
// is tested in the saved file, not by what the old one told.
TEST(GzippedTarRun, ATestRunTestsWhatItSavedInTheSavedFile) {
  TempDir d;
  writeTgz(d / "x.tgz", kMiB, {{"a.txt", "erstes"}, {"b.txt", "zweites"}, {"c.txt", "drittes"}});
  RecordingUnzipper u;
  u.z.SetFileName(d / "x.tgz");
  ASSERT_EQ(u.z.Count(), 4);
  // A name past one header block moves everything behind it by three blocks: c.txt then
  // ends past where the old TAR did.
  std::string moved;
  while (moved.size() < 600) moved += "verzeichnis/";
  moved += "b.txt";
  u.z.Archive()->Move(u.z.GetItem(2), moved);
  u.z.TestFiles("*.*");
  EXPECT_TRUE(u.failures.empty());
  // gzip and tar agree with what was saved.
  if (!have("gzip") || !have("tar")) return;
  EXPECT_EQ(run("gzip -t " + d / "x.tgz"), 0);
  fs::create_directories(d / "x");
  ASSERT_EQ(run("tar -xzf " + d / "x.tgz" + " -C " + d / "x"), 0);
  EXPECT_EQ(readFile(d / ("x/" + moved)), bytes("zweites"));
  EXPECT_EQ(readFile(d / "x/c.txt"), bytes("drittes"));
}

// A small TAR that fails to be kept whole when a run extracts from it (here: damaged after
// a save, which drops the copy kept on listing) fails each picked entry with the archive's
// error, from one inflation for the run (it was inflated again for every entry).
TEST(GzippedTarRun, AnExtractionRunInflatesADamagedSmallTarOnce) {
  TempDir d;
  writeTgz(d / "x.tgz", kMiB, smallEntries(400));
  RecordingUnzipper u;
  u.z.SetFileName(d / "x.tgz");
  ASSERT_EQ(u.z.Count(), 401);
  u.z.Archive()->Move(u.z.GetItem(0), "gross.dat");
  u.z.Archive()->Save();
  const int64_t fileSize = int64_t(fs::file_size(d / "x.tgz"));
  flipBit(d / "x.tgz", fileSize - 8);  // the trailer's CRC
  fs::create_directories(d / "out");
  u.z.SetBaseDirectory(d / "out");
  u.progress.clear();
  const int64_t before = bytesRead();
  u.z.ExtractFiles("*.txt");
  const int64_t read = bytesRead() - before;
  ASSERT_EQ(u.failures.size(), 400u);
  for (int i = 0; i < 400; ++i) EXPECT_EQ(u.failures[size_t(i)], (Failure{"k" + std::to_string(i) + ".txt", 401}));
  EXPECT_EQ(u.progress.size(), 402u);
  EXPECT_TRUE(fs::is_empty(d / "out"));
  EXPECT_LT(read, 2 * fileSize) << "the archive was read " << double(read) / double(fileSize) << " times";
}

// Changes waiting to be saved on items a run does not pick leave it one pass: only a picked
// item with a change is saved before it is extracted.
TEST(GzippedTarRun, ChangesToItemsNotPickedLeaveTheRunOnePass) {
  TempDir d;
  writeTgz(d / "x.tgz", 80 * kMiB, smallEntries(100));  // larger than what is kept whole
  writeFile(d / "neu.dat", bytes("neu"));
  const int64_t fileSize = int64_t(fs::file_size(d / "x.tgz"));
  RecordingUnzipper u;
  u.z.SetFileName(d / "x.tgz");
  ASSERT_EQ(u.z.Count(), 101);
  TKvArchive& a = *u.z.Archive();
  a.Add(a.CreateItem(d / "neu.dat"));
  a.Move(a.Items(0), "gross.dat");
  ASSERT_EQ(a.Count(), 102);
  fs::create_directories(d / "out");
  u.z.SetBaseDirectory(d / "out");
  u.progress.clear();
  const int64_t before = bytesRead();
  u.z.ExtractFiles("*.txt");
  const int64_t read = bytesRead() - before;
  EXPECT_TRUE(u.failures.empty());
  for (int i = 0; i < 100; ++i) ASSERT_EQ(readFile(d / ("out/k" + std::to_string(i) + ".txt")), bytes(smallText(i))) << i;
  EXPECT_EQ(u.progress.size(), 103u);
  EXPECT_TRUE(a.IsDirty);  // nothing was saved
  EXPECT_EQ(a.Items(101)->Action, iaAdd);
  EXPECT_LT(read, 2 * fileSize) << "the archive was read " << double(read) / double(fileSize) << " times";
}
