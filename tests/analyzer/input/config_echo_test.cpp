// The configuration echo at the head of SUMMARY.CSV: byte for byte against a
// golden file for the example, the old format, and the number formats.
#include "analyzer/input/config_echo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include <unistd.h>

#include "analyzer/input/config.h"
#include "analyzer/input/config_reader.h"
#include "tests/analyzer/input/config_fixture.h"
#include "tests/support/child_process.h"

namespace {

std::filesystem::path golden_echo() {
  return std::filesystem::path(QA_SOURCE_DIR) / "tests" / "analyzer" / "input" / "data" /
         "basic_config_echo.golden";
}

std::string echo_text() {
  std::ostringstream out;
  f_write_config_echo(out);
  return out.str();
}

std::vector<std::string> echo_lines() {
  std::vector<std::string> lines;
  std::istringstream in(echo_text());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

TEST(ConfigEcho, ExampleConfigurationMatchesGoldenFile) {
  f_parse_config(read_file(example_dir() / "CONFIG.DAT"));
  EXPECT_EQ(echo_text(), read_file(golden_echo()));
}

TEST(ConfigEcho, ReadConfigRewritesSummaryWithTheEcho) {
  const auto dir = make_temp_dir("qa-echo");
  std::filesystem::copy_file(example_dir() / "CONFIG.DAT", dir / "CONFIG.DAT");
  write_file(dir / "SUMMARY.CSV", "an earlier run's report, longer than nothing\n");
  const ChildResult r = run_in_child([&] {
    std::filesystem::current_path(dir);
    f_read_config();
    if (SummaryFileName != "SUMMARY.CSV") _exit(3);
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(read_file(dir / "SUMMARY.CSV"), read_file(golden_echo()));
  std::filesystem::remove_all(dir);
}

TEST(ConfigEcho, OldFormatEndsWithSixFillerLines) {
  for (int new_output : {0, 2}) {
    set_valid_config();
    gv_CFG_new_output = new_output;
    const auto lines = echo_lines();
    ASSERT_EQ(lines.size(), 55u) << new_output;
    const std::vector<std::string> tail(lines.end() - 6, lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"EMPTY LINE", "1", "EMPTY LINE", "2", "EMPTY LINE", "3"}));
    EXPECT_EQ(lines[48], "1");  // field 20, the observation interval
  }
  set_valid_config();
  const auto lines = echo_lines();
  ASSERT_EQ(lines.size(), 69u);
  EXPECT_EQ(lines[64], "1");  // field 28 (line 65) in the new format
}

TEST(ConfigEcho, DeltaLineShowsTheValueReadNeverTheMarker) {
  set_valid_config();
  gv_CFG_Delta_abs = 0.5;
  EXPECT_EQ(echo_lines()[20], "0.5");
  gv_CFG_Delta = 1;
  gv_CFG_Delta_abs = -1.0;
  gv_CFG_Delta_pct = 50.0;
  EXPECT_EQ(echo_lines()[20], "50");
}

TEST(ConfigEcho, QueueLineShowsWorkingBoundZeroAndConfiguredBound) {
  set_valid_config();
  gv_CFG_mxq = 50;
  gv_CFG_mxq_precision = 0.01;
  EXPECT_EQ(echo_lines()[24], "0;50");
}

TEST(ConfigEcho, NumbersUseDefaultStreamFormatting) {
  set_valid_config();
  gv_CFG_precision = 1e-10;
  gv_CFG_precision_stat = 1000000.0;
  gv_CFG_mxt = 123456.0;
  gv_CFG_iat_kappa = 0.5;
  gv_CFG_mxq_precision = -1.0;
  gv_CFG_sim_seed = -1;
  const auto lines = echo_lines();
  EXPECT_EQ(lines[38], "1e-10");
  EXPECT_EQ(lines[40], "1e+06");
  EXPECT_EQ(lines[22], "123456");
  EXPECT_EQ(lines[58], "0.5");
  EXPECT_EQ(lines[26], "-1");
  EXPECT_EQ(lines[34], "-1");
}

