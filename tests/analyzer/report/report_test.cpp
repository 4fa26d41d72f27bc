// The model results block: byte-exact SUMMARY.CSV blocks of a small
// hand-built instance in both formats (golden files, CPU time masked) with the
// waiting rows it completes, and the run's end when the file cannot be
// written. Also the processor-time helper beyond the int range.
#include <ctime>

#include "analyzer/report/cpu_time.h"
#include "analyzer/report/model_results_block.h"
#include "tests/support/instances.h"

namespace {

// Four intervals of 0.25, observation intervals 0 and 2, K = 2, values that
// exercise the six-significant-digit format. The last cycle's rows are in
// q_avg[0]; q_avg[1] holds a stale cycle of 9s. Waiting row 0 falls short of
// 1 by 0.25, row 1 exceeds 1, row 2 was never filled (n_obs = 2).
struct SmallCase {
  ModelInstance inst;
  CycleState cycle;
  SmallCase(int new_output, int write_obs, const std::string& summary) {
    IntervalGrid& g = inst.grid;
    g.Delta = 0.25, g.n_int = 4.0, g.mxw = 2.0, g.n = 4, g.K = 2, g.n_obs_max = 2;
    g.obs_int_flag = {1, 0, 1, 0};
    ModelResults& r = inst.results;
    r.q_avg[0] = {0.5, 1.25, 2.0, 0.25};
    r.q_avg[1] = {9.0, 9.0, 9.0, 9.0};
    r.q_var = {0.123456789, 2.0, 1234567.0, 1e-7};
    r.abd_avg = {0.1, 0.2, 0.3, 0.4};
    r.sys_avg = {3.5, 4.0, 4.5, 5.0};
    r.sys_avg_pre_arr = {2.5, 3.0, 3.5, 4.0};
    r.wait_prob = {0.5, 0.25, 0.0, 0.75, 0.5, 0.0, 0.1, 0.1, 0.1};
    cycle.cycle_count = 3, cycle.q_par_cur = 0, cycle.q_par_prev = 1, cycle.n_obs = 2;
    cycle.reflections = 0.0123456789;
    cycle.cyc_clock0 = std::clock();
    gv_CFG_new_output = new_output, gv_CFG_write_obs = write_obs;
    gv_CFG_mxn_suc = 30, gv_mxq = 7;
    gv_iat_nr = 2, gv_iat_dur = {0.5, 0.5}, gv_iat_mean = {0.25, 0.5};  // 3 arrivals per cycle
    SummaryFileName = summary;
  }
};

// Appends the block to a SUMMARY.CSV that holds earlier content; CPU time masked.
std::string run_block(SmallCase& c) {
  const std::filesystem::path dir = make_temp_dir("model-block");
  write_file(dir / "SUMMARY.CSV", "EARLIER CONTENT;KEPT\n");
  SummaryFileName = (dir / "SUMMARY.CSV").string();
  CoutCapture capture;
  f_model_results_block(c.inst, c.cycle, 7);
  EXPECT_EQ(capture.text(), "\nMODEL COMPLETE");
  const std::string text = mask_cpu(read_file(dir / "SUMMARY.CSV"));
  std::filesystem::remove_all(dir);
  return text;
}

}  // namespace

TEST(ModelResultsBlock, BothFormatsWithAndWithoutObservationColumnsMatchGolden) {
  for (int new_output : {0, 1})
    for (int write_obs : {0, 1}) {
      SmallCase c(new_output, write_obs, "");
      const std::string name = "block_new" + std::to_string(new_output) + "_obs" + std::to_string(write_obs) + ".csv";
      EXPECT_EQ(run_block(c), read_file(std::filesystem::path(QA_SOURCE_DIR) / "tests/analyzer/report/golden" / name)) << name;
      // The residual completes only the filled rows that fall short.
      EXPECT_EQ(c.inst.results.wait_prob, (std::vector<double>{0.5, 0.25, 0.25, 0.75, 0.5, 0.0, 0.1, 0.1, 0.1}));
    }
}

TEST(ModelResultsBlock, SummaryThatCannotBeOpenedOrWrittenEndsTheRun) {
  const std::filesystem::path dir = make_temp_dir("model-block");
  std::filesystem::create_directory(dir / "SUMMARY.CSV");
  for (const std::string& file : {(dir / "SUMMARY.CSV").string(), std::string("/dev/full")}) {
    ChildResult r = run_in_child([&] {
      SmallCase c(1, 0, file);
      f_model_results_block(c.inst, c.cycle, 7);
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "\nMODEL COMPLETE" + prompted("Please close SUMMARY.CSV.")) << file;
  }
  std::filesystem::remove_all(dir);
}

// 10^6 seconds is 10^12 ticks at the usual 10^6 ticks per second.
TEST(CpuTime, SpanBeyondTheIntRangeIsReportedInSeconds) {
  const double seconds = f_cpu_seconds_since(std::clock() - static_cast<std::clock_t>(1000000) * CLOCKS_PER_SEC);
  EXPECT_GE(seconds, 1.0e6);
  EXPECT_LT(seconds, 1.0e6 + 1.0);
}
