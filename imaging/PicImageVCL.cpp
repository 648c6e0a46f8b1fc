#include "PicImageVCL.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "PxPaint.h"

namespace {

// The library's status callback carries no user data, so one process-wide slot says which
// component an operation belongs to, with the abort request and aborted flags.
TPicImage* g_current = nullptr;
bool g_abortRequest = false;
bool g_aborted = false;

// Rounding of the floating-point unit: halves to the even neighbour.
int Round(double v) { return int(std::nearbyint(v)); }

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  double r = double(a) * b / c;
  return int(r < 0 ? std::ceil(r - 0.5) : std::floor(r + 0.5));
}

int ScaleLength(int length, double scale) {
  if (scale > 0) return Round(length * scale);
  if (scale < 0) return Round(length / (1 - scale));
  return 1;
}

int StatusCallback(int percent, intptr_t) {
  TPicImage* cur = g_current;
  if (!cur) {
    // Nothing to report to: go on, and do not mark an abort nobody asked for.
    g_abortRequest = false;
    return 1;
  }
  if (cur->EnableProgressEvent()) {
    if (cur->OnStatus) cur->OnStatus(cur, percent);
    return 1;
  }
  if (g_abortRequest) {
    g_abortRequest = false;
    g_aborted = true;
    return 0;
  }
  return 1;
}

int LoadInfoCallback(intptr_t user) {
  auto* self = reinterpret_cast<TPicImage*>(user);
  g_current = self;
  if (self && self->OnLoadInfo) self->OnLoadInfo(self);
  return 0;
}

std::string NativePath(const QString& name) { return QFile::encodeName(name).toStdString(); }

}  // namespace

int TPicImage::paintNestingCount_ = 0;

QColor ColorToQColor(TColor color, const QPalette* palette) {
  uint32_t c = uint32_t(color);
  if ((c & 0xFF000000u) == 0xFF000000u) {
    QPalette pal = palette ? *palette : QPalette();
    switch (c & 0xFF) {
      case 5: return pal.color(QPalette::Base);         // window
      case 8: return pal.color(QPalette::Text);         // window text
      case 13: return pal.color(QPalette::Highlight);
      case 14: return pal.color(QPalette::HighlightedText);
      case 15: return pal.color(QPalette::Button);      // button face
      case 18: return pal.color(QPalette::ButtonText);
      default: return pal.color(QPalette::Window);
    }
  }
  return QColor(int(c & 255), int((c >> 8) & 255), int((c >> 16) & 255));
}

TPicImage::TPicImage(QWidget* parent) : QWidget(parent) {
  state_ |= 1;
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  g_abortRequest = false;
  g_aborted = false;
  resize(150, 150);
  state_ &= uint8_t(~1);
}

TPicImage::~TPicImage() {
  state_ |= 2;
  if (bitmapPainter_) bitmapPainter_->end();
  bitmapPainter_.reset();
  feed_.reset();
  allocated_ = false;
  list_.reset();
  px::InitBitmap(bitmap_);
  px::InitBitmap(backup_);
  // A component that goes away must not stay the target of the status callback.
  if (g_current == this) g_current = prevCurrent_ != this ? prevCurrent_ : nullptr;
  if (busy_) px::SetStatusCallback(prevCallback_);
  state_ &= uint8_t(~2);
}

// ---- Status and errors ----------------------------------------------------------------------
QString TPicImage::LastErrorText() const { return ErrorCodeText(lastError_); }

static QString StandardMessage(const QString& name, int status, const QString& op) {
  return QStringLiteral("%1 \nError code: %2\n%3: %4 ").arg(name, QString::number(status), op, ErrorCodeText(status));
}

int TPicImage::RaiseMethodError(const QString& opName, int status) {
  lastError_ = status;
  if (status != 1 && enableMethodErrors_) throw EPicImageError(StandardMessage(objectName(), status, opName));
  return status;
}

int TPicImage::RaiseMethodErrorIf(const QString& opName, int status, bool raise) {
  lastError_ = status;
  if (status != 1 && enableMethodErrors_ && raise) throw EPicImageError(StandardMessage(objectName(), status, opName));
  return status;
}

void TPicImage::ForceMethodError(const QString& opName, int status) {
  lastError_ = status;
  throw EPicImageError(StandardMessage(objectName(), status, opName));
}

void TPicImage::RaiseInvalidValue(const QString& propName) {
  lastError_ = -13;
  throw EPicImageError(QStringLiteral("%1 \n %2: Invalid value passed.").arg(objectName(), propName));
}

void TPicImage::CheckProcessingAllowed() {
  if (animationPlaying_) ForceMethodError(QStringLiteral("Animation"), -16);
  if ((state_ & 8) || busy_) ForceMethodError(QStringLiteral("Processing not allowed"), 0);
}

int TPicImage::CheckAllocated(const QString& opName, int status) {
  CheckProcessingAllowed();
  if (status != 1) {
    if (!allocated_) {
      lastError_ = -2;
      throw EPicImageError(QStringLiteral("%1 \n%2: Image not allocated.").arg(objectName(), opName));
    }
    lastError_ = 1;
  }
  return lastError_;
}

void TPicImage::SuspendMethodErrors() {
  if (suspendDepth_++ == 0) {
    savedMethodErrors_ = enableMethodErrors_;
    enableMethodErrors_ = false;
  }
}

void TPicImage::ResumeMethodErrors() {
  if (suspendDepth_ > 0 && --suspendDepth_ == 0) enableMethodErrors_ = savedMethodErrors_;
}

bool TPicImage::AbortRequested() { return g_abortRequest; }
bool TPicImage::Aborted() { return g_aborted; }
TPicImage* TPicImage::CurrentImage() { return g_current; }

void TPicImage::SetEnableProgressEvent(bool on) {
  if (on) {
    enableProgressEvent_ = true;
    g_abortRequest = false;
  } else {
    enableProgressEvent_ = false;
    if (busy_) g_abortRequest = true;
  }
}

void TPicImage::changed() {
  lastError_ = 1;
  invalidateIfAuto();
}

void TPicImage::invalidateIfAuto() {
  if (autoRepaint_) update();
}

// ---- Picture state --------------------------------------------------------------------------
// GetBitmap, SetBitmap and StoreBitmapInList: PicImageSettings.cpp.

int TPicImage::SelectListItem(int index) {
  CheckProcessingAllowed();
  int status = 1;
  if (!list_ || index < 0 || index >= list_->count()) {
    status = px::kInvalidParam;
  } else {
    if (allocated_ && listIndex_ >= 0 && listIndex_ < list_->count()) list_->set(listIndex_, bitmap_);
    listIndex_ = index;
    bitmap_ = list_->items[size_t(index)];
    allocated_ = bitmap_.allocated();
    ImageChanged();
  }
  return RaiseMethodError(QStringLiteral("SelectListItem"), status);
}

void TPicImage::UpdateBitmapInfo() {
  if (allocated_ && bitmap_.allocated()) {
    bitmapWidth_ = bitmap_.viewWidth();
    bitmapHeight_ = bitmap_.viewHeight();
    bitmapBits_ = bitmap_.bits;
    bitmapXRes_ = bitmap_.xResolution;
    bitmapYRes_ = bitmap_.yResolution;
    bitmapView_ = bitmap_.viewPerspective;
    bitmapHasTransparency_ = (bitmap_.flags & px::kFlagTransparency) != 0;
  } else {
    bitmapWidth_ = bitmapHeight_ = bitmapBits_ = bitmapXRes_ = bitmapYRes_ = bitmapView_ = 0;
    bitmapHasTransparency_ = false;
  }
}

void TPicImage::ScrollToOrigin() {
  if (hScrollPos_ || vScrollPos_) {
    for (QObject* o : children())
      if (auto* w = qobject_cast<QWidget*>(o)) w->move(w->pos() + QPoint(hScrollPos_, vScrollPos_));
  }
  hScrollPos_ = 0;
  vScrollPos_ = 0;
}

void TPicImage::BitmapGeometryChanged() {
  UpdateBitmapInfo();
  if (autoSetRects_) {
    ScrollToOrigin();
    ResetSourceRects();
    UpdateScrollLayout();
  }
}

void TPicImage::ImageChanged() {
  BitmapGeometryChanged();
  UpdateRgnBounds();
  update();
  UpdatePanAndMag();
  if (OnChange) OnChange(this);
}

void TPicImage::ChangedAndReset() {
  ImageChanged();
  DoImageReset();
}

int TPicImage::FreeImage() {
  // A playing animation ends before its picture goes (a new load must not be refused).
  if (animationOn_ && !(state_ & 8) && !busy_) AnimationEnable(false);
  CheckProcessingAllowed();
  if (panWin_) ShowPanWin(false);
  feed_.reset();
  listIndex_ = 0;
  list_.reset();
  if (allocated_) {
    px::InitBitmap(bitmap_);
    allocated_ = false;
  }
  animated_ = false;
  // A new picture comes without the old one's region and floater.
  rgn_ = QRegion();
  rgnLeft_ = rgnTop_ = rgnWidth_ = rgnHeight_ = 0;
  FreeFloaterResources();
  update();
  DoImageReset();
  return 1;
}

int TPicImage::BeginStatusCallback() {
  busy_ = true;
  prevCurrent_ = g_current;
  g_current = this;
  prevCallback_ = px::SetStatusCallback(px::StatusCallback{&StatusCallback, 0});
  return 1;
}

void TPicImage::EndStatusCallback() {
  g_current = prevCurrent_;
  px::SetStatusCallback(prevCallback_);
  busy_ = false;
}

void TPicImage::BeginProcessing(px::Bitmap& bmp) {
  CheckProcessingAllowed();
  state_ |= 8;
  g_aborted = false;
  if (bmp.allocated() && px::CopyBitmap(bmp, backup_) != 1) px::InitBitmap(backup_);
  BeginStatusCallback();
}

void TPicImage::ProcessingDone(px::Bitmap& bmp) {
  bool aborted = g_aborted;
  if (aborted && backup_.allocated()) bmp = backup_;
  EndStatusCallback();
  px::InitBitmap(backup_);
  if (lastError_ == 1) MarkFieldModified();
  if (list_ && allocated_ && listIndex_ >= 0 && listIndex_ < list_->count()) list_->set(listIndex_, bitmap_);
  pending_ |= 1;
  state_ &= uint8_t(~8);
  UpdatePanAndMag();
  invalidateIfAuto();
  if (!aborted && OnChange) OnChange(this);
}

int TPicImage::RepaintImage() {
  int status = 1;
  if (allocated_ && !bitmap_.allocated() && !loadingInProgress_) {
    CheckProcessingAllowed();
    status = list_ ? list_->remove(listIndex_) : px::kInvalidBitmap;
    if (status == 1) {
      if (list_->count() == 0) listIndex_ = 0;
      else if (listIndex_ >= list_->count()) listIndex_ = list_->count() - 1;
      status = list_->count() ? list_->get(listIndex_, bitmap_) : px::kInvalidBitmap;
      allocated_ = status == 1;
      if (!allocated_) px::InitBitmap(bitmap_);
    }
    ImageChanged();
    MarkFieldModified();
  }
  DoRepaint();
  lastError_ = status;
  repaint();
  return status;
}

QPainter* TPicImage::GetBitmapDC() {
  CheckProcessingAllowed();
  if (!allocated_ || !bitmap_.allocated()) {
    lastError_ = -2;
    throw EPicImageError(QStringLiteral("%1 \nGetBitmapDC: Image not allocated.").arg(objectName()));
  }
  int status = 1;
  // 24/32-bit pictures in view perspective 0 are painted in place; others through a copy that
  // is written back on release.
  bitmapDCCopied_ = !(bitmap_.bits >= 24 && bitmap_.viewPerspective == 0);
  bitmapDCImage_ = px::ToQImage(bitmap_);
  if (bitmapDCImage_.isNull()) {
    status = 0;
  } else {
    if (bitmapDCCopied_) bitmapDCImage_ = bitmapDCImage_.convertToFormat(QImage::Format_RGB32);
    bitmapPainter_ = std::make_unique<QPainter>(&bitmapDCImage_);
    if (!bitmapPainter_->isActive()) {
      bitmapPainter_.reset();
      status = 0;
    } else {
      state_ |= 8;
    }
  }
  RaiseMethodError(QStringLiteral("GetBitmapDC"), status);
  return bitmapPainter_.get();
}

int TPicImage::ReleaseBitmapDC() {
  int status = 0;
  if (bitmapPainter_) {
    bitmapPainter_->end();
    bitmapPainter_.reset();
    status = 1;
    if (bitmapDCCopied_) {
      px::Bitmap back;
      status = px::FromQImage(bitmapDCImage_, back);
      if (status == 1) {
        back.xResolution = bitmap_.xResolution;
        back.yResolution = bitmap_.yResolution;
        bitmap_ = back;
        if (list_ && listIndex_ >= 0 && listIndex_ < list_->count()) list_->set(listIndex_, bitmap_);
        UpdateBitmapInfo();
      }
    }
    bitmapDCImage_ = QImage();
    allocated_ = bitmap_.allocated();
  }
  state_ &= uint8_t(~8);
  return RaiseMethodError(QStringLiteral("ReleaseBitmapDC"), status);
}

uint32_t TPicImage::DisplayFlags(TPaintDither dither, TBitonalScaling bitonal, TPaletteType palette,
                                 TPaintScaling scaling) {
  uint32_t f = dither == pdOrdered ? 1 : 0;
  if (bitonal == 1) f |= 64;
  else if (bitonal == 2) f |= 16;
  if (palette >= 1 && palette <= 3) f += uint32_t(palette) * 128;
  if (scaling == 1) f += 512;
  else if (scaling == 2) f += 1024;
  return f;
}

// ---- Loading --------------------------------------------------------------------------------
int TPicImage::Load(const QString& fileName, int bits, int page, int maxPages) {
  return InternalLoad(QStringLiteral("Load"), fileName, bits, page, maxPages);
}

int TPicImage::HandleBand(px::Bitmap& bmp, unsigned flags, int firstRow, int rowCount, bool feed) {
  if (feed && (state_ & 2)) return 2;
  bool pageEnd = (flags & (px::kBandPageEnd | px::kBandLast)) == (px::kBandPageEnd | px::kBandLast);
  if (feed && pageEnd && OnFilePage) OnFilePage(this);
  if (loadRecord_.pagesDone >= loadRecord_.maxPages) return feed ? 2 : px::kStopped;
  (void)firstRow;
  rowsRead_ += rowCount;
  if (flags & px::kBandFirst) {
    if (enableProgressEvent_ && OnStatus) OnStatus(this, 0);
    rowsRead_ = rowCount;
  }
  if ((flags & (px::kBandPageStart | px::kBandFirst)) == (px::kBandPageStart | px::kBandFirst)) {
    allocated_ = true;
    bitmap_ = bmp;
    list_->append(bmp);
    if (!paintWhileLoad_) {
      pending_ |= 1;
    } else {
      UpdateBitmapInfo();
      repaint();
    }
  }
  if (pageEnd) {
    ++loadRecord_.pagesDone;
    // The page is complete: keep its final record as the list's last item.
    if (list_->count() > 0) list_->items.back() = bmp;
    bitmap_ = bmp;
    pending_ |= 1;
    if (!feed && OnFilePage) OnFilePage(this);
  }
  if (enableProgressEvent_ && OnStatus && bmp.height > 0)
    OnStatus(this, std::min(100, Round(double(rowsRead_) / bmp.height * 100)));
  if (paintWhileLoad_ && rowCount > 0) repaint();
  lastError_ = 1;
  if (g_abortRequest) {
    g_abortRequest = false;
    g_aborted = true;
    return 0;
  }
  // The last page wanted is complete: the library need not start decoding the next one.
  if (!feed && pageEnd && loadRecord_.pagesDone >= loadRecord_.maxPages) return px::kStopped;
  return 1;
}

void TPicImage::EmptyAfterFailure() {
  list_.reset();
  listIndex_ = 0;
  px::InitBitmap(bitmap_);
  allocated_ = false;
  update();
}

void TPicImage::KeepGlobalsFromList() {
  if (!list_ || list_->count() == 0 || animated_) return;
  const px::Bitmap& first = list_->items.front();
  globalWidth_ = first.viewWidth();
  globalHeight_ = first.viewHeight();
  globalBits_ = first.bits;
  hasGlobalPalette_ = first.bits <= 8;
  globalPalette_ = hasGlobalPalette_ ? first.palette : std::vector<uint32_t>();
}

int TPicImage::InternalLoad(const QString& opName, const QString& fileName, int bits, int page, int maxPages) {
  FreeImage();
  state_ |= 4;
  if (maxPages == 0) {
    ImageChanged();
    MarkFieldModified();
    state_ &= uint8_t(~4);
    lastError_ = 1;
    return 1;
  }
  px::LoadOptions opts;
  opts.page = page;
  if (paintWhileLoad_) opts.passes = loadPasses_;
  opts.sizeHintWidth = hintWidth_;
  opts.sizeHintHeight = hintHeight_;
  const px::DocumentOptions savedDoc = px::GetDocumentOptions();
  px::SetDocumentOptions(docOptions_);
  TPicImage* savedCurrent = g_current;
  g_current = this;
  const px::LoadInfoCallback savedInfoCb = px::SetLoadInfoCallback({&LoadInfoCallback, reinterpret_cast<intptr_t>(this)});
  const std::string path = NativePath(fileName);
  int status = px::GetFileInfo(path, info_, opts);
  if (status == 1) {
    const int f = info_.format;
    animated_ = (f == px::kFormatGif && info_.pageCount != 1) || f == px::kFormatAvi || f == px::kFormatFlc ||
                f == px::kFormatFli || f == px::kFormatAni;
    if (animated_) {
      globalWidth_ = info_.globalWidth;
      globalHeight_ = info_.globalHeight;
      globalBits_ = info_.bits;
      globalBackground_ = (info_.flags & px::kInfoHasBackground) ? info_.background : 0;
      hasGlobalPalette_ = (info_.flags & px::kInfoHasPalette) != 0;
      globalPalette_ = hasGlobalPalette_ ? info_.globalPalette : std::vector<uint32_t>();
      animationLoops_ = (autoAnimate_ && autoAnimationLoop_ == 1) ||
                        (f == px::kFormatGif && (info_.flags & px::kInfoHasLoop) && info_.loopCount == 0);
    } else {
      animationLoops_ = false;
    }
    // The playback of animations comes with the animation layer; until then an animated file is
    // loaded as its list of frames like any multi-page file.
    list_ = std::make_unique<px::BitmapList>();
    list_->globalWidth = info_.globalWidth;
    list_->globalHeight = info_.globalHeight;
    list_->globalBits = info_.bits;
    list_->background = info_.background;
    list_->globalPalette = info_.globalPalette;
    list_->loopCount = info_.loopCount;
    g_aborted = false;
    rowsRead_ = 0;
    loadingInProgress_ = true;
    busy_ = true;
    loadRecord_.maxPages = unsigned(maxPages);
    loadRecord_.pagesDone = 0;
    opts.infoRequestA = -1;
    opts.infoRequestB = 0;
    try {
      status = px::LoadFile(path, opts, bits, [this](px::Bitmap& b, unsigned fl, int first, int count) {
        return HandleBand(b, fl, first, count, false);
      });
    } catch (...) {
      // An exception from an event handler ends the load like a failure.
      status = px::kAborted;
      g_aborted = true;
    }
    if (status == px::kStopped) status = 1;
    loadingInProgress_ = false;
    busy_ = false;
    if (g_aborted) {
      EmptyAfterFailure();
      if (status == 1) status = px::kAborted;
    }
    if (status == 1) {
      fileName_ = fileName;
      listIndex_ = 0;
      if (list_ && list_->count() > 0) {
        bitmap_ = list_->items.front();
        allocated_ = bitmap_.allocated();
        if (!animated_) KeepGlobalsFromList();
      } else {
        status = px::kInvalidFormat;
      }
    }
  }
  // Library options, callbacks and the current image are restored on every road, also for
  // animated files.
  state_ &= uint8_t(~4);
  g_current = savedCurrent;
  px::SetDocumentOptions(savedDoc);
  px::SetLoadInfoCallback(savedInfoCb);
  // An animation with AutoAnimate starts playing at once (PicImageAnimate.cpp).
  if (status == 1 && animated_ && autoAnimate_ && list_ && list_->count() > 1) return StartLoadedAnimation(opName);
  if (status != 1) EmptyAfterFailure();
  ImageChanged();
  MarkFieldModified();
  lastError_ = status;
  return RaiseMethodErrorIf(opName, status, true);
}

int TPicImage::LoadMemory(const void* data, qsizetype size, int bits, int page) {
  FreeImage();
  TPicImage* savedCurrent = g_current;
  g_current = this;
  const px::LoadInfoCallback savedInfoCb = px::SetLoadInfoCallback({&LoadInfoCallback, reinterpret_cast<intptr_t>(this)});
  px::LoadOptions opts;
  opts.page = page;
  opts.sizeHintWidth = hintWidth_;
  opts.sizeHintHeight = hintHeight_;
  const px::DocumentOptions savedDoc = px::GetDocumentOptions();
  px::SetDocumentOptions(docOptions_);
  int status;
  if (!data || size <= 0) {
    status = data ? px::kInvalidFormat : -3;
  } else {
    auto* bytes = static_cast<const uint8_t*>(data);
    auto list = std::make_unique<px::BitmapList>();
    status = px::LoadMemoryToList(bytes, size_t(size), opts, bits, *list, 1);
    if (status == 1 && list->count() > 0) {
      list_ = std::move(list);
      listIndex_ = 0;
      bitmap_ = list_->items.front();
      allocated_ = true;
      px::GetFileInfoMemory(bytes, size_t(size), info_, opts);
      animated_ = false;
      fileName_.clear();
    } else if (status == 1) {
      status = px::kInvalidFormat;
    }
  }
  px::SetDocumentOptions(savedDoc);
  px::SetLoadInfoCallback(savedInfoCb);
  g_current = savedCurrent;
  if (status != 1) EmptyAfterFailure();
  KeepGlobalsFromList();
  ImageChanged();
  DoImageReset();
  MarkFieldModified();
  return RaiseMethodErrorIf(QStringLiteral("LoadMemory"), status, true);
}

int TPicImage::StartFeedLoad(int bits, int page, int maxPages) {
  FreeImage();
  px::LoadOptions opts;
  opts.page = page;
  opts.sizeHintWidth = hintWidth_;
  opts.sizeHintHeight = hintHeight_;
  loadingInProgress_ = true;
  busy_ = true;
  loadRecord_.maxPages = unsigned(maxPages);
  loadRecord_.pagesDone = 0;
  rowsRead_ = 0;
  g_aborted = false;
  feed_ = std::make_unique<px::FeedLoader>(opts, bits, [this](px::Bitmap& b, unsigned fl, int first, int count) {
    return HandleBand(b, fl, first, count, true);
  });
  list_ = std::make_unique<px::BitmapList>();
  lastError_ = 1;
  return 1;
}

int TPicImage::FeedLoad(const void* buffer, qsizetype size) {
  if (!feed_) {
    lastError_ = 0;
    throw EInvalidOperation(QStringLiteral("%1 \nFeedLoad: Feed Load not Started.").arg(objectName()));
  }
  int status = size < 0 ? px::kInvalidParam : feed_->feed(static_cast<const uint8_t*>(buffer), size_t(size));
  if (status < 1) {
    feed_.reset();
    busy_ = false;
    loadingInProgress_ = false;
    EmptyAfterFailure();
  } else {
    status = 1;
  }
  return RaiseMethodError(QStringLiteral("FeedLoad"), status);
}

int TPicImage::StopFeedLoad() {
  if (!feed_) {
    lastError_ = 0;
    throw EInvalidOperation(QStringLiteral("%1 \nStopFeedLoad: Feed Load not Started.").arg(objectName()));
  }
  TPicImage* savedCurrent = g_current;
  g_current = this;
  int status;
  try {
    status = feed_->stop();
  } catch (...) {
    status = px::kAborted;
  }
  g_current = savedCurrent;
  feed_.reset();
  busy_ = false;
  loadingInProgress_ = false;
  if (g_aborted && status == 1) status = px::kAborted;
  if ((status == 1 || status == px::kReadError) && list_ && list_->count() > 0 && !g_aborted) {
    listIndex_ = 0;
    bitmap_ = list_->items.front();
    allocated_ = true;
  } else {
    if (status == 1) status = px::kReadError;
    EmptyAfterFailure();
  }
  animated_ = false;
  KeepGlobalsFromList();
  ImageChanged();
  MarkFieldModified();
  return RaiseMethodError(QStringLiteral("StopFeedLoad"), status);
}

void TPicImage::SetBitmapDataPath(const QString& path) {
  if (feed_) {
    feed_.reset();
    busy_ = false;
    loadingInProgress_ = false;
    EmptyAfterFailure();
  }
  FreeImage();
  bitmapDataPath_ = path;
  int status = 0;
  if (!path.isEmpty()) {
    QUrl url(path);
    QString local;
    if (url.isLocalFile()) local = url.toLocalFile();
    else if (url.scheme().isEmpty() || QFile::exists(path)) local = path;
    if (local.isEmpty()) {
      status = -16;  // no network loader in this program
    } else {
      QFile file(local);
      if (!file.open(QIODevice::ReadOnly)) {
        status = -10;
      } else {
        urlDownloadFinished_ = false;
        SuspendMethodErrors();
        status = StartFeedLoad(0, 0, -1);
        ResumeMethodErrors();
        if (OnReadyStateChanged) OnReadyStateChanged(this, false);
        while (status == 1 && !file.atEnd()) {
          QByteArray chunk = file.read(65536);
          SuspendMethodErrors();
          status = FeedLoad(chunk.constData(), chunk.size());
          ResumeMethodErrors();
        }
        if (feed_) {
          SuspendMethodErrors();
          status = StopFeedLoad();
          ResumeMethodErrors();
        }
        urlDownloadFinished_ = true;
        if (OnReadyStateChanged) OnReadyStateChanged(this, true);
      }
    }
  }
  if (status != 1) {
    EmptyAfterFailure();
    ImageChanged();
  }
  RaiseMethodError(QStringLiteral("BitmapDataPath"), status);
}

void TPicImage::SetPDFXResolution(int v) {
  if (v < 0) RaiseInvalidValue(QStringLiteral("PDFXResolution"));
  docOptions_.pdfXResolution = v;
  lastError_ = 1;
}
void TPicImage::SetPDFYResolution(int v) {
  if (v < 0) RaiseInvalidValue(QStringLiteral("PDFYResolution"));
  docOptions_.pdfYResolution = v;
  lastError_ = 1;
}
void TPicImage::SetPDFDisplayDepth(int v) {
  if (v != 1 && v != 4 && v != 8 && v != 24) RaiseInvalidValue(QStringLiteral("PDFDisplayDepth"));
  docOptions_.pdfDisplayDepth = v;
  lastError_ = 1;
}
void TPicImage::SetPDFTextAlpha(int v) {
  if (v != 1 && v != 2 && v != 4) RaiseInvalidValue(QStringLiteral("PDFTextAlpha "));
  docOptions_.pdfTextAlpha = v;
  lastError_ = 1;
}
void TPicImage::SetPDFGraphicsAlpha(int v) {
  if (v != 1 && v != 2 && v != 4) RaiseInvalidValue(QStringLiteral("PDFGraphicsAlpha"));
  docOptions_.pdfGraphicsAlpha = v;
  lastError_ = 1;
}
void TPicImage::SetPDFUseLibFonts(bool v) {
  docOptions_.pdfUseLibFonts = v ? -1 : 0;
  lastError_ = 1;
}
void TPicImage::SetRasterizeViewportWidth(int v) {
  if (v < 0) RaiseInvalidValue(QStringLiteral("RasterizeViewportWidth"));
  docOptions_.vectorViewportWidth = v;
  lastError_ = 1;
}
void TPicImage::SetRasterizeViewportHeight(int v) {
  if (v < 0) RaiseInvalidValue(QStringLiteral("RasterizeViewportHeight"));
  docOptions_.vectorViewportHeight = v;
  lastError_ = 1;
}
void TPicImage::SetRasterizeViewMode(int v) {
  if (v < 0 || v > 3) RaiseInvalidValue(QStringLiteral("RasterizeViewMode"));
  docOptions_.vectorViewMode = v;
  lastError_ = 1;
}

// ---- Saving ---------------------------------------------------------------------------------
void TPicImage::SetSaveOptions(px::SaveOptions& o, int flags, int bits, bool forList) const {
  o = px::SaveOptions();
  if (flags == -1) flags = 1;
  switch (flags) {
    case 1: o.page = 2; break;
    case 2: o.page = savePage_; o.flags |= px::kSaveAppendPage; break;
    case 3: o.page = savePage_; o.flags |= px::kSaveInsertPage; break;
    default: o.page = 1; break;
  }
  o.passes = 0;
  o.flags |= 0x10;  // first save switch, on by default
  o.globalWidth = globalWidth_;
  o.globalHeight = globalHeight_;
  if (forList) {
    if (globalBits_ == bits) {
      if (globalBits_ <= 8 && hasGlobalPalette_) {
        o.globalPalette = globalPalette_;
        o.flags |= 8;
      }
      o.background = globalBackground_ & 0xFFFFFF;
      o.flags |= 4;
    } else if (globalBits_ <= 8 && (uint32_t(globalBackground_) >> 24) == 1 && !globalPalette_.empty()) {
      size_t idx = size_t(globalBackground_ & ((1u << std::max(globalBits_, 1)) - 1));
      if (idx < globalPalette_.size()) o.background = globalPalette_[idx];
    }
    if (animationLoops_) {
      o.loopCount = 0;
      o.flags |= 0x20;
    }
  } else {
    o.flags &= ~uint32_t(4 | 8 | 0x20);
  }
}

int TPicImage::SaveWithProgress(const QString& fileName, px::Bitmap& bmp, const px::SaveOptions& options,
                                int qfactor, int bits, int format) {
  if (bits == 0) bits = bmp.bits;
  static const int keepsPerspective[] = {3, 17, 25, 27, 28, 29, 85, 86, 87, 88, 93, 94, 95};
  if (px::IsTurnedPerspective(bmp.viewPerspective) &&
      std::find(std::begin(keepsPerspective), std::end(keepsPerspective), format) == std::end(keepsPerspective)) {
    int st = px::NormalizeViewPerspective(bmp);
    if (st != 1) return st;
    if (list_ && listIndex_ >= 0 && listIndex_ < list_->count()) list_->set(listIndex_, bitmap_);
    UpdateBitmapInfo();
  }
  const px::Bitmap* src = &bmp;
  px::Bitmap sized;
  if (format == px::kFormatMac && (bmp.viewWidth() != 576 || bmp.viewHeight() != 720)) {
    px::Bitmap work;
    int st = px::CopyBitmap(bmp, work);
    if (st == 1) st = px::NormalizeViewPerspective(work);
    if (st == 1) st = px::ResizeBitmap(work, sized, 576, 720, 1);
    if (st != 1) return st;
    src = &sized;
  }
  const int rb = src->rowBytes();
  const int height = src->height;
  unsigned flagsWord = (src->bits == bits || bits > 4) ? 2 : 1;
  return px::SaveWithRows(NativePath(fileName), *src, format, bits, qfactor, flagsWord,
                          [&](uint8_t* buffer, int firstRow, int rowCount) -> int {
                            for (int y = firstRow; y < firstRow + rowCount; ++y) {
                              if (px::GetRows(*src, y, 1, buffer) < rb) return 0;
                              ++saveRows_;
                              if (enableProgressEvent_ && OnStatus)
                                OnStatus(this, std::min(100, Round(double(saveRows_) / height * 100)));
                              if (g_abortRequest) {
                                g_abortRequest = false;
                                g_aborted = true;
                                return 0;
                              }
                              buffer += rb;
                            }
                            return 1;
                          },
                          options);
}

int TPicImage::Save(const QString& fileName, int format, int bits, int qfactor, int flags) {
  CheckProcessingAllowed();
  if (!allocated_) {
    lastError_ = -2;
    throw EPicImageError(QStringLiteral("%1 \nSave: Image not allocated.").arg(objectName()));
  }
  saveRows_ = 0;
  g_aborted = false;
  BeginStatusCallback();
  px::SaveOptions opts;
  SetSaveOptions(opts, flags, bits, false);
  int status;
  try {
    const std::string path = NativePath(fileName);
    if (format == px::kFormatGif && list_ && list_->count() > 0) {
      SetSaveOptions(opts, flags, bits, true);
      if (listIndex_ >= 0 && listIndex_ < list_->count()) list_->set(listIndex_, bitmap_);
      status = px::SaveBitmapList(path, *list_, format, bits, qfactor, opts);
    } else if (enableProgressEvent_) {
      status = SaveWithProgress(fileName, bitmap_, opts, qfactor, bits, format);
    } else {
      status = px::SaveBitmap(path, bitmap_, format, bits, qfactor, opts);
    }
  } catch (...) {
    EndStatusCallback();
    throw;
  }
  EndStatusCallback();
  // An aborted save never reached the target (px writes through a temporary file), so there is
  // nothing to delete: deleting here would remove the user's previous picture.
  if (g_aborted && status == 1) status = px::kAborted;
  lastError_ = status;
  if (status != 1 && enableMethodErrors_) throw EPicImageError(StandardMessage(objectName(), status, QStringLiteral("Save")));
  return status;
}

// ---- Geometry -------------------------------------------------------------------------------
void TPicImage::SetPaintSizeMode(TPaintSizeMode mode) {
  paintSizeMode_ = mode;
  if (mode == smNormal) {
    ScrollToOrigin();
    scaleX_ = scaleY_ = 1.0;
    dstHeight_ = Round(bitmapHeight_ * 1.0);
    dstWidth_ = Round(bitmapWidth_ * 1.0);
  }
  UpdateScrollLayout();
  lastError_ = 1;
  invalidateIfAuto();
}

int TPicImage::PaintZoomFactor() {
  lastError_ = 1;
  double s = paintSizeMode_ == smStretch ? (scaleY_ < scaleX_ ? scaleY_ : scaleX_) : scaleX_;
  return Round(s * 100);
}

void TPicImage::SetPaintZoomFactor(int percent) {
  if (percent < 0) {
    lastError_ = -13;
    throw EPicImageError(QStringLiteral("%1 \nPaintZoomFactor: Invalid value passed.").arg(objectName()));
  }
  paintSizeMode_ = smZoom;
  scaleX_ = scaleY_ = percent / 100.0;
  SetPaintSizeMode(paintSizeMode_);
}

void TPicImage::SetPaintSizeUseDPI(bool on) {
  paintSizeUseDPI_ = on;
  UpdateScrollLayout();
  changed();
}

void TPicImage::SetCenterImage(bool on) {
  centerImage_ = on;
  UpdateScrollLayout();
  changed();
}

void TPicImage::SetAutoSize(bool on) {
  autoSize_ = on;
  UpdateScrollLayout();
  changed();
}

void TPicImage::SetAutoSetRects(bool on) {
  autoSetRects_ = on;
  lastError_ = 1;
  if (on) {
    ResetSourceRects();
    UpdateScrollLayout();
  }
  invalidateIfAuto();
}

void TPicImage::SetAutoScroll(bool on) {
  autoScroll_ = on;
  if (allocated_) {
    scrollInProgress_ = true;
    if (on) {
      vScrollPos_ = std::min(vScrollPos_, vScrollMax_);
      dstTop_ = -vScrollPos_;
      hScrollPos_ = std::min(hScrollPos_, hScrollMax_);
      dstLeft_ = -hScrollPos_;
      dstClipTop_ = dstTop_;
      dstClipWidth_ = dstWidth_;
      dstClipLeft_ = dstLeft_;
      dstClipHeight_ = dstHeight_;
      SetScrollBarRange(hBar_, true, 0, hScrollMax_);
      hBar_.pos = hScrollPos_;
      SetScrollBarRange(vBar_, false, 0, vScrollMax_);
      vBar_.pos = vScrollPos_;
    } else {
      SetScrollBarRange(hBar_, true, 0, 0);
      SetScrollBarRange(vBar_, false, 0, 0);
    }
    scrollInProgress_ = false;
    UpdateScrollLayout();
  }
  lastError_ = 1;
}

void TPicImage::SetHScrollStep(int step) {
  if (step < 1) {
    lastError_ = 0;
    throw ERangeError(QStringLiteral("%1 \nHScrollStep: Scroll step out of range.").arg(objectName()));
  }
  ScrollToOrigin();
  hScrollStep_ = step;
  SetPaintSizeMode(paintSizeMode_);
  lastError_ = 1;
}

void TPicImage::SetVScrollStep(int step) {
  if (step < 1) {
    lastError_ = 0;
    throw ERangeError(QStringLiteral("%1 \nVScrollStep: Scroll step out of range.").arg(objectName()));
  }
  ScrollToOrigin();
  vScrollStep_ = step;
  SetPaintSizeMode(paintSizeMode_);
  lastError_ = 1;
}

void TPicImage::SetSrcLeft(int v) { srcLeft_ = v; invalidateIfAuto(); }
void TPicImage::SetSrcTop(int v) { srcTop_ = v; invalidateIfAuto(); }
void TPicImage::SetSrcWidth(int v) { srcWidth_ = v; invalidateIfAuto(); }
void TPicImage::SetSrcHeight(int v) { srcHeight_ = v; invalidateIfAuto(); }

int TPicImage::SetSrcRect(int left, int top, int width, int height) {
  SetSrcLeft(left);
  SetSrcTop(top);
  SetSrcWidth(width);
  SetSrcHeight(height);
  lastError_ = 1;
  return 1;
}

void TPicImage::ResetSourceRects() {
  int w = allocated_ ? bitmap_.viewWidth() : 0, h = allocated_ ? bitmap_.viewHeight() : 0;
  SetSrcLeft(0);
  SetSrcTop(0);
  SetSrcWidth(w);
  SetSrcHeight(h);
  srcClipLeft_ = 0;
  srcClipTop_ = 0;
  srcClipWidth_ = w;
  srcClipHeight_ = h;
}

void TPicImage::SetDstLeft(int v) {
  if (!autoScroll_) {
    dstLeft_ = v;
    UpdateScrollLayout();
    invalidateIfAuto();
  } else if (v < 1) {
    ScrollHorzBy(dstLeft_ - v);
  }
  lastError_ = 1;
}

void TPicImage::SetDstTop(int v) {
  if (!autoScroll_) {
    dstTop_ = v;
    UpdateScrollLayout();
    invalidateIfAuto();
  } else if (v < 1) {
    ScrollVertBy(dstTop_ - v);
  }
  lastError_ = 1;
}

void TPicImage::SetDstWidth(int v) {
  dstWidth_ = std::max(v, 0);
  scaleX_ = bitmapWidth_ ? double(dstWidth_) / bitmapWidth_ : 1.0;
  UpdateScrollLayout();
  invalidateIfAuto();
  lastError_ = 1;
}

void TPicImage::SetDstHeight(int v) {
  dstHeight_ = v;
  scaleY_ = bitmapHeight_ ? double(dstHeight_) / bitmapHeight_ : 1.0;
  UpdateScrollLayout();
  invalidateIfAuto();
  lastError_ = 1;
}

int TPicImage::SetDstRect(int left, int top, int width, int height) {
  SetDstLeft(left);
  SetDstTop(top);
  SetDstWidth(width);
  SetDstHeight(height);
  dstRect_[0] = dstLeft_;
  dstRect_[1] = dstTop_;
  dstRect_[2] = dstLeft_ + dstWidth_;
  dstRect_[3] = dstTop_ + dstHeight_;
  lastError_ = 1;
  invalidateIfAuto();
  return 1;
}

int TPicImage::SetDstClipRect(int left, int top, int width, int height) {
  dstClipLeft_ = left;
  dstClipTop_ = top;
  dstClipWidth_ = width;
  dstClipHeight_ = height;
  lastError_ = 1;
  invalidateIfAuto();
  return 1;
}

void TPicImage::SetScrollBarRange(TPicScrollBar& bar, bool horizontal, int min, int max) {
  int& page = horizontal ? hScrollPage_ : vScrollPage_;
  if (page == -1 && allocated_) page = Round((horizontal ? bitmapWidth_ : bitmapHeight_) / 10.0);
  if (page == 0) page = 1;
  bar.page = page;
  bar.min = min;
  bar.max = max + page - 1;
}

void TPicImage::ComputePaintSize() {
  int w = bitmapWidth_, h = bitmapHeight_;
  if (paintSizeUseDPI_) {
    w = MulDiv(bitmapWidth_, logicalDpiX(), std::max(1, bitmapXRes_));
    h = MulDiv(bitmapHeight_, logicalDpiY(), std::max(1, bitmapYRes_));
  }
  if (w == 0 || h == 0) {
    dstWidth_ = dstHeight_ = 0;
    if (autoScroll_) {
      SetScrollBarRange(hBar_, true, 0, 0);
      SetScrollBarRange(vBar_, false, 0, 0);
      hBar_.pos = hScrollPos_;
      vBar_.pos = vScrollPos_;
    }
    return;
  }
  const int fw = FrameWidth();
  const int iw = width() - 2 * fw, ih = height() - 2 * fw;
  switch (paintSizeMode_) {
    case smStretch:
      dstWidth_ = iw;
      dstHeight_ = ih;
      scaleY_ = double(dstHeight_) / h;
      scaleX_ = double(dstWidth_) / w;
      break;
    case smFitSides:
      scaleX_ = double(iw) / w;
      scaleY_ = scaleX_;
      break;
    case smFit:
      scaleX_ = double(iw) / w;
      scaleY_ = double(ih) / h;
      scaleX_ = scaleY_ = std::min(scaleX_, scaleY_);
      break;
    default: break;
  }
  dstHeight_ = ScaleLength(h, scaleY_);
  dstWidth_ = ScaleLength(w, scaleX_);
  dstClipLeft_ = dstLeft_;
  dstClipTop_ = dstTop_;
  dstClipWidth_ = dstWidth_;
  dstClipHeight_ = dstHeight_;
}

void TPicImage::UpdateScrollLayout() {
  if ((state_ & 2) || layoutRunning_) return;
  layoutRunning_ = true;
  const int fw = FrameWidth();
  if (!scrollInProgress_) {
    if (autoSetRects_) ComputePaintSize();
    const int iw = width() - 2 * fw, ih = height() - 2 * fw;
    vScrollMax_ = std::max(0, dstHeight_ - ih);
    hScrollMax_ = std::max(0, dstWidth_ - iw);
    const int oldH = hScrollPos_, oldV = vScrollPos_;
    vScrollPos_ = std::max(0, std::min(vScrollPos_, vScrollMax_));
    hScrollPos_ = std::max(0, std::min(hScrollPos_, hScrollMax_));
    if (oldH != hScrollPos_ || oldV != vScrollPos_) {
      for (QObject* o : children())
        if (auto* w = qobject_cast<QWidget*>(o)) w->move(w->pos() - QPoint(hScrollPos_ - oldH, vScrollPos_ - oldV));
    }
    if (autoSize_ && allocated_) {
      resize(2 * fw + dstWidth_, 2 * fw + dstHeight_);
    } else if (autoScroll_) {
      dstLeft_ = -hScrollPos_;
      dstTop_ = -vScrollPos_;
    }
    if (autoSetRects_) {
      dstClipLeft_ = dstLeft_;
      dstClipTop_ = dstTop_;
      dstClipWidth_ = dstWidth_;
      dstClipHeight_ = dstHeight_;
      dstRect_[0] = dstLeft_;
      dstRect_[1] = dstTop_;
      dstRect_[2] = dstLeft_ + dstWidth_;
      dstRect_[3] = dstTop_ + dstHeight_;
    }
  }
  if (centerImage_) {
    const int rw = dstRect_[2] - dstRect_[0], rh = dstRect_[3] - dstRect_[1];
    if (rw < width() || rh < height()) CenterDstRect();
  }
  UpdatePanAndMag();
  layoutRunning_ = false;
}

void TPicImage::CenterDstRect() {
  int l = dstRect_[0], t = dstRect_[1], r = dstRect_[2], b = dstRect_[3];
  const int cw = width(), ch = height();
  const int w = r - l, h = b - t;
  if (w < cw) {
    l = Round(cw / 2.0) - Round(w / 2.0);
    r = l + w;
  }
  if (h < ch) {
    t = Round(ch / 2.0 - h / 2.0);
    b = t + h;
  }
  dstRect_[0] = l;
  dstRect_[1] = t;
  dstRect_[2] = r;
  dstRect_[3] = b;
  SetDstClipRect(l, t, r - l, b - t);
  dstLeft_ = l;
  dstTop_ = t;
  dstWidth_ = std::abs(r - l);
  dstHeight_ = std::abs(b - t);
}

void TPicImage::ScrollImageBy(int dx, int dy) {
  if (dx == 0 && dy == 0) return;
  dx = std::max(-hScrollPos_, std::min(dx, hScrollMax_ - hScrollPos_));
  dy = std::max(-vScrollPos_, std::min(dy, vScrollMax_ - vScrollPos_));
  hScrollPos_ += dx;
  vScrollPos_ += dy;
  if (dx != 0) {
    if (-dstLeft_ < -dx) {
      dstLeft_ = 0;
      hScrollPos_ = 0;
    } else {
      dstLeft_ -= dx;
    }
    dstClipLeft_ = dstLeft_;
  }
  if (dy != 0) {
    if (-dstTop_ < -dy) {
      dstTop_ = 0;
      vScrollPos_ = 0;
    } else {
      dstTop_ -= dy;
    }
    dstClipTop_ = dstTop_;
  }
  hBar_.pos = hScrollPos_;
  vBar_.pos = vScrollPos_;
  for (QObject* o : children())
    if (auto* w = qobject_cast<QWidget*>(o)) w->move(w->pos() - QPoint(dx, dy));
  update();
  UpdatePanAndMag();
}

void TPicImage::ScrollVertBy(int delta) {
  scrollInProgress_ = true;
  if (autoScroll_) {
    int d = std::max(-vScrollPos_, std::min(delta, vScrollMax_ - vScrollPos_));
    if (d != 0) {
      if (OnBeforeScroll) OnBeforeScroll(this);
      ScrollImageBy(0, d);
    }
  } else {
    vScrollPos_ += delta;
    dstTop_ -= delta;
    update();
  }
  scrollInProgress_ = false;
  if (autoScroll_ && OnScroll) OnScroll(this);
}

void TPicImage::ScrollHorzBy(int delta) {
  scrollInProgress_ = true;
  if (autoScroll_) {
    int d = std::max(-hScrollPos_, std::min(delta, hScrollMax_ - hScrollPos_));
    if (d != 0) {
      if (OnBeforeScroll) OnBeforeScroll(this);
      ScrollImageBy(d, 0);
    }
  } else {
    hScrollPos_ += delta;
    dstLeft_ -= delta;
    update();
  }
  scrollInProgress_ = false;
  if (autoScroll_ && OnScroll) OnScroll(this);
}

int TPicImage::ClientToBitmapX(int x, int y) {
  if (dstWidth_ == 0 || dstHeight_ == 0) return 0;
  int bx = int(int64_t(x - (dstLeft_ + FrameWidth())) * srcWidth_ / dstWidth_ + srcLeft_);
  int by = int(int64_t(y - (dstTop_ + FrameWidth())) * srcHeight_ / dstHeight_ + srcTop_);
  if (allocated_) px::ViewToBitmapPoint(bitmap_, bx, by);
  return bx;
}

int TPicImage::ClientToBitmapY(int x, int y) {
  if (dstWidth_ == 0 || dstHeight_ == 0) return 0;
  int bx = int(int64_t(x - (dstLeft_ + FrameWidth())) * srcWidth_ / dstWidth_ + srcLeft_);
  int by = int(int64_t(y - (dstTop_ + FrameWidth())) * srcHeight_ / dstHeight_ + srcTop_);
  if (allocated_) px::ViewToBitmapPoint(bitmap_, bx, by);
  return by;
}

QPoint TPicImage::BitmapToClient(int x, int y) const {
  if (allocated_) px::BitmapToViewPoint(bitmap_, x, y);
  if (srcWidth_ == 0 || srcHeight_ == 0) return QPoint(dstLeft_ + FrameWidth(), dstTop_ + FrameWidth());
  // The client pixel whose conversion gives back (x, y): the first one of the pixel's span.
  int cx = int((int64_t(x - srcLeft_) * dstWidth_ + srcWidth_ - 1) / srcWidth_);
  int cy = int((int64_t(y - srcTop_) * dstHeight_ + srcHeight_ - 1) / srcHeight_);
  if (x < srcLeft_) cx = int(int64_t(x - srcLeft_) * dstWidth_ / srcWidth_);
  if (y < srcTop_) cy = int(int64_t(y - srcTop_) * dstHeight_ / srcHeight_);
  return QPoint(cx + dstLeft_ + FrameWidth(), cy + dstTop_ + FrameWidth());
}

void TPicImage::SetFrameThickness(unsigned v) {
  frameThickness_ = v;
  UpdateScrollLayout();
  changed();
}
void TPicImage::SetFrameInnerThickness(unsigned v) {
  frameInnerThickness_ = v;
  UpdateScrollLayout();
  changed();
}
void TPicImage::SetFrameOuterThickness(unsigned v) {
  frameOuterThickness_ = v;
  UpdateScrollLayout();
  changed();
}

void TPicImage::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  UpdateScrollLayout();
}

// ---- Painting: PicImagePaint.cpp ---------------------------------------------------------
