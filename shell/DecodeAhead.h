#pragma once
// Reading the pictures of a folder or a slideshow ahead on worker threads, one per core. The
// workers only read and decode files with the imaging library's thread-safe path (no picture
// component, no global current image); the main thread takes the results in the list's order
// and makes the thumbnails with its picture component exactly as before.
#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "PxBitmap.h"
#include "PxFile.h"

// A picture decoded for a thumbnail: what the component's load of its first page gives.
struct DecodedPicture {
  int status = 0;  // 1 when read
  px::FileInfo info;
  px::Bitmap bitmap;
  // The file as it was read: a picture changed or gone since is read again by its taker.
  qint64 fileSize = -1;
  qint64 modifiedNs = -1;
  bool stillCurrent(const QString& path) const;
};

// Decodes the first page of a picture at a reduced size of at least `height` rows (the same
// request a thumbnail load makes). Safe to call from any thread.
DecodedPicture DecodeForThumbnail(const QString& path, int height);

class DecodeAhead {
 public:
  // threads 0: one per core.
  DecodeAhead(QStringList paths, int height, int threads = 0);
  ~DecodeAhead();  // cancels and waits for the workers
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  // The next picture in order when it is path (waits for it); nothing when the next one is
  // another picture, so a caller that skips a picture simply decodes it itself.
  std::optional<DecodedPicture> takeIfNext(const QString& path);
  void cancel();
  int threadCount() const { return int(threads_.size()); }
  // Workers of later reads: 0 one per core (the default), a negative count none at all (every
  // picture is read on the main thread, as a reference).
  static void SetWorkerCount(int count);

 private:
  void work();

  const QStringList paths_;
  const int height_;
  std::mutex mutex_;
  std::condition_variable ready_, room_;
  std::vector<std::optional<DecodedPicture>> results_;
  int next_ = 0;   // next picture a worker starts
  int taken_ = 0;  // next picture the main thread takes
  bool cancelled_ = false;
  std::vector<std::thread> threads_;
};
