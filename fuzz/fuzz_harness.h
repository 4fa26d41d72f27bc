// One fuzz input through one reader of the analyzer's input files. A refusal
// through the fatal exit is a normal outcome; a crash, a sanitizer report, a
// slow input or a large allocation is what the fuzzer looks for.
#pragma once

#include <string_view>

enum class FuzzTarget {
  config,     // CONFIG.DAT: reader, echo and checks
  binomdist,  // BINOMDIST.DAT reader
  instance,   // instance file reader, initialisation and one model cycle
};

// Runs input through target; returns on success and on refusal alike.
void f_fuzz_one(FuzzTarget target, std::string_view input);
