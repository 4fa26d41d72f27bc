// Two-phase advancement over one interval by uniformisation of the chain of
// (x in phase 1, y in phase 2): S = e^(-L Delta) sum_{k=0..N} (L Delta)^k/k! P^k,
// P = I + G/L, with L the largest total rate over x = 0..M, y = 0..2M.
//
// Only the rows (u, 0) of S are read, and from (u, 0), u <= M, the chain
// reaches only states with x + y <= M; P has at most four entries per row.
// So each needed column c of P^k = P x P^(k-1) is carried as a vector over
// the states that can reach c, the product summing the non-zero terms in the
// order of increasing state index y (M + 1) + x of the full matrix. The
// terms skipped are exact zeros, so every value is that of the full dense
// product: the cost falls from O(M^6) to O(M^4 N).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iostream>
#include <utility>
#include <vector>

#include "analyzer/model/series_weights.h"
#include "analyzer/model/two_phase_advancement.h"

namespace {

// Generator entries out of the state (x, y).
struct StateRates {
  double finish1 = 0.0;  // to (x - 1, y): (1 - p) x mu1
  double move = 0.0;     // to (x - 1, y + 1): x p mu1
  double finish2 = 0.0;  // to (x, y - 1): y mu2
  double diag = 0.0;     // minus the total, when the total is positive
};

StateRates state_rates(int x, int y, double mu1, double mu2, double p) {
  StateRates g;
  double total = 0.0;
  if (x > 0) {
    g.finish1 = ((1.0 - p) * x) * mu1;
    g.move = (x * p) * mu1;
    total = g.move + g.finish1;
  }
  if (y > 0) {
    g.finish2 = y * mu2;
    total = total + g.finish2;
  }
  if (total > 0.0) g.diag = -total;
  return g;
}

// The uniformisation rate: the largest rate formed over the whole state range
// x = 0..M, y = 0..2M, x + y <= 2M, unreachable states included; -1.0 when no
// rate is formed (M = 0).
double uniformisation_rate(int M, double mu1, double mu2, double p) {
  double L = -1.0;
  auto raise = [&L](double r) {
    if (std::fabs(r) > L) L = std::fabs(r);
  };
  for (int x = 0; x <= M; ++x)
    for (int y = 0; x + y <= 2 * M; ++y) {
      StateRates g = state_rates(x, y, mu1, mu2, p);
      if (x > 0) {
        raise(g.finish1);
        raise(g.move);
      }
      if (y > 0) raise(g.finish2);
      if (g.diag < 0.0) raise(g.diag);
    }
  return L;
}

// Entries of P = I + G/L out of one state, in the order of increasing target
// index: (x, y - 1), (x - 1, y), (x, y), (x - 1, y + 1).
struct PRow {
  double to_y_down = 0.0;
  double to_x_down = 0.0;
  double stay = 0.0;
  double to_move = 0.0;
};

}  // namespace

void f_2PH_advancement(SquareBlocks& out, int M, double mu1, double mu2, double p, double Delta,
                       int mxn_suc_2PH) {
  double L = uniformisation_rate(M, mu1, mu2, p);
  double LD = L * Delta;
  double c1 = LD / 1.0;  // LD / 1!
  // coef[k] = LD^k / k! for k = 2..N, N = mxn_suc_2PH, ending where the
  // weights end; coef[0] and coef[1] are not read (the first term is c1).
  std::vector<double> coef = f_series_weights(LD, mxn_suc_2PH);
  if (coef.size() < 2) coef.resize(2, 0.0);
  int N = static_cast<int>(coef.size()) - 1;
  double w = std::pow(std::exp(1.0), -LD);

  // States (x, y) with x + y <= M, held at [y * (M + 1) + x].
  std::size_t side = static_cast<std::size_t>(M + 1);
  auto at = [side](int x, int y) { return static_cast<std::size_t>(y) * side + static_cast<std::size_t>(x); };
  std::vector<StateRates> G(side * side);
  std::vector<PRow> P(side * side);
  for (int y = 0; y <= M; ++y)
    for (int x = 0; x + y <= M; ++x) {
      StateRates g = state_rates(x, y, mu1, mu2, p);
      G[at(x, y)] = g;
      PRow& row = P[at(x, y)];
      row.to_y_down = g.finish2 / L;
      row.to_x_down = g.finish1 / L;
      row.stay = g.diag / L + 1.0;
      row.to_move = g.move / L;
    }
  // Entry P[(x, y)][(xc, yc)] of the full matrix, zero terms included.
  auto p_entry = [&](int x, int y, int xc, int yc) {
    const StateRates& g = G[at(x, y)];
    double gen = 0.0;
    if (xc == x && yc == y - 1) gen = g.finish2;
    else if (xc == x - 1 && yc == y) gen = g.finish1;
    else if (xc == x - 1 && yc == y + 1) gen = g.move;
    else if (xc == x && yc == y) gen = g.diag;
    double entry = gen / L;
    if (xc == x && yc == y) entry = entry + 1.0;
    return entry;
  };

  // value[u][y][f] = S[(u, 0)][(u - y - f, y)] for the targets with x < u.
  SquareBlocks value;
  value.reset(M);
  std::vector<double> cur(side * side), next(side * side);
  for (int yc = 0; yc <= M; ++yc)
    for (int xc = 0; xc + yc <= M && xc < M; ++xc) {
      int sc = xc + yc;
      // Rows that can reach (xc, yc): x >= xc and x + y >= sc. The others
      // stay exactly 0 in every power.
      std::fill(cur.begin(), cur.end(), 0.0);
      std::fill(next.begin(), next.end(), 0.0);
      for (int y = 0; y <= M; ++y)
        for (int x = xc; x + y <= M; ++x)
          if (x + y >= sc) cur[at(x, y)] = p_entry(x, y, xc, yc);

      int u_first = xc + 1 > sc ? xc + 1 : sc;
      std::vector<double> S(side, 0.0);  // S[u] for the row (u, 0)
      for (int u = u_first; u <= M; ++u) S[static_cast<std::size_t>(u)] = p_entry(u, 0, xc, yc) * c1;

      for (int k = 2; k <= N; ++k) {
        for (int y = 0; y <= M; ++y)
          for (int x = xc; x + y <= M; ++x) {
            if (x + y < sc) continue;
            const PRow& row = P[at(x, y)];
            double sum = 0.0;
            if (y > 0) sum = sum + row.to_y_down * cur[at(x, y - 1)];
            if (x > 0) sum = sum + row.to_x_down * cur[at(x - 1, y)];
            sum = sum + row.stay * cur[at(x, y)];
            if (x > 0) sum = sum + row.to_move * cur[at(x - 1, y + 1)];
            next[at(x, y)] = sum;
          }
        double ck = coef[static_cast<std::size_t>(k)];
        for (int u = u_first; u <= M; ++u)
          S[static_cast<std::size_t>(u)] = S[static_cast<std::size_t>(u)] + ck * next[at(u, 0)];
        std::swap(cur, next);
      }
      for (int u = u_first; u <= M; ++u) value.at(u, yc, u - xc - yc) = w * S[static_cast<std::size_t>(u)];
    }

  for (int u = 0; u <= M; ++u) {
    double sum = 0.0;
    for (int x = 0; x <= u - 1; ++x)
      for (int y = 0; y <= u - x; ++y) {
        double v = value.at(u, y, u - x - y);
        if (v > 0.0) {
          sum = sum + v;
          out.at(u, y, u - x - y) = v;
        }
      }
    if (1.0 - sum > 0.0)
      out.at(u, 0, 0) = 1.0 - sum;
    else
      std::cout << "Negative probability mass";
  }
}
