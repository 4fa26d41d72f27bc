#include "kernel/int_power.h"

double f_int_power(double x, unsigned k) {
  double r = 1.0;
  for (;;) {
    if (k & 1) r = r * x;
    k >>= 1;
    if (k == 0) return r;
    x = x * x;
  }
}
