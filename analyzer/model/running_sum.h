// Terms that cannot change a running sum. Rounded to nearest, sum + t gives
// sum back whenever 0 <= t < ulp(sum) / 2, and for a positive normal sum
// ulp(sum) / 2 > sum * 2^-54. A term bounded by a value below
// f_unchanged_below(sum) = sum * 2^-55 (a margin of 2 for the rounding of the
// bound and of the term) therefore leaves the sum as it is, and a sweep may
// pass it by: the result is the same to the last bit. Below 2^-900 the bound
// is 0.0 and nothing is passed by.
#pragma once

inline double f_unchanged_below(double sum) { return sum >= 0x1p-900 ? sum * 0x1p-55 : 0.0; }
