// A cap on the events per interval or on the series terms that is far larger
// than any count that can matter changes no value: the series end once their
// terms have underflowed, and nothing is sized by the cap itself.
#include <gtest/gtest.h>

#include "analyzer/model/arrival_dist.h"
#include "analyzer/model/two_phase_advancement.h"

namespace {

constexpr int kHuge = 2000000000;

}  // namespace

TEST(SeriesCutoff, HugeArrivalCapGivesTheTableOfAModerateOne) {
  // Rates 3 and 5 over Delta 1e-11: N Delta L < 1 for both caps, so both use
  // one sub-step of the same length and differ only in the terms taken.
  PhaseType ph{2, {-3.0, 1.5, 0.0, -5.0}, {1.0, 0.0}};
  ArrivalBlock huge, moderate;
  ASSERT_TRUE(f_arrival_dist(huge, ph, 1e-11, -1.0, 4, kHuge, 1e-6, 0));
  ASSERT_TRUE(f_arrival_dist(moderate, ph, 1e-11, -1.0, 4, 1000, 1e-6, 0));
  EXPECT_EQ(huge.v, moderate.v);
}

TEST(SeriesCutoff, HugeTermCountOfTwoPhaseAdvancementGivesFiniteIdenticalTables) {
  // With L Delta > 1, L Delta^k overflows after k! has: terms beyond 170 would
  // be infinity over infinity. They must count as the zeros they are.
  for (double Delta : {0.01, 0.5}) {
    SquareBlocks huge, moderate;
    huge.reset(6);
    moderate.reset(6);
    f_2PH_advancement(huge, 6, 2.0, 1.0, 0.7, Delta, kHuge);
    f_2PH_advancement(moderate, 6, 2.0, 1.0, 0.7, Delta, 400);
    EXPECT_EQ(huge.v, moderate.v) << Delta;
    double mass = 0.0;
    for (int x = 0; x <= 6; ++x)
      for (int y = 0; x + y <= 6; ++y) mass += huge.at(6, x, y);
    EXPECT_NEAR(mass, 1.0, 1e-12) << Delta;
    EXPECT_LT(huge.at(6, 0, 0), 1.0) << "events must happen over " << Delta;
  }
}
