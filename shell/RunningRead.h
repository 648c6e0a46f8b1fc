#pragma once
// One folder read or slideshow open of the main window while it runs: a newer one or closing
// the window stops its workers and ends it (fMainSource.cpp, fMainArchive.cpp).
#include "fMain.h"

class RunningRead {
 public:
  // Ends the read that runs now (its workers finish the file they write) and starts this one.
  explicit RunningRead(TMainForm* form) : form_(form) {
    form_->StopRunningRead();
    generation_ = ++form_->FReadGeneration_;
  }
  ~RunningRead() { unwatch(); }
  RunningRead(const RunningRead&) = delete;
  RunningRead& operator=(const RunningRead&) = delete;

  // work is stopped when this read is overtaken; unwatch before work goes away.
  template <class Work>
  void watch(Work& work) {
    if (!overtaken()) form_->FStopRead_ = [&work] { work.stop(); };
  }
  void unwatch() {
    if (form_->FReadGeneration_ == generation_) form_->FStopRead_ = nullptr;
  }
  bool overtaken() const { return form_->FReadGeneration_ != generation_ || form_->FClosed_; }
  // For a wait on the workers: paints and answers, false once overtaken.
  std::function<bool()> pump() {
    return [this] { return form_->KeepReading(generation_); };
  }

 private:
  TMainForm* form_;
  int generation_ = 0;
};

// Stops watching when it goes out of scope, before the work it watches.
template <class Work>
class WatchedWork {
 public:
  WatchedWork(RunningRead& read, Work& work) : read_(read) { read_.watch(work); }
  ~WatchedWork() { read_.unwatch(); }
  WatchedWork(const WatchedWork&) = delete;
  WatchedWork& operator=(const WatchedWork&) = delete;

 private:
  RunningRead& read_;
};
