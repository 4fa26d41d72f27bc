// Checks the maximum-wait probability K(a, b, m, n) against exact values from
// 113-bit arithmetic, its identities, and the failure path that ends the run.
#include "kernel/max_wait_prob.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <limits>
#include <optional>
#include <sstream>
#include <vector>

#include "kernel/fatal_exit.h"
#include "kernel/last_clock_table.h"
#include "tests/support/child_process.h"

namespace {

constexpr double kTight = 1e-13;
constexpr double kIdentity = 1e-14;
constexpr int kMaxCount = 25;
const char* const kFailureOutput =
    "\nError when trying to obtain the maximum wait probability.\nPress any key to quit...";

using Quad = __float128;

Quad quad_abs(Quad x) { return x < 0 ? -x : x; }

// Exact K(m, n) for 0 <= m, n <= 25 at the double rates (a, b), by the
// recursion over the clocks still running, carried in 113-bit arithmetic.
// Every term is positive, so the relative error stays near 1e-32.
class ExactK {
 public:
  ExactK(double a, double b) {
    const Quad qa = a;
    const Quad qb = b;
    for (int x = 0; x <= kMaxCount; ++x) {
      for (int y = 0; y <= kMaxCount; ++y) {
        if (y == 0) {
          at(x, y) = x == 0 ? 0 : 1;
        } else if (x == 0) {
          at(x, y) = 0;
        } else {
          const Quad wa = x * qa;
          const Quad wb = y * qb;
          at(x, y) = (wa * at(x - 1, y) + wb * at(x, y - 1)) / (wa + wb);
        }
      }
    }
  }
  Quad quad(int m, int n) const { return k_[m * (kMaxCount + 1) + n]; }
  double operator()(int m, int n) const { return static_cast<double>(quad(m, n)); }

 private:
  Quad& at(int m, int n) { return k_[m * (kMaxCount + 1) + n]; }
  std::array<Quad, (kMaxCount + 1) * (kMaxCount + 1)> k_{};
};

// K(m, n) by the alternating double sum
//   Σ_{k<m} Σ_{l<=n} (−1)^(k+l) C(m−1, k) C(n, l) m·a / ((k+1)·a + l·b)
// in 113-bit arithmetic. Its terms reach about 1e14 in size, so it is good to
// about 1e-19 absolute, not relative.
Quad alternating_sum(double a, double b, int m, int n) {
  std::array<std::array<std::int64_t, kMaxCount + 1>, kMaxCount + 1> c{};
  for (int u = 0; u <= kMaxCount; ++u) {
    c[u][0] = 1;
    for (int v = 1; v <= u; ++v) c[u][v] = c[u - 1][v - 1] + (v < u ? c[u - 1][v] : 0);
  }
  Quad sum = 0;
  for (int k = 0; k < m; ++k) {
    for (int l = 0; l <= n; ++l) {
      const Quad term = Quad(c[m - 1][k]) * Quad(c[n][l]) * m * Quad(a) /
                        ((k + 1) * Quad(a) + l * Quad(b));
      sum += (k + l) % 2 == 0 ? term : -term;
    }
  }
  return sum;
}

// The kernel, called in this process. Standard input is put in a failed state
// first, so that should a call take the failure path, its wait for an integer
// ends at once; the call then unwinds with FatalExit and yields no value.
std::optional<double> kernel_value(double a, double b, double m, double n) {
  std::cin.setstate(std::ios::failbit);
  try {
    return f_max_wait_prob(a, b, m, n);
  } catch (const FatalExit&) {
    return std::nullopt;
  }
}

// The kernel's value where a test expects one; a failure path fails the test.
double k_of(double a, double b, double m, double n) {
  std::optional<double> v = kernel_value(a, b, m, n);
  if (!v) {
    ADD_FAILURE() << "failure path for a = " << a << ", b = " << b << ", m = " << m
                  << ", n = " << n;
    return std::numeric_limits<double>::quiet_NaN();
  }
  return *v;
}

// K(b, a, n, m) for m < n, which the kernel has no pair for, from the table.
double swapped_from_table(double a, double b, int m, int n) {
  return f_last_clock_table(b, a, n)[f_last_clock_index(n, m, n)];
}

// The rates of the accuracy sweep: b = 1 and b = 3, a = b·2^(k/4), k = −32 … 32.
std::vector<std::array<double, 2>> sweep_rates() {
  std::vector<std::array<double, 2>> rates;
  for (double b : {1.0, 3.0}) {
    for (int k = -32; k <= 32; ++k) rates.push_back({b * std::exp2(k / 4.0), b});
  }
  return rates;
}

bool has_quotient_form(int m, int n) {
  if (m == 1) return true;
  if (m != 2) return false;
  return n != 3 && n != 18 && n != 21 && n != 22 && n != 24;
}

}  // namespace

TEST(ExactReference, RecursionAgreesWithAlternatingSum) {
  for (double a : {1.0 / 256, 0.3, 1.0, 2.0, std::exp2(4.5), 256.0}) {
    const ExactK exact(a, 1.0);
    for (int m = 1; m <= kMaxCount; ++m) {
      for (int n = m; n <= kMaxCount; ++n) {
        EXPECT_LT(static_cast<double>(quad_abs(exact.quad(m, n) - alternating_sum(a, 1.0, m, n))),
                  1e-18)
            << "a = " << a << ", pair (" << m << ", " << n << ")";
      }
    }
  }
}

TEST(MaxWaitProb, StatedValuesComeOutToTheLastBit) {
  EXPECT_EQ(k_of(1, 1, 1, 1), 0.5);
  EXPECT_EQ(k_of(3, 1, 1, 1), 0.25);
  EXPECT_EQ(k_of(1, 1, 2, 2), 0.5);
  EXPECT_EQ(k_of(1, 1, 1, 2), 1.0 / 3.0);
  EXPECT_EQ(k_of(1, 1, 1, 3), 0.25);
  EXPECT_EQ(k_of(1, 1, 2, 4), 1.0 / 3.0);
  EXPECT_EQ(k_of(1, 1, 2, 5), 2.0 / 7.0);
  EXPECT_EQ(k_of(2, 1, 1, 25), 1.0 / 351.0);
  // The order of operations, not the exact value 2/27, decides the last bits:
  // two units in the last place below the double nearest 2/27.
  const double two_27 = 2.0 / 27.0;
  EXPECT_EQ(k_of(1, 1, 2, 25), 0.07407407407407404);
  EXPECT_EQ(k_of(1, 1, 2, 25), std::nextafter(std::nextafter(two_27, 0.0), 0.0));
}

TEST(MaxWaitProb, BoundsAndNotANumberPassTheCheck) {
  EXPECT_EQ(k_of(0, 1, 1, 1), 1.0);
  EXPECT_EQ(k_of(1, 0, 1, 1), 0.0);
  EXPECT_TRUE(std::isnan(k_of(0, 0, 1, 1)));
  // The quotient forms are not rescaled: both products overflow, or underflow.
  EXPECT_TRUE(std::isnan(k_of(1e12, 1e12, 1, 25)));
  EXPECT_TRUE(std::isnan(k_of(1e-10, 1e-10, 2, 25)));
}

TEST(MaxWaitProb, RecursionPairsAreExactWhereOneRateIsZero) {
  for (int m = 2; m <= kMaxCount; ++m) {
    for (int n = m; n <= kMaxCount; ++n) {
      if (has_quotient_form(m, n)) continue;
      EXPECT_EQ(k_of(0, 1, m, n), 1.0) << m << ", " << n;
      EXPECT_EQ(k_of(0, 3, m, n), 1.0) << m << ", " << n;
      EXPECT_EQ(k_of(1, 0, m, n), 0.0) << m << ", " << n;
      EXPECT_EQ(k_of(3, 0, m, n), 0.0) << m << ", " << n;
    }
  }
}

TEST(MaxWaitProb, LargerPairsStayAccurateWhereAlternatingSumsCancel) {
  // Exact values quoted to 17 digits.
  EXPECT_NEAR(k_of(2, 1, 3, 3), 19.0 / 84.0, 1e-16);
  EXPECT_NEAR(k_of(2, 1, 7, 25), 0.019103972664344181, 1e-16);
  EXPECT_NEAR(k_of(4, 1, 25, 25), 0.0010321131508880007, 1e-16);
  EXPECT_NEAR(k_of(1.0 / 256, 1, 7, 19), 0.99999999999887601, 1e-15);
  EXPECT_NEAR(k_of(1, 1, 25, 25), 0.5, 1e-15);
  // Values near 0 keep their relative accuracy.
  struct Case {
    double a;
    int m;
    int n;
  };
  for (Case c : {Case{256, 3, 8}, Case{256, 7, 7}, Case{std::exp2(4.5), 2, 18},
                 Case{std::exp2(1.25), 23, 25}}) {
    const double exact = ExactK(c.a, 1.0)(c.m, c.n);
    EXPECT_NEAR(k_of(c.a, 1, c.m, c.n), exact, 1e-13 * exact)
        << "a = " << c.a << ", pair (" << c.m << ", " << c.n << ")";
  }
}

TEST(MaxWaitProb, AllPairsMatchExactValuesOverRateRatios) {
  int failures = 0;
  double worst = 0.0;
  std::string worst_case;
  for (const auto& [a, b] : sweep_rates()) {
    const ExactK exact(a, b);
    for (int m = 1; m <= kMaxCount; ++m) {
      for (int n = m; n <= kMaxCount; ++n) {
        std::optional<double> v = kernel_value(a, b, m, n);
        if (!v) {
          ++failures;
          continue;
        }
        const double error = std::fabs(*v - exact(m, n));
        if (!(error <= worst)) {
          worst = error;
          std::ostringstream where;
          where << "a = " << a << ", b = " << b << ", pair (" << m << ", " << n << ")";
          worst_case = where.str();
        }
      }
    }
  }
  EXPECT_EQ(failures, 0);
  EXPECT_LT(worst, kTight) << "largest error at " << worst_case;
}

TEST(MaxWaitProb, QuotientPairsKeepRelativeAccuracyOverWideRatios) {
  // Nothing cancels in a quotient form, so the error stays relative even
  // where K is far below 1e-100.
  double worst = 0.0;
  for (double b : {1.0, 3.0}) {
    for (int k = -56; k <= 56; ++k) {
      const double a = b * std::exp(k / 4.0);
      const ExactK exact(a, b);
      for (int m = 1; m <= 2; ++m) {
        for (int n = m; n <= kMaxCount; ++n) {
          if (!has_quotient_form(m, n)) continue;
          const Quad e = exact.quad(m, n);
          const double rel = static_cast<double>(quad_abs((k_of(a, b, m, n) - e) / e));
          worst = std::max(worst, rel);
        }
      }
    }
  }
  EXPECT_LT(worst, 4e-15);
}

TEST(MaxWaitProb, SwapIdentityHolds) {
  double worst = 0.0;
  for (const auto& [a, b] : sweep_rates()) {
    for (int m = 1; m <= kMaxCount; ++m) {
      for (int n = m; n <= kMaxCount; ++n) {
        const double swapped = m == n ? k_of(b, a, n, m) : swapped_from_table(a, b, m, n);
        worst = std::max(worst, std::fabs(k_of(a, b, m, n) - (1.0 - swapped)));
      }
    }
  }
  EXPECT_LT(worst, kIdentity);
}

TEST(MaxWaitProb, EqualRatesGiveShareOfRateAClocks) {
  for (double rate : {1.0, 3.0, 0.1, 1e3, std::exp2(-20)}) {
    for (int m = 1; m <= kMaxCount; ++m) {
      for (int n = m; n <= kMaxCount; ++n) {
        EXPECT_NEAR(k_of(rate, rate, m, n), static_cast<double>(m) / (m + n), kIdentity)
            << "rate " << rate << ", pair (" << m << ", " << n << ")";
      }
    }
  }
}

TEST(MaxWaitProb, CountsWithoutAPairEndTheRunWithTheMessage) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::array<std::array<double, 2>, 12> counts{{{3, 2},
                                                       {25, 24},
                                                       {0, 1},
                                                       {0, 0},
                                                       {-1, 3},
                                                       {1, 26},
                                                       {26, 26},
                                                       {1.5, 2},
                                                       {2, 2.5},
                                                       {nan, 2},
                                                       {2, nan},
                                                       {inf, inf}}};
  for (const auto& [m, n] : counts) {
    ChildResult r = run_in_child([&] { f_max_wait_prob(1.0, 2.0, m, n); });
    EXPECT_TRUE(r.exited) << "m = " << m << ", n = " << n;
    EXPECT_EQ(r.status, 1) << "m = " << m << ", n = " << n;
    EXPECT_EQ(r.out, kFailureOutput) << "m = " << m << ", n = " << n;
  }
}

TEST(MaxWaitProb, ComputedValueOutsideUnitIntervalEndsTheRun) {
  // (2, 2) at a = 1e-16, b = 1 rounds to 1 + 2^-52; b / (a + b) at a = −3 is
  // −0.5 and at a = −0.5 is 2.
  const std::array<std::array<double, 4>, 3> calls{
      {{1e-16, 1, 2, 2}, {-3, 1, 1, 1}, {-0.5, 1, 1, 1}}};
  for (const auto& [a, b, m, n] : calls) {
    ChildResult r = run_in_child([&] { f_max_wait_prob(a, b, m, n); });
    EXPECT_TRUE(r.exited) << "a = " << a;
    EXPECT_EQ(r.status, 1) << "a = " << a;
    EXPECT_EQ(r.out, kFailureOutput) << "a = " << a;
  }
}

TEST(MaxWaitProb, ValidCallWritesNothing) {
  ChildResult r = run_in_child([] {
    f_max_wait_prob(2, 1, 7, 25);
    f_max_wait_prob(2, 1, 2, 25);
  });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
}
