// The ZIP writer writes only what its reader reads: the classic end record counts entries
// in 16 bits, and 0xFFFF there marks a Zip64 set.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "KvErrors.h"
#include "KvUnZipper.h"
#include "KvZip.h"
#include "TestFiles.h"

using namespace kv;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

// 65,534 empty entries are written and read back by the unzipper and by Info-ZIP; 65,535
// are refused with the library's message before anything is written (the archive was
// written and then refused by the reader as not a ZIP).
TEST(ZipEntryCount, AtMost65534EntriesAreWritten) {
  TempDir d;
  KvMemoryStream empty;
  for (int n : {65534, 65535}) {
    SCOPED_TRACE(n);
    const std::string zip = d / (std::to_string(n) + ".zip");
    {
      TKvZipArchive a(zip, fmCreate);
      a.MethodChoice = 0;
      a.Load();
      for (int i = 0; i < n; ++i) {
        auto* it = static_cast<TKvZipItem*>(a.CreateItem("f" + std::to_string(i)));
        it->SourceStream = &empty;
        a.Add(it);
        it->Action = iaAddFromStream;
      }
      if (n == 65535) {
        try {
          a.Save();
          FAIL() << "saved";
        } catch (const EKvZipException& e) {
          EXPECT_EQ(e.ErrorCode, 533);
          EXPECT_STREQ(e.what(), "Cannot save archive - a Zip file holds at most 65534 entries");
        }
        continue;
      }
      a.Save();
    }
    TKvUnZipper z;
    z.SetFileName(zip);
    EXPECT_EQ(z.Count(), n);
    if (have("zipinfo")) {
      EXPECT_EQ(run("zipinfo -t '" + zip + "' | grep -q '^65534 files'"), 0);
    }
  }
  EXPECT_EQ(fs::file_size(d / "65535.zip"), 0u);
  int files = 0;
  for (auto& e : fs::directory_iterator(d.path)) files += e.is_regular_file();
  EXPECT_EQ(files, 2);  // nothing left beside the two archives
}

}  // namespace
