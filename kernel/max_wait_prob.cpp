#include "kernel/max_wait_prob.h"

#include "kernel/fatal_exit.h"
#include "kernel/last_clock_table.h"
#include "kernel/quotient_forms.h"

namespace {

constexpr int kMaxCount = 25;

double pair_value(double a, double b, int m, int n) {
  if (f_has_quotient_form(m, n)) return f_quotient_form(a, b, m, n);
  return f_last_clock_table(a, b, n)[f_last_clock_index(m, n, n)];
}

}  // namespace

double f_max_wait_prob(double a, double b, double m, double n) {
  double result = -1.0;
  // Exact comparisons select the pair: a count that is not a whole number in
  // 1..25, a not-a-number count and m > n select none and keep the preset,
  // which the check below rejects.
  for (int c = 1; c <= kMaxCount; ++c) {
    if (!(m == c)) continue;
    for (int d = c; d <= kMaxCount; ++d) {
      if (n == d) result = pair_value(a, b, c, d);
    }
  }
  // Ordered comparisons: 0.0 and 1.0 pass, and so does a not-a-number value.
  if (0.0 > result || result > 1.0) {
    f_fatal_exit("Error when trying to obtain the maximum wait probability.");
  }
  return result;
}
