// Accuracy of the analytical model against the exact stationary M/M/s+M queue
// with a finite waiting room: with all SCVs 1 and constant parameters the
// model's average queue and abandonments per cycle converge at first order in
// Delta to the birth-death chain's values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <vector>

#include "analyzer/input/config.h"
#include "analyzer/model/cycle_loop.h"
#include "analyzer/model/initialisation.h"
#include "analyzer/model/model_data.h"
#include "tests/analyzer/model/cout_capture.h"
#include "tests/analyzer/model/init_fixture.h"

namespace {

// The queue: Poisson arrivals of rate lambda, s exponential servers of rate mu,
// exponential patience of rate theta, at most room units waiting.
struct Queue {
  int s = 2;
  int room = 12;
  double lambda = 2.0;
  double mu = 1.0;
  double theta = 0.5;
  double cycle = 8.0;  // cycle length T
};

// Ratio of successive errors when Delta halves, for a first-order method.
constexpr double kMinHalvingRatio = 1.6;
constexpr double kMaxHalvingRatio = 2.5;
// Relative error allowed at the finest Delta.
constexpr double kFinestRelError = 0.05;
// Richardson's 2 m(Delta/2) - m(Delta) removes the first-order term, so its
// error must be well below that of m(Delta/2) itself.
constexpr double kExtrapolationGain = 3.0;

struct Exact {
  long double queue = 0.0L;         // E[number waiting]
  long double abandonments = 0.0L;  // expected abandonments in one cycle
};

// Stationary distribution of the birth-death chain on 0..s+room: birth lambda
// (none in the full state), death min(n,s) mu + max(n-s,0) theta.
Exact exact_values(const Queue& q) {
  const int top = q.s + q.room;
  std::vector<long double> pi(static_cast<std::size_t>(top + 1));
  pi[0] = 1.0L;
  for (int n = 1; n <= top; ++n) {
    long double death = static_cast<long double>(std::min(n, q.s)) * q.mu +
                        static_cast<long double>(std::max(n - q.s, 0)) * q.theta;
    pi[static_cast<std::size_t>(n)] = pi[static_cast<std::size_t>(n - 1)] * q.lambda / death;
  }
  long double total = 0.0L;
  for (long double p : pi) total += p;
  Exact e;
  for (int n = q.s + 1; n <= top; ++n) {
    e.queue += static_cast<long double>(n - q.s) * pi[static_cast<std::size_t>(n)] / total;
  }
  e.abandonments = q.theta * e.queue * q.cycle;
  return e;
}

// The valid test configuration, with the model's bounds and steps for q:
// Delta as given, gv_mxq = room exactly, steady-cycle mode with a tight
// tolerance, interval 0 the only observation interval and no wait columns.
void set_model_inputs(const Queue& q, double delta) {
  init_fixture::set_run_defaults();
  gv_CFG_Delta_abs = delta;
  gv_CFG_mxt = 0.0;
  gv_CFG_mxq = q.room;
  gv_CFG_mxq_precision = -1.0;
  gv_CFG_nrc = 0;
  gv_CFG_precision_stat = 1e-12;
  gv_CFG_obs_int = 2.0 * q.cycle;
  gv_CFG_mxn_suc = 30;
  init_fixture::set_single_period_instance(q.cycle, 1.0 / q.lambda, 1.0, 1.0 / q.mu, 1.0, 1.0 / q.theta, 1.0,
                                           q.s);
}

// What the results block reports as "AVERAGE IN QUEUE" and "EXPECTED NUMBER
// OF ABANDONMENTS": the mean over the measured cycle's intervals of the
// expected queue, and the sum of its expected abandonments per interval.
struct ModelValues {
  double queue = 0.0;
  double abandonments = 0.0;
};

// Runs the model on the queue until its cycle is steady.
ModelValues run_model(const Queue& q, double delta) {
  set_model_inputs(q, delta);
  ModelInstance inst;
  CycleState cycle;
  {
    CoutCapture console;
    f_initialise_instance(inst, 1);
    cycle = f_run_model_cycles(inst, 1);
  }

  const ModelResults& res = inst.results;
  ModelValues v;
  for (int t = 0; t < inst.grid.n; ++t) {
    v.queue += res.q_avg[cycle.q_par_cur][static_cast<std::size_t>(t)];
    v.abandonments += res.abd_avg[static_cast<std::size_t>(t)];
  }
  v.queue /= static_cast<double>(inst.grid.n);
  return v;
}

}  // namespace

TEST(ModelAccuracy, QueueAndAbandonmentsConvergeToExactMMsMAtFirstOrder) {
  const Queue q;
  const Exact exact = exact_values(q);
  const std::vector<double> deltas = {0.125, 0.0625, 0.03125, 0.015625};

  std::vector<double> queue, abd, err_queue, err_abd;
  for (double delta : deltas) {
    ModelValues m = run_model(q, delta);
    queue.push_back(m.queue);
    abd.push_back(m.abandonments);
    err_queue.push_back(static_cast<double>(std::fabs(static_cast<long double>(m.queue) - exact.queue)));
    err_abd.push_back(
        static_cast<double>(std::fabs(static_cast<long double>(m.abandonments) - exact.abandonments)));
    std::cout << "Delta " << delta << ": average in queue " << m.queue << " (exact "
              << static_cast<double>(exact.queue) << ", error " << err_queue.back() << "), abandonments "
              << m.abandonments << " (exact " << static_cast<double>(exact.abandonments) << ", error "
              << err_abd.back() << ")\n";
  }

  for (std::size_t i = 0; i + 1 < deltas.size(); ++i) {
    ASSERT_GT(err_queue[i + 1], 0.0);
    ASSERT_GT(err_abd[i + 1], 0.0);
    double ratio_queue = err_queue[i] / err_queue[i + 1];
    double ratio_abd = err_abd[i] / err_abd[i + 1];
    EXPECT_GT(ratio_queue, kMinHalvingRatio) << "Delta " << deltas[i];
    EXPECT_LT(ratio_queue, kMaxHalvingRatio) << "Delta " << deltas[i];
    EXPECT_GT(ratio_abd, kMinHalvingRatio) << "Delta " << deltas[i];
    EXPECT_LT(ratio_abd, kMaxHalvingRatio) << "Delta " << deltas[i];
  }
  const std::size_t last = deltas.size() - 1;
  const double extrapolated_queue = 2.0 * queue[last] - queue[last - 1];
  const double extrapolated_abd = 2.0 * abd[last] - abd[last - 1];
  EXPECT_LT(std::fabs(extrapolated_queue - static_cast<double>(exact.queue)), err_queue[last] / kExtrapolationGain);
  EXPECT_LT(std::fabs(extrapolated_abd - static_cast<double>(exact.abandonments)), err_abd[last] / kExtrapolationGain);
  EXPECT_LT(err_queue.back() / static_cast<double>(exact.queue), kFinestRelError);
  EXPECT_LT(err_abd.back() / static_cast<double>(exact.abandonments), kFinestRelError);
}
