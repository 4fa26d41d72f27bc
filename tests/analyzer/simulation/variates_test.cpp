// Simulated variates: parameter blocks, generator values taken per code, mean
// and SCV per code, and the invalid-variate exit.
#include "analyzer/simulation/variates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analyzer/model/phase_type.h"
#include "analyzer/simulation/sim_random.h"
#include "tests/analyzer/simulation/sim_fixture.h"
#include "tests/support/child_process.h"

namespace {

constexpr double kTight = 1e-14;

PhaseType fitted(double mean, double scv) {
  PhaseType ph;
  f_PH_fit(ph, 1.0 / mean, f_number_of_phases(scv), scv, 0.5, 1e-6);
  return ph;
}

}  // namespace

TEST(SimParameters, WorkedExamplesMatchTheirClosedForms) {
  const double ln2 = std::log(2.0);
  struct Case {
    int code;
    double m, scv;
    SimParams expected;
  } cases[] = {
      {1, 2.0, 1.0, {std::sqrt(ln2), ln2 / 2.0, 0.0, 0.0}},
      {2, 2.0, 1.0, {0.5, 1.5, 8.0, 0.25}},
      {3, 2.0, 0.5, {2.0, 1.0, 0.0, 0.0}},
  };
  for (const Case& c : cases) {
    SimParams P = f_distribution_parameters(c.code, c.m, c.scv);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(P[i], c.expected[i], kTight) << "code " << c.code << " P[" << i << "]";
  }
}

TEST(RandomVariate, EachCodeTakesItsNumberOfGeneratorValues) {
  f_set_constants();
  struct Case {
    const char* what;
    int dist;
    double scv;
    std::vector<int> script;
    unsigned long long calls;
  } cases[] = {
      {"exponential", 0, 1.0, {}, 1},
      {"four-phase chain", 0, 0.25, {}, 4},
      {"Coxian, branch value 0 takes phase 2", 0, 2.0, {5, 0}, 3},
      {"Coxian, branch value 32767 ends after phase 1", 0, 2.0, {5, 32767}, 2},
      {"lognormal, one attempt", 1, 0.5, {}, 3},
      {"gamma, from the engine only", 3, 0.5, {}, 0},
  };
  for (const Case& c : cases) {
    f_reset_random_sources();
    f_script_rand(c.script);
    const double x = f_random_variate(fitted(2.0, c.scv), f_distribution_parameters(c.dist, 2.0, c.scv), c.dist, c.scv);
    EXPECT_GE(x, 0.0) << c.what;
    EXPECT_EQ(f_rand_calls(), c.calls) << c.what;
  }
}

// The sample mean lies within 5 standard errors of the period's mean, and the
// sample SCV within 3 % of the period's SCV (200 000 draws).
TEST(RandomVariate, EveryCodeHasThePeriodsMeanAndScv) {
  f_set_constants();
  f_reset_random_sources();
  f_srand(12345);
  const double m = 2.0;
  struct Case {
    int dist;
    double scv;
  } cases[] = {{0, 1.0}, {0, 0.25}, {0, 2.0}, {1, 0.5}, {2, 0.5}, {2, 1.0}, {3, 0.5}, {3, 2.0}};
  const int draws = 200000;
  for (const Case& c : cases) {
    const PhaseType ph = fitted(m, c.scv);
    const SimParams P = f_distribution_parameters(c.dist, m, c.scv);
    VariateStream s;
    for (int i = 0; i < draws; ++i) f_count_draw(s, f_random_variate(ph, P, c.dist, c.scv));
    f_finish_stream(s);
    const double se = m * std::sqrt(c.scv / draws);
    EXPECT_NEAR(s.mean, m, 5.0 * se) << "code " << c.dist << " scv " << c.scv;
    EXPECT_NEAR(s.scv, c.scv, 0.03 * c.scv) << "code " << c.dist << " scv " << c.scv;
  }
}

TEST(RandomVariate, ATimeThatIsNotFiniteAndNonNegativeEndsTheRun) {
  struct Case {
    const char* what;
    PhaseType ph;
    int dist;
    double scv;
    int r;
  } cases[] = {
      {"phase of rate 0 with the uniform 1 (0/0)", sim_fixture::exponential(0.0), 0, 1.0, 0},
      {"phase of rate 0 with a uniform below 1", sim_fixture::exponential(0.0), 0, 1.0, 16384},
      {"phase with a positive diagonal (negative time)", sim_fixture::exponential(-1.0), 0, 1.0, 16384},
      {"gamma of SCV 0 (infinite shape)", sim_fixture::exponential(1.0), 3, 0.0, 0},
      {"beta of SCV 0", sim_fixture::exponential(1.0), 2, 0.0, 0},
  };
  for (const Case& c : cases) {
    ChildResult r = run_in_child([&] {
      f_reset_random_sources();
      f_script_rand({c.r});
      f_random_variate(c.ph, f_distribution_parameters(c.dist, 1.0, c.scv), c.dist, c.scv);
    });
    EXPECT_TRUE(r.exited) << c.what;
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_EQ(r.out, "\nInvalid random variate.") << c.what;
  }
}
