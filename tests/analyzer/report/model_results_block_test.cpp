// Model results block: byte-exact SUMMARY.CSV blocks of a small hand-built
// instance (CPU time masked), the derived summary values, and the fatal exit
// when the block cannot be written.
#include "analyzer/report/model_results_block.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "analyzer/input/config.h"
#include "analyzer/input/instance_data.h"
#include "tests/analyzer/model/cout_capture.h"
#include "tests/support/child_process.h"

namespace {

constexpr double kTight = 1e-15;
const std::string kEarlier = "EARLIER CONTENT;KEPT\n";

// Four intervals of 0.25, observation intervals 0 and 2, K = 2, and result
// arrays whose values exercise the six-significant-digit format. The rows of
// the last cycle are in q_avg[0]; q_avg[1] holds a stale cycle of 9s.
struct SmallCase {
  ModelInstance inst;
  CycleState cycle;

  SmallCase() {
    IntervalGrid& g = inst.grid;
    g.Delta = 0.25;
    g.n_int = 4.0;
    g.mxw = 2.0;
    g.n = 4;
    g.K = 2;
    g.n_obs_max = 2;
    g.obs_int_flag = {1, 0, 1, 0};

    ModelResults& r = inst.results;
    r.q_avg[0] = {0.5, 1.25, 2.0, 0.25};
    r.q_avg[1] = {9.0, 9.0, 9.0, 9.0};
    r.q_var = {0.123456789, 2.0, 1234567.0, 1e-7};
    r.abd_avg = {0.1, 0.2, 0.3, 0.4};
    r.sys_avg = {3.5, 4.0, 4.5, 5.0};
    r.sys_avg_pre_arr = {2.5, 3.0, 3.5, 4.0};
    // Row 0 falls short of 1 by 0.25; row 1 already exceeds 1; row 2 was
    // never filled by a look-ahead (n_obs = 2).
    r.wait_prob = {0.5, 0.25, 0.0, 0.75, 0.5, 0.0, 0.1, 0.1, 0.1};

    cycle.cycle_count = 3;
    cycle.q_par_cur = 0;
    cycle.q_par_prev = 1;
    cycle.n_obs = 2;
    cycle.reflections = 0.0123456789;
    cycle.cyc_clock0 = std::clock();
  }
};

void set_globals(int new_output, int write_obs, const std::string& summary) {
  gv_CFG_new_output = new_output;
  gv_CFG_write_obs = write_obs;
  gv_CFG_mxn_suc = 30;
  gv_mxq = 7;
  // 0.5 / 0.25 + 0.5 / 0.5 = 3 expected arrivals per cycle.
  gv_iat_nr = 2;
  gv_iat_dur = {0.5, 0.5};
  gv_iat_mean = {0.25, 0.5};
  SummaryFileName = summary;
}

// Replaces the value of the CPU-time row by "<cpu>", after checking that it
// is a plausible number of seconds.
std::string mask_cpu(const std::string& text) {
  const std::string label = "REQUIRED CPU TIME:;";
  std::size_t at = text.find(label);
  if (at == std::string::npos) return text;
  std::size_t from = at + label.size();
  std::size_t to = text.find('\n', from);
  double seconds = std::stod(text.substr(from, to - from));
  EXPECT_GE(seconds, 0.0);
  EXPECT_LT(seconds, 60.0);
  return text.substr(0, from) + "<cpu>" + text.substr(to);
}

std::string golden(const std::string& name) {
  return read_file(std::filesystem::path(QA_SOURCE_DIR) / "tests/analyzer/report/golden" / name);
}

// Appends the block of c to a SUMMARY.CSV that already holds earlier content,
// checks the console text, and returns the file and the summary values.
struct BlockRun {
  std::string text;
  ModelSummary summary;
};

BlockRun run_block(SmallCase& c, int new_output, int write_obs) {
  std::filesystem::path dir = make_temp_dir("model-block");
  std::filesystem::path file = dir / "SUMMARY.CSV";
  write_file(file, kEarlier);
  set_globals(new_output, write_obs, file.string());
  BlockRun run;
  {
    CoutCapture capture;
    run.summary = f_model_results_block(c.inst, c.cycle, 7);
    EXPECT_EQ(capture.text(), "\nMODEL COMPLETE");
  }
  run.text = read_file(file);
  std::filesystem::remove_all(dir);
  return run;
}

std::string block_text(int new_output, int write_obs) {
  SmallCase c;
  return mask_cpu(run_block(c, new_output, write_obs).text);
}

bool ends_with(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The run ends through the prompted fatal exit, asking to release the file.
void expect_close_summary_exit(const ChildResult& r) {
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "\nMODEL COMPLETE\nPlease close SUMMARY.CSV.\nPress any key to quit...");
}

}  // namespace

TEST(ModelResultsBlock, NewOutputAllIntervalsMatchesGolden) {
  EXPECT_EQ(block_text(1, 0), golden("block_new1_obs0.csv"));
}

TEST(ModelResultsBlock, NewOutputObservationColumnsMatchesGolden) {
  EXPECT_EQ(block_text(1, 1), golden("block_new1_obs1.csv"));
}

TEST(ModelResultsBlock, OldOutputAllIntervalsMatchesGolden) {
  EXPECT_EQ(block_text(0, 0), golden("block_new0_obs0.csv"));
}

TEST(ModelResultsBlock, OldOutputObservationColumnsMatchesGolden) {
  EXPECT_EQ(block_text(0, 1), golden("block_new0_obs1.csv"));
}

TEST(ModelResultsBlock, SummaryValuesComeFromTheMeasuredCycleRow) {
  SmallCase c;
  // The last cycle filled row 1 this time; row 0 is the cycle before.
  c.cycle.q_par_cur = 1;
  c.cycle.q_par_prev = 0;
  c.inst.results.q_avg[1] = {1.0, 2.0, 3.0, 6.0};
  BlockRun run = run_block(c, 1, 0);
  const ModelSummary& m = run.summary;
  EXPECT_NEAR(m.mdl_avg_q_int, 3.0, kTight);
  EXPECT_NEAR(m.mdl_avg_sys_int, 4.25, kTight);
  EXPECT_NEAR(m.mdl_avg_sys_pre_arr, 3.25, kTight);
  EXPECT_NEAR(m.mdl_abandonments, 1.0, kTight);
  EXPECT_NEAR(m.mdl_arrivals, 3.0, kTight);
  EXPECT_NEAR(m.mdl_frac_reflected, 0.0123456789 / 3.0, kTight);
  EXPECT_NEAR(m.mdl_frac_abandoned, 1.0 / 3.0, kTight);
  EXPECT_GE(m.mdl_cpu, 0.0);
  EXPECT_NE(run.text.find("\nAVERAGE;1;2;3;6\n"), std::string::npos);
}

TEST(ModelResultsBlock, ResidualCompletesOnlyTheFilledRowsThatFallShort) {
  SmallCase c;
  run_block(c, 1, 0);
  const std::vector<double>& w = c.inst.results.wait_prob;
  EXPECT_EQ(w[2], 0.25);  // 1 - (0.5 + 0.25)
  EXPECT_EQ(w[5], 0.0);   // row sum 1.25 already reaches 1
  EXPECT_EQ(w[8], 0.1);   // row 2 lies beyond n_obs
}

TEST(ModelResultsBlock, SingleWaitColumnEndsAtOne) {
  SmallCase c;
  c.inst.grid.mxw = 0.0;
  c.inst.grid.K = 0;
  c.inst.results.wait_prob = {0.4, 1.0, 0.0};
  EXPECT_TRUE(ends_with(run_block(c, 1, 0).text,
                        "PROBABILITY OF WAITING A GIVEN NUMBER OF INTERVALS WHEN ARRIVING DURING A GIVEN "
                        "OBSERVATION INTERVAL\nINTERVAL;0\nOBSERVATION INTERVAL 0;1\nOBSERVATION INTERVAL 1;1\n"));
}

TEST(ModelResultsBlock, OldOutputWithOneObservationHasNoWaitingRows) {
  SmallCase c;
  c.cycle.n_obs = 1;
  EXPECT_TRUE(ends_with(run_block(c, 0, 0).text,
                        "\nPROBABILITY OF WAITING A GIVEN NUMBER OF INTERVALS WHEN ARRIVING DURING A GIVEN "
                        "OBSERVATION INTERVAL\nINTERVAL;0;1;2\n"));
}

TEST(ModelResultsBlock, SummaryThatCannotBeOpenedEndsTheRun) {
  std::filesystem::path dir = make_temp_dir("model-block");
  std::filesystem::create_directory(dir / "SUMMARY.CSV");
  expect_close_summary_exit(run_in_child([&] {
    if (chdir(dir.c_str()) != 0) return;
    set_globals(1, 0, "SUMMARY.CSV");
    SmallCase c;
    f_model_results_block(c.inst, c.cycle, 7);
  }));
  std::filesystem::remove_all(dir);
}

TEST(ModelResultsBlock, SummaryWriteFailureEndsTheRun) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
  expect_close_summary_exit(run_in_child([] {
    set_globals(1, 0, "/dev/full");
    SmallCase c;
    f_model_results_block(c.inst, c.cycle, 7);
  }));
}
