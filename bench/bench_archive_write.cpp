// Our Deflate against zlib levels 5 and 6 and libdeflate level 6 on generated corpora
// (speed and size), and TAR / TGZ extraction against `tar -xf`, `tar -xzf` and `bsdtar`,
// all in one run; prints MB/s of plain data, sizes and the ratios.
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

double timeCommand(const std::string& cmd, const std::string& cleanDir) {
  return best(3, [&] {
    fs::remove_all(cleanDir);
    fs::create_directories(cleanDir);
    if (std::system(cmd.c_str()) != 0) std::printf("failed: %s\n", cmd.c_str());
  });
}

}  // namespace

int main(int argc, char** argv) {
  const std::string sourceDir = argc > 1 ? argv[1] : KALVORA_SOURCE_DIR;
  const Corpora corpora =
      makeCorpora(sourceDir, 8u << 20, 3, {"/usr/lib/x86_64-linux-gnu/libQt6Core.so.6"}, 4u << 20);

  std::printf("Deflate, MB/s of plain data (best of 3) and compressed sizes\n");
  std::printf("%-7s %8s %8s %8s %8s | %10s %10s %10s %10s | %8s %8s %9s\n", "corpus", "ours", "zlib5", "zlib6",
              "ldfl6", "ours B", "zlib5 B", "zlib6 B", "ldfl6 B", "spd/z6", "size/z6", "spd/ldfl");
  libdeflate_compressor* lc = libdeflate_alloc_compressor(6);
  for (auto& [name, plain] : corpora) {
    double mb = double(plain.size()) / 1e6;
    size_t oursSize = 0;
    double ours = best(3, [&] {
      kv::KvMemoryStream src(plain), dst;
      dst.Data().reserve(plain.size() + 1024);
      kv::Deflate(&src, &dst, nullptr);
      oursSize = dst.Data().size();
    });
    std::vector<uint8_t> out;
    size_t z5 = 0, z6 = 0, l6 = 0;
    double t5 = best(3, [&] { z5 = zlibDeflate(plain, 5, out); });
    double t6 = best(3, [&] { z6 = zlibDeflate(plain, 6, out); });
    out.resize(libdeflate_deflate_compress_bound(lc, plain.size()));
    double tl = best(3, [&] { l6 = libdeflate_deflate_compress(lc, plain.data(), plain.size(), out.data(), out.size()); });
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
