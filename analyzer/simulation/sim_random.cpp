// Process-wide random sources of the simulation: the 15-bit generator behind
// f_rand and the Mersenne Twister behind the gamma variates.
#include "analyzer/simulation/sim_random.h"

#include <cstddef>

namespace {

std::uint32_t g_next = 1;
std::vector<int> g_script;
std::size_t g_script_pos = 0;
std::uint64_t g_calls = 0;

std::mt19937& engine() {
  static std::mt19937 e;
  return e;
}

}  // namespace

int f_rand() {
  ++g_calls;
  if (g_script_pos < g_script.size()) return g_script[g_script_pos++];
  g_next = g_next * 1103515245u + 12345u;
  return static_cast<int>((g_next / 65536u) % 32768u);
}

void f_srand(std::uint32_t seed) { g_next = seed; }

double f_sim_uniform() { return 1.0 - static_cast<double>(f_rand()) * 3.0517578125e-05; }

std::mt19937& f_gamma_engine() { return engine(); }

void f_script_rand(const std::vector<int>& script) {
  g_script = script;
  g_script_pos = 0;
}

std::uint64_t f_rand_calls() { return g_calls; }

void f_reset_random_sources() {
  g_next = 1;
  g_script.clear();
  g_script_pos = 0;
  g_calls = 0;
  engine() = std::mt19937();
}
