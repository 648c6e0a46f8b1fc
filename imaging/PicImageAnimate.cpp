// TPicImage: bitmap lists and the animation timer that plays them.
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

#include "PicImageVCL.h"

namespace {

int64_t MonotonicTicks() {
  static QElapsedTimer clock;
  if (!clock.isValid()) clock.start();
  return clock.elapsed();
}

int64_t (*g_ticks)() = &MonotonicTicks;
// Immediate repeats of the timer handler (frames with no delay), shared by all components.
int g_repeats = 0;

}  // namespace

void TPicImage::SetTickSource(int64_t (*ticks)()) { g_ticks = ticks ? ticks : &MonotonicTicks; }

bool TPicImage::AnimationTimerActive() const { return animationTimer_ && animationTimer_->isActive(); }

int TPicImage::AnimationTimerInterval() const { return animationTimer_ ? animationTimer_->interval() : 0; }

void TPicImage::SetBitmapList(const px::BitmapList* list) {
  CheckProcessingAllowed();
  int status = 1;
  if (list_) {
    list_.reset();
    FreeFloaterResources();
    px::InitBitmap(bitmap_);
    allocated_ = false;
  }
  if (list) {
    auto copy = std::make_unique<px::BitmapList>();
    copy->globalWidth = list->globalWidth;
    copy->globalHeight = list->globalHeight;
    copy->globalBits = list->globalBits;
    copy->background = list->background;
    copy->globalPalette = list->globalPalette;
    copy->loopCount = list->loopCount;
    for (const px::Bitmap& item : list->items) {
      px::Bitmap c;
      status = item.allocated() ? px::CopyBitmap(item, c) : px::kInvalidBitmap;
      if (status != 1) break;
      copy->items.push_back(c);
    }
    if (status == 1 && copy->count() > 0) {
      list_ = std::move(copy);
      listIndex_ = 0;
      bitmap_ = list_->items.front();
      allocated_ = bitmap_.allocated();
    } else {
      if (status == 1) status = px::kNotEnoughImages;
      px::InitBitmap(bitmap_);
      allocated_ = false;
    }
  }
  // The picture as a whole is new: no region of the old one stays.
  rgn_ = QRegion();
  ImageChanged();
  MarkBlobModified();
  if (list_) ReadListInfo();
  RaiseMethodError(QStringLiteral("BitmapList"), status);
}

int TPicImage::CreatePlaybackTarget() {
  if (!list_ || list_->count() == 0) return px::kInvalidBitmap;
  // The target takes the animation's background; a transparent background shows BackColor.
  uint32_t background = list_->background;
  if (!list_->items.empty() && (list_->items.front().flags & px::kFlagTransparency)) {
    const QColor c = ColorToQColor(backColor_, &palette());
    background = (uint32_t(c.red()) << 16) | (uint32_t(c.green()) << 8) | uint32_t(c.blue());
  }
  px::Bitmap target;
  const int status = TPicPlayback::CreateTarget(*list_, target, background);
  if (status != 1) return status;
  bitmap_ = target;
  allocated_ = true;
  DoImageReset();
  const bool repaintWas = autoRepaint_;
  autoRepaint_ = false;
  BitmapGeometryChanged();
  autoRepaint_ = repaintWas;
  return 1;
}

int TPicImage::LoadCurrentListItem() {
  if (allocated_) px::InitBitmap(bitmap_);
  int status = list_ ? list_->get(std::clamp(listIndex_, 0, std::max(0, list_->count() - 1)), bitmap_)
                     : px::kInvalidBitmap;
  if (status == 1) {
    allocated_ = bitmap_.allocated();
    ImageChanged();
    MarkBlobModified();
  } else {
    px::InitBitmap(bitmap_);
    allocated_ = false;
  }
  return status;
}

int TPicImage::StartPlayback() {
  if (!list_ || list_->count() == 0) return px::kInvalidBitmap;
  int status = CreatePlaybackTarget();
  if (status != 1) return status;
  repaint();
  const uint32_t background = px::GetPixel(bitmap_, 0, 0);
  playback_ = std::make_unique<TPicPlayback>(*list_, bitmap_, background);
  status = playback_->SetIndex(0);
  if (status != 1) playback_.reset();
  return status;
}

void TPicImage::StopPlayback() {
  playback_.reset();
  LoadCurrentListItem();
}

int TPicImage::StartLoadedAnimation(const QString& opName) {
  animationLoop_ = animationLoops_;
  SuspendMethodErrors();
  try {
    AnimationEnable(true);
  } catch (const EPicImageError&) {
  }
  ResumeMethodErrors();
  if (lastError_ != 1 || !playbackActive_) return RaiseMethodError(opName, lastError_ == 1 ? 0 : lastError_);
  if (OnChange) OnChange(this);
  AnimationTimer();
  lastError_ = 1;
  return 1;
}

void TPicImage::AnimationTimer() {
  for (;;) {
    if (!feedLoading_ && animationTimer_) animationTimer_->stop();
    const int64_t start = g_ticks();
    if (!playback_) return;
    int state = playback_->State();
    bool stopped = false;
    if (state != TPicPlayback::kEnded || animationLoop_) {
      int ends = 0;
      for (;;) {
        playback_->Process();
        state = playback_->State();
        if (state == TPicPlayback::kFrameReady) {
          PaintPlaybackFrame();
          playback_->Process();
          break;
        }
        if (state == TPicPlayback::kWaitInput) {
          playback_->CancelWait();
          continue;
        }
        if (state == TPicPlayback::kEnded) {
          if (feedLoading_) break;
          // Looping goes on only while starting again gives a frame.
          if (animationLoop_ && ++ends < 2) continue;
          stopped = true;
          break;
        }
        break;
      }
    } else {
      stopped = true;
    }
    if (stopped) {
      // The playback ends and the current list item is the picture again.
      AnimationEnable(false);
      return;
    }
    if (feedLoading_) return;
    const int delay = std::min(32767, playback_->DelayMs());
    const int remaining = int(std::max<int64_t>(delay - (g_ticks() - start), 0));
    if (remaining == 0 && g_repeats < 50) {
      ++g_repeats;
      continue;
    }
    if (animationTimer_) {
      animationTimer_->setInterval(std::max(remaining, 1));
      animationTimer_->start();
    }
    g_repeats = 0;
    return;
  }
}
