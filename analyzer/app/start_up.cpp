// Start-up of a run, in its fixed order: e and pi, the banner, the factorial
// and binomial tables, the SUMMARY.CSV probe, CONFIG.DAT and its echo, then
// the configuration checks.
#include "analyzer/app/start_up.h"

#include <iostream>
#include <new>

#include "analyzer/input/config_check.h"
#include "analyzer/input/config_reader.h"
#include "analyzer/input/run_tables.h"
#include "kernel/fatal_exit.h"

namespace {

constexpr std::size_t kBannerWidth = 52;
constexpr std::size_t kBannerText = 46;

std::string frame_line() { return std::string(kBannerWidth, '|') + "\n"; }

std::string empty_line() { return "||" + std::string(kBannerWidth - 4, ' ') + "||\n"; }

// "|| ", text padded with blanks to 46 characters, " ||".
std::string text_line(const std::string& text) {
  return "|| " + text + std::string(kBannerText - text.size(), ' ') + " ||\n";
}

}  // namespace

std::string f_banner_text() {
  return frame_line() + empty_line() +
         text_line("ANALYZER OF A CYCLIC G(t)/G(t)/s(t)+G(t) QUEUE") + empty_line() +
         text_line("Seed 90912374 maintainers") + empty_line() + text_line("METHOD:") +
         text_line("DISCRETE-TIME PHASE-TYPE ANALYSIS OF THE QUEUE") + empty_line() +
         frame_line() + "\n\n\n";
}

void f_start_up() {
  try {
    f_set_constants();
    std::cout << f_banner_text();
    f_build_factorials();
    f_read_binom();
    f_probe_summary();
    f_read_config();
    f_check_config();
  } catch (const std::bad_alloc&) {
    f_fatal_exit("Memory ran out during start-up.");
  }
}
