// Per-interval event-count tables: Poisson arrival counts and the phase-type
// arrival blocks, and the service and abandonment tables of a group of units
// that share one phase: Poisson counts x^k e^-x / k! with x = m mu Delta, cut
// at mxn_suc with the tail lumped, and for phase 1 the binomial split of the
// events into moves to phase 2 and departures (or the two-phase advancement).
#pragma once

#include <vector>

#include "analyzer/model/model_data.h"

// The largest absolute entry of all arrival sub-generators when sim_reset is
// -1 (the thinned simulation), otherwise -1.0 (no thinning).
double f_arrival_thin_rate(const std::vector<PhaseType>& iat, int sim_reset);

// Entries 0..mxq of the Poisson count row of rate lambda over Delta: the
// terms below mxn_suc, the tail lumped at mxn_suc, the row scaled to sum 1.
std::vector<double> f_arrival_count_row(double lambda, double Delta, int mxq, int mxn_suc);

// Rows m = 0..M of a group of m units completing at rate mu each: c events
// with probability (m mu Delta)^c e^-(m mu Delta) / c!, the tail lumped at
// mxn_suc, the rest of the mass added to entry min(m, cap), the row scaled to
// sum 1. out is reset to M here.
void f_counting_rule(TriangleRows& out, int M, double mu, double Delta, int mxn_suc, int cap);

// Blocks m = 0..M of a group of m units in phase 1 with event rate mu1, each
// event a move to phase 2 with probability p or a departure otherwise:
// [x][y] = x moves and y departures, from the Poisson event counts as in
// f_counting_rule, split binomially. out is reset to M here.
void f_phase1_rule(SquareBlocks& out, int M, double mu1, double p, double Delta, int mxn_suc, int cap);

// arr_cnt_2ph (through f_arrival_dist) and arr_cnt of every arrival period,
// in period order, counts 0..mxq. Returns the first period whose block lost a
// start-phase row to the insufficient-mass check, or -1.
int f_build_arrival_tables(CountTables& counts, const std::vector<PhaseType>& iat, double Delta, int mxq,
                           int mxn_suc, double precision, double thin_rate);

// The three tables of one process (service: ser_cmp, ser_cmp_ph2,
// ser_adv_ph1 with M = mxs; abandonment: abd_cnt, abd_cnt_ph2, abd_adv_ph1
// with M = gv_mxq), every period allocated at group sizes 0..M. A one-phase
// period (SCV exactly 1.0) fills the one-phase table; any other its phase-2
// table and then its phase-1 table (through f_2PH_advancement when
// mxn_suc_2PH > 0). With multi_phase (the model steps the two-phase tables), a
// one-phase period also fills them as the chain mu, mu with p = 0.0.
struct EventTables {
  std::vector<TriangleRows>* one_phase;
  std::vector<TriangleRows>* phase2;
  std::vector<SquareBlocks>* phase1;
};
void f_build_event_tables(EventTables tables, const std::vector<PhaseType>& fits, int M, int cap, double Delta,
                          int mxn_suc, int mxn_suc_2PH, bool multi_phase);

// The largest binomial row that f_build_event_tables reads for these fits:
// the binomial split of phase-1 events reads rows up to min(M, mxn_suc) for
// every period it serves with p below 1.0; -1 when no row is read.
int f_event_tables_binom_rows(const std::vector<PhaseType>& fits, int M, int mxn_suc, int mxn_suc_2PH,
                              bool multi_phase);
