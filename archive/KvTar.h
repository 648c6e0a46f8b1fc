#pragma once
// TAR archives: 512-byte headers (GNU, ustar and pax long names read; GNU long names
// written), regular files listed, extracted, tested and written.
#include <cstdint>
#include <string>
#include <vector>

#include "AtomicFile.h"
#include "KvArchive.h"
#include "KvStream.h"

namespace kv {

// One entry as found in the stream, long names already joined.
struct KvTarEntry {
  std::string Name;
  char Type = '0';
  int64_t Size = 0;
  int64_t MTime = 0;
  uint32_t Mode = 0644;
  int64_t HeaderPos = 0;
  int64_t DataPos = 0;
  bool IsRegular() const { return Type == '0' || Type == 0 || Type == '7'; }
};

// Names of all entries of one listing together, at most: a small gzipped file can hold
// thousands of names of 64 KiB each (EKvTarNamesTooLong past it).
constexpr int64_t kKvTarMaxNameBytes = int64_t(32) << 20;

// Walks the entries of a TAR stream. An all-zero block or the end of the stream ends it;
// a damaged header, a size past the end or an unreadable number raises "Invalid Tar".
class KvTarScanner {
 public:
  explicit KvTarScanner(KvStream& s);
  bool Next(KvTarEntry& e);
  int64_t MaxNameBytes = kKvTarMaxNameBytes;
 private:
  KvStream& s_;
  int64_t pos_ = 0, size_, nameBytes_ = 0;
};

// Lists a TAR as its bytes pass (written to it in order, never read back), for a TAR
// that exists only as a stream: the same entries and errors as KvTarScanner.
class KvTarStreamLister : public KvStream {
 public:
  KvTarStreamLister();
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override;
  // soCurrent answers the bytes seen; a seek back to 0 starts the listing over.
  int64_t Seek(int64_t offset, int origin) override;
  // At the end of the stream: "Invalid Tar" when the last entry's data is cut short.
  void Finish();
  std::vector<KvTarEntry> Entries;
  // More entries than this are refused: a small gzipped file could list millions.
  size_t MaxEntries = size_t(1) << 18;
  int64_t MaxNameBytes = kKvTarMaxNameBytes;

 private:
  void header();
  int64_t pos_ = 0;
  uint8_t block_[512];
  int fill_ = 0;
  int64_t skip_ = 0, dataLeft_ = 0;  // bytes of the current entry still to pass, data among them
  int64_t nameBytes_ = 0;
  char special_ = 0;                 // 'L' or 'x' while such a record's data is collected
  std::string collected_, longName_, pax_;
  bool ended_ = false;
};

// Header helpers.
uint32_t KvTarChecksum(const uint8_t* block512);
// The GNU magic ("ustar  " or "GNUtar ", zero-terminated): such a block is a header
// even when its checksum is wrong.
bool KvTarKnownMagic(const uint8_t* block512);
// Octal as the format writes it: right-aligned with spaces, one space after the digits;
// values too large for octal go in base-256.
void KvTarPutNumber(uint8_t* field, int width, uint64_t value);
// Reads octal (leading spaces skipped) or base-256; false when the field is neither.
bool KvTarGetNumber(const uint8_t* field, int width, int64_t& value);
// Writes a header (with a GNU long-name record before it when the name does not fit).
void KvTarWriteHeader(KvStream& out, const std::string& name, int64_t size, uint32_t mode, int64_t mtime,
                      char type = '0');

class TKvTarItem : public TKvArchiveItem {
 public:
  TKvTarItem();
  int64_t CompressedSize() const override { return Size; }
  int64_t UncompressedSize() const override { return Size; }
  void SetCompressedSize(int64_t v) override { Size = v; }
  void SetUncompressedSize(int64_t v) override { Size = v; }
  uint32_t ExternalFileAttributes() const override { return Mode; }
  void SetExternalFileAttributes(uint32_t v) override { Mode = v; }
  bool IsEncrypted() const override { return false; }
  void SetIsEncrypted(bool) override {}
  uint16_t LastModFileDate() const override;
  uint16_t LastModFileTime() const override;
  void SetLastModFileDate(uint16_t v) override;
  void SetLastModFileTime(uint16_t v) override;

  int64_t Size = 0;
  uint32_t Mode = 0744;
  int64_t MTime = 0;
  int64_t DataPos = -1;       // in the archive stream, -1 for a new item
  KvStream* Source = nullptr;  // data of an iaAddFromStream item (not owned)
};

class TKvTarArchive : public TKvArchive {
 public:
  TKvTarArchive(const std::string& fileName, uint16_t mode);
  TKvArchiveItem* CreateItem(const std::string& fileName) override;
  void ExtractItemAt(int index, const std::string& newName) override;
  void ExtractItemToStreamAt(int index, KvStream* stream) override;
  void LoadArchive() override;
  void SaveArchive() override;
  void TestItemAt(int index) override;
  std::string FixName(const std::string& value) override;

 protected:
  // Loads the directory of a TAR stream into the current list.
  void loadFrom(KvStream& s);
  void loadEntries(const std::vector<KvTarEntry>& all);
  // Writes the whole archive as it will be to out; answers the new data positions.
  std::vector<int64_t> writeTo(KvStream& out);
  // After a save: deleted items go, the others take their new positions.
  void settle(const std::vector<int64_t>& newPositions);
  // Puts the finished new content in the archive file's place and reads the archive from it.
  void replaceFile(atomicfile::File& written);
  virtual KvStream& tarStream() { return *Stream(); }

 private:
  // What scanning the whole TAR told a test, kept for the run (run()) it was made in.
  struct Scanned {
    uint64_t run = 0;
    bool ok = false;
    int64_t size = 0;
  } scanned_;
};

// Answers whether the item's data in the archive is what its header promises (the whole archive parses).
int VerifyTarStream(KvStream& s);

}  // namespace kv
