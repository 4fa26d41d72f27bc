// Tests of the server-drop split (hypergeometric), the queue-head weights and
// the queue-to-service split, against independent computations: binomial
// quotients, the last-clock recursion in long double, and a path enumeration
// of the unit-by-unit draws.
#include "analyzer/model/split_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "analyzer/model/process_fits.h"
#include "tests/analyzer/model/init_fixture.h"

using namespace init_fixture;

namespace {

constexpr double kTight = 1e-15;
constexpr double kClose = 1e-13;

long double choose(int n, int k) {
  long double c = 1.0L;
  for (int i = 1; i <= k; ++i) c = c * (n - k + i) / i;
  return c;
}

// The probability that the last of x rate-a and y rate-b clocks is rate-a,
// written out independently in long double.
long double last_clock(long double a, long double b, int x, int y) {
  std::vector<std::vector<long double>> K(static_cast<std::size_t>(x) + 1,
                                          std::vector<long double>(static_cast<std::size_t>(y) + 1, 0.0L));
  for (int i = 0; i <= x; ++i) {
    for (int j = 0; j <= y; ++j) {
      if (j == 0) {
        K[i][j] = i > 0 ? 1.0L : 0.0L;
      } else if (i == 0) {
        K[i][j] = 0.0L;
      } else {
        K[i][j] = (i * a * K[i - 1][j] + j * b * K[i][j - 1]) / (i * a + j * b);
      }
    }
  }
  return K[x][y];
}

double weight(const std::vector<double>& w, int mxq, int x, int y) {
  return w[static_cast<std::size_t>(x) * static_cast<std::size_t>(mxq + 1) + static_cast<std::size_t>(y)];
}

// Sum over every order of taking d units from (q, r) of the product of the
// weights along the way; result[i1] for i1 units taken from phase 1.
std::vector<long double> enumerate_draws(const std::vector<double>& w1, const std::vector<double>& w2, int mxq,
                                         int q, int r, int d) {
  std::vector<long double> out(static_cast<std::size_t>(q) + 1, 0.0L);
  std::function<void(int, int, int, long double)> walk = [&](int x, int y, int left, long double prob) {
    if (left == 0) {
      out[static_cast<std::size_t>(q - x)] += prob;
      return;
    }
    if (x > 0) walk(x - 1, y, left - 1, prob * weight(w1, mxq, x, y));
    if (y > 0) walk(x, y - 1, left - 1, prob * weight(w2, mxq, x, y));
  };
  walk(q, r, d, 1.0L);
  long double s = 0.0L;
  for (long double v : out) s += v;
  for (long double& v : out) v /= s;
  return out;
}

}  // namespace

TEST(DropSplit, NoServersIsOneEntry) {
  set_run_defaults();
  DropSplit t;
  f_build_drop_split(t, 0);
  ASSERT_EQ(t.v.size(), 1u);
  EXPECT_EQ(t.at(0, 0, 0, 0), 1.0);
}

TEST(DropSplit, HypergeometricShares) {
  set_run_defaults();
  const int mxs = 8;
  DropSplit t;
  f_build_drop_split(t, mxs);
  EXPECT_EQ(t.at(1, 1, 1, 1), 0.5);
  EXPECT_EQ(t.at(1, 1, 1, 0), 0.5);
  for (int j = 0; j <= mxs; ++j) {
    for (int l = 0; j + l <= mxs; ++l) {
      for (int e = 0; e <= j + l; ++e) {
        double sum = 0.0;
        for (int i1 = 0; i1 <= j; ++i1) {
          int i2 = e - i1;
          long double expected =
              (i2 < 0 || i2 > l) ? 0.0L : choose(j, i1) * choose(l, i2) / choose(j + l, e);
          EXPECT_NEAR(t.at(j, l, e, i1), static_cast<double>(expected), kTight) << j << l << e << i1;
          sum += t.at(j, l, e, i1);
        }
        EXPECT_NEAR(sum, 1.0, kTight);
      }
    }
  }
}

TEST(QueueHeadWeights, EdgesOfTheQueue) {
  set_run_defaults();
  std::vector<double> w1, w2;
  f_queue_head_weights(w1, w2, 4, 2.0, 2.0, 0.5);
  for (int y = 0; y <= 4; ++y) {
    EXPECT_EQ(weight(w1, 4, 0, y), 0.0);
    EXPECT_EQ(weight(w2, 4, 0, y), 1.0);
  }
  for (int x = 1; x <= 4; ++x) {
    EXPECT_EQ(weight(w1, 4, x, 0), 1.0);
    EXPECT_EQ(weight(w2, 4, x, 0), 0.0);
  }
}

TEST(QueueHeadWeights, OneOfEachIsBOverTwoAPlusB) {
  set_run_defaults();
  const double a = 2.0, b = 0.5;
  std::vector<double> w1, w2;
  f_queue_head_weights(w1, w2, 3, 2.0, a, b);
  EXPECT_NEAR(weight(w1, 3, 1, 1), b / (2.0 * (a + b)), kTight);
  EXPECT_NEAR(weight(w2, 3, 1, 1), 1.0 - b / (2.0 * (a + b)), kTight);
}

TEST(QueueHeadWeights, PatienceScvOneHalfSquaresTheShare) {
  set_run_defaults();
  std::vector<double> w1, w2;
  // Rates that would give other weights through the kernel.
  f_queue_head_weights(w1, w2, 6, 0.5, 5.0, 1.0);
  for (int x = 1; x <= 6; ++x) {
    for (int y = 1; y <= 6; ++y) {
      double f = static_cast<double>(x) / (x + y);
      EXPECT_EQ(weight(w1, 6, x, y), f * f);
      EXPECT_EQ(weight(w2, 6, x, y), 1.0 - f * f);
    }
  }
}

TEST(QueueHeadWeights, KernelValuesInBothOrders) {
  set_run_defaults();
  const double a = 1.7, b = 0.45;
  std::vector<double> w1, w2;
  f_queue_head_weights(w1, w2, 8, 2.0, a, b);
  for (int x = 1; x <= 8; ++x) {
    for (int y = 1; y <= 8; ++y) {
      long double f = static_cast<long double>(x) / (x + y);
      long double expected = last_clock(a, b, x, y) * f;
      EXPECT_NEAR(weight(w1, 8, x, y), static_cast<double>(expected), kClose) << x << " " << y;
    }
  }
}

// Mended: counts above the kernel's 25 come from the last-clock recursion.
TEST(QueueHeadWeights, CountsAboveTwentyFiveUseTheRecursion) {
  set_run_defaults();
  const double a = 0.9, b = 2.3;
  const int mxq = 32;
  std::vector<double> w1, w2;
  f_queue_head_weights(w1, w2, mxq, 3.0, a, b);
  for (int x = 1; x <= mxq; ++x) {
    for (int y = 1; y <= mxq; ++y) {
      long double f = static_cast<long double>(x) / (x + y);
      long double expected = last_clock(a, b, x, y) * f;
      EXPECT_NEAR(weight(w1, mxq, x, y), static_cast<double>(expected), kClose) << x << " " << y;
      EXPECT_NEAR(weight(w1, mxq, x, y) + weight(w2, mxq, x, y), 1.0, kTight);
    }
  }
}

TEST(QueueSplit, NoWaitingRoomIsOneEntry) {
  set_run_defaults();
  std::vector<double> w1, w2;
  f_queue_head_weights(w1, w2, 0, 2.0, 1.0, 2.0);
  QueueSplit t;
  f_build_queue_split(t, 0, w1, w2);
  ASSERT_EQ(t.v.size(), 1u);
  EXPECT_EQ(t.at(0, 0, 0, 0), 1.0);
}

TEST(QueueSplit, OneOfEachTakesTheWeights) {
  set_run_defaults();
  const int mxq = 5;
  std::vector<double> w1, w2;
  f_queue_head_weights(w1, w2, mxq, 2.0, 2.0, 0.5);
  QueueSplit t;
  f_build_queue_split(t, mxq, w1, w2);
  EXPECT_EQ(t.at(1, 1, 1, 1), weight(w1, mxq, 1, 1));
  EXPECT_EQ(t.at(1, 1, 1, 0), weight(w2, mxq, 1, 1));
}

TEST(QueueSplit, MatchesEveryOrderOfDrawsAndRowsSumToOne) {
  set_run_defaults();
  const int mxq = 6;
  std::vector<double> w1, w2;
  f_queue_head_weights(w1, w2, mxq, 1.6, 1.2, 0.7);
  QueueSplit t;
  f_build_queue_split(t, mxq, w1, w2);
  for (int q = 0; q <= mxq; ++q) {
    for (int r = 0; r <= mxq; ++r) {
      for (int d = 0; d <= q + r; ++d) {
        std::vector<long double> expected = enumerate_draws(w1, w2, mxq, q, r, d);
        double sum = 0.0;
        for (int i1 = 0; i1 <= q; ++i1) {
          EXPECT_NEAR(t.at(q, r, d, i1), static_cast<double>(expected[static_cast<std::size_t>(i1)]), kClose)
              << q << " " << r << " " << d << " " << i1;
          sum += t.at(q, r, d, i1);
        }
        EXPECT_NEAR(sum, 1.0, kTight);
      }
    }
  }
}

// Mended: the one-phase layout never reads q2s_split, so none is built.
TEST(SplitTables, OnePhaseLayoutBuildsNoQueueSplit) {
  set_run_defaults();
  ProcessFits fits;
  f_reset_layout(fits);
  fits.abd.resize(2);
  SplitTables s;
  f_build_split_tables(s, fits, {1.0, 1.0}, 3, 7);
  EXPECT_TRUE(s.q2s_split.empty());
  EXPECT_EQ(s.q2s_w1.size(), 64u);
  EXPECT_NEAR(s.srv_drop_split.at(2, 1, 1, 1), 2.0 / 3.0, kTight);
}

// Mended: a one-phase patience period in a multi-phase layout weighs the
// queue head with b := a, which is the share x / (x + y) of equal rates.
TEST(SplitTables, OnePhasePatienceInMultiPhaseLayoutUsesEqualRates) {
  set_run_defaults();
  ProcessFits fits;
  f_reset_layout(fits);
  fits.layout_exp = false;
  fits.layout_serabd = true;
  fits.abd.resize(2);
  f_PH_fit(fits.abd[0], 0.5, 2, 2.0, 0.5, 1e-9);
  f_PH_fit(fits.abd[1], 0.5, 1, 1.0, 0.5, 1e-9);
  SplitTables s;
  const int mxq = 28;
  f_build_split_tables(s, fits, {2.0, 1.0}, 2, mxq);
  ASSERT_EQ(s.q2s_split.size(), 2u);
  // The weight arrays hold the last period's weights.
  for (int x = 1; x <= mxq; ++x) {
    for (int y = 1; y <= mxq; ++y) {
      double f = static_cast<double>(x) / (x + y);
      EXPECT_NEAR(weight(s.q2s_w1, mxq, x, y), f * f, kClose) << x << " " << y;
    }
  }
  EXPECT_NEAR(s.q2s_split[1].at(1, 1, 1, 1), 0.25, kTight);
  EXPECT_NE(s.q2s_split[0].at(1, 1, 1, 1), s.q2s_split[1].at(1, 1, 1, 1));
}
