#include "PixelBudget.h"

#include <algorithm>

int64_t ReadPixelBudget() { return kDefaultReadPixels; }

PixelBudget::PixelBudget(int64_t pixels) : capacity_(std::max<int64_t>(1, pixels)) {}

bool PixelBudget::take(int job, int64_t pixels) {
  pixels = std::max<int64_t>(0, pixels);
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return cancelled_ || held_ + pixels <= capacity_ || job <= awaited_; });
  if (cancelled_) return false;
  held_ += pixels;
  most_ = std::max(most_, held_);
  return true;
}

void PixelBudget::give(int64_t pixels) {
  if (pixels <= 0) return;
  {
    std::lock_guard lock(mutex_);
    held_ = std::max<int64_t>(0, held_ - pixels);
  }
  changed_.notify_all();
}

void PixelBudget::awaited(int job) {
  {
    std::lock_guard lock(mutex_);
    awaited_ = std::max(awaited_, job);
  }
  changed_.notify_all();
}

void PixelBudget::cancel() {
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
  }
  changed_.notify_all();
}

int64_t PixelBudget::held() const {
  std::lock_guard lock(mutex_);
  return held_;
}

int64_t PixelBudget::mostHeld() const {
  std::lock_guard lock(mutex_);
  return most_;
}

bool BudgetTurn::take(int64_t pixels) {
  if (taken_) return true;
  taken_ = true;
  if (!budget_) return true;
  if (!budget_->take(job_, pixels)) return false;
  held_ = std::max<int64_t>(0, pixels);
  return true;
}

void BudgetTurn::keep(int64_t pixels) {
  pixels = std::clamp<int64_t>(pixels, 0, held_);
  if (budget_) budget_->give(held_ - pixels);
  held_ = pixels;
}
