// The built program in a working directory of its own: the banner (golden
// file), the instance loop with the driver's progress words in order, and the
// endings of a run. The model's own progress words may stand between the
// driver's, so the checks look for the driver's words in order.
#include <functional>

#include "tests/support/child_process.h"

namespace {

namespace fs = std::filesystem;

const fs::path kGolden = fs::path(QA_SOURCE_DIR) / "tests/analyzer";

// Position just after the last piece when all are found in order, else npos.
std::string::size_type find_in_order(const std::string& out, const std::vector<std::string>& pieces) {
  std::string::size_type pos = 0;
  for (const auto& piece : pieces) {
    const auto at = out.find(piece, pos);
    if (at == std::string::npos) {
      ADD_FAILURE() << "missing, in order: \"" << piece << "\"\nconsole:\n" << out;
      return at;
    }
    pos = at + piece.size();
  }
  return pos;
}

// The banner, then the driver's words for each instance.
std::vector<std::string> words_of(const std::vector<int>& instances) {
  std::vector<std::string> words{read_file(kGolden / "app/golden/banner.txt")};
  for (int n : instances)
    for (const std::string& w : {"---=[FILE " + std::to_string(n) + "]=---\nINITIALIZATION ", std::string("COMPLETE "),
                                 std::string("\nSTRUCTURES DESTROYED\n")})
      words.push_back(w);
  return words;
}

}  // namespace

TEST(RunDriver, RunsEveryInstanceOfTheRangeInOrderAndExitsZero) {
  struct Case {
    std::string first, last;
    std::vector<int> instances;
  };
  for (const Case& c : {Case{"1", "4", {1, 2, 3}}, Case{"-1", "1", {-1, 0}}, Case{"3", "4", {3}}}) {
    const fs::path dir = example_copy({{3, c.first}, {4, c.last}});
    fs::copy_file(dir / "instance_1.DAT", dir / "instance_-1.DAT");
    fs::copy_file(dir / "instance_2.DAT", dir / "instance_0.DAT");
    const ChildResult r = run_program(dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.find(read_file(kGolden / "app/golden/banner.txt")), 0u);
    EXPECT_EQ(find_in_order(r.out, words_of(c.instances)), r.out.size()) << "nothing follows the last instance";
    const std::string echo = read_file(kGolden / "input/data/basic_config_echo.golden");
    EXPECT_EQ(read_file(dir / "SUMMARY.CSV").substr(0, echo.size()) == echo, c.first == "1");
    fs::remove_all(dir);
  }
}

// Each failure ends the run with status 1 and its prompted message, after the
// instances that came before it.
TEST(RunDriver, FailuresEndTheRunWithTheirMessageInStartUpOrder) {
  struct Case {
    std::map<int, std::string> fields;
    std::function<void(const fs::path&)> edit;
    std::vector<int> done;
    std::string message;
  };
  const std::vector<Case> cases{
      {{}, [](const fs::path& d) { fs::remove(d / "instance_2.DAT"); }, {1}, "Unable to open instance file number:2."},
      {{}, [](const fs::path& d) { write_file(d / "instance_1.DAT", "1\n4 0.5 1\n1\n4 1 0.3\n1\n4 2 1\n1\n4 3\n"); },
       {},
       "Error in instance file instance_1.DAT (instance 1), service block, record 1: the SCV is 0.3; the model "
       "supports finite SCV >= 0.5."},
      {{{8, "101"}}, [](const fs::path&) {}, {}, "Error in CONFIG.DAT: maximum queue size exceeds 100 (gv_CFG_mxt)."},
      {{}, [](const fs::path& d) { fs::remove(d / "CONFIG.DAT"); }, {}, "Unable to open CONFIG.DAT (the configuration file)."},
      {{}, [](const fs::path& d) { fs::remove(d / "BINOMDIST.DAT"), fs::remove(d / "CONFIG.DAT"); },
       {},
       "Unable to open binomial distribution data file (BINOMDIST.DAT)."},
  };
  for (const Case& c : cases) {
    const fs::path dir = example_copy(c.fields);
    write_file(dir / "SUMMARY.CSV", "from an earlier run\n");
    c.edit(dir);
    const ChildResult r = run_program(dir);
    EXPECT_EQ(r.status, 1) << c.message;
    std::vector<std::string> words = words_of(c.done);
    words.push_back(prompted(c.message));
    EXPECT_EQ(find_in_order(r.out, words), r.out.size()) << c.message;
    const std::string summary = read_file(dir / "SUMMARY.CSV");
    // The probe empties an earlier report once the binomial table is read; a
    // failed check keeps the echo.
    EXPECT_EQ(summary.find("from an earlier run") == 0, c.message.find("BINOMDIST") != std::string::npos);
    EXPECT_EQ(summary.find("\n0;101\n") != std::string::npos, c.message.find("exceeds 100") != std::string::npos);
    fs::remove_all(dir);
  }
}
