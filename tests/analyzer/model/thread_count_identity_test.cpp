// The model's results do not depend on the number of threads: SUMMARY.CSV
// of a run on one thread equals that of a run on four, to the last digit,
// but for the processor time.
#include <cstdlib>

#include "tests/support/child_process.h"

namespace fs = std::filesystem;

namespace {

// Runs the program in dir with the given OMP_NUM_THREADS; returns
// SUMMARY.CSV with its CPU times masked.
std::string summary_with_threads(const fs::path& dir, const char* threads) {
  setenv("OMP_NUM_THREADS", threads, 1);
  const ChildResult r = run_program(dir);
  unsetenv("OMP_NUM_THREADS");
  EXPECT_TRUE(r.exited && r.status == 0) << r.out;
  return mask_cpu(read_file(dir / "SUMMARY.CSV"));
}

void expect_same_on_one_and_four_threads(const fs::path& dir) {
  const std::string one = summary_with_threads(dir, "1");
  const std::string four = summary_with_threads(dir, "4");
  EXPECT_NE(one.find("NUMBER OF CYCLES:"), std::string::npos) << "no model results block";
  EXPECT_EQ(one, four);
  fs::remove_all(dir);
}

}  // namespace

TEST(ThreadCountIdentity, ExampleInstancesGiveTheSameSummary) {
  std::map<std::string, std::string> instances;
  for (const char* name : {"instance_1.DAT", "instance_2.DAT", "instance_3.DAT"}) instances[name] = read_file(example_dir() / name);
  expect_same_on_one_and_four_threads(working_dir({}, instances));
}

// Multi-phase and time-varying: arrival periods of two, two and one phases
// (the phases fold and come back), service and patience periods that change
// their tables, servers that rise and fall, three fixed cycles with
// look-aheads of several steps. With up to 12 servers and a queue bound of 20
// the slices are large enough for the passes to run on all threads.
TEST(ThreadCountIdentity, MultiPhaseTimeVaryingInstanceGivesTheSameSummary) {
  // CONFIG.DAT fields: last instance 2, queue bound 20, longest wait 1.5, three
  // cycles, observation interval 0.5.
  expect_same_on_one_and_four_threads(working_dir({{4, "2"}, {8, "20"}, {7, "1.5"}, {11, "3"}, {20, "0.5"}},
                                                  {{"instance_1.DAT",
                                                    "3\n1 0.1 2\n1 0.08 0.7\n1 0.12 1\n"
                                                    "3\n1.5 1 2\n0.5 0.8 0.6\n1 1.2 1\n"
                                                    "2\n1 0.5 2\n2 0.7 0.6\n"
                                                    "4\n0.5 6\n1 12\n1 4\n0.5 9\n"}}));
}
