// The 29 checks of the run configuration, run once after CONFIG.DAT has been
// read and before the first instance. The first failing check ends the run.
#pragma once

#include <string>

// The message of the first of the 29 checks that the current run configuration
// fails, given the order of the binomial table; empty when every check passes.
std::string f_first_config_error(int binom_order);

// Runs the checks against binom_n; the first failure ends the run through the
// prompted fatal exit with its message.
void f_check_config();
