// Runs code whose error path ends the run, in a child process with standard
// input at end of file, and reports what it wrote and how it ended. Also runs
// the built program in a working directory of the test's own.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

struct ChildResult {
  bool exited = false;   // ended through exit, not by a signal
  int status = -1;       // exit status when exited
  std::string out;       // everything written to standard output
};

// Runs fn in a forked child. A FatalExit thrown by fn ends the child with its
// status (1), as main does; a normal return ends it with 0.
ChildResult run_in_child(const std::function<void()>& fn);

// Runs the queue-analyzer binary in dir with standard input at end of file.
ChildResult run_program(const std::filesystem::path& dir);

// A fresh empty directory under the system's temporary directory.
std::filesystem::path make_temp_dir(const std::string& stem);

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& text);

// Directory of the example working directory in the source tree.
std::filesystem::path example_dir();
