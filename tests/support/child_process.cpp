#include "tests/support/child_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "kernel/fatal_exit.h"

namespace {

std::string drain(int fd) {
  std::string out;
  char buf[4096];
  for (;;) {
    ssize_t got = read(fd, buf, sizeof buf);
    if (got <= 0) break;
    out.append(buf, static_cast<size_t>(got));
  }
  return out;
}

// Forks; the child gets /dev/null as standard input and a pipe as standard
// output, then runs body, which must not return.
ChildResult fork_with_pipe(const std::function<void()>& body) {
  std::cout.flush();
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    close(fds[0]);
    int in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    dup2(fds[1], 1);
    close(in);
    close(fds[1]);
    std::cin.clear();
    body();
    _exit(99);
  }
  close(fds[1]);
  ChildResult result;
  result.out = drain(fds[0]);
  close(fds[0]);
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  result.exited = WIFEXITED(wstatus);
  result.status = result.exited ? WEXITSTATUS(wstatus) : -1;
  return result;
}

}  // namespace

ChildResult run_in_child(const std::function<void()>& fn) {
  return fork_with_pipe([&] {
    int status = 0;
    try {
      fn();
    } catch (const FatalExit& e) {
      status = e.status;
    }
    std::cout.flush();
    _exit(status);
  });
}

ChildResult run_program(const std::filesystem::path& dir) {
  return fork_with_pipe([&] {
    if (chdir(dir.c_str()) != 0) _exit(98);
    execl(QA_BINARY, QA_BINARY, static_cast<char*>(nullptr));
    _exit(97);
  });
}

std::filesystem::path make_temp_dir(const std::string& stem) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / (stem + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void write_file(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::filesystem::path example_dir() {
  return std::filesystem::path(QA_SOURCE_DIR) / "examples" / "basic";
}
