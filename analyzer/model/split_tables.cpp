// Split tables of the server decrease and of the queue-to-service rule.
#include "analyzer/model/split_tables.h"

#include <algorithm>
#include <cstddef>

#include "analyzer/input/run_tables.h"
#include "analyzer/model/process_fits.h"
#include "analyzer/model/row_normalise.h"
#include "kernel/last_clock_table.h"
#include "kernel/max_wait_prob.h"

namespace {

// Largest count of either kind that the maximum-wait kernel takes.
constexpr int kKernelMaxCount = 25;

std::size_t pair_index(int i, int j, int bound) {
  return static_cast<std::size_t>(i) * static_cast<std::size_t>(bound + 1) + static_cast<std::size_t>(j);
}

// Fills a split table [i][j][d][i1] (i2 = d - i1) over its pairs (all, or
// the triangle i + j <= bound). The splits that leave no choice are 1.0:
// nothing taken, everything taken, and a group from one phase only. For i, j >= 1 the rows d = 1..i+j-1
// take entry(i, j, d, i1) for every i1 with 0 <= i2 <= j, in increasing d (an
// entry may read row d - 1 of its pair); only then is each row scaled to sum 1.
template <class Entry>
void fill_split_table(PairSplit& t, int bound, bool triangle, Entry entry) {
  t.allocate(bound, triangle);
  auto cell = [&](int i, int j, int d, int i1) -> double& { return t.v[t.idx(i, j, d, i1)]; };
  cell(0, 0, 0, 0) = 1.0;
  for (int i = 0; i <= bound; ++i) {
    for (int d = 0; d <= i; ++d) cell(i, 0, d, d) = 1.0;
  }
  for (int j = 0; j <= bound; ++j) {
    for (int d = 0; d <= j; ++d) cell(0, j, d, 0) = 1.0;
  }
  for (int i = 1; i <= bound; ++i) {
    for (int j = 1; j <= bound; ++j) {
      if (triangle && i + j > bound) continue;
      cell(i, j, 0, 0) = 1.0;
      cell(i, j, i + j, i) = 1.0;
      for (int d = 1; d <= i + j - 1; ++d) {
        for (int i1 = std::max(0, d - j); i1 <= std::min(i, d); ++i1) cell(i, j, d, i1) = entry(i, j, d, i1);
      }
      // Entries outside the split range are 0.0 and change neither the sum
      // nor themselves.
      for (int d = 1; d <= i + j - 1; ++d) f_normalise_row(&cell(i, j, d, 0), static_cast<std::size_t>(i) + 1);
    }
  }
}

}  // namespace

void f_build_drop_split(DropSplit& out, int mxs) {
  fill_split_table(out, mxs, true,
                   [](int j, int l, int e, int i1) {
                     return binom_at(j, i1) * binom_at(l, e - i1) / binom_at(j + l, e);
                   });
}

void f_queue_head_weights(std::vector<double>& w1, std::vector<double>& w2, int mxq, double scv, double a,
                          double b) {
  std::size_t side = static_cast<std::size_t>(mxq) + 1;
  w1.assign(side * side, 0.0);
  w2.assign(side * side, 0.0);
  // Counts beyond the kernel's domain come from the last-clock recursion, in
  // both orders of the rates.
  std::vector<double> last_ab, last_ba;
  if (mxq > kKernelMaxCount && scv != 0.5) {
    last_ab = f_last_clock_table(a, b, mxq);
    last_ba = f_last_clock_table(b, a, mxq);
  }
  for (int x = 0; x <= mxq; ++x) {
    for (int y = 0; y <= mxq; ++y) {
      std::size_t k = pair_index(x, y, mxq);
      if (x == 0) {
        w1[k] = 0.0;
        w2[k] = 1.0;
        continue;
      }
      if (y == 0) {
        w1[k] = 1.0;
        w2[k] = 0.0;
        continue;
      }
      double f = static_cast<double>(x) / static_cast<double>(x + y);
      if (scv == 0.5) {
        // Two phases of one rate: the last clock is rate-a with probability f.
        w1[k] = f * f;
      } else if (x <= y) {
        double last = y <= kKernelMaxCount ? f_max_wait_prob(a, b, x, y) : last_ab[f_last_clock_index(x, y, mxq)];
        w1[k] = last * f;
      } else {
        // The kernel takes the smaller count first: swap rates and counts.
        double last = x <= kKernelMaxCount ? f_max_wait_prob(b, a, y, x) : last_ba[f_last_clock_index(y, x, mxq)];
        w1[k] = (1.0 - last) * f;
      }
      w2[k] = 1.0 - w1[k];
    }
  }
}

void f_build_queue_split(QueueSplit& out, int mxq, const std::vector<double>& w1, const std::vector<double>& w2) {
  auto W1 = [&](int x, int y) { return w1[pair_index(x, y, mxq)]; };
  auto W2 = [&](int x, int y) { return w2[pair_index(x, y, mxq)]; };
  // The d-th unit comes from phase 1 with the weight of the queue left before
  // it, (q - i1 + 1, r - i2), or from phase 2 with that of (q - i1, r - i2 + 1),
  // on the rows d - 1 not yet scaled.
  fill_split_table(out, mxq, false, [&](int q, int r, int d, int i1) {
    int i2 = d - i1;
    double A = i1 >= 1 ? out.at(q, r, d - 1, i1 - 1) * W1(q - i1 + 1, r - i2) : 0.0;
    double B = i2 >= 1 ? out.at(q, r, d - 1, i1) * W2(q - i1, r - i2 + 1) : 0.0;
    return A + B;
  });
}

void f_build_split_tables(SplitTables& out, const ProcessFits& fits, const std::vector<double>& abd_scv, int mxs,
                          int mxq) {
  f_build_drop_split(out.srv_drop_split, mxs);
  std::size_t side = static_cast<std::size_t>(mxq) + 1;
  out.q2s_w1.assign(side * side, 0.0);
  out.q2s_w2.assign(side * side, 0.0);
  out.q2s_split.clear();
  // The one-phase queue-to-service rule never reads the split.
  if (fits.layout_exp) return;
  out.q2s_split.assign(fits.abd.size(), QueueSplit{});
  for (std::size_t p = 0; p < fits.abd.size(); ++p) {
    TwoPhaseRates rates = f_two_phase_rates(fits.abd[p]);
    f_queue_head_weights(out.q2s_w1, out.q2s_w2, mxq, abd_scv[p], rates.mu1, rates.mu2);
    f_build_queue_split(out.q2s_split[p], mxq, out.q2s_w1, out.q2s_w2);
  }
}
