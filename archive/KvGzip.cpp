#include "KvGzip.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>

#include "KvChecksum.h"
#include "KvDeflate.h"
#include "KvExtractTarget.h"
#include "KvInflate.h"
#include "KvScratchStreams.h"
#include "KvUnZipper.h"

namespace kv {

namespace {

// Longest name, comment or extra field we accept in a header.
constexpr size_t kMaxField = 65536;

void put32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}
uint32_t get32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

std::string readZeroTerminated(KvStream& s) {
  std::string out;
  for (;;) {
    char c;
    if (s.Read(&c, 1) != 1) throw EKvGzipInvalid();
    if (!c) return out;
    if (out.size() >= kMaxField) throw EKvGzipInvalid();
    out.push_back(c);
  }
}

std::string baseName(const std::string& name) {
  size_t cut = name.find_last_of("/\\");
  return cut == std::string::npos ? name : name.substr(cut + 1);
}

}  // namespace

TKvGzipItem::TKvGzipItem() { Action = iaNone; }

uint16_t TKvGzipItem::LastModFileDate() const { return KvUnixToDosDate(MTime); }
uint16_t TKvGzipItem::LastModFileTime() const { return KvUnixToDosTime(MTime); }
void TKvGzipItem::SetLastModFileDate(uint16_t v) {
  int64_t s;
  if (KvDosToUnix(v, LastModFileTime(), s)) MTime = uint32_t(s);
}
void TKvGzipItem::SetLastModFileTime(uint16_t v) {
  int64_t s;
  if (KvDosToUnix(LastModFileDate(), v, s)) MTime = uint32_t(s);
}
void TKvGzipItem::SetFileName(const std::string& v) {
  TKvArchiveItem::SetFileName(v);
  if (v.empty()) Flags &= uint8_t(~gzFName);
  else Flags |= gzFName;
}

void TKvGzipItem::ReadHeader(KvStream& s) {
  uint8_t h[10];
  if (s.Read(h, 10) != 10 || h[0] != 31 || h[1] != 139 || h[2] != 8 || (h[3] & 0xE0)) throw EKvGzipInvalid();
  Flags = h[3];
  MTime = get32(h + 4);
  ExtraFlags = h[8];
  OS = h[9];
  Extra.clear();
  Comment.clear();
  if (Flags & gzFExtra) {
    uint8_t x[2];
    if (s.Read(x, 2) != 2) throw EKvGzipInvalid();
    Extra.resize(size_t(x[0] | (x[1] << 8)));
    if (s.Read(Extra.data(), int64_t(Extra.size())) != int64_t(Extra.size())) throw EKvGzipInvalid();
  }
  std::string name = (Flags & gzFName) ? readZeroTerminated(s) : std::string("unknown");
  if (Flags & gzFComment) Comment = readZeroTerminated(s);
  if (Flags & gzFHCrc) {
    uint8_t c[2];
    if (s.Read(c, 2) != 2) throw EKvGzipInvalid();
  }
  name_ = name;
  DiskFileName = name;
  Tagged = false;
  Action = iaNone;
}

void TKvGzipItem::WriteHeader(KvStream& s) const {
  std::vector<uint8_t> h(10);
  h[0] = 31;
  h[1] = 139;
  h[2] = 8;
  uint8_t flg = 0;
  if (WriteHeaderCRC) flg |= gzFHCrc;
  if (!Extra.empty()) flg |= gzFExtra;
  if (!name_.empty()) flg |= gzFName;
  if (!Comment.empty()) flg |= gzFComment;
  h[3] = flg;
  put32(&h[4], MTime);
  h[8] = ExtraFlags;
  h[9] = OS;
  if (flg & gzFExtra) {
    size_t n = std::min<size_t>(Extra.size(), 65535);
    h.push_back(uint8_t(n));
    h.push_back(uint8_t(n >> 8));
    h.insert(h.end(), Extra.begin(), Extra.begin() + long(n));
  }
  if (flg & gzFName) {
    h.insert(h.end(), name_.begin(), name_.end());
    h.push_back(0);
  }
  if (flg & gzFComment) {
    h.insert(h.end(), Comment.begin(), Comment.end());
    h.push_back(0);
  }
  if (flg & gzFHCrc) {
    uint32_t c = KvCrc32(0, h.data(), h.size());
    h.push_back(uint8_t(c));
    h.push_back(uint8_t(c >> 8));
  }
  s.WriteBuffer(h.data(), int64_t(h.size()));
}

namespace {

// Deflate makes at most 1032 bytes of one (four 258-byte matches of two bits each).
constexpr int64_t kMaxRatio = 1032;

int64_t mostPlainFrom(int64_t packed) { return (std::max<int64_t>(packed, 0) + 1) * kMaxRatio; }

// ISIZE keeps the plain size modulo 2^32: the largest size of that class the compressed
// bytes can still produce (a member that declares more than that can only fail).
int64_t declaredLimit(uint32_t isize, int64_t most) {
  if (int64_t(isize) > most) return most;
  return int64_t(isize) + (((most - int64_t(isize)) >> 32) << 32);
}

bool overLimit(const EKvInflateError& e) { return std::strstr(e.what(), "more output than the entry declares"); }

// A member ran past the size the file's last trailer declares: it may be a larger member
// before the last one, which only its own trailer can tell.
struct NeedMemberSizes {};

enum class Bound { Declared, Physical, Exact };

int64_t gunzipPass(KvStream& src, KvStream* out, bool testOnly, Bound bound, const std::vector<int64_t>& exact,
                   std::vector<int64_t>* found) {
  src.Seek(0, soBeginning);
  int64_t size = src.Size(), total = 0;
  uint32_t lastIsize = 0;
  if (size >= 8) {
    uint8_t t[4];
    src.Seek(size - 4, soBeginning);
    if (src.Read(t, 4) == 4) lastIsize = get32(t);
    src.Seek(0, soBeginning);
  }
  for (size_t member = 0;; ++member) {
    int64_t start = src.Position();
    if (member > 0) {
      // Another member, or the end (gzip ignores what follows the last one).
      uint8_t m[2];
      if (size - start < 18 || src.Read(m, 2) != 2 || m[0] != 31 || m[1] != 139) break;
      src.Seek(start, soBeginning);
    }
    TKvGzipItem h;
    h.ReadHeader(src);
    int64_t most = mostPlainFrom(size - src.Position() - 8);
    int64_t limit = most;
    if (bound == Bound::Declared) limit = declaredLimit(lastIsize, most);
    else if (bound == Bound::Exact && member < exact.size()) limit = exact[member];
    TKvDeflateHelper hlp;
    if (testOnly) hlp.SetOptions(hlp.Options() | dfoTestOnly);
    hlp.OutputLimit = limit;
    uint32_t crc;
    try {
      crc = Inflate(&src, out, &hlp);
    } catch (const EKvInflateError& e) {
      if (!overLimit(e)) throw;
      if (bound == Bound::Declared && limit < most) throw NeedMemberSizes();
      throw EKvGzipBadFileSize();
    }
    uint8_t t[8];
    if (src.Read(t, 8) != 8) throw EKvGzipBadFileSize();
    if (get32(t) != crc) throw EKvGzipBadCRC();
    if (get32(t + 4) != uint32_t(hlp.PlainSize)) throw EKvGzipBadFileSize();
    if (found) found->push_back(hlp.PlainSize);
    total += hlp.PlainSize;
  }
  return total;
}

}  // namespace

int64_t KvGunzip(KvStream& src, KvStream* out) {
  bool testOnly = dynamic_cast<TKvBitBucketStream*>(out) != nullptr;
  int64_t outStart = testOnly ? 0 : out->Position();
  try {
    return gunzipPass(src, out, testOnly, Bound::Declared, {}, nullptr);
  } catch (const NeedMemberSizes&) {
  }
  // Each member's own trailer, learnt without writing anything, then the real run. (What
  // follows the last member, zero padding say, also makes the last four bytes no size.)
  std::vector<int64_t> sizes;
  TKvBitBucketStream bucket(32768);
  int64_t total = gunzipPass(src, &bucket, true, Bound::Physical, {}, &sizes);
  if (testOnly) return total;
  out->Seek(outStart, soBeginning);
  return gunzipPass(src, out, false, Bound::Exact, sizes, nullptr);
}

KvBudgetStream::KvBudgetStream(KvStream& out, int64_t budget) : out_(out), budget_(budget) {
  start_ = out_.Position();
}

int64_t KvBudgetStream::Write(const void* buffer, int64_t count) {
  if (budget_ >= 0 && out_.Position() - start_ + count > budget_) throw EKvNoDiskSpace();
  return out_.Write(buffer, count);
}

int64_t KvBudgetStream::Seek(int64_t offset, int origin) {
  if (origin == soBeginning) return out_.Seek(start_ + offset, soBeginning) - start_;
  return out_.Seek(offset, origin) - start_;
}

int64_t KvFreeBytesFor(const std::string& folder) {
  std::string d = folder;
  if (d.empty() || !KvIsDirectory(d)) {
    const char* t = std::getenv("TMPDIR");
    d = t && *t ? t : "/tmp";
  }
  return KvClusterFreeBytes(d);
}

void KvGzipWrite(KvStream& out, TKvGzipItem& item, KvStream& data, TKvDeflateHelper* helper) {
  item.WriteHeader(out);
  TKvDeflateHelper own;
  TKvDeflateHelper* h = helper ? helper : &own;
  uint32_t crc;
  try {
    crc = Deflate(&data, &out, h);
  } catch (const EKvAbortProgress&) {
    throw EKvUserAbort();
  }
  uint8_t t[8];
  put32(t, crc);
  put32(t + 4, uint32_t(h->PlainSize));
  out.WriteBuffer(t, 8);
  item.SetCRC32(crc);
  item.SetUncompressedSize(h->PlainSize);
  item.SetCompressedSize(h->PackedSize);
}

TKvGzipArchive::TKvGzipArchive(const std::string& fileName, uint16_t mode)
    : TKvTarArchive(fileName, mode),
      other_(std::make_unique<TKvVirtualMemoryStream>()),
      otherItems_(std::make_unique<TKvArchiveList>()) {}

void TKvGzipArchive::setView(int v) {
  if (v == view_) return;
  std::swap(stream_, other_);
  std::swap(items_, otherItems_);
  view_ = v;
}

void TKvGzipArchive::SetPresentAsTar(bool v) {
  presentAsTar_ = v;
  setView(v ? 1 : 0);
}

void TKvGzipArchive::DoMediaRequest(int, std::string&, bool& abort) { abort = false; }

std::string TKvGzipArchive::FixName(const std::string& value) {
  if (tarMode()) return TKvTarArchive::FixName(value);
  NameOptions |= stoStripDrive | stoStripPath;
  return value.empty() ? std::string() : baseName(value);
}

TKvArchiveItem* TKvGzipArchive::CreateItem(const std::string& fileName) {
  if (tarMode()) {
    setView(1);
    return TKvTarArchive::CreateItem(fileName);
  }
  auto* item = new TKvGzipItem();
  std::string full = fileName;
  if (!full.empty() && full[0] != '/' && !BaseDirectory().empty()) full = KvEnsureTrailingSlash(BaseDirectory()) + full;
  item->DiskFileName = full;
  item->SetFileName(FixName(fileName));
  return item;
}

namespace {

// A TAR this small is kept whole, so that extracting all of it inflates it once; a larger
// one is inflated up to each entry's end instead.
constexpr int64_t kKeepWholeTar = int64_t(64) << 20;

int64_t roomForSwap(const std::string& folder) {
  int64_t room = KvFreeBytesFor(folder);
  return room < 0 ? kKeepWholeTar : room;
}

// Hands everything to the lister and keeps a copy until it passes limit bytes.
class KeepSmall : public KvStream {
 public:
  KeepSmall(KvStream& lister, KvStream* keep, int64_t limit) : lister_(lister), keep_(keep), limit_(limit) {}
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override {
    lister_.WriteBuffer(buffer, count);
    if (keeping_) {
      if (keep_->Position() + count > limit_) {
        keeping_ = false;
        keep_->SetSize(0);
      } else {
        keep_->WriteBuffer(buffer, count);
      }
    }
    return count;
  }
  int64_t Seek(int64_t offset, int origin) override {
    if (origin == soBeginning && offset == 0 && keeping_) {
      keep_->SetSize(0);
      keep_->Seek(0, soBeginning);
    }
    return lister_.Seek(offset, origin);
  }
  bool Kept() const { return keeping_; }
 private:
  KvStream& lister_;
  KvStream* keep_;
  int64_t limit_;
  bool keeping_ = true;
};

}  // namespace

void TKvGzipArchive::LoadArchive() {
  tested_ = keepFailed_ = Inflated();
  if (tarMode()) {
    setView(1);
    if (!tarLoaded_) {
      // The TAR is listed as it passes; only a small one is kept on the way.
      KvTarStreamLister lister;
      auto whole = std::make_unique<TKvVirtualMemoryStream>();
      whole->SwapFolder = TempDirectory;
      whole->SetCacheBytes(1 << 20);
      KeepSmall tee(lister, whole.get(), std::min(kKeepWholeTar, roomForSwap(TempDirectory)));
      // A new, empty file holds an empty TAR.
      if (other_->Size() > 0) {
        KvGunzip(*other_, &tee);
        lister.Finish();
      }
      tarEntries_ = std::move(lister.Entries);
      tarBytes_ = lister.Position();
      tarLoaded_ = true;
      if (tee.Kept() && other_->Size() > 0) {
        stream_ = std::move(whole);
        tarKept_ = true;
      }
    }
    loadEntries(tarEntries_);
    return;
  }
  setView(0);
  while (Count() > 0) items_->Delete(Count() - 1);
  KvStream& s = *stream_;
  int64_t size = s.Size();
  if (size > 0) {
    auto item = std::make_unique<TKvGzipItem>();
    s.Seek(0, soBeginning);
    item->ReadHeader(s);
    int64_t dataStart = s.Position();
    if (size - dataStart < 8) throw EKvGzipInvalid();
    uint8_t t[8];
    s.Seek(size - 8, soBeginning);
    s.ReadBuffer(t, 8);
    item->SetCRC32(get32(t));
    item->SetUncompressedSize(get32(t + 4));
    item->SetCompressedSize(size - dataStart - 8);
    items_->Add(item.release());
    bool abort = false;
    DoArchiveProgress(100, abort);
    if (abort) {
      status_ = stInvalid;
      throw EKvUserAbort();
    }
  }
  bool abort = false;
  DoArchiveProgress(100, abort);
  IsDirty = false;
}

namespace {

// Reached the end of the range asked for: the rest of the stream is not inflated.
struct RangeDone {};

// Passes on only the bytes [from, from + count) of what is written to it.
class RangeSink : public KvStream {
 public:
  RangeSink(KvStream& out, int64_t from, int64_t count) : out_(out), from_(from), end_(from + count) {
    outStart_ = out_.Position();
  }
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override {
    if (done_) return count;  // the window's last flush after the stop
    const uint8_t* p = static_cast<const uint8_t*>(buffer);
    int64_t a = std::max(pos_, from_), b = std::min(pos_ + count, end_);
    if (b > a) out_.WriteBuffer(p + (a - pos_), b - a);
    pos_ += count;
    if (pos_ >= end_) {
      done_ = true;
      throw RangeDone();
    }
    return count;
  }
  int64_t Seek(int64_t offset, int origin) override {
    if (origin == soBeginning && offset == 0) {
      pos_ = 0;
      done_ = false;
      out_.Seek(outStart_, soBeginning);
    }
    return pos_;
  }
  int64_t Delivered() const { return std::clamp<int64_t>(pos_, from_, end_) - from_; }
 private:
  KvStream& out_;
  int64_t from_, end_, outStart_ = 0, pos_ = 0;
  bool done_ = false;
};

}  // namespace

// Takes the TAR as the inflater hands it on and writes each picked item's file while its
// data passes, with the events and failure reports one ExtractAt per item gives.
class TKvGzipArchive::OnePass : public KvStream {
 public:
  OnePass(TKvGzipArchive& a, const std::string& mask, const std::string& exclusion)
      : a_(a), mask_(mask), exclusion_(exclusion) {}
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override {
    if (stopped_) return count;  // the window's last flush after a stop
    int64_t from = pos_;
    pos_ += count;
    try {
      take(static_cast<const uint8_t*>(buffer), from, pos_);
    } catch (...) {
      // An owner's handler raised: the run ends with it, as it would between two items.
      escaped_ = std::current_exception();
      stopped_ = true;
    }
    if (stopped_) throw RangeDone();
    return count;
  }
  int64_t Seek(int64_t offset, int origin) override {
    // A second inflation from the start (members of unknown size) hands on the same bytes
    // again; those already taken are passed over.
    if (origin == soBeginning && offset == 0) pos_ = 0;
    return pos_;
  }
  // After the inflater stopped: items it did not reach in full fail with its error (or as a
  // cut TAR); answers false when the owner asked to stop.
  bool Finish(const std::exception_ptr& error) {
    if (escaped_) std::rethrow_exception(escaped_);
    if (stopped_) return !aborted_;
    auto failWith = [&](int i) {
      try {
        if (error) std::rethrow_exception(error);
        throw EKvException("Invalid Tar");
      } catch (const std::exception& e) {
        a_.ReportItemFailure(a_.Items(i), ptExtract, e);
      }
    };
    if (cur_ >= 0) {
      int i = cur_;
      cur_ = -1;
      if (out_) {
        out_.reset();
        failWith(i);
      }
      if (!progress(i)) return false;
    }
    while (next_ < a_.Count()) {
      int i = next_++;
      TKvArchiveItem* item = a_.Items(i);
      if (picked(item)) {
        bool confirm = true;
        a_.DoConfirmProcessItem(item, ptExtract, confirm);
        if (confirm) failWith(i);
      }
      if (!progress(i)) return false;
    }
    return true;
  }

 private:
  TKvTarItem* tarItem(int i) const { return static_cast<TKvTarItem*>(a_.Items(i)); }
  bool picked(TKvArchiveItem* item) const {
    return item->MatchesMaskList(mask_) && !item->MatchesMaskList(exclusion_);
  }
  // The TAR bytes [from, end) are at p.
  void take(const uint8_t* p, int64_t from, int64_t end) {
    if (end <= seen_) return;
    if (from < seen_) {
      p += seen_ - from;
      from = seen_;
    }
    seen_ = end;
    for (;;) {
      if (cur_ >= 0) {
        int64_t a = std::max(from, curStart_), b = std::min(end, curEnd_);
        if (b > a && out_) {
          try {
            out_->WriteBuffer(p + (a - from), b - a);
          } catch (const std::exception& e) {
            fail(cur_, e);
          }
        }
        if (end < curEnd_) return;
        if (!endItem()) return;
        continue;
      }
      if (next_ >= a_.Count()) {
        stopped_ = true;  // nothing after this is needed
        return;
      }
      if (tarItem(next_)->DataPos > end) return;
      if (!startItem()) return;
    }
  }
  bool startItem() {
    int i = next_++;
    TKvTarItem* item = tarItem(i);
    if (!picked(item)) return progress(i);
    cur_ = i;
    curStart_ = item->DataPos;
    curEnd_ = item->DataPos + item->Size;
    out_.reset();
    try {
      bool confirm = true;
      a_.DoConfirmProcessItem(item, ptExtract, confirm);
      if (!confirm) return true;
      a_.CurrentItem = item;
      int64_t room = KvFreeBytesBelow(a_.BaseDirectory());
      if (room >= 0 && item->Size > room) throw EKvNoDiskSpace();
      out_ = KvOpenSafeTarget(&a_, item->FileName());
    } catch (const std::exception& e) {
      fail(i, e);
    }
    return true;
  }
  bool endItem() {
    int i = cur_;
    cur_ = -1;
    if (out_) {
      TKvTarItem* item = tarItem(i);
      try {
        KvCommitSafeTarget(&a_, *out_, item->MTime, !(item->Mode & 0200));
      } catch (const std::exception& e) {
        fail(i, e);
      }
      out_.reset();
    }
    return progress(i);
  }
  void fail(int i, const std::exception& e) {
    out_.reset();  // nothing of the item's file is left
    a_.ReportItemFailure(a_.Items(i), ptExtract, e);
  }
  bool progress(int i) {
    bool abort = false;
    a_.DoArchiveProgress(KvRatioPercent(i + 1, a_.Count()), abort);
    if (abort) aborted_ = stopped_ = true;
    return !abort;
  }

  TKvGzipArchive& a_;
  const std::string& mask_;
  const std::string& exclusion_;
  int next_ = 0, cur_ = -1;  // the next item to start; the item whose data passes
  int64_t curStart_ = 0, curEnd_ = 0;
  std::unique_ptr<KvSafeFileWriter> out_;
  int64_t pos_ = 0, seen_ = 0;  // position in the TAR; the bytes taken so far
  bool stopped_ = false, aborted_ = false;
  std::exception_ptr escaped_;
};

bool TKvGzipArchive::extractRunInOnePass(const std::string& fileMask, const std::string& exclusionMask) {
  if (!tarMode()) return false;
  setView(1);
  // A small TAR is kept whole and read from there; a run that picks an item with a change
  // to save (saved before that item), or an archive that cannot be inflated, goes item by
  // item. Changes to items not picked wait, as they would there.
  try {
    keepSmallTar();
  } catch (const std::exception&) {
    return false;
  }
  if (tarKept_ || other_->Size() == 0) return false;
  int64_t last = 0;
  for (int i = 0; i < Count(); ++i) {
    auto* item = static_cast<TKvTarItem*>(Items(i));
    bool picked = item->MatchesMaskList(fileMask) && !item->MatchesMaskList(exclusionMask);
    if (picked && item->Action != iaNone) return false;
    if (item->DataPos < 0 && !picked) continue;  // added, not in the file yet
    if (item->DataPos < last) return false;
    last = item->DataPos;
  }
  Busy busy(*this);
  OnePass pass(*this, fileMask, exclusionMask);
  std::exception_ptr error;
  try {
    KvGunzip(*other_, &pass);
  } catch (const RangeDone&) {
  } catch (const std::exception&) {
    error = std::current_exception();
  }
  if (!pass.Finish(error)) throw EKvUserAbort();
  return true;
}

void TKvGzipArchive::ExtractItemToStreamAt(int index, KvStream* stream) {
  if (tarMode()) {
    setView(1);
    if (index < 0 || index >= Count()) throw EKvException("Index out of range");
    auto* item = static_cast<TKvTarItem*>(Items(index));
    if (item->DataPos < 0) throw EKvException("Invalid Tar");
    if (item->Size == 0) return;
    keepSmallTar();
    if (tarKept_) {
      TKvTarArchive::ExtractItemToStreamAt(index, stream);
      return;
    }
    // Only what lies before the entry's end is inflated, and only the entry is kept.
    RangeSink sink(*stream, item->DataPos, item->Size);
    try {
      KvGunzip(*other_, &sink);
    } catch (const RangeDone&) {
    }
    if (sink.Delivered() != item->Size) throw EKvException("Invalid Tar");
    return;
  }
  if (index != 0 || Count() < 1) throw EKvException("Index out of range");
  KvGunzip(gzipStream(), stream);
}

void TKvGzipArchive::ExtractItemAt(int index, const std::string& newName) {
  int64_t room = KvFreeBytesBelow(BaseDirectory());
  if (tarMode()) {
    setView(1);
    if (index >= 0 && index < Count() && room >= 0 && Items(index)->UncompressedSize() > room)
      throw EKvNoDiskSpace();
    TKvTarArchive::ExtractItemAt(index, newName);
    return;
  }
  if (index != 0 || Count() < 1) throw EKvException("Index out of range");
  auto* item = static_cast<TKvGzipItem*>(Items(0));
  // Only the base name of a stored name counts: "../x" becomes "x".
  std::string use = baseName(newName.empty() ? item->FileName() : newName);
  KvExtractToSafeFile(this, use, item->MTime ? int64_t(item->MTime) : -1, false, [&](KvStream* out) {
    KvBudgetStream fit(*out, room);
    KvGunzip(gzipStream(), &fit);
  });
}

void TKvGzipArchive::TestItemAt(int index) {
  if (tarMode()) {
    setView(1);
    // The TAR has no checksum per entry: an item passes when the whole archive does. One
    // inflation answers for every item of a test run.
    if (!run() || tested_.run != run()) checkTar();
    if (tested_.error) std::rethrow_exception(tested_.error);
    if (index >= 0 && index < Count()) {
      auto* item = static_cast<TKvTarItem*>(Items(index));
      if (item->DataPos < 0 || item->DataPos + item->Size > tested_.bytes) throw EKvException("Invalid Tar");
    }
    return;
  }
  KvStream& s = gzipStream();
  int64_t pos = s.Position();
  int kind = VerifyGzip(s);
  if (kind != akGzip && kind != akGzippedTar) throw EKvGzipInvalid();
  TKvBitBucketStream bucket(32768);
  try {
    KvGunzip(s, &bucket);
  } catch (...) {
    s.Seek(pos, soBeginning);
    throw;
  }
  s.Seek(pos, soBeginning);
}

void TKvGzipArchive::checkTar() {
  tested_ = Inflated();
  tested_.run = run();
  try {
    KvTarStreamLister lister;
    KvGunzip(*other_, &lister);
    lister.Finish();
    tested_.bytes = lister.Position();
  } catch (...) {
    tested_.error = std::current_exception();
  }
}

void TKvGzipArchive::keepSmallTar() {
  // After a save the new TAR has not passed through yet.
  if (tarKept_ || tarBytes_ > kKeepWholeTar || other_->Size() == 0) return;
  int64_t room = KvFreeBytesFor(TempDirectory);
  if (room >= 0 && room < tarBytes_) return;
  // A failure holds for the rest of the run: each item fails with it, without inflating again.
  if (run() && keepFailed_.run == run()) std::rethrow_exception(keepFailed_.error);
  auto whole = std::make_unique<TKvVirtualMemoryStream>();
  whole->SwapFolder = TempDirectory;
  whole->SetCacheBytes(1 << 20);
  KvBudgetStream fit(*whole, tarBytes_);
  try {
    KvGunzip(*other_, &fit);
  } catch (...) {
    if (run()) keepFailed_ = {run(), std::current_exception(), 0};
    throw;
  }
  stream_ = std::move(whole);
  tarKept_ = true;
}

int64_t TKvGzipArchive::newTarBytes() {
  int64_t total = 1024;
  for (int i = 0; i < Count(); ++i) {
    auto* item = static_cast<TKvTarItem*>(Items(i));
    int64_t size = item->Size;
    switch (item->Action) {
      case iaDelete: continue;
      case iaAdd: case iaFreshen: case iaReplace:
        size = std::max<int64_t>(KvSizeOfFile(item->DiskFileName.empty() ? diskFileNameOf(item) : item->DiskFileName), 0);
        break;
      case iaAddFromStream:
        size = item->Source ? item->Source->Size() : 0;
        break;
      default: break;
    }
    int64_t name = int64_t(item->FileName().size());
    total += 512 + ((size + 511) & ~int64_t(511)) + (name > 99 ? 512 + ((name + 512) & ~int64_t(511)) : 0);
  }
  return total;
}

bool TKvGzipArchive::keepsOldData() {
  for (int i = 0; i < Count(); ++i) {
    switch (Items(i)->Action) {
      case iaDelete: case iaAdd: case iaFreshen: case iaReplace: case iaAddFromStream: break;
      default: return true;
    }
  }
  return false;
}

void TKvGzipArchive::SaveArchive() {
  tested_ = keepFailed_ = Inflated();  // the file is about to change
  atomicfile::File file(ArchiveName(), atomicfile::kNamed);
  KvOpenReplacement(file);
  if (tarMode()) {
    setView(1);
    // The old and the new TAR are both held whole in the swap: refused when they cannot fit.
    bool old = keepsOldData() && other_->Size() > 0;
    int64_t room = KvFreeBytesFor(TempDirectory);
    if (room >= 0 && room < newTarBytes() + (old && !tarKept_ ? tarBytes_ : 0)) throw EKvNoDiskSpace();
    auto tar = std::make_unique<TKvVirtualMemoryStream>();
    tar->SwapFolder = TempDirectory;
    std::vector<int64_t> positions;
    try {
      if (!tarKept_) {
        auto oldTar = std::make_unique<TKvVirtualMemoryStream>();
        oldTar->SwapFolder = TempDirectory;
        oldTar->SetCacheBytes(1 << 20);
        if (old) {
          KvBudgetStream fit(*oldTar, room);
          KvGunzip(*other_, &fit);
        }
        stream_ = std::move(oldTar);
      }
      positions = writeTo(*tar);
      tar->Seek(0, soBeginning);
      KvFileStream out(file.TempPath(), fmCreate);
      TKvGzipItem hdr;
      hdr.MTime = uint32_t(std::time(nullptr));
      KvGzipWrite(out, hdr, *tar);
    } catch (...) {
      stream_ = std::make_unique<TKvVirtualMemoryStream>();
      tarKept_ = false;
      throw;
    }
    setView(0);
    replaceFile(file);
    setView(1);
    stream_ = std::make_unique<TKvVirtualMemoryStream>();
    tarKept_ = false;
    settle(positions);
    // The next listing reads the new file.
    tarLoaded_ = false;
    tarBytes_ = tar->Size();
    return;
  }
  setView(0);
  TKvGzipItem* keep = nullptr;
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Action != iaDelete) {
      keep = static_cast<TKvGzipItem*>(Items(i));
      break;
    }
  {
    KvFileStream out(file.TempPath(), fmCreate);
    if (keep) {
      std::unique_ptr<KvStream> owned;
      KvStream* data = nullptr;
      switch (keep->Action) {
        case iaAdd: case iaFreshen: case iaReplace: {
          std::string path = keep->DiskFileName.empty() ? diskFileNameOf(keep) : keep->DiskFileName;
          owned = std::make_unique<KvFileStream>(path, fmOpenRead);
          int64_t secs = 0;
          struct ::stat st;
          if (::fstat(static_cast<KvFileStream*>(owned.get())->Handle(), &st) == 0) secs = st.st_mtime;
          keep->MTime = uint32_t(secs);
          data = owned.get();
          break;
        }
        case iaAddFromStream:
          if (!keep->Source) throw EKvException("nil stream");
          data = keep->Source;
          data->Seek(0, soBeginning);
          break;
        default: {
          // The old content is decompressed and written anew under the item's header.
          auto plain = std::make_unique<TKvVirtualMemoryStream>();
          plain->SwapFolder = TempDirectory;
          KvBudgetStream fit(*plain, KvFreeBytesFor(TempDirectory));
          KvGunzip(*stream_, &fit);
          plain->Seek(0, soBeginning);
          owned = std::move(plain);
          data = owned.get();
          break;
        }
      }
      // The data is read as it is compressed; its progress can stop the save.
      TKvDeflateHelper h;
      h.SourceSize = -1;
      h.OnProgressPercent = [this](int p) { EngineProgress(p); };
      CurrentItem = keep;
      KvGzipWrite(out, *keep, *data, &h);
    }
  }
  replaceFile(file);
  for (int i = Count() - 1; i >= 0; --i) {
    if (Items(i) != keep) items_->Delete(i);
  }
  if (keep) {
    keep->Action = iaNone;
    keep->Source = nullptr;
  }
}

}  // namespace kv
