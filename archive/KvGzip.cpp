#include "KvGzip.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

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

int64_t KvGunzip(KvStream& src, KvStream* out) {
  src.Seek(0, soBeginning);
  int64_t size = src.Size(), total = 0;
  bool first = true;
  bool bucket = dynamic_cast<TKvBitBucketStream*>(out) != nullptr;
  for (;;) {
    int64_t start = src.Position();
    if (!first) {
      // Another member, or the end (gzip ignores what follows the last one).
      uint8_t m[2];
      if (size - start < 18 || src.Read(m, 2) != 2 || m[0] != 31 || m[1] != 139) break;
      src.Seek(start, soBeginning);
    }
    TKvGzipItem h;
    h.ReadHeader(src);
    TKvDeflateHelper hlp;
    if (bucket) hlp.SetOptions(hlp.Options() | dfoTestOnly);
    uint32_t crc = Inflate(&src, out, &hlp);
    uint8_t t[8];
    if (src.Read(t, 8) != 8) throw EKvGzipBadFileSize();
    if (get32(t) != crc) throw EKvGzipBadCRC();
    if (get32(t + 4) != uint32_t(hlp.PlainSize)) throw EKvGzipBadFileSize();
    total += hlp.PlainSize;
    first = false;
  }
  return total;
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

void TKvGzipArchive::LoadArchive() {
  if (tarMode()) {
    setView(1);
    if (!tarLoaded_) {
      stream_->SetSize(0);
      stream_->Seek(0, soBeginning);
      // The whole TAR passes through here: the largest cache lets the swap take long runs.
      if (auto* vm = dynamic_cast<TKvVirtualMemoryStream*>(stream_.get())) vm->SetCacheBytes(1 << 20);
      // A new, empty file holds an empty TAR.
      if (other_->Size() > 0) KvGunzip(*other_, stream_.get());
      tarLoaded_ = true;
    }
    TKvTarArchive::LoadArchive();
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

void TKvGzipArchive::ExtractItemToStreamAt(int index, KvStream* stream) {
  if (tarMode()) {
    setView(1);
    TKvTarArchive::ExtractItemToStreamAt(index, stream);
    return;
  }
  if (index != 0 || Count() < 1) throw EKvException("Index out of range");
  KvGunzip(gzipStream(), stream);
}

void TKvGzipArchive::ExtractItemAt(int index, const std::string& newName) {
  if (tarMode()) {
    setView(1);
    TKvTarArchive::ExtractItemAt(index, newName);
    return;
  }
  if (index != 0 || Count() < 1) throw EKvException("Index out of range");
  auto* item = static_cast<TKvGzipItem*>(Items(0));
  // Only the base name of a stored name counts: "../x" becomes "x".
  std::string use = baseName(newName.empty() ? item->FileName() : newName);
  KvExtractToSafeFile(this, use, item->MTime ? int64_t(item->MTime) : -1, false,
                      [&](KvStream* out) { ExtractItemToStreamAt(0, out); });
}

void TKvGzipArchive::TestItemAt(int index) {
  if (tarMode()) {
    setView(1);
    TKvTarArchive::TestItemAt(index);
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

void TKvGzipArchive::SaveArchive() {
  std::string dir = KvExtractFileDir(ArchiveName());
  std::string tmp = KvMakeTempName(dir, true);
  if (tarMode()) {
    setView(1);
    auto tar = std::make_unique<TKvVirtualMemoryStream>();
    tar->SwapFolder = TempDirectory;
    std::vector<int64_t> positions;
    try {
      positions = writeTo(*tar);
      tar->Seek(0, soBeginning);
      KvFileStream out(tmp, fmCreate);
      TKvGzipItem hdr;
      hdr.MTime = uint32_t(std::time(nullptr));
      KvGzipWrite(out, hdr, *tar);
    } catch (...) {
      ::unlink(tmp.c_str());
      throw;
    }
    setView(0);
    replaceFile(tmp);
    setView(1);
    stream_ = std::move(tar);
    settle(positions);
    return;
  }
  setView(0);
  TKvGzipItem* keep = nullptr;
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Action != iaDelete) {
      keep = static_cast<TKvGzipItem*>(Items(i));
      break;
    }
  try {
    KvFileStream out(tmp, fmCreate);
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
          KvGunzip(*stream_, plain.get());
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
  } catch (...) {
    ::unlink(tmp.c_str());
    throw;
  }
  replaceFile(tmp);
  for (int i = Count() - 1; i >= 0; --i) {
    if (Items(i) != keep) items_->Delete(i);
  }
  if (keep) {
    keep->Action = iaNone;
    keep->Source = nullptr;
  }
}

}  // namespace kv
