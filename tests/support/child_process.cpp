#include "tests/support/child_process.h"

#include <fcntl.h>
#include <sys/resource.h>
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

ChildResult run_program(const std::filesystem::path& dir, [[maybe_unused]] unsigned long address_space) {
  return fork_with_pipe([&] {
#ifndef __SANITIZE_ADDRESS__  // AddressSanitizer reserves far more address space
    const rlimit limit{address_space, address_space};
    if (address_space != 0) setrlimit(RLIMIT_AS, &limit);
#endif
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

std::filesystem::path example_copy(std::map<int, std::string> fields) {
  fields.emplace(12, "0");
  const std::filesystem::path dir = working_dir(fields, {});
  for (const char* name : {"instance_1.DAT", "instance_2.DAT", "instance_3.DAT"})
    std::filesystem::copy_file(example_dir() / name, dir / name);
  return dir;
}

std::filesystem::path working_dir(const std::map<int, std::string>& fields,
                                  const std::map<std::string, std::string>& files) {
  const std::filesystem::path dir = make_temp_dir("qa-run");
  std::filesystem::copy_file(example_dir() / "BINOMDIST.DAT", dir / "BINOMDIST.DAT");
  std::vector<std::string> lines = split_lines(read_file(example_dir() / "CONFIG.DAT"));
  for (const auto& [k, value] : fields) value_line(lines, k) = value;
  write_file(dir / "CONFIG.DAT", join_lines(lines));
  for (const auto& [name, text] : files) write_file(dir / name, text);
  return dir;
}

std::string mask_cpu(std::string text) {
  const std::string label = "REQUIRED CPU TIME:";
  for (auto at = text.find(label); at != std::string::npos; at = text.find(label, at + 1)) {
    const auto end = text.find('\n', at);
    std::string row = label;
    for (auto c = text.find(';', at); c != std::string::npos && c < end; c = text.find(';', c + 1)) row += ";<cpu>";
    text.replace(at, end - at, row);
  }
  return text;
}

std::string prompted(const std::string& message) { return "\n" + message + "\nPress any key to quit..."; }

std::vector<std::string> split_lines(const std::string& text) {
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

std::string join_lines(const std::vector<std::string>& lines, const std::string& eol) {
  std::string text;
  for (const auto& line : lines) text += line + eol;
  return text;
}
