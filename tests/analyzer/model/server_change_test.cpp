// Server changes at an interval start: an increase lets waiting units into
// service, a decrease removes busy units with hypergeometric weights.
#include "analyzer/model/server_change.h"

#include <gtest/gtest.h>

#include "tests/analyzer/model/hand_built_model.h"

using hand::cur;
using hand::Layout;

namespace {

constexpr double kTight = 1e-15;

void set_change(ModelInstance& inst, int t, int chg, int s) {
  inst.grid.srv_chg[static_cast<std::size_t>(t)] = chg;
  inst.grid.srv_int[static_cast<std::size_t>(t)] = s;
}

}  // namespace

TEST(ServerChange, NoChangeRunsNoPass) {
  ModelInstance inst = hand::make_instance(Layout::exp, 4, 6, 2);
  cur(inst, 0, 1, 0, 3, 0) = 1.0;
  f_server_change(inst, hand::cycle_at_start(), 0);
  EXPECT_EQ(inst.state.slice_cur, 1);
  EXPECT_EQ(inst.state.slice_src, 0);
  EXPECT_EQ(cur(inst, 0, 1, 0, 3, 0), 1.0);
}

TEST(ServerChange, OnePhaseIncreaseToThreeServers) {
  ModelInstance inst = hand::make_instance(Layout::exp, 4, 6, 2);
  set_change(inst, 1, 2, 3);
  cur(inst, 0, 1, 0, 5, 0) = 0.1;  // d = 2 < q: two start
  cur(inst, 0, 1, 0, 2, 0) = 0.2;  // d = 2 >= q: the whole queue starts
  cur(inst, 0, 3, 0, 4, 0) = 0.3;  // d = 0: copied
  cur(inst, 0, 0, 0, 0, 0) = 0.4;  // nobody waits: copied
  f_server_change(inst, hand::cycle_at_start(), 1);
  EXPECT_EQ(inst.state.slice_cur, 0);
  EXPECT_EQ(cur(inst, 0, 3, 0, 3, 0), 0.1);
  EXPECT_EQ(cur(inst, 0, 3, 0, 0, 0), 0.2);
  EXPECT_EQ(cur(inst, 0, 3, 0, 4, 0), 0.3);
  EXPECT_EQ(cur(inst, 0, 0, 0, 0, 0), 0.4);
  EXPECT_NEAR(hand::cur_total(inst), 1.0, kTight);
}

TEST(ServerChange, OnePhaseDecreaseKeepsTheQueue) {
  ModelInstance inst = hand::make_instance(Layout::exp, 4, 8, 2);
  set_change(inst, 0, -2, 2);
  cur(inst, 0, 4, 0, 3, 0) = 0.6;
  cur(inst, 0, 2, 0, 7, 0) = 0.4;
  f_server_change(inst, hand::cycle_at_start(), 0);
  EXPECT_EQ(cur(inst, 0, 2, 0, 3, 0), 0.6);
  EXPECT_EQ(cur(inst, 0, 2, 0, 7, 0), 0.4);
  EXPECT_EQ(cur(inst, 0, 4, 0, 3, 0), 0.0);
}

TEST(ServerChange, DecreaseToZeroEmptiesServiceInEveryLayout) {
  for (Layout layout : {Layout::exp, Layout::serabd}) {
    ModelInstance inst = hand::make_instance(layout, 3, 4, 2, {{1}, {2}, {2}});
    hand::spread_mass(inst, 1);
    std::vector<double> queue(25, 0.0);
    const int r_top = layout == Layout::exp ? 0 : 4;
    for (int j = 0; j <= 3; ++j)
      for (int l = 0; l <= (layout == Layout::exp ? 0 : 3 - j); ++l)
        for (int q = 0; q <= 4; ++q)
          for (int r = 0; r <= r_top; ++r) queue[static_cast<std::size_t>(q * 5 + r)] += cur(inst, 0, j, l, q, r);
    set_change(inst, 0, -3, 0);
    f_server_change(inst, hand::cycle_at_start(), 0);
    for (int q = 0; q <= 4; ++q)
      for (int r = 0; r <= r_top; ++r)
        EXPECT_NEAR(cur(inst, 0, 0, 0, q, r), queue[static_cast<std::size_t>(q * 5 + r)], kTight);
    EXPECT_NEAR(hand::cur_total(inst), 1.0, 1e-14);
  }
}

TEST(ServerChange, MultiPhaseDecreaseSplitsHypergeometrically) {
  ModelInstance inst = hand::make_instance(Layout::serabd, 3, 2, 2, {{1}, {2}, {2}});
  set_change(inst, 0, -2, 1);
  cur(inst, 0, 2, 1, 1, 2) = 0.9;  // e = 2 of 2 in phase 1 and 1 in phase 2
  cur(inst, 0, 1, 0, 0, 1) = 0.1;  // s >= j + l: copied
  f_server_change(inst, hand::cycle_at_start(), 0);
  EXPECT_NEAR(cur(inst, 0, 1, 0, 1, 2), 0.9 * 2.0 / 3.0, kTight);
  EXPECT_NEAR(cur(inst, 0, 0, 1, 1, 2), 0.9 / 3.0, kTight);
  EXPECT_EQ(cur(inst, 0, 1, 0, 0, 1), 0.1);
}

TEST(ServerChange, MultiPhaseIncreaseMovesTheWholeQueueIntoPhaseOne) {
  ModelInstance inst = hand::make_instance(Layout::serabd, 5, 3, 2, {{1}, {2}, {2}});
  set_change(inst, 0, 3, 5);
  cur(inst, 0, 1, 1, 1, 2) = 1.0;  // d = 3 >= q + r = 3
  f_server_change(inst, hand::cycle_at_start(), 0);
  EXPECT_EQ(cur(inst, 0, 4, 1, 0, 0), 1.0);
}

TEST(ServerChange, MultiPhaseIncreaseSplitsThePartOfTheQueueThatStarts) {
  ModelInstance inst = hand::make_instance(Layout::serabd, 5, 3, 2, {{1}, {2}, {2}});
  set_change(inst, 0, 2, 4);
  cur(inst, 0, 2, 0, 2, 3) = 1.0;  // d = 2 of q = 2, r = 3
  f_server_change(inst, hand::cycle_at_start(), 0);
  // Hypergeometric split of 2 taken from 2 + 3: (i1, i2) = (0,2), (1,1), (2,0).
  EXPECT_NEAR(cur(inst, 0, 4, 0, 2, 1), 3.0 / 10.0, kTight);
  EXPECT_NEAR(cur(inst, 0, 4, 0, 1, 2), 6.0 / 10.0, kTight);
  EXPECT_NEAR(cur(inst, 0, 4, 0, 0, 3), 1.0 / 10.0, kTight);
}

TEST(ServerChange, MovingBranchDropsNegativeEntriesCopyingBranchKeepsThem) {
  ModelInstance inst = hand::make_instance(Layout::exp, 4, 6, 2);
  set_change(inst, 0, 1, 3);
  cur(inst, 0, 1, 0, 2, 0) = -1e-12;  // would move
  cur(inst, 0, 3, 0, 2, 0) = -1e-12;  // copied (d = 0)
  f_server_change(inst, hand::cycle_at_start(), 0);
  EXPECT_EQ(cur(inst, 0, 3, 0, 0, 0), 0.0);
  EXPECT_EQ(cur(inst, 0, 1, 0, 2, 0), 0.0);
  EXPECT_EQ(cur(inst, 0, 3, 0, 2, 0), -1e-12);
}
