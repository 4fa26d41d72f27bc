// The simulation's two random sources: a 15-bit linear congruential generator
// (next = next * 1103515245 + 12345 modulo 2^32, value = (next / 65536) mod
// 32768) with one process-wide state, and the run's single std::mt19937 that
// drives the gamma variates (default seed, never reseeded by a run).
#pragma once

#include <cstdint>
#include <random>
#include <vector>

// Next value 0..32767 of the process-wide generator (or of a test script).
int f_rand();

// Restarts the generator's sequence from seed.
void f_srand(std::uint32_t seed);

// The simulation uniform 1 - f_rand() * 2^-15, a double in [2^-15, 1].
double f_sim_uniform();

// The engine behind every gamma variate of the run.
std::mt19937& f_gamma_engine();

// For tests: f_rand returns the values of script in order, then goes back to
// the generator. f_rand_calls counts every f_rand since the last reset.
void f_script_rand(const std::vector<int>& script);
std::uint64_t f_rand_calls();

// For tests: the generator as after f_srand(1), the engine default-seeded, no
// script, the call count at 0.
void f_reset_random_sources();
