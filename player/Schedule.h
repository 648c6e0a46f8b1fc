#pragma once
// When which picture is shown: a pure function of the time since the start and of the
// changes the user asked for, so tests drive it with a clock of their own.
//
// Each picture has its slot of slideMs; the first part of the slot is the transition from
// the picture before (at most half the slot). An intro card may come first; a show played
// once ends with an end card of endMs, then it is finished. In manual mode a picture stays
// until next() or previous(); the end card then stays until next() as well.
#include <QElapsedTimer>
#include <QtGlobal>

#include <functional>

namespace kalvora::player {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual qint64 nowMs() const = 0;
};

class SteadyClock : public Clock {
 public:
  SteadyClock() { timer_.start(); }
  qint64 nowMs() const override { return timer_.elapsed(); }
 private:
  QElapsedTimer timer_;
};

class TestClock : public Clock {
 public:
  qint64 nowMs() const override { return now_; }
  void set(qint64 ms) { now_ = ms; }
  void advance(qint64 ms) { now_ += ms; }
 private:
  qint64 now_ = 0;
};

struct Timing {
  int count = 0;            // pictures in the show
  int slideMs = 5000;       // time of one picture, transition included
  int transitionMs = 1200;  // wanted transition length (cut to half the slot)
  int introMs = 0;
  int endMs = 2000;
  bool endless = false;
  bool manual = false;
};

struct Frame {
  enum Kind { Intro, Picture, End, Finished };
  Kind kind = Finished;
  int slide = -1;         // picture shown (Picture)
  int from = -1;          // picture shown before; -1 is the plain background
  double progress = 1.0;  // of the transition from `from` to `slide`; 1: transition done
  qint64 change = 0;      // number of the picture change, counted from 0
  bool operator==(const Frame&) const = default;
};

class Schedule {
 public:
  // transitionMsFor(change) may give each change its own length (random effects).
  explicit Schedule(const Timing& timing, std::function<int(qint64)> transitionMsFor = {});

  Frame frameAt(qint64 now) const;
  bool finished(qint64 now) const { return frameAt(now).kind == Frame::Finished; }
  // The user asks for the next or the previous picture; also allowed in automatic mode,
  // where the timing then goes on from the moment of the key press.
  void next(qint64 now);
  void previous(qint64 now);
  const Timing& timing() const { return t_; }

 private:
  int transitionMs(qint64 change) const;

  Timing t_;
  std::function<int(qint64)> transitionMsFor_;
  // The anchor: at anchorMs_ the change anchorChange_ starts, showing anchorSlide_
  // (count_ means the end card) after anchorFrom_.
  qint64 anchorMs_ = 0;
  int anchorSlide_ = 0;
  int anchorFrom_ = -1;
  qint64 anchorChange_ = 0;
  bool quit_ = false;
};

}  // namespace kalvora::player
