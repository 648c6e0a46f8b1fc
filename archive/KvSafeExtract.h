#pragma once
// The one way every extractor writes below its target folder: stored names are made
// safe or refused, folders are walked without following links, and a file appears
// under its name only when it is complete.
#include <cstdint>
#include <string>
#include <vector>

#include "KvStream.h"

namespace kv {

struct KvSafeName {
  std::vector<std::string> folders;  // below the base folder
  std::string file;                  // empty for a folder entry
  bool IsFolder() const { return file.empty(); }
  std::string Relative() const;      // with '/'
};

// '\' counts as '/'; drive, UNC prefix, leading '/', "." and empty parts go; a ".."
// part refuses the name (EKvUnsafeName). Without restorePath only the name part stays.
KvSafeName KvSanitizeStoredName(const std::string& stored, bool restorePath);

// Writes one file below base: the folders are opened with O_NOFOLLOW (created with
// createDirs, else EKvNoSuchDirectory), the data goes to a temporary file that
// Commit renames over the target; destroyed uncommitted, it leaves nothing behind.
class KvSafeFileWriter : public KvStream {
 public:
  KvSafeFileWriter(const std::string& baseDir, const KvSafeName& name, bool createDirs);
  ~KvSafeFileWriter() override;
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  // Sets time (Unix seconds, -1 leaves it) and read-only, then renames into place.
  void Commit(int64_t mtime, bool readOnly);
  std::string FullName() const { return full_; }
 private:
  int dirFd_ = -1, fd_ = -1;
  std::string tmp_, final_, full_;
  bool done_ = false;
};

// Makes the folders of a folder entry below base, never through a link.
void KvSafeMakeFolders(const std::string& baseDir, const std::vector<std::string>& folders);
// Whether the target exists (as anything, links included) below base.
bool KvSafeTargetExists(const std::string& baseDir, const KvSafeName& name);
// Whether the target is an existing file the user may not write: renaming over it
// would replace it all the same, so it is left alone.
bool KvSafeTargetIsReadOnly(const std::string& baseDir, const KvSafeName& name);

}  // namespace kv
