#include "Schedule.h"

#include <algorithm>

namespace kalvora::player {

Schedule::Schedule(const Timing& timing, std::function<int(qint64)> transitionMsFor)
    : t_(timing), transitionMsFor_(std::move(transitionMsFor)) {
  t_.count = std::max(0, t_.count);
  t_.slideMs = std::max(1, t_.slideMs);
  t_.transitionMs = std::max(0, t_.transitionMs);
  t_.introMs = std::max(0, t_.introMs);
  t_.endMs = std::max(0, t_.endMs);
  anchorMs_ = t_.introMs;
}

int Schedule::transitionMs(qint64 change) const {
  const int wanted = transitionMsFor_ ? transitionMsFor_(change) : t_.transitionMs;
  return std::clamp(wanted, 0, t_.slideMs / 2);
}

Frame Schedule::frameAt(qint64 now) const {
  Frame f;
  if (quit_ || t_.count == 0) return f;  // Finished
  if (now < anchorMs_) {
    f.kind = Frame::Intro;
    return f;
  }
  const qint64 elapsed = now - anchorMs_;
  qint64 steps = t_.manual ? 0 : elapsed / t_.slideMs;
  const qint64 within = t_.manual ? elapsed : elapsed % t_.slideMs;
  qint64 slide = anchorSlide_ + steps;
  if (!t_.endless && slide >= t_.count) {
    // End card: from the moment the last slot ran out.
    const qint64 endStart = anchorSlide_ >= t_.count
                                ? anchorMs_
                                : anchorMs_ + qint64(t_.count - anchorSlide_) * t_.slideMs;
    if (t_.manual || now - endStart < t_.endMs) {
      f.kind = Frame::End;
      f.from = t_.count - 1;
      f.change = anchorChange_ + (t_.count - anchorSlide_);
      return f;
    }
    return f;  // Finished
  }
  f.kind = Frame::Picture;
  f.change = anchorChange_ + steps;
  f.slide = int(slide % t_.count);
  f.from = steps == 0 ? anchorFrom_ : int((slide - 1) % t_.count);
  const int tr = transitionMs(f.change);
  f.progress = tr <= 0 || within >= tr ? 1.0 : double(within) / tr;
  return f;
}

void Schedule::next(qint64 now) {
  const Frame f = frameAt(now);
  switch (f.kind) {
    case Frame::Finished:
      return;
    case Frame::Intro:
      anchorMs_ = now;
      return;
    case Frame::End:
      quit_ = true;
      return;
    case Frame::Picture:
      break;
  }
  anchorMs_ = now;
  anchorFrom_ = f.slide;
  anchorChange_ = f.change + 1;
  if (f.slide + 1 < t_.count) anchorSlide_ = f.slide + 1;
  else anchorSlide_ = t_.endless ? 0 : t_.count;
}

void Schedule::previous(qint64 now) {
  const Frame f = frameAt(now);
  int target;
  int shown;
  if (f.kind == Frame::End) {
    target = t_.count - 1;
    shown = -1;
  } else if (f.kind == Frame::Picture) {
    if (f.slide == 0 && !t_.endless) return;
    target = f.slide == 0 ? t_.count - 1 : f.slide - 1;
    shown = f.slide;
  } else {
    return;
  }
  anchorMs_ = now;
  anchorSlide_ = target;
  anchorFrom_ = shown;
  anchorChange_ = f.change + 1;
}

}  // namespace kalvora::player
