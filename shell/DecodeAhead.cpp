#include "DecodeAhead.h"

#include <QFile>
#include <sys/stat.h>
#include <algorithm>
#include <atomic>

namespace {
std::atomic<int> g_workerCount{0};
}  // namespace

void SetReadWorkerCount(int count) { g_workerCount = count; }

int ReadWorkerCount(int requested, int jobs) {
  if (g_workerCount < 0) return 0;
  int threads = requested > 0 ? requested : g_workerCount.load();
  if (threads <= 0) threads = int(std::max(1u, std::thread::hardware_concurrency()));
  return std::max(0, std::min(threads, jobs));
}

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
    : DecodeAhead(std::move(paths), QStringList(), ThumbnailFrame(), height, threads) {}

DecodeAhead::DecodeAhead(QStringList paths, QStringList thumbnails, const ThumbnailFrame& frame, int height,
                         int threads)
    : paths_(std::move(paths)),
      thumbnails_(std::move(thumbnails)),
      frame_(frame),
      height_(height),
      work_(int(paths_.size()), [this](int i) { return job(i); }, ReadWorkerCount(threads, int(paths_.size()))) {}

DecodedPicture DecodeAhead::job(int i) const {
  DecodedPicture out = DecodeForThumbnail(paths_[i], height_);
  if (out.status != 1 || i >= thumbnails_.size()) return out;
  const int st = FinishThumbnailOnWorker(out.bitmap, out.info, frame_, thumbnails_[i], height_);
  if (st == 0) return out;  // the maker makes this one
  // Made or failed: either way the taker writes nothing more from this picture.
  out.bitmap = px::Bitmap();
  if (st == 1) out.thumbnailWritten = true;
  else out.status = st;
  return out;
}

std::optional<DecodedPicture> DecodeAhead::takeIfNext(const QString& path,
                                                      const OrderedWork<DecodedPicture>::Pump& pump) {
  const int index = work_.next();
  if (index >= paths_.size() || paths_[index] != path) return std::nullopt;
  return work_.take(pump);
}
