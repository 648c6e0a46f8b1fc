#include "KvArchive.h"

#include "KvDeflateBase.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>

namespace kv {

std::string KvUpperName(const std::string& s) {
  std::string r = s;
  for (size_t i = 0; i < r.size(); ++i) {
    auto c = uint8_t(r[i]);
    if (c >= 'a' && c <= 'z') r[i] = char(c - 32);
    else if (c == 0xC3 && i + 1 < r.size()) {
      auto d = uint8_t(r[i + 1]);
      if (d >= 0xA0 && d <= 0xBE && d != 0xB7) r[i + 1] = char(d - 0x20);
      ++i;
    }
  }
  return r;
}

std::string KvProgramFolder() {
  if (const char* e = std::getenv("KALVORA_APPDIR"); e && *e) return e;
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  buf[n] = 0;
  return KvExtractFileDir(buf);
}

// ---- items ----

TKvArchiveItem::SerialNumber::SerialNumber() {
  static std::atomic<uint64_t> next{1};
  value = next++;
}

bool TKvArchiveItem::MatchesMask(const std::string& mask) const {
  std::string m = mask;
  KvToStoredSlashes(m);
  if (m.size() >= 2 && m[1] == ':') m = m.substr(2);
  std::string f = FileName();
  KvToStoredSlashes(f);
  if (f.size() > 1 && f.back() == '/') f.pop_back();  // a folder entry matches by its own name
  return KvNameFitsMask(f, m);
}

bool TKvArchiveItem::MatchesMaskList(const std::string& maskList) const {
  size_t start = 0;
  while (start <= maskList.size()) {
    size_t end = maskList.find(';', start);
    if (end == std::string::npos) end = maskList.size();
    std::string m = maskList.substr(start, end - start);
    size_t a = m.find_first_not_of(" \t"), b = m.find_last_not_of(" \t");
    m = a == std::string::npos ? std::string() : m.substr(a, b - a + 1);
    if (!m.empty() && MatchesMask(m)) return true;
    start = end + 1;
  }
  return false;
}

// ---- list ----

TKvArchiveList::~TKvArchiveList() { Clear(); }

int TKvArchiveList::BucketOf(const std::string& name) {
  uint32_t h = 0;
  for (char ch : KvUpperName(name)) {
    h = (h << 4) + uint8_t(ch);
    uint32_t g = h & 0xF0000000u;
    if (g) h ^= g >> 24;
    h &= ~g;
  }
  return int(h % kBuckets);
}

int TKvArchiveList::Add(TKvArchiveItem* item) {
  int b = BucketOf(item->FileName());
  item->Next = heads_[size_t(b)];
  heads_[size_t(b)] = item;
  items_.push_back(item);
  return int(items_.size()) - 1;
}

// Unlinks this very item: another whose name differs only in case stays.
void TKvArchiveList::unlink(TKvArchiveItem* item) {
  TKvArchiveItem** link = &heads_[size_t(BucketOf(item->FileName()))];
  while (*link && *link != item) link = &(*link)->Next;
  if (!*link) {
    // A format item may have changed its own name behind the list's back.
    for (auto& h : heads_) {
      link = &h;
      while (*link && *link != item) link = &(*link)->Next;
      if (*link) break;
    }
  }
  if (*link) *link = item->Next;
  item->Next = nullptr;
}

void TKvArchiveList::Delete(int index) {
  TKvArchiveItem* item = items_[size_t(index)];
  unlink(item);
  items_.erase(items_.begin() + index);
  delete item;
}

void TKvArchiveList::Rename(TKvArchiveItem* item, const std::string& newName) {
  if (IndexOf(item) < 0) {
    item->SetFileName(newName);
    return;
  }
  unlink(item);
  item->SetFileName(newName);
  int b = BucketOf(item->FileName());
  item->Next = heads_[size_t(b)];
  heads_[size_t(b)] = item;
}

int TKvArchiveList::Find(const std::string& name) const {
  std::string up = KvUpperName(name);
  for (TKvArchiveItem* p = heads_[size_t(BucketOf(name))]; p; p = p->Next)
    if (KvUpperName(p->FileName()) == up) return IndexOf(p);
  return -1;
}

bool TKvArchiveList::IsActiveDuplicate(const std::string& name) const {
  std::string up = KvUpperName(name);
  for (TKvArchiveItem* p = heads_[size_t(BucketOf(name))]; p; p = p->Next)
    if (KvUpperName(p->FileName()) == up && p->Action != iaDelete) return true;
  return false;
}

int TKvArchiveList::IndexOf(const TKvArchiveItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : int(it - items_.begin());
}

// The list owns its items: clearing frees them, last first, as the destructor always did.
void TKvArchiveList::Clear() {
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) delete *it;
  items_.clear();
  std::fill(heads_.begin(), heads_.end(), nullptr);
}

// ---- archive ----

TKvArchive::TKvArchive(const std::string& fileName, uint16_t mode) : Mode(mode) {
  status_ = stInvalid;
  int kind = KvIsRemovableDrive(fileName) ? mkRemovableDisks : mkNumberedFiles;
  reopenStream(fileName, kind, mode);
  archiveName_ = fileName;
  baseDir_ = KvProgramFolder();
  items_ = std::make_unique<TKvArchiveList>();
  status_ = stIdle;
}

void TKvArchive::reopenStream(const std::string& name, int mediaKind, uint16_t mode) {
  stream_.reset();
  auto s = std::make_unique<TKvSpanStream>(name, SpanSizeLimit, mediaKind, mode);
  s->OnRequestImage = [this](int n, std::string& nm, bool& abort) { DoMediaRequest(n, nm, abort); };
  s->OnProgress = [this](int p, bool& abort) { DoMediaProgress(p, abort); };
  s->Spanned = Spanned;
  stream_ = std::move(s);
}

TKvArchive::~TKvArchive() {
  items_.reset();
  stream_.reset();
  log_.reset();
}

TKvSpanStream* TKvArchive::SpanStream() { return dynamic_cast<TKvSpanStream*>(stream_.get()); }

TKvArchive::Busy::Busy(TKvArchive& a) : a_(a) {
  a.checkValid();
  a.lock_.SetHeld(true);
  a.status_ = stBusy;
}

TKvArchive::Busy::~Busy() {
  if (a_.status_ == stBusy) a_.status_ = stIdle;
  a_.lock_.SetHeld(false);
}

void TKvArchive::checkValid() const {
  if (status_ == stInvalid) throw EKvNoArchive();
}

TKvArchive::ItemRef TKvArchive::refOf(const TKvArchiveItem* item) {
  return {item->Serial(), item->FileName(), item->Action == iaDelete};
}

int TKvArchive::indexOf(const ItemRef& ref, int hint) const {
  if (hint >= 0 && hint < Count() && Items(hint)->Serial() == ref.serial) return hint;
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Serial() == ref.serial) return i;
  // Not there: the save removed it, or listed the archive anew.
  return ref.leaving ? -1 : items_->Find(ref.name);
}

TKvArchiveItem* TKvArchive::saveBefore(int& index) {
  TKvArchiveItem* item = Items(index);
  if (item->Action == iaNone) return item;
  const ItemRef ref = refOf(item);
  Save();
  index = indexOf(ref, index);
  return index < 0 ? nullptr : Items(index);
}

void TKvArchive::reportFailure(const ItemRef& ref, int hint, TKvProcessType pt, const std::exception& e) {
  int i = indexOf(ref, hint);
  if (i >= 0) {
    ReportItemFailure(Items(i), pt, e);
    return;
  }
  TKvArchiveItem gone;
  gone.SetFileName(ref.name);
  ReportItemFailure(&gone, pt, e);
}

void TKvArchive::DoProcessItemFailure(TKvArchiveItem* item, TKvProcessType pt, TKvErrorClass ec, int code) {
  if (OnProcessItemFailure) OnProcessItemFailure(this, item, pt, ec, code);
}
void TKvArchive::DoMediaProgress(int progress, bool& abort) {
  abort = false;
  if (OnMediaProgress) OnMediaProgress(this, progress, abort);
}
void TKvArchive::DoArchiveProgress(int progress, bool& abort) {
  abort = false;
  if (OnArchiveProgress) OnArchiveProgress(this, progress, abort);
}
void TKvArchive::DoArchiveItemProgress(TKvArchiveItem* item, int progress, bool& abort) {
  abort = false;
  if (OnArchiveItemProgress) OnArchiveItemProgress(this, item, progress, abort);
}
void TKvArchive::DoConfirmProcessItem(TKvArchiveItem* item, TKvProcessType pt, bool& confirm) {
  confirm = true;
  if (OnConfirmProcessItem) OnConfirmProcessItem(this, item, pt, confirm);
  if (confirm && logging_) logEntry(item->FileName(), pt == ptFoundUnhandled ? 7 : int(pt));
}
void TKvArchive::DoConfirmWrite(bool& confirm) {
  confirm = true;
  if (OnConfirmWrite) OnConfirmWrite(this, confirm);
}
void TKvArchive::DoLoad() {
  if (OnLoad) OnLoad(this);
}
void TKvArchive::DoProgress(int progress, bool& abort) {
  DoArchiveItemProgress(CurrentItem, progress, abort);
  if (abort) stopAsked_ = true;
}
void TKvArchive::DoWritten() {
  if (OnWritten) OnWritten(this);
}
void TKvArchive::DoMediaRequest(int, std::string&, bool&) { throw EKvSpanningNotSupported(); }

void TKvArchive::EngineProgress(int progress) {
  bool abort = false;
  DoProgress(progress, abort);
  if (abort) throw EKvAbortProgress(KvMessage(9));
}

std::string TKvArchive::FixName(const std::string& value) {
  std::string v = value;
  if (ResolveRelativeNames && !(v.size() >= 2 && v[1] == ':') && !(!v.empty() && (v[0] == '\\' || v[0] == '/'))) {
    v = KvEnsureTrailingSlash(baseDir_) + v;
    char buf[PATH_MAX];
    if (::realpath(v.c_str(), buf)) v = buf;
  }
  if (NameOptions & stoStripDrive) {
    std::string d, p, n;
    KvSplitFileSpec(v, d, p, n);
    if (!d.empty()) v = v.substr(std::min(v.size(), d.size()));
  }
  if (!v.empty() && (v[0] == '\\' || v[0] == '/')) v.erase(0, 1);
  if (NameOptions & stoStripPath) v = KvExtractFileName(v);
  if (NameOptions & stoRemoveDots) v = KvDropParentPrefix(v);
  return v;
}

void TKvArchive::Load() {
  {
    Busy b(*this);
    LoadArchive();
    status_ = stIdle;
  }
  DoLoad();
}

void TKvArchive::Save() {
  if (status_ == stInvalid) return;
  // Only changes are written: a browsed archive is never rewritten on closing. An empty
  // file without items is the exception: it gets the format's empty archive.
  if (!IsDirty && !(Count() == 0 && stream_ && stream_->Size() == 0)) return;
  Busy b(*this);
  bool confirm = true;
  DoConfirmWrite(confirm);
  if (confirm) {
    // The save may free the item last worked on.
    auto forgetRemoved = [this] {
      if (CurrentItem && items_->IndexOf(CurrentItem) < 0) CurrentItem = nullptr;
    };
    try {
      SaveArchive();
    } catch (...) {
      forgetRemoved();
      throw;
    }
    forgetRemoved();
    IsDirty = false;
    DoWritten();
  }
}

void TKvArchive::ExtractMatching(const std::string& fileMask, const std::string& exclusionMask) {
  checkValid();
  int n = Count();
  if (n == 0) return;
  struct Run {
    TKvArchive& a;
    explicit Run(TKvArchive& x) : a(x) {
      a.inRun_ = true;
      a.runTargets_.clear();
      a.run_ = ++a.runs_;
    }
    ~Run() {
      a.inRun_ = false;
      a.runTargets_.clear();
      a.run_ = 0;
    }
  } run(*this);
  if (!extractRunInOnePass(fileMask, exclusionMask))
    eachItemOfRun(fileMask, exclusionMask, [this](int i) { ExtractAt(i, ""); });
  bool abort = false;
  DoArchiveProgress(100, abort);
}

void TKvArchive::eachItemOfRun(const std::string& fileMask, const std::string& exclusionMask,
                               const std::function<void(int)>& each) {
  for (int i = 0; i < Count();) {
    TKvArchiveItem* it = Items(i);
    int next = i + 1;
    if (it->MatchesMaskList(fileMask) && !it->MatchesMaskList(exclusionMask)) {
      // The save before an item's work may remove items or list the archive anew: the run
      // goes on with the first item after this one that is still there.
      std::vector<ItemRef> from = {refOf(it)};
      for (int j = i + 1; j < Count(); ++j) {
        from.push_back(refOf(Items(j)));
        if (!from.back().leaving) break;
      }
      each(i);
      int self = indexOf(from[0], i);
      next = self >= 0 ? self + 1 : Count();
      for (size_t j = 1; self < 0 && j < from.size(); ++j) {
        int k = indexOf(from[j], i);
        if (k >= 0) {
          next = k;
          break;
        }
      }
    }
    bool abort = false;
    DoArchiveProgress(KvRatioPercent(next, Count()), abort);
    if (abort) throw EKvUserAbort();
    i = next;
  }
}

void TKvArchive::workOnItem(int index, TKvProcessType pt, const std::function<void()>& work) {
  const ItemRef ref = refOf(Items(index));
  stopAsked_ = false;
  try {
    work();
  } catch (const std::exception& e) {
    // A stop asked for in the item's progress ends a run, as one between two items does.
    if (stopAsked_) throw EKvUserAbort();
    reportFailure(ref, index, pt, e);
  }
}

void TKvArchive::ExtractAt(int index, const std::string& newName) {
  checkValid();
  workOnItem(index, ptExtract, [&] {
    int at = index;
    TKvArchiveItem* item = saveBefore(at);
    if (!item) return;  // the save removed it
    Busy b(*this);
    bool confirm = true;
    DoConfirmProcessItem(item, ptExtract, confirm);
    if (confirm) {
      CurrentItem = item;
      ExtractItemAt(at, newName.empty() ? item->FileName() : newName);
    }
  });
}

void TKvArchive::ReportItemFailure(TKvArchiveItem* item, TKvProcessType pt, const std::exception& e) {
  TKvErrorClass ec;
  int code;
  KvClassifyException(&e, ec, code);
  DoProcessItemFailure(item, pt, ec, code);
}

void TKvArchive::ExtractToStream(const std::string& fileName, KvStream* stream) {
  checkValid();
  const int i = savedIndexNamed(fileName);
  if (i < 0) return;
  Busy b(*this);
  CurrentItem = Items(i);
  ExtractItemToStreamAt(i, stream);
}

void TKvArchive::TestAt(int index) {
  checkValid();
  TKvArchiveItem* item = saveBefore(index);
  if (!item) return;  // the save removed it
  Busy b(*this);
  CurrentItem = item;
  TestItemAt(index);
}

void TKvArchive::TestFiles(const std::string& fileMask) {
  checkValid();
  if (Count() == 0) return;
  struct Run {
    TKvArchive& a;
    explicit Run(TKvArchive& x) : a(x) { a.run_ = ++a.runs_; }
    ~Run() { a.run_ = 0; }
  } run(*this);
  eachItemOfRun(fileMask, "", [this](int i) { workOnItem(i, ptExtract, [this, i] { TestAt(i); }); });
  bool abort = false;
  DoArchiveProgress(100, abort);
}

int TKvArchive::FindItem(const TKvArchiveItem* item) const { return items_->Find(item->FileName()); }

void TKvArchive::Add(TKvArchiveItem* item) {
  checkValid();
  if (items_->IsActiveDuplicate(item->FileName())) {
    if (NameOptions & stoFreshen) {
      Freshen(item);
    } else if (NameOptions & stoReplace) {
      Replace(item);
    } else {
      DoProcessItemFailure(item, ptAdd, ecTamsor, 7);
      delete item;
    }
    return;
  }
  bool confirm = true;
  DoConfirmProcessItem(item, ptAdd, confirm);
  if (!confirm) {
    delete item;
    return;
  }
  Busy b(*this);
  item->Action = iaAdd;
  items_->Add(item);
  IsDirty = true;
  if (AutoSave) Save();
}

void TKvArchive::Move(TKvArchiveItem* item, const std::string& newStoredPath) {
  checkValid();
  std::string fixed = FixName(newStoredPath);
  if (items_->IsActiveDuplicate(fixed)) {
    DoProcessItemFailure(item, ptMove, ecTamsor, 7);
    return;
  }
  int index = items_->IndexOf(item);
  if (index >= 0) {
    item = saveBefore(index);
    if (!item) return;  // the save removed it
  } else if (item->Action != iaNone) {
    Save();
  }
  Busy b(*this);
  bool confirm = true;
  DoConfirmProcessItem(item, ptMove, confirm);
  if (confirm) {
    // Found under its new name from now on, so a second move to that name is refused.
    items_->Rename(item, fixed);
    item->Action = iaMove;
    IsDirty = true;
    if (AutoSave) Save();
  }
}

std::string TKvArchive::diskFileNameOf(const TKvArchiveItem* item) const {
  std::string stored = item->FileName();
  KvToStoredSlashes(stored);
  if ((NameOptions & stoRecurse) && stored.find('/') == std::string::npos) {
    std::vector<std::string> found;
    KvCollectFiles(KvEnsureTrailingSlash(baseDir_) + stored, 0, found, true);
    if (!found.empty()) return found.front();
  }
  return baseDir_.empty() ? stored : KvEnsureTrailingSlash(baseDir_) + stored;
}

// Asks the owner, then marks the item for the next save.
void TKvArchive::markConfirmed(TKvArchiveItem* target, TKvProcessType pt, TKvItemAction action) {
  bool confirm = true;
  DoConfirmProcessItem(target, pt, confirm);
  if (confirm) {
    target->Action = action;
    IsDirty = true;
    if (AutoSave) Save();
  }
}

// The index of the item of that name, after a pending change of it is saved (the save may
// remove items or list the archive anew); -1 when there is none.
int TKvArchive::savedIndexNamed(const std::string& name) {
  int i = items_->Find(name);
  if (i >= 0 && Items(i)->Action != iaNone) {
    Save();
    i = items_->Find(name);
  }
  return i;
}

void TKvArchive::changeNamed(TKvArchiveItem* item, const std::function<void(TKvArchiveItem*)>& change) {
  const bool listed = items_->IndexOf(item) >= 0;
  const int at = savedIndexNamed(item->FileName());
  if (at >= 0) {
    TKvArchiveItem* target = Items(at);
    Busy b(*this);
    target->DiskFileName = diskFileNameOf(target);
    change(target);
  }
  if (!listed) delete item;
}

void TKvArchive::Freshen(TKvArchiveItem* item) {
  changeNamed(item, [this](TKvArchiveItem* target) {
    int64_t secs = 0;
    uint16_t d = 0, t = 0;
    const std::string& path = target->DiskFileName;
    if (KvFileExists(path)) {
      struct ::stat st;
      if (::stat(path.c_str(), &st) == 0) secs = st.st_mtime;
      KvUnixToDos(secs, d, t);
    }
    if (d != target->LastModFileDate() || t != target->LastModFileTime()) markConfirmed(target, ptFreshen, iaFreshen);
  });
}

void TKvArchive::Replace(TKvArchiveItem* item) {
  changeNamed(item, [this](TKvArchiveItem* target) { markConfirmed(target, ptReplace, iaReplace); });
}

void TKvArchive::SetBaseDirectory(const std::string& value) {
  std::string v = value;
  if (v.size() > 1 && (v.back() == '/' || v.back() == '\\') && v[v.size() - 2] != ':') v.pop_back();
  if (!v.empty() && !KvIsDirectory(v)) throw EKvNoSuchDirectory();
  baseDir_ = v;
}

void TKvArchive::SetLogFile(const std::string& value) {
  logFile_ = value;
  SetLogging(logging_);
}

void TKvArchive::SetLogging(bool value) {
  log_.reset();
  logging_ = value;
  if (logging_ && !logFile_.empty()) {
    try {
      log_ = std::make_unique<KvFileStream>(logFile_, fmCreate);
    } catch (const std::exception&) {
      throw EKvException(KvMessage(38), 38);
    }
    logEntry(archiveName_, 6);
  }
}

void TKvArchive::logEntry(const std::string& name, int type) {
  if (!log_) return;
  static const int codes[8] = {310, 311, 312, 313, 314, 315, 316, 513};
  char when[64];
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  std::strftime(when, sizeof when, "%d.%m.%Y %H:%M:%S", &tm);
  std::string line = name + KvMessage(codes[type & 7]) + when + "\r\n";
  log_->WriteBuffer(line.data(), int64_t(line.size()));
}

}  // namespace kv
