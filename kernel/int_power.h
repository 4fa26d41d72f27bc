// x^k for a whole number k >= 0 by square-and-multiply, in one fixed order of
// products so that every caller gets the same bits.
#pragma once

// r = 1; then for each bit of k from the lowest: r = r·x when the bit is set,
// and x = x·x while higher bits remain. So x^3 is x·(x·x), x^5 is
// x·((x·x)·(x·x)) and x^7 is (x·(x·x))·((x·x)·(x·x)).
double f_int_power(double x, unsigned k);
