// Rows of the per-interval tables of the SUMMARY.CSV blocks: the intervals
// written as columns, the "INTERVAL" index row and a labelled value row.
#pragma once

#include <ostream>
#include <vector>

#include "analyzer/model/model_data.h"

// Sum of v[0..n-1], added in index order from 0.0.
double f_sum_in_order(const std::vector<double>& v, int n);

// Every interval, or only the observation intervals when gv_CFG_write_obs is set.
std::vector<int> f_written_columns(const IntervalGrid& grid);

// "INTERVAL" and ";" t for every written column t.
void f_write_index_row(std::ostream& out, const std::vector<int>& cols);

// label and ";" v[t] for every written column t.
void f_write_value_row(std::ostream& out, const char* label, const std::vector<double>& v,
                       const std::vector<int>& cols);

// An empty line, the title of the waiting table and its "INTERVAL" row with
// the waits 0..K (never filtered).
void f_write_wait_header(std::ostream& out, int K);
