#pragma once
// Archive type detection and the components the program uses: the browser family
// that owns one open archive and the unzipper that extracts from it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "KvZip.h"

namespace kv {

enum TKvArchiveKind : uint8_t {
  akUnrecognized,
  akZip,
  akSpannedZip,
  akSelfExtractingZip,
  akTar,
  akGzip,
  akGzippedTar,
  akCab,
};

int VerifyTar(KvStream& stream);
int VerifyGzip(KvStream& stream);
int KvCheckCabinet(const std::string& fileName);
TKvArchiveKind DetectArchiveType(const std::string& fileName, TKvArchiveKind assumedKind);

class TKvMeterLink : public TKvBaseComponent {
 public:
  virtual void DoProgress(uint8_t progress) = 0;
  virtual void Reset() = 0;
};

class TKvBaseBrowser;
using TKvArchiveEvent = std::function<void(TKvBaseBrowser*)>;
using TKvArchiveProgressEvent = std::function<void(TKvBaseBrowser*, uint8_t, bool&)>;
using TKvArchiveItemProgressEvent = std::function<void(TKvBaseBrowser*, TKvArchiveItem*, uint8_t, bool&)>;
using TKvArchiveItemConfirmEvent = std::function<void(TKvBaseBrowser*, TKvArchiveItem*, TKvProcessType, bool&)>;
using TKvArchiveItemFailureEvent =
    std::function<void(TKvBaseBrowser*, TKvArchiveItem*, TKvProcessType, TKvErrorClass, int)>;
using TKvConfirmOverwriteEvent = std::function<void(std::string&, bool&)>;
using TKvNeedPasswordEvent = std::function<void(TKvBaseBrowser*, std::string&)>;
using TKvRequestDiskEvent = std::function<void(TKvBaseBrowser*, bool&)>;
using TKvRequestNthDiskEvent = std::function<void(TKvBaseBrowser*, uint8_t, bool&)>;
using TKvRequestImageEvent = std::function<void(TKvBaseBrowser*, int, std::string&, bool&)>;

class TKvBaseBrowser : public TKvBaseComponent {
 public:
  TKvBaseBrowser() = default;
  ~TKvBaseBrowser() override;

  virtual void ResetBothMeters();
  virtual void DoArchiveItemProgress(TKvArchiveItem* item, uint8_t progress, bool& abort);
  virtual void DoArchiveProgress(uint8_t progress, bool& abort);
  virtual void DoChange();
  virtual void DoConfirmProcessItem(TKvArchiveItem* item, TKvProcessType pt, bool& confirm);
  virtual void DoLoad();
  virtual void DoProcessItemFailure(TKvArchiveItem* item, TKvProcessType pt, TKvErrorClass ec, int code);
  virtual void SetOnRequestImage(TKvRequestImageEvent value);
  virtual void InitArchive();
  virtual void SetFileName(const std::string& value) = 0;
  void Loaded() { DoChange(); }
  void Notification(TKvMeterLink* component);  // the component goes away

  TKvArchive* Archive() const { return archive_.get(); }
  int Count() const { return archive_ ? archive_->Count() : 0; }
  const std::string& FileName() const { return fileName_; }
  const std::string& BaseDirectory() const { return baseDir_; }
  void SetBaseDirectory(const std::string& value);
  const std::string& LogFile() const { return logFile_; }
  void SetLogFile(const std::string& value);
  bool Logging() const { return logging_; }
  void SetLogging(bool value);
  const std::string& TempDirectory() const { return tempDir_; }
  void SetTempDirectory(const std::string& value);
  TKvArchiveKind ArchiveKind() const { return kind_; }

  int64_t SpanSizeLimit = 0;
  TKvMeterLink* ItemProgressMeter = nullptr;
  TKvMeterLink* ArchiveProgressMeter = nullptr;
  TKvArchiveProgressEvent OnArchiveProgress;
  TKvArchiveItemProgressEvent OnArchiveItemProgress;
  TKvArchiveEvent OnChange;
  TKvArchiveItemConfirmEvent OnConfirmProcessItem;
  TKvArchiveEvent OnLoad;
  TKvArchiveItemFailureEvent OnProcessItemFailure;
  bool UseStoredKind = false;

 protected:
  std::unique_ptr<TKvArchive> archive_;
  std::string baseDir_, fileName_, logFile_, tempDir_;
  bool logging_ = false;
  TKvRequestImageEvent onRequestImage_;
  TKvArchiveKind kind_ = akUnrecognized;
};

class TKvCustomZipBrowser : public TKvBaseBrowser {
 public:
  void SetFileName(const std::string& value) override;
  void InitArchive() override;
  TKvArchiveItem* GetItem(int index) const;
  TKvZipArchive* ZipArchive() const { return dynamic_cast<TKvZipArchive*>(archive_.get()); }
  const std::string& Password() const { return password_; }
  void SetPassword(const std::string& value);
  void SetOnRequestLastDisk(TKvRequestDiskEvent value);
  void SetOnRequestNthDisk(TKvRequestNthDiskEvent value);
  // Disk and part questions without a handler of their own (text, caption; true is OK);
  // KvAskThroughPrompter connects the program's prompter here.
  void SetOnPrompt(std::function<bool(const std::string&, const std::string&)> value);
  bool TarAutoHandle = false;
 protected:
  std::string password_;
  TKvRequestDiskEvent onRequestLastDisk_;
  TKvRequestNthDiskEvent onRequestNthDisk_;
  std::function<bool(const std::string&, const std::string&)> onPrompt_;
};

class TKvCustomUnZipper : public TKvCustomZipBrowser {
 public:
  TKvCustomUnZipper() = default;
  void InitArchive() override;
  virtual void DoConfirmOverwrite(std::string& name, bool& confirm);
  virtual void DoNeedPassword(std::string& newPassword);
  void ExtractFiles(const std::string& fileMask);
  void TestFiles(const std::string& fileMask);
  uint8_t ExtractOptions() const { return extractOptions_; }
  void SetExtractOptions(uint8_t value);
  uint8_t PasswordRetries() const { return retries_; }
  void SetPasswordRetries(uint8_t value);
  TKvConfirmOverwriteEvent OnConfirmOverwrite;
  TKvNeedPasswordEvent OnNeedPassword;
 protected:
  uint8_t extractOptions_ = eoCreateDirs;
  uint8_t retries_ = 3;
};

class TKvUnZipper : public TKvCustomUnZipper {};

}  // namespace kv
