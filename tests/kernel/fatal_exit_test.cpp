#include "kernel/fatal_exit.h"

#include <gtest/gtest.h>

#include "tests/support/child_process.h"

TEST(FatalExit, PromptedFormWritesMessageAndEndsWithStatusOne) {
  ChildResult r = run_in_child([] { f_fatal_exit("Something broke."); });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "\nSomething broke.\nPress any key to quit...");
}

TEST(FatalExit, OwnPromptFormWritesOnlyTheMessage) {
  ChildResult r = run_in_child(
      [] { f_fatal_exit_own_prompt("Delta is set too large. Press any key to quit."); });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "\nDelta is set too large. Press any key to quit.");
}
