// The pass over the state distribution: slice flip and clear of the used
// range only, the saved copy, and arrival phases across a period change.
#include "analyzer/model/state_pass.h"

#include <gtest/gtest.h>

#include "tests/analyzer/model/hand_built_model.h"

using hand::Layout;

TEST(StatePass, FlipsSlicesAndClearsOnlyTheOnePhaseEntries) {
  ModelInstance inst = hand::make_instance(Layout::exp, 3, 4, 2);
  StateDist& st = inst.state;
  // Entries a one-phase layout never fills hold a marker in both slices.
  for (int s = 0; s < 2; ++s) {
    std::fill(st.slice[s].begin(), st.slice[s].end(), 7.0);
  }
  PassSlices ps = f_begin_pass(st, f_state_range(inst, 0));
  EXPECT_EQ(st.slice_cur, 0);
  EXPECT_EQ(st.slice_src, 1);
  EXPECT_EQ(ps.cur, st.slice[0].data());
  EXPECT_EQ(ps.src, st.slice[1].data());
  for (int j = 0; j <= 3; ++j)
    for (int q = 0; q <= 4; ++q) EXPECT_EQ(hand::at(inst, 0, 0, j, 0, q, 0), 0.0);
  EXPECT_EQ(hand::at(inst, 0, 0, 1, 1, 2, 0), 7.0);
  EXPECT_EQ(hand::at(inst, 0, 0, 1, 0, 2, 3), 7.0);
  EXPECT_EQ(hand::at(inst, 0, 1, 0, 0, 0, 0), 7.0);
  EXPECT_EQ(hand::at(inst, 1, 0, 2, 0, 2, 0), 7.0);
}

TEST(StatePass, MultiPhaseClearKeepsArrivalPhasesOfOtherPeriods) {
  hand::Periods per;
  per.iat_phases = {1, 2};
  ModelInstance inst = hand::make_instance(Layout::arr, 2, 2, 2, per);
  StateDist& st = inst.state;
  std::fill(st.slice[0].begin(), st.slice[0].end(), 7.0);
  f_begin_pass(st, f_state_range(inst, 0));  // one-phase period: a = 0 only
  EXPECT_EQ(hand::at(inst, 0, 0, 1, 1, 2, 2), 0.0);
  EXPECT_EQ(hand::at(inst, 0, 1, 1, 1, 2, 2), 7.0);
  std::fill(st.slice[0].begin(), st.slice[0].end(), 7.0);
  f_begin_pass(st, f_state_range(inst, 1));
  f_begin_pass(st, f_state_range(inst, 1));  // back on slice 0, both phases
  EXPECT_EQ(hand::at(inst, 0, 1, 1, 1, 2, 2), 0.0);
}

TEST(StatePass, SaveAndRestoreBringBackTheUsedRange) {
  ModelInstance inst = hand::make_instance(Layout::serabd, 2, 3, 2, {{1}, {2}, {2}});
  hand::spread_mass(inst, 1);
  StateRange rg = f_state_range(inst, 0);
  std::vector<double> before = inst.state.slice[inst.state.slice_cur];
  f_save_state(inst.state, rg);
  std::fill(inst.state.slice[inst.state.slice_cur].begin(), inst.state.slice[inst.state.slice_cur].end(), -1.0);
  f_restore_state(inst.state, rg);
  const std::vector<double>& after = inst.state.slice[inst.state.slice_cur];
  for (std::size_t k = 0; k < before.size() / 2; ++k) EXPECT_EQ(after[k], before[k]);
}

TEST(ArrivalPhaseChange, TwoToOnePhaseFoldsPhaseTwoIntoPhaseOne) {
  hand::Periods per;
  per.iat_phases = {2, 1};
  ModelInstance inst = hand::make_instance(Layout::arr, 2, 3, 2, per);
  hand::spread_mass(inst, 2);
  std::vector<double> before = inst.state.slice[inst.state.slice_cur];
  const StateDist& st = inst.state;
  f_change_arrival_phases(inst.state, f_state_range(inst, 1), 2);
  double total = 0.0;
  for (int j = 0; j <= 2; ++j)
    for (int l = 0; j + l <= 2; ++l)
      for (int q = 0; q <= 3; ++q)
        for (int r = 0; r <= 3; ++r) {
          double p0 = before[st.idx(0, j, l, q, r)], p1 = before[st.idx(1, j, l, q, r)];
          EXPECT_EQ(hand::cur(inst, 0, j, l, q, r), p0 + p1);
          total += hand::cur(inst, 0, j, l, q, r);
        }
  EXPECT_NEAR(total, 1.0, 1e-13);
}

TEST(ArrivalPhaseChange, OneToTwoPhasesClearsStalePhaseTwo) {
  hand::Periods per;
  per.iat_phases = {1, 2};
  ModelInstance inst = hand::make_instance(Layout::arr, 2, 3, 2, per);
  hand::spread_mass(inst, 2);  // phase 2 stands for what an earlier period left
  int cur_before = inst.state.slice_cur;
  f_change_arrival_phases(inst.state, f_state_range(inst, 1), 1);
  EXPECT_EQ(inst.state.slice_cur, cur_before);
  for (int j = 0; j <= 2; ++j)
    for (int q = 0; q <= 3; ++q) EXPECT_EQ(hand::cur(inst, 1, j, 0, q, 1), 0.0);
  EXPECT_GT(hand::cur(inst, 0, 1, 0, 2, 1), 0.0);
}
