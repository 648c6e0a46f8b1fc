#include "ImagingHooks.h"

#include <QFile>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "Colors.h"
#include "DecodeAhead.h"
#include "PixelBudget.h"
#include "PxPaint.h"
#include "PxProcess.h"

namespace {
// A thumbnail is too small for the row loops to pay for their threads.
class SerialRowsScope {
 public:
  SerialRowsScope() : was_(px::SetSerialRows(true)) {}
  ~SerialRowsScope() { px::SetSerialRows(was_); }
  SerialRowsScope(const SerialRowsScope&) = delete;
  SerialRowsScope& operator=(const SerialRowsScope&) = delete;

 private:
  bool was_;
};

// Sets a load size hint for one load and clears it on every way out.
class LoadHintScope {
 public:
  LoadHintScope(PicImageControl* p, int w, int h) : p_(p) { p_->SetLoadSizeHint(w, h); }
  ~LoadHintScope() { p_->SetLoadSizeHint(0, 0); }
  LoadHintScope(const LoadHintScope&) = delete;
  LoadHintScope& operator=(const LoadHintScope&) = delete;

 private:
  PicImageControl* p_;
};
}  // namespace

int ThumbnailWidth(int pictureWidth, int pictureHeight, int height) {
  if (pictureWidth <= 0 || pictureHeight <= 0) return std::max(1, height);
  const double ratio = double(pictureWidth) / pictureHeight;
  // A very narrow picture still gets a one-pixel-wide thumbnail instead of none.
  return std::max(1, int(std::nearbyint(height * ratio)));
}

void SetUpThumbnailMaker(PicImageControl* maker) {
  maker->SetShapeBorderColor(0xC0C0C0);  // silver
  maker->SetShapeBorderStyle(sbrSolid);
  maker->SetShapeBorderThickness(1);
  maker->SetShapeInnerBandStyle(sibRaised);
  maker->SetShapeInnerBandThickness(5);
  maker->SetShapeInnerBandShadowColor(0xFFFFFF);
  maker->SetShapeOuterBandThickness(5);
  maker->SetShapeOuterBandShadowColor(0xFF0000);  // blue ($00BBGGRR)
  maker->SetShadowColor(15395562);
  maker->SetShadowXDepth(2);
  maker->SetShadowYDepth(2);
  maker->SetBackColor(TColor(kalvora::clHighlightText));
  maker->SetPatternStyle(epsTransparent);
}

namespace {
// The two corners the drop shadow leaves uncovered become white.
void WhitenBareCorners(px::Bitmap& bitmap) {
  const int bw = bitmap.width, bh = bitmap.height;
  const QRegion corners = QRegion(0, bh - 2, 2, 2) + QRegion(bw - 2, 0, 2, 2);
  px::FillBitmap(bitmap, 0xFFFFFF, &corners);
}

constexpr int kThumbnailShape = 2000;

// How far the 3-D frame reaches into the thumbnail from each side.
int FrameInset(const px::ShapeStyle& s) {
  int inset = 0;
  if (s.outerStyle != 0) inset += std::max(0, s.outerThickness);
  if (s.borderStyle != 0) inset += std::max(0, s.borderThickness);
  if (s.innerStyle != 0) inset += std::max(0, s.innerThickness);
  return inset;
}

// Where the picture goes in a thumbnail w x h: whole, with its own side ratio (pictureWidth x
// pictureHeight), inside the frame, which is painted over the thumbnail's outer pixels. Drawn
// under the frame, a picture's edges would not show, and so neither would what an edit did
// there: a frame step's frame, a warp near the edge. Too small a thumbnail for that is filled.
QRect PicturePlace(int w, int h, int pictureWidth, int pictureHeight, int inset) {
  const int iw = w - 2 * inset, ih = h - 2 * inset;
  if (iw < 1 || ih < 1 || pictureWidth <= 0 || pictureHeight <= 0) return QRect(0, 0, w, h);
  const double scale = std::min(double(iw) / pictureWidth, double(ih) / pictureHeight);
  const int pw = std::clamp(int(std::nearbyint(pictureWidth * scale)), 1, iw);
  const int ph = std::clamp(int(std::nearbyint(pictureHeight * scale)), 1, ih);
  return QRect(inset + (iw - pw) / 2, inset + (ih - ph) / 2, pw, ph);
}

// The scaled picture on a white thumbnail of w x h at place (24 bits).
int PlaceOnThumbnail(const px::Bitmap& sized, int w, int h, const QRect& place, px::Bitmap& out) {
  QImage canvas(w, h, QImage::Format_RGB888);
  if (canvas.isNull()) return px::kNoMemory;
  canvas.fill(Qt::white);
  {
    const QImage picture = px::ToQImage(sized);
    if (picture.isNull()) return px::kNoMemory;
    QPainter painter(&canvas);
    painter.drawImage(place.topLeft(), picture);
  }
  return px::FromQImage(canvas, out);
}

// The thumbnail steps after the load: scaled with the file's own ratio into the place inside
// the frame, framed, the two bare corners whitened and saved as JPEG.
bool FinishThumbnail(PicImageControl* maker, int w, int h, const QString& thumbnail, int height) {
  const SerialRowsScope serial;
  QImage background;
  const int inset = FrameInset(maker->ShapeStyleOf(nullptr, background));
  const int tw = ThumbnailWidth(w, h, height);
  const QRect place = PicturePlace(tw, height, w, h, inset);
  maker->Size(place.width(), place.height(), 4);
  if (place.size() != QSize(tw, height)) {
    px::Bitmap framed;
    if (PlaceOnThumbnail(maker->Bitmap(), tw, height, place, framed) != 1) return false;
    maker->SetBitmap(&framed);
  }
  maker->SetDrawPersistence(true);
  maker->SetShapeLeft(0);
  maker->SetShapeTop(0);
  maker->SetShapeHeight(maker->BitmapHeight());
  maker->SetShapeWidth(maker->BitmapWidth());
  maker->DrawShape(kThumbnailShape, nullptr);
  maker->SetAutoRepaint(true);
  WhitenBareCorners(maker->Bitmap());
  return maker->Save(thumbnail, 23, 24, 2, 0) == 1;
}

// The maker paints 24- and 32-bit pictures of view perspective 0 in place; others through a
// converted copy, which is left to the maker.
bool paintedInPlace(const px::Bitmap& b) { return b.allocated() && b.bits >= 24 && b.viewPerspective == 0; }
}  // namespace

ThumbnailFrame ThumbnailFrameOf(PicImageControl* maker) {
  ThumbnailFrame out;
  if (!maker) return out;
  QImage background;
  out.style = maker->ShapeStyleOf(nullptr, background);
  // A background picture would be the maker's; a worker draws only plain frames.
  out.usable = out.style.background == nullptr && maker->PaintZoomFactor() == 100;
  out.style.background = nullptr;
  return out;
}

// The sides a thumbnail's ratio comes from: the file's own where it knows them (a reduced
// decode may have rounded the bitmap's), else the bitmap's.
static QSize ThumbnailSourceSize(int fileWidth, int fileHeight, int bitmapWidth, int bitmapHeight) {
  return fileWidth > 0 && fileHeight > 0 ? QSize(fileWidth, fileHeight) : QSize(bitmapWidth, bitmapHeight);
}

// The options of a JPEG save of a picture's first page, as the component saves one.
static px::SaveOptions FirstPageJpegOptions() {
  px::SaveOptions save;
  save.page = 1;
  save.passes = 0;
  save.flags = 0x10;
  return save;
}

int FinishThumbnailOnWorker(px::Bitmap& bitmap, const px::FileInfo& info, const ThumbnailFrame& frame,
                            const QString& thumbnail, int height) {
  if (!frame.usable || height <= 0 || !paintedInPlace(bitmap)) return 0;
  if (bitmap.width <= 0 || bitmap.height <= 0) return px::kInvalidFormat;
  const QSize side = ThumbnailSourceSize(info.width, info.height, bitmap.width, bitmap.height);
  const int tw = ThumbnailWidth(side.width(), side.height(), height);
  const QRect place = PicturePlace(tw, height, side.width(), side.height(), FrameInset(frame.style));
  px::Bitmap sized = bitmap;
  int st = px::SizeBitmap(sized, place.width(), place.height(), 4);
  if (st != 1) return st;
  if (!paintedInPlace(sized)) return 0;
  if (place.size() != QSize(tw, height)) {
    px::Bitmap framed;
    st = PlaceOnThumbnail(sized, tw, height, place, framed);
    if (st != 1) return st;
    sized = std::move(framed);
  }
  {
    QImage canvas = px::ToQImage(sized);
    if (canvas.isNull()) return px::kNoMemory;
    QPainter painter(&canvas);
    st = px::EfxDraw3dShape(painter, kThumbnailShape, QRect(0, 0, sized.width, sized.height), frame.style);
  }
  if (st != 1) return st;
  WhitenBareCorners(sized);
  return px::SaveBitmap(QFile::encodeName(thumbnail).toStdString(), sized, 23, 24, 2, FirstPageJpegOptions());
}

bool MakeThumbnailFile(PicImageControl* maker, const QString& picture, const QString& thumbnail, int height) {
  if (!maker || height <= 0) return false;
  try {
    // A JPEG decodes at a reduced size that is still at least the thumbnail's height.
    LoadHintScope hint(maker, 1, height);
    maker->SetAutoRepaint(false);
    maker->Load(picture, 0, 1, 1);
    if (!maker->IsAllocated() || maker->BitmapWidth() <= 0 || maker->BitmapHeight() <= 0) return false;
    const QSize side =
        ThumbnailSourceSize(maker->InfoWidth(), maker->InfoHeight(), maker->BitmapWidth(), maker->BitmapHeight());
    return FinishThumbnail(maker, side.width(), side.height(), thumbnail, height);
  } catch (...) {
    maker->SetAutoRepaint(true);
    return false;
  }
}

bool MakeThumbnailFromDecoded(PicImageControl* maker, const DecodedPicture& picture, const QString& thumbnail,
                              int height) {
  if (!maker || height <= 0) return false;
  try {
    maker->SetAutoRepaint(false);
    maker->FreeImage();
    if (picture.status != 1 || !picture.bitmap.allocated()) {
      maker->SetAutoRepaint(true);
      return false;
    }
    maker->SetBitmap(&picture.bitmap);
    if (!maker->IsAllocated() || maker->BitmapWidth() <= 0 || maker->BitmapHeight() <= 0) {
      maker->SetAutoRepaint(true);
      return false;
    }
    const QSize side =
        ThumbnailSourceSize(picture.info.width, picture.info.height, maker->BitmapWidth(), maker->BitmapHeight());
    return FinishThumbnail(maker, side.width(), side.height(), thumbnail, height);
  } catch (...) {
    maker->SetAutoRepaint(true);
    return false;
  }
}

bool LoadPictureInto(PicImageControl* picture, const QString& path) {
  if (!picture) return false;
  try {
    return picture->Load(path, 0, 1, 1) == 1 && picture->IsAllocated();
  } catch (...) {
    return false;
  }
}

void ConvertToJpeg(PicImageControl* picture, const QString& source, const QString& target) {
  picture->Load(source, 0, 0, 1);
  picture->Save(target, 23, 24, 2, 0);
}

static int ConvertFirstPage(const QString& source, const QString& target, BudgetTurn* turn) {
  // As the component's load of the first page and its save.
  QFile file(source);
  if (!file.open(QIODevice::ReadOnly)) return QFile::exists(source) ? px::kOpenError : px::kFileNotFound;
  const QByteArray bytes = file.readAll();
  file.close();
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
  const size_t size = size_t(bytes.size());
  px::LoadOptions opts;
  opts.infoRequestA = -1;
  px::FileInfo info;
  int st = px::GetFileInfoMemory(data, size, info, opts);
  if (st != 1) return st;
  // The page, and the 24-bit copy the save makes of a page of another depth.
  if (turn && !turn->take(px::FirstPagePixels(info, opts) * (info.bits == 24 ? 1 : 2))) return px::kAborted;
  px::Bitmap first;
  bool firstDone = false;
  st = px::LoadMemory(data, size, opts, 0, [&](px::Bitmap& b, unsigned flags, int, int) {
    if ((flags & (px::kBandPageEnd | px::kBandLast)) != (px::kBandPageEnd | px::kBandLast)) return 1;
    first = b;
    firstDone = true;
    return px::kStopped;
  });
  if (st == px::kStopped) st = 1;
  if (st != 1) return st;
  if (!firstDone || !first.allocated()) return px::kInvalidFormat;
  px::SaveOptions save = FirstPageJpegOptions();
  save.globalWidth = first.viewWidth();
  save.globalHeight = first.viewHeight();
  return px::SaveBitmap(QFile::encodeName(target).toStdString(), first, 23, 24, 2, save);
}

int ConvertToJpegFile(const QString& source, const QString& target, BudgetTurn* turn) {
  const int st = ConvertFirstPage(source, target, turn);
  if (turn) turn->keep(0);  // the result is a status: the pictures are gone
  return st;
}
