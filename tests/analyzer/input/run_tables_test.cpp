// Run-wide tables: factorials by successive products, the binomial table of
// BINOMDIST.DAT with its refusals, and the SUMMARY.CSV probe.
#include "analyzer/input/run_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "tests/analyzer/input/config_fixture.h"
#include "tests/support/child_process.h"

namespace {

ChildResult parse_binom_in_child(const std::string& text) {
  return run_in_child([&] {
    std::istringstream in(text);
    f_parse_binom(in);
  });
}

}  // namespace

TEST(Constants, EAndPiAreTheDoublesNearestToThem) {
  f_set_constants();
  EXPECT_EQ(gv_e, 2.718281828459045);
  EXPECT_EQ(gv_pi, 3.141592653589793);
}

TEST(Factorials, SmallValuesAreExact) {
  f_build_factorials();
  ASSERT_EQ(fac.size(), 171u);
  EXPECT_EQ(fac[0], 1.0);
  EXPECT_EQ(fac[1], 1.0);
  EXPECT_EQ(fac[5], 120.0);
  EXPECT_EQ(fac[20], 2432902008176640000.0);  // 20! < 2^63, exact in a double
}

TEST(Factorials, LargestEntryIsFiniteAndNearGammaFunction) {
  f_build_factorials();
  EXPECT_TRUE(std::isfinite(fac[170]));
  // 170! = Gamma(171) = 7.257415615307994e306; successive products drift by a
  // few ulps per step at most.
  constexpr double kProductDrift = 1e-12;
  EXPECT_NEAR(fac[170] / std::tgamma(171.0), 1.0, kProductDrift);
}

TEST(BinomialTable, ReadsRowsAsGiven) {
  std::istringstream in("2\n1 0 0\n1 1 0\n1 2 1\n");
  f_parse_binom(in);
  EXPECT_EQ(binom_n, 2);
  ASSERT_EQ(binom.size(), 9u);
  EXPECT_EQ(binom_at(2, 1), 2.0);
  EXPECT_EQ(binom_at(1, 2), 0.0);
  EXPECT_EQ(binom_at(2, 2), 1.0);
}

TEST(BinomialTable, LineLayoutDoesNotMatterAndTrailingTextIsIgnored) {
  std::istringstream one_per_line("2\n1\n0\n0\n1\n1\n0\n1\n2\n1\n");
  f_parse_binom(one_per_line);
  const std::vector<double> a = binom;
  std::istringstream one_line("2 1 0 0 1 1 0 1 2 1 trailing words 17");
  f_parse_binom(one_line);
  EXPECT_EQ(binom, a);
  std::istringstream order_zero("0 1");
  f_parse_binom(order_zero);
  EXPECT_EQ(binom_n, 0);
  EXPECT_EQ(binom, std::vector<double>{1.0});
}

TEST(BinomialTable, ExampleFileHoldsTheBinomialCoefficientsOfOrder100) {
  std::istringstream in(read_file(example_dir() / "BINOMDIST.DAT"));
  f_parse_binom(in);
  ASSERT_EQ(binom_n, 100);
  // Pascal's triangle in exact 128-bit integers (C(100, 50) ~ 1.01e29 fits),
  // each entry then rounded once to the nearest double.
  std::vector<unsigned __int128> row(101, 0);
  row[0] = 1;
  for (int i = 0; i <= 100; ++i) {
    for (int j = 0; j <= 100; ++j) {
      ASSERT_EQ(binom_at(i, j), static_cast<double>(row[j])) << i << "," << j;
    }
    for (int j = 100; j >= 1; --j) row[j] += row[j - 1];
  }
}

struct BinomFailure {
  const char* name;
  std::string text;
  std::string message;
};

class BinomialTableRefuses : public testing::TestWithParam<BinomFailure> {};

TEST_P(BinomialTableRefuses, WithAMessageNamingTheFile) {
  const BinomFailure& c = GetParam();
  const ChildResult r = parse_binom_in_child(c.text);
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, prompted(c.message));
}

INSTANTIATE_TEST_SUITE_P(
    Table, BinomialTableRefuses,
    testing::Values(
        BinomFailure{"negative order", "-1\n",
                     "Error in BINOMDIST.DAT: the order N is -1; it must not be negative."},
        BinomFailure{"empty file", "",
                     "Error in BINOMDIST.DAT: the order N (the first number) is missing or is not "
                     "a whole number."},
        BinomFailure{"order not a number", "two\n1 0 0\n",
                     "Error in BINOMDIST.DAT: the order N (the first number) is missing or is not "
                     "a whole number."},
        BinomFailure{"too few numbers", "2\n1 0 0\n1 1 0\n1 2\n",
                     "Error in BINOMDIST.DAT: the file holds 8 of the (N+1) x (N+1) = 9 numbers of "
                     "a table of order 2 (row 2, entry 2 is missing)."},
        BinomFailure{"malformed number", "2\n1 0 0\n1 x 0\n1 2 1\n",
                     "Error in BINOMDIST.DAT: row 1, entry 1 is not a number."},
        BinomFailure{"huge order, short file", "2147483647 1 0",
                     "Error in BINOMDIST.DAT: the file holds 2 of the (N+1) x (N+1) = "
                     "4611686018427387904 numbers of a table of order 2147483647 (row 0, entry 2 "
                     "is missing)."}),
    [](const testing::TestParamInfo<BinomFailure>& info) {
      std::string name = info.param.name;
      for (char& ch : name) if (ch == ' ' || ch == ',') ch = '_';
      return name;
    });

TEST(BinomialTable, MissingFileIsFatal) {
  const auto dir = make_temp_dir("qa-binom");
  const ChildResult r = run_in_child([&] {
    std::filesystem::current_path(dir);
    f_read_binom();
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, prompted("Unable to open binomial distribution data file (BINOMDIST.DAT)."));
  std::filesystem::remove_all(dir);
}

TEST(SummaryProbe, EmptiesAnEarlierReport) {
  const auto dir = make_temp_dir("qa-probe");
  write_file(dir / "SUMMARY.CSV", "old contents\n");
  const ChildResult r = run_in_child([&] {
    std::filesystem::current_path(dir);
    f_probe_summary();
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(std::filesystem::exists(dir / "SUMMARY.CSV"));
  EXPECT_EQ(read_file(dir / "SUMMARY.CSV"), "");
  std::filesystem::remove_all(dir);
}

TEST(SummaryProbe, UnwritableReportIsFatal) {
  const auto dir = make_temp_dir("qa-probe");
  std::filesystem::create_directory(dir / "SUMMARY.CSV");  // cannot be opened as a file
  const ChildResult r = run_in_child([&] {
    std::filesystem::current_path(dir);
    f_probe_summary();
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, prompted("Please close SUMMARY.CSV."));
  std::filesystem::remove_all(dir);
}
