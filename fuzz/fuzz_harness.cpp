// Fuzz harness: the example configuration and binomial table stand as the
// run-wide state; every input is judged by the same code as a real run, with
// its output dropped and standard input at its end, so a refusal never waits.
#include "fuzz/fuzz_harness.h"

#include <climits>
#include <fstream>
#include <iostream>
#include <iterator>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "analyzer/input/config.h"
#include "analyzer/input/config_check.h"
#include "analyzer/input/config_echo.h"
#include "analyzer/input/config_reader.h"
#include "analyzer/input/instance_data.h"
#include "analyzer/input/instance_file.h"
#include "analyzer/input/run_tables.h"
#include "analyzer/model/cycle_loop.h"
#include "analyzer/model/initialisation.h"
#include "kernel/fatal_exit.h"

namespace {

// Bounds that keep one instance input to milliseconds: intervals per cycle
// and servers. Larger instances are left to the tests of the model.
constexpr double kMaxIntervals = 200.0;
constexpr int kMaxServers = 8;

struct RunWide {
  std::string config_text;
  int order = 0;
  std::vector<double> table;
};

std::string example_file(const char* name) {
  std::ifstream in(std::string(QA_SOURCE_DIR) + "/examples/basic/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const RunWide& run_wide() {
  static const RunWide state = [] {
    std::cout.rdbuf(nullptr);  // bad stream: everything written is dropped
    std::cin.setstate(std::ios::eofbit | std::ios::failbit);
    f_set_constants();
    f_build_factorials();
    RunWide s;
    s.config_text = example_file("CONFIG.DAT");
    std::istringstream binom_text(example_file("BINOMDIST.DAT"));
    f_parse_binom(binom_text);
    s.order = binom_n;
    s.table = binom;
    return s;
  }();
  return state;
}

// The example configuration, one model cycle, a small queue; the input's
// length picks the two-phase table method and the thinned arrival chain, so
// that every table builder is reached.
void instance_config(const RunWide& s, std::size_t size) {
  f_parse_config(s.config_text);
  gv_CFG_nrc = 1;
  gv_CFG_mxq = 8;
  gv_CFG_mxn_suc_2PH = size % 2 == 0 ? -1 : 12;
  gv_CFG_sim_reset = size % 4 >= 2 ? -1 : 0;
  binom_n = s.order;
  binom = s.table;
}

void instance(const RunWide& s, std::string_view input) {
  instance_config(s, input.size());
  std::istringstream in{std::string(input)};
  in.imbue(std::locale::classic());
  const BlockTotals totals = f_parse_instance(in, 1, "inst_1.DAT");
  f_check_durations(totals, 1);
  for (int servers : gv_srv_s)
    if (servers > kMaxServers) return;
  // A cycle of more intervals than an int holds goes on to its refusal.
  const double intervals = totals.srv / gv_CFG_Delta_abs;
  if (intervals > kMaxIntervals && intervals <= static_cast<double>(INT_MAX)) return;
  ModelInstance model;
  f_initialise_instance(model, 1);
  f_run_model_cycles(model, 1);
}

}  // namespace

void f_fuzz_one(FuzzTarget target, std::string_view input) {
  const RunWide& s = run_wide();
  try {
    switch (target) {
      case FuzzTarget::config: {
        f_parse_config(input);
        std::ostringstream echo;
        f_write_config_echo(echo);
        binom_n = s.order;
        f_check_config();
        break;
      }
      case FuzzTarget::binomdist: {
        std::istringstream in{std::string(input)};
        in.imbue(std::locale::classic());
        f_parse_binom(in);
        break;
      }
      case FuzzTarget::instance:
        instance(s, input);
        break;
    }
  } catch (const FatalExit&) {
    // A refusal with its message: the expected end of bad input.
  }
  f_release_instance();
}
