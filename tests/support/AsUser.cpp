#include "AsUser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

AsOrdinaryUser::AsOrdinaryUser() {
  if (::geteuid() != 0) return;
  dumpable_ = ::prctl(PR_GET_DUMPABLE);
  const int count = ::getgroups(0, nullptr);
  if (count > 0) {
    groups_.resize(size_t(count));
    groups_.resize(size_t(::getgroups(count, groups_.data())));
    if (::setgroups(0, nullptr) != 0) {
      ADD_FAILURE() << "the groups cannot be dropped: " << std::strerror(errno);
      return;
    }
  }
  if (::setresgid(kOrdinaryGid, kOrdinaryGid, 0) != 0 || ::setresuid(kOrdinaryUid, kOrdinaryUid, 0) != 0) {
    ADD_FAILURE() << "cannot become uid " << kOrdinaryUid << ": " << std::strerror(errno);
    ::setresuid(0, 0, 0);
    ::setresgid(0, 0, 0);
    if (!groups_.empty()) ::setgroups(groups_.size(), groups_.data());
    return;
  }
  dropped_ = true;
}

AsOrdinaryUser::~AsOrdinaryUser() {
  if (!dropped_) return;
  if (::setresuid(0, 0, 0) != 0 || ::setresgid(0, 0, 0) != 0 ||
      (!groups_.empty() && ::setgroups(groups_.size(), groups_.data()) != 0)) {
    std::fprintf(stderr, "root cannot be restored after the ordinary user's part: %s\n", std::strerror(errno));
    std::abort();
  }
  // A change of user makes the process undumpable; put back what it was.
  ::prctl(PR_SET_DUMPABLE, dumpable_);
}

bool RunsAsRoot() { return ::geteuid() == 0; }

bool GiveToOrdinaryUser(const std::string& path) {
  if (::geteuid() != 0) return true;
  namespace fs = std::filesystem;
  std::error_code ec;
  if (::lchown(path.c_str(), kOrdinaryUid, kOrdinaryGid) != 0) return false;
  if (!fs::is_directory(fs::symlink_status(path, ec))) return true;
  for (fs::recursive_directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
    if (::lchown(it->path().c_str(), kOrdinaryUid, kOrdinaryGid) != 0) return false;
  return !ec;
}

bool GiveToOrdinaryUser(const QString& path) { return GiveToOrdinaryUser(std::string(QFile::encodeName(path))); }

bool OpenWayTo(const QString& top, const QString& path) {
  const QString from = QDir::cleanPath(top);
  QString at = QDir::cleanPath(path);
  if (at != from && !at.startsWith(from.endsWith('/') ? from : from + "/")) return false;
  if (!QFileInfo(at).isDir()) at = QFileInfo(at).path();
  for (;;) {
    const QByteArray name = QFile::encodeName(at);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) return false;
    const mode_t open = S_IRGRP | S_IXGRP | S_IROTH | S_IXOTH;
    if ((st.st_mode & open) != open && ::chmod(name.constData(), (st.st_mode & 07777) | open) != 0) return false;
    if (at.size() <= from.size()) return true;
    at = QFileInfo(at).path();
  }
}

}  // namespace testsupport
