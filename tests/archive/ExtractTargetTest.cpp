// Extraction to files without the stored folders: two items of one run that meet under
// the same name, and an existing file the user may not write.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "AsUser.h"
#include "KvErrors.h"
#include "KvTar.h"
#include "KvUnZipper.h"
#include "KvUnzip.h"
#include "KvZip.h"
#include "TestFiles.h"

using namespace kv;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

struct Failure {
  std::string name;
  TKvProcessType pt;
  TKvErrorClass ec;
  int code;
  bool operator==(const Failure& o) const {
    return name == o.name && pt == o.pt && ec == o.ec && code == o.code;
  }
};

// Two sets whose pictures share their names, written as a ZIP and as a TAR by our writers.
struct Sets {
  TempDir d;
  std::map<std::string, std::vector<uint8_t>> files = {{"set-a/gold.bmp", bmpBytes(20, 10)},
                                                       {"set-b/gold.bmp", bmpBytes(30, 12)},
                                                       {"set-b/silber.bmp", bmpBytes(8, 8)}};
  Sets() {
    for (auto& [n, data] : files) {
      fs::create_directories(fs::path(d / ("src/" + n)).parent_path());
      writeFile(d / ("src/" + n), data);
    }
    for (const char* name : {"sets.zip", "sets.tar"}) {
      std::unique_ptr<TKvArchive> a;
      if (std::string(name) == "sets.zip") a = std::make_unique<TKvZipArchive>(d / name, fmCreate);
      else a = std::make_unique<TKvTarArchive>(d / name, fmCreate);
      a->SetBaseDirectory(d / "src");
      a->Load();
      for (auto& f : files) a->Add(a->CreateItem(f.first));
      a->Save();
      ::chmod((d / name).c_str(), 0644);
    }
  }
};

// Opens an archive of the sets for extraction into out, as the frames dialog does with
// the unzipper component (default options: folders made, stored folders dropped).
struct Extraction {
  TKvUnZipper z;
  std::unique_ptr<TKvTarArchive> tar;
  std::vector<Failure> failures;
  Extraction(const Sets& s, bool zip, const std::string& out) {
    auto note = [this](TKvArchiveItem* it, TKvProcessType pt, TKvErrorClass ec, int code) {
      failures.push_back({it->FileName(), pt, ec, code});
    };
    if (zip) {
      z.OnProcessItemFailure = [note](TKvBaseBrowser*, TKvArchiveItem* it, TKvProcessType pt, TKvErrorClass ec,
                                      int code) { note(it, pt, ec, code); };
      z.SetFileName(s.d / "sets.zip");
      z.SetBaseDirectory(out);
    } else {
      tar = std::make_unique<TKvTarArchive>(s.d / "sets.tar", fmOpenRead);
      tar->OnProcessItemFailure = [note](TKvArchive*, TKvArchiveItem* it, TKvProcessType pt, TKvErrorClass ec,
                                         int code) { note(it, pt, ec, code); };
      tar->Load();
      tar->SetBaseDirectory(out);
      tar->ExtractOptions = eoCreateDirs;
    }
  }
  void run() {
    if (tar) tar->ExtractFiles("*.*");
    else z.ExtractFiles("*.*");
  }
};

}  // namespace

// The first item of a name is written; the second of the same run is skipped and
// reported with code 530, and the next run starts afresh.
TEST(ExtractTarget, SecondItemOfANameInOneRunIsSkippedAndReported) {
  Sets s;
  for (bool zip : {true, false}) {
    SCOPED_TRACE(zip ? "zip" : "tar");
    std::string out = s.d / (zip ? "out-zip" : "out-tar");
    fs::create_directories(out);
    Extraction e(s, zip, out);
    for (int round = 0; round < 2; ++round) {
      e.failures.clear();
      e.run();
      EXPECT_EQ(readFile(out + "/gold.bmp"), s.files.at("set-a/gold.bmp")) << round;
      EXPECT_EQ(readFile(out + "/silber.bmp"), s.files.at("set-b/silber.bmp"));
      EXPECT_EQ(e.failures, (std::vector<Failure>{{"set-b/gold.bmp", ptExtract, ecTamsor, 530}}));
      size_t n = 0;
      for (auto& f : fs::directory_iterator(out)) n += f.is_regular_file();
      EXPECT_EQ(n, 2u);
    }
  }
  EXPECT_EQ(KvMessage(530), "Cannot extract file - an earlier item of this run has the same name");
}

// An existing file the user may not write stays as it is and the item is reported with
// code 531; a writable one is replaced as before. Run as an ordinary user, because root
// may write any file.
TEST(ExtractTarget, ReadOnlyFileIsNotReplacedAndReported) {
  Sets s;
  ASSERT_EQ(::chmod(s.d.path.c_str(), 0755), 0);
  for (bool zip : {true, false}) {
    SCOPED_TRACE(zip ? "zip" : "tar");
    std::string out = s.d / (zip ? "out-zip" : "out-tar");
    fs::create_directories(out);
    writeFile(out + "/gold.bmp", bytes("alt und geschuetzt"));
    writeFile(out + "/silber.bmp", bytes("alt"));
    ASSERT_EQ(::chmod((out + "/gold.bmp").c_str(), 0444), 0);
    ASSERT_TRUE(testsupport::GiveToOrdinaryUser(out));
    Extraction e(s, zip, out);
    {
      testsupport::AsOrdinaryUser user;
      e.run();
    }
    EXPECT_EQ(readFile(out + "/gold.bmp"), bytes("alt und geschuetzt"));
    EXPECT_EQ(readFile(out + "/silber.bmp"), s.files.at("set-b/silber.bmp"));
    // The second gold.bmp meets the same read-only file.
    EXPECT_EQ(e.failures, (std::vector<Failure>{{"set-a/gold.bmp", ptExtract, ecTamsor, 531},
                                                {"set-b/gold.bmp", ptExtract, ecTamsor, 531}}));
    struct ::stat st;
    ASSERT_EQ(::stat((out + "/gold.bmp").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    size_t n = 0;
    for (auto& f : fs::directory_iterator(out)) n += f.is_regular_file();
    EXPECT_EQ(n, 2u);
  }
  EXPECT_EQ(KvMessage(531), "Cannot extract file - the existing file is read-only");
}
