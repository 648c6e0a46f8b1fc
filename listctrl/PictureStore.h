#pragma once
// Pictures named by the mark-up's IMG and BODY elements.
//
// THTMLPicture holds a picture file's bytes and the decoded current frame. Anything Qt's
// image reader understands loads (BMP, JPEG, PNG, GIF, ...); an animated GIF steps frame by
// frame on the owning list's 100 ms timer (Step). Frames come out of the reader composited
// onto the GIF's logical screen, so every frame draws at the picture's origin.
//
// THTMLPictureCache is a list control's own cache of pictures loaded from "://" sources
// ("file://" + path, "res://" + a Qt resource name); TPictureStore is a set of pictures by
// name for sources without ":". Network sources keep their URL and stay empty.
#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "GifScan.h"

class QPainter;
class QIODevice;
class QBuffer;
class QImageReader;

namespace kalvora {

class THTMLPictureCache;

class THTMLPicture {
 public:
  // A "file://" picture read and decoded ahead, away from its list (see Prepare).
  struct Prepared {
    QString url;
    QByteArray data;
    QImage image;
    bool empty = true;
  };
  // Reads and decodes url as LoadFromURL would, touching nothing shared, so any thread may
  // call it. Nothing for other sources and for animations, whose frames are read as they show.
  static std::optional<Prepared> Prepare(const QString& url);

  THTMLPicture();
  ~THTMLPicture();
  THTMLPicture(const THTMLPicture&) = delete;
  THTMLPicture& operator=(const THTMLPicture&) = delete;

  // The file's bytes become the picture; any failure is swallowed and leaves it empty.
  // A name that does not exist as written is looked up again without case.
  void LoadFromFile(const QString& fileName);
  // The bytes become the picture and are decoded; throws std::runtime_error with the
  // decoder's message ("Could not load image. Invalid format", ...) when they are no picture.
  void LoadFromStream(QIODevice& stream);
  void LoadFromData(const QByteArray& data);  // as LoadFromStream
  void ReadData(QIODevice& stream);           // as LoadFromStream, without OnChange
  void SaveToStream(QIODevice& stream) const;  // the bytes as loaded
  void WriteData(QIODevice& stream) const { SaveToStream(stream); }
  // Copies another picture's bytes (nullptr empties this one).
  void Assign(const THTMLPicture* source);

  // "res://name": the Qt resource ":/name"; "file://path": the file; anything else is
  // remembered (URL, DownloadURL) and not loaded. Compared without case.
  void LoadFromURL(const QString& url);

  bool Empty() const { return empty_; }
  bool HasImage() const { return !image_.isNull(); }
  const QImage& Image() const { return image_; }  // the current frame
  // Pixel size of the current frame (0 without one).
  int Width() const { return image_.width(); }
  int Height() const { return image_.height(); }
  // Size the renderer lays out: the GIF's logical screen when it has one, else Width/Height.
  int DrawWidth() const;
  int DrawHeight() const;

  // Draws the current frame: stretched into rect with Stretch, else at rect's top-left at its
  // natural size scaled by the device's dots per inch / 96.
  void Draw(QPainter& p, const QRect& rect) const;
  bool Stretch = false;

  // Animation. Frames count from 1; FrameCount is -1 when the data is not a GIF, else the
  // number of frame markers (0 for a GIF without graphic control extensions).
  int Frame() const { return frame_; }
  void SetFrame(int frame);
  int FrameCount() const;
  // Delay of frame n (1-based) in hundredths of a second, -1 when there is no such frame;
  // also records that frame's transparency flag and disposal method.
  int FrameDelay(int n);
  // One 100 ms tick: true when the frame changed.
  bool Step();
  int FrameOffsetX() const { return frameLeft_; }
  int FrameOffsetY() const { return frameTop_; }
  int FrameWidth() const { return frameWidth_; }
  int FrameHeight() const { return frameHeight_; }
  bool FrameTransparent() const { return frameTransparent_; }
  int FrameDisposal() const { return frameDisposal_; }

  const QString& URL() const { return url_; }
  const QString& DownloadURL() const { return downloadUrl_; }
  bool Asynchronous = true;

  std::function<void()> OnChange;
  std::function<void()> OnFrameChange;

 private:
  friend class THTMLPictureCache;
  void setData(const QByteArray& data);
  void resetAnimation();
  void decode();  // throws
  bool readFrame(int index, QImage& out);

  QByteArray data_;
  bool empty_ = true;
  QImage image_;
  int frame_ = 1;
  mutable std::vector<gifscan::FrameInfo> frames_;
  mutable bool framesScanned_ = false;
  int frameLeft_ = 0, frameTop_ = 0, frameWidth_ = 0, frameHeight_ = 0;
  bool frameTransparent_ = false;
  int frameDisposal_ = 0;
  int screenWidth_ = 0, screenHeight_ = 0;
  int nextFrameTime_ = -1;
  int tickCount_ = -1;
  QString url_, downloadUrl_;
  // The cache holding this picture and its place there (its URL is indexed).
  THTMLPictureCache* owner_ = nullptr;
  size_t place_ = 0;
  // Kept open between frames so stepping an animation reads each frame once.
  std::unique_ptr<QBuffer> buffer_;
  std::unique_ptr<QImageReader> reader_;
  int readerNext_ = 0;
};

// Pictures loaded from "://" sources, in the order added; they live as long as the cache.
class THTMLPictureCache {
 public:
  THTMLPicture* AddPicture();
  // Adds a prepared picture unless one with its URL is here already (that one is returned):
  // a list showing it then neither reads nor decodes the file again.
  THTMLPicture* AddPrepared(THTMLPicture::Prepared prepared);
  // The first picture whose URL equals url exactly (with case); nullptr when none.
  THTMLPicture* FindPicture(const QString& url) const;
  THTMLPicture* GetPicture(int index) const { return pictures_.at(size_t(index)).get(); }
  int Count() const { return int(pictures_.size()); }
  void Clear() {
    pictures_.clear();
    index_.clear();
  }
  // Steps every picture; true when any frame changed.
  bool Animate();

 private:
  friend class THTMLPicture;
  void urlChanged(THTMLPicture* picture, const QString& old);
  std::vector<std::unique_ptr<THTMLPicture>> pictures_;
  // The first picture of each non-empty URL: a list of thousands of thumbnails looks each up
  // while it measures and paints.
  QHash<QString, THTMLPicture*> index_;
};

class TPictureItem {
 public:
  THTMLPicture& Picture() { return picture_; }
  const THTMLPicture& Picture() const { return picture_; }
  void SetPicture(const THTMLPicture& p) { picture_.Assign(&p); }
  QString Name;
  int Tag = 0;
  void Assign(const TPictureItem& other);

 private:
  THTMLPicture picture_;
};

class TPictureCollection {
 public:
  TPictureItem* Add();
  int Count() const { return int(items_.size()); }
  TPictureItem* Items(int index) const { return items_.at(size_t(index)).get(); }
  void Delete(int index) { items_.erase(items_.begin() + index); }
  void Clear() { items_.clear(); }
  bool Animate();

 private:
  std::vector<std::unique_ptr<TPictureItem>> items_;
};

// Named pictures for IMG sources without ":".
class TPictureStore {
 public:
  TPictureCollection& Items() { return items_; }
  const TPictureCollection& Items() const { return items_; }
  // The picture of the first item whose name equals name without case; nullptr when none.
  THTMLPicture* FindPicture(const QString& name) const;

 private:
  TPictureCollection items_;
};

}  // namespace kalvora
