#include "KvUtils.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <system_error>

#include "KvChecksum.h"
#include "KvErrors.h"
#include "Wildcard.h"

namespace kv {

static bool isSep(char c) { return c == '/' || c == '\\'; }

std::string KvUpper(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return r;
}

std::string KvEnsureTrailingSlash(const std::string& path) {
  if (path.empty()) return path;
  char last = path.back();
  if (last == '\\' || last == '/' || last == ':') return path;
  return path + "/";
}

int KvNthSlashPos(const std::string& path, int n) {
  int seen = 0;
  for (size_t i = 0; i < path.size(); ++i)
    if (isSep(path[i]) && ++seen == n) return int(i);  // 1-based position just before it
  return int(path.size());
}

int KvPathKind(const std::string& path) {
  if (path.find("\\\\") != std::string::npos || path.find(':') != std::string::npos ||
      (!path.empty() && path[0] == '/'))
    return 2;
  if (path.find('\\') != std::string::npos || path.find('/') != std::string::npos) return 1;
  return 0;
}

std::string KvExtractFileName(const std::string& path) {
  size_t p = path.find_last_of("/\\:");
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string KvExtractFileDir(const std::string& path) {
  size_t p = path.find_last_of("/\\:");
  if (p == std::string::npos) return "";
  if (p == 0) return path.substr(0, 1);
  return path.substr(0, path[p] == ':' ? p + 1 : p);
}

void KvSplitFileSpec(const std::string& spec, std::string& drive, std::string& path, std::string& name) {
  std::string s = spec;
  KvToStoredSlashes(s);  // one separator to look for
  drive.clear();
  size_t cut = s.find_last_of('/');
  name = cut == std::string::npos ? s : s.substr(cut + 1);
  path = cut == std::string::npos ? std::string() : s.substr(0, cut + 1);
  if (s.rfind("//", 0) == 0) {
    int seen = 0;
    size_t i = 0;
    for (; i < path.size(); ++i)
      if (path[i] == '/' && ++seen == 4) break;
    drive = path.substr(0, i);
    path = i < path.size() ? path.substr(i + 1) : std::string();
  } else if (size_t c = path.find(':'); c != std::string::npos) {
    drive = path.substr(0, c + 1);
    path = path.substr(c + 1);
    if (!path.empty() && path[0] == '/') path.erase(0, 1);
  }
}

void KvSplitPath(const std::string& path, std::vector<std::string>& list) {
  std::string p = path;
  if (!p.empty() && isSep(p.back())) p.pop_back();
  size_t start = 0;
  for (size_t i = 0; i <= p.size(); ++i)
    if (i == p.size() || isSep(p[i])) {
      list.push_back(p.substr(start, i - start));
      start = i + 1;
    }
}

std::string KvDropParentPrefix(const std::string& path) {
  std::string p = path;
  while (p.rfind("..\\", 0) == 0 || p.rfind("../", 0) == 0) p.erase(0, 3);
  return p;
}

std::string KvWithoutDrive(const std::string& path) {
  std::string d, p, n;
  KvSplitFileSpec(path, d, p, n);
  return p + n;
}

void KvToStoredSlashes(std::string& s) {
  for (char& c : s)
    if (c == '\\') c = '/';
}

void KvToPathSlashes(std::string& s) {
  for (char& c : s)
    if (c == '/') c = '\\';
}

void KvSpanPartName(std::string& name, int n) {
  size_t slash = name.find_last_of("/\\");
  size_t dot = name.find_last_of('.');
  char digits[8];
  std::snprintf(digits, sizeof digits, "%.2d", ((n % 100) + 100) % 100);
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    if (name.size() - dot >= 2) {
      name = name.substr(0, dot + 2) + digits;
      return;
    }
    name = name.substr(0, dot);
  }
  name += std::string(".") + digits;
}

void KvShortPathOf(const std::string& longSpec, std::string& shortSpec) {
  // Linux has no short names; the name stays as it is, but it must exist.
  std::string dir = KvExtractFileDir(longSpec);
  if (!dir.empty() && !KvIsDirectory(dir)) throw EKvException("Path not found");
  if (!KvFileExists(longSpec)) throw EKvFileNotFound();
  shortSpec = longSpec;
}

bool KvIsDirectory(const std::string& path) {
  if (path.find_first_of("*?") != std::string::npos) return false;
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool KvFileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

void KvMakeDirPath(const std::string& path) {
  if (path.empty() || KvIsDirectory(path)) return;
  std::string p = path;
  KvToStoredSlashes(p);
  for (size_t i = 1; i <= p.size(); ++i) {
    if (i == p.size() || p[i] == '/') {
      std::string level = p.substr(0, i);
      if (!KvIsDirectory(level) && ::mkdir(level.c_str(), 0777) != 0 && errno != EEXIST)
        throw std::system_error(errno, std::generic_category(), "Cannot create folder " + level);
    }
  }
}

void KvCollectFiles(const std::string& mask, int attributes, std::vector<std::string>& list, bool recurse) {
  std::string dir = KvExtractFileDir(mask);
  std::string namePart = KvUpper(KvExtractFileName(mask));
  std::string base = dir.empty() ? "." : dir;
  DIR* d = ::opendir(base.c_str());
  if (!d) return;
  std::vector<std::string> subdirs;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    std::string full = KvEnsureTrailingSlash(dir) + n;
    bool isDir = KvIsDirectory(full);
    if (isDir && recurse) subdirs.push_back(full);
    if (isDir && !(attributes & faDirectory)) continue;
    if (KvWildcardMatch(KvUpper(n), 0, namePart, 0)) list.push_back(full);
  }
  ::closedir(d);
  for (const std::string& s : subdirs) KvCollectFiles(s + "/" + KvExtractFileName(mask), attributes, list, true);
}

std::string KvMakeTempName(const std::string& dir, bool createIt) {
  std::string d = dir;
  if (d.empty() || !KvIsDirectory(d)) {
    const char* t = std::getenv("TMPDIR");
    d = t && *t ? t : "/tmp";
  }
  std::string templ = KvEnsureTrailingSlash(d) + "VMSXXXXXX";
  int fd = ::mkstemp(templ.data());
  if (fd < 0) return std::string();
  ::close(fd);
  if (!createIt) ::unlink(templ.c_str());
  return templ;
}

void KvOpenReplacement(atomicfile::File& file) {
  if (!file.Open())
    throw EKvFileCreateError("Cannot create file " + file.Target() + ": " + std::strerror(file.error()), file.error());
}

int64_t KvSizeOfFile(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  return st.st_size;
}

int KvReadAttributes(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return -1;
  int a = 0;
  if (S_ISDIR(st.st_mode)) a |= faDirectory;
  else if (!S_ISREG(st.st_mode)) a |= faSysFile;
  if (!(st.st_mode & S_IWUSR)) a |= faReadOnly;
  if (!KvExtractFileName(path).empty() && KvExtractFileName(path)[0] == '.') a |= faHidden;
  return a;
}

bool KvWriteAttributes(const std::string& path, int attributes) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  mode_t m = st.st_mode & 07777;
  if (attributes & faReadOnly) m &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
  else m |= S_IWUSR;
  return ::chmod(path.c_str(), m) == 0;
}

char KvDriveLetterOf(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return char(std::toupper(static_cast<unsigned char>(path[0])));
  return 'A';
}

namespace {
std::function<bool(const std::string&)>& removableQuery() {
  static std::function<bool(const std::string&)> q;
  return q;
}
}  // namespace

void KvSetRemovableDriveQuery(std::function<bool(const std::string&)> query) { removableQuery() = std::move(query); }

bool KvIsRemovableDrive(const std::string& path) {
  if (removableQuery()) return removableQuery()(path);
  struct stat st;
  std::string p = path;
  while (!p.empty() && ::stat(p.c_str(), &st) != 0) p = KvExtractFileDir(p);
  if (p.empty()) return false;
  char link[64];
  std::snprintf(link, sizeof link, "/sys/dev/block/%u:%u", major(st.st_dev), minor(st.st_dev));
  char real[PATH_MAX];
  if (!::realpath(link, real)) return false;
  // A partition's removable flag lives on its disk, one level up.
  for (std::string dir = real; !dir.empty() && dir != "/"; dir = KvExtractFileDir(dir)) {
    std::ifstream f(dir + "/removable");
    int v = 0;
    if (f >> v) return v == 1;
  }
  return false;
}

int64_t KvClusterFreeBytes(const std::string& path) {
  struct statvfs sv;
  if (::statvfs(path.c_str(), &sv) != 0) return -1;
  return int64_t(sv.f_bavail) * int64_t(sv.f_frsize);
}

int64_t KvFreeBytesAt(const std::string& path) {
  if (KvPathKind(path) != 2) return -1;
  std::string p = path;
  struct stat st;
  while (!p.empty() && ::stat(p.c_str(), &st) != 0) p = KvExtractFileDir(p);
  if (p.empty()) return -1;
  int64_t f = KvClusterFreeBytes(p);
  if (f < 0) return -1;
  return f > 2147483647 ? 2147483647 : f;
}

int KvSetVolumeName(const std::string&, const std::string&) { return ENOTSUP; }

int KvLabelSpanVolume(const std::string& drive, int volumeNumber) {
  return KvSetVolumeName(KvFormat("PKBACK# %3.3d", volumeNumber), drive);
}

double KvUnixSecondsToDateTime(int64_t seconds) {
  int64_t days = seconds / 86400, rest = seconds % 86400;
  return double(25569 + days) + double(rest) / 86400.0;
}

int64_t KvDateTimeToUnixSeconds(double dateTime) {
  int64_t days = int64_t(std::floor(dateTime));
  double frac = dateTime - double(days);
  int64_t secs = int64_t(std::llround(frac * 86400.0));
  int64_t d = days - 25569;
  if (d < 0) d = 0;
  return d * 86400 + secs;
}

int KvAttrToUnixMode(int attr) { return (attr & faReadOnly) ? 0444 : 0744; }

int KvUnixModeToAttr(int mode) {
  int a = 0;
  switch (mode & 0xF000) {
    case 0x4000: a = faDirectory; break;
    case 0x1000: case 0x2000: case 0x6000: case 0xA000: case 0xC000: a = faSysFile; break;
    default: break;
  }
  if (!(mode & 0200)) a |= faReadOnly;
  return a;
}

int KvRatioPercent(int64_t part, int64_t whole) {
  if (whole < 1) return 0;
  if (whole <= part) return 100;
  if (whole > 16384000) {
    whole = (whole + 128) >> 8;
    part = (part + 128) >> 8;
  }
  return int(part * 100 / whole);
}

void KvCrc32Update(uint32_t& crc, const void* buffer, size_t count) { crc = KvCrc32Raw(crc, buffer, count); }

bool KvDosToUnix(uint16_t date, uint16_t time, int64_t& seconds) {
  std::tm tm{};
  tm.tm_year = ((date >> 9) & 0x7F) + 80;
  tm.tm_mon = ((date >> 5) & 0x0F) - 1;
  tm.tm_mday = date & 0x1F;
  tm.tm_hour = (time >> 11) & 0x1F;
  tm.tm_min = (time >> 5) & 0x3F;
  tm.tm_sec = (time & 0x1F) * 2;
  if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 ||
      tm.tm_min > 59 || tm.tm_sec > 59)
    return false;
  tm.tm_isdst = -1;
  time_t t = std::mktime(&tm);
  if (t == time_t(-1)) return false;
  seconds = t;
  return true;
}

void KvUnixToDos(int64_t seconds, uint16_t& date, uint16_t& time) {
  time_t t = time_t(seconds);
  std::tm tm{};
  localtime_r(&t, &tm);
  if (tm.tm_year < 80) {
    date = (0 << 9) | (1 << 5) | 1;
    time = 0;
    return;
  }
  date = uint16_t(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  time = uint16_t((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
}

uint16_t KvUnixToDosDate(int64_t seconds) {
  uint16_t d, t;
  KvUnixToDos(seconds, d, t);
  return d;
}

uint16_t KvUnixToDosTime(int64_t seconds) {
  uint16_t d, t;
  KvUnixToDos(seconds, d, t);
  return t;
}

bool KvWildcardMatch(const std::string& s, size_t si, const std::string& p, size_t pi) {
  return kalvora::WildcardMatch(s, si, p, pi, [](char a, char b) { return a == b; });
}

bool KvNameFitsMask(const std::string& fileName, const std::string& mask) {
  std::string f = KvUpper(fileName), m = KvUpper(mask);
  KvToStoredSlashes(f);
  KvToStoredSlashes(m);
  size_t ms = m.find_last_of('/');
  size_t fs = f.find_last_of('/');
  if (ms != std::string::npos) {
    std::string mdir = m.substr(0, ms), fdir = fs == std::string::npos ? std::string() : f.substr(0, fs);
    // A name at the top has no folder for the mask's folder part to match (but an empty one).
    if (fdir.empty() ? !mdir.empty() : !KvWildcardMatch(fdir, 0, mdir, 0)) return false;
  }
  std::string mname = ms == std::string::npos ? m : m.substr(ms + 1);
  std::string fname = fs == std::string::npos ? f : f.substr(fs + 1);
  return KvWildcardMatch(fname, 0, mname, 0);
}

void TKvPadLock::SetHeld(bool value) {
  if (value) {
    mutex_.lock();
    ++count_;
  } else if (count_ > 0) {
    --count_;
    mutex_.unlock();
  }
}

}  // namespace kv
