// Weights x^n / n! of a truncated exponential series.
#include "analyzer/model/series_weights.h"

#include <cmath>

#include "kernel/int_power.h"

std::vector<double> f_series_weights(double x, int N) {
  std::vector<double> w;
  double factorial = 1.0;  // n!
  for (int n = 0; n <= N; ++n) {
    if (n > 0) factorial = static_cast<double>(n) * factorial;
    const double c = f_int_power(x, static_cast<unsigned>(n)) / factorial;
    if (c == 0.0) break;
    w.push_back(c);
    if (std::isnan(c)) break;
  }
  return w;
}
