// The maximum-wait kernel against independent answers: exact rationals and
// 113-bit values of the last-clock probability K(a, b, m, n), the quotient
// forms' whole-number identity checked modulo a prime, the written order of
// operations where it fixes the last bits, and the paths that end the run.
#include <cstdint>
#include <iostream>

#include "kernel/fatal_exit.h"
#include "kernel/last_clock_table.h"
#include "kernel/max_wait_prob.h"
#include "kernel/quotient_forms.h"
#include "tests/support/instances.h"

namespace {

constexpr double kTight = 1e-13;
constexpr double kIdentity = 1e-14;
constexpr int kMaxCount = 25;
const std::string kMaxWaitFailure = prompted("Error when trying to obtain the maximum wait probability.");

using Quad = __float128;

// The kernel in this process; a failure path unwinds with FatalExit (standard
// input is put in a failed state so that its wait ends at once) and fails.
double k_of(double a, double b, double m, double n) {
  std::cin.setstate(std::ios::failbit);
  try {
    return f_max_wait_prob(a, b, m, n);
  } catch (const FatalExit&) {
    ADD_FAILURE() << "failure path for a = " << a << ", b = " << b << ", m = " << m << ", n = " << n;
    return std::numeric_limits<double>::quiet_NaN();
  }
}

bool has_quotient_form(int m, int n) { return m == 1 || (m == 2 && n >= 2 && n != 3 && n != 18 && n != 21 && n != 22 && n != 24); }

}  // namespace

TEST(MaxWaitProb, StatedValuesAndBoundsComeOutToTheLastBit) {
  const std::vector<std::pair<std::array<double, 4>, double>> cases{
      {{1, 1, 1, 1}, 0.5},       {{3, 1, 1, 1}, 0.25},      {{1, 1, 2, 2}, 0.5},         {{1, 1, 1, 2}, 1.0 / 3.0},
      {{1, 1, 1, 3}, 0.25},      {{1, 1, 2, 4}, 1.0 / 3.0}, {{1, 1, 2, 5}, 2.0 / 7.0},   {{2, 1, 1, 25}, 1.0 / 351.0},
      {{0, 1, 1, 1}, 1.0},       {{1, 0, 1, 1}, 0.0},       {{0, 3, 7, 19}, 1.0},        {{3, 0, 7, 19}, 0.0},
      // The order of operations, not 2/27, decides: two units in the last place below.
      {{1, 1, 2, 25}, 0.07407407407407404}};
  for (const auto& [in, want] : cases) EXPECT_EQ(k_of(in[0], in[1], in[2], in[3]), want) << in[0] << " " << in[2] << " " << in[3];
  // Not rescaled: both products overflow, or underflow, and 0/0 passes the check.
  EXPECT_TRUE(std::isnan(k_of(0, 0, 1, 1)));
  EXPECT_TRUE(std::isnan(k_of(1e12, 1e12, 1, 25)));
  EXPECT_TRUE(std::isnan(k_of(1e-10, 1e-10, 2, 25)));
}

// Every pair (m, n), m <= n <= 25, at b = 1 and 3 and a = b 2^(k/4): within
// kTight of the 113-bit first-clock value (all its terms positive), and the quotient forms (where nothing cancels)
// also relatively, even far below 1e-100.
TEST(MaxWaitProb, AllPairsMatchExactValuesOverRateRatios) {
  double worst = 0.0, worst_relative = 0.0;
  for (double b : {1.0, 3.0})
    for (int k = -56; k <= 56; ++k) {
      const double a = b * std::exp2(k / 4.0);
      const std::vector<Quad> exact = first_clock_table<Quad>(a, b, kMaxCount);
      for (int m = 1; m <= kMaxCount; ++m)
        for (int n = m; n <= kMaxCount; ++n) {
          if (std::abs(k) > 32 && !has_quotient_form(m, n)) continue;
          const Quad e = exact[m * (kMaxCount + 1) + n];
          const double v = k_of(a, b, m, n);
          worst = std::max(worst, std::fabs(v - static_cast<double>(e)));
          if (has_quotient_form(m, n)) worst_relative = std::max(worst_relative, std::fabs(static_cast<double>((v - e) / e)));
        }
    }
  EXPECT_LT(worst, kTight);
  EXPECT_LT(worst_relative, 4e-15);
  for (double rate : {0.1, 1e3, std::exp2(-20)})
    for (int m = 1; m <= kMaxCount; ++m)
      for (int n = m; n <= kMaxCount; ++n) EXPECT_NEAR(k_of(rate, rate, m, n), static_cast<double>(m) / (m + n), kIdentity);
}

// Counts without a pair, and computed values outside [0, 1]: (2, 2) at
// a = 1e-16 rounds to 1 + 2^-52; b / (a + b) is -0.5 at a = -3 and 2 at a = -0.5.
TEST(MaxWaitProb, CountsWithoutAPairAndValuesOutsideTheUnitIntervalEndTheRun) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const std::vector<std::array<double, 4>> calls{
      {1, 2, 3, 2},   {1, 2, 25, 24}, {1, 2, 0, 1},   {1, 2, 0, 0},       {1, 2, -1, 3},      {1, 2, 1, 26},
      {1, 2, 26, 26}, {1, 2, 1.5, 2}, {1, 2, 2, 2.5}, {1, 2, nan, 2},     {1, 2, 2, nan},     {1, 2, inf, inf},
      {1e-16, 1, 2, 2}, {-3, 1, 1, 1}, {-0.5, 1, 1, 1}};
  for (const auto& [a, b, m, n] : calls) {
    ChildResult r = run_in_child([&] { f_max_wait_prob(a, b, m, n); });
    EXPECT_EQ(r.status, 1) << a << " " << m << " " << n;
    EXPECT_EQ(r.out, kMaxWaitFailure) << a << " " << m << " " << n;
  }
  ChildResult quiet = run_in_child([] { f_max_wait_prob(2, 1, 7, 25); });
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.out, "");
}

// At whole-number rates N = K D is an identity of whole numbers: G b^n
// (3a + n b)^[linear] P(a, b) = K(2, n) Π_q (a + q b) Π_{q odd} (2a + q b),
// checked modulo the prime 2^61 - 1 with K from the first-clock recursion.
TEST(QuotientForms, PairTwoNumeratorsSatisfyTheIdentityExactly) {
  using u128 = unsigned __int128;
  constexpr std::uint64_t P = (std::uint64_t{1} << 61) - 1;
  auto mul = [](std::uint64_t x, std::uint64_t y) { return static_cast<std::uint64_t>(static_cast<u128>(x) * y % P); };
  auto inverse = [&](std::uint64_t x) {
    std::uint64_t r = 1;
    for (std::uint64_t e = P - 2; e != 0; e >>= 1, x = mul(x, x))
      if (e & 1) r = mul(r, x);
    return r;
  };
  // The constant G of each pair (2, n), and n! for the pairs (1, n).
  const std::vector<std::pair<int, const char*>> g{
      {2, "1"},           {4, "6"},          {5, "90"},           {6, "90"},           {7, "630"},
      {8, "2520"},        {9, "68040"},      {10, "113400"},      {11, "3742200"},     {12, "7484400"},
      {13, "97297200"},   {14, "4767562800"}, {15, "153243090000"}, {16, "81729648000"}, {17, "12504636144000"},
      {19, "1187940433680000"}, {20, "16631166071520000"}, {23, "37869165144851040000"}, {25, "3786916514485104000000"}};
  auto parse = [](const char* digits) {
    u128 v = 0;
    for (const char* c = digits; *c; ++c) v = v * 10 + static_cast<unsigned>(*c - '0');
    return v;
  };
  u128 factorial = 1;
  for (int n = 1; n <= 25; ++n) {
    factorial *= static_cast<unsigned>(n);
    EXPECT_TRUE(f_has_quotient_form(1, n));
    EXPECT_EQ(f_numerator_constant(1, n), static_cast<double>(factorial)) << n;
    EXPECT_EQ(f_has_quotient_form(2, n), has_quotient_form(2, n)) << n;
  }
  EXPECT_FALSE(f_has_quotient_form(1, 26) || f_has_quotient_form(2, 26) || f_has_quotient_form(3, 3) || f_has_quotient_form(0, 1));
  for (const auto& [a, b] : {std::pair<std::uint64_t, std::uint64_t>{1, 1}, {2, 1}, {5, 7}, {1000003, 17}}) {
    std::vector<std::uint64_t> k(3 * 26, 0);
    for (int i = 1; i <= 2; ++i) {
      k[i * 26] = 1;
      for (int j = 1; j <= 25; ++j)
        k[i * 26 + j] = mul((mul(i * a, k[(i - 1) * 26 + j]) + mul(j * b, k[i * 26 + j - 1])) % P, inverse(i * a + j * b));
    }
    for (const auto& [n, digits] : g) {
      EXPECT_EQ(f_numerator_constant(2, n), static_cast<double>(parse(digits))) << n;
      const PairTwoNumerator& num = *f_pair_two_numerator(n);
      std::uint64_t d = 1, poly = 0, value = static_cast<std::uint64_t>(parse(digits) % P);
      for (int q = 1; q <= n; ++q) d = mul(q % 2 == 1 ? mul(d, 2 * a + q * b) : d, a + q * b);
      for (int i = 0; i <= num.degree; ++i) {
        std::uint64_t term = static_cast<std::uint64_t>(num.coefficients[i]) % P;
        for (int e = 0; e < num.degree; ++e) term = mul(term, e < i ? a : b);
        poly = (poly + term) % P;
      }
      for (int e = 0; e < n; ++e) value = mul(value, b);
      if (num.has_linear_factor) value = mul(value, 3 * a + n * b);
      EXPECT_EQ(mul(value, poly), mul(k[2 * 26 + n], d)) << "a = " << a << ", b = " << b << ", n = " << n;
    }
  }
}
