#include "kernel/fatal_exit.h"

#include <iostream>

namespace {

[[noreturn]] void wait_and_unwind() {
  std::cout.flush();
  // The value read and the success of the read are ignored: a number, any
  // other non-blank text or the end of input ends the wait.
  int answer = 0;
  std::cin >> answer;
  throw FatalExit{};
}

}  // namespace

void f_fatal_exit(const std::string& message) {
  std::cout << "\n" << message << "\n" << "Press any key to quit...";
  wait_and_unwind();
}

void f_fatal_exit_own_prompt(const std::string& message) {
  std::cout << "\n" << message;
  wait_and_unwind();
}
