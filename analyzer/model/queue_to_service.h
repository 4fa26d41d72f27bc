// Waiting units take the free servers: with s servers, a state with j + l
// busy and q + r waiting lets min(s - j - l, q + r) units from the head of
// the queue start service in service phase 1; which patience phases they
// leave is split by the queue-head table of the abandonment period.
#pragma once

#include "analyzer/model/model_data.h"
#include "analyzer/model/state_pass.h"

// Fills splits.q2s_rows from splits.q2s_split for d = 1..min(mxs, 2 mxq - 1);
// with more free servers every queue starts service whole.
void f_build_queue_split_rows(SplitTables& splits, int mxs);

// The queue-head split of abandonment period per_abd, or nullptr in the
// one-phase layout, whose single queue needs none.
const QueueSplitRows* f_queue_split(const ModelInstance& inst, int per_abd);

// One pass of the rule with s servers and the split rows of the current
// abandonment period.
void f_queue_to_service_pass(StateDist& st, const StateRange& rg, int s, const QueueSplitRows* rows);
