// Per-interval event-count tables of the arrival, service and abandonment
// processes.
#include "analyzer/model/count_tables.h"

#include <cmath>
#include <cstddef>

#include "analyzer/input/run_tables.h"
#include "kernel/int_power.h"
#include "analyzer/model/process_fits.h"
#include "analyzer/model/row_normalise.h"

namespace {

// Hands emit(k, w) the Poisson probabilities w = (x^k e^-x) / k! of k events at
// mean x for k = 0..kmax below mxn_suc. At k = mxn_suc the terms stop and the
// mass still missing, 1.0 minus the running sum, goes to emit(mxn_suc, .) when
// it is positive: that entry then holds mxn_suc or more events.
template <class Emit>
void poisson_events(int kmax, double x, int mxn_suc, Emit emit) {
  double E = std::pow(gv_e, -x);
  double sum = 0.0;
  for (int k = 0; k <= kmax; ++k) {
    if (k == mxn_suc) {
      if (1.0 > sum) emit(k, 1.0 - sum);
      return;
    }
    double w = (f_int_power(x, k) * E) / fac[static_cast<std::size_t>(k)];
    sum = sum + w;
    emit(k, w);
  }
}

// Adds the mass w of n phase-1 events to the block of side `side`: k of them
// departures with probability binom(n, k) (1-p)^k p^(n-k), the other n - k
// moves to phase 2; with p >= 1.0 all n are moves.
void split_events(double* block, int side, int n, double p, double w) {
  auto cell = [&](int x, int y) -> double& {
    return block[static_cast<std::size_t>(x) * static_cast<std::size_t>(side) + static_cast<std::size_t>(y)];
  };
  if (1.0 > p) {
    for (int k = 0; k <= n; ++k) {
      cell(n - k, k) += binom_at(n, k) * f_int_power(1.0 - p, k) * f_int_power(p, n - k) * w;
    }
  } else {
    cell(n, 0) += w;
  }
}

}  // namespace

double f_arrival_thin_rate(const std::vector<PhaseType>& iat, int sim_reset) {
  double rate = -1.0;
  if (sim_reset != -1) return rate;
  for (const PhaseType& ph : iat) {
    for (int r = 0; r < ph.n; ++r) {
      for (int c = 0; c < ph.n; ++c) {
        if (std::fabs(ph.q(r, c)) > rate) rate = std::fabs(ph.q(r, c));
      }
    }
  }
  return rate;
}

std::vector<double> f_arrival_count_row(double lambda, double Delta, int mxq, int mxn_suc) {
  std::vector<double> entry(static_cast<std::size_t>(mxq) + 1, 0.0);
  double x = lambda * Delta;
  poisson_events(mxq, x, mxn_suc, [&](int k, double w) { entry[static_cast<std::size_t>(k)] = w; });
  f_normalise_row(entry.data(), entry.size());
  return entry;
}

void f_counting_rule(TriangleRows& out, int M, double mu, double Delta, int mxn_suc, int cap) {
  out.reset(M);
  for (int m = 0; m <= M; ++m) {
    double* entry = &out.at(m, 0);
    std::size_t count = static_cast<std::size_t>(m) + 1;
    double lam = static_cast<double>(m) * mu * Delta;
    poisson_events(m, lam, mxn_suc, [&](int k, double w) { entry[k] = w; });
    double S = f_row_sum(entry, count);
    if (1.0 > S) entry[m < cap ? m : cap] += 1.0 - S;
    f_normalise_row(entry, count);
  }
}

void f_phase1_rule(SquareBlocks& out, int M, double mu1, double p, double Delta, int mxn_suc, int cap) {
  out.reset(M);
  for (int m = 0; m <= M; ++m) {
    double* block = &out.at(m, 0, 0);
    int side = m + 1;
    std::size_t count = static_cast<std::size_t>(side) * static_cast<std::size_t>(side);
    double lam = static_cast<double>(m) * mu1 * Delta;
    poisson_events(m, lam, mxn_suc, [&](int n, double w) { split_events(block, side, n, p, w); });
    double S = f_row_sum(block, count);
    if (1.0 > S) split_events(block, side, m < cap ? m : cap, p, 1.0 - S);
    f_normalise_row(block, count);
  }
}

int f_build_arrival_tables(CountTables& counts, const std::vector<PhaseType>& iat, double Delta, int mxq,
                           int mxn_suc, double precision, double thin_rate) {
  std::size_t nr = iat.size();
  int first_failed = -1;
  counts.arr_cnt_2ph.assign(nr, ArrivalBlock{});
  for (std::size_t i = 0; i < nr; ++i) {
    int period = static_cast<int>(i);
    bool full = f_arrival_dist(counts.arr_cnt_2ph[i], iat[i], Delta, thin_rate, mxq, mxn_suc, precision, period);
    if (!full && first_failed < 0) first_failed = period;
  }
  counts.arr_cnt.assign(nr, std::vector<double>());
  for (std::size_t i = 0; i < nr; ++i) {
    counts.arr_cnt[i] = f_arrival_count_row(-iat[i].q(0, 0), Delta, mxq, mxn_suc);
  }
  return first_failed;
}

namespace {

// Whether a period's two-phase tables are filled: always for a multi-phase
// fit; for a one-phase fit only when the model steps the two-phase tables.
bool fills_two_phase(const PhaseType& ph, bool multi_phase) { return ph.n > 1 || multi_phase; }

}  // namespace

void f_build_event_tables(EventTables tables, const std::vector<PhaseType>& fits, int M, int cap, double Delta,
                          int mxn_suc, int mxn_suc_2PH, bool multi_phase) {
  std::size_t nr = fits.size();
  tables.one_phase->assign(nr, TriangleRows{});
  tables.phase2->assign(nr, TriangleRows{});
  tables.phase1->assign(nr, SquareBlocks{});
  for (std::size_t i = 0; i < nr; ++i) {
    (*tables.one_phase)[i].reset(M);
    (*tables.phase2)[i].reset(M);
    (*tables.phase1)[i].reset(M);
  }
  for (std::size_t i = 0; i < nr; ++i) {
    TwoPhaseRates rates = f_two_phase_rates(fits[i]);
    if (fits[i].n == 1) f_counting_rule((*tables.one_phase)[i], M, rates.mu1, Delta, mxn_suc, cap);
    if (!fills_two_phase(fits[i], multi_phase)) continue;
    f_counting_rule((*tables.phase2)[i], M, rates.mu2, Delta, mxn_suc, cap);
    if (mxn_suc_2PH > 0) {
      f_2PH_advancement((*tables.phase1)[i], M, rates.mu1, rates.mu2, rates.p, Delta, mxn_suc_2PH);
    } else {
      f_phase1_rule((*tables.phase1)[i], M, rates.mu1, rates.p, Delta, mxn_suc, cap);
    }
  }
}

int f_event_tables_binom_rows(const std::vector<PhaseType>& fits, int M, int mxn_suc, int mxn_suc_2PH,
                              bool multi_phase) {
  int rows = -1;
  if (mxn_suc_2PH > 0) return rows;
  for (const PhaseType& ph : fits) {
    if (fills_two_phase(ph, multi_phase) && 1.0 > f_two_phase_rates(ph).p) {
      int needed = M < mxn_suc ? M : mxn_suc;
      if (needed > rows) rows = needed;
    }
  }
  return rows;
}
