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
#include "KvStream.h"
#include "KvTar.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double best(int reps, const std::function<void()>& f) {
  double b = 1e9;
  for (int i = 0; i < reps; ++i) {
    auto t0 = Clock::now();
    f();
    b = std::min(b, std::chrono::duration<double>(Clock::now() - t0).count());
  }
  return b;
}

std::vector<uint8_t> readAll(const std::string& p) {
  std::ifstream f(p, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

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

std::vector<uint8_t> frame(int w, int h, int seed) {
  std::vector<uint8_t> v(54 + size_t(w) * size_t(h) * 3);
  v[0] = 'B';
  v[1] = 'M';
  std::mt19937 rng{uint32_t(seed)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      size_t i = 54 + (size_t(y) * size_t(w) + size_t(x)) * 3;
      uint8_t noise = uint8_t(rng() & 7);
      v[i] = uint8_t(x / 3 + seed + noise);
      v[i + 1] = uint8_t(y / 2 + noise);
      v[i + 2] = uint8_t(((x * y) >> 9) + seed * 5);
    }
  return v;
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
  std::string specDir = argc > 1 ? argv[1] : "/work/shared/spec";
  std::vector<std::pair<std::string, std::vector<uint8_t>>> corpora;
  {
    std::vector<uint8_t> text, seed;
    for (const char* f : {"overview.md", "piece-01.md", "piece-02.md"}) {
      auto b = readAll(specDir + "/" + f);
      seed.insert(seed.end(), b.begin(), b.end());
    }
    if (seed.empty()) seed.assign(100000, 'x');
    while (text.size() < (8u << 20)) text.insert(text.end(), seed.begin(), seed.end());
    corpora.emplace_back("text", text);
  }
  {
    std::vector<uint8_t> bmp;
    for (int i = 0; i < 3; ++i) {
      auto f = frame(1280, 1024, i);
      bmp.insert(bmp.end(), f.begin(), f.end());
    }
    corpora.emplace_back("bmp", bmp);
  }
  {
    std::vector<uint8_t> bin = readAll("/proc/self/exe");
    auto b = readAll("/usr/lib/x86_64-linux-gnu/libQt6Core.so.6");
    bin.insert(bin.end(), b.begin(), b.end());
    corpora.emplace_back("binary", bin);
  }
  {
    std::mt19937 rng(1);
    std::vector<uint8_t> r(4u << 20);
    for (auto& b : r) b = uint8_t(rng());
    corpora.emplace_back("random", r);
  }

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
