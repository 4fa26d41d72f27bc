// Checks the quotient forms N / D of K(a, b, m, n) for m = 1, 2: their order of
// operations, numerator constants and polynomial data, and where rounding
// lifts a form above 1.
#include "kernel/quotient_forms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

using u128 = unsigned __int128;

u128 parse_u128(const std::string& digits) {
  u128 v = 0;
  for (char c : digits) v = v * 10 + static_cast<unsigned>(c - '0');
  return v;
}

u128 factorial128(int n) {
  u128 f = 1;
  for (int i = 2; i <= n; ++i) f *= static_cast<unsigned>(i);
  return f;
}

// Known figures of the pairs (2, n), written out independently of the kernel's
// table: G, whether 3a + n·b divides the numerator, the degree d of P, c_0, c_d.
struct PairTwoCheck {
  int n;
  const char* g;
  bool linear;
  int degree;
  std::int64_t c_first;
  std::int64_t c_last;
};

const std::vector<PairTwoCheck> kPairTwoChecks{
    {2, "1", false, 1, 2, 7},
    {4, "6", false, 2, 12, 31},
    {5, "90", true, 2, 4, 7},
    {6, "90", false, 3, 120, 127},
    {7, "630", true, 3, 120, 85},
    {8, "2520", false, 4, 1680, 511},
    {9, "68040", false, 5, 5040, 341},
    {10, "113400", false, 5, 30240, 2047},
    {11, "3742200", true, 5, 10080, 455},
    {12, "7484400", false, 6, 665280, 8191},
    {13, "97297200", true, 6, 665280, 5461},
    {14, "4767562800", false, 7, 2471040, 4681},
    {15, "153243090000", false, 8, 17297280, 4369},
    {16, "81729648000", false, 8, 518918400, 131071},
    {17, "12504636144000", true, 8, 57657600, 9709},
    {19, "1187940433680000", true, 9, 3528645120, 69905},
    {20, "16631166071520000", false, 10, 95777510400, 299593},
    {23, "37869165144851040000", true, 11, 9386196019200, 1864135},
    {25, "3786916514485104000000", true, 12, 1295295050649600, 22369621},
};

// f1·f2·…, multiplied left to right.
double product_left_to_right(std::initializer_list<double> factors) {
  double p = 1.0;
  for (double f : factors) p = p * f;
  return p;
}

// Arithmetic modulo the prime 2^61 − 1, for exact checks of whole-number
// identities whose terms exceed 128 bits.
constexpr std::uint64_t kPrime = (std::uint64_t{1} << 61) - 1;

std::uint64_t mul_mod(std::uint64_t x, std::uint64_t y) {
  return static_cast<std::uint64_t>(static_cast<u128>(x) * y % kPrime);
}

std::uint64_t add_mod(std::uint64_t x, std::uint64_t y) { return (x + y) % kPrime; }

std::uint64_t inverse_mod(std::uint64_t x) {
  std::uint64_t r = 1;
  for (std::uint64_t e = kPrime - 2; e != 0; e >>= 1) {
    if (e & 1) r = mul_mod(r, x);
    x = mul_mod(x, x);
  }
  return r;
}

std::vector<std::int64_t> coefficients_of(const PairTwoNumerator& num) {
  return {num.coefficients.begin(), num.coefficients.begin() + num.degree + 1};
}

}  // namespace

TEST(QuotientForms, FormsFollowTheWrittenOrderToTheLastBit) {
  // Each form written out by hand: powers by square-and-multiply, the linear
  // factors in the order q, then p, ascending, and P summed from the right.
  for (const auto& [a, b] : {std::pair{0.37, 1.9}, std::pair{3.3, 0.71}, std::pair{1e-3, 7.0},
                             std::pair{2.0 / 3.0, 5.0 / 7.0}}) {
    const double a2 = a * a;
    const double a3 = a * a2;
    const double a4 = a2 * a2;
    const double a5 = a * a4;
    const double b2 = b * b;
    const double b3 = b * b2;
    const double b4 = b2 * b2;
    const double b5 = b * b4;
    const double b6 = b2 * b4;
    const double b7 = (b * b2) * b4;
    const double b9 = b * (b4 * b4);
    EXPECT_EQ(f_quotient_form(a, b, 1, 1), b / (a + b));
    EXPECT_EQ(f_quotient_form(a, b, 1, 3),
              (b3 * 6) / product_left_to_right({a + b, a + 2 * b, a + 3 * b}));
    EXPECT_EQ(f_quotient_form(a, b, 2, 2),
              (b2 * ((a * 7) + (b * 2))) / product_left_to_right({a + b, 2 * a + b, a + 2 * b}));
    EXPECT_EQ(f_quotient_form(a, b, 2, 4),
              ((b4 * 6) * ((b2 * 12) + ((a2 * 31) + ((a * 57) * b)))) /
                  product_left_to_right(
                      {a + b, 2 * a + b, a + 2 * b, a + 3 * b, 2 * a + 3 * b, a + 4 * b}));
    EXPECT_EQ(f_quotient_form(a, b, 2, 6),
              ((b6 * 90) * ((b3 * 120) + ((b2 * (a * 662)) + ((a3 * 127) + ((a2 * 561) * b))))) /
                  product_left_to_right({a + b, 2 * a + b, a + 2 * b, a + 3 * b, 2 * a + 3 * b,
                                         a + 4 * b, a + 5 * b, 2 * a + 5 * b, a + 6 * b}));
    EXPECT_EQ(f_quotient_form(a, b, 2, 7),
              (((b7 * 630) * ((3 * a) + (7 * b))) *
               ((b3 * 120) + ((b2 * (a * 662)) + ((a3 * 85) + ((a2 * 477) * b))))) /
                  product_left_to_right({a + b, 2 * a + b, a + 2 * b, a + 3 * b, 2 * a + 3 * b,
                                         a + 4 * b, a + 5 * b, 2 * a + 5 * b, a + 6 * b,
                                         a + 7 * b, 2 * a + 7 * b}));
    EXPECT_EQ(f_quotient_form(a, b, 2, 9),
              ((b9 * 68040) *
               ((b5 * 5040) +
                ((b4 * (a * 32274)) +
                 ((b3 * (a2 * 39425)) +
                  ((b2 * (a3 * 19465)) + ((a5 * 341) + ((a4 * 4255) * b))))))) /
                  product_left_to_right({a + b, 2 * a + b, a + 2 * b, a + 3 * b, 2 * a + 3 * b,
                                         a + 4 * b, a + 5 * b, 2 * a + 5 * b, a + 6 * b,
                                         a + 7 * b, 2 * a + 7 * b, a + 8 * b, a + 9 * b,
                                         2 * a + 9 * b}));
  }
}

TEST(QuotientForms, NumeratorConstantsAreTheNearestDoubles) {
  // Conversion of a 128-bit integer rounds to nearest, so these are the
  // doubles nearest the exact constants; up to 20! they are exact.
  for (int n = 2; n <= 25; ++n) {
    EXPECT_EQ(f_numerator_constant(1, n), static_cast<double>(factorial128(n))) << "n = " << n;
  }
  for (const PairTwoCheck& c : kPairTwoChecks) {
    EXPECT_EQ(f_numerator_constant(2, c.n), static_cast<double>(parse_u128(c.g)))
        << "n = " << c.n;
  }
  EXPECT_EQ(static_cast<u128>(f_numerator_constant(1, 21)), factorial128(21));
  EXPECT_EQ(static_cast<u128>(f_numerator_constant(1, 22)), factorial128(22));
}

TEST(QuotientForms, PairTwoNumeratorDataMatchTheCheckTable) {
  for (const PairTwoCheck& c : kPairTwoChecks) {
    ASSERT_TRUE(f_has_quotient_form(2, c.n)) << "n = " << c.n;
    const PairTwoNumerator* num = f_pair_two_numerator(c.n);
    ASSERT_NE(num, nullptr) << "n = " << c.n;
    EXPECT_EQ(num->has_linear_factor, c.linear) << "n = " << c.n;
    ASSERT_EQ(num->degree, c.degree) << "n = " << c.n;
    EXPECT_EQ(num->coefficients[0], c.c_first) << "n = " << c.n;
    EXPECT_EQ(num->coefficients[c.degree], c.c_last) << "n = " << c.n;
    for (int i = 0; i <= num->degree; ++i) {
      EXPECT_GT(num->coefficients[i], 0) << "n = " << c.n << ", c_" << i;
      // Every coefficient is held exactly in a double.
      EXPECT_EQ(static_cast<std::int64_t>(static_cast<double>(num->coefficients[i])),
                num->coefficients[i])
          << "n = " << c.n << ", c_" << i;
    }
  }
  using V = std::vector<std::int64_t>;
  EXPECT_EQ(coefficients_of(*f_pair_two_numerator(2)), (V{2, 7}));
  EXPECT_EQ(coefficients_of(*f_pair_two_numerator(4)), (V{12, 57, 31}));
  EXPECT_EQ(coefficients_of(*f_pair_two_numerator(5)), (V{4, 19, 7}));
  EXPECT_EQ(coefficients_of(*f_pair_two_numerator(6)), (V{120, 662, 561, 127}));
  EXPECT_EQ(coefficients_of(*f_pair_two_numerator(9)), (V{5040, 32274, 39425, 19465, 4255, 341}));
  EXPECT_EQ(coefficients_of(*f_pair_two_numerator(25)),
            (V{1295295050649600, 10653366384702720, 18691972004522592, 16565844911977752,
               8902580507389156, 3135837286456650, 752853875047301, 125306055659736,
               14451110857023, 1132381761330, 57484947107, 1703819412, 22369621}));
}

TEST(QuotientForms, PairTwoNumeratorsSatisfyTheIdentityExactly) {
  // At whole-number rates N = K·D holds as an identity of whole numbers and
  // fractions; it is checked modulo a prime, with K from the first clock to
  // ring: K(i, j) = (i·a·K(i−1, j) + j·b·K(i, j−1)) / (i·a + j·b).
  for (const auto& [a, b] : {std::pair<std::uint64_t, std::uint64_t>{1, 1}, {2, 1}, {1, 3},
                             {5, 7}, {1000003, 17}}) {
    std::vector<std::uint64_t> k(3 * 26, 0);  // rows i = 0, 1, 2; columns j = 0 … 25
    for (int i = 1; i <= 2; ++i) {
      k[i * 26] = 1;
      for (int j = 1; j <= 25; ++j) {
        const std::uint64_t ia = i * a;
        const std::uint64_t jb = j * b;
        k[i * 26 + j] =
            mul_mod(add_mod(mul_mod(ia, k[(i - 1) * 26 + j]), mul_mod(jb, k[i * 26 + j - 1])),
                    inverse_mod(ia + jb));
      }
    }
    for (const PairTwoCheck& c : kPairTwoChecks) {
      const PairTwoNumerator& num = *f_pair_two_numerator(c.n);
      std::uint64_t d = 1;
      for (int q = 1; q <= c.n; ++q) {
        d = mul_mod(d, a + q * b);
        if (q % 2 == 1) d = mul_mod(d, 2 * a + q * b);
      }
      std::uint64_t poly = 0;
      for (int i = 0; i <= num.degree; ++i) {
        std::uint64_t term = static_cast<std::uint64_t>(num.coefficients[i]) % kPrime;
        for (int e = 0; e < i; ++e) term = mul_mod(term, a);
        for (int e = 0; e < num.degree - i; ++e) term = mul_mod(term, b);
        poly = add_mod(poly, term);
      }
      std::uint64_t n_value = static_cast<std::uint64_t>(parse_u128(c.g) % kPrime);
      for (int e = 0; e < c.n; ++e) n_value = mul_mod(n_value, b);
      if (num.has_linear_factor) n_value = mul_mod(n_value, 3 * a + c.n * b);
      n_value = mul_mod(n_value, poly);
      EXPECT_EQ(n_value, mul_mod(k[2 * 26 + c.n], d)) << "a = " << a << ", b = " << b
                                                      << ", n = " << c.n;
    }
  }
}

TEST(QuotientForms, OnlyTheListedPairsHaveAForm) {
  for (int n = 1; n <= 25; ++n) EXPECT_TRUE(f_has_quotient_form(1, n)) << "n = " << n;
  for (int n : {1, 3, 18, 21, 22, 24, 26}) {
    EXPECT_FALSE(f_has_quotient_form(2, n)) << "n = " << n;
    EXPECT_EQ(f_pair_two_numerator(n), nullptr) << "n = " << n;
  }
  EXPECT_FALSE(f_has_quotient_form(1, 26));
  EXPECT_FALSE(f_has_quotient_form(3, 3));
  EXPECT_FALSE(f_has_quotient_form(0, 1));
}

TEST(QuotientForms, TwoRateAClocksRoundAboveOneOnlyAtTinyRatios) {
  // 1 − K is of the order of (a/b)² for m = 2, so far below 1e-8 the form
  // rounds to 1 or just above it.
  EXPECT_EQ(f_quotient_form(1e-16, 1.0, 2, 2), 1.0 + 0x1p-52);
  for (int n = 2; n <= 25; ++n) {
    if (!f_has_quotient_form(2, n)) continue;
    bool above = false;
    for (int j = 0; j < 512 && !above; ++j) {
      above = f_quotient_form(7.6e-9 * std::exp2(-j / 64.0), 1.0, 2, n) > 1.0;
    }
    EXPECT_TRUE(above) << "n = " << n;
  }
}

TEST(QuotientForms, OneRateAClockNeverRoundsAboveOneWithUnitB) {
  for (int n = 1; n <= 25; ++n) {
    int above = 0;
    for (int j = 0; j <= 4000; ++j) {
      if (f_quotient_form(1e-16 * std::pow(10.0, j / 200.0), 1.0, 1, n) > 1.0) ++above;
    }
    EXPECT_EQ(above, 0) << "n = " << n;
  }
}
