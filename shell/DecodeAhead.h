#pragma once
// Reading the pictures of a folder or a slideshow ahead on worker threads, one per core. The
// workers only read, decode and write files with the imaging library's thread-safe path (no
// picture component, no global current image); the main thread takes the results in the list's
// order and does everything the user sees (list, progress, texts, messages) exactly as before.
// The workers of one read share a budget of decoded pixels (PixelBudget.h), so what they hold
// decoded at once does not grow with the number of cores.
#include <QString>
#include <QStringList>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "ImagingHooks.h"
#include "PictureStore.h"
#include "PixelBudget.h"
#include "PxBitmap.h"
#include "PxFile.h"
#include "PxProcess.h"

// Worker threads of later reads: 0 one per core (the default), a negative count none at all
// (every picture is read on the main thread, as a reference).
void SetReadWorkerCount(int count);
int ReadWorkerCount(int requested, int jobs);

// Runs job(0) .. job(count - 1) on worker threads, never more than a bounded number ahead of
// the taker, and hands the results over in index order.
template <class Result>
class OrderedWork {
 public:
  // Called about every 20 ms while the taker takes or waits; false gives the take up.
  using Pump = std::function<bool()>;

  OrderedWork(int count, std::function<Result(int)> job, int threads, int lookAhead = 64)
      : OrderedWork(
            count, [job = std::move(job)](int i, BudgetTurn&) { return job(i); }, threads, nullptr, lookAhead) {}
  // Jobs that take the pixels they decode from budget (PixelBudget.h); what a result keeps is
  // given back when it is handed over.
  OrderedWork(int count, std::function<Result(int, BudgetTurn&)> job, int threads,
              std::shared_ptr<PixelBudget> budget, int lookAhead = 64)
      : count_(count),
        lookAhead_(lookAhead),
        job_(std::move(job)),
        budget_(std::move(budget)),
        results_(size_t(std::max(0, count))),
        kept_(size_t(std::max(0, count)), 0) {
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
  }
  ~OrderedWork() { stop(); }
  OrderedWork(const OrderedWork&) = delete;
  OrderedWork& operator=(const OrderedWork&) = delete;

  int threadCount() const { return int(threads_.size()); }
  // The index the next take hands over.
  int next() {
    std::lock_guard lock(mutex_);
    return taken_;
  }

  // The next result in order; nothing when stopped, when the pump gave up or without workers.
  std::optional<Result> take(const Pump& pump = {}) {
    // The window answers every 20 ms, also while the workers are ahead (not on every take: a
    // pass of the event loop costs more than a small thumbnail).
    if (pump && !threads_.empty() && std::chrono::steady_clock::now() - lastPump_ >= kPumpEvery) {
      lastPump_ = std::chrono::steady_clock::now();
      if (!pump()) return std::nullopt;
    }
    std::unique_lock lock(mutex_);
    if (threads_.empty() || cancelled_ || taken_ >= count_) return std::nullopt;
    const size_t index = size_t(taken_);
    const auto ready = [&] { return cancelled_ || results_[index].has_value(); };
    while (!ready()) {
      if (!pump) {
        ready_.wait(lock, ready);
        break;
      }
      if (ready_.wait_for(lock, kPumpEvery, ready)) break;
      lock.unlock();
      lastPump_ = std::chrono::steady_clock::now();
      const bool goOn = pump();
      lock.lock();
      if (!goOn) return std::nullopt;
    }
    if (!results_[index]) return std::nullopt;
    std::optional<Result> out = std::move(results_[index]);
    results_[index].reset();
    const int64_t kept = kept_[index];
    kept_[index] = 0;
    const int awaited = ++taken_;
    lock.unlock();
    if (budget_) {
      budget_->give(kept);
      budget_->awaited(awaited);
    }
    room_.notify_all();
    return out;
  }

  // Starts no further job; what a worker has begun is finished (so no file is left half
  // written) before this returns. Only the thread that made the work may stop it.
  void stop() {
    {
      std::lock_guard lock(mutex_);
      cancelled_ = true;
    }
    if (budget_) budget_->cancel();
    room_.notify_all();
    ready_.notify_all();
    for (std::thread& t : threads_)
      if (t.joinable()) t.join();
  }

 private:
  void work() {
    px::SetSerialRows(true);  // the other cores have their own pictures
    for (;;) {
      int index;
      {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [&] { return cancelled_ || next_ >= count_ || next_ < taken_ + lookAhead_; });
        if (cancelled_ || next_ >= count_) return;
        index = next_++;
      }
      BudgetTurn turn(budget_.get(), index);
      Result r = job_(index, turn);
      const int64_t kept = turn.kept();
      {
        std::lock_guard lock(mutex_);
        results_[size_t(index)] = std::move(r);
        kept_[size_t(index)] = kept;
      }
      ready_.notify_all();
    }
  }

  static constexpr std::chrono::milliseconds kPumpEvery{20};
  std::chrono::steady_clock::time_point lastPump_ = std::chrono::steady_clock::now();  // taker only
  const int count_, lookAhead_;
  const std::function<Result(int, BudgetTurn&)> job_;
  const std::shared_ptr<PixelBudget> budget_;
  std::mutex mutex_;
  std::condition_variable ready_, room_;
  std::vector<std::optional<Result>> results_;
  std::vector<int64_t> kept_;  // pixels of the budget each result holds until it is taken
  int next_ = 0;   // next job a worker starts
  int taken_ = 0;  // next result the taker takes
  bool cancelled_ = false;
  std::vector<std::thread> threads_;
};

// A file's size and time of change (size -1 when it is no file), to see whether it changed.
struct FileStamp {
  qint64 size = -1;
  qint64 modifiedNs = -1;
  static FileStamp Of(const QString& path);  // safe on any thread
  bool operator==(const FileStamp& o) const { return size == o.size && modifiedNs == o.modifiedNs; }
};

// A picture decoded for a thumbnail: what the component's load of its first page gives.
struct DecodedPicture {
  bool decoded = false;  // the worker read the picture (the rest of the item may still be done)
  int status = 0;        // 1 when read
  px::FileInfo info;
  px::Bitmap bitmap;
  // The file as it was read: a picture changed or gone since is read again by its taker.
  FileStamp stamp;
  // The worker has written the thumbnail too (the bitmap is then dropped).
  bool thumbnailWritten = false;
  bool stillCurrent(const QString& path) const;
  // The picture of the item's list entry, read as its list would read it, and its file then.
  std::optional<kalvora::THTMLPicture::Prepared> listPicture;
  QString listPicturePath;
  FileStamp listPictureStamp;
};

// Hands the list the picture a worker read for an item about to be added, unless the file has
// changed since (then the list reads it itself, as it would have without workers).
void AdoptListPicture(kalvora::THTMLPictureCache& cache, std::optional<DecodedPicture>& decoded);

// One entry of a list read ahead.
struct AheadItem {
  QString picture;       // the picture the entry is for (what the taker asks for)
  bool decode = true;    // decode it for a thumbnail
  QString thumbnail;     // written by the worker as well, when set
  QString listPicture;   // the entry's thumbnail file, read for the list when set
  // A list entry showing thumbnail: made by the worker when missing, then read for the list.
  static AheadItem ListEntry(const QString& picture, const QString& thumbnail);
};

// Decodes the first page of a picture at a reduced size of at least `height` rows (the same
// request a thumbnail load makes). Safe to call from any thread. With a turn, the pixels are
// taken from its budget before the picture is decoded (the result keeps them).
DecodedPicture DecodeForThumbnail(const QString& path, int height, BudgetTurn* turn = nullptr);

class DecodeAhead {
 public:
  // threads 0: as SetWorkerCount says (one per core by default). The workers share a budget of
  // ReadPixelBudget() pixels.
  DecodeAhead(QStringList paths, int height, int threads = 0);
  // The workers also scale, frame and write each picture's thumbnail (thumbnails[i] for
  // paths[i]) as the maker would, where they can.
  DecodeAhead(QStringList paths, QStringList thumbnails, const ThumbnailFrame& frame, int height, int threads = 0);
  // Any mix: entries to decode, to make the thumbnail of, and to read the list picture of.
  // A thumbnail named by two entries is written by the worker of the first only.
  DecodeAhead(std::vector<AheadItem> items, const ThumbnailFrame& frame, int height, int threads = 0);
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  // The next entry in order when it is for path (waits for it, pumping); nothing when the next
  // one is another picture, so a caller that skips a picture simply decodes it itself.
  std::optional<DecodedPicture> takeIfNext(const QString& path, const OrderedWork<DecodedPicture>::Pump& pump = {});
  // Starts no further picture; what a worker has begun is finished first.
  void stop() { work_.stop(); }
  int threadCount() const { return work_.threadCount(); }
  static void SetWorkerCount(int count) { SetReadWorkerCount(count); }

 private:
  DecodedPicture job(int i, BudgetTurn& turn) const;
  static constexpr int kSkipAtMost = 64;

  std::vector<AheadItem> items_;
  const ThumbnailFrame frame_;
  const int height_;
  OrderedWork<DecodedPicture> work_;
};
