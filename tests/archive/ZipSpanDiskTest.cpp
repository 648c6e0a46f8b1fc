// Spanned sets on removable disks: every disk request goes through the prompter, a user
// swaps disks in a played floppy drive, and the classic ZIP limits are refused cleanly.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "KvArchivePrompts.h"
#include "KvErrors.h"
#include "KvUnZipper.h"
#include "KvUnzip.h"
#include "KvUtils.h"
#include "KvZip.h"
#include "ScriptedPrompter.h"
#include "TestFiles.h"

using namespace kv;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

// A floppy drive played in a folder: a user who takes disks out, shelves them and puts
// back the one asked for. Cancels the blank-disk request number cancelAtBlank (1-based).
class FloppyUser : public kalvora::ScriptedPrompter {
 public:
  FloppyUser(std::string drive, std::string name) : drive_(std::move(drive)), name_(std::move(name)) {}
  int cancelAtBlank = 0;
  int blanks = 0;
  std::vector<std::vector<uint8_t>> shelf;

  void insert(size_t disk) { writeFile(file(), shelf.at(disk)); }
  void takeOut() {
    shelf.push_back(readFile(file()));
    fs::remove(file());
  }

  int message(kalvora::MsgKind kind, const QString& title, const QString& text, int buttons) override {
    kalvora::ScriptedPrompter::message(kind, title, text, buttons);
    const std::string t = text.toStdString();
    if (t == "Insert a blank floppy disk") {
      if (++blanks == cancelAtBlank) return kalvora::mrCancel;
      takeOut();
    } else if (t == "Insert the last disk in the spanned disk set") {
      insert(shelf.size() - 1);
    } else if (t.rfind("Insert disk number ", 0) == 0) {
      insert(size_t(std::stoi(t.substr(19))) - 1);
    }
    return kalvora::mrOk;
  }

 private:
  std::string file() const { return drive_ + "/" + name_; }
  std::string drive_, name_;
};

struct FloppyDrive {
  TempDir d;
  std::string drive = d / "floppy";
  FloppyDrive() {
    fs::create_directories(drive);
    fs::create_directories(d / "src");
    std::string root = drive;
    KvSetRemovableDriveQuery([root](const std::string& p) { return p.rfind(root, 0) == 0; });
  }
  ~FloppyDrive() { KvSetRemovableDriveQuery({}); }
  std::map<std::string, std::vector<uint8_t>> sources() {
    std::map<std::string, std::vector<uint8_t>> files = {
        {"text.txt", textBytes(60000, 4)}, {"zufall.bin", randomBytes(50000, 5)}, {"klein.txt", bytes("klein")}};
    for (auto& [n, data] : files) writeFile(d / ("src/" + n), data);
    return files;
  }
  // Writes the files as a set of parts of at most partSize bytes.
  void write(const std::map<std::string, std::vector<uint8_t>>& files, int64_t partSize,
             std::function<void(TKvZipArchive&)> after = {}) {
    TKvZipArchive a(drive + "/set.zip", fmCreate);
    KvAskThroughPrompter(a);
    a.SetBaseDirectory(d / "src");
    a.SpanSizeLimit = partSize;
    a.MethodChoice = 2;
    a.Load();
    for (auto& f : files) a.Add(a.CreateItem(f.first));
    a.Save();
    if (after) after(a);
  }
  std::vector<std::string> driveFiles() const {
    std::vector<std::string> v;
    for (auto& e : fs::directory_iterator(drive)) v.push_back(e.path().filename().string());
    return v;
  }
};

}  // namespace

TEST(ZipSpanDisks, EachDiskIsAskedForAndTheSetReadsBack) {
  FloppyDrive f;
  auto files = f.sources();
  FloppyUser user(f.drive, "set.zip");
  kalvora::PrompterScope scope(user);
  // Right after writing, the last disk is in the drive: an item on the first disk asks for it.
  f.write(files, 20000, [&](TKvZipArchive& a) {
    user.takeOut();
    KvConnectUnzipProcs(&a);
    for (int i = 0; i < a.Count(); ++i) {
      if (a.ZipItem(i)->DiskNumberStart() != 0) continue;
      size_t asked = user.questions().size();
      KvMemoryStream out;
      a.ExtractItemToStreamAt(i, &out);
      EXPECT_EQ(out.Data(), files.at(a.Items(i)->FileName()));
      ASSERT_GT(user.questions().size(), asked);
      EXPECT_EQ(user.questions()[asked].text, "Insert disk number 1 of the spanned disk set");
      break;
    }
  });
  // Every disk but the last was asked for as a blank disk.
  ASSERT_GE(user.shelf.size(), 3u);
  EXPECT_EQ(user.blanks, int(user.shelf.size()) - 1);
  for (auto& q : user.questions()) {
    EXPECT_EQ(q.title, "Insert floppy");
    EXPECT_EQ(q.buttons, kalvora::mbOk | kalvora::mbCancel);
  }
  for (size_t i = 0; i < user.shelf.size(); ++i) {
    EXPECT_LE(user.shelf[i].size(), 20000u) << i;
    EXPECT_GT(user.shelf[i].size(), 0u) << i;
  }
  // Only the first disk starts with the spanning marker; only the last holds the end record.
  EXPECT_EQ(std::vector<uint8_t>(user.shelf[0].begin(), user.shelf[0].begin() + 4),
            (std::vector<uint8_t>{'P', 'K', 7, 8}));

  // Reading: the first disk goes in, the reader asks for the last and then for each one.
  user.insert(0);
  size_t asked = user.questions().size();
  TKvZipArchive r(f.drive + "/set.zip", fmOpenRead);
  KvAskThroughPrompter(r);
  KvConnectUnzipProcs(&r);
  r.Load();
  ASSERT_EQ(r.Count(), int(files.size()));
  EXPECT_TRUE(r.Spanned);
  EXPECT_EQ(user.questions().at(asked).text, "Insert the last disk in the spanned disk set");
  for (int i = 0; i < r.Count(); ++i) {
    KvMemoryStream out;
    r.ExtractItemToStreamAt(i, &out);
    EXPECT_EQ(out.Data(), files.at(r.Items(i)->FileName())) << r.Items(i)->FileName();
  }
  bool askedForDisk = false;
  for (size_t i = asked; i < user.questions().size(); ++i)
    askedForDisk |= user.questions()[i].text.startsWith("Insert disk number ");
  EXPECT_TRUE(askedForDisk);
}

TEST(ZipSpanDisks, CancelLeavesNoArchiveBehind) {
  FloppyDrive f;
  auto files = f.sources();
  FloppyUser user(f.drive, "set.zip");
  user.cancelAtBlank = 2;
  kalvora::PrompterScope scope(user);
  EXPECT_THROW(f.write(files, 20000), EKvUserAbort);
  EXPECT_EQ(user.blanks, 2);
  // The disk still in the drive lost its part, and no temporary file is left on it.
  EXPECT_TRUE(f.driveFiles().empty()) << f.driveFiles()[0];
  // The disk taken out holds a first part only: not an archive of its own.
  ASSERT_EQ(user.shelf.size(), 1u);
  writeFile(f.drive + "/set.zip", user.shelf[0]);
  {
    KvFileStream s(f.drive + "/set.zip", fmOpenRead);
    EXPECT_EQ(FindEndRecord(s), -1);
  }
  // Offered that disk as the last one too, the reader reports a broken set.
  user.shelf.push_back(user.shelf[0]);
  TKvZipArchive r(f.drive + "/set.zip", fmOpenRead);
  KvAskThroughPrompter(r);
  EXPECT_THROW(r.Load(), EKvZipInvalid);
}

// The unzipper component, as the frames dialog uses it, asks for the disks through the
// prompter and extracts the whole set; a user who cancels leaves no archive open and the
// disk in the drive untouched when the component closes.
TEST(ZipSpanDisks, UnzipperAsksForTheDisksThroughThePrompter) {
  FloppyDrive f;
  auto files = f.sources();
  FloppyUser user(f.drive, "set.zip");
  kalvora::PrompterScope scope(user);
  f.write(files, 20000);
  user.takeOut();
  user.insert(0);
  size_t asked = user.questions().size();
  std::string out = f.d / "out";
  fs::create_directories(out);
  {
    TKvUnZipper z;
    KvAskThroughPrompter(z);
    int failures = 0;
    z.OnProcessItemFailure = [&](TKvBaseBrowser*, TKvArchiveItem*, TKvProcessType, TKvErrorClass, int) { ++failures; };
    z.SetFileName(f.drive + "/set.zip");
    ASSERT_EQ(z.Count(), int(files.size()));
    z.SetBaseDirectory(out);
    z.ExtractFiles("*.*");
    z.SetFileName("");
    EXPECT_EQ(failures, 0);
  }
  for (auto& [n, data] : files) EXPECT_EQ(readFile(out + "/" + n), data) << n;
  ASSERT_GT(user.questions().size(), asked + 1);
  EXPECT_EQ(user.questions()[asked].text, "Insert the last disk in the spanned disk set");
  EXPECT_EQ(user.questions()[asked].title, "Insert floppy");
  bool askedForDisk = false;
  for (size_t i = asked; i < user.questions().size(); ++i)
    askedForDisk |= user.questions()[i].text.startsWith("Insert disk number ");
  EXPECT_TRUE(askedForDisk);

  user.insert(0);
  const auto firstDisk = readFile(f.drive + "/set.zip");
  kalvora::ScriptedPrompter cancel;
  cancel.answerMessage(kalvora::mrCancel);
  kalvora::PrompterScope cancelScope(cancel);
  {
    TKvUnZipper z;
    KvAskThroughPrompter(z);
    z.SetFileName(f.drive + "/set.zip");
    EXPECT_EQ(z.Count(), 0);
    z.SetFileName("");
  }
  ASSERT_EQ(cancel.questions().size(), 1u);
  EXPECT_EQ(cancel.questions()[0].text, "Insert the last disk in the spanned disk set");
  EXPECT_EQ(readFile(f.drive + "/set.zip"), firstDisk);
}

TEST(ZipSpanDisks, NoPrompterAnswerMeansCancel) {
  FloppyDrive f;
  auto files = f.sources();
  TKvZipArchive a(f.drive + "/set.zip", fmCreate);  // no prompter connected
  a.SetBaseDirectory(f.d / "src");
  a.SpanSizeLimit = 30000;
  a.Load();
  for (auto& fl : files) a.Add(a.CreateItem(fl.first));
  EXPECT_THROW(a.Save(), EKvUserAbort);
  EXPECT_FALSE(a.Spanned);
  EXPECT_TRUE(f.driveFiles().empty());
}

// The classic records hold 16-bit counts and 32-bit sizes and offsets; nothing past them
// is written as a broken archive.
TEST(ZipLimits, TooManyEntriesAreRefused) {
  TempDir d;
  auto a = std::make_unique<TKvZipArchive>(d / "viele.zip", fmCreate);
  a->MethodChoice = 0;
  a->Load();
  KvMemoryStream empty;
  for (int i = 0; i < 65536; ++i) {
    auto* it = static_cast<TKvZipItem*>(a->CreateItem("f" + std::to_string(i)));
    it->SourceStream = &empty;
    a->Add(it);
    it->Action = iaAddFromStream;
  }
  try {
    a->Save();
    FAIL() << "saved";
  } catch (const EKvException& e) {
    EXPECT_NE(std::string(e.what()).find("65534"), std::string::npos) << e.what();
  }
  a.reset();
  EXPECT_EQ(fs::file_size(d / "viele.zip"), 0u);
  int count = 0;
  for (auto& e : fs::directory_iterator(d.path)) count += e.is_regular_file();
  EXPECT_EQ(count, 1);
}

TEST(ZipLimits, FilePastFourGibibytesIsRefusedBeforeReading) {
  TempDir d;
  fs::create_directories(d / "src");
  {
    std::ofstream s(d / "src/gross.bin");
  }
  fs::resize_file(d / "src/gross.bin", (uint64_t(1) << 32) + 1);  // sparse
  writeFile(d / "src/klein.txt", bytes("klein"));
  auto a = std::make_unique<TKvZipArchive>(d / "gross.zip", fmCreate);
  a->SetBaseDirectory(d / "src");
  a->Load();
  a->Add(a->CreateItem("klein.txt"));
  a->Add(a->CreateItem("gross.bin"));
  try {
    a->Save();
    FAIL() << "saved";
  } catch (const EKvException& e) {
    EXPECT_NE(std::string(e.what()).find("4 GiB"), std::string::npos) << e.what();
  }
  a.reset();
  EXPECT_EQ(fs::file_size(d / "gross.zip"), 0u);
}

// Zip64 records (as Info-ZIP writes them when forced) are not read; the load says so.
TEST(ZipLimits, Zip64ArchiveIsRefusedOnLoad) {
  if (!have("zip")) GTEST_SKIP();
  TempDir d;
  writeFile(d / "a.txt", bytes("hallo"));
  ASSERT_EQ(run("cd " + d.path + " && zip -q -fz z64.zip a.txt"), 0);
  TKvZipArchive a(d / "z64.zip", fmOpenRead);
  EXPECT_THROW(a.Load(), EKvZipInvalid);
}

// Numbered parts: the image request may cancel; the archive as it was stays untouched.
TEST(ZipSpanParts, CancelledPartRequestKeepsTheOldArchive) {
  TempDir d;
  fs::create_directories(d / "src");
  writeFile(d / "src/a.txt", bytes("erste Fassung"));
  writeFile(d / "src/b.bin", randomBytes(50000, 9));
  auto a = std::make_unique<TKvZipArchive>(d / "n.zip", fmCreate);
  a->SetBaseDirectory(d / "src");
  a->Load();
  a->Add(a->CreateItem("a.txt"));
  a->Save();
  const auto before = readFile(d / "n.zip");
  std::vector<int> asked;
  a->OnRequestImage = [&](TKvArchive*, int n, std::string& name, bool& abort) {
    asked.push_back(n);
    EXPECT_EQ(name, d / ("n.z" + std::string(n < 10 ? "0" : "") + std::to_string(n)));
    abort = n == 2;
  };
  a->SpanSizeLimit = 20000;
  a->Add(a->CreateItem("b.bin"));
  EXPECT_THROW(a->Save(), EKvUserAbort);
  EXPECT_EQ(asked, (std::vector<int>{1, 2}));
  EXPECT_FALSE(a->Spanned);
  a.reset();
  EXPECT_EQ(readFile(d / "n.zip"), before);
  int count = 0;
  for (auto& e : fs::directory_iterator(d.path)) count += e.is_regular_file();
  EXPECT_EQ(count, 1);
  TKvZipArchive r(d / "n.zip", fmOpenRead);
  r.Load();
  EXPECT_EQ(r.Count(), 1);
}

// Disk requests given to the unzipper reach the handler, not the prompter, both when set
// before the archive opens and when set while it is open.
TEST(ZipSpanDisks, UnzipperDiskEventsReplaceThePrompter) {
  FloppyDrive f;
  auto files = f.sources();
  FloppyUser user(f.drive, "set.zip");
  kalvora::PrompterScope scope(user);
  f.write(files, 20000);
  user.takeOut();
  ASSERT_GE(user.shelf.size(), 3u);
  user.insert(0);
  const size_t asked = user.questions().size();
  std::string out = f.d / "out";
  fs::create_directories(out);
  int lastAsks = 0;
  std::vector<int> nth;
  TKvUnZipper z;
  KvAskThroughPrompter(z);
  z.SetOnRequestLastDisk([&](TKvBaseBrowser* b, bool& abort) {
    EXPECT_EQ(b, &z);
    ++lastAsks;
    user.insert(user.shelf.size() - 1);
    abort = false;
  });
  z.SetOnRequestNthDisk([&](TKvBaseBrowser* b, uint8_t n, bool& abort) {
    EXPECT_EQ(b, &z);
    nth.push_back(n);
    user.insert(size_t(n) - 1);
    abort = false;
  });
  z.SetFileName(f.drive + "/set.zip");
  ASSERT_EQ(z.Count(), int(files.size()));
  z.SetBaseDirectory(out);
  z.ExtractFiles("*.*");
  for (auto& [n, data] : files) EXPECT_EQ(readFile(out + "/" + n), data) << n;
  EXPECT_EQ(lastAsks, 1);
  EXPECT_FALSE(nth.empty());
  for (int n : nth) EXPECT_TRUE(n >= 1 && n <= int(user.shelf.size())) << n;
  EXPECT_EQ(user.questions().size(), asked);

  // Set while open: the open archive asks the new handlers.
  std::vector<int> later;
  int laterLast = 0;
  z.SetOnRequestNthDisk([&](TKvBaseBrowser*, uint8_t n, bool& abort) { later.push_back(n), abort = true; });
  z.SetOnRequestLastDisk([&](TKvBaseBrowser*, bool& abort) { ++laterLast, abort = true; });
  ASSERT_NE(z.ZipArchive(), nullptr);
  bool abort = false;
  z.ZipArchive()->DoRequestNthDisk(7, abort);
  EXPECT_TRUE(abort);
  EXPECT_EQ(later, std::vector<int>{7});
  abort = false;
  z.ZipArchive()->DoRequestLastDisk(abort);
  EXPECT_TRUE(abort);
  EXPECT_EQ(laterLast, 1);
  EXPECT_EQ(user.questions().size(), asked);
  z.SetFileName("");
}
