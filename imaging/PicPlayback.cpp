// Animation playback: frame composition with GIF disposal.
#include "PicPlayback.h"

#include <algorithm>
#include <cstring>

TPicPlayback::TPicPlayback(const px::BitmapList& list, px::Bitmap& target, uint32_t background)
    : list_(list), target_(target), background_(background) {}

int TPicPlayback::CreateTarget(const px::BitmapList& list, px::Bitmap& target, uint32_t background) {
  int w = list.globalWidth, h = list.globalHeight;
  if (w <= 0 || h <= 0) {
    // Without screen facts the frames' own extent is the screen.
    w = h = 0;
    for (const px::Bitmap& f : list.items) {
      w = std::max(w, f.frameLeft + f.viewWidth());
      h = std::max(h, f.frameTop + f.viewHeight());
    }
  }
  px::Bitmap t;
  int status = px::CreateBitmap(t, w, h, 24);
  if (status != px::kOk) return status;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px::SetPixel(t, x, y, background);
  target = t;
  return px::kOk;
}

int TPicPlayback::DelayMs() const {
  if (shown_ < 0 || shown_ >= list_.count()) return 0;
  return std::max(0, list_.items[size_t(shown_)].delay) * 10;
}

void TPicPlayback::CancelWait() {
  if (state_ == kWaitInput) state_ = kShown;
}

int TPicPlayback::SetIndex(int index) {
  if (index < 0 || index >= list_.count()) return px::kInvalidParam;
  next_ = index;
  if (index == 0) {
    ClearRect(0, 0, target_.width, target_.height);
    pendingDisposal_ = 0;
  }
  state_ = kReady;
  return px::kOk;
}

void TPicPlayback::ClearRect(int left, int top, int width, int height) {
  if (!target_.allocated()) return;
  const int x0 = std::max(0, left), y0 = std::max(0, top);
  const int x1 = std::min(target_.width, left + width), y1 = std::min(target_.height, top + height);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) px::SetPixel(target_, x, y, background_);
}

void TPicPlayback::Compose(int index) {
  const px::Bitmap& f = list_.items[size_t(index)];
  if (!target_.allocated() || !f.allocated()) return;
  // What the previous frame asked for.
  if (pendingDisposal_ == 2) {
    ClearRect(pendingLeft_, pendingTop_, pendingWidth_, pendingHeight_);
  } else if (pendingDisposal_ == 3 && saved_.allocated()) {
    const int x0 = std::max(0, pendingLeft_), y0 = std::max(0, pendingTop_);
    const int x1 = std::min(target_.width, pendingLeft_ + pendingWidth_);
    const int y1 = std::min(target_.height, pendingTop_ + pendingHeight_);
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) px::SetPixel(target_, x, y, px::GetPixel(saved_, x - pendingLeft_, y - pendingTop_));
  }
  const int fw = f.viewWidth(), fh = f.viewHeight();
  pendingDisposal_ = f.disposal;
  pendingLeft_ = f.frameLeft;
  pendingTop_ = f.frameTop;
  pendingWidth_ = fw;
  pendingHeight_ = fh;
  if (f.disposal == 3) {
    px::InitBitmap(saved_);
    if (fw > 0 && fh > 0 && px::CreateBitmap(saved_, fw, fh, 24) == px::kOk) {
      for (int y = 0; y < fh; ++y)
        for (int x = 0; x < fw; ++x) px::SetPixel(saved_, x, y, px::GetPixel(target_, f.frameLeft + x, f.frameTop + y));
    }
  }
  const bool transparent = (f.flags & px::kFlagTransparency) != 0 && f.transparentIndex >= 0 && f.bits <= 8;
  for (int y = 0; y < fh; ++y) {
    const int ty = f.frameTop + y;
    if (ty < 0 || ty >= target_.height) continue;
    for (int x = 0; x < fw; ++x) {
      const int tx = f.frameLeft + x;
      if (tx < 0 || tx >= target_.width) continue;
      int sx = x, sy = y;
      px::ViewToBitmapPoint(f, sx, sy);
      if (transparent && px::GetIndex(f, sx, sy) == f.transparentIndex) continue;
      if (f.bits == 32) {
        const uint8_t* p = f.scanLine(sy) + size_t(sx) * 4;
        if (p[3] < 128) continue;
      }
      px::SetPixel(target_, tx, ty, px::GetPixel(f, sx, sy));
    }
  }
}

int TPicPlayback::Process() {
  const int count = list_.count();
  switch (state_) {
    case kFrameReady:
      state_ = kShown;
      break;
    case kWaitInput:
      break;
    case kEnded:
      // Started again: a looping playback.
      plays_ = 0;
      SetIndex(0);
      [[fallthrough]];
    default:
      if (count == 0) {
        state_ = kEnded;
        break;
      }
      if (next_ >= count) {
        ++plays_;
        const int wanted = list_.loopCount > 0 ? list_.loopCount : 1;
        if (plays_ >= wanted) {
          state_ = kEnded;
          next_ = 0;
          break;
        }
        SetIndex(0);
      }
      Compose(next_);
      ++framesShown_;
      shown_ = next_;
      ++next_;
      state_ = kFrameReady;
      break;
  }
  return px::kOk;
}
