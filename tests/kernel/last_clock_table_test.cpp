// Checks the table K(i, j) of the probability that the last of i rate-a and j
// rate-b exponential clocks has rate a: exact rationals, closed forms, symmetry.
#include "kernel/last_clock_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/child_process.h"

namespace {

constexpr double kIdentity = 1e-14;

double at(const std::vector<double>& k, int i, int j, int N) {
  return k[f_last_clock_index(i, j, N)];
}

// A fraction in lowest terms with a positive denominator.
struct Rational {
  __int128 num = 0;
  __int128 den = 1;
};

__int128 gcd128(__int128 x, __int128 y) {
  if (x < 0) x = -x;
  while (y != 0) {
    __int128 r = x % y;
    x = y;
    y = r;
  }
  return x;
}

Rational reduced(__int128 num, __int128 den) {
  const __int128 g = gcd128(num, den);
  return {num / g, den / g};
}

}  // namespace

TEST(LastClockTable, MatchesExactRationalsRowByRow) {
  // Whole-number rates a = 3, b = 2: K(i, j) is a fraction, built here exactly
  // from the first-clock-to-ring step. Rows are rate-a counts, columns rate-b.
  constexpr int N = 8;
  const __int128 a = 3;
  const __int128 b = 2;
  std::vector<Rational> exact((N + 1) * (N + 1));
  auto e = [&](int i, int j) -> Rational& { return exact[i * (N + 1) + j]; };
  for (int i = 0; i <= N; ++i) {
    for (int j = 0; j <= N; ++j) {
      if (j == 0) {
        e(i, j) = {i == 0 ? 0 : 1, 1};
      } else if (i == 0) {
        e(i, j) = {0, 1};
      } else {
        // (i·a·p1/q1 + j·b·p2/q2) / (i·a + j·b)
        const Rational& up = e(i - 1, j);
        const Rational& left = e(i, j - 1);
        e(i, j) = reduced(i * a * up.num * left.den + j * b * left.num * up.den,
                          up.den * left.den * (i * a + j * b));
      }
    }
  }
  const std::vector<double> k = f_last_clock_table(3.0, 2.0, N);
  ASSERT_EQ(k.size(), static_cast<size_t>((N + 1) * (N + 1)));
  for (int i = 0; i <= N; ++i) {
    for (int j = 0; j <= N; ++j) {
      const double want = static_cast<double>(e(i, j).num) / static_cast<double>(e(i, j).den);
      EXPECT_NEAR(k[i * (N + 1) + j], want, 4e-16) << "K(" << i << ", " << j << ")";
    }
  }
  // By hand: K(1, 1) = b/(a+b) = 2/5; K(1, 2) = (2b/(a+2b))·(b/(a+b)) = 8/35
  // (both b clocks ring first); K(2, 1) = 1 − (2a/(2a+b))·(a/(a+b)) = 11/20
  // (the b clock is not the last).
  EXPECT_NEAR(at(k, 1, 1, N), 2.0 / 5.0, 1e-16);
  EXPECT_NEAR(at(k, 1, 2, N), 8.0 / 35.0, 1e-16);
  EXPECT_NEAR(at(k, 2, 1, N), 11.0 / 20.0, 1e-16);
}

TEST(LastClockTable, EmptyTableHoldsOnlyTheNoClockEntry) {
  const std::vector<double> k = f_last_clock_table(1.0, 1.0, 0);
  ASSERT_EQ(k.size(), 1u);
  EXPECT_EQ(k[0], 0.0);
}

TEST(LastClockTable, EqualRatesGiveShareOfRateAClocks) {
  constexpr int N = 100;
  const std::vector<double> k = f_last_clock_table(0.7, 0.7, N);
  for (int i = 0; i <= N; ++i) {
    for (int j = 0; j <= N; ++j) {
      if (i + j == 0) continue;
      EXPECT_NEAR(at(k, i, j, N), static_cast<double>(i) / (i + j), kIdentity)
          << "K(" << i << ", " << j << ")";
    }
  }
}

TEST(LastClockTable, OneRateAClockMatchesClosedProduct) {
  // K(1, j) = Π_{q=1..j} q·b / (a + q·b) = j!·b^j / ((a + b)(a + 2b)…(a + j·b)).
  constexpr int N = 150;
  for (double a : {0.01, 1.0, 7.5, 300.0}) {
    const double b = 1.3;
    const std::vector<double> k = f_last_clock_table(a, b, N);
    long double product = 1.0L;
    for (int j = 1; j <= N; ++j) {
      product *= j * static_cast<long double>(b) / (a + j * static_cast<long double>(b));
      const double want = static_cast<double>(product);
      EXPECT_NEAR(at(k, 1, j, N), want, 1e-13 * want) << "a = " << a << ", j = " << j;
    }
  }
}

TEST(LastClockTable, SwappingRatesMirrorsTheTable) {
  constexpr int N = 60;
  for (double a : {1.0 / 3.0, 5.0, 300.0}) {
    const double b = 2.0;
    const std::vector<double> k = f_last_clock_table(a, b, N);
    const std::vector<double> swapped = f_last_clock_table(b, a, N);
    for (int i = 1; i <= N; ++i) {
      for (int j = 1; j <= N; ++j) {
        EXPECT_NEAR(at(k, i, j, N), 1.0 - at(swapped, j, i, N), kIdentity)
            << "a = " << a << ", K(" << i << ", " << j << ")";
      }
    }
  }
}

TEST(LastClockTable, ScalingBothRatesByAPowerOfTwoChangesNoBit) {
  constexpr int N = 40;
  const std::vector<double> k = f_last_clock_table(3.7, 0.9, N);
  EXPECT_EQ(f_last_clock_table(3.7 * 0x1p30, 0.9 * 0x1p30, N), k);
  EXPECT_EQ(f_last_clock_table(3.7 * 0x1p-30, 0.9 * 0x1p-30, N), k);
}

TEST(LastClockTable, LargeTablesStayInsideTheUnitInterval) {
  constexpr int N = 400;
  for (double a : {0x1p-20, 1.0 / 3.0, 1.0, 17.0, 0x1p20}) {
    const std::vector<double> k = f_last_clock_table(a, 1.0, N);
    int outside = 0;
    for (double v : k) {
      if (!(v >= 0.0 && v <= 1.0)) ++outside;
    }
    EXPECT_EQ(outside, 0) << "a = " << a;
  }
}

TEST(LastClockTable, ZeroRateSidesAreExact) {
  constexpr int N = 30;
  const std::vector<double> no_a = f_last_clock_table(0.0, 2.0, N);
  const std::vector<double> no_b = f_last_clock_table(3.0, 0.0, N);
  for (int i = 1; i <= N; ++i) {
    for (int j = 1; j <= N; ++j) {
      EXPECT_EQ(at(no_a, i, j, N), 1.0) << i << ", " << j;
      EXPECT_EQ(at(no_b, i, j, N), 0.0) << i << ", " << j;
    }
  }
}

TEST(LastClockTable, NegativeSizeEndsTheRun) {
  ChildResult r = run_in_child([] { f_last_clock_table(1.0, 1.0, -1); });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "\nLast-clock table size N = -1 violates N >= 0.\nPress any key to quit...");
}
