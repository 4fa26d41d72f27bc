// Reader of the instance files: four blocks of periods (arrivals, service,
// abandonment, servers) that must span the same total duration, the cycle.
#pragma once

#include <istream>
#include <string>

// Sums of the durations of each block, added in file order from 0.0.
struct BlockTotals {
  double iat = 0.0;
  double ser = 0.0;
  double abd = 0.0;
  double srv = 0.0;
};

// InstFileName, the instance number in decimal, ".", InstFileExt. A number
// whose decimal text needs more than 9 characters ends the run.
std::string f_instance_file_name(int inst_nr);

// Reads the instance file of inst_nr into the instance data and checks that
// the four blocks span the same duration. Every failure ends the run with a
// message naming the instance.
void f_read_instance(int inst_nr);

// Reads the four blocks from in into the instance data, giving every period
// the configured kappa of its process, and returns the block totals. Every
// value is checked as it is read: the first that is missing, not a number or
// outside what the model supports ends the run with a message naming the file,
// the instance, the block and the record.
BlockTotals f_parse_instance(std::istream& in, int inst_nr, const std::string& file_name);

// True when a block total or a period edge agrees with the cycle length within
// a relative 1e-12: sums of durations such as ten times 0.1 against 1.0
// differ only by rounding.
bool f_same_cycle_length(double total, double cycle);

// Ends the run unless the arrival, service and abandonment totals agree with
// the server total, the cycle length, in the sense of f_same_cycle_length. The
// refusal gives the instance number and the four totals to 17 digits.
void f_check_durations(const BlockTotals& totals, int inst_nr);

// Releases the fourteen arrays of the instance data.
void f_release_instance();
