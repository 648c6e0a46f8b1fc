// A saved archive keeps the permissions of the file it replaces; a new one gets what any
// new file gets (0666 less the umask), not the private mode of its temporary file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "KvGzip.h"
#include "KvTar.h"
#include "KvZip.h"
#include "TestFiles.h"

using namespace kv;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

mode_t modeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

struct Umask {
  mode_t old;
  explicit Umask(mode_t m) : old(::umask(m)) {}
  ~Umask() { ::umask(old); }
};

std::unique_ptr<TKvArchive> open(const std::string& kind, const std::string& path) {
  if (kind == "zip") return std::make_unique<TKvZipArchive>(path, fmCreate);
  if (kind == "tar") return std::make_unique<TKvTarArchive>(path, fmCreate);
  auto g = std::make_unique<TKvGzipArchive>(path, fmCreate);
  if (kind == "tgz") {
    g->IsGzippedTar = true;
    g->SetPresentAsTar(true);
  }
  return g;
}

TEST(SavedArchive, KeepsTheOldModeOrTakesTheUmask) {
  struct Case {
    mode_t umask;
    int oldMode;  // -1: a new archive
    mode_t want;
  } cases[] = {
      {022, -1, 0644},
      {027, -1, 0640},
      {002, -1, 0664},
      {077, 0644, 0644},
      {022, 0604, 0604},
      {022, 0660, 0660},
  };
  for (std::string kind : {"zip", "tar", "gz", "tgz"}) {
    for (auto& c : cases) {
      TempDir d;
      fs::create_directories(d / "src");
      writeFile(d / "src/a.txt", bytes("eins"));
      writeFile(d / "src/b.txt", bytes("zwei"));
      std::string path = d / ("x." + kind);
      Umask u(c.umask);
      auto a = open(kind, path);
      a->SetBaseDirectory(d / "src");
      a->Load();
      a->Add(a->CreateItem("a.txt"));
      a->Save();
      if (c.oldMode >= 0) {
        ASSERT_EQ(::chmod(path.c_str(), mode_t(c.oldMode)), 0);
        // As root (CI), another user's archive stays theirs.
        bool root = ::geteuid() == 0;
        if (root) {
          ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        }
        // A second save replaces the file.
        if (kind == "gz") {
          a->IsDirty = true;
        } else {
          a->Add(a->CreateItem("b.txt"));
        }
        struct stat before;
        ::stat(path.c_str(), &before);
        a->Save();
        struct stat after;
        ::stat(path.c_str(), &after);
        EXPECT_NE(before.st_ino, after.st_ino) << kind << " was not replaced";
        if (root) {
          EXPECT_EQ(after.st_uid, 65534u) << kind;
        }
      }
      EXPECT_EQ(modeOf(path), c.want) << kind << " umask " << std::oct << c.umask << " old " << c.oldMode;
      // Nothing but the archive beside the sources.
      int files = 0;
      for (auto& e : fs::directory_iterator(d.path)) files += e.is_regular_file();
      EXPECT_EQ(files, 1) << kind;
    }
  }
}

}  // namespace
