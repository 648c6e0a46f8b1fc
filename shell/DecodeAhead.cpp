#include "DecodeAhead.h"

#include <QFile>
#include <sys/stat.h>
#include <algorithm>

namespace {
// Decoded pictures waiting for the main thread: bounded so a slow list never fills the memory.
constexpr int kLookAhead = 64;
std::atomic<int> g_workerCount{0};
}  // namespace

void DecodeAhead::SetWorkerCount(int count) { g_workerCount = count; }

namespace {
void stampOf(const QString& path, qint64& size, qint64& modifiedNs) {
  // stat directly: QFileInfo's times go through the local time zone, which is not thread-safe.
  struct stat st {};
  const bool file = ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
  size = file ? qint64(st.st_size) : -1;
  modifiedNs = file ? qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec : -1;
}
}  // namespace

bool DecodedPicture::stillCurrent(const QString& path) const {
  qint64 size, modified;
  stampOf(path, size, modified);
  return size >= 0 && size == fileSize && modified == modifiedNs;
}

DecodedPicture DecodeForThumbnail(const QString& path, int height) {
  DecodedPicture out;
  stampOf(path, out.fileSize, out.modifiedNs);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    out.status = px::kOpenError;
    return out;
  }
  const QByteArray bytes = file.readAll();
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
  px::LoadOptions opts;
  opts.page = 1;
  opts.sizeHintWidth = 1;
  opts.sizeHintHeight = height;
  out.status = px::GetFileInfoMemory(data, size_t(bytes.size()), out.info, opts);
  if (out.status != 1) return out;
  bool done = false;
  int st = px::LoadMemory(data, size_t(bytes.size()), opts, 0, [&](px::Bitmap& b, unsigned flags, int, int) {
    if (done) return px::kStopped;
    if ((flags & (px::kBandPageEnd | px::kBandLast)) == (px::kBandPageEnd | px::kBandLast)) {
      out.bitmap = b;
      done = true;
    }
    return 1;
  });
  if (st == px::kStopped) st = 1;
  if (st == 1 && !out.bitmap.allocated()) st = px::kInvalidFormat;
  out.status = st;
  return out;
}

DecodeAhead::DecodeAhead(QStringList paths, int height, int threads)
    : paths_(g_workerCount < 0 ? QStringList() : std::move(paths)), height_(height), results_(size_t(paths_.size())) {
  if (threads <= 0) threads = g_workerCount;
  if (threads <= 0) threads = int(std::max(1u, std::thread::hardware_concurrency()));
  threads = std::min(threads, int(paths_.size()));
  for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
}

DecodeAhead::~DecodeAhead() {
  cancel();
  for (std::thread& t : threads_) t.join();
}

void DecodeAhead::cancel() {
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
  }
  room_.notify_all();
  ready_.notify_all();
}

void DecodeAhead::work() {
  for (;;) {
    int index;
    {
      std::unique_lock lock(mutex_);
      room_.wait(lock, [&] { return cancelled_ || next_ >= paths_.size() || next_ < taken_ + kLookAhead; });
      if (cancelled_ || next_ >= paths_.size()) return;
      index = next_++;
    }
    DecodedPicture picture = DecodeForThumbnail(paths_[index], height_);
    {
      std::lock_guard lock(mutex_);
      results_[size_t(index)] = std::move(picture);
    }
    ready_.notify_all();
  }
}

std::optional<DecodedPicture> DecodeAhead::takeIfNext(const QString& path) {
  std::unique_lock lock(mutex_);
  if (cancelled_ || taken_ >= paths_.size() || paths_[taken_] != path) return std::nullopt;
  const size_t index = size_t(taken_);
  ready_.wait(lock, [&] { return cancelled_ || results_[index].has_value(); });
  if (!results_[index]) return std::nullopt;
  std::optional<DecodedPicture> out = std::move(results_[index]);
  results_[index].reset();
  ++taken_;
  lock.unlock();
  room_.notify_all();
  return out;
}
