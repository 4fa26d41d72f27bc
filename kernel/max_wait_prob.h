// K(a, b, m, n): the probability that, of m exponential clocks of rate a and n
// of rate b started together, the last one to ring is a rate-a clock.
#pragma once

// For whole-number counts 1 <= m <= n <= 25 returns K(a, b, m, n) when the
// computed value lies in [0, 1] (a not-a-number value, as from a = b = 0, is
// returned as it is). Every other input (m > n, a count that is not a whole
// number in 1..25 or is not a number, or a computed value outside [0, 1]) ends
// the run through the fatal exit with "Error when trying to obtain the maximum
// wait probability.". For m > n use K(a, b, m, n) = 1 − K(b, a, n, m).
// Pairs with m = 1, and with m = 2 and n other than 3, 18, 21, 22, 24, use
// their fixed quotient forms; all other pairs the last-clock recursion.
double f_max_wait_prob(double a, double b, double m, double n);
