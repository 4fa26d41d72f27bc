// The simulation's reports from the built program: golden SIM_CHECK.CSV and
// comparison blocks of a small instance with a fixed seed (CPU times masked;
// the two identical instances give identical rows), byte-identical reports on
// a second run, and the exit when SIM_CHECK.CSV cannot be written.
#include "tests/support/child_process.h"

namespace {

namespace fs = std::filesystem;

// Arrivals in two periods (exponential, then SCV 0.5), Coxian service (SCV 2),
// patience of SCV 0.5, two then three servers, over a cycle of 4.
const char* const kInstance =
    "2\n2 0.5 1\n2 0.4 0.5\n1\n4 1 2\n1\n4 2 0.5\n2\n2 2\n2 3\n";

// Instances 1 and 2 (the same queue), Delta 0.5, 5 iterations, seed 1,
// lognormal arrivals and patience; CONFIG.DAT fields (from 1) as `fields`.
fs::path sim_dir(const std::map<int, std::string>& fields) {
  std::map<int, std::string> values = {{1, "sim_"}, {3, "1"},  {4, "3"},  {6, "0.5"}, {12, "5"},
                                       {13, "1"},   {14, "0"}, {22, "1"}, {23, "0"},  {24, "1"}};
  for (const auto& [k, v] : fields) values[k] = v;
  return working_dir(values, {{"sim_1.DAT", kInstance}, {"sim_2.DAT", kInstance}});
}

// The comparison block of instance 1: from its empty line to the next block.
std::string first_comparison_block(const std::string& summary) {
  const auto at = summary.find("\n[FILE 1]\nSIMULATION & ANALYTICAL MODEL RESULTS DURING LAST CYCLE:");
  const auto end = summary.find("\n[FILE 2]", at + 1);
  return at == std::string::npos ? "" : summary.substr(at, end - at);
}

std::string golden(const std::string& name) {
  return read_file(fs::path(QA_SOURCE_DIR) / "tests/analyzer/report/golden" / name);
}

}  // namespace

// new_output 0 with a single iteration (variance cells "NA") and clocks redrawn
// at period changes, new_output 1 with five iterations and clocks kept.
TEST(SimReports, ComparisonBlockAndSimCheckMatchTheGoldenFiles) {
  struct Case {
    const char* new_output;
    const char* iterations;
    const char* reset;
    const char* block;
    const char* sim_check;
  } cases[] = {{"0", "1", "1", "comparison_new0.csv", "sim_check_nri1.csv"},
               {"1", "5", "0", "comparison_new1.csv", "sim_check_nri5.csv"}};
  for (const Case& c : cases) {
    const fs::path dir = sim_dir({{28, c.new_output}, {12, c.iterations}, {14, c.reset}});
    const ChildResult r = run_program(dir);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(mask_cpu(first_comparison_block(read_file(dir / "SUMMARY.CSV"))), golden(c.block)) << c.block;
    const std::string sim_check = read_file(dir / "SIM_CHECK.CSV");
    EXPECT_EQ(sim_check, golden(c.sim_check)) << c.sim_check;
    fs::remove_all(dir);
  }
}

TEST(SimReports, FixedSeedGivesByteIdenticalReports) {
  // Thinning, beta arrivals, gamma patience: the gamma engine runs on from
  // instance to instance but starts afresh in every run.
  const std::map<int, std::string> fields = {{14, "-1"}, {22, "2"}, {24, "3"}};
  std::string summary[2], sim_check[2];
  for (int run = 0; run < 2; ++run) {
    const fs::path dir = sim_dir(fields);
    ASSERT_EQ(run_program(dir).status, 0);
    summary[run] = mask_cpu(read_file(dir / "SUMMARY.CSV"));
    sim_check[run] = read_file(dir / "SIM_CHECK.CSV");
    fs::remove_all(dir);
  }
  EXPECT_EQ(summary[0], summary[1]);
  EXPECT_EQ(sim_check[0], sim_check[1]);
}

// Mended: an unwritable SIM_CHECK.CSV ends the run through the prompted exit.
TEST(SimReports, UnwritableSimCheckEndsTheRunAskingToCloseIt) {
  const fs::path dir = sim_dir({});
  fs::create_directory(dir / "SIM_CHECK.CSV");
  const ChildResult r = run_program(dir);
  EXPECT_EQ(r.status, 1);
  const std::string tail = prompted("Please close SIM_CHECK.CSV.");
  ASSERT_GE(r.out.size(), tail.size());
  EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
  // The model block of the instance was written before the run ended.
  EXPECT_NE(read_file(dir / "SUMMARY.CSV").find("ANALYTICAL MODEL RESULTS DURING LAST CYCLE:"), std::string::npos);
  fs::remove_all(dir);
}
