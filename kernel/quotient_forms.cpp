#include "kernel/quotient_forms.h"

#include <cmath>
#include <numeric>

#include "kernel/int_power.h"

namespace {

constexpr int kMaxCount = 25;

// Whole-number constants of the pairs (2, n), derived from the exact
// polynomial D·K: G is the greatest common divisor of its coefficients, the
// linear factor 3a + n·b is taken out where it divides, and P is what remains.
// G is 0 where it exceeds 20!; those two are formed from prime powers below.
struct PairTwoData {
  std::int64_t g;
  PairTwoNumerator numerator;
};

constexpr std::array<PairTwoData, 19> kPairTwo{{
    {1, {2, false, 1, {2, 7}}},
    {6, {4, false, 2, {12, 57, 31}}},
    {90, {5, true, 2, {4, 19, 7}}},
    {90, {6, false, 3, {120, 662, 561, 127}}},
    {630, {7, true, 3, {120, 662, 477, 85}}},
    {2520, {8, false, 4, {1680, 10198, 10757, 4070, 511}}},
    {68040, {9, false, 5, {5040, 32274, 39425, 19465, 4255, 341}}},
    {113400, {10, false, 5, {30240, 196668, 238200, 117125, 25560, 2047}}},
    {3742200, {11, true, 5, {10080, 65556, 74032, 33439, 6518, 455}}},
    {7484400, {12, false, 6, {665280, 4563576, 6097714, 3546705, 1032895, 147399, 8191}}},
    {97297200, {13, true, 6, {665280, 4563576, 5780098, 3159981, 850609, 110115, 5461}}},
    {4767562800,
     {14, false, 7, {2471040, 17697168, 25484228, 16716664, 5871215, 1138327, 114677, 4681}}},
    {153243090000,
     {15, false, 8,
      {17297280, 127339632, 195666540, 141015084, 56733761, 13451144, 1865346, 139804, 4369}}},
    {81729648000,
     {16, false, 8,
      {518918400, 3852621360, 5889467700, 4235437836, 1702718479, 403593960, 55963390, 4194204,
       131071}}},
    {12504636144000,
     {17, true, 8,
      {57657600, 428069040, 631452980, 436806436, 167579031, 37539610, 4869960, 338194, 9709}}},
    {1187940433680000,
     {19, true, 9,
      {3528645120, 27016563168, 42089554296, 31541951788, 13539259818, 3547285287, 575841294,
       56426412, 3052512, 69905}}},
    {16631166071520000,
     {20, false, 10,
      {95777510400, 753218354880, 1261179249408, 1037334168100, 502803169820, 154322022435,
       30833520249, 3999505350, 324682530, 14979635, 299593}}},
    {0,
     {23, true, 11,
      {9386196019200, 75582929197440, 128178969897024, 108366317025224, 54742859578436,
       17810118083594, 3862802307603, 563932709811, 54700203894, 3376464436, 119926003,
       1864135}}},
    {0,
     {25, true, 12,
      {1295295050649600, 10653366384702720, 18691972004522592, 16565844911977752,
       8902580507389156, 3135837286456650, 752853875047301, 125306055659736, 14451110857023,
       1132381761330, 57484947107, 1703819412, 22369621}}},
}};

// A constant above 20!: the product of the primes that occur to the first
// power, then times each higher prime power from pow, left to right.
struct PrimePowerProduct {
  int m;
  int n;
  std::int64_t first;
  int powers;
  std::array<std::array<int, 2>, 5> prime_exponent;
};

constexpr std::array<PrimePowerProduct, 7> kLargeConstants{{
    {1, 21, 46189, 4, {{{2, 18}, {3, 9}, {5, 4}, {7, 3}}}},
    {1, 22, 4199, 5, {{{2, 19}, {3, 9}, {5, 4}, {7, 3}, {11, 2}}}},
    {1, 23, 96577, 5, {{{2, 19}, {3, 9}, {5, 4}, {7, 3}, {11, 2}}}},
    {1, 24, 96577, 5, {{{2, 22}, {3, 10}, {5, 4}, {7, 3}, {11, 2}}}},
    {1, 25, 96577, 5, {{{2, 22}, {3, 10}, {5, 6}, {7, 3}, {11, 2}}}},
    {2, 23, 96577, 5, {{{2, 8}, {3, 10}, {5, 4}, {7, 3}, {11, 2}}}},
    {2, 25, 96577, 5, {{{2, 10}, {3, 10}, {5, 6}, {7, 3}, {11, 2}}}},
}};

const PairTwoData* find_pair_two(int n) {
  for (const PairTwoData& d : kPairTwo) {
    if (d.numerator.n == n) return &d;
  }
  return nullptr;
}

std::int64_t factorial(int n) {
  std::int64_t f = 1;
  for (int i = 2; i <= n; ++i) f *= i;
  return f;
}

// D: the linear factors p·a + q·b in the order q ascending, then p ascending,
// multiplied left to right. For p = 1 the product p·a is a itself (and likewise
// q·b), which a multiplication by 1 leaves unchanged.
double denominator(double a, double b, int m, int n) {
  double d = 0.0;
  bool first = true;
  for (int q = 1; q <= n; ++q) {
    for (int p = 1; p <= m; ++p) {
      if (std::gcd(p, q) != 1) continue;
      const double factor = p * a + q * b;
      d = first ? factor : d * factor;
      first = false;
    }
  }
  return d;
}

// P = c_0·b^d + … + c_d·a^d, summed from the right in the term order
//   b^d·c_0, b^(d−1)·(a·c_1), …, b^2·(a^(d−2)·c_(d−2)), a^d·c_d, (a^(d−1)·c_(d−1))·b.
double pair_two_polynomial(double a, double b, const PairTwoNumerator& num) {
  const int d = num.degree;
  const auto c = [&](int i) { return static_cast<double>(num.coefficients[i]); };
  if (d == 1) return a * c(1) + b * c(0);
  double s = f_int_power(a, d) * c(d) + (f_int_power(a, d - 1) * c(d - 1)) * b;
  for (int k = 2; k <= d - 1; ++k) {
    s = f_int_power(b, k) * (f_int_power(a, d - k) * c(d - k)) + s;
  }
  return f_int_power(b, d) * c(0) + s;
}

double numerator(double a, double b, int m, int n) {
  if (m == 1) {
    if (n == 1) return b;
    return f_int_power(b, n) * f_numerator_constant(1, n);
  }
  const PairTwoNumerator& num = find_pair_two(n)->numerator;
  double t = f_int_power(b, n) * f_numerator_constant(2, n);
  if (num.has_linear_factor) t = t * (3 * a + n * b);
  return t * pair_two_polynomial(a, b, num);
}

}  // namespace

const PairTwoNumerator* f_pair_two_numerator(int n) {
  const PairTwoData* d = find_pair_two(n);
  return d ? &d->numerator : nullptr;
}

bool f_has_quotient_form(int m, int n) {
  if (n < m || n > kMaxCount) return false;
  return m == 1 || (m == 2 && find_pair_two(n) != nullptr);
}

double f_numerator_constant(int m, int n) {
  for (const PrimePowerProduct& c : kLargeConstants) {
    if (c.m != m || c.n != n) continue;
    double value = static_cast<double>(c.first);
    for (int i = 0; i < c.powers; ++i) {
      value = value * std::pow(static_cast<double>(c.prime_exponent[i][0]),
                               static_cast<double>(c.prime_exponent[i][1]));
    }
    return value;
  }
  if (m == 1) return static_cast<double>(factorial(n));
  return static_cast<double>(find_pair_two(n)->g);
}

double f_quotient_form(double a, double b, int m, int n) {
  return numerator(a, b, m, n) / denominator(a, b, m, n);
}
