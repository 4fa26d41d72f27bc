// Start-up of a run: constants, banner, run-wide tables, the SUMMARY.CSV
// probe, CONFIG.DAT with its echo, and the configuration checks.
#pragma once

#include <string>

// The ten framed 52-character lines of the banner and three empty lines.
std::string f_banner_text();

// Runs the start-up steps in order; any failure ends the run.
void f_start_up();
