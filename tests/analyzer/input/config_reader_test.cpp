// Reading CONFIG.DAT by line position: values, line ends, the 255-character
// line limit, the failed state and the routing of the Delta field.
#include "analyzer/input/config_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "analyzer/input/config.h"
#include "tests/analyzer/input/config_fixture.h"
#include "tests/support/child_process.h"

namespace {

// Every configuration value, the two strings apart, in field order.
struct ConfigSnapshot {
  std::string name, ext;
  std::vector<double> numbers;
  bool operator==(const ConfigSnapshot&) const = default;
};

ConfigSnapshot snapshot() {
  return {InstFileName,
          InstFileExt,
          {double(gv_CFG_fnr), double(gv_CFG_lnr), double(gv_CFG_Delta), gv_CFG_Delta_abs,
           gv_CFG_Delta_pct, gv_CFG_mxt, double(gv_CFG_mxq), gv_CFG_mxq_precision,
           double(gv_CFG_sim_mxq), double(gv_CFG_nrc), double(gv_CFG_nri), double(gv_CFG_sim_seed),
           double(gv_CFG_sim_reset), gv_CFG_precision, gv_CFG_precision_stat,
           double(gv_CFG_order_iat), double(gv_CFG_order_ser), double(gv_CFG_order_abd),
           gv_CFG_obs_int, double(gv_CFG_write_obs), double(gv_CFG_sim_iat_dist),
           double(gv_CFG_sim_ser_dist), double(gv_CFG_sim_abd_dist), gv_CFG_iat_kappa,
           gv_CFG_ser_kappa, gv_CFG_abd_kappa, double(gv_CFG_new_output), double(gv_CFG_mxn_suc),
           double(gv_CFG_mxn_suc_2PH)}};
}

// The snapshot of a configuration that nothing could be read from.
ConfigSnapshot all_initial_with_delta_marker() {
  ConfigSnapshot s{"", "", std::vector<double>(29, 0.0)};
  s.numbers[4] = -1.0;  // gv_CFG_Delta_pct, marked because gv_CFG_Delta stayed 0
  return s;
}

ConfigSnapshot parse(const std::vector<std::string>& lines, const std::string& eol = "\n") {
  f_parse_config(join_lines(lines, eol));
  return snapshot();
}

}  // namespace

TEST(ConfigReader, ReadsEveryFieldOfTheExample) {
  f_parse_config(read_file(example_dir() / "CONFIG.DAT"));
  EXPECT_EQ(InstFileName, "instance_");
  EXPECT_EQ(InstFileExt, "DAT");
  EXPECT_EQ(gv_CFG_fnr, 1);
  EXPECT_EQ(gv_CFG_lnr, 4);
  EXPECT_EQ(gv_CFG_Delta, 0);
  EXPECT_EQ(gv_CFG_Delta_abs, 0.1);
  EXPECT_EQ(gv_CFG_Delta_pct, -1.0);
  EXPECT_EQ(gv_CFG_mxt, 2.0);
  EXPECT_EQ(gv_CFG_mxq, 20);
  EXPECT_EQ(gv_CFG_mxq_precision, -1.0);
  EXPECT_EQ(gv_CFG_sim_mxq, 50);
  EXPECT_EQ(gv_CFG_nrc, 0);
  EXPECT_EQ(gv_CFG_nri, 100);
  EXPECT_EQ(gv_CFG_sim_seed, 1);
  EXPECT_EQ(gv_CFG_sim_reset, 0);
  EXPECT_EQ(gv_CFG_precision, 0.000001);
  EXPECT_EQ(gv_CFG_precision_stat, 0.000001);
  EXPECT_EQ(gv_CFG_order_iat, 1);
  EXPECT_EQ(gv_CFG_order_ser, 2);
  EXPECT_EQ(gv_CFG_order_abd, 3);
  EXPECT_EQ(gv_CFG_obs_int, 1.0);
  EXPECT_EQ(gv_CFG_write_obs, 0);
  EXPECT_EQ(gv_CFG_sim_iat_dist, 0);
  EXPECT_EQ(gv_CFG_sim_ser_dist, 0);
  EXPECT_EQ(gv_CFG_sim_abd_dist, 0);
  EXPECT_EQ(gv_CFG_iat_kappa, 0.5);
  EXPECT_EQ(gv_CFG_ser_kappa, 0.5);
  EXPECT_EQ(gv_CFG_abd_kappa, 0.5);
  EXPECT_EQ(gv_CFG_new_output, 1);
  EXPECT_EQ(gv_CFG_mxn_suc, 10);
  EXPECT_EQ(gv_CFG_mxn_suc_2PH, -1);
}

TEST(ConfigReader, CrLfAndLfLineEndsGiveTheSameValues) {
  auto lines = example_config_lines();
  value_line(lines, 1) = "  dir/inst ";  // blanks belong to the string
  const ConfigSnapshot lf = parse(lines, "\n");
  const ConfigSnapshot crlf = parse(lines, "\r\n");
  EXPECT_EQ(lf, crlf);
  EXPECT_EQ(crlf.name, "  dir/inst ");  // no carriage return ends the strings
  EXPECT_EQ(crlf.ext, "DAT");
  EXPECT_EQ(crlf.numbers.back(), -1.0);  // the last field was reached
}

TEST(ConfigReader, CarriageReturnNotBeforeLineFeedBelongsToTheLine) {
  auto lines = example_config_lines();
  value_line(lines, 2) = "D\rAT";
  parse(lines);
  EXPECT_EQ(InstFileExt, "D\rAT");
  EXPECT_EQ(gv_CFG_mxn_suc_2PH, -1);
}

TEST(ConfigReader, LastLineNeedsNoLineEndAndLaterTextChangesNothing) {
  const auto lines = example_config_lines();
  const ConfigSnapshot full = parse(lines);
  std::string text = join_lines(lines);
  text.pop_back();  // no line end after line 69
  f_parse_config(text);
  EXPECT_EQ(snapshot(), full);
  auto extended = lines;
  value_line(extended, 30) = "-1 and some words";
  extended.push_back("a line 70 that is never read");
  EXPECT_EQ(parse(extended), full);
}

TEST(ConfigReader, HeaderLineOf256CharactersFailsTheWholeReader) {
  auto lines = example_config_lines();
  const ConfigSnapshot plain = parse(lines);
  lines[3] = std::string(255, 'x');
  EXPECT_EQ(parse(lines), plain);
  // With CR LF line ends the carriage return does not count as a character.
  EXPECT_EQ(parse(lines, "\r\n"), plain);
  lines[3] = std::string(256, 'x');
  EXPECT_EQ(parse(lines), all_initial_with_delta_marker());
}

TEST(ConfigReader, OverLongStringLineKeepsItsFirst255Characters) {
  auto lines = example_config_lines();
  value_line(lines, 1) = std::string(255, 'a') + "bcd";
  parse(lines);
  EXPECT_EQ(InstFileName, std::string(255, 'a'));
  EXPECT_EQ(InstFileExt, "");
  EXPECT_EQ(gv_CFG_fnr, 0);
  EXPECT_EQ(gv_CFG_lnr, 0);
}

TEST(ConfigReader, UpTo255CharactersMayFollowANumber) {
  auto lines = example_config_lines();
  value_line(lines, 8) = "25" + std::string(255, ' ');
  parse(lines);
  EXPECT_EQ(gv_CFG_mxq, 25);
  EXPECT_EQ(gv_CFG_mxn_suc_2PH, -1);

  value_line(lines, 8) = "25" + std::string(256, ' ');
  parse(lines);
  EXPECT_EQ(gv_CFG_mxq, 25);         // the number itself was read
  EXPECT_EQ(gv_CFG_mxq_precision, 0.0);  // every later field keeps its 0
  EXPECT_EQ(gv_CFG_mxn_suc_2PH, 0);
}

struct NumberCase {
  int field;
  std::string text;
  double expected;
};

class ConfigNumberSyntax : public testing::TestWithParam<NumberCase> {};

TEST_P(ConfigNumberSyntax, ReadsTheLongestNumberAndDiscardsTheRestOfTheLine) {
  const NumberCase& c = GetParam();
  auto lines = example_config_lines();
  value_line(lines, c.field) = c.text;
  const ConfigSnapshot s = parse(lines);
  // numbers[] starts at field 3; field 6 takes two places.
  const std::size_t index = static_cast<std::size_t>(c.field <= 6 ? c.field - 3 : c.field - 2);
  EXPECT_EQ(s.numbers[index], c.expected) << c.text;
  EXPECT_EQ(gv_CFG_mxn_suc_2PH, -1) << "the reader failed on " << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConfigNumberSyntax,
    testing::Values(NumberCase{8, "25 queue places", 25.0}, NumberCase{8, "2.9", 2.0},
                    NumberCase{8, "+7", 7.0}, NumberCase{8, "   12", 12.0},
                    NumberCase{8, "\t-3", -3.0}, NumberCase{7, "1e-3", 0.001},
                    NumberCase{7, "3", 3.0}, NumberCase{7, ".5", 0.5}, NumberCase{7, "5.", 5.0},
                    NumberCase{7, "-2.5E+2x", -250.0}, NumberCase{7, "1e", 1.0},
                    NumberCase{7, "0.1;0.2", 0.1}));

TEST(ConfigReader, TextThatIsNotANumberFailsTheReader) {
  auto lines = example_config_lines();
  value_line(lines, 7) = "two";
  parse(lines);
  EXPECT_EQ(gv_CFG_mxt, 0.0);
  EXPECT_EQ(gv_CFG_mxq, 0);
  EXPECT_EQ(gv_CFG_Delta_abs, 0.1);  // read before the failure
}

TEST(ConfigReader, NumberBeyondItsTypeFailsTheReader) {
  auto lines = example_config_lines();
  value_line(lines, 8) = "4294967296";
  parse(lines);
  EXPECT_EQ(gv_CFG_mxq, std::numeric_limits<int>::max());
  EXPECT_EQ(gv_CFG_mxq_precision, 0.0);
  value_line(lines, 8) = "-2147483648";
  parse(lines);
  EXPECT_EQ(gv_CFG_mxq, std::numeric_limits<int>::min());
  EXPECT_EQ(gv_CFG_mxn_suc_2PH, -1);
  value_line(lines, 7) = "-1e999";
  parse(lines);
  EXPECT_EQ(gv_CFG_mxt, -std::numeric_limits<double>::max());
  EXPECT_EQ(gv_CFG_mxq, 0);
  value_line(lines, 7) = "1e-999";  // below the smallest double: 0, not a failure
  parse(lines);
  EXPECT_EQ(gv_CFG_mxt, 0.0);
  EXPECT_EQ(gv_CFG_mxn_suc_2PH, -1);
}

TEST(ConfigReader, DeltaFieldGoesWhereFieldFiveSays) {
  auto lines = example_config_lines();
  value_line(lines, 5) = "0";
  value_line(lines, 6) = "0.25";
  parse(lines);
  EXPECT_EQ(gv_CFG_Delta_abs, 0.25);
  EXPECT_EQ(gv_CFG_Delta_pct, -1.0);
  value_line(lines, 5) = "1";
  value_line(lines, 6) = "50";
  parse(lines);
  EXPECT_EQ(gv_CFG_Delta_pct, 50.0);
  EXPECT_EQ(gv_CFG_Delta_abs, -1.0);
  value_line(lines, 5) = "7";
  parse(lines);
  EXPECT_EQ(gv_CFG_Delta_pct, 50.0);
  EXPECT_EQ(gv_CFG_Delta_abs, -1.0);
}

TEST(ConfigReader, FileEndingAfterLine49LeavesLaterFieldsAtZero) {
  auto lines = example_config_lines();
  lines.resize(49);
  parse(lines);
  EXPECT_EQ(gv_CFG_obs_int, 1.0);
  EXPECT_EQ(gv_CFG_write_obs, 0);
  EXPECT_EQ(gv_CFG_iat_kappa, 0.0);
  EXPECT_EQ(gv_CFG_new_output, 0);
  EXPECT_EQ(gv_CFG_mxn_suc, 0);
  EXPECT_EQ(gv_CFG_mxn_suc_2PH, 0);
}

TEST(ConfigReader, EmptyValueLineRunsIntoTheNextLabel) {
  auto lines = example_config_lines();
  value_line(lines, 4) = "";  // the label of field 5 begins with a letter
  parse(lines);
  EXPECT_EQ(gv_CFG_fnr, 1);
  EXPECT_EQ(gv_CFG_lnr, 0);
  EXPECT_EQ(gv_CFG_Delta, 0);
  EXPECT_EQ(gv_CFG_Delta_abs, 0.0);
  EXPECT_EQ(gv_CFG_Delta_pct, -1.0);
  EXPECT_EQ(gv_CFG_mxn_suc_2PH, 0);
}

TEST(ConfigReader, MissingConfigFileIsFatal) {
  const auto dir = make_temp_dir("qa-config");
  const ChildResult r = run_in_child([&] {
    std::filesystem::current_path(dir);
    f_read_config();
  });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, prompted("Unable to open CONFIG.DAT (the configuration file)."));
  EXPECT_FALSE(std::filesystem::exists(dir / "SUMMARY.CSV"));
  std::filesystem::remove_all(dir);
}
