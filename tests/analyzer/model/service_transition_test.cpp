// Service pass: completions (one phase; phase 2, then the phase-1 advance),
// then waiting units take the free servers with the queue-head split.
#include "analyzer/model/service_transition.h"

#include <gtest/gtest.h>

#include "analyzer/model/queue_to_service.h"
#include "analyzer/model/state_pass.h"
#include "tests/analyzer/model/hand_built_model.h"

using hand::cur;
using hand::Layout;

namespace {

constexpr double kTight = 1e-15;

// Tables in which nothing completes or moves, so that only the queue moves.
void stop_service(ModelInstance& inst) {
  inst.counts.ser_cmp[0] = hand::binomial_rows(inst.grid.mxs, 0.0);
  inst.counts.ser_cmp_ph2[0] = hand::binomial_rows(inst.grid.mxs, 0.0);
  inst.counts.ser_adv_ph1[0] = hand::multinomial_blocks(inst.grid.mxs, 0.0, 0.0);
}

}  // namespace

TEST(ServiceTransition, OnePhaseCompletionsAreBinomialThenTheQueueEnters) {
  ModelInstance inst = hand::make_instance(Layout::exp, 4, 6, 2);
  inst.grid.srv_int[0] = 4;
  cur(inst, 0, 2, 0, 5, 0) = 1.0;
  f_service_transition(inst, hand::cycle_at_start(), 0);
  // c of 2 complete (probability 0.3 each); then 2 + c units start.
  const double p0 = 0.49, p1 = 0.42, p2 = 0.09;
  EXPECT_NEAR(cur(inst, 0, 4, 0, 3, 0), p0, kTight);
  EXPECT_NEAR(cur(inst, 0, 4, 0, 2, 0), p1, kTight);
  EXPECT_NEAR(cur(inst, 0, 4, 0, 1, 0), p2, kTight);
  EXPECT_EQ(inst.state.slice_cur, 1);  // two passes
}

TEST(ServiceTransition, OnePhaseQueueTakesTheFreeServers) {
  ModelInstance inst = hand::make_instance(Layout::exp, 4, 6, 2);
  stop_service(inst);
  cur(inst, 0, 2, 0, 5, 0) = 1.0;
  f_service_transition(inst, hand::cycle_at_start(), 0);
  EXPECT_EQ(cur(inst, 0, 4, 0, 3, 0), 1.0);
}

TEST(ServiceTransition, NoEventsWhenTheCapIsZero) {
  ModelInstance inst = hand::make_instance(Layout::serabd, 3, 2, 2, {{1}, {2}, {2}});
  gv_mxn_ser = 0;
  cur(inst, 0, 2, 1, 1, 1) = 1.0;
  inst.grid.srv_int[0] = 3;
  f_service_transition(inst, hand::cycle_at_start(), 0);
  // Phase 2 keeps its unit with T[1][0], phase 1 keeps both with G[2][0][0].
  EXPECT_NEAR(cur(inst, 0, 2, 1, 1, 1), 0.5 * 0.6 * 0.6, kTight);
  EXPECT_EQ(inst.state.slice_cur, 0);  // three passes
}

TEST(ServiceTransition, CapLimitsPhaseOneEventsPerInterval) {
  ModelInstance inst = hand::make_instance(Layout::serabd, 8, 1, 2, {{1}, {2}, {2}});
  gv_mxn_ser = 4;
  cur(inst, 0, 7, 0, 0, 0) = 1.0;
  f_service_transition(inst, hand::cycle_at_start(), 0);
  const SquareBlocks& G = inst.counts.ser_adv_ph1[0];
  double read = 0.0;
  for (int x = 0; x <= 4; ++x)
    for (int y = 0; x + y <= 4; ++y) read += G.at(7, x, y);
  double total = 0.0;
  for (int j = 0; j <= 8; ++j)
    for (int l = 0; j + l <= 8; ++l) {
      double p = cur(inst, 0, j, l, 0, 0);
      total += p;
      if (j < 3) {
        EXPECT_EQ(p, 0.0) << j << " " << l;  // at most 4 of 7 left phase 1
      }
    }
  EXPECT_NEAR(total, read, 1e-14);
  EXPECT_LT(total, 1.0);
}

TEST(QueueToService, ReadsOnlyTheSplitsThatFitTheQueue) {
  ModelInstance inst = hand::make_instance(Layout::serabd, 6, 5, 2, {{1}, {2}, {2}});
  const QueueSplit& split = inst.splits.q2s_split[0];
  cur(inst, 0, 0, 0, 2, 3) = 0.5;  // d = 4: (i1, i2) = (1, 3) and (2, 2)
  cur(inst, 0, 4, 0, 5, 0) = 0.3;  // d = 2: (2, 0) only
  cur(inst, 0, 1, 0, 1, 1) = 0.2;  // d = 3 >= q + r: both enter
  f_queue_to_service_pass(inst.state, f_state_range(inst, 0), 4, f_queue_split(inst, 0));
  EXPECT_EQ(cur(inst, 0, 4, 0, 1, 0), split.at(2, 3, 4, 1) * 0.5);
  EXPECT_EQ(cur(inst, 0, 4, 0, 0, 1), split.at(2, 3, 4, 2) * 0.5);
  EXPECT_NEAR(split.at(2, 3, 4, 1) + split.at(2, 3, 4, 2), 1.0, kTight);
  EXPECT_EQ(cur(inst, 0, 4, 0, 5, 0), 0.3);  // d = 0 with 4 servers
  EXPECT_EQ(cur(inst, 0, 3, 0, 0, 0), 0.2);
  EXPECT_NEAR(hand::cur_total(inst), 1.0, kTight);
  f_queue_to_service_pass(inst.state, f_state_range(inst, 0), 6, f_queue_split(inst, 0));
  EXPECT_EQ(cur(inst, 0, 6, 0, 3, 0), 0.3);  // q = 5, r = 0, d = 2
}

TEST(QueueToService, NoServersCopiesEverything) {
  ModelInstance inst = hand::make_instance(Layout::serabd, 2, 2, 2, {{1}, {2}, {2}});
  hand::spread_mass(inst, 1);
  std::vector<double> before = inst.state.slice[inst.state.slice_cur];
  f_queue_to_service_pass(inst.state, f_state_range(inst, 0), 0, f_queue_split(inst, 0));
  EXPECT_EQ(inst.state.slice[inst.state.slice_cur], before);
}

TEST(ServiceTransition, CompletionPassesCopyEmptyGroupsEvenAtZero) {
  ModelInstance inst = hand::make_instance(Layout::serabd, 2, 1, 2, {{1}, {2}, {2}});
  stop_service(inst);
  inst.grid.srv_int[0] = 0;
  cur(inst, 0, 0, 0, 1, 0) = -2e-12;  // j = l = 0: copied by all three passes
  cur(inst, 0, 1, 1, 0, 0) = -2e-12;  // moved: disappears
  f_service_transition(inst, hand::cycle_at_start(), 0);
  EXPECT_EQ(cur(inst, 0, 0, 0, 1, 0), -2e-12);
  EXPECT_EQ(cur(inst, 0, 1, 1, 0, 0), 0.0);
}

// Whole (q, r) blocks move together; written entry by entry in the order
// a, j, l, q, r with x, y innermost, the result is the same to the last bit.
TEST(ServiceTransition, BlockFormMatchesEntryByEntryOrderBitForBit) {
  hand::Periods per;
  per.iat_phases = {2};
  per.ser_phases = {2};
  ModelInstance inst = hand::make_instance(Layout::arr, 4, 3, 2, per);
  gv_mxn_ser = 3;
  hand::spread_mass(inst, 2);
  const StateDist& st = inst.state;
  const std::vector<double> src = st.slice[st.slice_cur];
  const TriangleRows& T = inst.counts.ser_cmp_ph2[0];
  const SquareBlocks& G = inst.counts.ser_adv_ph1[0];
  std::vector<double> mid(src.size(), 0.0), want(src.size(), 0.0);
  hand::for_each_entry(st, 2, [&](int a, int j, int l, int q, int r) {
    double p = src[st.idx(a, j, l, q, r)];
    if (l == 0) {
      mid[st.idx(a, j, l, q, r)] += p;
      return;
    }
    for (int c = 0; c <= std::min(l, 3); ++c) mid[st.idx(a, j, l - c, q, r)] += p * T.at(l, c);
  });
  hand::for_each_entry(st, 2, [&](int a, int j, int l, int q, int r) {
    double p = mid[st.idx(a, j, l, q, r)];
    if (j == 0) {
      want[st.idx(a, j, l, q, r)] += p;
      return;
    }
    int cmax = std::min(j, 3);
    for (int x = 0; x <= cmax; ++x)
      for (int y = 0; y <= cmax - x; ++y) want[st.idx(a, j - x - y, l + x, q, r)] += p * G.at(j, x, y);
  });
  inst.grid.srv_int[0] = 0;  // the queue-to-service pass copies
  f_service_transition(inst, hand::cycle_at_start(), 0);
  const std::vector<double>& got = st.slice[st.slice_cur];
  for (std::size_t k = 0; k < want.size(); ++k) ASSERT_EQ(got[k], want[k]) << k;
}

// The split part moves by rows over r; written entry by entry in the order
// a, j, l, q, r with i1 innermost, the result is the same to the last bit.
TEST(QueueToService, RowFormMatchesEntryByEntryOrderBitForBit) {
  hand::Periods per;
  per.iat_phases = {2};
  ModelInstance inst = hand::make_instance(Layout::arr, 4, 3, 2, per);
  hand::spread_mass(inst, 2);
  const StateDist& st = inst.state;
  const std::vector<double> src = st.slice[st.slice_cur];
  const QueueSplit& split = inst.splits.q2s_split[0];
  const int s = 4;
  std::vector<double> want(src.size(), 0.0);
  hand::for_each_entry(st, 2, [&](int a, int j, int l, int q, int r) {
    double p = src[st.idx(a, j, l, q, r)];
    int d = s - j - l;
    if (d <= 0 || q + r == 0) {
      want[st.idx(a, j, l, q, r)] += p;
    } else if (p > 0.0 && d >= q + r) {
      want[st.idx(a, j + q + r, l, 0, 0)] += p;
    } else if (p > 0.0) {
      for (int i1 = std::max(0, d - r); i1 <= std::min(q, d); ++i1)
        want[st.idx(a, j + d, l, q - i1, r - (d - i1))] += split.at(q, r, d, i1) * p;
    }
  });
  f_queue_to_service_pass(inst.state, f_state_range(inst, 0), s, f_queue_split(inst, 0));
  const std::vector<double>& got = st.slice[st.slice_cur];
  for (std::size_t k = 0; k < want.size(); ++k) ASSERT_EQ(got[k], want[k]) << k;
}
