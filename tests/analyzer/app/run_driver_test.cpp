// The built program run in a working directory of its own: start-up, the
// instance loop with its progress words in order, and the endings of a run.
// The progress words of the model stages may stand between the driver's own
// words, so the checks look for the driver's words in order, not for the
// whole console.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace {

namespace fs = std::filesystem;

// A copy of the example working directory.
fs::path example_copy() {
  const fs::path dir = make_temp_dir("qa-run");
  for (const char* name :
       {"CONFIG.DAT", "BINOMDIST.DAT", "instance_1.DAT", "instance_2.DAT", "instance_3.DAT"}) {
    fs::copy_file(example_dir() / name, dir / name);
  }
  return dir;
}

std::vector<std::string> config_lines(const fs::path& dir) {
  const std::string text = read_file(dir / "CONFIG.DAT");
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  while (start < text.size()) {
    const auto end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// Rewrites the value line of field k (line 2k + 9) of the copy's CONFIG.DAT.
void set_config_value(const fs::path& dir, int k, const std::string& value) {
  auto lines = config_lines(dir);
  lines.at(static_cast<std::size_t>(2 * k + 8)) = value;
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  write_file(dir / "CONFIG.DAT", text);
}

// Position just after each piece, found in order; npos when one is missing.
std::string::size_type find_in_order(const std::string& out, const std::vector<std::string>& pieces) {
  std::string::size_type pos = 0;
  for (const auto& piece : pieces) {
    const auto at = out.find(piece, pos);
    if (at == std::string::npos) {
      ADD_FAILURE() << "missing, in order: \"" << piece << "\"\nconsole:\n" << out;
      return std::string::npos;
    }
    pos = at + piece.size();
  }
  return pos;
}

std::vector<std::string> instance_words(int n) {
  return {"---=[FILE " + std::to_string(n) + "]=---\nINITIALIZATION ", "COMPLETE ",
          "\nSTRUCTURES DESTROYED\n"};
}

const std::string kBannerEnd = std::string(52, '|') + "\n\n\n\n";

// The run ended with status 1 right after the banner, with message in the
// prompted form.
void expect_fatal_after_banner(const ChildResult& r, const std::string& message) {
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 1);
  const auto banner_end = r.out.find(kBannerEnd);
  ASSERT_NE(banner_end, std::string::npos) << r.out;
  EXPECT_EQ(r.out.substr(banner_end + kBannerEnd.size()),
            "\n" + message + "\nPress any key to quit...");
}

std::string golden_echo() {
  return read_file(fs::path(QA_SOURCE_DIR) / "tests" / "analyzer" / "input" / "data" /
                   "basic_config_echo.golden");
}

}  // namespace

TEST(RunDriver, ExampleRunsEveryInstanceInOrderAndExitsZero) {
  const fs::path dir = example_copy();
  const ChildResult r = run_program(dir);
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind(std::string(52, '|') + "\n||", 0), 0u) << "the banner comes first";
  std::vector<std::string> words{kBannerEnd};
  for (int n = 1; n <= 3; ++n) {
    const auto w = instance_words(n);
    words.insert(words.end(), w.begin(), w.end());
  }
  const auto end = find_in_order(r.out, words);
  EXPECT_EQ(end, r.out.size()) << "nothing follows the last instance";
  EXPECT_EQ(r.out.find("---=[FILE 4]=---"), std::string::npos);
  EXPECT_EQ(read_file(dir / "SUMMARY.CSV").substr(0, golden_echo().size()), golden_echo());
  fs::remove_all(dir);
}

TEST(RunDriver, NegativeInstanceNumbersAreHandledLikeAnyOther) {
  const fs::path dir = example_copy();
  fs::copy_file(dir / "instance_1.DAT", dir / "instance_-1.DAT");
  fs::copy_file(dir / "instance_2.DAT", dir / "instance_0.DAT");
  set_config_value(dir, 3, "-1");
  set_config_value(dir, 4, "1");
  const ChildResult r = run_program(dir);
  EXPECT_EQ(r.status, 0);
  std::vector<std::string> words = instance_words(-1);
  const auto w0 = instance_words(0);
  words.insert(words.end(), w0.begin(), w0.end());
  EXPECT_EQ(find_in_order(r.out, words), r.out.size());
  EXPECT_EQ(r.out.find("---=[FILE 1]=---"), std::string::npos);
  fs::remove_all(dir);
}

TEST(RunDriver, MissingInstanceFileEndsTheRunAfterEarlierInstances) {
  const fs::path dir = example_copy();
  fs::remove(dir / "instance_2.DAT");
  const ChildResult r = run_program(dir);
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 1);
  auto words = instance_words(1);
  words.push_back("\nUnable to open instance file number:2.\nPress any key to quit...");
  EXPECT_EQ(find_in_order(r.out, words), r.out.size());
  EXPECT_EQ(r.out.find("---=[FILE 2]=---"), std::string::npos);
  EXPECT_EQ(read_file(dir / "SUMMARY.CSV").substr(0, golden_echo().size()), golden_echo());
  fs::remove_all(dir);
}

TEST(RunDriver, BadInstanceValueEndsTheRunWithItsMessage) {
  const fs::path dir = example_copy();
  write_file(dir / "instance_1.DAT", "1\n4 0.5 1\n1\n4 1 0.3\n1\n4 2 1\n1\n4 3\n");
  expect_fatal_after_banner(run_program(dir),
                            "Error in instance file instance_1.DAT (instance 1), service block, "
                            "record 1: the SCV is 0.3; the model supports finite SCV >= 0.5.");
  fs::remove_all(dir);
}

TEST(RunDriver, FailedConfigurationCheckKeepsTheEcho) {
  const fs::path dir = example_copy();
  set_config_value(dir, 8, "101");  // above the order of BINOMDIST.DAT
  expect_fatal_after_banner(run_program(dir),
                            "Error in CONFIG.DAT: maximum queue size exceeds 100 (gv_CFG_mxt).");
  const std::string summary = read_file(dir / "SUMMARY.CSV");
  EXPECT_NE(summary.find("\n0;101\n"), std::string::npos);
  EXPECT_EQ(summary.substr(0, 200), golden_echo().substr(0, 200));
  fs::remove_all(dir);
}

TEST(RunDriver, StartUpFailuresInTheirOrder) {
  const fs::path dir = example_copy();
  fs::remove(dir / "CONFIG.DAT");
  write_file(dir / "SUMMARY.CSV", "from an earlier run\n");
  expect_fatal_after_banner(run_program(dir), "Unable to open CONFIG.DAT (the configuration file).");
  EXPECT_EQ(read_file(dir / "SUMMARY.CSV"), "") << "the probe ran before the configuration";

  fs::remove(dir / "BINOMDIST.DAT");
  expect_fatal_after_banner(run_program(dir),
                            "Unable to open binomial distribution data file (BINOMDIST.DAT).");
  fs::remove_all(dir);
}

TEST(RunDriver, SingleInstanceRange) {
  const fs::path dir = example_copy();
  set_config_value(dir, 3, "3");
  const ChildResult r = run_program(dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(find_in_order(r.out, instance_words(3)), r.out.size());
  EXPECT_EQ(r.out.find("---=[FILE 1]=---"), std::string::npos);
  fs::remove_all(dir);
}
