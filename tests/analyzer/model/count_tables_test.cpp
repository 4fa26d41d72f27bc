// Tests of the arrival, service and abandonment count tables against Poisson
// and binomial probabilities computed independently in long double.
#include "analyzer/model/count_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analyzer/model/process_fits.h"
#include "tests/analyzer/model/init_fixture.h"

using namespace init_fixture;

namespace {

constexpr double kTight = 1e-15;
constexpr double kClose = 1e-13;

long double poisson(int k, long double x) {
  long double term = std::exp(-x);
  for (int i = 1; i <= k; ++i) term = term * x / i;
  return term;
}

long double choose(int n, int k) {
  long double c = 1.0L;
  for (int i = 1; i <= k; ++i) c = c * (n - k + i) / i;
  return c;
}

PhaseType make_ph(int n, const std::vector<double>& Q) {
  PhaseType ph;
  ph.n = n;
  ph.Q = Q;
  ph.alpha.assign(static_cast<std::size_t>(n), 0.0);
  ph.alpha[0] = 1.0;
  return ph;
}

PhaseType fitted(double mean, double scv) {
  PhaseType ph;
  f_PH_fit(ph, 1.0 / mean, f_number_of_phases(scv), scv, 0.5, 1e-9);
  return ph;
}

double triangle_row_sum(const TriangleRows& t, int m) {
  double s = 0.0;
  for (int c = 0; c <= m; ++c) s += t.at(m, c);
  return s;
}

double block_sum(const SquareBlocks& t, int m) {
  double s = 0.0;
  for (int x = 0; x <= m; ++x) {
    for (int y = 0; y <= m; ++y) s += t.at(m, x, y);
  }
  return s;
}

}  // namespace

TEST(ArrivalCounts, NoSuccessesPutsAllMassOnZeroArrivals) {
  set_run_defaults();
  std::vector<double> row = f_arrival_count_row(2.0, 0.5, 6, 0);
  EXPECT_EQ(row, (std::vector<double>{1.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0}));
}

TEST(ArrivalCounts, TailLumpedAtTheSuccessCount) {
  set_run_defaults();
  std::vector<double> row = f_arrival_count_row(1.0, 1.0, 5, 2);
  double e1 = std::exp(-1.0);
  ASSERT_EQ(row.size(), 6u);
  EXPECT_NEAR(row[0], e1, kTight);
  EXPECT_NEAR(row[1], e1, kTight);
  EXPECT_NEAR(row[2], 1.0 - 2.0 * e1, kTight);
  for (int k = 3; k <= 5; ++k) EXPECT_EQ(row[static_cast<std::size_t>(k)], 0.0);
}

TEST(ArrivalCounts, TermsAboveTheBoundAreScavengedByScaling) {
  set_run_defaults();
  // e^-1 (1, 1, 1/2, 1/6) scaled to sum 1: 3/8, 3/8, 3/16, 1/16.
  std::vector<double> row = f_arrival_count_row(1.0, 1.0, 3, 10);
  const double expected[] = {3.0 / 8, 3.0 / 8, 3.0 / 16, 1.0 / 16};
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(row[static_cast<std::size_t>(k)], expected[k], kTight);
}

TEST(ArrivalCounts, ThinningRateIsTheLargestEntryOnlyForThinning) {
  std::vector<PhaseType> iat = {make_ph(2, {-3.0, 0.6, 0.0, -0.5}), make_ph(1, {-2.0})};
  EXPECT_EQ(f_arrival_thin_rate(iat, 0), -1.0);
  EXPECT_EQ(f_arrival_thin_rate(iat, 1), -1.0);
  EXPECT_EQ(f_arrival_thin_rate(iat, -1), 3.0);
}

TEST(ArrivalCounts, TablesForEveryPeriodAndTheFirstInsufficientOne) {
  set_run_defaults();
  std::vector<PhaseType> iat = {make_ph(1, {-0.001}), make_ph(2, {-3.0, 0.6, 0.0, -0.5})};
  CountTables counts;
  EXPECT_EQ(f_build_arrival_tables(counts, iat, 1.0, 25, 10, 1e-6, -1.0), -1);
  ASSERT_EQ(counts.arr_cnt_2ph.size(), 2u);
  EXPECT_EQ(counts.arr_cnt_2ph[0].n, 1);
  EXPECT_EQ(counts.arr_cnt_2ph[1].n, 2);
  ASSERT_EQ(counts.arr_cnt.size(), 2u);
  // The Poisson row of period 1 uses the first phase's rate, 3.
  for (int k = 0; k < 10; ++k) {
    EXPECT_NEAR(counts.arr_cnt[1][static_cast<std::size_t>(k)], static_cast<double>(poisson(k, 3.0L)), 1e-6);
  }

  testing::internal::CaptureStdout();
  int failed = f_build_arrival_tables(counts, iat, 1.0, 2, 10, 1e-6, -1.0);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(failed, 1);
  EXPECT_NE(out.find("Insufficient probability mass"), std::string::npos);
}

TEST(CountingRule, OneSuccessLumpsEverythingBeyondNoEvent) {
  set_run_defaults();
  TriangleRows t;
  f_counting_rule(t, 3, 0.5, 1.0, 1, 1);
  double e = std::exp(-1.5);
  EXPECT_NEAR(t.at(3, 0), e, kTight);
  EXPECT_NEAR(t.at(3, 1), 1.0 - e, kTight);
  EXPECT_EQ(t.at(3, 2), 0.0);
  EXPECT_EQ(t.at(3, 3), 0.0);
}

TEST(CountingRule, MissingMassGoesToTheGroupOrTheCap) {
  set_run_defaults();
  TriangleRows t;
  // mxn_suc 10 with 4 servers: cap 4.
  f_counting_rule(t, 4, 0.7, 1.0, 10, 4);
  for (int m = 0; m <= 4; ++m) {
    long double x = 0.7L * m;
    long double rest = 1.0L;
    for (int c = 0; c < m; ++c) {
      EXPECT_NEAR(t.at(m, c), static_cast<double>(poisson(c, x)), kTight) << m << " " << c;
      rest -= poisson(c, x);
    }
    // Entry m holds m or more events.
    EXPECT_NEAR(t.at(m, m), static_cast<double>(rest), kTight) << m;
  }
  EXPECT_EQ(t.at(0, 0), 1.0);
}

// Beyond the success count nothing is ever stored, not even the rounding rest
// of a lumped row, which goes to the entry of the cap.
TEST(LumpedRows, NothingStoredAboveTheCap) {
  set_run_defaults();
  for (int i = 1; i <= 200; ++i) {
    double mu = 0.0137 * i;
    TriangleRows t;
    SquareBlocks b;
    f_counting_rule(t, 6, mu, 1.0, 2, 2);
    f_phase1_rule(b, 6, mu, 0.35, 1.0, 2, 2);
    for (int m = 3; m <= 6; ++m) {
      for (int c = 3; c <= m; ++c) EXPECT_EQ(t.at(m, c), 0.0) << mu << " " << m << " " << c;
      for (int x = 0; x <= m; ++x) {
        for (int y = 0; y <= m; ++y) {
          if (x + y > 2) {
            EXPECT_EQ(b.at(m, x, y), 0.0) << mu << " " << m << " " << x << " " << y;
          }
        }
      }
    }
  }
}

TEST(CountingRule, NoSuccessesMeansNoEvents) {
  set_run_defaults();
  TriangleRows t;
  f_counting_rule(t, 5, 2.0, 1.0, 0, 0);
  for (int m = 0; m <= 5; ++m) {
    EXPECT_EQ(t.at(m, 0), 1.0);
    for (int c = 1; c <= m; ++c) EXPECT_EQ(t.at(m, c), 0.0);
  }
}

TEST(PhaseOneRule, CoxianSplitsEventsBinomially) {
  set_run_defaults();
  const int M = 6;
  const double mu1 = 0.8, p = 0.3, Delta = 0.5;
  SquareBlocks t;
  f_phase1_rule(t, M, mu1, p, Delta, 10, M);
  for (int m = 0; m <= M; ++m) {
    long double x = static_cast<long double>(m) * mu1 * Delta;
    long double below = 0.0L;
    for (int n = 0; n < m; ++n) below += poisson(n, x);
    for (int n = 0; n <= m; ++n) {
      // m or more events all fall at n = m.
      long double w = n < m ? poisson(n, x) : 1.0L - below;
      for (int k = 0; k <= n; ++k) {
        long double expected = w * choose(n, k) * std::pow(1.0L - p, k) * std::pow(static_cast<long double>(p), n - k);
        EXPECT_NEAR(t.at(m, n - k, k), static_cast<double>(expected), kClose) << m << " " << n << " " << k;
      }
    }
    EXPECT_NEAR(block_sum(t, m), 1.0, kTight);
  }
}

TEST(PhaseOneRule, FewSuccessesLumpAtTheSuccessCount) {
  set_run_defaults();
  const double mu1 = 1.1, p = 0.6;
  SquareBlocks t;
  f_phase1_rule(t, 4, mu1, p, 1.0, 2, 2);
  long double x = 4.0L * mu1;
  long double lump = 1.0L - poisson(0, x) - poisson(1, x);
  EXPECT_NEAR(t.at(4, 0, 0), static_cast<double>(poisson(0, x)), kTight);
  EXPECT_NEAR(t.at(4, 1, 0), static_cast<double>(poisson(1, x) * p), kTight);
  EXPECT_NEAR(t.at(4, 0, 1), static_cast<double>(poisson(1, x) * (1 - p)), kTight);
  EXPECT_NEAR(t.at(4, 2, 0), static_cast<double>(lump * p * p), kTight);
  EXPECT_NEAR(t.at(4, 1, 1), static_cast<double>(lump * 2 * p * (1 - p)), kTight);
  EXPECT_NEAR(t.at(4, 0, 2), static_cast<double>(lump * (1 - p) * (1 - p)), kTight);
  for (int x2 = 0; x2 <= 4; ++x2) {
    for (int y = 0; y <= 4; ++y) {
      if (x2 + y > 2) {
        EXPECT_EQ(t.at(4, x2, y), 0.0);
      }
    }
  }
}

TEST(PhaseOneRule, HypoExponentialOnlyMovesAndMatchesTheCountingRule) {
  set_run_defaults();
  SquareBlocks adv;
  TriangleRows cnt;
  f_phase1_rule(adv, 5, 1.3, 1.0, 1.0, 3, 3);
  f_counting_rule(cnt, 5, 1.3, 1.0, 3, 3);
  for (int m = 0; m <= 5; ++m) {
    for (int x = 0; x <= m; ++x) {
      EXPECT_EQ(adv.at(m, x, 0), cnt.at(m, x));
      for (int y = 1; y <= m; ++y) EXPECT_EQ(adv.at(m, x, y), 0.0);
    }
  }
  EXPECT_EQ(adv.at(0, 0, 0), 1.0);
}

TEST(EventTables, OnePhaseAndTwoPhasePeriodsFillTheirOwnTables) {
  set_run_defaults();
  std::vector<PhaseType> fits = {fitted(1.0, 1.0), fitted(1.0, 0.5), fitted(2.0, 2.0)};
  CountTables c;
  f_build_event_tables({&c.ser_cmp, &c.ser_cmp_ph2, &c.ser_adv_ph1}, fits, 4, 4, 0.5, 10, -1, false);
  // Period 0 (SCV 1): the one-phase table only.
  EXPECT_EQ(c.ser_cmp_ph2[0].v, std::vector<double>(c.ser_cmp_ph2[0].v.size(), 0.0));
  EXPECT_EQ(c.ser_adv_ph1[0].v, std::vector<double>(c.ser_adv_ph1[0].v.size(), 0.0));
  // Period 1 (SCV 0.5): no one-phase table; phase-1 events are all moves.
  EXPECT_EQ(c.ser_cmp[1].v, std::vector<double>(c.ser_cmp[1].v.size(), 0.0));
  for (int m = 0; m <= 4; ++m) {
    for (int x = 0; x <= m; ++x) {
      for (int y = 1; y <= m; ++y) EXPECT_EQ(c.ser_adv_ph1[1].at(m, x, y), 0.0);
    }
  }
  // Every row of every filled table sums to 1.
  for (int m = 0; m <= 4; ++m) {
    EXPECT_NEAR(triangle_row_sum(c.ser_cmp[0], m), 1.0, kTight);
    for (int p = 1; p <= 2; ++p) {
      EXPECT_NEAR(triangle_row_sum(c.ser_cmp_ph2[static_cast<std::size_t>(p)], m), 1.0, kTight);
      EXPECT_NEAR(block_sum(c.ser_adv_ph1[static_cast<std::size_t>(p)], m), 1.0, kTight);
    }
  }
}

// Mended: in a multi-phase layout a one-phase period also gets its two-phase
// tables, as the chain mu, mu with every phase-1 event a completion.
TEST(EventTables, OnePhasePeriodInMultiPhaseLayoutCompletesThroughPhaseOne) {
  set_run_defaults();
  std::vector<PhaseType> fits = {fitted(2.5, 1.0)};
  CountTables c;
  f_build_event_tables({&c.abd_cnt, &c.abd_cnt_ph2, &c.abd_adv_ph1}, fits, 6, 6, 1.0, 10, -1, true);
  for (int m = 0; m <= 6; ++m) {
    EXPECT_NEAR(triangle_row_sum(c.abd_cnt[0], m), 1.0, kTight);
    EXPECT_NEAR(block_sum(c.abd_adv_ph1[0], m), 1.0, kTight);
    for (int b = 0; b <= m; ++b) {
      // Phase 2 completes at the same rate; phase 1 only completes.
      EXPECT_EQ(c.abd_cnt_ph2[0].at(m, b), c.abd_cnt[0].at(m, b));
      EXPECT_EQ(c.abd_adv_ph1[0].at(m, 0, b), c.abd_cnt[0].at(m, b));
      for (int x = 1; x <= m; ++x) EXPECT_EQ(c.abd_adv_ph1[0].at(m, x, b), 0.0);
    }
  }
}

TEST(EventTables, OnePhasePeriodThroughTheTwoPhaseAdvancementIsBinomial) {
  set_run_defaults();
  const double mu = 0.4;
  std::vector<PhaseType> fits = {fitted(1.0 / mu, 1.0)};
  CountTables c;
  f_build_event_tables({&c.ser_cmp, &c.ser_cmp_ph2, &c.ser_adv_ph1}, fits, 3, 3, 1.0, 10, 40, true);
  // Each of m units completes independently with probability 1 - e^-mu.
  long double done = 1.0L - std::exp(-static_cast<long double>(mu));
  for (int m = 0; m <= 3; ++m) {
    for (int y = 0; y <= m; ++y) {
      long double expected = choose(m, y) * std::pow(done, y) * std::pow(1.0L - done, m - y);
      EXPECT_NEAR(c.ser_adv_ph1[0].at(m, 0, y), static_cast<double>(expected), 1e-12) << m << " " << y;
    }
  }
}

TEST(EventTables, AdvancementChangesOnlyThePhaseOneTables) {
  set_run_defaults();
  std::vector<PhaseType> fits = {fitted(1.0, 2.0)};
  CountTables split, advanced;
  f_build_event_tables({&split.ser_cmp, &split.ser_cmp_ph2, &split.ser_adv_ph1}, fits, 5, 5, 0.5, 10, -1, true);
  f_build_event_tables({&advanced.ser_cmp, &advanced.ser_cmp_ph2, &advanced.ser_adv_ph1}, fits, 5, 5, 0.5, 10, 25,
                       true);
  EXPECT_EQ(split.ser_cmp[0].v, advanced.ser_cmp[0].v);
  EXPECT_EQ(split.ser_cmp_ph2[0].v, advanced.ser_cmp_ph2[0].v);
  EXPECT_NE(split.ser_adv_ph1[0].v, advanced.ser_adv_ph1[0].v);
  for (int m = 0; m <= 5; ++m) EXPECT_NEAR(block_sum(advanced.ser_adv_ph1[0], m), 1.0, 1e-12);
}

TEST(EventTables, BinomialRowsReadByThePhaseOneSplit) {
  set_run_defaults();
  std::vector<PhaseType> coxian = {fitted(1.0, 1.0), fitted(1.0, 2.0)};
  std::vector<PhaseType> hypo = {fitted(1.0, 0.5)};
  std::vector<PhaseType> expo = {fitted(1.0, 1.0)};
  EXPECT_EQ(f_event_tables_binom_rows(coxian, 25, 10, -1, true), 10);
  EXPECT_EQ(f_event_tables_binom_rows(coxian, 5, 10, -1, true), 5);
  EXPECT_EQ(f_event_tables_binom_rows(coxian, 25, 10, 10, true), -1);
  EXPECT_EQ(f_event_tables_binom_rows(hypo, 25, 10, -1, true), -1);
  EXPECT_EQ(f_event_tables_binom_rows(expo, 25, 10, -1, false), -1);
  EXPECT_EQ(f_event_tables_binom_rows(expo, 25, 10, -1, true), 10);
}
