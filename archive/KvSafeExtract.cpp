#include "KvSafeExtract.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "KvErrors.h"
#include "KvUtils.h"

namespace kv {

std::string KvSafeName::Relative() const {
  std::string r;
  for (const std::string& f : folders) r += f + "/";
  return r + file;
}

KvSafeName KvSanitizeStoredName(const std::string& stored, bool restorePath) {
  std::string s = stored;
  KvToStoredSlashes(s);
  if (s.find('\0') != std::string::npos) throw EKvUnsafeName();
  bool folder = !s.empty() && s.back() == '/';
  if (s.rfind("//", 0) == 0) {
    // UNC: //server/share/...
    size_t a = s.find('/', 2);
    size_t b = a == std::string::npos ? std::string::npos : s.find('/', a + 1);
    s = b == std::string::npos ? std::string() : s.substr(b + 1);
  } else if (s.size() >= 2 && s[1] == ':' && std::isalpha(static_cast<unsigned char>(s[0]))) {
    s = s.substr(2);
  }
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i)
    if (i == s.size() || s[i] == '/') {
      std::string p = s.substr(start, i - start);
      start = i + 1;
      if (p.empty() || p == ".") continue;
      if (p == "..") throw EKvUnsafeName();
      parts.push_back(p);
    }
  KvSafeName r;
  if (parts.empty()) {
    if (folder || stored.empty()) return r;  // nothing to make
    throw EKvUnsafeName();
  }
  if (folder) {
    if (restorePath) r.folders = parts;
    return r;
  }
  r.file = parts.back();
  parts.pop_back();
  if (restorePath) r.folders = parts;
  return r;
}

namespace {

int openBase(const std::string& baseDir) {
  std::string b = baseDir.empty() ? "." : baseDir;
  int fd = ::open(b.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw EKvNoSuchDirectory();
  return fd;
}

// Walks the folders from base; answers the innermost folder's descriptor.
int walk(const std::string& baseDir, const std::vector<std::string>& folders, bool create) {
  int fd = openBase(baseDir);
  for (const std::string& f : folders) {
    int next = ::openat(fd, f.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0 && errno == ENOENT && create) {
      if (::mkdirat(fd, f.c_str(), 0777) != 0 && errno != EEXIST) {
        int e = errno;
        ::close(fd);
        throw std::system_error(e, std::generic_category(), "Cannot create folder " + f);
      }
      next = ::openat(fd, f.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    int e = errno;
    ::close(fd);
    if (next < 0) {
      if (e == ENOENT) throw EKvNoSuchDirectory();
      // A link or a file where a folder belongs.
      throw EKvUnsafeName();
    }
    fd = next;
  }
  return fd;
}

// `look` at the target from inside its folder, reached without following links; false when
// that folder cannot be reached.
template <class Look>
bool lookAtTarget(const std::string& baseDir, const KvSafeName& name, Look look) {
  int fd;
  try {
    fd = walk(baseDir, name.folders, false);
  } catch (...) {
    return false;
  }
  const bool answer = look(fd, name.file.c_str());
  ::close(fd);
  return answer;
}

}  // namespace

void KvSafeMakeFolders(const std::string& baseDir, const std::vector<std::string>& folders) {
  ::close(walk(baseDir, folders, true));
}

bool KvSafeTargetExists(const std::string& baseDir, const KvSafeName& name) {
  return lookAtTarget(baseDir, name, [](int dirFd, const char* file) {
    struct stat st;
    return ::fstatat(dirFd, file, &st, AT_SYMLINK_NOFOLLOW) == 0;
  });
}

bool KvSafeTargetIsReadOnly(const std::string& baseDir, const KvSafeName& name) {
  return lookAtTarget(baseDir, name, [](int dirFd, const char* file) {
    struct stat st;
    if (::fstatat(dirFd, file, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) return false;
    // Root may write any file, so the access check alone would let it replace one that
    // carries no write bit at all.
    if ((st.st_mode & 0222) == 0) return true;
    return ::faccessat(dirFd, file, W_OK, AT_EACCESS) != 0 && (errno == EACCES || errno == EROFS);
  });
}

KvSafeFileWriter::KvSafeFileWriter(const std::string& baseDir, const KvSafeName& name, bool createDirs)
    : final_(name.file) {
  full_ = KvEnsureTrailingSlash(baseDir) + name.Relative();
  dirFd_ = walk(baseDir, name.folders, createDirs);
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    uint32_t r = 0;
    if (::getrandom(&r, sizeof r, 0) != sizeof r) r = uint32_t(attempt * 7919 + ::getpid());
    char n[40];
    std::snprintf(n, sizeof n, ".kvx%08x.tmp", r);
    fd_ = ::openat(dirFd_, n, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ >= 0) tmp_ = n;
    else if (errno != EEXIST) break;
  }
  if (fd_ < 0) {
    int e = errno;
    ::close(dirFd_);
    dirFd_ = -1;
    throw EKvFileCreateError("Cannot create file " + full_ + ": " + std::strerror(e), e);
  }
}

KvSafeFileWriter::~KvSafeFileWriter() {
  if (fd_ >= 0) ::close(fd_);
  if (!done_ && !tmp_.empty() && dirFd_ >= 0) ::unlinkat(dirFd_, tmp_.c_str(), 0);
  if (dirFd_ >= 0) ::close(dirFd_);
}

int64_t KvSafeFileWriter::Write(const void* buffer, int64_t count) { return KvWriteFd(fd_, buffer, count); }

int64_t KvSafeFileWriter::Seek(int64_t offset, int origin) {
  int whence = origin == soCurrent ? SEEK_CUR : origin == soEnd ? SEEK_END : SEEK_SET;
  return ::lseek(fd_, offset, whence);
}

void KvSafeFileWriter::Commit(int64_t mtime, bool readOnly) {
  if (mtime >= 0) {
    struct timespec ts[2];
    ts[0].tv_sec = ts[1].tv_sec = time_t(mtime);
    ts[0].tv_nsec = ts[1].tv_nsec = 0;
    ::futimens(fd_, ts);
  }
  if (readOnly) {
    struct stat st;
    if (::fstat(fd_, &st) == 0) ::fchmod(fd_, st.st_mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH));
  }
  if (::close(fd_) != 0) {
    fd_ = -1;
    throw EKvStreamWriteError(std::string("Stream write error: ") + std::strerror(errno), errno);
  }
  fd_ = -1;
  // rename replaces a planted link itself, never what it points to.
  if (::renameat(dirFd_, tmp_.c_str(), dirFd_, final_.c_str()) != 0) {
    int e = errno;
    throw EKvFileCreateError("Cannot create file " + full_ + ": " + std::strerror(e), e);
  }
  done_ = true;
}

}  // namespace kv
