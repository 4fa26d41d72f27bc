// Checks that x^k is formed by square-and-multiply from the lowest bit of k.
#include "kernel/int_power.h"

#include <gtest/gtest.h>

TEST(IntPower, SquaresAndMultipliesFromTheLowestBit) {
  // With x = 1.1 a left-to-right product rounds differently from these
  // groupings, so the comparisons pin the order.
  const double x = 1.1;
  const double x2 = x * x;
  const double x4 = x2 * x2;
  const double x8 = x4 * x4;
  const double x16 = x8 * x8;
  EXPECT_EQ(f_int_power(x, 0), 1.0);
  EXPECT_EQ(f_int_power(x, 1), x);
  EXPECT_EQ(f_int_power(x, 2), x2);
  EXPECT_EQ(f_int_power(x, 3), x * x2);
  EXPECT_EQ(f_int_power(x, 4), x4);
  EXPECT_EQ(f_int_power(x, 5), x * x4);
  EXPECT_NE(f_int_power(x, 5), x * x * x * x * x);
  EXPECT_EQ(f_int_power(x, 6), x2 * x4);
  EXPECT_EQ(f_int_power(x, 7), (x * x2) * x4);
  EXPECT_NE(f_int_power(x, 7), x * x * x * x * x * x * x);
  EXPECT_EQ(f_int_power(x, 25), (x * x8) * x16);
}
