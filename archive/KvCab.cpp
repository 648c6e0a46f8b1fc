#include "KvCab.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "KvExtractTarget.h"
#include "KvUtils.h"

namespace kv {

namespace {

// A private folder that goes away with everything in it.
struct PrivateDir {
  std::string path;
  explicit PrivateDir(const std::string& under) {
    std::string base = under.empty() ? std::string("/tmp") : under;
    std::string t = KvEnsureTrailingSlash(base) + "kvcabXXXXXX";
    if (!::mkdtemp(t.data())) throw EKvFileCreateError(t, errno);
    path = t;
  }
  ~PrivateDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

}  // namespace

TKvCabArchive::TKvCabArchive(const std::string& fileName, uint16_t mode)
    : TKvArchive(fileName, mode) {}

KvCabBackend& TKvCabArchive::backend() {
  KvCabBackend* b = KvCabinetBackend();
  if (!b) throw EKvNoCabinetDll();
  return *b;
}

std::string TKvCabArchive::FixName(const std::string& value) {
  std::string v = TKvArchive::FixName(value);
  for (char& c : v)
    if (c == '/') c = '\\';
  return v;
}

TKvArchiveItem* TKvCabArchive::CreateItem(const std::string& fileName) {
  auto* item = new TKvCabItem();
  std::string full = fileName;
  if (!full.empty() && full[0] != '/' && !BaseDirectory().empty()) full = KvEnsureTrailingSlash(BaseDirectory()) + full;
  item->DiskFileName = full;
  item->SetFileName(FixName(fileName));
  return item;
}

void TKvCabArchive::LoadArchive() {
  KvCabBackend& b = backend();
  while (Count() > 0) items_->Delete(Count() - 1);
  if (Stream()->Size() == 0) {
    IsDirty = false;
    return;
  }
  std::vector<KvCabEntry> entries = b.List(ArchiveName());
  int i = 0;
  for (const auto& e : entries) {
    auto* item = new TKvCabItem();
    item->SetFileName(e.Name);
    item->DiskFileName = e.Name;
    item->SetUncompressedSize(e.Size);
    item->SetCompressedSize(0);
    item->SetExternalFileAttributes(e.Attributes);
    item->MTime = e.MTime;
    if (e.MTime >= 0) {
      uint16_t d, t;
      KvUnixToDos(e.MTime, d, t);
      item->SetLastModFileDate(d);
      item->SetLastModFileTime(t);
    }
    item->Index = i++;
    items_->Add(item);
  }
  bool abort = false;
  DoArchiveProgress(100, abort);
  IsDirty = false;
}

void TKvCabArchive::ExtractItemToStreamAt(int index, KvStream* stream) {
  if (index < 0 || index >= Count()) throw EKvException("Index out of range");
  auto* item = static_cast<TKvCabItem*>(Items(index));
  KvCabBackend& b = backend();
  PrivateDir dir(TempDirectory);
  // The entry passes through the temporary folder whole: refused before a byte is written
  // when its declared size does not fit there.
  int64_t room = KvClusterFreeBytes(dir.path);
  if (room >= 0 && item->UncompressedSize() > room) throw EKvNoDiskSpace();
  std::string file = dir.path + "/entry.bin";
  b.ExtractOne(ArchiveName(), item->Index, file);
  KvFileStream in(file, fmOpenRead);
  if (in.Size() != item->UncompressedSize()) throw EKvFDICopyError();
  stream->CopyFrom(in, 0);
}

void TKvCabArchive::ExtractItemAt(int index, const std::string& newName) {
  if (index < 0 || index >= Count()) throw EKvException("Index out of range");
  auto* item = static_cast<TKvCabItem*>(Items(index));
  std::string use = newName.empty() ? item->FileName() : newName;
  int64_t room = KvFreeBytesBelow(BaseDirectory());
  if (room >= 0 && item->UncompressedSize() > room) throw EKvNoDiskSpace();
  KvExtractToSafeFile(this, use, item->MTime, item->ExternalFileAttributes() & faReadOnly,
                      [&](KvStream* out) { ExtractItemToStreamAt(index, out); });
}

void TKvCabArchive::TestItemAt(int index) {
  // Everything is read and counted, nothing kept.
  struct Sink : KvStream {
    int64_t n = 0;
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t c) override { return n += c, c; }
    int64_t Seek(int64_t, int) override { return n; }
  } sink;
  ExtractItemToStreamAt(index, &sink);
}

void TKvCabArchive::SaveArchive() {
  KvCabBackend& b = backend();
  // The library writes single cabinets only.
  if (SpanSizeLimit > 0) throw EKvSpanningNotSupported();
  PrivateDir dir(TempDirectory);
  std::vector<KvCabInput> inputs;
  int n = 0;
  for (int i = 0; i < Count(); ++i) {
    auto* item = static_cast<TKvCabItem*>(Items(i));
    if (item->Action == iaDelete) continue;
    KvCabInput in;
    in.StoredName = item->FileName();
    in.MTime = item->MTime;
    switch (item->Action) {
      case iaAdd: case iaFreshen: case iaReplace: {
        in.DiskFile = item->DiskFileName;
        struct ::stat st;
        if (::stat(in.DiskFile.c_str(), &st) != 0) throw EKvFileNotFound();
        in.MTime = st.st_mtime;
        break;
      }
      default: {
        // Kept and stream items go through files of our own.
        in.DiskFile = dir.path + "/" + std::to_string(n++);
        KvFileStream out(in.DiskFile, fmCreate);
        if (item->Action == iaAddFromStream) {
          if (!item->Source) throw EKvException("nil stream");
          item->Source->Seek(0, soBeginning);
          out.CopyFrom(*item->Source, 0);
        } else {
          ExtractItemToStreamAt(i, &out);
        }
        break;
      }
    }
    inputs.push_back(in);
  }
  // Written beside the old cabinet and renamed over it: a failure leaves the old one whole.
  atomicfile::File file(ArchiveName(), atomicfile::kNamed);
  if (!file.Open()) throw EKvFCIFileOpenError();
  b.Write(file.TempPath(), inputs, CompressionType);
  stream_.reset();
  const bool moved = file.Commit();
  reopenStream(ArchiveName(), mkNumberedFiles, fmOpenRead | fmShareDenyNone);
  if (!moved) throw EKvFCIFileWriteError();
  LoadArchive();
}

}  // namespace kv
