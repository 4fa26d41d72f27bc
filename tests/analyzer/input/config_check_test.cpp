// The 29 checks of the run configuration: each failure with its exact message,
// the boundaries that pass, and the order in which the checks run.
#include "analyzer/input/config_check.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>

#include "analyzer/input/config.h"
#include "analyzer/input/run_tables.h"
#include "tests/analyzer/input/config_fixture.h"
#include "tests/support/child_process.h"

namespace {

constexpr int kOrder = 100;  // order of the example binomial table

struct CheckCase {
  const char* name;
  std::function<void()> edit;
  std::string message;  // empty: the configuration passes
};

std::string E(const std::string& rest) { return "Error in CONFIG.DAT: " + rest; }

const std::vector<CheckCase>& failing_cases() {
  static const std::vector<CheckCase> cases = {
      {"1 fnr equal to lnr", [] { gv_CFG_lnr = gv_CFG_fnr; },
       E("first instance number is larger than/equal to last instance number")},
      {"1 fnr above lnr", [] { gv_CFG_fnr = 5; gv_CFG_lnr = 4; },
       E("first instance number is larger than/equal to last instance number")},
      {"2 Delta 2", [] { gv_CFG_Delta = 2; }, E("incorrect value for gv_CFG_Delta.")},
      {"3 Delta_abs zero", [] { gv_CFG_Delta_abs = 0.0; },
       E("negative value for Delta (gv_CFG_Delta_abs).")},
      {"3 Delta_pct zero", [] { gv_CFG_Delta = 1; gv_CFG_Delta_abs = -1.0; gv_CFG_Delta_pct = 0.0; },
       E("negative value for Delta (gv_CFG_Delta_pct).")},
      {"4 mxt", [] { gv_CFG_mxt = -0.5; }, E("negative maximum allowed waiting time (gv_CFG_mxt).")},
      {"5 mxq", [] { gv_CFG_mxq = 0; }, E("negative/zero maximum queue size (gv_CFG_mxt).")},
      {"6 mxq above table", [] { gv_CFG_mxq = kOrder + 1; },
       E("maximum queue size exceeds 100 (gv_CFG_mxt).")},
      {"7 mxq_precision -0.5", [] { gv_CFG_mxq_precision = -0.5; },
       E("incorrect value for gv_CFG_mxq_precision..")},
      {"7 mxq_precision 1", [] { gv_CFG_mxq_precision = 1.0; },
       E("incorrect value for gv_CFG_mxq_precision..")},
      {"7 mxq_precision 2", [] { gv_CFG_mxq_precision = 2.0; },
       E("incorrect value for gv_CFG_mxq_precision..")},
      {"8 sim_mxq", [] { gv_CFG_sim_mxq = 0; },
       E("negative/zero maximum simulation queue size (gv_CFG_mxt).")},
      {"9 nrc", [] { gv_CFG_nrc = -1; }, E("negative number of cycles (gv_CFG_nrc).")},
      {"10 nri", [] { gv_CFG_nri = -1; },
       E("negative number of simulation iterations (gv_CFG_nri).")},
      {"11 seed", [] { gv_CFG_sim_seed = -2; },
       E("incorrect simulation seed value (gv_CFG_sim_seed).")},
      {"12 reset", [] { gv_CFG_sim_reset = 2; }, E("incorrect value for gv_CFG_sim_reset.")},
      {"13 precision", [] { gv_CFG_precision = -1e-9; },
       E("negative precision (gv_CFG_precision).")},
      {"14 precision_stat", [] { gv_CFG_precision_stat = -1e-9; },
       E("negative precision (gv_CFG_precision_stat).")},
      {"15 order_iat -1", [] { gv_CFG_order_iat = -1; },
       E("incorrect order for the arrival process (gv_CFG_order_iat).")},
      {"16 order_ser 0", [] { gv_CFG_order_ser = 0; },
       E("incorrect order for the service process (gv_CFG_order_ser).")},
      {"17 order_abd 4", [] { gv_CFG_order_abd = 4; },
       E("incorrect order for the abandonment process (gv_CFG_order_abd).")},
      {"18 obs_int", [] { gv_CFG_obs_int = -1.0; },
       E("negative observation interval length (gv_CFG_obs_int).")},
      {"19 write_obs", [] { gv_CFG_write_obs = 2; }, E("incorrect value for gv_CFG_write_obs.")},
      {"20 iat dist", [] { gv_CFG_sim_iat_dist = 4; },
       E("incorrect distribution for the arrival process (gv_CFG_sim_iat_dist).")},
      {"21 ser dist", [] { gv_CFG_sim_ser_dist = -1; },
       E("incorrect distribution for the service process (gv_CFG_sim_ser_dist).")},
      {"22 abd dist", [] { gv_CFG_sim_abd_dist = 4; },
       E("incorrect distribution for the abandonment process (gv_CFG_sim_abd_dist).")},
      {"23 iat kappa 0", [] { gv_CFG_iat_kappa = 0.0; },
       E("incorrect value for arrival process kappa (gv_CFG_iat_kappa).")},
      {"24 ser kappa 1", [] { gv_CFG_ser_kappa = 1.0; },
       E("incorrect value for service process kappa (gv_CFG_ser_kappa).")},
      {"25 abd kappa 0", [] { gv_CFG_abd_kappa = 0.0; },
       E("incorrect value for abandonment process kappa (gv_CFG_abd_kappa).")},
      {"26 new_output", [] { gv_CFG_new_output = 2; }, E("incorrect value for gv_CFG_new_output.")},
      {"27 mxn_suc", [] { gv_CFG_mxn_suc = -1; },
       E("negative maximum number of successes (gv_CFG_mxn_suc).")},
      {"28 mxn_suc_2PH below mxn_suc", [] { gv_CFG_mxn_suc_2PH = 9; },
       E("too small maximum number of successes to be used during the f_2PH_advancement "
         "procedure (gv_CFG_mxn_suc_2PH should be larger than gv_CFG_mxn_suc).")},
      {"29 mxn_suc_2PH 0", [] { gv_CFG_mxn_suc_2PH = 0; }, E("incorrect value for gv_CFG_mxn_suc_2PH.")},
      {"29 mxn_suc_2PH -2", [] { gv_CFG_mxn_suc_2PH = -2; }, E("incorrect value for gv_CFG_mxn_suc_2PH.")},
  };
  return cases;
}

const std::vector<CheckCase>& passing_cases() {
  static const std::vector<CheckCase> cases = {
      {"valid as set", [] {}, ""},
      {"fnr one below lnr, negative", [] { gv_CFG_fnr = -3; gv_CFG_lnr = -2; }, ""},
      {"Delta 1 with any Delta_abs", [] { gv_CFG_Delta = 1; gv_CFG_Delta_abs = -1.0; gv_CFG_Delta_pct = 50.0; }, ""},
      {"Delta 0 ignores Delta_pct", [] { gv_CFG_Delta_pct = -7.0; }, ""},
      {"zero mxt, precisions, obs_int", [] { gv_CFG_mxt = 0.0; gv_CFG_precision = 0.0; gv_CFG_precision_stat = 0.0; gv_CFG_obs_int = 0.0; }, ""},
      {"mxq equal to the table order", [] { gv_CFG_mxq = kOrder; }, ""},
      {"mxq_precision 0", [] { gv_CFG_mxq_precision = 0.0; }, ""},
      {"mxq_precision 0.5", [] { gv_CFG_mxq_precision = 0.5; }, ""},
      {"seed -1", [] { gv_CFG_sim_seed = -1; }, ""},
      {"reset -1 and 1", [] { gv_CFG_sim_reset = -1; }, ""},
      {"service and abandonment off", [] { gv_CFG_order_ser = -1; gv_CFG_order_abd = -1; }, ""},
      {"distribution codes 3", [] { gv_CFG_sim_iat_dist = 3; gv_CFG_sim_ser_dist = 3; gv_CFG_sim_abd_dist = 3; }, ""},
      {"kappas near the bounds", [] { gv_CFG_iat_kappa = 1e-9; gv_CFG_ser_kappa = 0.999999; }, ""},
      {"mxn_suc_2PH equal to mxn_suc", [] { gv_CFG_mxn_suc_2PH = 10; }, ""},
      {"mxn_suc_2PH above mxn_suc", [] { gv_CFG_mxn_suc_2PH = 11; }, ""},
      {"mxn_suc 0 without the two-phase series", [] { gv_CFG_mxn_suc = 0; gv_CFG_mxn_suc_2PH = -1; }, ""},
      {"old output format", [] { gv_CFG_new_output = 0; }, ""},
  };
  return cases;
}

std::string first_error_after(const std::function<void()>& edit) {
  set_valid_config();
  edit();
  return f_first_config_error(kOrder);
}

}  // namespace

TEST(ConfigCheck, EachFailingCheckGivesItsExactMessage) {
  for (const CheckCase& c : failing_cases()) EXPECT_EQ(first_error_after(c.edit), c.message) << c.name;
}

TEST(ConfigCheck, BoundaryValuesPass) {
  for (const CheckCase& c : passing_cases()) EXPECT_EQ(first_error_after(c.edit), "") << c.name;
}

TEST(ConfigCheck, EveryCheckIsCoveredByTheTable) {
  // The table above names its check number first; all 29 must occur.
  std::set<int> numbers;
  for (const CheckCase& c : failing_cases()) numbers.insert(std::atoi(c.name));
  EXPECT_EQ(numbers.size(), 29u);
  EXPECT_EQ(*numbers.begin(), 1);
  EXPECT_EQ(*numbers.rbegin(), 29);
}

TEST(ConfigCheck, EarlierOfTwoFailuresWins) {
  // Every pair of failing rows of different checks, the earlier check's edit
  // applied last: its message is the one reported.
  const auto& cases = failing_cases();
  for (std::size_t a = 0; a < cases.size(); ++a) {
    for (std::size_t b = a + 1; b < cases.size(); ++b) {
      if (std::atoi(cases[a].name) == std::atoi(cases[b].name)) continue;
      const std::string got = first_error_after([&] {
        cases[b].edit();
        cases[a].edit();
      });
      EXPECT_EQ(got, cases[a].message) << cases[a].name << " with " << cases[b].name;
    }
  }
}

TEST(ConfigCheck, MxqIsBoundedByTheBinomialTableOrder) {
  set_valid_config();
  gv_CFG_mxq = 2;
  EXPECT_EQ(f_first_config_error(2), "");
  gv_CFG_mxq = 3;
  EXPECT_EQ(f_first_config_error(2), E("maximum queue size exceeds 2 (gv_CFG_mxt)."));
  gv_CFG_mxq = 0;  // check 5 reports first, whatever the table
  EXPECT_EQ(f_first_config_error(-1), E("negative/zero maximum queue size (gv_CFG_mxt)."));
}

TEST(ConfigCheck, FailureEndsTheRunThroughThePromptedExit) {
  const ChildResult r = run_in_child([] {
    set_valid_config();
    gv_CFG_sim_seed = -5;
    gv_CFG_abd_kappa = 1.0;
    binom_n = kOrder;
    f_check_config();
  });
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, prompted(E("incorrect simulation seed value (gv_CFG_sim_seed).")));
}

TEST(ConfigCheck, PassingConfigurationPrintsNothing) {
  const ChildResult r = run_in_child([] {
    set_valid_config();
    binom_n = kOrder;
    f_check_config();
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
}
