#include "analyzer/model/background_sums.h"

#include <omp.h>

#include <utility>

namespace {

// Jobs that may wait for the worker before add() waits in turn.
constexpr std::size_t kMaxPending = 4;

}  // namespace

void BackgroundSums::start() {
  if (worker_.joinable()) return;
  team_ = omp_get_max_threads();
  if (team_ < 2) return;
  omp_set_num_threads(team_ - 1);
  stopping_ = false;
  worker_ = std::thread([this] { work(); });
}

void BackgroundSums::add(std::function<void()> job) {
  if (!worker_.joinable()) {
    job();
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return jobs_.size() < kMaxPending; });
  jobs_.push_back(std::move(job));
  changed_.notify_all();
}

void BackgroundSums::finish() {
  stop();
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void BackgroundSums::stop() {
  if (!worker_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  worker_.join();
  omp_set_num_threads(team_);
}

void BackgroundSums::work() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
    if (jobs_.empty()) return;  // stopping, and every job has run
    std::function<void()> job = std::move(jobs_.front());
    const bool failed = failure_ != nullptr;
    lock.unlock();
    std::exception_ptr caught;
    if (!failed) {
      try {
        job();
      } catch (...) {
        caught = std::current_exception();
      }
    }
    lock.lock();
    if (caught) failure_ = caught;
    jobs_.pop_front();
    changed_.notify_all();
  }
}
