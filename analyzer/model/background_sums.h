// Running sums of the measured cycle, worked out on a thread of their own
// while the passes go on. Each job adds its terms to its total in order, and
// the jobs run one after another in the order they were handed over, so every
// total receives the same additions in the same order as on one thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "analyzer/model/state_pass.h"

class BackgroundSums {
 public:
  BackgroundSums() = default;
  BackgroundSums(const BackgroundSums&) = delete;
  BackgroundSums& operator=(const BackgroundSums&) = delete;
  ~BackgroundSums() { stop(); }

  // Starts the worker when the passes run on more than one thread; they then
  // run on one thread fewer until finish().
  void start();
  // Runs job after every job handed over before it: on the worker, or at
  // once on the calling thread when no worker runs. Waits while several jobs
  // are pending, so that their data stay few.
  void add(std::function<void()> job);
  // Waits until every job has run, stops the worker and gives the passes
  // their thread back; a job's exception (memory running out) is thrown here.
  void finish();

 private:
  void stop();  // finish() without throwing
  void work();

  std::thread worker_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::exception_ptr failure_;  // the first exception of a job; later jobs do not run
  int team_ = 0;  // threads of the passes before start()
};

// Runs job on background, or at once when background is null.
inline void f_hand_over(BackgroundSums* background, std::function<void()> job) {
  if (background != nullptr) {
    background->add(std::move(job));
  } else {
    job();
  }
}

// The positive entries of a source slice over a range, block by block in
// the order a, j, l, each block's in storage order (q, then r < r_len): what
// a count of the measured cycle reads, kept for a job that runs later.
struct PositiveEntries {
  struct Entry {
    int q, r;
    double p;
  };
  std::vector<int> a;                      // per block
  std::vector<std::vector<Entry>> blocks;  // per block

  explicit PositiveEntries(std::size_t n_blocks) : a(n_blocks), blocks(n_blocks) {}

  // Fills block k, arrival phase a_k, from the source block at src.
  void take(std::size_t k, int a_k, const double* src, const StateRange& rg) {
    a[k] = a_k;
    std::vector<Entry>& out = blocks[k];
    out.clear();
    for (int q = 0; q <= rg.mxq; ++q) {
      const double* row = src + static_cast<std::size_t>(q) * rg.Q;
      for (int r = 0; r < rg.r_len; ++r) {
        if (row[r] > 0.0) out.push_back(Entry{q, r, row[r]});
      }
    }
  }
};
