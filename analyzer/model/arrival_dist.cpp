// Arrival counts over one interval of a phase-type renewal process, by
// uniformisation: P_h = e^(-hL) sum_{n=0..N} (hL)^n/n! M^n over a sub-step
// h = Delta/K, then log2 K squarings with the count convolution cut at mxq.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "analyzer/model/arrival_dist.h"
#include "analyzer/model/series_weights.h"
#include "kernel/fatal_exit.h"

namespace {

// Largest number of sub-steps; one more doubling would leave the int range.
constexpr int kMaxSubSteps = 1 << 30;

// One uniformisation event of the (phase, count) chain on W working states:
// U keeps the count, V adds one arrival. Row-major W x W.
struct EventMatrices {
  int W = 0;
  double L = 0.0;
  std::vector<double> U, V;

  double& u(int r, int c) { return U[static_cast<std::size_t>(r) * static_cast<std::size_t>(W) + static_cast<std::size_t>(c)]; }
  double& v(int r, int c) { return V[static_cast<std::size_t>(r) * static_cast<std::size_t>(W) + static_cast<std::size_t>(c)]; }
};

EventMatrices plain_chain(const PhaseType& ph) {
  int n = ph.n;
  EventMatrices m;
  m.W = n;
  m.U.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(n), 0.0);
  m.V.assign(m.U.size(), 0.0);

  std::vector<double> exit_rate(static_cast<std::size_t>(n));
  for (int r = 0; r < n; ++r) {
    double e = 0.0;
    for (int c = 0; c < n; ++c) e = e - ph.q(r, c);
    exit_rate[static_cast<std::size_t>(r)] = e;
  }
  double L = -ph.q(0, 0);
  for (int r = 1; r < n; ++r)
    if (-ph.q(r, r) > L) L = -ph.q(r, r);
  m.L = L;

  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) {
      m.u(r, c) = ph.q(r, c) / L;
      if (r == c) m.u(r, c) = m.u(r, c) + 1.0;
      m.v(r, c) = ph.alpha[static_cast<std::size_t>(c)] * exit_rate[static_cast<std::size_t>(r)] / L;
    }
  return m;
}

// Doubled chain with rate Lambda: state 2r + t is phase r with toggle t. An
// event that changes nothing in the plain chain flips the toggle; arrivals
// always start on toggle 0. Only Q on and above its diagonal is read.
EventMatrices thinned_chain(const PhaseType& ph, double Lambda) {
  int n = ph.n;
  EventMatrices m;
  m.W = 2 * n;
  m.L = Lambda;
  m.U.assign(static_cast<std::size_t>(m.W) * static_cast<std::size_t>(m.W), 0.0);
  m.V.assign(m.U.size(), 0.0);

  for (int r = 0; r < n; ++r) {
    double g = -ph.q(r, r) / Lambda;
    m.u(2 * r, 2 * r + 1) = 1.0 - g;
    m.u(2 * r + 1, 2 * r) = 1.0 - g;
    double exit_rate = g * Lambda;
    for (int c = r + 1; c < n; ++c) {
      m.u(2 * r, 2 * c) = ph.q(r, c) / Lambda;
      m.u(2 * r + 1, 2 * c) = ph.q(r, c) / Lambda;
      exit_rate = exit_rate - ph.q(r, c);
    }
    for (int c = 0; c < n; ++c) {
      double w = ph.alpha[static_cast<std::size_t>(c)] * exit_rate / Lambda;
      m.v(2 * r, 2 * c) = w;
      m.v(2 * r + 1, 2 * c) = w;
    }
  }
  return m;
}

// Smallest power of two K >= x (1 when x <= 1), so that N h L <= 1. Ends the
// run where K would leave the int range.
int sub_step_count(double x, int period) {
  int K = 1;
  while (x > K) {
    if (K == kMaxSubSteps) {
      std::ostringstream msg;
      msg << "Error in the arrival count distribution of arrival period " << period + 1
          << " (counted from 1 in the instance file): one interval needs more than 2^30 sub-steps "
          << "(maximum number of successes x Delta x largest arrival phase rate = " << x
          << "). Decrease Delta or gv_CFG_mxn_suc, or increase the mean inter-arrival time.";
      f_fatal_exit(msg.str());
    }
    K *= 2;
  }
  return K;
}

// Table over [start state][end state][count 0..mxq] of the working chain.
struct CountTable {
  int W = 0;
  int mxq = 0;
  std::vector<double> v;

  std::size_t idx(int r, int b, int k) const {
    return (static_cast<std::size_t>(r) * static_cast<std::size_t>(W) + static_cast<std::size_t>(b)) *
               static_cast<std::size_t>(mxq + 1) +
           static_cast<std::size_t>(k);
  }
};

// The truncated series over one sub-step, moved into a count table cut at mxq.
// Blocks are [start r][count k][end c]; every start state advances by one
// event per term: new[r][k][c] = sum_s U[r][s] old[s][k][c]
// + sum_s V[r][s] old[s][k-1][c], each sum formed on its own, then added.
// A count depends only on itself and the count below, so only the counts
// 0..min(N, mxq) that the table keeps are carried, and the series ends where
// its weights (hL)^n / n! end.
void sub_step_series(CountTable& out, EventMatrices& m, double hL, int N) {
  int W = m.W;
  int kept = N < out.mxq ? N : out.mxq;
  std::size_t counts = static_cast<std::size_t>(kept) + 1;
  std::size_t size = static_cast<std::size_t>(W) * counts * static_cast<std::size_t>(W);
  auto at = [&](int r, int k, int c) {
    return (static_cast<std::size_t>(r) * counts + static_cast<std::size_t>(k)) * static_cast<std::size_t>(W) +
           static_cast<std::size_t>(c);
  };

  std::vector<double> block(size, 0.0), next(size, 0.0), sum(size, 0.0);
  for (int r = 0; r < W; ++r) block[at(r, 0, r)] = 1.0;

  const std::vector<double> weights = f_series_weights(hL, N);
  const std::size_t terms = weights.size();
  for (std::size_t n = 0; n < terms; ++n) {
    const double weight = weights[n];
    for (std::size_t i = 0; i < size; ++i) sum[i] = sum[i] + weight * block[i];
    if (n + 1 == terms) break;
    for (int r = 0; r < W; ++r)
      for (int k = 0; k <= kept; ++k)
        for (int c = 0; c < W; ++c) {
          double stay = 0.0;
          for (int s = 0; s < W; ++s) stay = stay + m.u(r, s) * block[at(s, k, c)];
          if (k >= 1) {
            double arrive = 0.0;
            for (int s = 0; s < W; ++s) arrive = arrive + m.v(r, s) * block[at(s, k - 1, c)];
            stay = stay + arrive;
          }
          next[at(r, k, c)] = stay;
        }
    std::swap(block, next);
  }

  double damping = std::pow(std::exp(1.0), -hL);
  for (double& x : sum) x = damping * x;

  std::fill(out.v.begin(), out.v.end(), 0.0);
  for (int r = 0; r < W; ++r)
    for (int c = 0; c < W; ++c)
      for (int k = 0; k <= kept; ++k) out.v[out.idx(r, c, k)] = sum[at(r, k, c)];
}

// dst[r][b][k] = sum over a, then k1 + k2 = k, of src[r][a][k1] src[a][b][k2];
// products beyond mxq are dropped.
void square(CountTable& dst, const CountTable& src) {
  int W = src.W;
  int mxq = src.mxq;
  std::fill(dst.v.begin(), dst.v.end(), 0.0);
  for (int r = 0; r < W; ++r)
    for (int a = 0; a < W; ++a)
      for (int k1 = 0; k1 <= mxq; ++k1) {
        double x = src.v[src.idx(r, a, k1)];
        for (int b = 0; b < W; ++b) {
          const double* from = &src.v[src.idx(a, b, 0)];
          double* to = &dst.v[dst.idx(r, b, k1)];
          for (int k2 = 0; k2 <= mxq - k1; ++k2) to[k2] += x * from[k2];
        }
      }
}

}  // namespace

bool f_arrival_dist(ArrivalBlock& out, const PhaseType& ph, double Delta, double thin_rate,
                    int mxq, int mxn_suc, double precision, int period) {
  bool thinned = thin_rate != -1.0;
  EventMatrices m = thinned ? thinned_chain(ph, thin_rate) : plain_chain(ph);
  int W = m.W;
  int N = mxn_suc;

  double x = static_cast<double>(N) * Delta * m.L;
  int K = sub_step_count(x, period);
  double h = Delta / K;

  CountTable table[2];
  for (CountTable& t : table) {
    t.W = W;
    t.mxq = mxq;
    t.v.assign(static_cast<std::size_t>(W) * static_cast<std::size_t>(W) * static_cast<std::size_t>(mxq + 1), 0.0);
  }
  sub_step_series(table[0], m, h * m.L, N);

  int cur = 0;
  for (int steps = K; steps > 1; steps /= 2) {
    square(table[1 - cur], table[cur]);
    cur = 1 - cur;
  }
  CountTable& P = table[cur];

  bool all_rows_kept = true;
  for (int r = 0; r < W; ++r) {
    double mass = 0.0;
    for (int b = 0; b < W; ++b)
      for (int k = 0; k <= mxq; ++k) mass = mass + P.v[P.idx(r, b, k)];
    double* row = &P.v[P.idx(r, 0, 0)];
    std::size_t row_size = static_cast<std::size_t>(W) * static_cast<std::size_t>(mxq + 1);
    if (1.0 - mass > precision || mass - 1.0 > precision) {
      std::cout << "\n"
                << "Insufficient probability mass (mass = " << mass
                << " & should be 1). Maximum number of arrivals specified (" << mxq << ") is not sufficient.";
      all_rows_kept = false;
      std::fill(row, row + row_size, 0.0);
    } else {
      for (std::size_t i = 0; i < row_size; ++i) row[i] = row[i] / mass;
    }
  }

  int n = ph.n;
  out.n = n;
  out.mxq = mxq;
  out.v.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(n) * static_cast<std::size_t>(mxq + 1), 0.0);
  for (int a = 0; a < n; ++a)
    for (int b = 0; b < n; ++b)
      for (int k = 0; k <= mxq; ++k) {
        if (thinned)
          out.v[out.idx(a, b, k)] = P.v[P.idx(2 * a, 2 * b, k)] + P.v[P.idx(2 * a, 2 * b + 1, k)];
        else
          out.v[out.idx(a, b, k)] = P.v[P.idx(a, b, k)];
      }
  return all_rows_kept;
}
