#include "DecodeAhead.h"

#include "Markup.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
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

FileStamp FileStamp::Of(const QString& path) {
  // stat directly: QFileInfo's times go through the local time zone, which is not thread-safe.
  FileStamp out;
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode)) {
    out.size = qint64(st.st_size);
    out.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  }
  return out;
}

bool DecodedPicture::stillCurrent(const QString& path) const {
  return stamp.size >= 0 && FileStamp::Of(path) == stamp;
}

void AdoptListPicture(kalvora::THTMLPictureCache& cache, std::optional<DecodedPicture>& decoded) {
  if (!decoded || !decoded->listPicture) return;
  if (decoded->listPictureStamp.size >= 0 && FileStamp::Of(decoded->listPicturePath) == decoded->listPictureStamp)
    cache.AddPrepared(std::move(*decoded->listPicture));
  decoded->listPicture.reset();
}

DecodedPicture DecodeForThumbnail(const QString& path, int height, BudgetTurn* turn) {
  DecodedPicture out;
  out.decoded = true;
  out.stamp = FileStamp::Of(path);
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
  if (turn && !turn->take(px::FirstPagePixels(out.info, opts))) {
    out.status = px::kAborted;
    return out;
  }
  int st = px::LoadMemory(data, size_t(bytes.size()), opts, 0, [&](px::Bitmap& b, unsigned flags, int, int) {
    if ((flags & (px::kBandPageEnd | px::kBandLast)) == (px::kBandPageEnd | px::kBandLast)) {
      out.bitmap = b;
      return px::kStopped;  // the first page is all a thumbnail needs
    }
    return 1;
  });
  if (st == px::kStopped) st = 1;
  if (st == 1 && !out.bitmap.allocated()) st = px::kInvalidFormat;
  out.status = st;
  return out;
}

AheadItem AheadItem::ListEntry(const QString& picture, const QString& thumbnail) {
  AheadItem item;
  item.picture = picture;
  item.listPicture = thumbnail;
  item.decode = !QFileInfo::exists(thumbnail);
  if (item.decode) item.thumbnail = thumbnail;
  return item;
}

namespace {
std::vector<AheadItem> itemsOf(const QStringList& paths, const QStringList& thumbnails) {
  std::vector<AheadItem> items(size_t(paths.size()));
  for (qsizetype i = 0; i < paths.size(); ++i) {
    items[size_t(i)].picture = paths[i];
    if (i < thumbnails.size()) items[size_t(i)].thumbnail = thumbnails[i];
  }
  return items;
}

// Two workers never write one file: a later entry naming a thumbnail again leaves it to the taker,
// who finds it made (or makes it, when the first picture could not be read), as one thread would.
std::vector<AheadItem> firstWriterOnly(std::vector<AheadItem> items) {
  QSet<QString> claimed;
  for (AheadItem& item : items) {
    if (item.thumbnail.isEmpty()) continue;
    if (claimed.contains(item.thumbnail)) item.thumbnail.clear();
    else claimed.insert(item.thumbnail);
  }
  return items;
}
}  // namespace

DecodeAhead::DecodeAhead(QStringList paths, int height, int threads)
    : DecodeAhead(itemsOf(paths, QStringList()), ThumbnailFrame(), height, threads) {}

DecodeAhead::DecodeAhead(QStringList paths, QStringList thumbnails, const ThumbnailFrame& frame, int height,
                         int threads)
    : DecodeAhead(itemsOf(paths, thumbnails), frame, height, threads) {}

DecodeAhead::DecodeAhead(std::vector<AheadItem> items, const ThumbnailFrame& frame, int height, int threads)
    : items_(firstWriterOnly(std::move(items))),
      frame_(frame),
      height_(height),
      work_(int(items_.size()), [this](int i, BudgetTurn& turn) { return job(i, turn); },
            ReadWorkerCount(threads, int(items_.size())), std::make_shared<PixelBudget>(ReadPixelBudget())) {}

DecodedPicture DecodeAhead::job(int i, BudgetTurn& turn) const {
  const AheadItem& item = items_[size_t(i)];
  DecodedPicture out;
  if (item.decode) {
    out = DecodeForThumbnail(item.picture, height_, &turn);
    if (out.status == 1 && !item.thumbnail.isEmpty()) {
      const int st = FinishThumbnailOnWorker(out.bitmap, out.info, frame_, item.thumbnail, height_);
      if (st != 0) {
        // Made or failed: either way the taker writes nothing more from this picture.
        out.bitmap = px::Bitmap();
        if (st == 1) out.thumbnailWritten = true;
        else out.status = st;
      }
    }
    // Until the taker has it, the budget holds the picture the result keeps for the maker.
    turn.keep(out.bitmap.allocated() ? int64_t(out.bitmap.width) * out.bitmap.height : 0);
    // The list picture is read only once the thumbnail is final.
    if (!out.thumbnailWritten) return out;
  }
  if (!item.listPicture.isEmpty()) {
    out.listPicturePath = item.listPicture;
    out.listPictureStamp = FileStamp::Of(item.listPicture);
    if (out.listPictureStamp.size >= 0) {
      out.listPicture = kalvora::THTMLPicture::Prepare(kalvora::ThumbnailItemPictureURL(item.listPicture));
      // Read as it was when stamped: a file replaced in between is left to the list.
      if (!(FileStamp::Of(item.listPicture) == out.listPictureStamp)) out.listPicture.reset();
    }
  }
  return out;
}

std::optional<DecodedPicture> DecodeAhead::takeIfNext(const QString& path,
                                                      const OrderedWork<DecodedPicture>::Pump& pump) {
  // An entry the taker passed by (its file went meanwhile) is dropped; a picture the list does
  // not hold is the taker's own.
  const int index = work_.next();
  const int end = std::min(int(items_.size()), index + kSkipAtMost);
  for (int k = index; k < end; ++k) {
    if (items_[size_t(k)].picture != path) continue;
    while (work_.next() < k)
      if (!work_.take(pump)) return std::nullopt;
    return work_.take(pump);
  }
  return std::nullopt;
}
