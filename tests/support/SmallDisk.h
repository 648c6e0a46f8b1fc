#pragma once
// A small file system of its own (a tmpfs of a few hundred KiB) mounted on a folder for one
// test, to fill it up or make it read-only. Mounting needs root; a test without it is skipped
// with the reason.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>

namespace testsupport {

class SmallDisk {
 public:
  explicit SmallDisk(const QString& mountPoint, int kib = 300) : path_(mountPoint) {
    QDir().mkpath(path_);
    options_ = QByteArray("size=") + QByteArray::number(kib) + "k,mode=0755";
    if (::mount("tmpfs", QFile::encodeName(path_).constData(), "tmpfs", 0, options_.constData()) == 0)
      mounted_ = true;
    else
      reason_ = QString("no small file system can be mounted here (") + std::strerror(errno) + ")";
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return mounted_; }
  std::string reason() const { return reason_.toStdString(); }

  // Writes a filler file until nothing more fits; true when the disk is then full.
  bool fill() {
    QFile f(path_ + "/filler");
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

  bool makeReadOnly() {
    return ::mount(nullptr, QFile::encodeName(path_).constData(), nullptr, MS_REMOUNT | MS_RDONLY,
                   options_.constData()) == 0;
  }

 private:
  QString path_;
  QByteArray options_;
  bool mounted_ = false;
  QString reason_;
};

}  // namespace testsupport
