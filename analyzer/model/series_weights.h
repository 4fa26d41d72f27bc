// Weights x^n / n! of a truncated exponential series, n = 0..N, for the
// uniformised count tables.
#pragma once

#include <vector>

// x^n / n! with x^n from f_int_power and n! formed as n · (n - 1)!. The list
// ends before the first weight that has underflowed to 0.0, since every later
// one is 0.0 too (n! overflows to infinity from n = 171 on), and after the
// first NaN, which makes every sum NaN for good: so a huge N costs no more
// than the terms that count, and every kept weight is the one of the full list.
std::vector<double> f_series_weights(double x, int N);
