#include "KvZip.h"
#include "KvZipWrite.h"

#include <algorithm>
#include <cstring>

namespace kv {
namespace {

uint16_t rd16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t rd32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

void readExact(KvStream& s, void* buf, int64_t n) {
  auto* p = static_cast<uint8_t*>(buf);
  while (n > 0) {
    int64_t k = s.Read(p, n);
    if (k <= 0) throw EKvReadError();
    p += k;
    n -= k;
  }
}

std::string readString(KvStream& s, size_t n) {
  std::string r(n, '\0');
  if (n) readExact(s, r.data(), int64_t(n));
  return r;
}

const uint16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

// The fields local and central headers have in common, in the same order from p on.
template <class Header>
void readSharedFields(Header& d, const uint8_t* p) {
  d.VersionNeededToExtract = rd16(p);
  d.GeneralPurposeBitFlag = rd16(p + 2);
  d.CompressionMethod = rd16(p + 4);
  d.LastModFileTime = rd16(p + 6);
  d.LastModFileDate = rd16(p + 8);
  d.CRC32 = rd32(p + 10);
  d.CompressedSize = rd32(p + 14);
  d.UncompressedSize = rd32(p + 18);
}

}  // namespace

std::string KvCp437ToUtf8(const std::string& s) {
  std::string r;
  r.reserve(s.size());
  for (char ch : s) {
    auto c = uint8_t(ch);
    if (c < 0x80) {
      r += char(c);
      continue;
    }
    uint16_t u = kCp437High[c - 0x80];
    if (u < 0x800) {
      r += char(0xC0 | (u >> 6));
      r += char(0x80 | (u & 0x3F));
    } else {
      r += char(0xE0 | (u >> 12));
      r += char(0x80 | ((u >> 6) & 0x3F));
      r += char(0x80 | (u & 0x3F));
    }
  }
  return r;
}

void TKvZipLocalFileHeader::LoadFromStream(KvStream& s) {
  uint8_t h[30];
  readExact(s, h, 30);
  Signature = rd32(h);
  if (Signature != kSigLocal) throw EKvZipInvalid();
  readSharedFields(*this, h + 4);
  size_t n = rd16(h + 26), m = rd16(h + 28);
  FileName = readString(s, n);
  ExtraField = readString(s, m);
}

size_t TKvZipDirectoryFileHeader::Parse(const uint8_t* p, size_t avail) {
  if (avail < 46) return 0;
  Signature = rd32(p);
  VersionMadeBy = rd16(p + 4);
  readSharedFields(*this, p + 6);
  size_t n = rd16(p + 28), m = rd16(p + 30), k = rd16(p + 32);
  DiskNumberStart = rd16(p + 34);
  InternalFileAttributes = rd16(p + 36);
  ExternalFileAttributes = rd32(p + 38);
  RelativeOffsetOfLocalHeader = rd32(p + 42);
  if (avail < 46 + n + m + k) return 0;
  FileName.assign(reinterpret_cast<const char*>(p + 46), n);
  ExtraField.assign(reinterpret_cast<const char*>(p + 46 + n), m);
  FileComment.assign(reinterpret_cast<const char*>(p + 46 + n + m), k);
  return 46 + n + m + k;
}

void TKvZipDirectoryFileFooter::LoadFromStream(KvStream& s) {
  uint8_t h[22];
  readExact(s, h, 22);
  Signature = rd32(h);
  if (Signature != kSigEnd) throw EKvZipInvalid();
  DiskNumber = rd16(h + 4);
  StartDiskNumber = rd16(h + 6);
  EntriesOnDisk = rd16(h + 8);
  TotalEntries = rd16(h + 10);
  DirectorySize = rd32(h + 12);
  DirectoryOffset = rd32(h + 16);
  size_t c = rd16(h + 20);
  // A comment cut by the end of the file is kept as far as it goes.
  std::string cm(c, '\0');
  int64_t got = c ? s.Read(cm.data(), int64_t(c)) : 0;
  cm.resize(size_t(std::max<int64_t>(0, got)));
  ZipfileComment = cm;
}

void TKvZipItem::SetFileName(const std::string& v) {
  name_ = v;
  Dir.FileName = v;
  bool ascii = std::all_of(v.begin(), v.end(), [](char c) { return uint8_t(c) < 0x80; });
  if (!ascii) Dir.GeneralPurposeBitFlag |= 0x0800;
}

void TKvZipItem::DecodeName() {
  name_ = (Dir.GeneralPurposeBitFlag & 0x0800) ? Dir.FileName : KvCp437ToUtf8(Dir.FileName);
}

// ---- end record ----

int64_t FindEndRecord(KvStream& stream) {
  auto* span = dynamic_cast<TKvSpanStream*>(&stream);
  bool savedIgnore = span ? span->IgnoreMediaRequests : false;
  if (span) span->IgnoreMediaRequests = true;
  int64_t remembered = stream.Position();
  int64_t size = stream.Size();
  int64_t answer = -1;
  if (size >= 22) {
    uint8_t rec[22];
    stream.Seek(size - 22, soBeginning);
    if (stream.Read(rec, 22) == 22 && rd32(rec) == kSigEnd && rd16(rec + 20) == 0) {
      answer = size - 22;
    } else {
      // Backwards through the whole file in growing windows that overlap by 3 bytes.
      std::vector<uint8_t> buf;
      int64_t window = 512;
      int64_t end = size;
      while (answer < 0 && end >= 22) {
        int64_t start = std::max<int64_t>(0, end - window);
        buf.resize(size_t(end - start));
        stream.Seek(start, soBeginning);
        int64_t got = stream.Read(buf.data(), int64_t(buf.size()));
        if (got < 22) break;
        for (int64_t off = got - 22; off >= 0; --off) {
          const uint8_t* p = buf.data() + off;
          if (rd32(p) == kSigEnd && size - (start + off + 22) >= rd16(p + 20)) {
            answer = start + off;
            break;
          }
        }
        if (start == 0) break;
        end = start + 21;
        window = std::min<int64_t>(window * 2, 65536);
      }
    }
  }
  stream.Seek(answer >= 0 ? answer : remembered, soBeginning);
  if (span) span->IgnoreMediaRequests = savedIgnore;
  return answer;
}

int VerifyZip(KvStream& stream) {
  int64_t pos = stream.Position();
  int kind = 0;
  uint8_t h[4] = {0};
  stream.Seek(0, soBeginning);
  if (stream.Read(h, 4) == 4 && (rd32(h) == kSigSpan || rd32(h) == kSigSpanSingle)) {
    kind = 2;
  } else if (int64_t t = FindEndRecord(stream); t >= 0) {
    uint8_t s[4];
    stream.Seek(t, soBeginning);
    if (stream.Read(s, 4) == 4 && rd32(s) == kSigEnd) kind = 1;
  }
  stream.Seek(pos, soBeginning);
  return kind;
}

int VerifySelfExtracting(KvStream& stream) {
  int64_t pos = stream.Position();
  uint8_t h[4] = {0};
  stream.Seek(0, soBeginning);
  int64_t n = stream.Read(h, 4);
  bool exe = (n >= 2 && h[0] == 'M' && h[1] == 'Z') || (n == 4 && h[0] == 0x7F && h[1] == 'E' && h[2] == 'L' && h[3] == 'F');
  int kind = exe && VerifyZip(stream) == 1 ? 3 : 0;
  stream.Seek(pos, soBeginning);
  return kind;
}

// ---- archive ----

TKvZipArchive::TKvZipArchive(const std::string& fileName, uint16_t mode) : TKvArchive(fileName, mode) {
  NameOptions |= stoStripDrive;
}

TKvArchiveItem* TKvZipArchive::CreateItem(const std::string& fileName) {
  auto* it = new TKvZipItem();
  it->SetCompressionMethod(8);
  it->DiskFileName = fileName;
  it->SetFileName(FixName(fileName));
  return it;
}

std::string TKvZipArchive::FixName(const std::string& value) {
  NameOptions |= stoStripDrive;
  std::string v = TKvArchive::FixName(value);
  KvToStoredSlashes(v);
  return v;
}

void TKvZipArchive::ExtractItemAt(int index, const std::string& newName) {
  if (!ExtractToFileProc) throw EKvZipNoExtraction();
  ExtractToFileProc(this, ZipItem(index), newName);
}

void TKvZipArchive::ExtractItemToStreamAt(int index, KvStream* stream) {
  if (!ExtractToStreamProc) throw EKvZipNoExtraction();
  ExtractToStreamProc(this, ZipItem(index), stream);
}

void TKvZipArchive::TestItemAt(int index) {
  if (!TestProc) throw EKvZipNoExtraction();
  TestProc(this, ZipItem(index));
}

void TKvZipArchive::SaveArchive() {
  if (Spanned) {
    for (int i = 0; i < Count(); ++i) Items(i)->Action = iaNone;
    IsDirty = false;
    throw EKvZipSpanOverwrite();
  }
  KvZipWriter::Save(*this);
}

std::string TKvZipArchive::partName(int n) const {
  if (n <= 0) return ArchiveName();
  if (n >= 100) return std::string();
  std::string s = ArchiveName();
  KvSpanPartName(s, n);
  return s;
}

void TKvZipArchive::DoRequestLastDisk(bool& abort) {
  abort = false;
  if (OnRequestLastDisk) OnRequestLastDisk(abort);
  else abort = !(OnPrompt && OnPrompt(KvMessage(12), KvMessage(11)));
}

void TKvZipArchive::DoRequestNthDisk(int diskNumber, bool& abort) {
  abort = false;
  if (OnRequestNthDisk) OnRequestNthDisk(diskNumber, abort);
  else abort = !(OnPrompt && OnPrompt(KvFormat(KvMessage(14).c_str(), diskNumber), KvMessage(11)));
}

void TKvZipArchive::DoRequestEmptyDisk(bool& abort) {
  Spanned = true;
  abort = false;
  if (OnRequestEmptyDisk) OnRequestEmptyDisk(abort);
  else abort = !(OnPrompt && OnPrompt(KvMessage(17), KvMessage(11)));
}

void TKvZipArchive::DoMediaRequest(int imageNumber, std::string& imageName, bool& abort) {
  abort = false;
  TKvSpanStream* s = SpanStream();
  bool reading = !s || s->Mode() == 0;
  if (s && s->MediaKind() == mkRemovableDisks) {
    if (reading) DoRequestNthDisk(imageNumber, abort);
    else {
      DoRequestEmptyDisk(abort);
      KvLabelSpanVolume(imageName, imageNumber - 1);
    }
    return;
  }
  if (OnRequestImage) {
    OnRequestImage(this, imageNumber, imageName, abort);
  } else if (NumberedParts) {
    imageName = partName(imageNumber);
  } else {
    abort = !(OnPrompt && OnPrompt(KvFormat(KvMessage(37).c_str(), imageNumber), KvMessage(34)));
  }
}

void TKvZipArchive::SwitchToDisk(int n) {
  TKvSpanStream* s = SpanStream();
  if (!s) throw EKvZipBadSpanStream();
  if (OnRemovableDrive) {
    if (s->PartNumber() != n) {
      bool abort = false;
      DoRequestNthDisk(n + 1, abort);
      if (abort) throw EKvUserAbort();
      s->OpenPart(ArchiveName(), n);
    }
  } else if (s->PartNumber() != n || s->FileName() != partName(n)) {
    std::string nm = partName(n);
    if (OnRequestImage && !NumberedParts) {
      bool abort = false;
      OnRequestImage(this, n, nm, abort);
      if (abort) throw EKvUserAbort();
    }
    if (nm.empty() || !KvFileExists(nm)) throw EKvFileNotFound();
    s->OpenPart(nm, n);
  }
  CurrentDisk = uint16_t(n);
}

void TKvZipArchive::getNextDisk(int diskNumber, bool& abort) {
  abort = false;
  TKvSpanStream* s = SpanStream();
  if (!s) throw EKvZipBadSpanStream();
  if (OnRemovableDrive) {
    if (diskNumber != -1) {
      DoRequestNthDisk(diskNumber + 1, abort);
      if (abort) throw EKvUserAbort();
    }
    s->OpenPart(ArchiveName(), std::max(diskNumber, 0));
    if (CurrentDisk == 65535 && FindEndRecord(*s) < 0) {
      DoRequestLastDisk(abort);
      if (abort) throw EKvUserAbort();
      s->OpenPart(ArchiveName(), 0);
    }
    return;
  }
  if (FindEndRecord(*s) >= 0) return;
  if (OnRequestImage) {
    std::string nm = ArchiveName();
    OnRequestImage(this, diskNumber, nm, abort);
    if (abort) throw EKvUserAbort();
    if (!KvFileExists(nm)) throw EKvFileNotFound();
    s->OpenPart(nm, std::max(diskNumber, 0));
    return;
  }
  if (diskNumber == -1) {
    for (int i = 1; i <= 99; ++i) {
      std::string nm = partName(i);
      if (!KvFileExists(nm)) throw EKvFileNotFound();
      KvFileStream probe(nm, fmOpenRead);
      if (FindEndRecord(probe) >= 0) {
        NumberedParts = true;
        s->OpenPart(nm, i);
        return;
      }
    }
    throw EKvFileNotFound();
  }
  std::string nm = partName(diskNumber);
  if (nm.empty() || !KvFileExists(nm)) throw EKvFileNotFound();
  s->OpenPart(nm, diskNumber);
}

void TKvZipArchive::LoadArchive() {
  KvStream& st = *Stream();
  TKvSpanStream* span = SpanStream();
  offsets_.clear();
  if (st.Size() == 0) {
    IsDirty = false;
    return;
  }
  uint8_t h[4] = {0};
  st.Seek(0, soBeginning);
  int64_t got = st.Read(h, 4);
  HasStub = got >= 2 && h[0] == 'M' && h[1] == 'Z';
  OnRemovableDrive = span && span->MediaKind() == mkRemovableDisks;
  bool marker = got == 4 && (rd32(h) == kSigSpan || rd32(h) == kSigSpanSingle);
  int64_t tail = marker ? -1 : FindEndRecord(st);
  if (tail < 0) {
    if (got >= 2 && h[0] == 'P' && h[1] == 'K') {
      bool abort = false;
      try {
        getNextDisk(-1, abort);
      } catch (const EKvUserAbort&) {
        return;
      }
      if (abort) return;
      Spanned = true;
      tail = FindEndRecord(st);
      if (tail < 0) {
        status_ = stInvalid;
        throw EKvZipInvalid();
      }
    } else {
      status_ = stInvalid;
      throw EKvZipInvalid();
    }
  }
  st.Seek(tail, soBeginning);
  EndRecord.LoadFromStream(st);
  EndRecordPosition = tail;
  CurrentDisk = EndRecord.DiskNumber;
  if (EndRecord.DiskNumber != 0) Spanned = true;
  if (span) {
    span->Spanned = Spanned;
    span->PassThrough = !Spanned;
  }
  // Zip64 sets carry their real values elsewhere; this reader refuses them cleanly.
  if (EndRecord.TotalEntries == 0xFFFF || EndRecord.DirectoryOffset == 0xFFFFFFFFu ||
      EndRecord.DirectorySize == 0xFFFFFFFFu) {
    status_ = stInvalid;
    throw EKvZipInvalid();
  }
  int64_t stub = -1;
  int count = 0;
  auto addItem = [&](TKvZipItem* it) {
    it->DecodeName();
    it->DiskFileName = it->FileName();
    it->Action = iaNone;
    it->Tagged = false;
    if (HasStub && (stub < 0 || it->RelativeOffset() < stub)) stub = it->RelativeOffset();
    offsets_.emplace_back(it->DiskNumberStart(), it->RelativeOffset());
    ItemList().Add(it);
    ++count;
    bool abort = false;
    DoArchiveProgress(EndRecord.TotalEntries ? count * 100 / EndRecord.TotalEntries : 100, abort);
    if (abort) {
      status_ = stInvalid;
      throw EKvUserAbort();
    }
  };
  if (!Spanned) {
    int64_t start = EndRecord.DirectoryOffset;
    if (start > tail) {
      status_ = stInvalid;
      throw EKvZipInvalid();
    }
    std::vector<uint8_t> dir(size_t(tail - start));
    st.Seek(start, soBeginning);
    readExact(st, dir.data(), int64_t(dir.size()));
    size_t pos = 0;
    while (pos < dir.size()) {
      auto it = std::make_unique<TKvZipItem>();
      size_t n = it->Dir.Parse(dir.data() + pos, dir.size() - pos);
      if (n == 0 || it->Dir.Signature != kSigCentral) {
        status_ = stInvalid;
        throw EKvZipInvalid();
      }
      pos += n;
      addItem(it.release());
    }
  } else {
    SwitchToDisk(EndRecord.StartDiskNumber);
    st.Seek(EndRecord.DirectoryOffset, soBeginning);
    for (int i = 0; i < EndRecord.TotalEntries; ++i) {
      uint8_t fixed[46];
      readExact(st, fixed, 46);
      size_t var = size_t(rd16(fixed + 28)) + rd16(fixed + 30) + rd16(fixed + 32);
      std::vector<uint8_t> rec(46 + var);
      std::memcpy(rec.data(), fixed, 46);
      if (var) readExact(st, rec.data() + 46, int64_t(var));
      auto it = std::make_unique<TKvZipItem>();
      if (it->Dir.Parse(rec.data(), rec.size()) == 0 || it->Dir.Signature != kSigCentral) {
        status_ = stInvalid;
        throw EKvZipInvalid();
      }
      addItem(it.release());
    }
  }
  std::sort(offsets_.begin(), offsets_.end());
  bool abort = false;
  DoArchiveProgress(100, abort);
  StubLength = HasStub && stub >= 0 ? stub : 0;
  IsDirty = false;
}

int64_t TKvZipArchive::DataLimitFor(const TKvZipItem* item) const {
  if (Spanned) return INT64_MAX;
  std::pair<uint16_t, uint32_t> key(item->DiskNumberStart(), item->RelativeOffset());
  auto lo = std::lower_bound(offsets_.begin(), offsets_.end(), key);
  auto hi = std::upper_bound(offsets_.begin(), offsets_.end(), key);
  if (hi - lo > 1) return -1;  // two entries share one header
  int64_t limit = EndRecord.DirectoryOffset > item->RelativeOffset() ? int64_t(EndRecord.DirectoryOffset)
                                                                        : EndRecordPosition;
  if (hi != offsets_.end() && hi->first == key.first) limit = std::min<int64_t>(limit, hi->second);
  return limit;
}

}  // namespace kv
