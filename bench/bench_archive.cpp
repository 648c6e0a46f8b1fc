// Inflate against zlib's raw inflate and libdeflate on generated corpora, and
// extracting a 200 MB archive of 40 frames against `unzip -qq -o` and `bsdtar -xf`,
// all in one run; prints MB/s of plain data and the ratios.
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "KvChecksum.h"
#include "KvInflate.h"
#include "ArchiveCorpus.h"
#include "KvStream.h"
#include "KvUnZipper.h"
#include "ZlibStreams.h"

namespace {

using namespace archive_bench;
using ziptest::rawDeflate;
using Clock = std::chrono::steady_clock;

// Writes into a fixed buffer, like the references do.
class BufferStream : public kv::KvStream {
 public:
  explicit BufferStream(std::vector<uint8_t>& b) : b_(b) {}
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* p, int64_t n) override {
    std::memcpy(b_.data() + pos_, p, size_t(n));
    pos_ += n;
    return n;
  }
  int64_t Seek(int64_t o, int origin) override { return pos_ = origin == kv::soBeginning ? o : pos_ + o; }
  // Memory, like the references' output: stored blocks are read straight into it.
  uint8_t* WritableSpan(int64_t n) override {
    return pos_ + n <= int64_t(b_.size()) ? b_.data() + pos_ : nullptr;
  }
  void SpanWritten(int64_t n) override { pos_ += n; }
 private:
  std::vector<uint8_t>& b_;
  int64_t pos_ = 0;
};

// Reads the caller's buffer in place: the references get a pointer, so copying the packed
// data into a fresh stream on every round would be charged to us alone.
class ViewStream : public kv::KvStream {
 public:
  explicit ViewStream(const std::vector<uint8_t>& b) : b_(b) {}
  int64_t Read(void* p, int64_t n) override {
    n = std::min<int64_t>(n, int64_t(b_.size()) - pos_);
    if (n <= 0) return 0;
    std::memcpy(p, b_.data() + pos_, size_t(n));
    pos_ += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  const uint8_t* ReadSpan(int64_t& n) override {
    n = std::max<int64_t>(0, std::min<int64_t>(n, int64_t(b_.size()) - pos_));
    const uint8_t* p = b_.data() + pos_;
    pos_ += n;
    return p;
  }
  int64_t Seek(int64_t o, int origin) override {
    return pos_ = origin == kv::soBeginning ? o : origin == kv::soEnd ? int64_t(b_.size()) + o : pos_ + o;
  }
  int64_t Size() override { return int64_t(b_.size()); }
 private:
  const std::vector<uint8_t>& b_;
  int64_t pos_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string sourceDir = argc > 1 ? argv[1] : KALVORA_SOURCE_DIR;
  const Corpora corpora =
      makeCorpora(sourceDir, 32u << 20, 6, {"/usr/lib/x86_64-linux-gnu/libQt6Widgets.so.6", "/usr/lib/x86_64-linux-gnu/libQt6Core.so.6"}, 16u << 20);
  std::printf("Inflate, MB/s of plain data (best of 5); ours includes the CRC-32 a ZIP entry needs\n");
  std::printf("%-8s %10s %10s %12s %12s %9s %9s %10s\n", "corpus", "ours", "zlib", "zlib+crc32", "libdeflate",
              "vs zlib", "vs z+crc", "vs libdfl");
  libdeflate_decompressor* ld = libdeflate_alloc_decompressor();
  for (auto& [name, plain] : corpora) {
    auto packed = rawDeflate(plain, 6);
    std::vector<uint8_t> out(plain.size() + 65536);
    double mb = double(plain.size()) / 1e6;
    double ours = best(5, [&] {
      ViewStream src(packed);
      BufferStream dst(out);
      kv::Inflate(&src, &dst, nullptr);
    });
    if (std::memcmp(out.data(), plain.data(), plain.size()) != 0) std::printf("MISMATCH in %s\n", name.c_str());
    auto zl = [&](bool crc) {
      z_stream z{};
      inflateInit2(&z, -15);
      z.next_in = packed.data();
      z.avail_in = uInt(packed.size());
      z.next_out = out.data();
      z.avail_out = uInt(out.size());
      inflate(&z, Z_FINISH);
      if (crc) (void)crc32(0, out.data(), uInt(z.total_out));
      inflateEnd(&z);
    };
    double z = best(5, [&] { zl(false); });
    double zc = best(5, [&] { zl(true); });
    double l = best(5, [&] {
      size_t n = 0;
      libdeflate_deflate_decompress(ld, packed.data(), packed.size(), out.data(), out.size(), &n);
    });
    std::printf("%-8s %10.0f %10.0f %12.0f %12.0f %9.2f %9.2f %10.2f\n", name.c_str(), mb / ours, mb / z, mb / zc,
                mb / l, z / ours, zc / ours, l / ours);
  }
  libdeflate_free_decompressor(ld);
  if (argc > 2 && std::string(argv[2]) == "inflate") return 0;  // the extraction takes long

  // Extraction of 40 frames, about 200 MB.
  namespace fs = std::filesystem;
  std::string work = fs::temp_directory_path() / "kv_bench_archive";
  fs::remove_all(work);
  fs::create_directories(work + "/src");
  for (int i = 0; i < 40; ++i) {
    auto f = frame(1280, 1365, i);
    std::ofstream(work + "/src/frame" + std::to_string(i) + ".bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
  }
  std::string zip = work + "/frames.zip";
  if (std::system(("cd " + work + "/src && zip -q -r " + zip + " .").c_str()) != 0) return 1;
  double total = 0;
  for (auto& e : fs::directory_iterator(work + "/src")) total += double(e.file_size());
  total /= 1e6;
  auto fresh = [&](const std::string& d) {
    fs::remove_all(d);
    fs::create_directories(d);
  };
  double ours = best(3, [&] {
    fresh(work + "/a");
    kv::TKvUnZipper z;
    z.SetFileName(zip);
    z.SetBaseDirectory(work + "/a");
    z.ExtractFiles("*.*");
    z.SetFileName("");
  });
  double un = best(3, [&] {
    fresh(work + "/b");
    if (std::system(("cd " + work + "/b && unzip -qq -o " + zip).c_str()) != 0) std::printf("unzip failed\n");
  });
  double bt = best(3, [&] {
    fresh(work + "/c");
    if (std::system(("cd " + work + "/c && bsdtar -xf " + zip).c_str()) != 0) std::printf("bsdtar failed\n");
  });
  std::printf("\nExtracting %.0f MB in 40 frames, MB/s (best of 3)\n", total);
  std::printf("ours %.0f   unzip -qq -o %.0f   bsdtar -xf %.0f   ratio vs unzip %.2f   vs bsdtar %.2f\n", total / ours,
              total / un, total / bt, un / ours, bt / ours);
  fs::remove_all(work);
  return 0;
}
