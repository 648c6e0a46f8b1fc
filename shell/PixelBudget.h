#pragma once
// The pixels the workers of one read may hold decoded at once. A worker takes a picture's
// pixels before it decodes the picture and gives back what its result does not keep; what the
// result keeps goes back when the result is handed over. So the memory of a read does not grow
// with the number of cores: a folder of huge pictures is read one or two at a time, a folder of
// ordinary photos (decoded at a reduced size for their thumbnails) never waits.
//
// A job takes its pixels when they fit, or when it is the job the taker waits for: pixels held
// by later results go back only once the taker is past it, so without that the read could stop
// for good. So at most the budget and the picture the taker waits for are held at once, and a
// picture larger than the budget is decoded only as the one the taker waits for.
#include <condition_variable>
#include <cstdint>
#include <mutex>

// The budget of a read in pixels.
int64_t ReadPixelBudget();
// The largest picture the imaging library reads fits, and twenty workers can each decode a
// 12-megapixel photo whole.
constexpr int64_t kDefaultReadPixels = 256LL * 1000 * 1000;

class PixelBudget {
 public:
  explicit PixelBudget(int64_t pixels);
  PixelBudget(const PixelBudget&) = delete;
  PixelBudget& operator=(const PixelBudget&) = delete;

  // Waits until the pixels may be taken for job (see above). False once cancelled (nothing is
  // taken then).
  bool take(int job, int64_t pixels);
  void give(int64_t pixels);
  // The taker now waits for job.
  void awaited(int job);
  // Wakes every waiting job; they and all later ones take nothing.
  void cancel();

  int64_t capacity() const { return capacity_; }
  int64_t held() const;
  // The most pixels held at once so far.
  int64_t mostHeld() const;

 private:
  const int64_t capacity_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  int64_t held_ = 0;
  int64_t most_ = 0;
  int awaited_ = 0;
  bool cancelled_ = false;
};

// One job's share of a budget (none: every take succeeds at once).
class BudgetTurn {
 public:
  BudgetTurn(PixelBudget* budget, int job) : budget_(budget), job_(job) {}
  BudgetTurn(const BudgetTurn&) = delete;
  BudgetTurn& operator=(const BudgetTurn&) = delete;

  // Takes the pixels the job is about to decode (once per job). False when the work was
  // stopped meanwhile: the job then gives up.
  bool take(int64_t pixels);
  // The pixels the job's result still holds until it is handed over; the rest goes back now.
  void keep(int64_t pixels);
  // The pixels the job's result holds.
  int64_t kept() const { return held_; }

 private:
  PixelBudget* budget_;
  const int job_;
  bool taken_ = false;
  int64_t held_ = 0;
};
