#include "PictureStore.h"

#include <algorithm>
#include <optional>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPaintDevice>

#include "FileOps.h"

namespace kalvora {

namespace {
// Files larger than this are no thumbnails or mark-up pictures; they are not read.
constexpr qint64 kMaxPictureFileSize = 256 * 1024 * 1024;

double DeviceScaleX(const QPainter& p) {
  const QPaintDevice* d = p.device();
  const int dpi = d ? d->logicalDpiX() : 96;
  return dpi > 0 ? dpi / 96.0 : 1.0;
}
double DeviceScaleY(const QPainter& p) {
  const QPaintDevice* d = p.device();
  const int dpi = d ? d->logicalDpiY() : 96;
  return dpi > 0 ? dpi / 96.0 : 1.0;
}
}  // namespace

THTMLPicture::THTMLPicture() = default;
THTMLPicture::~THTMLPicture() = default;

void THTMLPicture::resetAnimation() {
  image_ = QImage();
  frames_.clear();
  framesScanned_ = false;
  frame_ = 1;
  nextFrameTime_ = -1;
  tickCount_ = -1;
  frameLeft_ = frameTop_ = frameWidth_ = frameHeight_ = 0;
  reader_.reset();
  buffer_.reset();
  readerNext_ = 0;
}

void THTMLPicture::setData(const QByteArray& data) {
  resetAnimation();
  data_ = data;
  empty_ = false;
}

namespace {
QByteArray ReadPictureFile(const QString& fileName) {
  QString path = fileName;
  if (!QFile::exists(path)) path = ResolveNoCase(path);
  // Only regular files: a device or a pipe named in an item must not hang the list.
  if (!QFileInfo(path).isFile()) throw std::runtime_error("Could not read image file");
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("Could not read image file");
  QByteArray bytes = f.read(kMaxPictureFileSize + 1);
  if (bytes.size() > kMaxPictureFileSize) throw std::runtime_error("Could not read image file");
  return bytes;
}
}  // namespace

void THTMLPicture::LoadFromFile(const QString& fileName) {
  try {
    setData(ReadPictureFile(fileName));
    decode();
    if (OnChange) OnChange();
  } catch (...) {
    resetAnimation();
    data_.clear();
    empty_ = true;
  }
}

void THTMLPicture::LoadFromData(const QByteArray& data) {
  setData(data);
  decode();
  if (OnChange) OnChange();
}

void THTMLPicture::LoadFromStream(QIODevice& stream) {
  LoadFromData(stream.readAll());
}

void THTMLPicture::ReadData(QIODevice& stream) {
  setData(stream.readAll());
  decode();
}

void THTMLPicture::SaveToStream(QIODevice& stream) const {
  stream.write(data_);
}

void THTMLPicture::Assign(const THTMLPicture* source) {
  resetAnimation();
  empty_ = true;
  if (!source) {
    data_.clear();
    return;
  }
  setData(source->data_);
  decode();
  if (OnChange) OnChange();
}

void THTMLPicture::LoadFromURL(const QString& url) {
  const QString old = url_;
  struct Reindex {
    THTMLPicture* p;
    const QString& old;
    ~Reindex() {
      if (p->owner_ && p->url_ != old) p->owner_->urlChanged(p, old);
    }
  } reindex{this, old};
  const QString up = url.toUpper();
  if (up.startsWith(QLatin1String("RES://"))) {
    url_ = url;
    QFile res(QStringLiteral(":/") + url.mid(6));
    if (res.open(QIODevice::ReadOnly)) LoadFromStream(res);
  } else if (up.startsWith(QLatin1String("FILE://"))) {
    url_ = url;
    const QString rest = url.mid(7);
    if (!rest.isEmpty()) LoadFromFile(rest);
  } else if (!Asynchronous) {
    url_ = url;
    downloadUrl_ = url;
  } else {
    // Network pictures are never fetched; remembering the source is all there is to do.
    downloadUrl_ = url;
  }
}

std::optional<THTMLPicture::Prepared> THTMLPicture::Prepare(const QString& url) {
  if (!url.startsWith(QLatin1String("FILE://"), Qt::CaseInsensitive)) return std::nullopt;
  Prepared out;
  out.url = url;
  // As LoadFromFile, on a picture of this thread (its reader lives and dies here). A GIF is
  // not even decoded: its decoding sets a limit shared by the whole program.
  try {
    const QByteArray bytes = ReadPictureFile(url.mid(7));
    if (gifscan::IsGif(bytes)) return std::nullopt;
    THTMLPicture picture;
    picture.setData(bytes);
    picture.decode();
    out.data = picture.data_;
    out.image = picture.image_;
    out.empty = false;
  } catch (...) {
    // What the list's load would leave: an empty picture under this source.
  }
  return out;
}

int THTMLPicture::FrameCount() const {
  if (!gifscan::IsGif(data_)) return -1;
  if (!framesScanned_) {
    frames_ = gifscan::ScanFrames(data_);
    framesScanned_ = true;
  }
  return int(frames_.size());
}

int THTMLPicture::FrameDelay(int n) {
  if (FrameCount() < 0 || n < 1 || n > int(frames_.size())) return -1;
  const gifscan::FrameInfo& f = frames_[size_t(n - 1)];
  frameTransparent_ = f.transparent;
  frameDisposal_ = f.disposal;
  return f.delay;
}

bool THTMLPicture::readFrame(int index, QImage& out) {
  // Qt's GIF reader allocates and clears the whole screen a frame reaches, for every frame it
  // reads; a hostile header asks for a huge screen with next to no data. Mark-up pictures are
  // small, so a GIF screen past 8 megapixels is not decoded, and one call decodes at most
  // 64 megapixels of frames (a jump far into a long animation of a large screen shows nothing).
  constexpr qint64 kMaxGifPixels = qint64(8) << 20;
  constexpr qint64 kMaxGifWork = qint64(64) << 20;
  const bool restart = !reader_ || readerNext_ > index;
  if (FrameCount() > 0) {
    int sw = 0, sh = 0;
    gifscan::ScreenSize(data_, sw, sh);
    qint64 canvas = qint64(sw) * sh;
    if (canvas > kMaxGifPixels) return false;
    qint64 work = 0;
    const int first = restart ? 0 : readerNext_;
    for (int i = 0; i <= index && i < int(frames_.size()); ++i) {
      const gifscan::FrameInfo& f = frames_[size_t(i)];
      canvas = std::max(canvas, qint64(std::max(sw, f.left + f.width)) * std::max(sh, f.top + f.height));
      if (canvas > kMaxGifPixels) return false;
      if (i >= first) work += canvas;
    }
    if (work > kMaxGifWork) return false;
  }
  if (restart) {
    reader_.reset();
    buffer_ = std::make_unique<QBuffer>();
    buffer_->setData(data_);
    buffer_->open(QIODevice::ReadOnly);
    reader_ = std::make_unique<QImageReader>(buffer_.get());
    reader_->setDecideFormatFromContent(true);
    readerNext_ = 0;
  }
  // Qt's reader may see frames the scan above does not (the scan looks for frames with a control
  // block only), so its own allocation check is held to the same screen size while it reads.
  struct AllocationLimit {
    int old = QImageReader::allocationLimit();
    AllocationLimit() { QImageReader::setAllocationLimit(int((kMaxGifPixels * 4) >> 20)); }
    ~AllocationLimit() { QImageReader::setAllocationLimit(old); }
  };
  std::optional<AllocationLimit> limit;
  if (FrameCount() >= 0) limit.emplace();
  QImage img;
  while (readerNext_ <= index) {
    if (!reader_->read(&img)) {
      reader_.reset();  // the reader cannot go on after a failure; start over next time
      return false;
    }
    ++readerNext_;
  }
  out = img;
  return true;
}

void THTMLPicture::decode() {
  if (data_.isEmpty()) throw std::runtime_error("Empty image stream created");
  frameLeft_ = frameTop_ = frameWidth_ = frameHeight_ = 0;
  screenWidth_ = screenHeight_ = 0;
  int index = 0;
  if (FrameCount() > 0) {
    gifscan::ScreenSize(data_, screenWidth_, screenHeight_);
    if (frame_ < 1 || frame_ > int(frames_.size())) frame_ = 1;
    const gifscan::FrameInfo& f = frames_[size_t(frame_ - 1)];
    frameLeft_ = f.left;
    frameTop_ = f.top;
    frameWidth_ = f.width;
    frameHeight_ = f.height;
    index = frame_ - 1;
  }
  QImage img;
  if (readFrame(index, img) && !img.isNull()) {
    image_ = img;
    return;
  }
  // A later frame of a damaged animation keeps showing the last good one.
  if (index > 0 && !image_.isNull()) return;
  image_ = QImage();
  QBuffer probe(&data_);
  probe.open(QIODevice::ReadOnly);
  QImageReader check(&probe);
  check.setDecideFormatFromContent(true);
  if (!check.canRead()) throw std::runtime_error("Could not load image. Invalid format");
  const QSize size = check.size();
  if (size.isValid() && qint64(size.width()) * size.height() > 256LL * 1024 * 1024 / 4)
    throw std::runtime_error("Could not allocate memory for image");
  throw std::runtime_error("Could not load image");
}

void THTMLPicture::SetFrame(int frame) {
  frame_ = frame;
  if (data_.isEmpty()) return;
  decode();
  if (OnFrameChange) OnFrameChange();
}

bool THTMLPicture::Step() {
  const int count = FrameCount();
  if (count < 2 || empty_) return false;
  if (nextFrameTime_ == -1) {
    nextFrameTime_ = FrameDelay(frame_);
    tickCount_ = 0;
  }
  bool changed = false;
  if (tickCount_ * 10 >= nextFrameTime_) {
    frame_ = frame_ >= count ? 1 : frame_ + 1;
    try {
      decode();
    } catch (const std::exception&) {
      // Stepping runs from a timer: a broken frame keeps the picture as it is.
    }
    if (OnFrameChange) OnFrameChange();
    nextFrameTime_ += std::max(0, FrameDelay(frame_));
    changed = true;
  }
  ++tickCount_;
  return changed;
}

int THTMLPicture::DrawWidth() const {
  return screenWidth_ != 0 ? screenWidth_ : Width();
}

int THTMLPicture::DrawHeight() const {
  return screenHeight_ != 0 ? screenHeight_ : Height();
}

void THTMLPicture::Draw(QPainter& p, const QRect& rect) const {
  if (empty_ || image_.isNull()) return;
  if (Stretch) {
    p.drawImage(rect, image_);
  } else {
    const QSize s(int(image_.width() * DeviceScaleX(p) + 0.5),
                  int(image_.height() * DeviceScaleY(p) + 0.5));
    p.drawImage(QRect(rect.topLeft(), s), image_);
  }
}

THTMLPicture* THTMLPictureCache::AddPicture() {
  pictures_.push_back(std::make_unique<THTMLPicture>());
  THTMLPicture* p = pictures_.back().get();
  p->owner_ = this;
  p->place_ = pictures_.size() - 1;
  return p;
}

THTMLPicture* THTMLPictureCache::AddPrepared(THTMLPicture::Prepared prepared) {
  if (THTMLPicture* here = FindPicture(prepared.url)) return here;
  THTMLPicture* p = AddPicture();
  // As the list's renderer sets up a picture it loads itself.
  p->Asynchronous = false;
  p->data_ = std::move(prepared.data);
  p->image_ = std::move(prepared.image);
  p->empty_ = prepared.empty;
  p->url_ = prepared.url;
  urlChanged(p, QString());
  return p;
}

THTMLPicture* THTMLPictureCache::FindPicture(const QString& url) const {
  if (!url.isEmpty()) return index_.value(url, nullptr);
  for (const auto& p : pictures_)
    if (p->URL().isEmpty()) return p.get();
  return nullptr;
}

void THTMLPictureCache::urlChanged(THTMLPicture* picture, const QString& old) {
  if (!old.isEmpty() && index_.value(old) == picture) {
    // The next picture that still has the old URL takes its place in the index.
    index_.remove(old);
    for (size_t i = picture->place_ + 1; i < pictures_.size(); ++i)
      if (pictures_[i]->URL() == old) {
        index_.insert(old, pictures_[i].get());
        break;
      }
  }
  const QString& url = picture->URL();
  if (url.isEmpty()) return;
  THTMLPicture*& first = index_[url];
  if (!first || first->place_ > picture->place_) first = picture;
}

bool THTMLPictureCache::Animate() {
  bool changed = false;
  for (const auto& p : pictures_) changed = p->Step() || changed;
  return changed;
}

void TPictureItem::Assign(const TPictureItem& other) {
  Name = other.Name;
  Tag = other.Tag;
  picture_.Assign(&other.picture_);
}

TPictureItem* TPictureCollection::Add() {
  items_.push_back(std::make_unique<TPictureItem>());
  return items_.back().get();
}

bool TPictureCollection::Animate() {
  bool changed = false;
  for (const auto& i : items_) changed = i->Picture().Step() || changed;
  return changed;
}

THTMLPicture* TPictureStore::FindPicture(const QString& name) const {
  for (int i = 0; i < items_.Count(); ++i) {
    TPictureItem* item = items_.Items(i);
    if (item->Name.compare(name, Qt::CaseInsensitive) == 0) return &item->Picture();
  }
  return nullptr;
}

}  // namespace kalvora
