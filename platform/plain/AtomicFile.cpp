#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace atomicfile {

namespace {

// The process's umask. Asking umask() means setting it for a moment, which would give files that
// other threads create meanwhile the wrong permissions; Linux shows it in /proc.
mode_t processUmask() {
  if (FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned value = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f)) found = std::sscanf(line, "Umask: %o", &value) == 1;
    std::fclose(f);
    if (found) return mode_t(value & 0777);
  }
  const mode_t m = ::umask(0);
  ::umask(m);
  return m;
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  // "." + base + ".XXXXXX" must still be a valid name when base has the longest length allowed.
  if (base.size() > 200) base.resize(200);
  return base;
}

bool writeAll(int fd, const void* data, std::size_t size, int& error) {
  auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    if (n == 0) {
      error = EIO;
      return false;
    }
    p += n;
    size -= std::size_t(n);
  }
  return true;
}

// The file a link names; the path itself when it is no link (or a link to nothing).
std::string resolveLink(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string out(real);
  std::free(real);
  return out;
}

// Failure::None when target may be replaced (or made); exists tells whether it is there.
Failure checkTarget(const std::string& target, bool& exists, int& error) {
  exists = false;
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0) {
    error = errno;
    if (errno != ENOENT) return FailureOfErrno(errno);
    // A new file: its folder must be there.
    if (::stat(folderOf(target).c_str(), &st) != 0) return Failure::NoFolder;
    if (!S_ISDIR(st.st_mode)) {
      error = ENOTDIR;
      return Failure::NoFolder;
    }
    error = 0;
    return Failure::None;
  }
  exists = true;
  if (!S_ISREG(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return Failure::NotAFile;
  }
  // The rename would replace a read-only file for anyone who may write the folder (and for
  // root whatever the modes): it stays as it is.
  if ((st.st_mode & 0222) == 0) {
    error = EACCES;
    return Failure::ReadOnly;
  }
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
    error = errno;
    return errno == EROFS ? Failure::ReadOnly : FailureOfErrno(errno);
  }
  return Failure::None;
}

// Gives fd the permissions (and, where allowed, the owner) of the file it replaces, or what a new
// file gets; flushes it when asked. The errno value of a failed flush, else 0.
int settle(int fd, const struct stat* replaced, bool sync) {
  if (replaced) {
    // The owner first: a change of owner clears the permission bits' special meaning.
    if (replaced->st_uid != ::geteuid() || replaced->st_gid != ::getegid()) {
      if (::fchown(fd, replaced->st_uid, replaced->st_gid) != 0) {
        // Not allowed for another owner's file: the group alone may still be kept.
        [[maybe_unused]] const int kept = ::fchown(fd, uid_t(-1), replaced->st_gid);
      }
    }
    // Set-user and set-group bits are not carried onto new content.
    ::fchmod(fd, replaced->st_mode & 01777);
  } else {
    ::fchmod(fd, 0666 & ~processUmask());
  }
  if (sync && ::fdatasync(fd) != 0 && errno != EINVAL) return errno;
  return 0;
}

// A name in dir that no entry has yet (at the moment of asking).
std::string freshName(const std::string& dir, const std::string& base) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::minstd_rand random{std::random_device{}()};
  std::string name = dir + "/." + base + ".";
  for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
  return name;
}

}  // namespace

Failure FailureOfErrno(int error) {
  switch (error) {
    case 0: return Failure::None;
    case ENOSPC:
    case EDQUOT: return Failure::NoSpace;
    case EROFS: return Failure::ReadOnly;
    case EACCES:
    case EPERM: return Failure::Denied;
    case ENOENT:
    case ENOTDIR: return Failure::NoFolder;
    case EISDIR: return Failure::NotAFile;
    default: return Failure::WriteError;
  }
}

File::File(std::string target, unsigned flags) : target_(std::move(target)), flags_(flags) {}

File::~File() {
  if (!committed_) Cancel();
}

bool File::fail(Failure why, int error) {
  if (failure_ == Failure::None) {
    failure_ = why == Failure::None ? Failure::WriteError : why;
    error_ = error;
  }
  return false;
}

bool File::Open() {
  if (open_ || committed_ || Failed()) return open_ && !Failed();
  if (target_.empty() || target_.back() == '/') return fail(Failure::NotAFile, EISDIR);
  target_ = resolveLink(target_);
  dir_ = folderOf(target_);
  bool exists = false;
  int error = 0;
  if (const Failure refused = checkTarget(target_, exists, error); refused != Failure::None) return fail(refused, error);
#ifdef O_TMPFILE
  // Without a name nothing is left behind whatever happens; linking it in needs /proc.
  if (!(flags_ & kNamed) && ::access("/proc/self/fd", X_OK) == 0) {
    fd_ = ::open(dir_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      unnamed_ = open_ = true;
      return true;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return fail(FailureOfErrno(errno), errno);
  }
#endif
  std::string name = dir_ + "/." + baseOf(target_) + ".XXXXXX";
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  fd_ = ::mkostemp(buffer.data(), O_CLOEXEC);
  if (fd_ < 0) return fail(FailureOfErrno(errno), errno);
  temp_ = buffer.data();
  if (flags_ & kNamed) {
    // Its writer opens it by name and may put a file of its own in its place.
    ::close(fd_);
    fd_ = -1;
  }
  open_ = true;
  return true;
}

bool File::Write(const void* data, std::size_t size) {
  if (!open_ || Failed()) return false;
  if (fd_ < 0) return fail(Failure::WriteError, EBADF);
  int error = 0;
  return writeAll(fd_, data, size, error) || fail(FailureOfErrno(error), error);
}

// Links the unnamed file in: under the target's name when the target is new, else under a fresh
// temporary name that the rename then moves over the target.
bool File::linkIn() {
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  if (::access(target_.c_str(), F_OK) != 0) {
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST) return fail(FailureOfErrno(errno), errno);
  }
  for (int tries = 0; tries < 100; ++tries) {
    const std::string name = freshName(dir_, baseOf(target_));
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      temp_ = name;
      return true;
    }
    if (errno != EEXIST) return fail(FailureOfErrno(errno), errno);
  }
  return fail(Failure::WriteError, EEXIST);
}

bool File::Commit() {
  if (committed_) return true;
  if (!open_ || Failed()) {
    Cancel();
    return false;
  }
  struct stat replaced {};
  const bool replacing = ::stat(target_.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode);
  const bool named = fd_ < 0;
  const int fd = named ? ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW) : fd_;
  if (fd < 0) {
    fail(FailureOfErrno(errno), errno);
    Cancel();
    return false;
  }
  if (const int error = settle(fd, replacing ? &replaced : nullptr, replacing || !(flags_ & kNoSyncOfNewFile))) {
    if (named) ::close(fd);
    fail(FailureOfErrno(error), error);
    Cancel();
    return false;
  }
  if (unnamed_ && !linkIn()) {
    Cancel();
    return false;
  }
  fd_ = -1;
  if (::close(fd) != 0) {
    const int error = errno;
    // A new file linked in under its own name goes again: its content is not sure.
    if (temp_.empty()) ::unlink(target_.c_str());
    fail(FailureOfErrno(error), error);
    Cancel();
    return false;
  }
  if (!temp_.empty() && ::rename(temp_.c_str(), target_.c_str()) != 0) {
    fail(FailureOfErrno(errno), errno);
    Cancel();
    return false;
  }
  temp_.clear();
  committed_ = true;
  open_ = false;
  return true;
}

void File::Cancel() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  open_ = false;
}

Failure Write(const std::string& target, const void* data, std::size_t size, unsigned flags, int* error) {
  File file(target, flags & ~unsigned(kNamed));
  const bool ok = file.Open() && file.Write(data, size) && file.Commit();
  if (error) *error = ok ? 0 : file.error();
  return ok ? Failure::None : file.failure();
}

Failure Move(const std::string& from, const std::string& target, int* error) {
  int e = 0;
  auto failed = [&](Failure why, int code) {
    if (error) *error = code;
    return why;
  };
  const std::string to = resolveLink(target);
  bool exists = false;
  if (const Failure refused = checkTarget(to, exists, e); refused != Failure::None) return failed(refused, e);
  struct stat source {};
  if (::stat(from.c_str(), &source) != 0) return failed(Failure::WriteError, errno);
  if (!S_ISREG(source.st_mode)) return failed(Failure::NotAFile, EINVAL);
  struct stat replaced {};
  const bool replacing = exists && ::stat(to.c_str(), &replaced) == 0;
  if (replacing) {
    const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return failed(FailureOfErrno(errno), errno);
    e = settle(fd, &replaced, true);
    ::close(fd);
    if (e) return failed(FailureOfErrno(e), e);
  }
  if (::rename(from.c_str(), to.c_str()) == 0) return failed(Failure::None, 0);
  if (errno != EXDEV) return failed(FailureOfErrno(errno), errno);
  // Another file system: copied beside the target, which is replaced only when the copy is whole.
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return failed(Failure::WriteError, errno);
  File out(to);
  bool ok = out.Open();
  std::vector<char> buffer(1 << 16);
  while (ok) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      e = errno;
      ::close(in);
      return failed(Failure::WriteError, e);
    }
    if (n == 0) break;
    ok = out.Write(buffer.data(), std::size_t(n));
  }
  ::close(in);
  if (!ok || !out.Commit()) return failed(out.failure(), out.error());
  ::unlink(from.c_str());
  return failed(Failure::None, 0);
}

}  // namespace atomicfile
