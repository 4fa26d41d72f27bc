// Every input kept in fuzz/corpus/<target>/ once broke a reader: each must now
// end in a result or in a refusal, without a crash or a sanitizer report.
#include "fuzz/fuzz_harness.h"
#include "tests/support/child_process.h"

TEST(FuzzCorpus, RegressionInputsEndInAResultOrARefusal) {
  const auto corpus = std::filesystem::path(QA_SOURCE_DIR) / "fuzz" / "corpus";
  const std::pair<const char*, FuzzTarget> targets[] = {
      {"config", FuzzTarget::config}, {"binomdist", FuzzTarget::binomdist}, {"instance", FuzzTarget::instance}};
  int replayed = 0;
  for (const auto& [name, target] : targets) {
    if (!std::filesystem::exists(corpus / name)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(corpus / name)) {
      const std::string input = read_file(entry.path());
      // In a child, so that a crash fails this input alone.
      const ChildResult r = run_in_child([&] { f_fuzz_one(target, input); });
      EXPECT_TRUE(r.exited && r.status == 0) << entry.path();
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0) << "no regression inputs under " << corpus;
}
