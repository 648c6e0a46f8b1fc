#pragma once
// The format-independent archive: items in a hashed list, state and busy sections,
// extraction by mask with per-item failure reports, add/move/freshen/replace
// bookkeeping, name rules, events and logging.
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "KvErrors.h"
#include "KvSpanStream.h"
#include "KvStream.h"
#include "KvUtils.h"

namespace kv {

enum TKvItemAction : uint8_t { iaUnset, iaNone, iaAdd, iaDelete, iaFreshen, iaMove, iaReplace, iaAddFromStream };
enum TKvArchiveState : uint8_t { stInvalid, stIdle, stBusy };
enum TKvProcessType { ptAdd, ptDelete, ptExtract, ptFreshen, ptMove, ptReplace, ptFoundUnhandled };
enum : uint8_t { eoCreateDirs = 1, eoRestorePath = 2 };  // TKvExtractOptions bits
enum : uint8_t {
  stoStripDrive = 1,
  stoStripPath = 2,
  stoRemoveDots = 4,
  stoRecurse = 8,
  stoFreshen = 16,
  stoReplace = 32,
};  // TKvNameOptions bits

// Upper case for name comparison: ASCII and the Latin-1 letters of UTF-8.
std::string KvUpperName(const std::string& s);

class TKvArchiveItem {
 public:
  virtual ~TKvArchiveItem() = default;
  TKvArchiveItem* Next = nullptr;
  TKvItemAction Action = iaNone;
  std::string DiskFileName;
  bool Tagged = false;

  virtual int64_t CompressedSize() const { return compressed_; }
  virtual uint32_t CRC32() const { return crc_; }
  virtual uint32_t ExternalFileAttributes() const { return attrs_; }
  virtual std::string FileName() const { return name_; }
  virtual bool IsEncrypted() const { return encrypted_; }
  virtual uint16_t LastModFileDate() const { return date_; }
  virtual uint16_t LastModFileTime() const { return time_; }
  virtual int64_t UncompressedSize() const { return uncompressed_; }
  virtual void SetCompressedSize(int64_t v) { compressed_ = v; }
  virtual void SetCRC32(uint32_t v) { crc_ = v; }
  virtual void SetExternalFileAttributes(uint32_t v) { attrs_ = v; }
  virtual void SetFileName(const std::string& v) { name_ = v; }
  virtual void SetIsEncrypted(bool v) { encrypted_ = v; }
  virtual void SetLastModFileDate(uint16_t v) { date_ = v; }
  virtual void SetLastModFileTime(uint16_t v) { time_ = v; }
  virtual void SetUncompressedSize(int64_t v) { uncompressed_ = v; }

  bool MatchesMask(const std::string& mask) const;
  bool MatchesMaskList(const std::string& maskList) const;
  // Unique in the process, also against an item later made at the same address.
  uint64_t Serial() const { return serial_.value; }

 protected:
  int64_t compressed_ = 0, uncompressed_ = 0;
  uint32_t crc_ = 0, attrs_ = 0;
  std::string name_;
  bool encrypted_ = false;
  uint16_t date_ = 0, time_ = 0;

 private:
  struct SerialNumber {
    uint64_t value;
    SerialNumber();
    SerialNumber(const SerialNumber&) : SerialNumber() {}
    SerialNumber& operator=(const SerialNumber&) { return *this; }
  };
  SerialNumber serial_;
};

class TKvArchiveList {
 public:
  static constexpr int kBuckets = 1021;
  TKvArchiveList() : heads_(kBuckets, nullptr) {}
  ~TKvArchiveList();
  int Add(TKvArchiveItem* item);
  void Delete(int index);
  int Find(const std::string& name) const;
  bool IsActiveDuplicate(const std::string& name) const;
  int Count() const { return int(items_.size()); }
  TKvArchiveItem* Items(int index) const { return items_[size_t(index)]; }
  int IndexOf(const TKvArchiveItem* item) const;
  // Gives a listed item a new name and moves it to that name's bucket.
  void Rename(TKvArchiveItem* item, const std::string& newName);
  void Clear();
  static int BucketOf(const std::string& name);
 private:
  void unlink(TKvArchiveItem* item);
  std::vector<TKvArchiveItem*> items_;
  std::vector<TKvArchiveItem*> heads_;
};

class TKvArchive {
 public:
  TKvArchive(const std::string& fileName, uint16_t mode);
  virtual ~TKvArchive();

  // Format operations.
  virtual TKvArchiveItem* CreateItem(const std::string& fileName) = 0;
  virtual void ExtractItemAt(int index, const std::string& newName) = 0;
  virtual void ExtractItemToStreamAt(int index, KvStream* stream) = 0;
  virtual void LoadArchive() = 0;
  virtual void SaveArchive() = 0;
  virtual void TestItemAt(int index) = 0;

  virtual void DoProcessItemFailure(TKvArchiveItem* item, TKvProcessType pt, TKvErrorClass ec, int code);
  virtual void DoMediaProgress(int progress, bool& abort);
  virtual void DoArchiveProgress(int progress, bool& abort);
  virtual void DoArchiveItemProgress(TKvArchiveItem* item, int progress, bool& abort);
  virtual void DoConfirmProcessItem(TKvArchiveItem* item, TKvProcessType pt, bool& confirm);
  virtual void DoConfirmWrite(bool& confirm);
  virtual void DoLoad();
  virtual void DoProgress(int progress, bool& abort);
  virtual void DoWritten();
  virtual std::string FixName(const std::string& value);
  virtual void DoMediaRequest(int imageNumber, std::string& imageName, bool& abort);
  // The engine's progress: raises EKvAbortProgress when asked to stop.
  void EngineProgress(int progress);
  // Files written by the extraction run under way (ExtractMatching): names stripped of
  // their folders can meet, and the second item must not replace the first one's file.
  bool TargetTakenInRun(const std::string& path) const { return runTargets_.count(path) != 0; }
  void NoteTargetInRun(const std::string& path) {
    if (inRun_) runTargets_.insert(path);
  }

  void Add(TKvArchiveItem* item);
  void Load();
  void Move(TKvArchiveItem* item, const std::string& newStoredPath);
  void Save();
  void ExtractAt(int index, const std::string& newName);
  void ExtractFiles(const std::string& fileMask) { ExtractMatching(fileMask, ""); }
  void ExtractMatching(const std::string& fileMask, const std::string& exclusionMask);
  void ExtractToStream(const std::string& fileName, KvStream* stream);
  void TestAt(int index);
  // Tests the items matching the mask, each failure reported; progress as in ExtractMatching.
  void TestFiles(const std::string& fileMask);
  // An item's operation failed: the exception is classified and reported to the owner.
  void ReportItemFailure(TKvArchiveItem* item, TKvProcessType pt, const std::exception& e);
  int FindItem(const TKvArchiveItem* item) const;
  void Freshen(TKvArchiveItem* item);
  void Replace(TKvArchiveItem* item);
  int Count() const { return items_ ? items_->Count() : 0; }
  TKvArchiveItem* Items(int index) const { return items_->Items(index); }
  TKvArchiveList& ItemList() { return *items_; }

  const std::string& BaseDirectory() const { return baseDir_; }
  void SetBaseDirectory(const std::string& value);
  const std::string& LogFile() const { return logFile_; }
  void SetLogFile(const std::string& value);
  bool Logging() const { return logging_; }
  void SetLogging(bool value);
  TKvArchiveState Status() const { return status_; }
  KvStream* Stream() { return stream_.get(); }
  TKvSpanStream* SpanStream();
  const std::string& ArchiveName() const { return archiveName_; }

  bool AutoSave = false;
  bool ResolveRelativeNames = false;
  uint8_t ExtractOptions = 0;
  bool IsDirty = false;
  int64_t SpanSizeLimit = 0;
  uint16_t Mode;
  bool Spanned = false;
  uint8_t NameOptions = 0;
  std::string TempDirectory;
  TKvArchiveItem* CurrentItem = nullptr;

  std::function<void(TKvArchive*, TKvArchiveItem*, TKvProcessType, TKvErrorClass, int)> OnProcessItemFailure;
  std::function<void(TKvArchive*, int, bool&)> OnArchiveProgress;
  std::function<void(TKvArchive*, int, bool&)> OnMediaProgress;
  std::function<void(TKvArchive*, TKvArchiveItem*, int, bool&)> OnArchiveItemProgress;
  std::function<void(TKvArchive*, TKvArchiveItem*, TKvProcessType, bool&)> OnConfirmProcessItem;
  std::function<void(std::string&, bool&)> OnConfirmOverwrite;
  std::function<void(TKvArchive*, bool&)> OnConfirmWrite;
  std::function<void(TKvArchive*)> OnLoad;
  std::function<void(TKvArchive*, int, std::string&, bool&)> OnRequestImage;
  std::function<void(TKvArchive*)> OnWritten;

 protected:
  // Busy section: checks the state, holds the lock, marks busy and back to idle.
  class Busy {
   public:
    explicit Busy(TKvArchive& a);
    ~Busy();
   private:
    TKvArchive& a_;
  };
  friend class Busy;
  void checkValid() const;
  // Extracts the picked items of a run (mask, exclusion mask) in one pass over the archive,
  // with the events one ExtractAt per item gives; false leaves the run to ExtractAt.
  virtual bool extractRunInOnePass(const std::string&, const std::string&) { return false; }
  // each(i) for every item of a run that matches the mask and not the exclusion mask, with the
  // run's progress after every item; a stop asked for there raises EKvUserAbort.
  void eachItemOfRun(const std::string& fileMask, const std::string& exclusionMask,
                     const std::function<void(int)>& each);
  // The run under way (ExtractMatching, TestFiles), 0 outside one: what reading the whole
  // archive told for one item holds for the other items of the same run.
  uint64_t run() const { return run_; }
  // An item as it is found again after a save, which removes the items marked for deletion
  // and may list the archive anew (a cabinet): the very item, else, unless it was marked for
  // deletion, the one of its name.
  struct ItemRef {
    uint64_t serial;
    std::string name;
    bool leaving;
  };
  static ItemRef refOf(const TKvArchiveItem* item);
  int indexOf(const ItemRef& ref, int hint) const;  // -1: gone
  // Saves a pending change of the item at index before work on it; answers the item and its
  // index after the save, nullptr when the save removed it.
  TKvArchiveItem* saveBefore(int& index);
  int savedIndexNamed(const std::string& name);
  // Freshen and Replace: the listed entry of `item`'s name (after a pending change of it is
  // saved) takes its disk file and the change; an item the list does not hold is freed.
  void changeNamed(TKvArchiveItem* item, const std::function<void(TKvArchiveItem*)>& change);
  // The failure of an item, also of one the save before its work removed.
  void reportFailure(const ItemRef& ref, int hint, TKvProcessType pt, const std::exception& e);
  // Runs the work on the item at index: its failure is reported as the item's, a stop asked
  // for in its progress ends the run.
  void workOnItem(int index, TKvProcessType pt, const std::function<void()>& work);
  void markConfirmed(TKvArchiveItem* target, TKvProcessType pt, TKvItemAction action);
  void logEntry(const std::string& name, int type);
  std::string diskFileNameOf(const TKvArchiveItem* item) const;
  void reopenStream(const std::string& name, int mediaKind, uint16_t mode);

  std::unique_ptr<KvStream> stream_;
  TKvArchiveState status_ = stInvalid;
  std::string archiveName_;
  std::string baseDir_;
  std::unique_ptr<TKvArchiveList> items_;
  std::string logFile_;
  bool logging_ = false;
  std::unique_ptr<KvFileStream> log_;
  TKvPadLock lock_;
  bool inRun_ = false;
  std::set<std::string> runTargets_;
  uint64_t run_ = 0, runs_ = 0;
  bool stopAsked_ = false;  // an item's progress asked to stop
};

// The program's folder: KALVORA_APPDIR when set, else the executable's folder.
std::string KvProgramFolder();

}  // namespace kv
