#pragma once
// One logical archive over several parts: removable disks with one file name, or
// numbered files (name.z01, name.z02, ...). A plain archive reads straight through.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "KvStream.h"

namespace kv {

enum : int { mkRemovableDisks = 0, mkNumberedFiles = 1 };

class TKvSpanStream : public KvStream {
 public:
  TKvSpanStream(const std::string& fileName, int64_t partSizeLimit, int mediaKind, uint16_t mode);
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;

  bool NextPart();
  void OpenFirstPart();
  // Opens another part for reading in place of the current one.
  void OpenPart(const std::string& name, int partNumber);

  std::function<void(int imageNumber, std::string& imageName, bool& abort)> OnRequestImage;
  std::function<void(int percent, bool& abort)> OnProgress;

  bool PassThrough = false;
  // Parts switch only in a spanned set; a plain archive ends where its file ends.
  bool Spanned = false;
  bool IgnoreMediaRequests = false;
  bool SwitchedWhileReading = false;
  int MediaKind() const { return kind_; }
  int Mode() const { return mode_; }
  int PartNumber() const { return part_; }
  const std::string& FileName() const { return name_; }
  int64_t ExpectedTotal = 0;
  bool Cancelled = false;

 private:
  bool mediumOk(const std::string& name);
  int64_t bytesLeft();
  int imageNumberFor(int part) const { return kind_ == mkRemovableDisks ? part + 1 : part; }
  std::string numberedName(int n) const;
  bool requestImage(int number, std::string& name);
  void openCurrent(uint16_t mode);

  int mode_;  // 0 reading, 1 writing
  int kind_;
  int64_t limit_;
  int part_ = 0;
  std::string name_, baseName_;
  int64_t writtenInPart_ = 0;
  int64_t free_ = 0;
  std::unique_ptr<KvFileStream> file_;
  uint16_t openMode_;
  int64_t writtenTotal_ = 0;
};

}  // namespace kv
