// Simulation figures of the benchmark instance: simulated events per second,
// and the processor time of the model beside that of a simulation whose 95 %
// confidence half-width on "AVERAGE IN QUEUE" is 1 % of its value. Run by
// bench/sim_run.sh in a copy of bench/; standard output gets the figures.
#include <cmath>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <sstream>

#include "analyzer/app/start_up.h"
#include "analyzer/input/config.h"
#include "analyzer/input/instance_file.h"
#include "analyzer/model/cycle_loop.h"
#include "analyzer/model/initialisation.h"
#include "analyzer/simulation/sim_parameters.h"
#include "analyzer/simulation/simulation.h"
#include "kernel/fatal_exit.h"

namespace {

double seconds_since(std::clock_t t0) {
  return static_cast<double>(std::clock() - t0) / static_cast<double>(CLOCKS_PER_SEC);
}

// Pilot batches of independent iterations (one seed each) give the variance
// of one iteration's time-average queue; the iterations for a half-width of 1 %
// follow from n = (1.96 s / (0.01 mean))^2.
void figures(const ModelInstance& model, const SimParameters& par, int cycles, int reset) {
  SimSettings set = f_sim_settings();
  set.reset = reset;
  const int batches = 40, per_batch = 25;
  double sum = 0.0, sum_sq = 0.0;
  for (int b = 1; b <= batches; ++b) {
    set.nri = per_batch;
    set.seed = b;
    SimResults r = f_run_simulation(model, par, cycles, set, 1);
    sum += r.nq_area;
    sum_sq += r.nq_area * r.nq_area;
  }
  const double mean = sum / batches;
  const double var_iteration = (sum_sq - batches * mean * mean) / (batches - 1) * per_batch;
  const int needed = static_cast<int>(std::ceil(1.96 * 1.96 * var_iteration / (0.01 * mean * 0.01 * mean)));

  set.nri = needed;
  set.seed = 1;
  const std::clock_t t0 = std::clock();
  SimResults r = f_run_simulation(model, par, cycles, set, 1);
  const double cpu = seconds_since(t0);
  std::printf("%s loop: %d iterations for a 1 %% half-width (pilot: %d x %d)\n",
              reset == -1 ? "thinning" : "reset", needed, batches, per_batch);
  std::printf("  simulation CPU time:     %.3f s, AVERAGE IN QUEUE %.5g\n", cpu, r.nq_area);
  std::printf("  simulated events:        %lld, %.3g per second\n", static_cast<long long>(r.events),
              static_cast<double>(r.events) / cpu);
}

}  // namespace

int main() {
  try {
    std::ostringstream console;
    std::streambuf* out = std::cout.rdbuf(console.rdbuf());
    f_start_up();
    f_read_instance(gv_CFG_fnr);
    ModelInstance model;
    f_initialise_instance(model, gv_CFG_fnr);
    const SimParameters par = f_build_sim_parameters();
    const std::clock_t t0 = std::clock();
    const CycleState cycle = f_run_model_cycles(model, gv_CFG_fnr);
    const double model_cpu = seconds_since(t0);
    std::cout.rdbuf(out);
    std::printf("model CPU time:            %.3f s (%d cycles of %d intervals)\n", model_cpu, cycle.cycle_count,
                model.grid.n);
    figures(model, par, cycle.cycle_count, 0);
    figures(model, par, cycle.cycle_count, -1);
    return 0;
  } catch (const FatalExit& e) {
    return e.status;
  }
}
