// Our Deflate against zlib levels 5 and 6 and libdeflate level 6 on generated corpora
// (speed and size), and TAR / TGZ extraction against `tar -xf`, `tar -xzf` and `bsdtar`,
// all in one run; prints MB/s of plain data, sizes and the ratios. First, before anything
// else is held, the peak memory of saving a 200 MB file to ZIP and to GZIP.
#include <libdeflate.h>
#include <zlib.h>

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

#include "KvDeflate.h"
#include "KvGzip.h"
#include "ArchiveCorpus.h"
#include "KvStream.h"
#include "KvTar.h"
#include "KvZip.h"

namespace {

using namespace archive_bench;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

size_t zlibDeflate(const std::vector<uint8_t>& in, int level, std::vector<uint8_t>& out) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  out.resize(deflateBound(&z, uLong(in.size())));
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = uInt(in.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  size_t n = z.total_out;
  deflateEnd(&z);
  return n;
}

// Resident memory of this process (VmRSS) or its peak since the last reset (VmHWM), in bytes.
int64_t statusBytes(const char* key) {
  std::ifstream f("/proc/self/status");
  std::string line;
  while (std::getline(f, line))
    if (line.rfind(key, 0) == 0) return std::stoll(line.substr(std::strlen(key))) * 1024;
  return -1;
}
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Saves a 200 MB file of photo frames to ZIP and to GZIP; prints each save's peak
// memory above what the process held at its start, and its speed.
void savePeaks(int64_t atStart) {
  std::string root = fs::temp_directory_path() / "kv_bench_peak";
  fs::remove_all(root);
  fs::create_directories(root);
  size_t size = 0;
  {
    std::ofstream f(root + "/gross.bmp", std::ios::binary);
    for (int i = 0; size < (200u << 20); ++i) {
      auto fr = frame(1280, 1024, i);
      f.write(reinterpret_cast<const char*>(fr.data()), std::streamsize(fr.size()));
      size += fr.size();
    }
  }
  std::printf("Saving a %.0f MB file: peak memory above the process's start (limit 64 MiB)\n", double(size) / 1e6);
  for (bool zip : {true, false}) {
    resetPeak();
    auto t0 = Clock::now();
    {
      std::unique_ptr<kv::TKvArchive> a;
      if (zip) a = std::make_unique<kv::TKvZipArchive>(root + "/gross.zip", kv::fmCreate);
      else a = std::make_unique<kv::TKvGzipArchive>(root + "/gross.bmp.gz", kv::fmCreate);
      a->SetBaseDirectory(root);
      a->TempDirectory = root;
      a->Load();
      a->Add(a->CreateItem("gross.bmp"));
      a->Save();
    }
    double secs = std::chrono::duration<double>(Clock::now() - t0).count();
    int64_t peak = statusBytes("VmHWM:") - atStart;
    std::printf("%-5s peak %6.1f MiB above start, %6.1f MB/s, %s\n", zip ? "ZIP" : "GZIP", double(peak) / 1048576.0,
                double(size) / 1e6 / secs, peak < (int64_t(64) << 20) ? "ok" : "OVER THE LIMIT");
  }
  fs::remove_all(root);
  std::printf("\n");
}

double timeCommand(const std::string& cmd, const std::string& cleanDir) {
  return best(3, [&] {
    fs::remove_all(cleanDir);
    fs::create_directories(cleanDir);
    if (std::system(cmd.c_str()) != 0) std::printf("failed: %s\n", cmd.c_str());
  });
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t atStart = statusBytes("VmRSS:");
  const std::string sourceDir = argc > 1 ? argv[1] : KALVORA_SOURCE_DIR;
  savePeaks(atStart);
  const Corpora corpora =
      makeCorpora(sourceDir, 8u << 20, 3, {"/usr/lib/x86_64-linux-gnu/libQt6Core.so.6"}, 4u << 20);

  std::printf("Deflate, MB/s of plain data (best of 5 alternating rounds) and compressed sizes\n");
  std::printf("%-7s %8s %8s %8s %8s | %10s %10s %10s %10s | %8s %8s %9s\n", "corpus", "ours", "zlib5", "zlib6",
              "ldfl6", "ours B", "zlib5 B", "zlib6 B", "ldfl6 B", "spd/z6", "size/z6", "spd/ldfl");
  libdeflate_compressor* lc = libdeflate_alloc_compressor(6);
  for (auto& [name, plain] : corpora) {
    double mb = double(plain.size()) / 1e6;
    size_t oursSize = 0;
    // The input is lent to the memory stream and given back, so no copy is timed.
    std::vector<uint8_t> lent = plain, packed;
    std::vector<uint8_t> out(libdeflate_deflate_compress_bound(lc, plain.size()));
    size_t z5 = 0, z6 = 0, l6 = 0;
    // Rounds take turns, so a burst of load on a shared machine hits all four alike.
    double ours = 1e9, t5 = 1e9, t6 = 1e9, tl = 1e9;
    for (int round = 0; round < 5; ++round) {
      ours = std::min(ours, best(1, [&] {
        kv::KvMemoryStream src, dst;
        src.Data().swap(lent);
        dst.Data().reserve(plain.size() + 1024);
        kv::Deflate(&src, &dst, nullptr);
        src.Data().swap(lent);
        oursSize = dst.Data().size();
        packed.swap(dst.Data());
      }));
      t5 = std::min(t5, best(1, [&] { z5 = zlibDeflate(plain, 5, out); }));
      t6 = std::min(t6, best(1, [&] { z6 = zlibDeflate(plain, 6, out); }));
      out.resize(libdeflate_deflate_compress_bound(lc, plain.size()));
      tl = std::min(tl, best(1, [&] {
        l6 = libdeflate_deflate_compress(lc, plain.data(), plain.size(), out.data(), out.size());
      }));
    }
    // The output must stay valid: zlib's inflate gives the input back.
    std::vector<uint8_t> back(plain.size() + 1);
    z_stream zi{};
    inflateInit2(&zi, -15);
    zi.next_in = packed.data();
    zi.avail_in = uInt(packed.size());
    zi.next_out = back.data();
    zi.avail_out = uInt(back.size());
    int rc = inflate(&zi, Z_FINISH);
    bool same = rc == Z_STREAM_END && zi.total_out == plain.size() && std::memcmp(back.data(), plain.data(), plain.size()) == 0;
    inflateEnd(&zi);
    if (!same) std::printf("%s: OUR OUTPUT DOES NOT INFLATE BACK\n", name.c_str());
    std::printf("%-7s %8.1f %8.1f %8.1f %8.1f | %10zu %10zu %10zu %10zu | %8.2f %8.3f %9.2f\n", name.c_str(),
                mb / ours, mb / t5, mb / t6, mb / tl, oursSize, z5, z6, l6, t6 / ours, double(oursSize) / double(z6),
                tl / ours);
  }
  libdeflate_free_compressor(lc);

  // Extraction: 40 frames of 1 MB each as TAR and TGZ.
  std::string root = fs::temp_directory_path() / "kv_bench_tar";
  fs::remove_all(root);
  fs::create_directories(root + "/src");
  for (int i = 0; i < 40; ++i) {
    auto f = frame(640, 540, i);
    std::ofstream(root + "/src/f" + std::to_string(i) + ".bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
  }
  std::system(("tar -cf " + root + "/x.tar -C " + root + "/src . && tar -czf " + root + "/x.tgz -C " + root +
               "/src .").c_str());
  auto ourExtract = [&](bool gz) {
    return best(3, [&] {
      fs::remove_all(root + "/out");
      fs::create_directories(root + "/out");
      std::unique_ptr<kv::TKvTarArchive> a;
      if (gz) {
        auto g = std::make_unique<kv::TKvGzipArchive>(root + "/x.tgz", kv::fmOpenRead);
        g->IsGzippedTar = true;
        g->SetPresentAsTar(true);
        a = std::move(g);
      } else {
        a = std::make_unique<kv::TKvTarArchive>(root + "/x.tar", kv::fmOpenRead);
      }
      a->SetBaseDirectory(root + "/out");
      a->ExtractOptions = kv::eoCreateDirs | kv::eoRestorePath;
      a->Load();
      a->ExtractFiles("*.*");
    });
  };
  double mb = 40 * (54 + 640.0 * 540 * 3) / 1e6;
  double oursTar = ourExtract(false), oursTgz = ourExtract(true);
  double gnuTar = timeCommand("tar -xf " + root + "/x.tar -C " + root + "/out", root + "/out");
  double gnuTgz = timeCommand("tar -xzf " + root + "/x.tgz -C " + root + "/out", root + "/out");
  double bsdTar = timeCommand("bsdtar -xf " + root + "/x.tar -C " + root + "/out", root + "/out");
  double bsdTgz = timeCommand("bsdtar -xf " + root + "/x.tgz -C " + root + "/out", root + "/out");
  std::printf("\nExtraction of %.0f MB in 40 files, MB/s (best of 3)\n", mb);
  std::printf("TAR: ours %.0f, tar -xf %.0f, bsdtar %.0f; ratio vs tar %.2f, vs bsdtar %.2f\n", mb / oursTar,
              mb / gnuTar, mb / bsdTar, gnuTar / oursTar, bsdTar / oursTar);
  std::printf("TGZ: ours %.0f, tar -xzf %.0f, bsdtar %.0f; ratio vs tar %.2f, vs bsdtar %.2f\n", mb / oursTgz,
              mb / gnuTgz, mb / bsdTgz, gnuTgz / oursTgz, bsdTgz / oursTgz);
  fs::remove_all(root);
  return 0;
}
