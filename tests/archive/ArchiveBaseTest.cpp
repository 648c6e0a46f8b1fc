// Messages, exceptions, utilities and the item list of the archive library.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <system_error>

#include "FileOps.h"
#include "KvArchive.h"
#include "KvErrors.h"
#include "KvUtils.h"
#include "KvZip.h"
#include "TestFiles.h"

using namespace kv;

TEST(ArchiveMessages, TableLooksUpCodesAndLeavesUnknownOnesAlone) {
  struct Case {
    int code;
    const char* text;
  } cases[] = {{1, "Cannot extract file - newer version required"},
               {23, "Failed CRC Check"},
               {37, "Insert span number %d of the spanned file set"},
               {400, "Invalid Gzip"},
               {513, "Unhandled Entity"}};
  for (const auto& c : cases) {
    std::string s;
    KvLookupMessage(c.code, s);
    EXPECT_EQ(s, c.text) << c.code;
  }
  std::string keep = "unchanged";
  KvLookupMessage(999, keep);
  EXPECT_EQ(keep, "unchanged");
  std::set<int> codes;
  for (int i = 0; i < KvMessageCount(); ++i) codes.insert(KvMessageCodeAt(i));
  EXPECT_EQ(KvMessageCount(), 152);  // the 146 of the library and six texts of ours
  EXPECT_EQ(codes.size(), 152u);
  // 38 stands before 37, as it always did.
  int i37 = -1, i38 = -1;
  for (int i = 0; i < KvMessageCount(); ++i) {
    if (KvMessageCodeAt(i) == 37) i37 = i;
    if (KvMessageCodeAt(i) == 38) i38 = i;
  }
  EXPECT_LT(i38, i37);
}

TEST(ArchiveMessages, ExceptionsCarryCodeAndFormattedText) {
  EKvGzipInvalid g;
  EXPECT_EQ(g.ErrorCode, 400);
  EXPECT_STREQ(g.what(), "Invalid Gzip");
  EKvVMSReadFail r(512, "swap.tmp");
  EXPECT_EQ(r.ErrorCode, 204);
  EXPECT_STREQ(r.what(), "VMS: Failed to read 512 bytes from swap file swap.tmp");
  EKvVMSInvalidOrigin o(3);
  EXPECT_STREQ(o.what(), "VMS: invalid origin 3, should be 0, 1, 2");
  EXPECT_EQ(TKvBaseComponent().Version(), "3.04");
}

TEST(ArchiveMessages, ClassifiesExceptions) {
  struct Case {
    std::exception_ptr e;
    TKvErrorClass cls;
    int code;
  } cases[] = {
      {std::make_exception_ptr(EKvZipBadCRC()), ecTamsor, 23},
      {std::make_exception_ptr(EKvUnsafeName()), ecTamsor, 520},
      {std::make_exception_ptr(EKvStreamReadError("x")), ecFilerError, 0},
      {std::make_exception_ptr(EKvStreamWriteError("x", 28)), ecFilerError, 0},
      {std::make_exception_ptr(std::system_error(ENOENT, std::generic_category())), ecInOutError, ENOENT},
      {std::make_exception_ptr(EKvFileOpenError("x", 2)), ecFileOpenError, 0},
      {std::make_exception_ptr(EKvFileCreateError("x", 13)), ecFileCreateError, 0},
      {std::make_exception_ptr(std::runtime_error("x")), ecOther, 0},
  };
  for (auto& c : cases) {
    try {
      std::rethrow_exception(c.e);
    } catch (const std::exception& e) {
      TKvErrorClass cls;
      int code;
      KvClassifyException(&e, cls, code);
      EXPECT_EQ(cls, c.cls) << e.what();
      EXPECT_EQ(code, c.code) << e.what();
    }
  }
}

TEST(ArchiveUtilities, WildcardsMatchAsTheFileListsDo) {
  struct Case {
    const char *src, *pat;
    bool match;
  } cases[] = {{"README.TXT", "*.TXT", true},   {"README.TXT", "R?ADME.TXT", true}, {"README.TXT", "README.TX?", true},
               {"README.TXT", "README.TXT?", false}, {"", "", true},               {"", "*", true},
               {"", "**", true},                {"", "*.*", true},                  {"", "?", false},
               {"NODOT", "*.*", true},          {"A.B", "*", true},                 {"ABC", "A*C", true},
               {"ABC", "A*D", false},           {"AXBXC", "A*B*C", true},           {"ABC", "", false},
               {"A", "A*", true},               {"AB", "A*B?", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(KvWildcardMatch(c.src, 0, c.pat, 0), c.match) << c.src << " ~ " << c.pat;
    // The file lists of the program give the same answer (they ignore case).
    EXPECT_EQ(kalvora::MatchesMask(QString::fromUtf8(c.src).toLower(), QString::fromUtf8(c.pat)), c.match)
        << c.src << " ~ " << c.pat;
  }
  EXPECT_TRUE(KvNameFitsMask("bilder/rahmen1.bmp", "*.BMP"));
  EXPECT_TRUE(KvNameFitsMask("bilder/rahmen1.bmp", "BILDER/*.BMP"));
  EXPECT_FALSE(KvNameFitsMask("andere/rahmen1.bmp", "BILDER/*.BMP"));
  // A name at the top has no folder for a mask's folder part, unless that part is empty.
  EXPECT_FALSE(KvNameFitsMask("rahmen1.bmp", "*/*.BMP"));
  EXPECT_TRUE(KvNameFitsMask("rahmen1.bmp", "/*.BMP"));
  // Backtracking over every split of the stars would not end within the test's time limit.
  std::string many(10000, 'a');
  EXPECT_FALSE(KvWildcardMatch(many, 0, "a*a*a*a*a*a*b", 0));
}

TEST(ArchiveUtilities, PathsPartsAndRatios) {
  std::string n = "ARCHIVE.ZIP";
  KvSpanPartName(n, 105);
  EXPECT_EQ(n, "ARCHIVE.Z05");
  n = "ARCHIVE";
  KvSpanPartName(n, 3);
  EXPECT_EQ(n, "ARCHIVE.03");
  n = "/a/x.zip";
  KvSpanPartName(n, 1);
  EXPECT_EQ(n, "/a/x.z01");
  EXPECT_EQ(KvPathKind("C:"), 2);
  EXPECT_EQ(KvPathKind("/abs"), 2);
  EXPECT_EQ(KvPathKind("\\\\srv\\sh"), 2);
  EXPECT_EQ(KvPathKind("dir/file"), 1);
  EXPECT_EQ(KvPathKind("file"), 0);
  EXPECT_EQ(KvEnsureTrailingSlash("C:"), "C:");
  EXPECT_EQ(KvEnsureTrailingSlash("/a"), "/a/");
  EXPECT_EQ(KvEnsureTrailingSlash(""), "");
  std::string d, p, f;
  KvSplitFileSpec("C:\\a\\b\\c.txt", d, p, f);
  EXPECT_EQ(d, "C:");
  EXPECT_EQ(p, "a/b/");
  EXPECT_EQ(f, "c.txt");
  KvSplitFileSpec("\\\\srv\\sh\\a\\x", d, p, f);
  EXPECT_EQ(d, "//srv/sh");
  EXPECT_EQ(p, "a/");
  EXPECT_EQ(f, "x");
  EXPECT_EQ(KvRatioPercent(50, 200), 25);
  EXPECT_EQ(KvRatioPercent(300, 200), 100);
  EXPECT_EQ(KvRatioPercent(5, 0), 0);
  EXPECT_EQ(KvRatioPercent(1LL << 40, 1LL << 41), 50);
  EXPECT_EQ(KvUnixSecondsToDateTime(0), 25569.0);
  EXPECT_EQ(KvDateTimeToUnixSeconds(25569.0), 0);
  EXPECT_EQ(KvDateTimeToUnixSeconds(KvUnixSecondsToDateTime(4102444800LL)), 4102444800LL);  // after 2038
  EXPECT_EQ(KvDateTimeToUnixSeconds(20000.5), 43200);  // before 1970: the days count 0
}

TEST(ArchiveUtilities, UnixModesAndDosTimes) {
  struct Case {
    int mode, attr;
  } cases[] = {{0040755, faDirectory}, {0100644, 0},         {0100444, faReadOnly},
               {0120777, faSysFile},   {0010644, faSysFile}, {0, faReadOnly}};
  for (auto c : cases) EXPECT_EQ(KvUnixModeToAttr(c.mode), c.attr) << std::oct << c.mode;
  EXPECT_EQ(KvAttrToUnixMode(faReadOnly), 0444);
  EXPECT_EQ(KvAttrToUnixMode(0), 0744);
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  int64_t s = 0;
  ASSERT_TRUE(KvDosToUnix(uint16_t((44 << 9) | (7 << 5) | 1), uint16_t(12 << 11), s));  // 2024-07-01 12:00 local
  EXPECT_EQ(s, 1719828000LL);
  uint16_t dd, tt;
  KvUnixToDos(s, dd, tt);
  EXPECT_EQ(dd, uint16_t((44 << 9) | (7 << 5) | 1));
  EXPECT_EQ(tt, uint16_t(12 << 11));
  EXPECT_FALSE(KvDosToUnix(uint16_t((44 << 9) | (13 << 5) | 1), 0, s));
  setenv("TZ", "UTC", 1);
  tzset();
}

TEST(ArchiveList, CaseVariantsShareABucketAndDeleteUnlinksTheRightOne) {
  TKvArchiveList list;
  auto* a = new TKvArchiveItem();
  a->SetFileName("Bild.bmp");
  auto* b = new TKvArchiveItem();
  b->SetFileName("BILD.BMP");
  auto* c = new TKvArchiveItem();
  c->SetFileName("other.txt");
  list.Add(a);
  list.Add(b);
  list.Add(c);
  EXPECT_EQ(TKvArchiveList::BucketOf("Bild.bmp"), TKvArchiveList::BucketOf("BILD.BMP"));
  EXPECT_EQ(list.Find("bild.BMP"), 1);  // the one added last
  list.Delete(1);                       // deleting b must leave a reachable
  EXPECT_EQ(list.Find("BILD.bmp"), 0);
  EXPECT_EQ(list.Items(0), a);
  list.Delete(0);
  EXPECT_EQ(list.Find("bild.bmp"), -1);
  EXPECT_EQ(list.Find("OTHER.TXT"), 0);
  EXPECT_EQ(KvUpperName("äöü"), "ÄÖÜ");
}

TEST(ArchiveList, ClearFreesTheItemsAndTheListStaysUsable) {
  struct Counted : TKvArchiveItem {
    explicit Counted(int& gone) : gone_(gone) {}
    ~Counted() override { ++gone_; }
    int& gone_;
  };
  int gone = 0;
  {
    TKvArchiveList list;
    for (const char* n : {"a.bmp", "A.BMP", "b/c.txt"}) {
      auto* it = new Counted(gone);
      it->SetFileName(n);
      list.Add(it);
    }
    list.Clear();
    EXPECT_EQ(gone, 3);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Find("a.bmp"), -1);
    EXPECT_FALSE(list.IsActiveDuplicate("b/c.txt"));
    auto* again = new Counted(gone);
    again->SetFileName("a.bmp");
    EXPECT_EQ(list.Add(again), 0);
    EXPECT_EQ(list.Find("A.bmp"), 0);
  }
  EXPECT_EQ(gone, 4);  // the list's own end frees what is left, once
}

TEST(ArchiveList, MaskListsTrimTheirMasks) {
  TKvArchiveItem it;
  it.SetFileName("dir/readme.txt");
  EXPECT_TRUE(it.MatchesMaskList("a*; *.txt"));
  EXPECT_FALSE(it.MatchesMaskList("a*; *.bmp"));
  EXPECT_FALSE(it.MatchesMaskList(""));
  EXPECT_TRUE(it.MatchesMask("C:*.TXT"));
}

// A moved item is found under its new name and no longer under the old one, so a second
// move to that name (in any case) is refused with code 7 and the saved archive holds
// each name once.
TEST(ArchiveModel, MovedItemIsRehashedAndADuplicateMoveRefused) {
  ziptest::TempDir d;
  std::filesystem::create_directories(d / "src");
  for (const char* n : {"eins.txt", "zwei.txt", "drei.txt"}) ziptest::writeFile(d / (std::string("src/") + n), ziptest::bytes(n));
  {
    TKvZipArchive a(d / "m.zip", fmCreate);
    a.SetBaseDirectory(d / "src");
    a.Load();
    for (const char* n : {"eins.txt", "zwei.txt", "drei.txt"}) a.Add(a.CreateItem(n));
    a.Save();
  }
  TKvZipArchive a(d / "m.zip", fmOpenRead);
  a.Load();
  std::vector<int> failures;
  a.OnProcessItemFailure = [&](TKvArchive*, TKvArchiveItem*, TKvProcessType pt, TKvErrorClass ec, int code) {
    EXPECT_EQ(pt, ptMove);
    EXPECT_EQ(ec, ecTamsor);
    failures.push_back(code);
  };
  TKvArchiveItem* first = a.Items(a.ItemList().Find("eins.txt"));
  TKvArchiveItem* second = a.Items(a.ItemList().Find("zwei.txt"));
  a.Move(first, "renamed.txt");
  EXPECT_EQ(a.ItemList().Find("renamed.txt"), a.ItemList().IndexOf(first));
  EXPECT_EQ(a.ItemList().Find("RENAMED.TXT"), a.ItemList().IndexOf(first));
  EXPECT_EQ(a.ItemList().Find("eins.txt"), -1);
  EXPECT_EQ(a.FindItem(first), a.ItemList().IndexOf(first));
  for (const char* again : {"renamed.txt", "Renamed.TXT"}) {
    a.Move(second, again);
    EXPECT_EQ(second->FileName(), "zwei.txt") << again;
  }
  EXPECT_EQ(failures, (std::vector<int>{7, 7}));
  // The old name is free again, and the list stays whole when items go.
  a.Move(second, "eins.txt");
  EXPECT_EQ(failures.size(), 2u);
  EXPECT_EQ(a.ItemList().Find("eins.txt"), a.ItemList().IndexOf(second));
  a.Save();
  std::vector<std::string> names;
  for (int i = 0; i < a.Count(); ++i) names.push_back(a.Items(i)->FileName());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"drei.txt", "eins.txt", "renamed.txt"}));
  a.ItemList().Delete(a.ItemList().Find("renamed.txt"));
  EXPECT_EQ(a.ItemList().Find("renamed.txt"), -1);
  EXPECT_GE(a.ItemList().Find("eins.txt"), 0);
  EXPECT_GE(a.ItemList().Find("drei.txt"), 0);
  if (ziptest::have("unzip")) {
    std::string listing = d / "list.txt";
    ASSERT_EQ(ziptest::run("unzip -Z1 '" + d / "m.zip" + "' > '" + listing + "'"), 0);
    std::ifstream in(listing);
    std::vector<std::string> listed;
    for (std::string line; std::getline(in, line);) listed.push_back(line);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{"drei.txt", "eins.txt", "renamed.txt"}));
  }
}
