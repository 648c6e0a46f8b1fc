#pragma once
// ZIP archives: header records, items, finding the end record, loading the central
// directory (plain, self-extracting and spanned), and the disk and image requests.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "KvArchive.h"

namespace kv {

enum : uint32_t {
  kSigLocal = 0x04034B50,
  kSigCentral = 0x02014B50,
  kSigEnd = 0x06054B50,
  kSigSpan = 0x08074B50,
  kSigSpanSingle = 0x30304B50,
};

struct TKvZipLocalFileHeader {
  uint32_t Signature = kSigLocal;
  uint16_t VersionNeededToExtract = 0, GeneralPurposeBitFlag = 0, CompressionMethod = 0;
  uint16_t LastModFileTime = 0, LastModFileDate = 0;
  uint32_t CRC32 = 0, CompressedSize = 0, UncompressedSize = 0;
  std::string FileName, ExtraField;  // as stored
  void LoadFromStream(KvStream& s);
  int64_t Size() const { return 30 + int64_t(FileName.size() + ExtraField.size()); }
};

struct TKvZipDirectoryFileHeader {
  uint32_t Signature = kSigCentral;
  uint16_t VersionMadeBy = 20, VersionNeededToExtract = 20, GeneralPurposeBitFlag = 0, CompressionMethod = 8;
  uint16_t LastModFileTime = 0, LastModFileDate = 0;
  uint32_t CRC32 = 0, CompressedSize = 0, UncompressedSize = 0;
  uint16_t DiskNumberStart = 0, InternalFileAttributes = 0;
  uint32_t ExternalFileAttributes = 0, RelativeOffsetOfLocalHeader = 0;
  std::string FileName, ExtraField, FileComment;  // as stored
  // Parses one header from p (at most avail bytes); answers its size, 0 when cut short.
  size_t Parse(const uint8_t* p, size_t avail);
};

struct TKvZipDirectoryFileFooter {
  uint32_t Signature = kSigEnd;
  uint16_t DiskNumber = 0, StartDiskNumber = 0, EntriesOnDisk = 0, TotalEntries = 0;
  uint32_t DirectorySize = 0, DirectoryOffset = 0;
  std::string ZipfileComment;
  void LoadFromStream(KvStream& s);
};

// Stored names: UTF-8 with flag bit 11, else code page 437.
std::string KvCp437ToUtf8(const std::string& s);

class TKvZipItem : public TKvArchiveItem {
 public:
  TKvZipDirectoryFileHeader Dir;
  int64_t CompressedSize() const override { return Dir.CompressedSize; }
  uint32_t CRC32() const override { return Dir.CRC32; }
  uint32_t ExternalFileAttributes() const override { return Dir.ExternalFileAttributes; }
  std::string FileName() const override { return name_; }
  bool IsEncrypted() const override { return Dir.GeneralPurposeBitFlag & 1; }
  uint16_t LastModFileDate() const override { return Dir.LastModFileDate; }
  uint16_t LastModFileTime() const override { return Dir.LastModFileTime; }
  int64_t UncompressedSize() const override { return Dir.UncompressedSize; }
  void SetCompressedSize(int64_t v) override { Dir.CompressedSize = uint32_t(v); }
  void SetCRC32(uint32_t v) override { Dir.CRC32 = v; }
  void SetExternalFileAttributes(uint32_t v) override { Dir.ExternalFileAttributes = v; }
  void SetFileName(const std::string& v) override;
  void SetLastModFileDate(uint16_t v) override { Dir.LastModFileDate = v; }
  void SetLastModFileTime(uint16_t v) override { Dir.LastModFileTime = v; }
  void SetUncompressedSize(int64_t v) override { Dir.UncompressedSize = uint32_t(v); }
  uint8_t CompressionMethod() const { return uint8_t(Dir.CompressionMethod); }
  void SetCompressionMethod(uint16_t v) { Dir.CompressionMethod = v & 0x7F; }
  uint16_t GeneralPurposeBitFlag() const { return Dir.GeneralPurposeBitFlag; }
  uint16_t DiskNumberStart() const { return Dir.DiskNumberStart; }
  uint32_t RelativeOffset() const { return Dir.RelativeOffsetOfLocalHeader; }
  uint16_t VersionNeededToExtract() const { return Dir.VersionNeededToExtract; }
  int ImplodeDictionary() const { return Dir.CompressionMethod == 6 ? ((Dir.GeneralPurposeBitFlag & 2) ? 2 : 1) : 0; }
  int ImplodeTrees() const { return Dir.CompressionMethod == 6 ? ((Dir.GeneralPurposeBitFlag & 4) ? 3 : 2) : 0; }
  void DecodeName();
  KvStream* SourceStream = nullptr;  // data of an iaAddFromStream item (not owned)
};

class TKvZipArchive;
using TKvExtractToFileProc = std::function<void(TKvZipArchive*, TKvZipItem*, const std::string&)>;
using TKvExtractToStreamProc = std::function<void(TKvZipArchive*, TKvZipItem*, KvStream*)>;
using TKvTestProc = std::function<void(TKvZipArchive*, TKvZipItem*)>;

class TKvZipArchive : public TKvArchive {
 public:
  TKvZipArchive(const std::string& fileName, uint16_t mode);

  TKvArchiveItem* CreateItem(const std::string& fileName) override;
  void ExtractItemAt(int index, const std::string& newName) override;
  void ExtractItemToStreamAt(int index, KvStream* stream) override;
  void LoadArchive() override;
  void SaveArchive() override;
  void TestItemAt(int index) override;
  std::string FixName(const std::string& value) override;
  void DoMediaRequest(int imageNumber, std::string& imageName, bool& abort) override;
  virtual void DoRequestLastDisk(bool& abort);
  virtual void DoRequestNthDisk(int diskNumber, bool& abort);
  virtual void DoRequestEmptyDisk(bool& abort);

  TKvZipItem* ZipItem(int index) const { return static_cast<TKvZipItem*>(Items(index)); }
  // Opens the part that holds disk number n of a spanned set.
  void SwitchToDisk(int n);
  // The data of an item must not reach another item's header or the directory.
  int64_t DataLimitFor(const TKvZipItem* item) const;

  std::string Password;
  uint8_t PasswordRetries = 3;
  // Writing: 0 stored, 1 Deflate, 2 the smaller of both, 3 Deflate64; speed 0 fast, 1 normal, 2 best.
  uint8_t MethodChoice = 2;
  uint8_t DeflationOption = 1;
  // A stub (such as an unzip program) to put in front on the next save; empty keeps the old one.
  std::vector<uint8_t> NewStub;
  uint16_t CurrentDisk = 65535;
  bool HasStub = false;
  int64_t StubLength = 0;
  bool OnRemovableDrive = false;
  bool NumberedParts = false;
  TKvZipDirectoryFileFooter EndRecord;
  int64_t EndRecordPosition = -1;

  TKvExtractToFileProc ExtractToFileProc;
  TKvExtractToStreamProc ExtractToStreamProc;
  TKvTestProc TestProc;
  std::function<void(std::string&)> OnNeedPassword;
  std::function<void(bool&)> OnRequestLastDisk;
  std::function<void(int, bool&)> OnRequestNthDisk;
  std::function<void(bool&)> OnRequestEmptyDisk;
  // Asks the user (text, caption); true for OK. Without it a request is cancelled.
  std::function<bool(const std::string&, const std::string&)> OnPrompt;

 private:
  friend class KvZipWriter;
  void getNextDisk(int diskNumber, bool& abort);
  std::string partName(int n) const;
  std::vector<std::pair<uint16_t, uint32_t>> offsets_;  // (disk, local header offset), sorted
};

int VerifyZip(KvStream& stream);
int VerifySelfExtracting(KvStream& stream);
int64_t FindEndRecord(KvStream& stream);

}  // namespace kv
