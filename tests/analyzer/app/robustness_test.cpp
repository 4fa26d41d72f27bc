// Extreme inputs end in a result or in a refusal with exit status 1, never in
// an abort or in memory the machine cannot give: whole runs of the program in
// a working directory of the test's own.
#include "tests/support/child_process.h"

namespace {

// The instances given, with no simulation iterations.
std::filesystem::path instances_dir(std::map<int, std::string> fields, const std::vector<std::string>& instances) {
  fields.emplace(4, std::to_string(instances.size() + 1));  // last instance number, not handled
  fields.emplace(12, "0");
  std::map<std::string, std::string> files;
  for (std::size_t i = 0; i < instances.size(); ++i) files["instance_" + std::to_string(i + 1) + ".DAT"] = instances[i];
  return working_dir(fields, files);
}

constexpr int kDelta = 6, kMxt = 7, kMxnSuc = 29, kMxnSuc2PH = 30;
const std::string kFourUnits = "1 4 0.5 1 1 4 1 1 1 4 2 1 1 4 3";

}  // namespace

// Mended: interval counts beyond the int range, and totals that really differ
// after the rounding tolerance, are refused naming instance, cycle and Delta.
TEST(Robustness, ExtremeSizesAreRefusedNamingInstanceCycleAndDelta) {
  struct Case {
    const char* name;
    std::map<int, std::string> fields;
    std::string instance;
    std::string message;  // found in the output after a line end
  };
  const std::vector<Case> cases = {
      {"periods of 1e9", {}, "1 1e9 0.5 1 1 1e9 1 1 1 1e9 2 1 1 1e9 3",
       "Instance 1: the cycle is 10000000000 intervals (cycle length 1000000000, Delta 0.1), more than "
       "2147483647; increase Delta (gv_CFG_Delta_abs) or shorten the cycle.\nPress any key to quit..."},
      {"periods of 1e308", {}, "1 1e308 0.5 1 1 1e308 1 1 1 1e308 2 1 1 1e308 3",
       "Instance 1: the cycle is inf intervals (cycle length 1e+308, Delta 0.1)"},
      {"Delta of 1e-9", {{kDelta, "1e-9"}}, kFourUnits,
       "Instance 1: the cycle is 4000000000 intervals (cycle length 4, Delta 1e-09), more than 2147483647"},
      {"longest wait of 1e308", {{kMxt, "1e308"}}, kFourUnits,
       "Instance 1: the longest wait of interest (gv_CFG_mxt) is inf intervals (cycle length 4, Delta 0.1), "
       "more than 2147483647; decrease gv_CFG_mxt or increase Delta.\nPress any key to quit..."},
      {"totals that really differ", {}, "1 4 0.5 1 1 4.000001 1 1 1 4 2 1 1 4 3",
       "Error in arrival/service/abandonment/number of servers interval durations. Press any key to quit.\n"
       "Instance 1: arrival 4, service 4.0000010000000001, abandonment 4, servers 4."},
  };
  for (const Case& c : cases) {
    const auto dir = instances_dir(c.fields, {c.instance});
    const ChildResult r = run_program(dir);
    EXPECT_TRUE(r.exited && r.status == 1) << c.name;
    EXPECT_NE(r.out.find("\n" + c.message), std::string::npos) << c.name << ": " << r.out;
    std::filesystem::remove_all(dir);
  }
}

// Mended: caps of 2e9 events per interval and series terms admit every count
// of a one-server instance; the run must succeed within 2 GB.
TEST(Robustness, UnboundedSuccessCapsRunWithinTwoGigabytes) {
  const auto dir = instances_dir({{kMxnSuc, "2000000000"}, {kMxnSuc2PH, "2000000000"}}, {"1 4 0.5 2 1 4 1 0.5 1 4 2 2 1 4 1"});
  const ChildResult r = run_program(dir, 2ul << 30);
  EXPECT_TRUE(r.exited && r.status == 0) << r.out;
  EXPECT_NE(read_file(dir / "SUMMARY.CSV").find("[FILE 1]"), std::string::npos);
  std::filesystem::remove_all(dir);
}

// Mended: 0.1 added ten times is not 1.0 as a double; the instance must run
// exactly as the same instance with one arrival period of 1.0.
TEST(Robustness, TenTenthsOfArrivalPeriodsMatchOneWholePeriod) {
  std::string tenths = "10";
  for (int i = 0; i < 10; ++i) tenths += " 0.1 0.5 2";
  const std::string rest = " 1 1 1 0.5 1 1 2 1.5 1 1 2";
  const auto dir = instances_dir({}, {tenths + rest, "1 1 0.5 2" + rest});
  ASSERT_EQ(run_program(dir).status, 0);
  const std::string summary = mask_cpu(read_file(dir / "SUMMARY.CSV"));
  const auto one = summary.find("[FILE 1]"), two = summary.find("[FILE 2]");
  ASSERT_NE(two, std::string::npos);
  auto block = [&](std::size_t from, std::size_t to) {
    std::string b = summary.substr(from + 8, to - from - 8);
    while (b.back() == '\n') b.pop_back();  // the blank line between blocks
    return b;
  };
  EXPECT_NE(block(one, two).find("NUMBER OF INTERVALS IN CYCLE:;10\n"), std::string::npos);
  EXPECT_EQ(block(one, two), block(two, summary.size()));
  std::filesystem::remove_all(dir);
}
