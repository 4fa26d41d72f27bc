// The model's results do not depend on the number of threads: SUMMARY.CSV
// of a run on one thread equals that of a run on four, to the last digit,
// but for the processor time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "tests/support/child_process.h"

namespace fs = std::filesystem;

namespace {

// Runs the program in dir with the given OMP_NUM_THREADS; returns
// SUMMARY.CSV without its "REQUIRED CPU TIME:" rows.
std::string summary_with_threads(const fs::path& dir, const char* threads) {
  setenv("OMP_NUM_THREADS", threads, 1);
  const ChildResult r = run_program(dir);
  unsetenv("OMP_NUM_THREADS");
  EXPECT_TRUE(r.exited && r.status == 0) << r.out;
  std::istringstream in(read_file(dir / "SUMMARY.CSV"));
  std::string kept, line;
  while (std::getline(in, line)) {
    if (line.rfind("REQUIRED CPU TIME:", 0) != 0) kept += line + "\n";
  }
  return kept;
}

void expect_same_on_one_and_four_threads(const fs::path& dir) {
  const std::string one = summary_with_threads(dir, "1");
  const std::string four = summary_with_threads(dir, "4");
  EXPECT_NE(one.find("NUMBER OF CYCLES:"), std::string::npos) << "no model results block";
  EXPECT_EQ(one, four);
}

// The example configuration with the value line below each tagged label replaced.
std::string example_config_with(const std::string& tag_value_pairs) {
  std::istringstream cfg(read_file(example_dir() / "CONFIG.DAT")), pairs(tag_value_pairs);
  std::string out, line, tag, value;
  while (std::getline(cfg, line)) {
    out += line + "\n";
    pairs.clear();
    pairs.seekg(0);
    while (pairs >> tag >> value) {
      if (line.find(tag + "].") == std::string::npos) continue;
      std::getline(cfg, line);
      out += value + "\n";
    }
  }
  return out;
}

}  // namespace

TEST(ThreadCountIdentity, ExampleInstancesGiveTheSameSummary) {
  const fs::path dir = make_temp_dir("qa-threads-examples");
  for (const char* name : {"CONFIG.DAT", "BINOMDIST.DAT", "instance_1.DAT", "instance_2.DAT", "instance_3.DAT"}) {
    fs::copy_file(example_dir() / name, dir / name);
  }
  expect_same_on_one_and_four_threads(dir);
  fs::remove_all(dir);
}

// Multi-phase and time-varying: arrival periods of two, two and one phases
// (the phases fold and come back), service and patience periods that change
// their tables, servers that rise and fall, three fixed cycles with
// look-aheads of several steps. With up to 12 servers and a queue bound of 20
// the slices are large enough for the passes to run on all threads.
TEST(ThreadCountIdentity, MultiPhaseTimeVaryingInstanceGivesTheSameSummary) {
  const fs::path dir = make_temp_dir("qa-threads-varying");
  fs::copy_file(example_dir() / "BINOMDIST.DAT", dir / "BINOMDIST.DAT");
  write_file(dir / "CONFIG.DAT",
             example_config_with("gv_CFG_lnr 2 gv_CFG_mxq 20 gv_CFG_nrc 3 gv_CFG_mxt 1.5 gv_CFG_obs_int 0.5"));
  write_file(dir / "instance_1.DAT",
             "3\n1 0.1 2\n1 0.08 0.7\n1 0.12 1\n"
             "3\n1.5 1 2\n0.5 0.8 0.6\n1 1.2 1\n"
             "2\n1 0.5 2\n2 0.7 0.6\n"
             "4\n0.5 6\n1 12\n1 4\n0.5 9\n");
  expect_same_on_one_and_four_threads(dir);
  fs::remove_all(dir);
}
