// The configuration echo at the head of SUMMARY.CSV: a framed banner, then
// every configuration value under its label, line for line as in CONFIG.DAT.
#pragma once

#include <ostream>

// Writes the echo of the current run configuration to out, with out's
// formatting as it stands (a fresh stream: six significant digits).
void f_write_config_echo(std::ostream& out);

// Names the summary report (SummaryFileName = "SUMMARY.CSV") and rewrites it
// with the echo. The open is not tested: a file that cannot be opened is left
// as it was and the run goes on.
void f_write_summary_echo();
