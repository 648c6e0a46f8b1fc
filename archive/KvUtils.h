#pragma once
// Free routines the archive classes share: paths, wildcards, folders, drives, times, ratios, the lock.
#include <cstdint>
#include <mutex>
#include <functional>
#include <string>
#include <vector>

#include "AtomicFile.h"

namespace kv {

// Paths and names. '/' is the native separator; '\' is still understood.
std::string KvEnsureTrailingSlash(const std::string& path);
int KvNthSlashPos(const std::string& path, int n);
int KvPathKind(const std::string& path);  // 0 bare name, 1 relative, 2 absolute
void KvSplitFileSpec(const std::string& spec, std::string& drive, std::string& path, std::string& name);
void KvSplitPath(const std::string& path, std::vector<std::string>& list);
std::string KvDropParentPrefix(const std::string& path);
std::string KvWithoutDrive(const std::string& path);
void KvToStoredSlashes(std::string& s);
void KvToPathSlashes(std::string& s);
void KvSpanPartName(std::string& name, int n);
void KvShortPathOf(const std::string& longSpec, std::string& shortSpec);
std::string KvExtractFileName(const std::string& path);
std::string KvExtractFileDir(const std::string& path);
std::string KvUpper(const std::string& s);

// Folders and files.
bool KvIsDirectory(const std::string& path);
void KvMakeDirPath(const std::string& path);
void KvCollectFiles(const std::string& mask, int attributes, std::vector<std::string>& list, bool recurse);
std::string KvMakeTempName(const std::string& dir, bool createIt);
// Opens the file that replaces an archive (or a part) whole, beside it (AtomicFile.h says what
// it keeps); throws EKvFileCreateError when the target is refused (read-only, a folder) or its
// folder cannot take the file.
void KvOpenReplacement(atomicfile::File& file);
int64_t KvSizeOfFile(const std::string& path);
bool KvFileExists(const std::string& path);
enum : int { faReadOnly = 1, faHidden = 2, faSysFile = 4, faDirectory = 0x10, faArchive = 0x20 };
int KvReadAttributes(const std::string& path);  // -1 when missing
bool KvWriteAttributes(const std::string& path, int attributes);

// Drives and volumes.
char KvDriveLetterOf(const std::string& path);
bool KvIsRemovableDrive(const std::string& path);
// Replaces the removable-drive test (an empty function restores the system's); a test
// uses it to play a floppy drive in a plain folder.
void KvSetRemovableDriveQuery(std::function<bool(const std::string&)> query);
int64_t KvClusterFreeBytes(const std::string& path);
int64_t KvFreeBytesAt(const std::string& path);
int KvSetVolumeName(const std::string& label, const std::string& drive);
int KvLabelSpanVolume(const std::string& drive, int volumeNumber);

// Conversions. Date-times are day serials (day 0 = 1899-12-30).
double KvUnixSecondsToDateTime(int64_t seconds);
int64_t KvDateTimeToUnixSeconds(double dateTime);
int KvAttrToUnixMode(int attr);
int KvUnixModeToAttr(int mode);
int KvRatioPercent(int64_t part, int64_t whole);
void KvCrc32Update(uint32_t& crc, const void* buffer, size_t count);
// DOS date and time (local time) to and from Unix seconds; false for an invalid date.
bool KvDosToUnix(uint16_t date, uint16_t time, int64_t& seconds);
void KvUnixToDos(int64_t seconds, uint16_t& date, uint16_t& time);
uint16_t KvUnixToDosDate(int64_t seconds);
uint16_t KvUnixToDosTime(int64_t seconds);

// Wildcards, with the program's one matcher (platform/plain/Wildcard.h): upper-cased names
// against an upper-cased mask; the folder parts are compared when the mask has one.
bool KvNameFitsMask(const std::string& fileName, const std::string& mask);
// Case-sensitive; "*" matches the empty name too.
bool KvWildcardMatch(const std::string& source, size_t sourceIndex, const std::string& pattern, size_t patternIndex);

// The archive classes' lock; busy sections nest, so it is recursive.
class TKvPadLock {
 public:
  bool Held() const { return count_ > 0; }
  void SetHeld(bool value);
  int Count() const { return count_; }
 private:
  std::recursive_mutex mutex_;
  int count_ = 0;
};

}  // namespace kv
