#pragma once
// Replacing a file whole: the new content goes to a temporary file in the target's folder, which
// takes the target's name only when it is complete, so a failure never leaves half a file and
// the old file stays as it was. Plain C++ on POSIX calls, for the libraries without Qt (archive,
// px, raster); the Qt side's SaveFile and WriteFileAtomic (FileOps.h) are built on it.
//
// Every replacement
// - writes straight to the descriptor, so the write that meets an error (a full disk above all)
//   reports it;
// - refuses a target without any write bit, also for root, and one the caller may not write;
// - keeps the replaced file's permission bits (without set-user and set-group) and, where
//   allowed, its owner and group; a new file gets 0666 less the umask;
// - flushes a replaced file to the disk before the rename, so a crash cannot leave it empty;
// - follows a symbolic link: the file it names is replaced, the link stays;
// - removes its temporary file on every failure.
#include <cstddef>
#include <string>

namespace atomicfile {

// Why a write failed, in the terms a message to the user needs.
enum class Failure {
  None,
  NoSpace,     // the disk or the quota is full
  ReadOnly,    // the target has no write bit, or the file system is mounted read-only
  Denied,      // the caller may not write the target or its folder
  NoFolder,    // the folder does not exist, or a part of the path is no folder
  NotAFile,    // the name is a folder's or another entry's that is no plain file
  WriteError,  // any other error the system reported
};

Failure FailureOfErrno(int error);

enum Flags : unsigned {
  // The temporary file has a name (TempPath) from the start, for writers that open files by name
  // (and may replace the temporary file themselves). Without it a file is written without a name
  // where the file system allows, and linked in whole.
  kNamed = 1u,
  // A new file (nothing replaced) is linked in without flushing it first: for files that can be
  // made again (thumbnails, converted copies), written by the thousand.
  kNoSyncOfNewFile = 2u,
};

class File {
 public:
  explicit File(std::string target, unsigned flags = 0);
  ~File();  // what was not committed is removed
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Checks the target and makes the temporary file; false when either fails.
  bool Open();
  // Appends to the temporary file (not in the named form, whose writer writes by name).
  bool Write(const void* data, std::size_t size);
  // Gives the temporary file the target's permissions and name; false (and the temporary file
  // removed, the target unchanged) when anything fails or an earlier write failed.
  bool Commit();
  // Drops the temporary file.
  void Cancel();

  int Descriptor() const { return fd_; }
  const std::string& TempPath() const { return temp_; }
  // The file that is replaced: the target, or the file a link there names.
  const std::string& Target() const { return target_; }
  bool Failed() const { return failure_ != Failure::None; }
  Failure failure() const { return failure_; }
  int error() const { return error_; }  // the errno value behind failure()

 private:
  bool fail(Failure why, int error);
  bool finishFile(int fd, bool replacing);
  bool linkIn();

  std::string target_, dir_, temp_;
  unsigned flags_;
  int fd_ = -1;
  bool open_ = false, unnamed_ = false, committed_ = false;
  Failure failure_ = Failure::None;
  int error_ = 0;
};

// The whole-buffer form: writes data as the new content of target.
Failure Write(const std::string& target, const void* data, std::size_t size, unsigned flags = 0, int* error = nullptr);

// Moves a finished file over target with the same guarantees: renamed when both lie on one file
// system, else copied beside the target first. from is gone afterwards only on success.
Failure Move(const std::string& from, const std::string& target, int* error = nullptr);

}  // namespace atomicfile
