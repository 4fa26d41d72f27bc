// Extreme inputs end in a result or in a refusal with exit status 1, never in
// an abort or in memory the machine cannot give: whole runs of the program in
// a working directory of the test's own.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/child_process.h"

namespace {

// Example configuration with value lines replaced: {line number (from 1), text}.
using LineEdits = std::vector<std::pair<int, std::string>>;

std::filesystem::path working_dir(const LineEdits& edits, const std::vector<std::string>& instances) {
  std::vector<std::string> lines = split_lines(read_file(example_dir() / "CONFIG.DAT"));
  lines[16] = std::to_string(instances.size() + 1);  // last instance number, not handled
  lines[32] = std::to_string(0);                      // no simulation iterations
  for (const auto& [nr, text] : edits) lines[static_cast<std::size_t>(nr - 1)] = text;
  const auto dir = make_temp_dir("qa-robust");
  write_file(dir / "CONFIG.DAT", join_lines(lines));
  std::filesystem::copy_file(example_dir() / "BINOMDIST.DAT", dir / "BINOMDIST.DAT");
  for (std::size_t i = 0; i < instances.size(); ++i) {
    write_file(dir / ("instance_" + std::to_string(i + 1) + ".DAT"), instances[i]);
  }
  return dir;
}

constexpr int kDeltaLine = 21, kMxtLine = 23, kMxnSucLine = 67, kMxnSuc2PHLine = 69;
const std::string kFourUnits = "1 4 0.5 1 1 4 1 1 1 4 2 1 1 4 3";

struct RefusalCase {
  const char* name;
  LineEdits edits;
  std::string instance;
  std::string message;  // found in the output after a line end
};

}  // namespace

TEST(Robustness, ExtremeSizesAreRefusedNamingInstanceCycleAndDelta) {
  const std::vector<RefusalCase> cases = {
      {"periods of 1e9", {}, "1 1e9 0.5 1 1 1e9 1 1 1 1e9 2 1 1 1e9 3",
       "Instance 1: the cycle is 10000000000 intervals (cycle length 1000000000, Delta 0.1), more than "
       "2147483647; increase Delta (gv_CFG_Delta_abs) or shorten the cycle.\nPress any key to quit..."},
      {"periods of 1e308", {}, "1 1e308 0.5 1 1 1e308 1 1 1 1e308 2 1 1 1e308 3",
       "Instance 1: the cycle is inf intervals (cycle length 1e+308, Delta 0.1)"},
      {"Delta of 1e-9", {{kDeltaLine, "1e-9"}}, kFourUnits,
       "Instance 1: the cycle is 4000000000 intervals (cycle length 4, Delta 1e-09), more than 2147483647"},
      {"longest wait of 1e308", {{kMxtLine, "1e308"}}, kFourUnits,
       "Instance 1: the longest wait of interest (gv_CFG_mxt) is inf intervals (cycle length 4, Delta 0.1), "
       "more than 2147483647; decrease gv_CFG_mxt or increase Delta.\nPress any key to quit..."},
      {"totals that really differ", {}, "1 4 0.5 1 1 4.000001 1 1 1 4 2 1 1 4 3",
       "Error in arrival/service/abandonment/number of servers interval durations. Press any key to quit.\n"
       "Instance 1: arrival 4, service 4.0000010000000001, abandonment 4, servers 4."},
  };
  for (const RefusalCase& c : cases) {
    const auto dir = working_dir(c.edits, {c.instance});
    const ChildResult r = run_program(dir);
    EXPECT_TRUE(r.exited && r.status == 1) << c.name;
    EXPECT_NE(r.out.find("\n" + c.message), std::string::npos) << c.name << ": " << r.out;
    std::filesystem::remove_all(dir);
  }
}

TEST(Robustness, UnboundedSuccessCapsRunWithinTwoGigabytes) {
  // A one-server instance whose caps (2e9 events per interval, 2e9 series
  // terms) admit every count: the run must succeed under a 2 GB address
  // space. AddressSanitizer reserves far more address space than that, so
  // there the limit is left out.
  const auto dir = working_dir({{kMxnSucLine, "2000000000"}, {kMxnSuc2PHLine, "2000000000"}},
                               {"1 4 0.5 2 1 4 1 0.5 1 4 2 2 1 4 1"});
  const ChildResult r = run_in_child([&] {
#ifndef __SANITIZE_ADDRESS__
    const rlim_t two_gb = rlim_t{2} << 30;
    const rlimit limit{two_gb, two_gb};
    setrlimit(RLIMIT_AS, &limit);
#endif
    if (chdir(dir.c_str()) != 0) _exit(98);
    execl(QA_BINARY, QA_BINARY, static_cast<char*>(nullptr));
    _exit(97);
  });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(read_file(dir / "SUMMARY.CSV").find("[FILE 1]"), std::string::npos);
  std::filesystem::remove_all(dir);
}

TEST(Robustness, TenTenthsOfArrivalPeriodsMatchOneWholePeriod) {
  // 0.1 added ten times is not 1.0 as a double; the instance must run exactly
  // as the same instance with one arrival period of 1.0: same calendar, same
  // count tables, same results. Only the CPU time may differ.
  std::string tenths = "10";
  for (int i = 0; i < 10; ++i) tenths += " 0.1 0.5 2";
  const std::string rest = " 1 1 1 0.5 1 1 2 1.5 1 1 2";
  const auto dir = working_dir({}, {tenths + rest, "1 1 0.5 2" + rest});
  const ChildResult r = run_program(dir);
  ASSERT_EQ(r.status, 0) << r.out;
  std::vector<std::string> blocks;
  std::string summary = read_file(dir / "SUMMARY.CSV");
  for (auto at = summary.find("[FILE "); at != std::string::npos; at = summary.find("[FILE ", at + 1)) {
    std::string block = summary.substr(at + 8, summary.find("[FILE ", at + 1) - at - 8);
    const auto cpu = block.find("REQUIRED CPU TIME:;");
    block.erase(cpu, block.find('\n', cpu) - cpu);
    while (block.back() == '\n') block.pop_back();  // the blank line between blocks
    blocks.push_back(block);
  }
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_NE(blocks[0].find("NUMBER OF INTERVALS IN CYCLE:;10\n"), std::string::npos);
  EXPECT_EQ(blocks[0], blocks[1]);
  std::filesystem::remove_all(dir);
}
