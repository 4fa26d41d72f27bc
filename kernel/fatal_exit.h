// The one route by which an error ends the run: the message goes to standard
// output, one integer is read from standard input (end of input also ends the
// wait), and the run unwinds to main, which returns exit status 1. Nothing is
// released on the way and nothing more is written, so the reports keep exactly
// what they held when the error occurred.
#pragma once

#include <string>

// Thrown by the fatal exits; caught only by main.
struct FatalExit {
  int status = 1;
};

// Prompted form: "\n", message, "\n", "Press any key to quit...".
[[noreturn]] void f_fatal_exit(const std::string& message);

// The message carries its own prompt: "\n", message.
[[noreturn]] void f_fatal_exit_own_prompt(const std::string& message);
