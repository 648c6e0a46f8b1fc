#pragma once
// GZIP files: members read one after the other (their data joined into one item, as
// gzip does), written as one member; a gzipped TAR can be shown as the TAR inside.
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "KvDeflateBase.h"
#include "KvTar.h"

namespace kv {

enum : uint8_t { gzFText = 1, gzFHCrc = 2, gzFExtra = 4, gzFName = 8, gzFComment = 16 };

class TKvGzipItem : public TKvArchiveItem {
 public:
  TKvGzipItem();
  uint32_t ExternalFileAttributes() const override { return 0; }
  void SetExternalFileAttributes(uint32_t) override {}
  bool IsEncrypted() const override { return false; }
  void SetIsEncrypted(bool) override {}
  uint16_t LastModFileDate() const override;
  uint16_t LastModFileTime() const override;
  void SetLastModFileDate(uint16_t v) override;
  void SetLastModFileTime(uint16_t v) override;
  void SetFileName(const std::string& v) override;

  // Reads a member header at the stream's position (names and comments are bounded);
  // raises EKvGzipInvalid for anything that is not one.
  void ReadHeader(KvStream& s);
  void WriteHeader(KvStream& s) const;

  uint8_t Flags = 0;
  uint32_t MTime = 0;
  uint8_t ExtraFlags = 2;
  uint8_t OS = 0;
  std::string Extra, Comment;
  bool WriteHeaderCRC = false;
  KvStream* Source = nullptr;  // data of an iaAddFromStream item (not owned)
};

// Decompresses every member from offset 0 of src into out, checking each trailer
// (EKvGzipBadCRC, EKvGzipBadFileSize); answers the number of plain bytes. A member stops
// with EKvGzipBadFileSize as soon as its output passes what its trailer declares (or
// what its compressed size could produce), before more is written.
int64_t KvGunzip(KvStream& src, KvStream* out);

// Passes writes on to out until they would take more than budget bytes (-1: no
// limit), then raises EKvNoDiskSpace; seeks are relative to out's start position.
class KvBudgetStream : public KvStream {
 public:
  KvBudgetStream(KvStream& out, int64_t budget);
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
 private:
  KvStream& out_;
  int64_t budget_, start_ = 0;
};

// Free bytes in a folder (the temporary folder for an empty or missing one); -1 unknown.
int64_t KvFreeBytesFor(const std::string& folder);
// Writes one member: header, Deflate of data (from its position to the end), trailer.
void KvGzipWrite(KvStream& out, TKvGzipItem& item, KvStream& data, TKvDeflateHelper* helper = nullptr);

class TKvGzipArchive : public TKvTarArchive {
 public:
  TKvGzipArchive(const std::string& fileName, uint16_t mode);
  TKvArchiveItem* CreateItem(const std::string& fileName) override;
  void ExtractItemAt(int index, const std::string& newName) override;
  void ExtractItemToStreamAt(int index, KvStream* stream) override;
  void LoadArchive() override;
  void SaveArchive() override;
  void TestItemAt(int index) override;
  std::string FixName(const std::string& value) override;
  void DoMediaRequest(int imageNumber, std::string& imageName, bool& abort) override;

  bool IsGzippedTar = false;
  bool PresentAsTar() const { return presentAsTar_; }
  void SetPresentAsTar(bool v);
  bool TarView() const { return view_ == 1; }

 protected:
  bool extractRunInOnePass(const std::string& fileMask, const std::string& exclusionMask) override;

 private:
  class OnePass;
  bool tarMode() const { return IsGzippedTar && presentAsTar_; }
  void setView(int v);
  KvStream& gzipStream() { return view_ == 0 ? *stream_ : *other_; }
  // Bytes a save of the TAR view puts in the swap for the new TAR.
  int64_t newTarBytes();
  // Whether a save of the TAR view copies entries of the old TAR.
  bool keepsOldData();
  // Keeps a small TAR whole in the TAR view's stream.
  void keepSmallTar();
  // Inflates the whole TAR for a test: its error, or its size.
  void checkTar();
  bool presentAsTar_ = false, tarLoaded_ = false, tarKept_ = false;
  // What inflating the whole TAR told, kept for the run (run()) it was found in: a test's
  // answer (the error, or the TAR's size), and a failure to keep a small TAR whole.
  struct Inflated {
    uint64_t run = 0;
    std::exception_ptr error;
    int64_t bytes = 0;
  };
  Inflated tested_, keepFailed_;
  std::vector<KvTarEntry> tarEntries_;
  int64_t tarBytes_ = 0;
  int view_ = 0;
  std::unique_ptr<KvStream> other_;
  std::unique_ptr<TKvArchiveList> otherItems_;
};

}  // namespace kv
