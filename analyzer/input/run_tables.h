// Run-wide constants and tables, built once at start-up and read-only after.
#pragma once

#include <cstddef>
#include <vector>

extern double gv_e;   // exp(1.0)
extern double gv_pi;  // 3.141592653589793

// fac[n] = n! for n = 0..170, by successive products.
extern std::vector<double> fac;

// Binomial table from BINOMDIST.DAT: (binom_n + 1) x (binom_n + 1) entries,
// row-major; binom_at(i, j) is entry j of row i as read.
extern int binom_n;
extern std::vector<double> binom;

inline double binom_at(int i, int j) {
  return binom[static_cast<std::size_t>(i) * static_cast<std::size_t>(binom_n + 1) +
               static_cast<std::size_t>(j)];
}
