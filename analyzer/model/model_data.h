// The tables of one instance of the analytical model: interval grid and
// calendar, phase-type fits, per-interval event-count tables, split tables,
// state distribution and result arrays. Built by the initialisation, owned by
// the run driver for one instance, and passed explicitly to the model steps.
#pragma once

#include <cstddef>
#include <vector>

#include "analyzer/model/arrival_dist.h"
#include "analyzer/model/phase_type.h"
#include "analyzer/model/state_dist.h"
#include "analyzer/model/two_phase_advancement.h"

// Event caps per interval: min(mxn_suc, gv_mxq) and min(mxn_suc, mxs).
extern int gv_mxn_abd;
extern int gv_mxn_ser;

// Interval grid, calendar and sizes of an instance.
struct IntervalGrid {
  double Delta = 0.0;  // interval length
  double n_int = 0.0;  // intervals per cycle, a whole number
  double mxw = 0.0;    // longest wait in intervals, a whole number
  int n = 0;           // n_int truncated
  int K = 0;           // mxw truncated
  int n_obs_max = 0;   // observation intervals per cycle
  int mxs = 0;         // largest number of servers
  std::vector<double> mms_dist;  // M/M/s probabilities of the queue-bound rule
  // Per interval k = 0..n-1:
  std::vector<int> srv_int;                  // servers during interval k
  std::vector<int> srv_chg;                  // change of servers at its start
  std::vector<unsigned char> chg_iat;        // arrival period changes at its start
  std::vector<unsigned char> chg_ser;        // service period changes
  std::vector<unsigned char> chg_abd;        // abandonment period changes
  std::vector<unsigned char> obs_int_flag;   // observation interval
};

// Phase-type fit of every period of each process, and the state layout.
struct ProcessFits {
  std::vector<PhaseType> iat, ser, abd;  // n_ph_xxx[p] is xxx[p].n
  bool layout_exp = true;                // every process one-phase
  bool layout_serabd = false;            // one-phase arrivals, some multi-phase service/patience
  bool layout_arr = false;               // some multi-phase arrival period
};

// Rows over group sizes m = 0..M, each with entries c = 0..m.
struct TriangleRows {
  int M = -1;
  std::vector<double> v;

  static std::size_t base(int m) {
    std::size_t mm = static_cast<std::size_t>(m);
    return mm * (mm + 1) / 2;
  }
  std::size_t idx(int m, int c) const { return base(m) + static_cast<std::size_t>(c); }
  double at(int m, int c) const { return v[idx(m, c)]; }
  double& at(int m, int c) { return v[idx(m, c)]; }
  void reset(int M_) {
    M = M_;
    v.assign(M_ < 0 ? 0 : base(M_ + 1), 0.0);
  }
};

// Per-period count tables (index: period).
struct CountTables {
  std::vector<std::vector<double>> arr_cnt;  // [p][k], k = 0..gv_mxq: Poisson arrivals
  std::vector<ArrivalBlock> arr_cnt_2ph;     // [p] phase-type arrivals with phases
  std::vector<TriangleRows> ser_cmp;         // [p][m][c]: c of m busy complete (one phase)
  std::vector<TriangleRows> ser_cmp_ph2;     // [p][l][c]: c of l in phase 2 complete
  std::vector<SquareBlocks> ser_adv_ph1;     // [p][j][x][y]: of j in phase 1, x to phase 2, y complete
  std::vector<TriangleRows> abd_cnt;         // [p][q][b]: b of q waiting abandon (one phase)
  std::vector<TriangleRows> abd_cnt_ph2;     // [p][r][b]: b of r in patience phase 2 abandon
  std::vector<SquareBlocks> abd_adv_ph1;     // [p][q][x][y]: of q in phase 1, x to phase 2, y abandon
};

// A split of a pair of counts (x, y): entry [x][y][d][i1] is the probability
// that of d units taken, i1 come from the x and i2 = d - i1 from the y. Only
// i1 is stored; pairs are x, y = 0..bound, or only x + y <= bound for a
// triangle; d = 0..x+y, i1 = 0..x.
//   srv_drop_split[j][l][e][i1]: busy units removed, triangle j + l <= mxs;
//   q2s_split[p][q][r][d][i1]: waiting units taken, q, r = 0..gv_mxq.
struct PairSplit {
  int bound = -1;
  std::vector<std::size_t> base;  // start of (x, y), indexed x*(bound+1)+y
  std::vector<double> v;

  std::size_t idx(int x, int y, int d, int i1) const {
    return base[static_cast<std::size_t>(x) * static_cast<std::size_t>(bound + 1) + static_cast<std::size_t>(y)] +
           static_cast<std::size_t>(d) * static_cast<std::size_t>(x + 1) + static_cast<std::size_t>(i1);
  }
  double at(int x, int y, int d, int i1) const { return v[idx(x, y, d, i1)]; }
  // Lays out the blocks of the pairs covered, every entry 0.0.
  void allocate(int bound_, bool triangle) {
    bound = bound_;
    base.assign(static_cast<std::size_t>(bound + 1) * static_cast<std::size_t>(bound + 1), 0);
    std::size_t total = 0;
    for (int x = 0; x <= bound; ++x) {
      for (int y = 0; y <= bound; ++y) {
        if (triangle && x + y > bound) continue;
        base[static_cast<std::size_t>(x) * static_cast<std::size_t>(bound + 1) + static_cast<std::size_t>(y)] = total;
        total += static_cast<std::size_t>(x + y + 1) * static_cast<std::size_t>(x + 1);
      }
    }
    v.assign(total, 0.0);
  }
};
using DropSplit = PairSplit;
using QueueSplit = PairSplit;

// The entries of one q2s_split[p] in rows over r: for d free servers, q
// units in patience phase 1 and i1 of the d taken from them, row(d, q, i1)[r]
// is q2s_split[p][q][r][d][i1] for r = 0..mxq where d - i1 <= r and
// d < q + r, and 0.0 elsewhere; d = 1..d_max.
struct QueueSplitRows {
  int mxq = -1;
  int d_max = 0;
  std::vector<std::size_t> base;  // start of (d, q), indexed d*(mxq+1)+q; rows i1 = 0..min(q, d)
  std::vector<double> v;

  const double* row(int d, int q, int i1) const {
    return v.data() + base[static_cast<std::size_t>(d) * static_cast<std::size_t>(mxq + 1) + static_cast<std::size_t>(q)] +
           static_cast<std::size_t>(i1) * static_cast<std::size_t>(mxq + 1);
  }
};

struct SplitTables {
  DropSplit srv_drop_split;
  std::vector<double> q2s_w1, q2s_w2;  // (gv_mxq+1)^2, [x*(gv_mxq+1)+y], last period's weights
  std::vector<QueueSplit> q2s_split;   // [p]; left empty when not read (one-phase layout)
  std::vector<QueueSplitRows> q2s_rows;  // [p]: q2s_split by rows, built before the model cycles
};

// Result arrays of the model (n = intervals per cycle, K = mxw).
struct ModelResults {
  std::vector<double> wait_prob;        // (n_obs_max+1) x (K+1), [row*(K+1)+w]
  std::vector<double> q_avg[2];         // expected queue per interval, by cycle parity
  std::vector<double> q_var;            // variance of the queue, last cycle
  std::vector<double> abd_avg;          // expected abandonments, last cycle
  std::vector<double> sys_avg;          // expected number in system, last cycle
  std::vector<double> sys_avg_pre_arr;  // expected number in system before arrivals
};

// Everything the model builds for one instance.
struct ModelInstance {
  IntervalGrid grid;
  ProcessFits fits;
  CountTables counts;
  SplitTables splits;
  StateDist state;
  ModelResults results;
};
