#include "KvSpanStream.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "KvErrors.h"
#include "KvUtils.h"

namespace kv {

TKvSpanStream::TKvSpanStream(const std::string& fileName, int64_t partSizeLimit, int mediaKind, uint16_t mode)
    : kind_(mediaKind), limit_(partSizeLimit), name_(fileName), baseName_(fileName), openMode_(mode) {
  mode_ = (mode == fmCreate || (mode & 3) != fmOpenRead) ? 1 : 0;
  if (KvPathKind(fileName) != 2) throw EKvException("Full Path Required");
  bool ok = mediumOk(fileName);
  if (mode_ == 1 && !ok) throw EKvException("Invalid Media");
  openCurrent(mode);
}

void TKvSpanStream::openCurrent(uint16_t mode) {
  file_.reset();
  file_ = std::make_unique<KvFileStream>(name_, mode);
}

bool TKvSpanStream::mediumOk(const std::string& name) {
  if (name.empty()) return false;
  int64_t f = KvFreeBytesAt(name);
  if (f < -1) f = 2147483647;
  free_ = std::min<int64_t>(f, 2147483647);
  return free_ >= 0 || !KvFileExists(name);
}

int64_t TKvSpanStream::bytesLeft() {
  const int64_t f = KvFreeBytesAt(name_);
  if (kind_ == mkNumberedFiles) return limit_ > 0 ? limit_ - writtenInPart_ : f;
  return std::min<int64_t>(limit_ > 0 ? limit_ : 2147483647, f) - (limit_ > 0 ? writtenInPart_ : 0);
}

std::string TKvSpanStream::numberedName(int n) const {
  if (n >= 100 || n < 1) return std::string();  // a hundredth part would overwrite the first
  std::string s = baseName_;
  KvSpanPartName(s, n);
  size_t dot = s.find_last_of('.');
  if (dot != std::string::npos) s = s.substr(0, dot) + ".z" + s.substr(s.size() - 2);
  return s;
}

bool TKvSpanStream::requestImage(int number, std::string& name) {
  bool abort = false;
  OnRequestImage(number, name, abort);
  if (abort) Cancelled = true;
  return !abort;
}

bool TKvSpanStream::NextPart() {
  file_.reset();
  if (!OnRequestImage) return false;
  int next = part_ + 1;
  std::string candidate = kind_ == mkRemovableDisks ? name_ : numberedName(next);
  for (;;) {
    std::string nm = candidate;
    if (!requestImage(imageNumberFor(next), nm)) return false;
    if (mediumOk(nm)) {
      name_ = nm;
      part_ = next;
      writtenInPart_ = 0;
      if (mode_ == 1) {
        KvFileStream create(name_, fmCreate);
      }
      openCurrent(mode_ == 1 ? uint16_t(fmOpenReadWrite) : openMode_);
      return true;
    }
    if (nm.empty()) return false;
  }
}

void TKvSpanStream::OpenFirstPart() {
  file_.reset();
  for (;;) {
    try {
      if (NextPart()) break;
    } catch (const EKvFileOpenError&) {
      // An accepted part that is not there is named, not reported as a failed open.
      if (mode_ == 0 && !KvFileExists(name_)) throw EKvException("Cannot open spanned file: " + name_);
      throw;
    }
    if (Cancelled || !OnRequestImage) throw EKvUserAbort();
  }
  if (mode_ == 0 && !KvFileExists(name_)) throw EKvException("Cannot open spanned file: " + name_);
}

void TKvSpanStream::OpenPart(const std::string& name, int partNumber) {
  name_ = name;
  part_ = partNumber;
  openCurrent(openMode_);
}

int64_t TKvSpanStream::Write(const void* buffer, int64_t count) {
  if (mode_ != 1 || !file_) return 0;
  auto* p = static_cast<const uint8_t*>(buffer);
  int64_t written = 0;
  if (kind_ == mkNumberedFiles && limit_ <= 0) {
    written = file_->Write(p, count);
  } else {
    int64_t left = bytesLeft();
    if (count <= left || !Spanned) {
      written = file_->Write(p, count);
      writtenInPart_ += written;
    } else {
      std::vector<uint8_t> copy(p, p + count);
      int64_t n = std::max<int64_t>(0, left);
      if (n) file_->WriteBuffer(copy.data(), n);
      writtenInPart_ += n;
      written = n;
      while (written < count) {
        if (!NextPart()) break;
        int64_t room = std::max<int64_t>(1, bytesLeft());
        int64_t m = std::min(count - written, room);
        file_->WriteBuffer(copy.data() + written, m);
        writtenInPart_ += m;
        written += m;
      }
    }
  }
  writtenTotal_ += written;
  if (OnProgress) {
    bool abort = false;
    OnProgress(KvRatioPercent(writtenTotal_, ExpectedTotal), abort);
    if (abort) return 0;
  }
  return written;
}

int64_t TKvSpanStream::Read(void* buffer, int64_t count) {
  if (!file_) return 0;
  if (PassThrough || !Spanned) return file_->Read(buffer, count);
  auto* p = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    int64_t n = file_->Read(p + done, count - done);
    if (n > 0) {
      done += n;
      continue;
    }
    if (!OnRequestImage || IgnoreMediaRequests) break;
    int next = part_ + 1;
    std::string nm = kind_ == mkRemovableDisks ? name_ : numberedName(next);
    bool abort = false;
    OnRequestImage(imageNumberFor(next), nm, abort);
    if (abort) throw EKvUserAbort();
    if (nm.empty() || !KvFileExists(nm)) throw EKvFileNotFound();
    file_.reset();
    part_ = next;
    name_ = nm;
    SwitchedWhileReading = true;
    openCurrent(openMode_);
  }
  return done;
}

int64_t TKvSpanStream::Seek(int64_t offset, int origin) {
  if (!file_) return 0;
  if (mode_ == 1) return file_->Seek(offset, origin);
  int64_t size = file_->Size(), cur = file_->Position();
  int64_t target = origin == soCurrent ? cur + offset : origin == soEnd ? size + offset : offset;
  if (PassThrough || !Spanned || IgnoreMediaRequests || !OnRequestImage) {
    return file_->Seek(std::clamp<int64_t>(target, 0, std::max<int64_t>(size, target < 0 ? 0 : target)), soBeginning);
  }
  if (target < 0) {
    int prev = part_ - 1;
    if (prev < 0) return file_->Seek(0, soBeginning);
    std::string nm = kind_ == mkRemovableDisks ? name_ : (prev == 0 ? baseName_ : numberedName(prev));
    bool abort = false;
    OnRequestImage(imageNumberFor(prev), nm, abort);
    if (abort) throw EKvUserAbort();
    if (nm.empty() || !KvFileExists(nm)) throw EKvFileNotFound();
    part_ = prev;
    name_ = nm;
    openCurrent(openMode_);
    return Seek(file_->Size() + target, soBeginning);
  }
  if (target > size) {
    int next = part_ + 1;  // forward: the next part, not the previous one
    std::string nm = kind_ == mkRemovableDisks ? name_ : numberedName(next);
    bool abort = false;
    OnRequestImage(imageNumberFor(next), nm, abort);
    if (abort) throw EKvUserAbort();
    if (nm.empty() || !KvFileExists(nm)) throw EKvFileNotFound();
    part_ = next;
    name_ = nm;
    openCurrent(openMode_);
    return Seek(target - size, soBeginning);
  }
  return file_->Seek(target, soBeginning);
}

int64_t TKvSpanStream::Size() { return file_ ? file_->Size() : 0; }

void TKvSpanStream::SetSize(int64_t size) {
  if (!file_) return;
  if (size == 0) {
    file_->SetSize(0);
    return;
  }
  const int64_t f = KvFreeBytesAt(name_);
  int64_t cap = file_->Size() + std::max<int64_t>(0, f);
  file_->SetSize(std::min(size, cap));
}

}  // namespace kv
