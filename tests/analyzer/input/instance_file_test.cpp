// Instance files: the file name, the four blocks and their kappas, the check
// of the block durations, and every value the model cannot use refused with a
// message naming the file, instance, block and record.
#include "analyzer/input/instance_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <cmath>
#include <sstream>

#include <unistd.h>

#include "analyzer/input/config.h"
#include "analyzer/input/instance_data.h"
#include "tests/analyzer/input/config_fixture.h"
#include "tests/support/child_process.h"

namespace {

// The example of a cycle of length 8: two arrival periods, one service and one
// abandonment period, 2 servers then 3.
const char* const kCycleOfEight = "2 4 0.5 1 4 0.25 1 1 8 1 0.5 1 8 2 1 2 3 2 5 3";

BlockTotals parse(const std::string& text, int inst_nr = 7) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  return f_parse_instance(in, inst_nr, "inst_7.DAT");
}

const std::string kDurationsMessage =
    "\nError in arrival/service/abandonment/number of servers interval durations. Press any key "
    "to quit.";

}  // namespace

TEST(InstanceFileName, PrefixNumberDotExtension) {
  InstFileName = "inst_";
  InstFileExt = "DAT";
  EXPECT_EQ(f_instance_file_name(7), "inst_7.DAT");
  EXPECT_EQ(f_instance_file_name(0), "inst_0.DAT");
  EXPECT_EQ(f_instance_file_name(-3), "inst_-3.DAT");
  EXPECT_EQ(f_instance_file_name(999999999), "inst_999999999.DAT");
  EXPECT_EQ(f_instance_file_name(-99999999), "inst_-99999999.DAT");
  InstFileExt = ".DAT";
  EXPECT_EQ(f_instance_file_name(7), "inst_7..DAT");
  InstFileName = " runs/a b ";
  InstFileExt = "";
  EXPECT_EQ(f_instance_file_name(12), " runs/a b 12.");
}

TEST(InstanceFileName, NumbersOfMoreThanNineCharactersAreRefused) {
  for (int n : {1000000000, -100000000}) {
    const ChildResult r = run_in_child([&] {
      InstFileName = "inst_";
      InstFileExt = "DAT";
      f_instance_file_name(n);
    });
    EXPECT_EQ(r.status, 1) << n;
    EXPECT_EQ(r.out, prompted("Instance number " + std::to_string(n) +
                              " cannot name an instance file: its decimal text has more than 9 "
                              "characters."));
  }
}

TEST(InstanceFile, ReadsTheFourBlocksWithConfiguredKappas) {
  set_valid_config();
  gv_CFG_iat_kappa = 0.25;
  gv_CFG_ser_kappa = 0.5;
  gv_CFG_abd_kappa = 0.75;
  const BlockTotals t = parse(kCycleOfEight);
  EXPECT_EQ(gv_iat_nr, 2);
  EXPECT_EQ(gv_iat_dur, (std::vector<double>{4.0, 4.0}));
  EXPECT_EQ(gv_iat_mean, (std::vector<double>{0.5, 0.25}));
  EXPECT_EQ(gv_iat_scv, (std::vector<double>{1.0, 1.0}));
  EXPECT_EQ(gv_iat_kappa, (std::vector<double>{0.25, 0.25}));
  EXPECT_EQ(gv_ser_nr, 1);
  EXPECT_EQ(gv_ser_mean, std::vector<double>{1.0});
  EXPECT_EQ(gv_ser_scv, std::vector<double>{0.5});
  EXPECT_EQ(gv_ser_kappa, std::vector<double>{0.5});
  EXPECT_EQ(gv_abd_nr, 1);
  EXPECT_EQ(gv_abd_mean, std::vector<double>{2.0});
  EXPECT_EQ(gv_abd_kappa, std::vector<double>{0.75});
  EXPECT_EQ(gv_srv_nr, 2);
  EXPECT_EQ(gv_srv_dur, (std::vector<double>{3.0, 5.0}));
  EXPECT_EQ(gv_srv_s, (std::vector<int>{2, 3}));
  EXPECT_EQ(t.iat, 8.0);
  EXPECT_EQ(t.ser, 8.0);
  EXPECT_EQ(t.abd, 8.0);
  EXPECT_EQ(t.srv, 8.0);
}

TEST(InstanceFile, LineBreaksCarryNoMeaningAndTrailingNumbersAreIgnored) {
  set_valid_config();
  parse(kCycleOfEight);
  const auto srv = gv_srv_s;
  const auto means = gv_iat_mean;
  std::string per_line = kCycleOfEight;
  for (char& ch : per_line) if (ch == ' ') ch = '\n';
  parse(per_line + "\n\t 99 1.5 words\n");
  EXPECT_EQ(gv_srv_s, srv);
  EXPECT_EQ(gv_iat_mean, means);
}

TEST(InstanceFile, IntegerExtractorStopsAtTheDecimalPoint) {
  // "3.0" servers gives 3 and leaves ".0" as the duration of the next record.
  set_valid_config();
  const BlockTotals t = parse("1 8 1 1 1 8 1 1 1 8 1 1 2 8 3.0 4");
  EXPECT_EQ(gv_srv_dur, (std::vector<double>{8.0, 0.0}));
  EXPECT_EQ(gv_srv_s, (std::vector<int>{3, 4}));
  EXPECT_EQ(t.srv, 8.0);
}

TEST(InstanceDurations, TotalsAreComparedAsDoubles) {
  const ChildResult equal = run_in_child([] { f_check_durations({8.0, 8.0, 8.0, 8.0}, 7); });
  EXPECT_EQ(equal.status, 0);
  EXPECT_EQ(equal.out, "");
  set_valid_config();
  const BlockTotals t = parse("2 0.1 1 1 0.2 1 1 1 0.3 1 1 1 0.3 1 1 1 0.3 2");
  EXPECT_NE(t.iat, t.ser);  // 0.1 + 0.2 is not 0.3 in double arithmetic
  for (const BlockTotals& bad : {BlockTotals{8.0, 8.0, 8.0, 7.5}, BlockTotals{8.0, 8.0, 9.0, 8.0},
                                 BlockTotals{NAN, NAN, NAN, NAN}}) {
    const ChildResult r = run_in_child([&] { f_check_durations(bad, 7); });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.rfind(kDurationsMessage + "\n", 0), 0u);
  }
}

TEST(InstanceFile, ReadInstanceFromTheWorkingDirectory) {
  const auto dir = make_temp_dir("qa-instance");
  write_file(dir / "inst_-3.DAT", kCycleOfEight);
  write_file(dir / "inst_4.DAT", "1 0.1 1 1 1 0.1 1 1 1 0.1 1 1 1 0.1 2\n"
                                 "1 extra");
  write_file(dir / "inst_5.DAT", "2 0.1 1 1 0.2 1 1 1 0.4 1 1 1 0.3 1 1 1 0.3 2");
  const auto run = [&](int n) {
    return run_in_child([&, n] {
      std::filesystem::current_path(dir);
      set_valid_config();
      f_read_instance(n);
      if (gv_srv_nr < 1) _exit(3);
    });
  };
  EXPECT_EQ(run(-3).status, 0);
  EXPECT_EQ(run(4).status, 0);
  const ChildResult mismatch = run(5);
  EXPECT_EQ(mismatch.status, 1);
  EXPECT_EQ(mismatch.out.rfind(kDurationsMessage + "\n", 0), 0u);
  const ChildResult missing = run(6);
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, prompted("Unable to open instance file number:6."));
  std::filesystem::remove_all(dir);
}

struct RefusedCase {
  const char* name;
  std::string text;
  std::string message;  // after "Error in instance file inst_7.DAT (instance 7), "
};

class InstanceFileRefuses : public testing::TestWithParam<RefusedCase> {};

TEST_P(InstanceFileRefuses, WithAOneLineMessageAndStatusOne) {
  const RefusedCase& c = GetParam();
  const ChildResult r = run_in_child([&] {
    set_valid_config();
    parse(c.text);
  });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, prompted("Error in instance file inst_7.DAT (instance 7), " + c.message));
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2);  // one line between the two
}

const char* const kScvNote = "; the model supports finite SCV >= 0.5.";

INSTANTIATE_TEST_SUITE_P(
    Table, InstanceFileRefuses,
    testing::Values(
        RefusedCase{"empty_file", "", "arrival block, period count: the file ends before the period count."},
        RefusedCase{"ends_in_a_record", "1 8 1 1 1 8 1",
                    "service block, record 1: the file ends before the SCV."},
        RefusedCase{"ends_before_servers", "1 8 1 1 1 8 1 1 1 8 1 1",
                    "servers block, period count: the file ends before the period count."},
        RefusedCase{"ends_before_server_number", "1 8 1 1 1 8 1 1 1 8 1 1 2 3 2 5",
                    "servers block, record 2: the file ends before the number of servers."},
        RefusedCase{"word_for_a_mean", "1 8 fast 1",
                    "arrival block, record 1: the mean inter-arrival time is not a valid number."},
        RefusedCase{"word_for_a_count", "1 8 1 1 one 8 1 1",
                    "service block, period count: the period count is not a valid number."},
        RefusedCase{"count_beyond_int", "1 8 1 1 1 8 1 1 1 8 1 1 99999999999 8 2",
                    "servers block, period count: the period count is not a valid number."},
        RefusedCase{"zero_count", "0 1 8 1 1 1 8 1 1 1 8 2",
                    "arrival block, period count: the count is 0; every block needs at least one period."},
        RefusedCase{"negative_count", "1 8 1 1 1 8 1 1 -2 8 1 1",
                    "abandonment block, period count: the count is -2; every block needs at least "
                    "one period."},
        RefusedCase{"zero_mean", "1 8 1 1 2 4 1 1 4 0 1",
                    "service block, record 2: the mean service time is 0; it must be positive and finite."},
        RefusedCase{"negative_mean", "1 8 1 1 1 8 1 1 1 8 -2.5 1",
                    "abandonment block, record 1: the mean patience time is -2.5; it must be positive and finite."},
        RefusedCase{"scv_below_half", "1 8 1 0.25", std::string("arrival block, record 1: the SCV is 0.25") + kScvNote},
        RefusedCase{"scv_just_below_half", "1 8 1 1 1 8 1 0.49999999",
                    std::string("service block, record 1: the SCV is 0.49999999") + kScvNote},
        RefusedCase{"negative_scv", "1 8 1 1 1 8 1 1 1 8 1 -1",
                    std::string("abandonment block, record 1: the SCV is -1") + kScvNote},
        RefusedCase{"negative_servers", "1 8 1 1 1 8 1 1 1 8 1 1 2 3 2 5 -1",
                    "servers block, record 2: the number of servers is -1; it must not be negative."}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

TEST(InstanceFile, SupportedBoundariesAreAccepted) {
  // SCV exactly 0.5, zero servers in a period, a tiny positive mean.
  set_valid_config();
  parse("1 8 1e-300 0.5 1 8 1 0.5 1 8 1 0.5 2 4 0 4 1");
  EXPECT_EQ(gv_iat_scv, std::vector<double>{0.5});
  EXPECT_EQ(gv_iat_mean, std::vector<double>{1e-300});
  EXPECT_EQ(gv_srv_s, (std::vector<int>{0, 1}));
}
