#pragma once
// Animation playback over a bitmap list: composes the frames of an animation (GIF frame
// position, transparency and disposal) one after the other into a 24-bit target bitmap of the
// animation's screen size. The picture component's animation timer drives it (PicImageAnimate.cpp).
//
// States (the numbers the timer handler tests):
//   1  ready: the next frame is due;
//   3  the frame last composed has been shown and waits for its delay;
//   4  a frame was composed into the target: paint it, then Process() again;
//   5  the frame asks for user input (the GIF user-input flag); CancelWait() goes on;
//   10 ended: all frames were shown as often as the file says. Process() in this state starts
//      the animation again from its first frame (a playback that loops).
// Plays: a list whose loopCount is n > 0 plays its frames n times; -1 (no loop information) and
// 0 ("for ever", which the component turns into AnimationLoop) play them once per start.
#include <cstdint>

#include "PxBitmap.h"

class TPicPlayback {
 public:
  static constexpr int kReady = 1;
  static constexpr int kShown = 3;
  static constexpr int kFrameReady = 4;
  static constexpr int kWaitInput = 5;
  static constexpr int kEnded = 10;

  // list and target must outlive the playback; target is (re)made by the caller with the
  // screen size (see CreateTarget).
  TPicPlayback(const px::BitmapList& list, px::Bitmap& target, uint32_t background);

  // A blank 24-bit target of the list's screen size filled with `background` ($00RRGGBB).
  static int CreateTarget(const px::BitmapList& list, px::Bitmap& target, uint32_t background);

  int State() const { return state_; }
  // Advances by one step (see the states above); returns kOk.
  int Process();
  // Makes `index` the next frame to show (0-based); the picture is cleared when it is 0.
  int SetIndex(int index);
  // Index of the frame composed last (-1 before the first).
  int Index() const { return shown_; }
  // The delay of the frame composed last in milliseconds (10 x its delay in 1/100 s).
  int DelayMs() const;
  void CancelWait();
  int PlaysDone() const { return plays_; }
  // Frames composed since the playback was made.
  int64_t FramesShown() const { return framesShown_; }

 private:
  void Compose(int index);
  void ClearRect(int left, int top, int width, int height);

  const px::BitmapList& list_;
  px::Bitmap& target_;
  uint32_t background_;
  int state_ = kReady;
  int next_ = 0;
  int shown_ = -1;
  int plays_ = 0;
  int64_t framesShown_ = 0;
  // What the frame shown last asks for before the next one is drawn.
  int pendingDisposal_ = 0;
  int pendingLeft_ = 0, pendingTop_ = 0, pendingWidth_ = 0, pendingHeight_ = 0;
  px::Bitmap saved_;  // the screen under a frame with disposal 3
};
