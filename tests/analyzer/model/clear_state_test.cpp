// Clearing one slice of the state distribution: the region a < n_a,
// j + l <= m, all (q, r) becomes +0.0; every other entry keeps its bits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "analyzer/model/state_dist.h"

namespace {

// Distinct, recognisable contents in both slices and the saved copy, with a
// NaN and a negative zero among them.
void fill(StateDist& s) {
  double v = 1.0;
  for (std::vector<double>* part : {&s.slice[0], &s.slice[1], &s.saved})
    for (double& x : *part) x = (v += 1.0);
  for (std::vector<double>* part : {&s.slice[0], &s.slice[1]}) {
    part->front() = std::numeric_limits<double>::quiet_NaN();
    part->back() = -0.0;
  }
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Clears (n_a, m, slice) on a filled copy and compares entry by entry.
void expect_clears_exactly(int mxs, int mxq, int n_a, int m, int slice) {
  StateDist s;
  s.allocate(mxs, mxq);
  fill(s);
  StateDist before = s;
  f_clear_state(s, n_a, m, slice);

  EXPECT_EQ(s.saved, before.saved);
  const std::vector<double>& other = s.slice[1 - slice];
  for (std::size_t i = 0; i < other.size(); ++i) ASSERT_TRUE(same_bits(other[i], before.slice[1 - slice][i]));

  std::size_t cleared = 0;
  for (int a = 0; a < 2; ++a)
    for (int j = 0; j <= mxs; ++j)
      for (int l = 0; j + l <= mxs; ++l)
        for (int q = 0; q <= mxq; ++q)
          for (int r = 0; r <= mxq; ++r) {
            std::size_t i = s.idx(a, j, l, q, r);
            double now = s.slice[slice][i];
            if (a < n_a && j + l <= m) {
              ASSERT_TRUE(same_bits(now, 0.0)) << a << j << l << q << r;
              ++cleared;
            } else {
              ASSERT_TRUE(same_bits(now, before.slice[slice][i])) << a << j << l << q << r;
            }
          }
  int levels = n_a < 0 ? 0 : n_a;
  std::size_t pairs = m < 0 ? 0 : static_cast<std::size_t>((m + 1) * (m + 2) / 2);
  EXPECT_EQ(cleared, static_cast<std::size_t>(levels) * pairs * static_cast<std::size_t>((mxq + 1) * (mxq + 1)));
}

TEST(ClearState, ClearsOnlyItsRegion) {
  expect_clears_exactly(4, 3, 1, 4, 0);  // level 1 untouched
  expect_clears_exactly(4, 3, 2, 4, 1);
  expect_clears_exactly(4, 3, 2, 2, 0);  // pairs with j + l > m untouched
  expect_clears_exactly(5, 2, 1, 0, 1);  // only j = l = 0
  expect_clears_exactly(0, 0, 2, 0, 0);
  expect_clears_exactly(3, 6, 2, 3, 0);
}

TEST(ClearState, NothingToClearWritesNothing) {
  expect_clears_exactly(3, 2, 0, 3, 0);
  expect_clears_exactly(3, 2, -1, 3, 1);
  expect_clears_exactly(3, 2, 2, -1, 0);
}

TEST(ClearState, NaNAndNegativeZeroBecomePositiveZero) {
  StateDist s;
  s.allocate(2, 2);
  fill(s);
  ASSERT_TRUE(std::isnan(s.slice[0].front()));
  f_clear_state(s, 2, 2, 0);
  EXPECT_TRUE(same_bits(s.slice[0].front(), 0.0));
  EXPECT_TRUE(same_bits(s.slice[0].back(), 0.0));
  EXPECT_TRUE(std::isnan(s.slice[1].front()));
  EXPECT_TRUE(std::signbit(s.slice[1].back()));
}

}  // namespace
