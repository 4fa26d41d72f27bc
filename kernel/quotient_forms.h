// K(a, b, m, n) as one quotient N / D for one rate-a clock (m = 1) and for two
// (m = 2, n = 2, 4 … 17, 19, 20, 23, 25). D is the product of the linear factors
// p·a + q·b with 1 <= p <= m, 1 <= q <= n, gcd(p, q) = 1; N is b^n times a
// whole-number constant (times 3a + n·b for some m = 2 pairs) times a
// polynomial P. Every operation is one double operation in a fixed order, which
// fixes each result to the last bit.
#pragma once

#include <array>
#include <cstdint>

// Numerator data of pair (2, n): N = b^n · G · [3a + n·b] · P with
// P = c_0·b^d + c_1·a·b^(d−1) + … + c_d·a^d.
struct PairTwoNumerator {
  int n = 0;
  bool has_linear_factor = false;  // 3a + n·b is a factor of N
  int degree = 0;                  // d
  std::array<std::int64_t, 13> coefficients{};  // c_0 … c_d
};

// The numerator data of pair (2, n), or nullptr when the pair has no quotient form.
const PairTwoNumerator* f_pair_two_numerator(int n);

// True for the pairs that have a quotient form: (1, 1 … 25) and the (2, n) above.
bool f_has_quotient_form(int m, int n);

// The whole-number constant of the numerator as a double: n! for m = 1 and
// n >= 2, G for m = 2. Constants above 20! are formed from exact prime powers.
double f_numerator_constant(int m, int n);

// The quotient form of pair (m, n) at rates a, b as passed (not normalised);
// the pair must have one.
double f_quotient_form(double a, double b, int m, int n);
