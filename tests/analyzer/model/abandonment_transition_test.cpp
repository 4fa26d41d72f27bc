// Abandonment pass: waiting units abandon (one phase; phase 2, then the
// phase-1 advance with its rest at the queue bound), counting the expected
// abandonments when asked.
#include "analyzer/model/abandonment_transition.h"

#include <gtest/gtest.h>

#include "tests/analyzer/model/hand_built_model.h"

using hand::cur;
using hand::Layout;

namespace {

constexpr double kTight = 1e-15;

ModelInstance two_phase_patience(int mxs, int mxq) {
  return hand::make_instance(Layout::serabd, mxs, mxq, 2, {{1}, {1}, {2}});
}

}  // namespace

TEST(AbandonmentTransition, OnePhaseRowsAreBinomialAndCounted) {
  ModelInstance inst = hand::make_instance(Layout::exp, 1, 4, 2);
  cur(inst, 0, 1, 0, 3, 0) = 0.5;
  cur(inst, 0, 0, 0, 0, 0) = 0.5;
  double abandoned = 0.0;
  f_abandonment_transition(inst, hand::cycle_at_start(), &abandoned);
  for (int b = 0; b <= 3; ++b) EXPECT_NEAR(cur(inst, 0, 1, 0, 3 - b, 0), 0.5 * hand::binomial(3, b, 0.1), kTight);
  EXPECT_EQ(cur(inst, 0, 0, 0, 0, 0), 0.5);
  EXPECT_NEAR(abandoned, 0.5 * 3 * 0.1, kTight);
}

TEST(AbandonmentTransition, NothingAbandonsWhenTheCapIsZero) {
  ModelInstance inst = two_phase_patience(1, 3);
  gv_mxn_abd = 0;
  cur(inst, 0, 1, 0, 2, 1) = 1.0;
  double abandoned = 0.0;
  f_abandonment_transition(inst, hand::cycle_at_start(), &abandoned);
  const double keep = inst.counts.abd_cnt_ph2[0].at(1, 0) * inst.counts.abd_adv_ph1[0].at(2, 0, 0);
  EXPECT_NEAR(cur(inst, 0, 1, 0, 2, 1), keep, kTight);
  EXPECT_NEAR(hand::cur_total(inst), keep, kTight);
  EXPECT_EQ(abandoned, 0.0);
}

// gv_mxq = 5, q = 4, r = 3, cap 4: x = 0 and 1 spread as usual; at x = 2 the
// phase-2 count reaches 5, y = 0..2 go to q = 2, 1, 0, and the rest of the
// row goes to (0, 5) with 2 abandonments.
TEST(AbandonmentTransition, PhaseOneAdvanceLumpsTheRestAtTheBound) {
  ModelInstance inst = two_phase_patience(1, 5);
  gv_mxn_abd = 4;
  inst.counts.abd_cnt_ph2[0] = hand::binomial_rows(5, 0.0);  // phase 2 keeps its units
  const SquareBlocks& G = inst.counts.abd_adv_ph1[0];
  const double p = 0.7;
  cur(inst, 0, 1, 0, 4, 3) = p;
  double abandoned = 0.0;
  f_abandonment_transition(inst, hand::cycle_at_start(), &abandoned);

  double cum = 0.0, expect_abd = 0.0;
  for (int x = 0; x <= 2; ++x)
    for (int y = 0; y <= 4 - x; ++y) {
      cum += G.at(4, x, y);
      expect_abd += y * p * G.at(4, x, y);
    }
  const double rest = (1.0 - cum) * p;
  expect_abd += 2 * rest;
  for (int y = 0; y <= 4; ++y) EXPECT_NEAR(cur(inst, 0, 1, 0, 4 - y, 3), p * G.at(4, 0, y), kTight);
  for (int y = 0; y <= 3; ++y) EXPECT_NEAR(cur(inst, 0, 1, 0, 3 - y, 4), p * G.at(4, 1, y), kTight);
  EXPECT_NEAR(cur(inst, 0, 1, 0, 2, 5), p * G.at(4, 2, 0), kTight);
  EXPECT_NEAR(cur(inst, 0, 1, 0, 1, 5), p * G.at(4, 2, 1), kTight);
  EXPECT_NEAR(cur(inst, 0, 1, 0, 0, 5), p * G.at(4, 2, 2) + rest, kTight);
  EXPECT_GT(rest, 0.0);
  EXPECT_NEAR(hand::cur_total(inst), p, kTight);
  EXPECT_NEAR(abandoned, expect_abd, kTight);
}

TEST(AbandonmentTransition, FullPhaseTwoReadsOnlyNoMovesThenTheRest) {
  ModelInstance inst = two_phase_patience(0, 4);
  inst.counts.abd_cnt_ph2[0] = hand::binomial_rows(4, 0.0);
  const SquareBlocks& G = inst.counts.abd_adv_ph1[0];
  cur(inst, 0, 0, 0, 3, 4) = 1.0;
  double abandoned = 0.0;
  f_abandonment_transition(inst, hand::cycle_at_start(), &abandoned);
  double cum = 0.0, expect_abd = 0.0;
  for (int y = 0; y <= 3; ++y) {
    cum += G.at(3, 0, y);
    expect_abd += y * G.at(3, 0, y);
  }
  for (int y = 0; y < 3; ++y) EXPECT_NEAR(cur(inst, 0, 0, 0, 3 - y, 4), G.at(3, 0, y), kTight) << y;
  // The rest goes to (q - xmax, mxq) = (0, 4), on top of y = 3, and counts 3.
  EXPECT_NEAR(cur(inst, 0, 0, 0, 0, 4), G.at(3, 0, 3) + (1.0 - cum), kTight);
  EXPECT_GT(1.0 - cum, 0.1);
  EXPECT_NEAR(hand::cur_total(inst), 1.0, kTight);
  EXPECT_NEAR(abandoned, expect_abd + 3 * (1.0 - cum), kTight);
}

TEST(AbandonmentTransition, NoRestWhenTheRowIsReadInFull) {
  ModelInstance inst = two_phase_patience(0, 2);
  inst.counts.abd_cnt_ph2[0] = hand::binomial_rows(2, 0.0);
  inst.counts.abd_adv_ph1[0] = hand::multinomial_blocks(2, 0.0, 0.0);  // G[q][0][0] = 1
  cur(inst, 0, 0, 0, 2, 2) = 1.0;
  double abandoned = 0.0;
  f_abandonment_transition(inst, hand::cycle_at_start(), &abandoned);
  EXPECT_EQ(cur(inst, 0, 0, 0, 2, 2), 1.0);
  EXPECT_EQ(cur(inst, 0, 0, 0, 0, 2), 0.0);
  EXPECT_EQ(abandoned, 0.0);
}

TEST(AbandonmentTransition, PhaseTwoAbandonsOnlyUnitsAlreadyThere) {
  ModelInstance inst = two_phase_patience(0, 3);
  inst.counts.abd_cnt_ph2[0] = hand::binomial_rows(3, 1.0);                // phase 2 all abandon
  inst.counts.abd_adv_ph1[0] = hand::multinomial_blocks(3, 1.0, 0.0);      // phase 1 all move on
  cur(inst, 0, 0, 0, 2, 1) = 1.0;
  double abandoned = 0.0;
  f_abandonment_transition(inst, hand::cycle_at_start(), &abandoned);
  EXPECT_EQ(cur(inst, 0, 0, 0, 0, 2), 1.0);
  EXPECT_EQ(abandoned, 1.0);
}

// Rows of r move together, x running downward; written entry by entry in
// the order a, j, l, q, r with x, y innermost, the result and the count of
// abandonments are the same to the last bit.
TEST(AbandonmentTransition, RowFormMatchesEntryByEntryOrderBitForBit) {
  hand::Periods per;
  per.iat_phases = {2};
  per.abd_phases = {2};
  ModelInstance inst = hand::make_instance(Layout::arr, 1, 6, 2, per);
  gv_mxn_abd = 4;
  hand::spread_mass(inst, 2);
  const StateDist& st = inst.state;
  const std::vector<double> src = st.slice[st.slice_cur];
  const TriangleRows& A = inst.counts.abd_cnt_ph2[0];
  const SquareBlocks& G = inst.counts.abd_adv_ph1[0];
  std::vector<double> mid(src.size(), 0.0), want(src.size(), 0.0);
  double want_abd = 0.0;
  hand::for_each_entry(st, 2, [&](int a, int j, int l, int q, int r) {
    double p = src[st.idx(a, j, l, q, r)];
    if (r == 0) {
      mid[st.idx(a, j, l, q, r)] += p;
      return;
    }
    for (int b = 0; b <= std::min(r, 4); ++b) {
      double v = p * A.at(r, b);
      mid[st.idx(a, j, l, q, r - b)] += v;
      want_abd += b * v;
    }
  });
  hand::for_each_entry(st, 2, [&](int a, int j, int l, int q, int r) {
    double p = mid[st.idx(a, j, l, q, r)];
    if (q == 0) {
      want[st.idx(a, j, l, q, r)] += p;
      return;
    }
    int xmax = std::min(q, 4);
    double cum = 0.0;
    for (int x = 0; x <= xmax; ++x) {
      for (int y = 0; y <= xmax - x; ++y) {
        double g = G.at(q, x, y);
        cum += g;
        double v = p * g;
        want[st.idx(a, j, l, q - x - y, r + x)] += v;
        want_abd += y * v;
      }
      if (r + x == 6) {
        if (1.0 > cum) {
          double w = (1.0 - cum) * p;
          want[st.idx(a, j, l, q - xmax, 6)] += w;
          want_abd += (xmax - x) * w;
        }
        break;
      }
    }
  });
  double abandoned = 0.0;
  f_abandonment_transition(inst, hand::cycle_at_start(), &abandoned);
  const std::vector<double>& got = st.slice[st.slice_cur];
  for (std::size_t k = 0; k < want.size(); ++k) ASSERT_EQ(got[k], want[k]) << k;
  EXPECT_EQ(abandoned, want_abd);
}
