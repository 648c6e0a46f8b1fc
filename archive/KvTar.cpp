#include "KvTar.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "KvExtractTarget.h"
#include "KvScratchStreams.h"

namespace kv {

namespace {

const char kInvalidTar[] = "Invalid Tar";
constexpr int64_t kMaxLongName = 65536;

int64_t roundUp512(int64_t v) { return (v + 511) & ~int64_t(511); }

std::string fieldText(const uint8_t* p, int width) {
  int n = 0;
  while (n < width && p[n]) ++n;
  return std::string(reinterpret_cast<const char*>(p), size_t(n));
}

// The "path" record of a pax header, if any.
std::string paxPath(const std::string& data) {
  size_t i = 0;
  std::string path;
  while (i < data.size()) {
    size_t sp = data.find(' ', i);
    if (sp == std::string::npos) break;
    long long len = std::atoll(data.substr(i, sp - i).c_str());
    if (len <= 0 || i + size_t(len) > data.size() || size_t(len) <= sp - i) break;
    std::string rec = data.substr(sp + 1, size_t(len) - (sp - i) - 1);
    if (!rec.empty() && rec.back() == '\n') rec.pop_back();
    if (rec.rfind("path=", 0) == 0) path = rec.substr(5);
    i += size_t(len);
  }
  return path;
}

}  // namespace

uint32_t KvTarChecksum(const uint8_t* b) {
  uint32_t sum = 0;
  for (int i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? 32u : b[i];
  return sum;
}

static uint32_t signedChecksum(const uint8_t* b) {
  int32_t sum = 0;
  for (int i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? 32 : int8_t(b[i]);
  return uint32_t(sum);
}

void KvTarPutNumber(uint8_t* field, int width, uint64_t value) {
  char digits[32];
  int n = std::snprintf(digits, sizeof digits, "%llo", static_cast<unsigned long long>(value));
  if (n > width) {
    // Base-256: a marker bit and the value big-endian.
    std::memset(field, 0, size_t(width));
    for (int i = width - 1; i > 0; --i, value >>= 8) field[i] = uint8_t(value);
    field[0] = 0x80;
    return;
  }
  std::memset(field, ' ', size_t(width));
  int end = n < width ? width - 1 : width;
  std::memcpy(field + end - n, digits, size_t(n));
}

bool KvTarGetNumber(const uint8_t* f, int width, int64_t& value) {
  value = 0;
  if (f[0] & 0x80) {
    if (f[0] == 0xFF) return false;  // negative
    uint64_t v = f[0] & 0x3F;
    for (int i = 1; i < width; ++i) {
      if (v >> 55) return false;
      v = (v << 8) | f[i];
    }
    value = int64_t(v);
    return true;
  }
  int i = 0;
  while (i < width && f[i] == ' ') ++i;
  uint64_t v = 0;
  for (; i < width && f[i] >= '0' && f[i] <= '7'; ++i) {
    if (v >> 60) return false;
    v = v * 8 + uint64_t(f[i] - '0');
  }
  // After the digits only a space or NUL may follow.
  if (i < width && f[i] != ' ' && f[i] != 0) return false;
  value = int64_t(v);
  return true;
}

KvTarScanner::KvTarScanner(KvStream& s) : s_(s) { size_ = s.Size(); }

bool KvTarKnownMagic(const uint8_t* b) {
  return std::memcmp(b + 257, "ustar  \0", 8) == 0 || std::memcmp(b + 257, "GNUtar \0", 8) == 0;
}

namespace {

bool allZero(const uint8_t* b) {
  for (int i = 0; i < 512; ++i)
    if (b[i]) return false;
  return true;
}

// The fields of one header block at pos; "Invalid Tar" for a damaged one. Answers true
// for a long-name or pax record, whose data the caller collects (at most kMaxLongName).
bool readHeader(const uint8_t* b, int64_t pos, KvTarEntry& e) {
  int64_t stored, size, mtime, mode;
  bool sumOk = KvTarGetNumber(b + 148, 8, stored) &&
               (uint32_t(stored) == KvTarChecksum(b) || uint32_t(stored) == signedChecksum(b));
  if (!sumOk && !KvTarKnownMagic(b)) throw EKvException(kInvalidTar);
  if (!KvTarGetNumber(b + 124, 12, size) || size < 0) throw EKvException(kInvalidTar);
  // Base-256 holds sizes no stream has: the data's padded end must still be a position.
  if (size > std::numeric_limits<int64_t>::max() - 1023 - pos) throw EKvException(kInvalidTar);
  if (!KvTarGetNumber(b + 136, 12, mtime)) mtime = 0;
  if (!KvTarGetNumber(b + 100, 8, mode)) mode = 0644;
  e.Type = char(b[156]);
  e.Size = size;
  e.MTime = mtime;
  e.Mode = uint32_t(mode) & 07777;
  e.HeaderPos = pos;
  e.DataPos = pos + 512;
  if (e.Type == 'L' || e.Type == 'x') {
    if (size > kMaxLongName) throw EKvException(kInvalidTar);
    return true;
  }
  e.Name = fieldText(b, 100);
  if (std::memcmp(b + 257, "ustar\0", 6) == 0 && b[345]) e.Name = fieldText(b + 345, 155) + "/" + e.Name;
  return false;
}

// A long-name or pax record's data: the name for the entry that follows.
void takeSpecial(char type, const std::string& data, std::string& longName, std::string& pax) {
  if (type == 'L') longName = data.substr(0, data.find('\0'));
  else pax = paxPath(data);
}

void applyNames(KvTarEntry& e, std::string& longName, std::string& pax) {
  if (!longName.empty()) e.Name = longName;
  if (!pax.empty()) e.Name = pax;
  longName.clear();
  pax.clear();
}

// Counts an entry's name against the listing's bound.
void countName(const KvTarEntry& e, int64_t& total, int64_t most) {
  total += int64_t(e.Name.size());
  if (total > most) throw EKvTarNamesTooLong();
}

}  // namespace

bool KvTarScanner::Next(KvTarEntry& e) {
  std::string longName, pax;
  for (;;) {
    if (pos_ + 512 > size_) return false;
    uint8_t b[512];
    s_.Seek(pos_, soBeginning);
    if (s_.Read(b, 512) != 512) return false;
    if (allZero(b)) return false;
    KvTarEntry h;
    bool special = readHeader(b, pos_, h);
    if (h.Size > size_ - h.DataPos) throw EKvException(kInvalidTar);
    int64_t next = h.DataPos + roundUp512(h.Size);
    if (special) {
      std::string data(size_t(h.Size), '\0');
      s_.Seek(h.DataPos, soBeginning);
      s_.ReadBuffer(data.data(), h.Size);
      takeSpecial(h.Type, data, longName, pax);
      pos_ = next;
      continue;
    }
    applyNames(h, longName, pax);
    countName(h, nameBytes_, MaxNameBytes);
    e = h;
    pos_ = next;
    return true;
  }
}

KvTarStreamLister::KvTarStreamLister() { std::memset(block_, 0, sizeof block_); }

int64_t KvTarStreamLister::Write(const void* buffer, int64_t count) {
  const uint8_t* p = static_cast<const uint8_t*>(buffer);
  int64_t left = count;
  while (left > 0 && !ended_) {
    int64_t n;
    if (skip_ > 0) {
      n = std::min(skip_, left);
      int64_t data = std::min(n, dataLeft_);
      if (special_ && data > 0) collected_.append(reinterpret_cast<const char*>(p), size_t(data));
      dataLeft_ -= data;
      skip_ -= n;
      if (special_ && dataLeft_ == 0) {
        takeSpecial(special_, collected_, longName_, pax_);
        special_ = 0;
        collected_.clear();
      }
    } else {
      n = std::min<int64_t>(512 - fill_, left);
      std::memcpy(block_ + fill_, p, size_t(n));
      fill_ += int(n);
    }
    p += n;
    left -= n;
    pos_ += n;
    if (fill_ == 512) header();
  }
  pos_ += left;  // past the end block: counted, not read
  return count;
}

void KvTarStreamLister::header() {
  fill_ = 0;
  if (allZero(block_)) {
    ended_ = true;
    return;
  }
  KvTarEntry h;
  if (readHeader(block_, pos_ - 512, h)) {
    special_ = h.Type;
    collected_.clear();
    if (h.Size == 0) {
      takeSpecial(special_, collected_, longName_, pax_);
      special_ = 0;
    }
  } else {
    if (Entries.size() >= MaxEntries) throw EKvException(kInvalidTar);
    applyNames(h, longName_, pax_);
    countName(h, nameBytes_, MaxNameBytes);
    Entries.push_back(h);
  }
  dataLeft_ = h.Size;
  skip_ = roundUp512(h.Size);
}

int64_t KvTarStreamLister::Seek(int64_t offset, int origin) {
  if (origin == soBeginning && offset == 0) {
    Entries.clear();
    pos_ = skip_ = dataLeft_ = nameBytes_ = 0;
    fill_ = 0;
    special_ = 0;
    collected_.clear();
    longName_.clear();
    pax_.clear();
    ended_ = false;
  }
  return pos_;
}

void KvTarStreamLister::Finish() {
  if (dataLeft_ > 0) throw EKvException(kInvalidTar);
}

int VerifyTarStream(KvStream& s) {
  try {
    KvTarScanner sc(s);
    KvTarEntry e;
    int n = 0;
    while (sc.Next(e)) ++n;
    return n > 0 ? 4 : 0;
  } catch (const std::exception&) {
    return 0;
  }
}

void KvTarWriteHeader(KvStream& out, const std::string& name, int64_t size, uint32_t mode, int64_t mtime,
                      char type) {
  auto header = [&](const std::string& n, int64_t sz, char t) {
    uint8_t b[512] = {0};
    std::memcpy(b, n.data(), std::min<size_t>(n.size(), 100));
    KvTarPutNumber(b + 100, 8, mode & 07777);
    KvTarPutNumber(b + 108, 8, 0);
    KvTarPutNumber(b + 116, 8, 0);
    KvTarPutNumber(b + 124, 12, uint64_t(sz));
    KvTarPutNumber(b + 136, 12, uint64_t(std::max<int64_t>(mtime, 0)));
    b[156] = uint8_t(t);
    std::memcpy(b + 257, "ustar  ", 8);
    KvTarPutNumber(b + 329, 8, 0);
    KvTarPutNumber(b + 337, 8, 0);
    KvTarPutNumber(b + 148, 8, KvTarChecksum(b));
    out.WriteBuffer(b, 512);
  };
  if (name.size() > 99) {
    // GNU long name: a record holding the name, then the entry with the name cut.
    header("././@LongLink", int64_t(name.size()) + 1, 'L');
    std::vector<uint8_t> data(size_t(roundUp512(int64_t(name.size()) + 1)), 0);
    std::memcpy(data.data(), name.data(), name.size());
    out.WriteBuffer(data.data(), int64_t(data.size()));
  }
  header(name.substr(0, 99), size, type);
}

TKvTarItem::TKvTarItem() { Action = iaNone; }

uint16_t TKvTarItem::LastModFileDate() const { return KvUnixToDosDate(MTime); }
uint16_t TKvTarItem::LastModFileTime() const { return KvUnixToDosTime(MTime); }
void TKvTarItem::SetLastModFileDate(uint16_t v) {
  int64_t s;
  if (KvDosToUnix(v, LastModFileTime(), s)) MTime = s;
}
void TKvTarItem::SetLastModFileTime(uint16_t v) {
  int64_t s;
  if (KvDosToUnix(LastModFileDate(), v, s)) MTime = s;
}

TKvTarArchive::TKvTarArchive(const std::string& fileName, uint16_t mode) : TKvArchive(fileName, mode) {}

TKvArchiveItem* TKvTarArchive::CreateItem(const std::string& fileName) {
  auto* item = new TKvTarItem();
  std::string full = fileName;
  if (!full.empty() && full[0] != '/' && !BaseDirectory().empty()) full = KvEnsureTrailingSlash(BaseDirectory()) + full;
  item->DiskFileName = full;
  item->SetFileName(FixName(fileName));
  return item;
}

std::string TKvTarArchive::FixName(const std::string& value) {
  NameOptions |= stoStripDrive;
  std::string v = TKvArchive::FixName(value);
  for (char& c : v)
    if (c == '\\') c = '/';
  return v;
}

void TKvTarArchive::loadFrom(KvStream& s) {
  KvTarScanner sc(s);
  KvTarEntry e;
  std::vector<KvTarEntry> all;
  while (sc.Next(e)) all.push_back(e);
  loadEntries(all);
}

void TKvTarArchive::loadEntries(const std::vector<KvTarEntry>& all) {
  // The list does not free what it clears.
  while (Count() > 0) items_->Delete(Count() - 1);
  int n = 0;
  for (const auto& en : all) {
    ++n;
    if (en.IsRegular()) {
      auto* item = new TKvTarItem();
      item->SetFileName(en.Name);
      std::string disk = en.Name;
      item->DiskFileName = disk;
      item->Size = en.Size;
      item->Mode = en.Mode;
      item->MTime = en.MTime;
      item->DataPos = en.DataPos;
      items_->Add(item);
    } else {
      TKvTarItem other;
      other.SetFileName(en.Name);
      bool c = true;
      DoConfirmProcessItem(&other, ptFoundUnhandled, c);
    }
    bool abort = false;
    DoArchiveProgress(int(n * 100 / int64_t(all.size())), abort);
    if (abort) {
      status_ = stInvalid;
      throw EKvUserAbort();
    }
  }
  bool abort = false;
  DoArchiveProgress(100, abort);
  IsDirty = false;
}

void TKvTarArchive::LoadArchive() {
  scanned_ = Scanned();
  loadFrom(tarStream());
}

void TKvTarArchive::ExtractItemToStreamAt(int index, KvStream* stream) {
  if (index < 0 || index >= Count()) throw EKvException("Index out of range");
  auto* item = static_cast<TKvTarItem*>(Items(index));
  KvStream& s = tarStream();
  if (item->DataPos < 0 || item->DataPos + item->Size > s.Size()) throw EKvException(kInvalidTar);
  s.Seek(item->DataPos, soBeginning);
  if (item->Size > 0) stream->CopyFrom(s, item->Size);
}

void TKvTarArchive::ExtractItemAt(int index, const std::string& newName) {
  if (index < 0 || index >= Count()) throw EKvException("Index out of range");
  auto* item = static_cast<TKvTarItem*>(Items(index));
  std::string use = newName.empty() ? item->FileName() : newName;
  KvExtractToSafeFile(this, use, item->MTime, !(item->Mode & 0200),
                      [&](KvStream* out) { ExtractItemToStreamAt(index, out); });
}

void TKvTarArchive::TestItemAt(int index) {
  KvStream& s = tarStream();
  // An item passes when the whole archive parses: one scan answers for every item of a run.
  if (!run() || scanned_.run != run()) {
    int64_t pos = s.Position();
    scanned_.run = run();
    scanned_.ok = VerifyTarStream(s) != 0;
    scanned_.size = s.Size();
    s.Seek(pos, soBeginning);
  }
  bool ok = scanned_.ok;
  if (ok && index >= 0 && index < Count()) {
    auto* item = static_cast<TKvTarItem*>(Items(index));
    ok = item->DataPos >= 0 && item->DataPos + item->Size <= scanned_.size;
  }
  if (!ok) throw EKvException(kInvalidTar);
}

std::vector<int64_t> TKvTarArchive::writeTo(KvStream& out) {
  std::vector<int64_t> positions(size_t(Count()), -1);
  static const uint8_t zeros[1024] = {0};
  for (int i = 0; i < Count(); ++i) {
    auto* item = static_cast<TKvTarItem*>(Items(i));
    if (item->Action == iaDelete) continue;
    std::unique_ptr<KvFileStream> disk;
    KvStream* src = nullptr;
    int64_t size = item->Size;
    switch (item->Action) {
      case iaAdd: case iaFreshen: case iaReplace: {
        std::string path = item->DiskFileName.empty() ? diskFileNameOf(item) : item->DiskFileName;
        disk = std::make_unique<KvFileStream>(path, fmOpenRead);
        struct ::stat st;
        if (::fstat(disk->Handle(), &st) == 0) {
          item->Mode = st.st_mode & 07777;
          item->MTime = st.st_mtime;
        }
        size = disk->Size();
        src = disk.get();
        break;
      }
      case iaAddFromStream:
        if (!item->Source) throw EKvException("nil stream");
        src = item->Source;
        src->Seek(0, soBeginning);
        size = src->Size();
        break;
      default:
        src = &tarStream();
        src->Seek(item->DataPos, soBeginning);
        break;
    }
    KvTarWriteHeader(out, item->FileName(), size, item->Mode, item->MTime);
    positions[size_t(i)] = out.Position();
    if (size > 0) {
      // The copy goes through a buffer so that the source's position is ours alone.
      int64_t done = 0;
      std::vector<uint8_t> buf(65536);
      while (done < size) {
        int64_t want = std::min<int64_t>(int64_t(buf.size()), size - done);
        src->ReadBuffer(buf.data(), want);
        out.WriteBuffer(buf.data(), want);
        done += want;
      }
    }
    item->Size = size;
    int64_t pad = roundUp512(size) - size;
    if (pad) out.WriteBuffer(zeros, pad);
  }
  // Two zero blocks end the archive.
  out.WriteBuffer(zeros, 1024);
  return positions;
}

void TKvTarArchive::settle(const std::vector<int64_t>& positions) {
  for (int i = Count() - 1; i >= 0; --i) {
    auto* item = static_cast<TKvTarItem*>(Items(i));
    if (item->Action == iaDelete) {
      items_->Delete(i);
      continue;
    }
    item->DataPos = positions[size_t(i)];
    item->Action = iaNone;
    item->Source = nullptr;
  }
}

void TKvTarArchive::replaceFile(atomicfile::File& written) {
  stream_.reset();
  const bool replaced = written.Commit();
  reopenStream(ArchiveName(), mkNumberedFiles, fmOpenRead | fmShareDenyNone);
  if (!replaced) throw EKvFileCreateError(ArchiveName(), written.error());
}

void TKvTarArchive::SaveArchive() {
  scanned_ = Scanned();  // the file is about to change
  atomicfile::File file(ArchiveName(), atomicfile::kNamed);
  KvOpenReplacement(file);
  std::vector<int64_t> positions;
  {
    KvFileStream out(file.TempPath(), fmCreate);
    positions = writeTo(out);
  }
  replaceFile(file);
  settle(positions);
}

}  // namespace kv
