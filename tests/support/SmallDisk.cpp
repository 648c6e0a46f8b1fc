#include "SmallDisk.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/mount.h>

namespace testsupport {

SmallDisk::SmallDisk(const QString& mountPoint, int kib) : SmallDisk(std::string(QFile::encodeName(mountPoint)), kib) {}

SmallDisk::SmallDisk(const std::string& mountPoint, int kib) : path_(mountPoint) {
  std::error_code ec;
  std::filesystem::create_directories(path_, ec);
  options_ = QByteArray("size=") + QByteArray::number(kib) + "k,mode=0755";
  if (::mount("tmpfs", path_.c_str(), "tmpfs", 0, options_.constData()) == 0)
    mounted_ = true;
  else
    reason_ = std::string("no small file system can be mounted here (") + std::strerror(errno) + ")";
}

SmallDisk::~SmallDisk() {
  if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
}

bool SmallDisk::fill() {
  QFile f(QFile::decodeName(QByteArray::fromStdString(path_ + "/filler")));
  if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
  const QByteArray block(4096, 'x');
  while (f.write(block) == block.size() && f.flush()) {
  }
  // Byte by byte into the last partly used block.
  while (f.write("x", 1) == 1 && f.flush()) {
  }
  f.close();
  return true;
}

bool SmallDisk::makeReadOnly() {
  return ::mount(nullptr, path_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, options_.constData()) == 0;
}

}  // namespace testsupport
