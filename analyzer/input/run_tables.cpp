// Run-wide constants and tables: e and pi, the factorials 0!..170! as
// successive products, and the binomial table read from BINOMDIST.DAT.
#include "analyzer/input/run_tables.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>

#include "kernel/fatal_exit.h"

double gv_e = 0.0;
double gv_pi = 0.0;
std::vector<double> fac;
int binom_n = 0;
std::vector<double> binom;

namespace {

constexpr int kLargestFactorial = 170;

[[noreturn]] void binom_error(const std::string& what) {
  f_fatal_exit("Error in BINOMDIST.DAT: " + what);
}

}  // namespace

void f_set_constants() {
  gv_e = std::exp(1.0);
  gv_pi = 3.141592653589793;
}

void f_build_factorials() {
  fac.assign(kLargestFactorial + 1, 0.0);
  fac[0] = 1.0;
  for (int n = 1; n <= kLargestFactorial; ++n) fac[n] = static_cast<double>(n) * fac[n - 1];
}

void f_parse_binom(std::istream& in) {
  int order = 0;
  if (!(in >> order)) {
    binom_error("the order N (the first number) is missing or is not a whole number.");
  }
  if (order < 0) {
    binom_error("the order N is " + std::to_string(order) + "; it must not be negative.");
  }
  binom_n = order;
  binom.clear();
  // The entries are appended as they are read, so a huge order with a short
  // file is reported as too few numbers rather than tried as one allocation.
  const std::uint64_t side = static_cast<std::uint64_t>(order) + 1;
  for (std::uint64_t i = 0; i < side; ++i) {
    for (std::uint64_t j = 0; j < side; ++j) {
      const auto where = [&] { return "row " + std::to_string(i) + ", entry " + std::to_string(j); };
      double value = 0.0;
      in >> std::ws;
      if (in.eof()) {
        binom_error("the file holds " + std::to_string(i * side + j) + " of the (N+1) x (N+1) = " +
                    std::to_string(side * side) + " numbers of a table of order " +
                    std::to_string(order) + " (" + where() + " is missing).");
      }
      if (!(in >> value)) binom_error(where() + " is not a number.");
      binom.push_back(value);
    }
  }
}

void f_read_binom() {
  std::ifstream in("BINOMDIST.DAT");
  if (!in) f_fatal_exit("Unable to open binomial distribution data file (BINOMDIST.DAT).");
  in.imbue(std::locale::classic());
  f_parse_binom(in);
}

void f_probe_summary() {
  std::ofstream probe("SUMMARY.CSV", std::ios::out | std::ios::trunc);
  if (!probe) f_fatal_exit("Please close SUMMARY.CSV.");
  probe.close();
}

void f_release_run_tables() {
  fac = std::vector<double>();
  binom = std::vector<double>();
}
