// Work on an item with a pending change saves the archive first, and that save removes the
// items marked for deletion (a cabinet is even listed anew). ZIP, TAR, gzipped TAR and CAB
// archives made by Info-ZIP, GNU tar and gcab: the item is found again after the save, a
// removed one is skipped, a run goes on with the item that followed, and the bytes written are
// the tool's own. Also: a stop asked for in a ZIP item's progress ends the run.
#include <gtest/gtest.h>
#include <utime.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

#include "KvCab.h"
#include "KvErrors.h"
#include "KvUnZipper.h"
#include "RecordingUnzipper.h"
#include "TestFiles.h"

using namespace kv;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

enum Kind { kZip, kTar, kTgz, kCab };
const Kind kAll[] = {kZip, kTar, kTgz, kCab};
const char* nameOf(Kind k) { return k == kZip ? "zip" : k == kTar ? "tar" : k == kTgz ? "tgz" : "cab"; }

std::string q(const std::string& s) { return "'" + s + "'"; }

// What a command writes to its standard output.
std::vector<uint8_t> output(const std::string& cmd) {
  std::vector<uint8_t> v;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return v;
  uint8_t buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) v.insert(v.end(), buf, buf + n);
  ::pclose(p);
  return v;
}

bool toolsFor(Kind k) {
  switch (k) {
    case kZip: return have("zip") && have("unzip");
    case kTar: case kTgz: return have("tar");
    case kCab: return have("gcab") && KvCabinetBackend();
  }
  return false;
}

// a.txt to d.txt, of different sizes and contents.
std::map<std::string, std::vector<uint8_t>> makeSources(const TempDir& d) {
  std::map<std::string, std::vector<uint8_t>> files;
  const char* names[] = {"a.txt", "b.txt", "c.txt", "d.txt"};
  for (int i = 0; i < 4; ++i) files[names[i]] = textBytes(size_t(1000 * (i + 1) + 17), uint32_t(i + 11));
  fs::create_directories(d / "src");
  for (auto& [n, data] : files) writeFile(d / ("src/" + n), data);
  return files;
}

// The archive of the four sources in the order a to d, made by the format's own tool.
std::string makeArchive(Kind k, const TempDir& d) {
  std::string file = d / (std::string("x.") + nameOf(k));
  std::string in = "cd " + q(d / "src") + " && ";
  std::string names = " a.txt b.txt c.txt d.txt";
  switch (k) {
    case kZip: run(in + "zip -q -X " + q(file) + names); break;
    case kTar: run(in + "tar -cf " + q(file) + names); break;
    case kTgz: run(in + "tar -czf " + q(file) + names); break;
    case kCab: run(in + "gcab -c -z " + q(file) + names); break;
  }
  return file;
}

// The names the tool lists, in its order.
std::vector<std::string> listed(Kind k, const std::string& file) {
  std::string cmd;
  switch (k) {
    case kZip: cmd = "unzip -Z1 " + q(file); break;
    case kTar: cmd = "tar -tf " + q(file); break;
    case kTgz: cmd = "tar -tzf " + q(file); break;
    case kCab: cmd = "gcab -t " + q(file); break;
  }
  std::vector<std::string> names;
  std::string line;
  for (uint8_t c : output(cmd)) {
    if (c == '\n') {
      if (!line.empty()) names.push_back(line);
      line.clear();
    } else {
      line += char(c);
    }
  }
  return names;
}

// One entry's bytes as the tool extracts them.
std::vector<uint8_t> toolBytes(Kind k, const TempDir& d, const std::string& file, const std::string& name) {
  switch (k) {
    case kZip: return output("unzip -p " + q(file) + " " + q(name));
    case kTar: return output("tar -xOf " + q(file) + " " + q(name));
    case kTgz: return output("tar -xzOf " + q(file) + " " + q(name));
    case kCab: {
      std::string dir = d / "gcab-out";
      fs::remove_all(dir);
      fs::create_directories(dir);
      run("cd " + q(dir) + " && gcab -x " + q(file) + " >/dev/null");
      return readFile(dir + "/" + name);
    }
  }
  return {};
}

// Every file below a folder, name → bytes.
std::map<std::string, std::vector<uint8_t>> filesIn(const std::string& dir) {
  std::map<std::string, std::vector<uint8_t>> m;
  for (auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) m[fs::relative(e.path(), dir).string()] = readFile(e.path().string());
  return m;
}

// The archive opened as the program does: ZIP, TAR and gzipped TAR through the unzipper,
// a cabinet as itself (the unzipper refuses cabinets). Failures are recorded.
struct Opened {
  TKvUnZipper z;
  std::unique_ptr<TKvCabArchive> cab;
  TKvArchive* a = nullptr;
  std::vector<Failure> failures;
  Opened(Kind k, const std::string& file, const std::string& out) {
    auto note = [this](TKvArchiveItem* it, int code) { failures.push_back({it->FileName(), code}); };
    if (k == kCab) {
      cab = std::make_unique<TKvCabArchive>(file, fmOpenRead | fmShareDenyNone);
      cab->OnProcessItemFailure = [note](TKvArchive*, TKvArchiveItem* it, TKvProcessType, TKvErrorClass, int code) {
        note(it, code);
      };
      cab->Load();
      cab->SetBaseDirectory(out);
      cab->ExtractOptions = eoCreateDirs;
      a = cab.get();
    } else {
      z.TarAutoHandle = true;
      z.OnProcessItemFailure = [note](TKvBaseBrowser*, TKvArchiveItem* it, TKvProcessType, TKvErrorClass, int code) {
        note(it, code);
      };
      z.SetFileName(file);
      z.SetBaseDirectory(out);
      a = z.Archive();
    }
  }
  TKvArchiveItem* item(const std::string& name) {
    int i = a->ItemList().Find(name);
    return i < 0 ? nullptr : a->Items(i);
  }
  void markDeleted(const std::string& name) {
    item(name)->Action = iaDelete;
    a->IsDirty = true;
  }
  std::vector<std::string> names() const {
    std::vector<std::string> v;
    for (int i = 0; i < a->Count(); ++i) v.push_back(a->Items(i)->FileName());
    return v;
  }
};

struct Changes {
  std::vector<std::string> deleted;
  std::vector<std::pair<std::string, std::string>> moved;  // from, to
};

void apply(Opened& o, const Changes& c) {
  for (auto& n : c.deleted) o.markDeleted(n);
  for (auto& [from, to] : c.moved) o.a->Move(o.item(from), to);
}

struct RunCase {
  const char* what;
  Changes changes;
  const char* mask;
  std::map<std::string, std::string> written;  // file written → the source whose bytes it holds
  std::vector<std::string> after;              // the archive after the save, as its tool lists it
};

const RunCase kRuns[] = {
    {"a picked item marked for deletion", {{"b.txt"}, {}}, "*.*",
     {{"a.txt", "a.txt"}, {"c.txt", "c.txt"}, {"d.txt", "d.txt"}}, {"a.txt", "c.txt", "d.txt"}},
    {"the last item marked for deletion", {{"d.txt"}, {}}, "*.*",
     {{"a.txt", "a.txt"}, {"b.txt", "b.txt"}, {"c.txt", "c.txt"}}, {"a.txt", "b.txt", "c.txt"}},
    {"a moved item behind one marked for deletion that the run does not pick", {{"a.txt"}, {{"c.txt", "e.txt"}}},
     "b.txt;e.txt;d.txt", {{"b.txt", "b.txt"}, {"e.txt", "c.txt"}, {"d.txt", "d.txt"}}, {"b.txt", "e.txt", "d.txt"}},
};

TEST(PendingSave, AnExtractionRunSkipsRemovedItemsAndWritesEachItemsOwnBytes) {
  for (Kind k : kAll) {
    if (!toolsFor(k)) continue;
    for (const RunCase& c : kRuns) {
      SCOPED_TRACE(std::string(nameOf(k)) + ": " + c.what);
      TempDir d;
      auto src = makeSources(d);
      std::string file = makeArchive(k, d);
      fs::create_directories(d / "out");
      Opened o(k, file, d / "out");
      ASSERT_EQ(o.a->Count(), 4);
      apply(o, c.changes);
      o.a->ExtractFiles(c.mask);
      EXPECT_EQ(o.failures, std::vector<Failure>{});
      std::map<std::string, std::vector<uint8_t>> expected;
      for (auto& [out, from] : c.written) expected[out] = src[from];
      EXPECT_EQ(filesIn(d / "out"), expected);
      EXPECT_EQ(o.names(), c.after);
      EXPECT_EQ(listed(k, file), c.after);
    }
  }
}

TEST(PendingSave, ATestRunSkipsRemovedItems) {
  for (Kind k : kAll) {
    if (!toolsFor(k)) continue;
    for (const RunCase& c : kRuns) {
      SCOPED_TRACE(std::string(nameOf(k)) + ": " + c.what);
      TempDir d;
      makeSources(d);
      std::string file = makeArchive(k, d);
      fs::create_directories(d / "out");
      Opened o(k, file, d / "out");
      std::vector<std::string> tested;
      if (k == kZip)
        o.z.OnArchiveItemProgress = [&](TKvBaseBrowser*, TKvArchiveItem* it, uint8_t p, bool&) {
          if (p == 100) tested.push_back(it->FileName());
        };
      apply(o, c.changes);
      o.a->TestFiles(c.mask);
      EXPECT_EQ(o.failures, std::vector<Failure>{});
      EXPECT_EQ(o.names(), c.after);
      EXPECT_EQ(listed(k, file), c.after);
      // A ZIP item reports its progress while it is tested: each item once, under its own name.
      if (k == kZip) {
        std::vector<std::string> picked;
        for (auto& [out, from] : c.written) picked.push_back(out);
        std::sort(tested.begin(), tested.end());
        EXPECT_EQ(tested, picked);
      }
    }
  }
}

// A ZIP test run after a save tests the item it reports: a damaged b.txt fails as itself.
TEST(PendingSave, AZipTestRunReportsTheDamagedItemItTested) {
  if (!toolsFor(kZip)) GTEST_SKIP();
  TempDir d;
  makeSources(d);
  std::string file = makeArchive(kZip, d);
  // The middle of b.txt's data (stored after a.txt's local header and data).
  auto raw = readFile(file);
  const std::string name = "b.txt";
  auto at = std::search(raw.begin(), raw.end(), name.begin(), name.end());
  ASSERT_NE(at, raw.end());
  size_t pos = size_t(at - raw.begin()) + name.size() + 100;
  raw[pos] ^= 0x55;
  writeFile(file, raw);
  fs::create_directories(d / "out");
  Opened o(kZip, file, d / "out");
  o.markDeleted("a.txt");
  o.a->TestFiles("*.*");
  ASSERT_EQ(o.failures.size(), 1u);
  EXPECT_EQ(o.failures[0].name, "b.txt");
  EXPECT_EQ(listed(kZip, file), (std::vector<std::string>{"b.txt", "c.txt", "d.txt"}));
}

TEST(PendingSave, ExtractingToAStreamGivesTheNamedItemsBytes) {
  for (Kind k : kAll) {
    if (!toolsFor(k)) continue;
    SCOPED_TRACE(nameOf(k));
    TempDir d;
    auto src = makeSources(d);
    std::string file = makeArchive(k, d);
    fs::create_directories(d / "out");
    Opened o(k, file, d / "out");
    apply(o, {{"a.txt"}, {{"c.txt", "e.txt"}}});
    KvMemoryStream m;
    o.a->ExtractToStream("e.txt", &m);
    EXPECT_EQ(m.Data(), src["c.txt"]);
    // An item the save removed gives nothing.
    o.markDeleted("d.txt");
    KvMemoryStream none;
    o.a->ExtractToStream("d.txt", &none);
    EXPECT_EQ(none.Size(), 0);
    EXPECT_EQ(listed(k, file), (std::vector<std::string>{"b.txt", "e.txt"}));
  }
}

TEST(PendingSave, MovesOfItemsWithPendingChanges) {
  for (Kind k : kAll) {
    if (!toolsFor(k)) continue;
    SCOPED_TRACE(nameOf(k));
    TempDir d;
    auto src = makeSources(d);
    std::string file = makeArchive(k, d);
    fs::create_directories(d / "out");
    Opened o(k, file, d / "out");
    // An item marked for deletion is gone after the save that comes first: nothing to move.
    o.markDeleted("b.txt");
    o.a->Move(o.item("b.txt"), "x.txt");
    EXPECT_EQ(o.names(), (std::vector<std::string>{"a.txt", "c.txt", "d.txt"}));
    // An item moved twice: the first move is saved before the second.
    o.a->Move(o.item("c.txt"), "e.txt");
    o.a->Move(o.item("e.txt"), "f.txt");
    o.a->Save();
    EXPECT_EQ(o.failures, std::vector<Failure>{});
    EXPECT_EQ(listed(k, file), (std::vector<std::string>{"a.txt", "f.txt", "d.txt"}));
    EXPECT_EQ(toolBytes(k, d, file, "f.txt"), src["c.txt"]);
  }
}

// Adding a file of a stored name twice, replacing or freshening the entry: the second add
// saves the first one's change before it looks at the entry.
TEST(PendingSave, ReplacingOrFresheningAnEntryTwice) {
  for (Kind k : kAll) {
    if (!toolsFor(k)) continue;
    for (uint8_t option : {uint8_t(stoReplace), uint8_t(stoFreshen)}) {
      SCOPED_TRACE(std::string(nameOf(k)) + (option == stoReplace ? " replace" : " freshen"));
      TempDir d;
      makeSources(d);
      std::string file = makeArchive(k, d);
      fs::create_directories(d / "out");
      Opened o(k, file, d / "out");
      o.a->SetBaseDirectory(d / "src");
      o.a->NameOptions |= option;
      const auto first = bytes("erste neue Fassung"), second = bytes("zweite neue Fassung, länger");
      auto put = [&](const std::vector<uint8_t>& data, long when) {
        writeFile(d / "src/c.txt", data);
        struct utimbuf t = {when, when};
        ::utime((d / "src/c.txt").c_str(), &t);
      };
      put(first, 978307200);  // 2001-01-01
      o.a->Add(o.a->CreateItem("c.txt"));
      ASSERT_NE(o.item("c.txt"), nullptr);
      EXPECT_NE(o.item("c.txt")->Action, iaNone);
      put(second, 1009843200);  // 2002-01-01
      o.a->Add(o.a->CreateItem("c.txt"));
      o.a->Save();
      EXPECT_EQ(o.failures, std::vector<Failure>{});
      EXPECT_EQ(listed(k, file), (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "d.txt"}));
      EXPECT_EQ(toolBytes(k, d, file, "c.txt"), second);
    }
  }
}

// A stop asked for in the progress of a ZIP item ends the run there, as a stop asked for
// between two items does: EKvUserAbort, no failure reported, nothing of the item written and
// no later item touched.
TEST(PendingSave, AStopInAZipItemsProgressEndsTheRun) {
  if (!toolsFor(kZip)) GTEST_SKIP();
  for (const char* level : {"-0", "-6"}) {
    for (bool test : {false, true}) {
      SCOPED_TRACE(std::string(level) + (test ? " test" : " extract"));
      TempDir d;
      fs::create_directories(d / "src");
      const char* names[] = {"a.bin", "b.bin", "c.bin"};
      for (int i = 0; i < 3; ++i) writeFile(d / ("src/" + std::string(names[i])), randomBytes(200000, uint32_t(i + 1)));
      std::string file = d / "s.zip";
      ASSERT_EQ(run("cd " + q(d / "src") + " && zip -q -X " + std::string(level) + " " + q(file) + " a.bin b.bin c.bin"), 0);
      fs::create_directories(d / "out");
      Opened o(kZip, file, d / "out");
      std::vector<std::string> seen;
      o.z.OnArchiveItemProgress = [&](TKvBaseBrowser*, TKvArchiveItem* it, uint8_t, bool& abort) {
        if (seen.empty() || seen.back() != it->FileName()) seen.push_back(it->FileName());
        abort = it->FileName() == "b.bin";
      };
      if (test) EXPECT_THROW(o.z.TestFiles("*.*"), EKvUserAbort);
      else EXPECT_THROW(o.z.ExtractFiles("*.*"), EKvUserAbort);
      EXPECT_EQ(o.failures, std::vector<Failure>{});
      EXPECT_EQ(seen, (std::vector<std::string>{"a.bin", "b.bin"}));
      std::map<std::string, std::vector<uint8_t>> expected;
      if (!test) expected["a.bin"] = readFile(d / "src/a.bin");
      EXPECT_EQ(filesIn(d / "out"), expected);
    }
  }
}

}  // namespace
