// Reading the run's inputs: CONFIG.DAT by line position and its echo (golden
// file), the 29 checks with their exact messages, the refusals of
// BINOMDIST.DAT, and instance files with every value the model cannot use
// refused by name.
#include <sstream>

#include "analyzer/input/config_check.h"
#include "analyzer/input/instance_file.h"
#include "tests/support/instances.h"

namespace {

namespace fs = std::filesystem;

constexpr int kOrder = 100;  // order of the example binomial table

// Every configuration value but the two strings, in field order.
std::vector<double> config_numbers() {
  return {double(gv_CFG_fnr), double(gv_CFG_lnr), double(gv_CFG_Delta), gv_CFG_Delta_abs, gv_CFG_Delta_pct,
          gv_CFG_mxt, double(gv_CFG_mxq), gv_CFG_mxq_precision, double(gv_CFG_sim_mxq), double(gv_CFG_nrc),
          double(gv_CFG_nri), double(gv_CFG_sim_seed), double(gv_CFG_sim_reset), gv_CFG_precision,
          gv_CFG_precision_stat, double(gv_CFG_order_iat), double(gv_CFG_order_ser), double(gv_CFG_order_abd),
          gv_CFG_obs_int, double(gv_CFG_write_obs), double(gv_CFG_sim_iat_dist), double(gv_CFG_sim_ser_dist),
          double(gv_CFG_sim_abd_dist), gv_CFG_iat_kappa, gv_CFG_ser_kappa, gv_CFG_abd_kappa,
          double(gv_CFG_new_output), double(gv_CFG_mxn_suc), double(gv_CFG_mxn_suc_2PH)};
}

// Parses the example with value line k replaced by text.
std::vector<double> parse_with(int k, const std::string& text, const std::string& eol = "\n") {
  std::vector<std::string> lines = split_lines(read_file(example_dir() / "CONFIG.DAT"));
  if (k > 0) value_line(lines, k) = text;
  f_parse_config(join_lines(lines, eol));
  return config_numbers();
}

std::string E(const std::string& rest) { return "Error in CONFIG.DAT: " + rest; }

struct Edit {
  std::string name;
  std::function<void()> edit;
  std::string message;  // empty: the configuration passes
};

void PrintTo(const Edit& e, std::ostream* os) { *os << e.name; }

}  // namespace

TEST(ConfigReader, ReadsLfAndCrLfAlike) {
  const std::vector<double> lf = parse_with(1, "  dir/inst ");
  EXPECT_EQ(parse_with(1, "  dir/inst ", "\r\n"), lf);
  EXPECT_EQ(InstFileName, "  dir/inst ");  // no carriage return ends the strings
  EXPECT_EQ(InstFileExt, "DAT");
}

// field, text, the value read; the reader must reach the last field (-1).
TEST(ConfigReader, ReadsTheLongestNumberAndDiscardsTheRestOfTheLine) {
  struct Case {
    int field;
    std::string text;
    double value;
  };
  for (const Case& c : std::vector<Case>{{8, "25 queue places", 25}, {8, "2.9", 2}, {8, "+7", 7}, {8, "\t-3", -3},
                                         {7, "1e-3", 0.001}, {7, ".5", 0.5}, {7, "5.", 5}, {7, "-2.5E+2x", -250},
                                         {7, "1e", 1}, {7, "0.1;0.2", 0.1}, {8, "25" + std::string(255, ' '), 25},
                                         {7, "1e-999", 0}, {5, "0", 0}}) {
    const std::vector<double> v = parse_with(c.field, c.text);
    EXPECT_EQ(v[c.field <= 6 ? c.field - 3 : c.field - 2], c.value) << c.text;
    EXPECT_EQ(v.back(), -1.0) << "the reader failed on " << c.text;
  }
}

TEST(ConfigEcho, ReadConfigRewritesSummaryWithTheGoldenEcho) {
  const fs::path dir = working_dir({{12, "0"}}, {{"SUMMARY.CSV", "an earlier run's report, longer than nothing\n"}});
  const ChildResult r = run_in_child([&] { fs::current_path(dir), f_read_config(); });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(read_file(dir / "SUMMARY.CSV"), read_file(fs::path(QA_SOURCE_DIR) / "tests/analyzer/input/data/basic_config_echo.golden"));
  fs::remove_all(dir);
}

class ConfigCheck : public testing::TestWithParam<Edit> {};

TEST_P(ConfigCheck, GivesItsExactMessageAndTheEarlierOfTwoWins) {
  set_valid_config();
  GetParam().edit();
  EXPECT_EQ(f_first_config_error(kOrder), GetParam().message);
  if (GetParam().message.empty()) return;
  set_valid_config();
  gv_CFG_mxn_suc_2PH = 0;  // the last check fails too
  GetParam().edit();
  EXPECT_EQ(f_first_config_error(kOrder), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConfigCheck,
    testing::Values(
        Edit{"fnr_equal_lnr", [] { gv_CFG_lnr = gv_CFG_fnr; }, E("first instance number is larger than/equal to last instance number")},
        Edit{"Delta_2", [] { gv_CFG_Delta = 2; }, E("incorrect value for gv_CFG_Delta.")},
        Edit{"Delta_abs_0", [] { gv_CFG_Delta_abs = 0.0; }, E("negative value for Delta (gv_CFG_Delta_abs).")},
        Edit{"Delta_pct_0", [] { gv_CFG_Delta = 1, gv_CFG_Delta_abs = -1.0, gv_CFG_Delta_pct = 0.0; }, E("negative value for Delta (gv_CFG_Delta_pct).")},
        Edit{"mxt", [] { gv_CFG_mxt = -0.5; }, E("negative maximum allowed waiting time (gv_CFG_mxt).")},
        Edit{"mxq", [] { gv_CFG_mxq = 0; }, E("negative/zero maximum queue size (gv_CFG_mxt).")},
        Edit{"mxq_above_table", [] { gv_CFG_mxq = kOrder + 1; }, E("maximum queue size exceeds 100 (gv_CFG_mxt).")},
        Edit{"mxq_precision_1", [] { gv_CFG_mxq_precision = 1.0; }, E("incorrect value for gv_CFG_mxq_precision..")},
        Edit{"mxq_precision_minus_half", [] { gv_CFG_mxq_precision = -0.5; }, E("incorrect value for gv_CFG_mxq_precision..")},
        Edit{"sim_mxq", [] { gv_CFG_sim_mxq = 0; }, E("negative/zero maximum simulation queue size (gv_CFG_mxt).")},
        Edit{"nrc", [] { gv_CFG_nrc = -1; }, E("negative number of cycles (gv_CFG_nrc).")},
        Edit{"nri", [] { gv_CFG_nri = -1; }, E("negative number of simulation iterations (gv_CFG_nri).")},
        Edit{"seed", [] { gv_CFG_sim_seed = -2; }, E("incorrect simulation seed value (gv_CFG_sim_seed).")},
        Edit{"reset", [] { gv_CFG_sim_reset = 2; }, E("incorrect value for gv_CFG_sim_reset.")},
        Edit{"precision", [] { gv_CFG_precision = -1e-9; }, E("negative precision (gv_CFG_precision).")},
        Edit{"precision_stat", [] { gv_CFG_precision_stat = -1e-9; }, E("negative precision (gv_CFG_precision_stat).")},
        Edit{"order_iat", [] { gv_CFG_order_iat = -1; }, E("incorrect order for the arrival process (gv_CFG_order_iat).")},
        Edit{"order_ser", [] { gv_CFG_order_ser = 0; }, E("incorrect order for the service process (gv_CFG_order_ser).")},
        Edit{"order_abd", [] { gv_CFG_order_abd = 4; }, E("incorrect order for the abandonment process (gv_CFG_order_abd).")},
        Edit{"obs_int", [] { gv_CFG_obs_int = -1.0; }, E("negative observation interval length (gv_CFG_obs_int).")},
        Edit{"write_obs", [] { gv_CFG_write_obs = 2; }, E("incorrect value for gv_CFG_write_obs.")},
        Edit{"iat_dist", [] { gv_CFG_sim_iat_dist = 4; }, E("incorrect distribution for the arrival process (gv_CFG_sim_iat_dist).")},
        Edit{"ser_dist", [] { gv_CFG_sim_ser_dist = -1; }, E("incorrect distribution for the service process (gv_CFG_sim_ser_dist).")},
        Edit{"abd_dist", [] { gv_CFG_sim_abd_dist = 4; }, E("incorrect distribution for the abandonment process (gv_CFG_sim_abd_dist).")},
        Edit{"iat_kappa", [] { gv_CFG_iat_kappa = 0.0; }, E("incorrect value for arrival process kappa (gv_CFG_iat_kappa).")},
        Edit{"ser_kappa", [] { gv_CFG_ser_kappa = 1.0; }, E("incorrect value for service process kappa (gv_CFG_ser_kappa).")},
        Edit{"abd_kappa", [] { gv_CFG_abd_kappa = 0.0; }, E("incorrect value for abandonment process kappa (gv_CFG_abd_kappa).")},
        Edit{"new_output", [] { gv_CFG_new_output = 2; }, E("incorrect value for gv_CFG_new_output.")},
        Edit{"mxn_suc", [] { gv_CFG_mxn_suc = -1; }, E("negative maximum number of successes (gv_CFG_mxn_suc).")},
        Edit{"mxn_suc_2PH_below", [] { gv_CFG_mxn_suc_2PH = 9; },
             E("too small maximum number of successes to be used during the f_2PH_advancement procedure "
               "(gv_CFG_mxn_suc_2PH should be larger than gv_CFG_mxn_suc).")},
        Edit{"mxn_suc_2PH_minus_2", [] { gv_CFG_mxn_suc_2PH = -2; }, E("incorrect value for gv_CFG_mxn_suc_2PH.")},
        // Boundaries that pass.
        Edit{"pass_negative_numbers", [] { gv_CFG_fnr = -3, gv_CFG_lnr = -2; }, ""},
        Edit{"pass_Delta_pct", [] { gv_CFG_Delta = 1, gv_CFG_Delta_abs = -1.0, gv_CFG_Delta_pct = 50.0; }, ""},
        Edit{"pass_zeros", [] { gv_CFG_mxt = gv_CFG_precision = gv_CFG_precision_stat = gv_CFG_obs_int = gv_CFG_mxq_precision = 0.0; }, ""},
        Edit{"pass_edges", [] { gv_CFG_mxq = kOrder, gv_CFG_mxq_precision = 0.5, gv_CFG_sim_seed = -1, gv_CFG_sim_reset = -1; }, ""},
        Edit{"pass_codes", [] { gv_CFG_order_ser = -1, gv_CFG_sim_iat_dist = 3, gv_CFG_sim_reset = 1, gv_CFG_new_output = 0; }, ""},
        Edit{"pass_kappas", [] { gv_CFG_iat_kappa = 1e-9, gv_CFG_ser_kappa = 0.999999; }, ""},
        Edit{"pass_mxn_suc_2PH", [] { gv_CFG_mxn_suc_2PH = 10; }, ""},
        Edit{"pass_mxn_suc_0", [] { gv_CFG_mxn_suc = 0; }, ""}),
    [](const testing::TestParamInfo<Edit>& info) { return info.param.name; });

TEST(RunTables, BinomialTableRefusesWithAMessageNamingTheFile) {
  const std::string order = "the order N (the first number) is missing or is not a whole number.";
  for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
           {"-1\n", "the order N is -1; it must not be negative."},
           {"", order},
           {"two\n1 0 0\n", order},
           {"2\n1 0 0\n1 1 0\n1 2\n", "the file holds 8 of the (N+1) x (N+1) = 9 numbers of a table of order 2 (row 2, entry 2 is missing)."},
           {"2\n1 0 0\n1 x 0\n1 2 1\n", "row 1, entry 1 is not a number."},
           {"2147483647 1 0", "the file holds 2 of the (N+1) x (N+1) = 4611686018427387904 numbers of a table of order "
                              "2147483647 (row 0, entry 2 is missing)."}}) {
    const ChildResult r = run_in_child([&] {
      std::istringstream in(text);
      f_parse_binom(in);
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, prompted("Error in BINOMDIST.DAT: " + message));
  }
}

namespace {

// A cycle of length 8: two arrival periods, one service and one abandonment
// period, 2 servers then 3.
const char* const kCycleOfEight = "2 4 0.5 1 4 0.25 1 1 8 1 0.5 1 8 2 1 2 3 2 5 3";

BlockTotals parse_instance(const std::string& text) {
  std::istringstream in(text);
  return f_parse_instance(in, 7, "inst_7.DAT");
}

}  // namespace

TEST(InstanceFile, ReadsTheFourBlocksWithConfiguredKappasWhateverTheLineBreaks) {
  set_valid_config();
  gv_CFG_iat_kappa = 0.25, gv_CFG_abd_kappa = 0.75;
  std::string per_line = kCycleOfEight;
  for (char& ch : per_line)
    if (ch == ' ') ch = '\n';
  const BlockTotals t = parse_instance(per_line + "\n\t 99 1.5 words\n");
  EXPECT_EQ(std::vector<double>({t.iat, t.ser, t.abd, t.srv}), std::vector<double>(4, 8.0));
  EXPECT_EQ(gv_iat_dur, (std::vector<double>{4.0, 4.0}));
  EXPECT_EQ(gv_iat_mean, (std::vector<double>{0.5, 0.25}));
  EXPECT_EQ(gv_iat_kappa, (std::vector<double>{0.25, 0.25}));
  EXPECT_EQ(std::vector<double>({gv_ser_mean[0], gv_ser_scv[0], gv_ser_kappa[0], gv_abd_mean[0], gv_abd_kappa[0]}),
            std::vector<double>({1.0, 0.5, 0.5, 2.0, 0.75}));
  EXPECT_EQ(gv_srv_dur, (std::vector<double>{3.0, 5.0}));
  EXPECT_EQ(gv_srv_s, (std::vector<int>{2, 3}));
  // "3.0" servers gives 3 and leaves ".0" as the next duration.
  parse_instance("1 8 1e-300 0.5 1 8 1 0.5 1 8 1 0.5 2 8 3.0 0");
  EXPECT_EQ(gv_srv_dur, (std::vector<double>{8.0, 0.0}));
  EXPECT_EQ(gv_srv_s, (std::vector<int>{3, 0}));
  EXPECT_EQ(gv_iat_mean, std::vector<double>{1e-300});
}

TEST(InstanceFile, RefusesWhatTheModelCannotUseNamingBlockAndRecord) {
  const std::string scv = "; the model supports finite SCV >= 0.5.";
  for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
           {"", "arrival block, period count: the file ends before the period count."},
           {"1 8 1 1 1 8 1", "service block, record 1: the file ends before the SCV."},
           {"1 8 1 1 1 8 1 1 1 8 1 1 2 3 2 5", "servers block, record 2: the file ends before the number of servers."},
           {"1 8 fast 1", "arrival block, record 1: the mean inter-arrival time is not a valid number."},
           {"1 8 1 1 1 8 1 1 1 8 1 1 99999999999 8 2", "servers block, period count: the period count is not a valid number."},
           {"1 8 1 1 1 8 1 1 -2 8 1 1", "abandonment block, period count: the count is -2; every block needs at least one period."},
           {"1 8 1 1 2 4 1 1 4 0 1", "service block, record 2: the mean service time is 0; it must be positive and finite."},
           {"1 8 1 1 1 8 1 0.49999999", "service block, record 1: the SCV is 0.49999999" + scv},
           {"1 8 1 1 1 8 1 1 1 8 1 -1", "abandonment block, record 1: the SCV is -1" + scv},
           {"1 8 1 1 1 8 1 1 1 8 1 1 2 3 2 5 -1", "servers block, record 2: the number of servers is -1; it must not be negative."}}) {
    const ChildResult r = run_in_child([&] { set_valid_config(), parse_instance(text); });
    EXPECT_EQ(r.status, 1) << text;
    EXPECT_EQ(r.out, prompted("Error in instance file inst_7.DAT (instance 7), " + message));
  }
}

// Mended: the file is named prefix, number, dot, extension, and a number of
// more than nine characters ends the run.
TEST(InstanceFile, NameIsPrefixNumberDotExtension) {
  InstFileName = " runs/a b ";
  InstFileExt = "";
  EXPECT_EQ(f_instance_file_name(-99999999), " runs/a b -99999999.");
  const ChildResult r = run_in_child([] { f_instance_file_name(1000000000); });
  EXPECT_EQ(r.out, prompted("Instance number 1000000000 cannot name an instance file: its decimal text has more than 9 characters."));
}
