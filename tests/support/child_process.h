// Runs code whose error path ends the run, in a child process with standard
// input at end of file, and reports what it wrote and how it ended. Also runs
// the built program in a working directory of the test's own, and collects
// what in-process code writes to the console.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

struct ChildResult {
  bool exited = false;   // ended through exit, not by a signal
  int status = -1;       // exit status when exited
  std::string out;       // everything written to standard output
};

// Runs fn in a forked child. A FatalExit thrown by fn ends the child with its
// status (1), as main does; a normal return ends it with 0.
ChildResult run_in_child(const std::function<void()>& fn);

// Runs the queue-analyzer binary in dir with standard input at end of file,
// within address_space bytes if not 0.
ChildResult run_program(const std::filesystem::path& dir, unsigned long address_space = 0);

// A fresh empty directory under the system's temporary directory.
std::filesystem::path make_temp_dir(const std::string& stem);

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& text);

// Directory of the example working directory in the source tree.
std::filesystem::path example_dir();

// A fresh copy of the example working directory with the given CONFIG.DAT
// fields replaced, by default no simulation iterations so that the console
// ends with the last model stage.
std::filesystem::path example_copy(std::map<int, std::string> fields = {});

// A fresh directory with the example BINOMDIST.DAT, the example CONFIG.DAT
// with the given fields (1..30) replaced, and the given files (name, text).
std::filesystem::path working_dir(const std::map<int, std::string>& fields,
                                  const std::map<std::string, std::string>& files);

// Every "REQUIRED CPU TIME:" row with its cells replaced by <cpu>.
std::string mask_cpu(std::string text);

// What the prompted fatal exit writes for message.
std::string prompted(const std::string& message);

// Lines of text without their line ends, and lines joined with eol after each.
std::vector<std::string> split_lines(const std::string& text);
std::string join_lines(const std::vector<std::string>& lines, const std::string& eol = "\n");

// The value line of CONFIG.DAT field k (1..30) is line 2k + 9.
inline std::string& value_line(std::vector<std::string>& lines, int k) {
  return lines.at(static_cast<std::size_t>(2 * k + 8));
}

// Collects what the code under test writes to std::cout while it is alive.
class CoutCapture {
 public:
  CoutCapture() : old_(std::cout.rdbuf(buffer_.rdbuf())) {}
  ~CoutCapture() { std::cout.rdbuf(old_); }
  CoutCapture(const CoutCapture&) = delete;
  CoutCapture& operator=(const CoutCapture&) = delete;
  std::string text() const { return buffer_.str(); }

 private:
  std::ostringstream buffer_;
  std::streambuf* old_;
};
