#include "KvZipWrite.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

#include "KvChecksum.h"
#include "KvCrypt.h"
#include "KvDeflate.h"
#include "KvScratchStreams.h"

namespace kv {

namespace {

void put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
void put32(std::vector<uint8_t>& v, uint32_t x) {
  put16(v, x & 0xFFFF);
  put16(v, x >> 16);
}

// The fields local and central headers have in common, in the same order.
void putSharedFields(std::vector<uint8_t>& v, const TKvZipDirectoryFileHeader& d) {
  put16(v, d.VersionNeededToExtract);
  put16(v, d.GeneralPurposeBitFlag);
  put16(v, d.CompressionMethod);
  put16(v, d.LastModFileTime);
  put16(v, d.LastModFileDate);
  put32(v, d.CRC32);
  put32(v, d.CompressedSize);
  put32(v, d.UncompressedSize);
  put16(v, uint32_t(d.FileName.size()));
  put16(v, uint32_t(d.ExtraField.size()));
}

std::vector<uint8_t> localHeader(const TKvZipDirectoryFileHeader& d) {
  std::vector<uint8_t> v;
  put32(v, kSigLocal);
  putSharedFields(v, d);
  v.insert(v.end(), d.FileName.begin(), d.FileName.end());
  v.insert(v.end(), d.ExtraField.begin(), d.ExtraField.end());
  return v;
}

std::vector<uint8_t> centralHeader(const TKvZipDirectoryFileHeader& d) {
  std::vector<uint8_t> v;
  put32(v, kSigCentral);
  put16(v, d.VersionMadeBy);
  putSharedFields(v, d);
  put16(v, uint32_t(d.FileComment.size()));
  put16(v, d.DiskNumberStart);
  put16(v, d.InternalFileAttributes);
  put32(v, d.ExternalFileAttributes);
  put32(v, d.RelativeOffsetOfLocalHeader);
  v.insert(v.end(), d.FileName.begin(), d.FileName.end());
  v.insert(v.end(), d.ExtraField.begin(), d.ExtraField.end());
  v.insert(v.end(), d.FileComment.begin(), d.FileComment.end());
  return v;
}

// Free bytes where the archive goes.
int64_t freeBytesFor(TKvZipArchive& a) {
  const int64_t f = KvFreeBytesAt(a.ArchiveName());
  return f < 0 ? INT64_MAX : f;
}

// Output over one file or a set of parts; headers never straddle two parts. Numbered
// parts are written to temporary files that take their names only when all went well.
// On removable disks every part has the archive's own name: a full disk's part takes
// it before the user is asked for a blank disk; a cancel there removes that part, so
// no disk is left holding what looks like a whole archive.
class PartWriter {
 public:
  PartWriter(TKvZipArchive& a, bool span, bool removable)
      : a_(a), span_(span), removable_(removable), wasSpanned_(a.Spanned) {
    open();
  }
  ~PartWriter() {
    file_.reset();
    // Parts not yet in place go with their files.
    if (!done_) a_.Spanned = wasSpanned_;
  }
  int Part() const { return part_; }
  int64_t Position() const { return inPart_; }
  void Ensure(int64_t need) {
    if (limit_ > 0 && limit_ - inPart_ < need) next();
  }
  void Write(const uint8_t* p, int64_t n) {
    while (n > 0) {
      int64_t room = limit_ > 0 ? limit_ - inPart_ : n;
      if (room <= 0) {
        next();
        continue;
      }
      int64_t w = std::min(room, n);
      file_->WriteBuffer(p, w);
      inPart_ += w;
      p += w;
      n -= w;
    }
  }
  void Write(const std::vector<uint8_t>& v) { Write(v.data(), int64_t(v.size())); }
  // Moves every part to its name: the archive's own name for the first, name.zNN after it.
  void Finish() {
    file_.reset();
    if (removable_) {
      placeOnDisk();
    } else {
      for (auto& part : parts_)
        if (!part->Commit()) throw EKvFileCreateError(part->Target(), part->error());
    }
    done_ = true;
  }
  static std::string numberedOf(const std::string& base, int n) {
    std::string s = base;
    KvSpanPartName(s, n);
    return s;
  }
  std::string numbered(int n) const { return numberedOf(a_.ArchiveName(), n); }

 private:
  void open() {
    // The first part (and every part on a removable disk) takes the archive's name.
    const std::string& target = removable_ || parts_.empty() ? a_.ArchiveName() : names_.back();
    parts_.push_back(std::make_unique<atomicfile::File>(target, atomicfile::kNamed));
    KvOpenReplacement(*parts_.back());
    file_ = std::make_unique<KvFileStream>(parts_.back()->TempPath(), fmCreate);
    inPart_ = 0;
    limit_ = span_ ? a_.SpanSizeLimit : 0;
    if (span_ && removable_) {
      // A disk takes what fits on it, at most the part size asked for.
      int64_t room = freeBytesFor(a_);
      limit_ = limit_ > 0 ? std::min(limit_, room) : room;
      if (limit_ < 64) throw EKvException(KvMessage(31), 31);
    }
  }
  // The finished part takes the archive's name on the disk in the drive.
  void placeOnDisk() {
    if (!parts_.back()->Commit()) throw EKvFileCreateError(a_.ArchiveName(), parts_.back()->error());
    parts_.pop_back();
    KvLabelSpanVolume(a_.ArchiveName(), part_ + 1);
  }
  void next() {
    // Numbers run to 99; beyond that the set cannot be named.
    if (part_ + 1 > 99) throw EKvException("Spanned set: more than 99 parts needed");
    if (removable_) {
      file_.reset();
      placeOnDisk();
      bool abort = false;
      a_.DoRequestEmptyDisk(abort);
      if (abort) {
        ::unlink(a_.ArchiveName().c_str());
        throw EKvUserAbort();
      }
      ++part_;
      open();
      return;
    }
    std::string name = numbered(part_ + 1);
    if (a_.OnRequestImage) {
      bool abort = false;
      a_.OnRequestImage(&a_, part_ + 1, name, abort);
      if (abort) throw EKvUserAbort();
      if (name.empty()) throw EKvFileCreateError(name, ENOENT);
    }
    names_.push_back(name);
    ++part_;
    open();
  }
  TKvZipArchive& a_;
  bool span_, removable_, wasSpanned_;
  int64_t limit_ = 0;
  int part_ = 0;
  int64_t inPart_ = 0;
  std::unique_ptr<KvFileStream> file_;
  std::vector<std::unique_ptr<atomicfile::File>> parts_;
  std::vector<std::string> names_;
  bool done_ = false;
};

struct Prepared {
  TKvZipItem* item;
  int64_t start = 0, length = 0;  // in the scratch stream
};

constexpr int64_t kMaxClassic = 0xFFFFFFFFll;

// Reads src from its position to the end in pieces, handing each to use; answers the bytes read.
int64_t eachPiece(KvStream& src, const std::function<void(const uint8_t*, int64_t)>& use) {
  std::vector<uint8_t> buf(1 << 16);
  int64_t total = 0;
  for (;;) {
    int64_t n = src.Read(buf.data(), int64_t(buf.size()));
    if (n <= 0) break;
    use(buf.data(), n);
    total += n;
    if (total > kMaxClassic) throw EKvException("File too large for a ZIP archive (at most 4 GiB)");
  }
  return total;
}

// Compresses (and encrypts) one new item's data into out; fills its directory entry.
// The data is read as it goes, never held whole: an encrypted entry reads it twice,
// because its password check byte comes from the CRC.
void insertItem(TKvZipArchive& a, TKvZipItem* item, KvStream& src, KvStream& out, int64_t mtime, int dosAttr) {
  const int64_t from = src.Position();
  auto& d = item->Dir;
  d.GeneralPurposeBitFlag &= 0x0800;
  bool encrypt = !a.Password.empty();
  if (encrypt) d.GeneralPurposeBitFlag |= 1;
  int method = a.MethodChoice == 0 ? 0 : a.MethodChoice == 3 ? 9 : 8;
  int64_t start = out.Position();
  uint32_t crc = 0;
  int64_t plainSize = -1, expect = -1;
  try {
    expect = src.Size() - from;
  } catch (const std::exception&) {
  }
  if (encrypt) {
    plainSize = eachPiece(src, [&](const uint8_t* p, int64_t n) { crc = KvCrc32(crc, p, size_t(n)); });
    src.Seek(from, soBeginning);
  }
  auto storeIt = [&]() {
    out.SetSize(start);
    out.Seek(start, soBeginning);
    src.Seek(from, soBeginning);
    std::unique_ptr<TKvDfEncryptStream> enc;
    if (encrypt) enc = std::make_unique<TKvDfEncryptStream>(&out, a.Password, crc);
    KvStream* to = enc ? static_cast<KvStream*>(enc.get()) : &out;
    uint32_t sum = 0;
    int64_t done = 0;
    int last = -1;
    plainSize = eachPiece(src, [&](const uint8_t* p, int64_t n) {
      sum = KvCrc32(sum, p, size_t(n));
      to->WriteBuffer(p, n);
      done += n;
      int pct = expect > 0 ? int(std::min<int64_t>(done * 100 / expect, 100)) : 100;
      if (pct != last) a.EngineProgress(last = pct);
    });
    crc = sum;
    method = 0;
  };
  try {
    if (method == 0) {
      storeIt();
    } else {
      TKvDeflateHelper h;
      int opts = 0x0F | (method == 9 ? dfoDeflate64 : 0);
      h.SetOptions(opts);
      if (a.DeflationOption == 0) {
        h.SetMaxChainSteps(8);
        h.SetMaxLazyMatch(4);
      } else if (a.DeflationOption >= 2) {
        h.SetMaxChainSteps(1024);
        h.SetGoodMatchLength(32);
        h.SetMaxLazyMatch(258);
      }
      h.CipherPassword = a.Password;
      h.HeaderCheck = int64_t(crc);
      h.OnProgressPercent = [&a](int p) { a.EngineProgress(p); };
      h.SourceSize = -1;
      uint32_t got = Deflate(&src, &out, &h);
      if (!encrypt) crc = got;
      plainSize = h.PlainSize;
      if (plainSize > kMaxClassic) throw EKvException("File too large for a ZIP archive (at most 4 GiB)");
      // Data that does not shrink is stored instead, unless Deflate was asked for.
      if (a.MethodChoice == 2 && out.Position() - start >= plainSize + (encrypt ? 12 : 0)) storeIt();
    }
  } catch (const EKvAbortProgress&) {
    throw EKvUserAbort();
  }
  d.CompressionMethod = uint16_t(method);
  d.VersionNeededToExtract = method == 9 ? 21 : (method == 8 || encrypt) ? 20 : 10;
  d.VersionMadeBy = 20;
  d.CRC32 = crc;
  d.UncompressedSize = uint32_t(plainSize);
  int64_t packed = out.Position() - start;
  if (packed > kMaxClassic) throw EKvException("File too large for a ZIP archive (at most 4 GiB)");
  d.CompressedSize = uint32_t(packed);
  if (mtime >= 0) KvUnixToDos(mtime, d.LastModFileDate, d.LastModFileTime);
  if (dosAttr >= 0) d.ExternalFileAttributes = uint32_t(dosAttr);
}

// The end record counts entries in 16 bits and 0xFFFF marks a Zip64 set, which no reader of
// classic records takes; a spanned set is never updated in place. Both are refused before
// anything is compressed.
void refuseUnwritable(TKvZipArchive& a) {
  if (a.Spanned) {
    for (int i = 0; i < a.Count(); ++i) a.Items(i)->Action = iaNone;
    a.IsDirty = false;
    throw EKvZipSpanOverwrite();
  }
  int64_t kept = 0;
  for (int i = 0; i < a.Count(); ++i) kept += a.ZipItem(i)->Action != iaDelete;
  if (kept >= 0xFFFF) throw EKvZipTooManyEntries();
}

// A new or freshened item from its file on disk.
void insertFromDisk(TKvZipArchive& a, TKvZipItem* item, std::string path, KvStream& scratch) {
  if (!path.empty() && path[0] != '/' && !a.BaseDirectory().empty())
    path = KvEnsureTrailingSlash(a.BaseDirectory()) + path;
  KvFileStream in(path, fmOpenRead);
  struct ::stat st;
  bool known = ::fstat(in.Handle(), &st) == 0;
  // Refused before anything is read: the classic headers hold 32-bit sizes.
  if (known && uint64_t(st.st_size) > 0xFFFFFFFFull)
    throw EKvException("File too large for a ZIP archive (at most 4 GiB): " + path);
  int64_t mtime = known ? int64_t(st.st_mtime) : -1;
  a.CurrentItem = item;
  insertItem(a, item, in, scratch, mtime, KvReadAttributes(path));
}

// A kept item: its compressed bytes, as they follow the old local header.
void copyKept(KvStream& old, TKvZipItem* item, KvStream& scratch) {
  old.Seek(item->RelativeOffset(), soBeginning);
  TKvZipLocalFileHeader lh;
  lh.LoadFromStream(old);
  if (item->CompressedSize() > 0) scratch.CopyFrom(old, item->CompressedSize());
  // The sizes go into the local header; only an encrypted entry keeps its data
  // descriptor, because its password check byte was made from the time then.
  if (!(item->Dir.GeneralPurposeBitFlag & 1)) item->Dir.GeneralPurposeBitFlag &= uint16_t(~8);
}

// Every item that stays, its data made into the scratch stream in the archive's order;
// total grows by what each will take in the archive. diskName gives an item's file on disk.
std::vector<Prepared> prepareItems(TKvZipArchive& a, KvStream& scratch, int64_t& total,
                                   const std::function<std::string(const TKvZipItem*)>& diskName) {
  std::vector<Prepared> list;
  for (int i = 0; i < a.Count(); ++i) {
    auto* item = a.ZipItem(i);
    if (item->Action == iaDelete) continue;
    Prepared p{item};
    p.start = scratch.Position();
    switch (item->Action) {
      case iaAdd: case iaFreshen: case iaReplace:
        insertFromDisk(a, item, item->DiskFileName.empty() ? diskName(item) : item->DiskFileName, scratch);
        break;
      case iaAddFromStream:
        if (!item->SourceStream) throw EKvException("nil stream");
        item->SourceStream->Seek(0, soBeginning);
        a.CurrentItem = item;
        insertItem(a, item, *item->SourceStream, scratch, -1, -1);
        break;
      default:
        copyKept(*a.Stream(), item, scratch);
        break;
    }
    p.length = scratch.Position() - p.start;
    total += p.length + 76 + 2 * int64_t(item->Dir.FileName.size()) + 2 * int64_t(item->Dir.ExtraField.size());
    list.push_back(p);
  }
  return list;
}

// The stub to put in front: a new one, else the one the archive has.
std::vector<uint8_t> stubOf(TKvZipArchive& a) {
  std::vector<uint8_t> stub = a.NewStub;
  if (stub.empty() && a.HasStub && a.StubLength > 0) {
    stub.resize(size_t(a.StubLength));
    a.Stream()->Seek(0, soBeginning);
    a.Stream()->ReadBuffer(stub.data(), a.StubLength);
  }
  return stub;
}

// Whether an archive of `whole` bytes needs parts: past the size limit, or past the room on a
// removable disk (then the parts go onto disks one after another).
struct Layout {
  bool span = false;
  bool onDisks = false;
};

Layout planLayout(TKvZipArchive& a, int64_t whole, bool hasStub) {
  const int64_t limit = a.SpanSizeLimit;
  TKvSpanStream* ss = a.SpanStream();
  const bool removable = a.OnRemovableDrive || (ss && ss->MediaKind() == mkRemovableDisks);
  Layout l;
  l.span = (limit > 0 && limit < whole) || (removable && freeBytesFor(a) < whole);
  if (l.span && hasStub) throw EKvException(KvMessage(16), 16);
  if (l.span && limit > 0 && limit < 64) throw EKvException(KvMessage(31), 31);
  l.onDisks = removable && l.span;
  return l;
}

// Each entry's local header, its data and, when it keeps one, its data descriptor; the
// directory entries learn where their local headers lie.
void writeEntries(PartWriter& w, std::vector<Prepared>& list, KvStream& scratch) {
  std::vector<uint8_t> buf(65536);
  for (auto& p : list) {
    auto& d = p.item->Dir;
    std::vector<uint8_t> lh = localHeader(d);
    w.Ensure(int64_t(lh.size()));
    if (w.Position() > 0xFFFFFFFFll) throw EKvException("Archive too large for a ZIP archive (at most 4 GiB)");
    d.DiskNumberStart = uint16_t(w.Part());
    d.RelativeOffsetOfLocalHeader = uint32_t(w.Position());
    w.Write(lh);
    scratch.Seek(p.start, soBeginning);
    for (int64_t done = 0; done < p.length;) {
      int64_t n = std::min<int64_t>(int64_t(buf.size()), p.length - done);
      scratch.ReadBuffer(buf.data(), n);
      w.Write(buf.data(), n);
      done += n;
    }
    if (d.GeneralPurposeBitFlag & 8) {
      std::vector<uint8_t> dd;
      put32(dd, kSigSpan);
      put32(dd, d.CRC32);
      put32(dd, d.CompressedSize);
      put32(dd, d.UncompressedSize);
      w.Write(dd);
    }
  }
}

// The central directory: the end record's start, size and the entries on the part it ends on.
struct Directory {
  TKvZipDirectoryFileFooter end;
  bool empty = true;
  uint16_t onLastPart = 0;
};

Directory writeDirectory(PartWriter& w, const std::vector<Prepared>& list) {
  Directory dir;
  uint32_t size = 0;
  for (auto& p : list) {
    std::vector<uint8_t> ch = centralHeader(p.item->Dir);
    int before = w.Part();
    w.Ensure(int64_t(ch.size()));
    if (w.Part() != before) dir.onLastPart = 0;
    if (w.Position() + int64_t(ch.size()) > 0xFFFFFFFFll)
      throw EKvException("Archive too large for a ZIP archive (at most 4 GiB)");
    if (dir.empty) {
      dir.end.StartDiskNumber = uint16_t(w.Part());
      dir.end.DirectoryOffset = uint32_t(w.Position());
      dir.empty = false;
    }
    w.Write(ch);
    size += uint32_t(ch.size());
    ++dir.onLastPart;
  }
  dir.end.DirectorySize = size;
  return dir;
}

// The end record after the directory; answers its position in its part.
int64_t writeEndRecord(PartWriter& w, Directory& dir, size_t entries, const std::string& comment) {
  TKvZipDirectoryFileFooter& end = dir.end;
  int beforeEnd = w.Part();
  w.Ensure(22);
  if (dir.empty) {
    end.StartDiskNumber = uint16_t(w.Part());
    end.DirectoryOffset = uint32_t(w.Position());
    dir.onLastPart = 0;
  } else if (w.Part() != beforeEnd) {
    // The end record starts a part of its own: no entry lies on it.
    dir.onLastPart = 0;
  }
  end.DiskNumber = uint16_t(w.Part());
  end.TotalEntries = uint16_t(entries);
  end.EntriesOnDisk = dir.onLastPart;
  end.ZipfileComment = comment;
  std::vector<uint8_t> er;
  put32(er, kSigEnd);
  put16(er, end.DiskNumber);
  put16(er, end.StartDiskNumber);
  put16(er, end.EntriesOnDisk);
  put16(er, end.TotalEntries);
  put32(er, end.DirectorySize);
  put32(er, end.DirectoryOffset);
  put16(er, uint32_t(end.ZipfileComment.size()));
  er.insert(er.end(), end.ZipfileComment.begin(), end.ZipfileComment.end());
  int64_t endPos = w.Position();
  w.Write(er);
  return endPos;
}

// Parts of an earlier, longer set under the same name would confuse the reader.
void removePartsAfter(const std::string& archive, int lastPart) {
  for (int n = lastPart + 1; n <= 99; ++n) {
    std::string extra = PartWriter::numberedOf(archive, n);
    if (!KvFileExists(extra)) break;
    ::unlink(extra.c_str());
  }
}

}  // namespace

// What a save wrote, for the archive to read from then on.
struct KvZipWriter::Written {
  Layout layout;
  TKvZipDirectoryFileFooter end;
  int64_t endPos = 0;
  int lastPart = 0;
  int64_t stubLength = 0;
};

void KvZipWriter::Save(TKvZipArchive& a) {
  refuseUnwritable(a);
  auto scratch = std::make_unique<TKvVirtualMemoryStream>();
  scratch->SwapFolder = a.TempDirectory;
  int64_t total = 22;  // the end record
  std::vector<Prepared> list =
      prepareItems(a, *scratch, total, [&a](const TKvZipItem* item) { return a.diskFileNameOf(item); });
  const std::vector<uint8_t> stub = stubOf(a);
  Written written;
  written.layout = planLayout(a, total + int64_t(stub.size()), !stub.empty());
  written.stubLength = int64_t(stub.size());

  PartWriter w(a, written.layout.span, written.layout.onDisks);
  if (written.layout.span) {
    std::vector<uint8_t> marker;
    put32(marker, kSigSpan);
    w.Write(marker);
  }
  if (!stub.empty()) w.Write(stub);
  writeEntries(w, list, *scratch);
  Directory dir = writeDirectory(w, list);
  written.endPos = writeEndRecord(w, dir, list.size(), a.EndRecord.ZipfileComment);
  written.end = dir.end;
  written.lastPart = w.Part();

  // Everything is written: the new files take the place of the old.
  a.stream_.reset();
  try {
    w.Finish();
    if (!written.layout.onDisks) removePartsAfter(a.ArchiveName(), written.lastPart);
  } catch (...) {
    a.reopenStream(a.ArchiveName(), mkNumberedFiles, fmOpenRead | fmShareDenyNone);
    throw;
  }
  adoptWritten(a, written);
  settleItems(a);
}

void KvZipWriter::adoptWritten(TKvZipArchive& a, const Written& written) {
  const bool onDisks = written.layout.onDisks;
  a.Spanned = written.layout.span;
  a.reopenStream(a.ArchiveName(), onDisks ? mkRemovableDisks : mkNumberedFiles, fmOpenRead | fmShareDenyNone);
  a.OnRemovableDrive = onDisks;
  a.NumberedParts = written.layout.span && !onDisks;
  // The last disk is the one left in the drive.
  if (onDisks) a.SpanStream()->OpenPart(a.ArchiveName(), written.lastPart);
  a.CurrentDisk = uint16_t(onDisks ? written.lastPart : 0);
  a.EndRecord = written.end;
  a.EndRecordPosition = written.endPos;
  a.HasStub = written.stubLength > 0;
  a.StubLength = written.stubLength;
}

// Deleted items go, the others are as saved; the local headers are found by their places.
void KvZipWriter::settleItems(TKvZipArchive& a) {
  for (int i = a.Count() - 1; i >= 0; --i) {
    if (a.Items(i)->Action == iaDelete) a.items_->Delete(i);
    else {
      a.Items(i)->Action = iaNone;
      a.ZipItem(i)->SourceStream = nullptr;
    }
  }
  a.offsets_.clear();
  for (int i = 0; i < a.Count(); ++i)
    a.offsets_.emplace_back(a.ZipItem(i)->DiskNumberStart(), a.ZipItem(i)->RelativeOffset());
  std::sort(a.offsets_.begin(), a.offsets_.end());
}

}  // namespace kv
