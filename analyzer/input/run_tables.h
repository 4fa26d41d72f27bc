// Run-wide constants and tables, built once at start-up and read-only after.
#pragma once

#include <cstddef>
#include <istream>
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

// gv_e := exp(1.0), gv_pi := 3.141592653589793.
void f_set_constants();

// fac[0] = 1.0, fac[n] = n * fac[n-1] for n = 1..170.
void f_build_factorials();

// Reads BINOMDIST.DAT of the working directory into binom_n and binom; a file
// that cannot be opened, or holds a negative order, too few numbers or a
// number that cannot be read, ends the run with a message naming it.
void f_read_binom();

// The same from an open stream: the order N, then (N+1) x (N+1) numbers row by
// row, separated by any white space; anything after them is ignored.
void f_parse_binom(std::istream& in);

// Truncates SUMMARY.CSV, ending the run when it cannot be opened for writing.
void f_probe_summary();

// Releases fac and binom at the end of the run.
void f_release_run_tables();
