// Variates of the simulation and their running moments. The order of the
// f_rand and engine draws of each code is fixed: it fixes every simulated
// figure for a given seed.
#include "analyzer/simulation/variates.h"

#include <cmath>
#include <random>

#include "analyzer/input/run_tables.h"
#include "analyzer/simulation/sim_random.h"
#include "kernel/fatal_exit.h"

namespace {

[[noreturn]] void invalid_variate() { f_fatal_exit_own_prompt("Invalid random variate."); }

// ln(u) / Q[i][i]: an exponential time of rate -Q[i][i].
double phase_time(const PhaseType& ph, int i) { return std::log(f_sim_uniform()) / ph.q(i, i); }

double phase_type_variate(const PhaseType& ph, double scv) {
  double x = 0.0;
  if (scv > 1.0) {
    // Two-phase Coxian: phase 2 follows with probability -(Q[0][1] / Q[0][0]).
    x = x + phase_time(ph, 0);
    const double p = -(ph.q(0, 1) / ph.q(0, 0));
    const double v = static_cast<double>(f_rand()) / 32767.0;
    if (v <= p) x = x + phase_time(ph, 1);
  } else if (scv < 1.0) {
    for (int i = 0; i < ph.n; ++i) x = x + phase_time(ph, i);
  } else {
    x = x + phase_time(ph, 0);
  }
  return x;
}

// exp(mu + sigma Z) as pow(e, ...), Z by Box-Muller from a radius and an angle
// uniform after one discarded value; repeated while the power underflows.
double lognormal_variate(const SimParams& P) {
  double x = 0.0;
  do {
    f_rand();
    const double u1 = f_sim_uniform();
    const double u2 = f_sim_uniform();
    const double R = std::sqrt(std::log(u1) * -2.0);
    const double Z = R * std::cos(gv_pi * 2.0 * u2);
    x = std::pow(gv_e, P[0] * Z + P[1]);
  } while (x == 0.0);
  return x;
}

// One gamma variate from a distribution object made for this draw.
double gamma_variate(double shape, double scale) {
  if (!(std::isfinite(shape) && shape > 0.0 && std::isfinite(scale) && scale > 0.0)) invalid_variate();
  std::gamma_distribution<double> g(shape, scale);
  return g(f_gamma_engine());
}

}  // namespace

double f_random_variate(const PhaseType& ph, const SimParams& P, int dist, double scv) {
  double x = 0.0;
  switch (dist) {
    case kDistPhaseType:
      x = phase_type_variate(ph, scv);
      break;
    case kDistLognormal:
      x = lognormal_variate(P);
      break;
    case kDistBeta: {
      const double g1 = gamma_variate(P[0], 1.0);
      const double g2 = gamma_variate(P[1], 1.0);
      x = P[2] * (g1 / (g1 + g2));
      break;
    }
    case kDistGamma:
      x = gamma_variate(P[0], P[1]);
      break;
    default:
      return 0.0;
  }
  // A time that is not finite would hang the event loop or stall a server.
  if (!(std::isfinite(x) && x >= 0.0)) invalid_variate();
  return x;
}

void f_count_draw(VariateStream& s, double x) {
  s.n += 1;
  const double d = x - s.mean;
  s.mean = s.mean + d / static_cast<double>(s.n);
  s.var = s.var + (x - s.mean) * d;
}

void f_finish_stream(VariateStream& s) {
  if (s.n > 0) {
    s.var = s.var / static_cast<double>(s.n);
    s.scv = (s.mean > 0.0) ? s.var / (s.mean * s.mean) : -1.0;
  } else {
    s.var = 0.0;
    s.scv = 0.0;
  }
}
