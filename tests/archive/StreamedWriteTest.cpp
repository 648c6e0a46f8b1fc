// Writing from streams: the encoder reads its input through a sliding buffer and gives the
// same bytes as from memory, reports progress as it goes and stops when asked; the ZIP
// and GZIP writers compress from the file and never hold it whole.
#include <gtest/gtest.h>

#include <malloc.h>
#include <zlib.h>

#include <atomic>
#include <new>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "KvDeflate.h"
#include "KvErrors.h"
#include "KvGzip.h"
#include "KvUnZipper.h"
#include "KvUnzip.h"
#include "KvZip.h"
#include "TestFiles.h"
#include "ZlibStreams.h"

using namespace kv;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

// A seekable stream that hands out at most `piece` bytes per read, as pipes and slow
// devices do, so every refill of the encoder meets short reads.
class ChoppyStream : public KvStream {
 public:
  ChoppyStream(const std::vector<uint8_t>& data, int64_t piece) : data_(data), piece_(piece) {}
  int64_t Read(void* buffer, int64_t count) override {
    int64_t n = std::min({count, piece_, int64_t(data_.size()) - pos_});
    if (n <= 0) return 0;
    std::memcpy(buffer, data_.data() + pos_, size_t(n));
    pos_ += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, int origin) override {
    int64_t base = origin == soCurrent ? pos_ : origin == soEnd ? int64_t(data_.size()) : 0;
    pos_ = std::clamp<int64_t>(base + offset, 0, int64_t(data_.size()));
    return pos_;
  }
  int64_t Size() override { return int64_t(data_.size()); }

 private:
  const std::vector<uint8_t>& data_;
  int64_t piece_, pos_ = 0;
};

struct Packed {
  std::vector<uint8_t> bytes;
  uint32_t check = 0;
  int64_t plain = 0, packed = 0;
};

Packed deflateFrom(KvStream& src, const std::function<void(TKvDeflateHelper&)>& tune) {
  KvMemoryStream dst;
  TKvDeflateHelper h;
  tune(h);
  Packed p;
  p.check = Deflate(&src, &dst, &h);
  p.bytes = dst.Data();
  p.plain = h.PlainSize;
  p.packed = h.PackedSize;
  return p;
}

// Text, then a picture, then noise: long matches, short ones and stored blocks in one input.
std::vector<uint8_t> mixed(size_t n, uint32_t seed) {
  std::vector<uint8_t> v = textBytes(n / 3, seed);
  auto b = bmpBytes(400, 300);
  while (v.size() < 2 * n / 3) v.insert(v.end(), b.begin(), b.end());
  v.resize(2 * n / 3);
  auto r = randomBytes(n - v.size(), seed + 1);
  v.insert(v.end(), r.begin(), r.end());
  return v;
}

// The heap this program holds through new and delete, and its peak since the last reset.
std::atomic<int64_t> gHeapNow{0}, gHeapPeak{0};
[[maybe_unused]] void resetHeapPeak() { gHeapPeak = gHeapNow.load(); }

// A large, compressible file written in pieces, so the test itself never holds it.
[[maybe_unused]] void writeLarge(const std::string& path, size_t size) {
  std::ofstream f(path, std::ios::binary);
  auto piece = mixed(1 << 20, 9);
  for (size_t done = 0; done < size; done += piece.size())
    f.write(reinterpret_cast<const char*>(piece.data()), std::streamsize(std::min(piece.size(), size - done)));
}

}  // namespace

#if !defined(__SANITIZE_ADDRESS__)
void* operator new(size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  int64_t now = gHeapNow += int64_t(malloc_usable_size(p));
  for (int64_t peak = gHeapPeak; now > peak && !gHeapPeak.compare_exchange_weak(peak, now);) {
  }
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  gHeapNow -= int64_t(malloc_usable_size(p));
  std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void* operator new[](size_t n) { return operator new(n); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }
#endif

// The streamed input gives exactly the bytes of the input taken from memory, across
// buffer slides, short reads, small windows (stored blocks read again from the source)
// and every block mode.
TEST(DeflateStreamed, SameBytesAsFromMemory) {
  struct Case {
    const char* what;
    std::vector<uint8_t> data;
    std::function<void(TKvDeflateHelper&)> tune;
  };
  auto plain = [](TKvDeflateHelper&) {};
  std::vector<Case> cases = {
      {"empty", {}, plain},
      {"two bytes", bytes("ab"), plain},
      {"three bytes", bytes("abc"), plain},
      {"short text", textBytes(5000, 3), plain},
      {"mixed 3.5 MB", mixed(3500000, 4), plain},
      {"static only", mixed(2500000, 5), [](TKvDeflateHelper& h) { h.SetOptions(dfoStatic); }},
      {"dynamic only", mixed(2500000, 6), [](TKvDeflateHelper& h) { h.SetOptions(dfoDynamic | dfoLazyMatch); }},
      {"no lazy matches", mixed(2500000, 7), [](TKvDeflateHelper& h) { h.SetOptions(0x07); }},
      {"whole-stream stored", mixed(2500000, 8), [](TKvDeflateHelper& h) { h.SetOptions(dfoStored); }},
      {"stored, one piece exactly", randomBytes(65535, 9), [](TKvDeflateHelper& h) { h.SetOptions(dfoStored); }},
      {"Deflate64", mixed(3000000, 10), [](TKvDeflateHelper& h) { h.SetOptions(0x0F | dfoDeflate64); }},
      {"small window, noise", randomBytes(2500000, 11), [](TKvDeflateHelper& h) { h.WindowSize = 256; }},
      {"adler, long chains", mixed(2500000, 12),
       [](TKvDeflateHelper& h) {
         h.SetOptions(0x0F | dfoAdler32);
         h.SetMaxChainSteps(1024);
         h.SetGoodMatchLength(32);
         h.SetMaxLazyMatch(258);
       }},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    KvMemoryStream mem(c.data);
    Packed want = deflateFrom(mem, c.tune);
    for (int64_t piece : {int64_t(777), int64_t(1) << 30}) {
      ChoppyStream s(c.data, piece);
      Packed got = deflateFrom(s, c.tune);
      EXPECT_EQ(got.bytes, want.bytes) << "reads of " << piece;
      EXPECT_EQ(got.check, want.check);
      EXPECT_EQ(got.plain, int64_t(c.data.size()));
      EXPECT_EQ(got.packed, want.packed);
      EXPECT_EQ(s.Position(), int64_t(c.data.size()));
    }
    if (!(c.data.size() > 100000)) continue;
    TKvDeflateHelper probe;
    c.tune(probe);
    if (probe.Options() & dfoDeflate64) continue;
    EXPECT_EQ(zlibInflate(want.bytes), c.data);
  }
}

// A file stream read from the middle: only the rest is compressed.
TEST(DeflateStreamed, FromTheSourcePositionOn) {
  TempDir d;
  auto data = mixed(1500000, 13);
  writeFile(d / "in.bin", data);
  KvFileStream f(d / "in.bin", fmOpenRead);
  f.Seek(1000, soBeginning);
  Packed got = deflateFrom(f, [](TKvDeflateHelper&) {});
  std::vector<uint8_t> rest(data.begin() + 1000, data.end());
  KvMemoryStream mem(rest);
  EXPECT_EQ(got.bytes, deflateFrom(mem, [](TKvDeflateHelper&) {}).bytes);
  EXPECT_EQ(zlibInflate(got.bytes), rest);
}

// Progress comes every 4096 bytes of input, in order, up to 100; raising in the handler
// stops the run there.
TEST(DeflateStreamed, ProgressAsItGoesAndAbort) {
  const auto data = mixed(1200000, 14);
  for (bool fromMemory : {false, true}) {
    SCOPED_TRACE(fromMemory ? "memory" : "stream");
    std::vector<int> seen;
    {
      ChoppyStream s(data, 5000);
      KvMemoryStream mem(data);
      KvStream& src = fromMemory ? static_cast<KvStream&>(mem) : s;
      deflateFrom(src, [&](TKvDeflateHelper& h) { h.OnProgressPercent = [&](int p) { seen.push_back(p); }; });
    }
    // At most one report per 4096 bytes, and a longest match late at worst.
    EXPECT_GE(seen.size(), data.size() / (4096 + 258));
    EXPECT_LE(seen.size(), data.size() / 4096 + 2);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), 100);
    EXPECT_LE(seen.front(), 1);

    ChoppyStream s(data, 5000);
    KvMemoryStream src(data), dst;
    KvStream& in = fromMemory ? static_cast<KvStream&>(src) : s;
    TKvDeflateHelper h;
    int last = -1;
    h.OnProgressPercent = [&](int p) {
      last = p;
      if (p >= 30) throw EKvAbortProgress("stop");
    };
    EXPECT_THROW(Deflate(&in, &dst, &h), EKvAbortProgress);
    EXPECT_EQ(last, 30);
    EXPECT_LT(dst.Data().size(), data.size() / 2);
  }
}

// Saving a ZIP: the item's progress reaches the archive's handler while the file is
// compressed, an abort there keeps the old archive as it was, and the entries hold the
// very bytes the encoder makes from memory.
TEST(ZipWriteStreamed, ProgressAbortAndSameEntries) {
  TempDir d;
  fs::create_directories(d / "src");
  auto big = mixed(2600000, 15);
  writeFile(d / "src/gross.bin", big);
  writeFile(d / "src/klein.txt", bytes("klein"));
  {
    TKvZipArchive a(d / "set.zip", fmCreate);
    a.SetBaseDirectory(d / "src");
    a.Load();
    a.Add(a.CreateItem("klein.txt"));
    a.Save();
  }
  const auto before = readFile(d / "set.zip");
  auto entries = [&] {
    std::vector<std::string> v;
    for (auto& e : fs::directory_iterator(d.path)) v.push_back(e.path().filename().string());
    std::sort(v.begin(), v.end());
    return v;
  };
  const auto files = entries();

  struct Case {
    int methodChoice, deflation;
  };
  for (Case c : {Case{1, 1}, Case{1, 0}, Case{1, 2}, Case{3, 1}, Case{0, 1}}) {
    SCOPED_TRACE("method " + std::to_string(c.methodChoice) + " level " + std::to_string(c.deflation));
    for (bool abort : {true, false}) {
      TKvZipArchive a(d / "set.zip", fmOpenRead);
      a.SetBaseDirectory(d / "src");
      a.MethodChoice = c.methodChoice;
      a.DeflationOption = c.deflation;
      a.Load();
      std::vector<int> seen;
      a.OnArchiveItemProgress = [&](TKvArchive*, TKvArchiveItem* it, int p, bool& stop) {
        EXPECT_EQ(it->FileName(), "gross.bin");
        seen.push_back(p);
        stop = abort && p >= 50;
      };
      a.Add(a.CreateItem("gross.bin"));
      if (abort) {
        EXPECT_THROW(a.Save(), EKvUserAbort);
        EXPECT_EQ(readFile(d / "set.zip"), before);
        EXPECT_EQ(entries(), files);
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.back(), 50);
        continue;
      }
      a.Save();
      EXPECT_GT(seen.size(), 20u);
      EXPECT_EQ(seen.back(), 100);
      int i = a.ItemList().Find("gross.bin");
      ASSERT_GE(i, 0);
      KvConnectUnzipProcs(&a);
      auto* item = a.ZipItem(i);
      KvMemoryStream out;
      a.ExtractItemToStreamAt(i, &out);
      EXPECT_EQ(out.Data(), big);
      if (c.methodChoice == 0) continue;
      // The entry's data: exactly what the encoder makes of the bytes in memory.
      KvMemoryStream mem(big), want;
      TKvDeflateHelper h;
      h.SetOptions(0x0F | (c.methodChoice == 3 ? dfoDeflate64 : 0));
      if (c.deflation == 0) {
        h.SetMaxChainSteps(8);
        h.SetMaxLazyMatch(4);
      } else if (c.deflation == 2) {
        h.SetMaxChainSteps(1024);
        h.SetGoodMatchLength(32);
        h.SetMaxLazyMatch(258);
      }
      Deflate(&mem, &want, &h);
      auto zip = readFile(d / "set.zip");
      size_t at = item->RelativeOffset() + 30 + item->FileName().size() + item->Dir.ExtraField.size();
      ASSERT_LE(at + want.Data().size(), zip.size());
      EXPECT_EQ(item->CompressedSize(), int64_t(want.Data().size()));
      EXPECT_TRUE(std::equal(want.Data().begin(), want.Data().end(), zip.begin() + long(at)));
    }
    writeFile(d / "set.zip", before);
  }
  if (have("unzip")) {
    TKvZipArchive a(d / "set.zip", fmOpenRead);
    a.SetBaseDirectory(d / "src");
    a.Password = "geheim";
    a.Load();
    a.Add(a.CreateItem("gross.bin"));
    a.Save();
    EXPECT_EQ(run("unzip -tq -P geheim '" + d / "set.zip" + "' >/dev/null"), 0);
  }
}

// Saving a GZIP file: the same progress and abort, and the member is the encoder's bytes.
TEST(GzipWriteStreamed, ProgressAbortAndSameMember) {
  TempDir d;
  fs::create_directories(d / "alt");
  writeFile(d / "alt/gross.bin", bytes("alt"));
  auto big = mixed(2600000, 16);
  writeFile(d / "gross.bin", big);
  for (bool abort : {true, false}) {
    {
      TKvGzipArchive old(d / "gross.bin.gz", fmCreate);
      old.SetBaseDirectory(d / "alt");
      old.Load();
      old.Add(old.CreateItem("gross.bin"));
      old.Save();
    }
    const auto before = readFile(d / "gross.bin.gz");
    TKvGzipArchive a(d / "gross.bin.gz", fmOpenRead);
    a.SetBaseDirectory(d.path);
    a.NameOptions |= stoReplace;
    a.Load();
    std::vector<int> seen;
    a.OnArchiveItemProgress = [&](TKvArchive*, TKvArchiveItem*, int p, bool& stop) {
      seen.push_back(p);
      stop = abort && p >= 40;
    };
    a.Add(a.CreateItem("gross.bin"));
    if (abort) {
      EXPECT_THROW(a.Save(), EKvUserAbort);
      EXPECT_EQ(readFile(d / "gross.bin.gz"), before);
      ASSERT_FALSE(seen.empty());
      EXPECT_EQ(seen.back(), 40);
      size_t files = 0;
      for (auto& e : fs::directory_iterator(d.path)) files += e.is_regular_file();
      EXPECT_EQ(files, 2u);
      continue;
    }
    a.Save();
    EXPECT_GT(seen.size(), 20u);
    EXPECT_EQ(seen.back(), 100);
    auto gz = readFile(d / "gross.bin.gz");
    KvMemoryStream mem(big), want;
    Deflate(&mem, &want, nullptr);
    size_t header = 10 + std::string("gross.bin").size() + 1;
    ASSERT_EQ(gz.size(), header + want.Data().size() + 8);
    EXPECT_TRUE(std::equal(want.Data().begin(), want.Data().end(), gz.begin() + long(header)));
    if (have("gzip")) {
      EXPECT_EQ(run("gzip -t '" + d / "gross.bin.gz" + "'"), 0);
    }
  }
}

// A large file goes into a ZIP and a GZIP file with a bounded amount of memory: far less
// than the file itself, where the whole file used to be held (twice for ZIP). The heap is
// counted by this program's own operator new, which the address sanitizer's takes the place
// of, so the test is built only where that count exists.
#if !defined(__SANITIZE_ADDRESS__)
TEST(ZipGzipWriteStreamed, MemoryStaysFarBelowTheFile) {
  TempDir d;
  const size_t size = 96u << 20;
  writeLarge(d / "gross.bin", size);
  for (bool zip : {true, false}) {
    SCOPED_TRACE(zip ? "zip" : "gzip");
    resetHeapPeak();
    int64_t start = gHeapNow;
    {
      std::unique_ptr<TKvArchive> a;
      if (zip) a = std::make_unique<TKvZipArchive>(d / "gross.zip", fmCreate);
      else a = std::make_unique<TKvGzipArchive>(d / "gross.gz", fmCreate);
      a->SetBaseDirectory(d.path);
      a->TempDirectory = d.path;
      a->Load();
      a->Add(a->CreateItem("gross.bin"));
      a->Save();
    }
    int64_t grown = gHeapPeak - start;
    EXPECT_LT(grown, int64_t(16) << 20) << grown;
    EXPECT_GT(fs::file_size(zip ? d / "gross.zip" : d / "gross.gz"), 1000u);
    fs::remove(zip ? d / "gross.zip" : d / "gross.gz");
  }
}
#endif
