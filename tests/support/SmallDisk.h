#pragma once
// A small file system of its own (a tmpfs of a few hundred KiB) mounted on a folder for one
// test, to fill it up or make it read-only. Mounting needs root; a test without it is skipped
// with the reason.
#include <QByteArray>
#include <QString>
#include <string>

namespace testsupport {

class SmallDisk {
 public:
  // Makes the folder where needed and mounts kib KiB on it, owned by root, mode 0755.
  explicit SmallDisk(const QString& mountPoint, int kib = 300);
  explicit SmallDisk(const std::string& mountPoint, int kib = 300);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return mounted_; }
  // Why nothing is mounted.
  std::string reason() const { return reason_; }
  // The mount point, for the std::filesystem and plain C++ side.
  std::string path() const { return path_; }

  // Writes a filler file ("filler" in the mount point) until nothing more fits; true when the
  // disk is then full.
  bool fill();
  // Remounts the disk read-only.
  bool makeReadOnly();

 private:
  std::string path_;
  QByteArray options_;
  bool mounted_ = false;
  std::string reason_;
};

}  // namespace testsupport
