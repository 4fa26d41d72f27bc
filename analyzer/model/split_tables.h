// How a group taken out of a pair of phase counts splits over the two phases:
// the hypergeometric split of busy units removed when servers fall, and the
// split of units taken from the head of the queue, built one unit at a time
// from the weight that the next unit taken is in patience phase 1.
#pragma once

#include <vector>

#include "analyzer/model/model_data.h"

// srv_drop_split for mxs servers: [j][l][e][i1] = binom(j, i1) binom(l, i2) /
// binom(j + l, e) with i2 = e - i1, each (j, l, e) row scaled to sum 1.
void f_build_drop_split(DropSplit& out, int mxs);

// Weights w1[x*(mxq+1)+y] that the next unit taken from x units in patience
// phase 1 and y in phase 2 is in phase 1 (w2 = 1 - w1), for phase rates a and b
// and patience SCV scv: (x / (x + y))^2 at SCV exactly 0.5, otherwise
// x / (x + y) times the probability that the last of x rate-a and y rate-b
// clocks is a rate-a clock (from the maximum-wait kernel for counts up to 25,
// from the last-clock recursion above).
void f_queue_head_weights(std::vector<double>& w1, std::vector<double>& w2, int mxq, double scv, double a,
                          double b);

// q2s_split of one abandonment period from its weights: [q][r][d][i1] is the
// probability that i1 of the d units taken from q in phase 1 and r in phase 2
// are in phase 1, each (q, r, d) row scaled to sum 1.
void f_build_queue_split(QueueSplit& out, int mxq, const std::vector<double>& w1, const std::vector<double>& w2);

// srv_drop_split, the weight arrays (holding the last period's weights) and,
// outside the one-phase layout, q2s_split of every abandonment period; a
// one-phase patience period uses b := a. abd_scv: the periods' SCVs.
void f_build_split_tables(SplitTables& out, const ProcessFits& fits, const std::vector<double>& abd_scv, int mxs,
                          int mxq);
