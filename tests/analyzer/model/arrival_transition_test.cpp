// Arrival pass: arrivals join patience phase 1, the count that finds no room
// stays at the queue bound, and the last cycle counts the reflections.
#include "analyzer/model/arrival_transition.h"

#include <gtest/gtest.h>

#include "tests/analyzer/model/hand_built_model.h"

using hand::cur;
using hand::Layout;

namespace {

constexpr double kTight = 1e-15;

// Arrival count row with N[k] = 0.1 * (k + 1) for k < 4, then 0.0 (sums to 1).
std::vector<double> short_row(int mxq) {
  std::vector<double> N(static_cast<std::size_t>(mxq + 1), 0.0);
  for (int k = 0; k < 4; ++k) N[static_cast<std::size_t>(k)] = 0.1 * (k + 1);
  return N;
}

}  // namespace

TEST(ArrivalTransition, OnePhaseEntryNearTheBoundLumpsTheRest) {
  ModelInstance inst = hand::make_instance(Layout::exp, 1, 10, 2);
  std::vector<double>& N = inst.counts.arr_cnt[0];
  cur(inst, 0, 1, 0, 8, 0) = 0.5;
  CycleState cyc = hand::cycle_at_start();
  cyc.last_cycle = true;
  f_arrival_transition(inst, cyc);
  EXPECT_EQ(cur(inst, 0, 1, 0, 8, 0), N[0] * 0.5);
  EXPECT_EQ(cur(inst, 0, 1, 0, 9, 0), N[1] * 0.5);
  EXPECT_NEAR(cur(inst, 0, 1, 0, 10, 0), (1.0 - N[0] - N[1]) * 0.5, kTight);
  double expected = 0.0;
  for (int k = 3; k <= 10; ++k) expected += (k - 2) * N[static_cast<std::size_t>(k)];
  EXPECT_NEAR(cyc.reflections, 0.5 * expected, kTight);
}

TEST(ArrivalTransition, EntryAtTheBoundStaysAndReflectsEveryArrival) {
  ModelInstance inst = hand::make_instance(Layout::exp, 1, 10, 2);
  std::vector<double>& N = inst.counts.arr_cnt[0];
  cur(inst, 0, 0, 0, 10, 0) = 0.25;
  CycleState cyc = hand::cycle_at_start();
  cyc.last_cycle = true;
  f_arrival_transition(inst, cyc);
  EXPECT_EQ(cur(inst, 0, 0, 0, 10, 0), 0.25);
  double mean = 0.0;
  for (int k = 1; k <= 10; ++k) mean += k * N[static_cast<std::size_t>(k)];
  EXPECT_NEAR(cyc.reflections, 0.25 * mean, kTight);
}

TEST(ArrivalTransition, CapBelowTheBoundPlacesNoRestAndNoReflection) {
  ModelInstance inst = hand::make_instance(Layout::exp, 1, 10, 2);
  gv_mxn_abd = 3;
  inst.counts.arr_cnt[0] = short_row(10);
  cur(inst, 0, 0, 0, 2, 0) = 1.0;
  CycleState cyc = hand::cycle_at_start();
  cyc.last_cycle = true;
  f_arrival_transition(inst, cyc);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(cur(inst, 0, 0, 0, 2 + k, 0), 0.1 * (k + 1));
  EXPECT_EQ(cur(inst, 0, 0, 0, 6, 0), 0.0);
  EXPECT_EQ(cyc.reflections, 0.0);
}

TEST(ArrivalTransition, PhaseTwoCountIsCarriedAndOnlyQMeetsTheBound) {
  ModelInstance inst = hand::make_instance(Layout::serabd, 1, 10, 2, {{1}, {2}, {2}});
  std::vector<double>& N = inst.counts.arr_cnt[0];
  cur(inst, 0, 1, 0, 3, 9) = 1.0;
  CycleState cyc = hand::cycle_at_start();
  f_arrival_transition(inst, cyc);
  double below = 0.0;
  for (int k = 0; k < 7; ++k) {
    EXPECT_EQ(cur(inst, 0, 1, 0, 3 + k, 9), N[static_cast<std::size_t>(k)]);
    below += N[static_cast<std::size_t>(k)];
  }
  EXPECT_EQ(cur(inst, 0, 1, 0, 10, 9), 1.0 - below);
}

TEST(ArrivalTransition, FreeServersDoNotTakeArrivals) {
  ModelInstance inst = hand::make_instance(Layout::exp, 3, 4, 2);
  cur(inst, 0, 0, 0, 0, 0) = 1.0;
  CycleState cyc = hand::cycle_at_start();
  f_arrival_transition(inst, cyc);
  EXPECT_EQ(cur(inst, 0, 0, 0, 1, 0), inst.counts.arr_cnt[0][1]);
  EXPECT_EQ(cur(inst, 0, 1, 0, 0, 0), 0.0);
}

TEST(ArrivalTransition, TwoPhaseEntryAtTheBoundSplitsByEndPhase) {
  hand::Periods per;
  per.iat_phases = {2};
  ModelInstance inst = hand::make_instance(Layout::arr, 1, 5, 2, per);
  const ArrivalBlock& X = inst.counts.arr_cnt_2ph[0];
  cur(inst, 0, 1, 0, 5, 2) = 0.8;
  CycleState cyc = hand::cycle_at_start();
  f_arrival_transition(inst, cyc);
  EXPECT_EQ(cur(inst, 0, 1, 0, 5, 2), X.at(0, 0, 0) * 0.8);
  EXPECT_NEAR(cur(inst, 1, 1, 0, 5, 2), X.at(0, 1, 0) * 0.8 + (1.0 - X.at(0, 0, 0) - X.at(0, 1, 0)) * 0.8, kTight);
}

TEST(ArrivalTransition, OnePhasePeriodOfThePhaseTypeLayoutKeepsPhaseZero) {
  hand::Periods per;
  per.iat_phases = {1, 2};
  ModelInstance inst = hand::make_instance(Layout::arr, 1, 4, 2, per);
  cur(inst, 0, 0, 0, 2, 1) = 1.0;
  CycleState cyc = hand::cycle_at_start();
  f_arrival_transition(inst, cyc);
  const ArrivalBlock& X = inst.counts.arr_cnt_2ph[0];
  EXPECT_EQ(cur(inst, 0, 0, 0, 2, 1), X.at(0, 0, 0));
  EXPECT_EQ(cur(inst, 0, 0, 0, 3, 1), X.at(0, 0, 1));
  EXPECT_NEAR(cur(inst, 0, 0, 0, 4, 1), 1.0 - X.at(0, 0, 0) - X.at(0, 0, 1), kTight);
  EXPECT_EQ(cur(inst, 1, 0, 0, 4, 1), 0.0);
}

TEST(ArrivalTransition, ZeroedStartPhaseRowSendsEverythingToTheBound) {
  hand::Periods per;
  per.iat_phases = {2};
  ModelInstance inst = hand::make_instance(Layout::arr, 1, 4, 2, per);
  ArrivalBlock& X = inst.counts.arr_cnt_2ph[0];
  for (int b = 0; b < 2; ++b)
    for (int k = 0; k <= 4; ++k) X.v[X.idx(1, b, k)] = 0.0;
  cur(inst, 1, 0, 0, 1, 0) = 0.3;
  CycleState cyc = hand::cycle_at_start();
  cyc.last_cycle = true;
  f_arrival_transition(inst, cyc);
  EXPECT_EQ(cur(inst, 1, 0, 0, 4, 0), 0.3);
  EXPECT_EQ(cyc.reflections, 0.0);
}

// The pass moves whole rows of r together; written entry by entry in the
// order a, j, l, q, r with the counts innermost, the result is the same to
// the last bit.
TEST(ArrivalTransition, RowFormMatchesEntryByEntryOrderBitForBit) {
  hand::Periods per;
  per.iat_phases = {2};
  for (Layout layout : {Layout::serabd, Layout::arr}) {
    ModelInstance inst = hand::make_instance(layout, 2, 6, 2, layout == Layout::arr ? per : hand::Periods{{1}, {2}, {2}});
    gv_mxn_abd = 4;
    const int n_a = layout == Layout::arr ? 2 : 1;
    hand::spread_mass(inst, n_a);
    const StateDist& st = inst.state;
    const std::vector<double> src = st.slice[st.slice_cur];
    std::vector<double> want(src.size(), 0.0);
    double want_refl = 0.0;
    const std::vector<double>& N = inst.counts.arr_cnt[0];
    const ArrivalBlock& X = inst.counts.arr_cnt_2ph[0];
    hand::for_each_entry(st, n_a, [&](int a, int j, int l, int q, int r) {
      double p = src[st.idx(a, j, l, q, r)];
      int h = 6 - q;
      for (int k = h + 1; k <= gv_mxn_abd; ++k)
        for (int b = 0; b < n_a; ++b)
          want_refl += ((k - h) * p) * (n_a == 1 ? N[static_cast<std::size_t>(k)] : X.at(a, b, k));
      double c = 0.0;
      if (n_a == 1) {
        for (int k = 0; k <= gv_mxn_abd; ++k) {
          if (q + k == 6) {
            if (1.0 > c) want[st.idx(0, j, l, 6, r)] += (1.0 - c) * p;
            break;
          }
          want[st.idx(0, j, l, q + k, r)] += N[static_cast<std::size_t>(k)] * p;
          c += N[static_cast<std::size_t>(k)];
        }
      } else {
        for (int k = 0; k <= h; ++k)
          for (int b = 0; b < 2; ++b) {
            want[st.idx(b, j, l, q + k, r)] += X.at(a, b, k) * p;
            c += X.at(a, b, k);
          }
        double rest = (1.0 - c) * p;
        if (rest > 0.0) want[st.idx(1, j, l, 6, r)] += rest;
      }
    });
    CycleState cyc = hand::cycle_at_start();
    cyc.last_cycle = true;
    f_arrival_transition(inst, cyc);
    const std::vector<double>& got = st.slice[st.slice_cur];
    for (std::size_t k = 0; k < want.size(); ++k) ASSERT_EQ(got[k], want[k]) << k;
    EXPECT_EQ(cyc.reflections, want_refl);
  }
}
