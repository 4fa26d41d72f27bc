// Writes the configuration echo: nine banner lines, then for each of the 30
// fields its label and its value on the lines they hold in CONFIG.DAT. The old
// output format (gv_CFG_new_output other than 1) stops after field 20 with six
// filler lines, so the echo has 69 lines or 55.
#include "analyzer/input/config_echo.h"

#include <fstream>
#include <string>

#include "analyzer/input/config.h"

namespace {

// Label of each field, in field order (fields 1 to 30).
const char* const kLabels[30] = {
    "INSTANCE FILE NAME (E.G. 'EXAMPLE_DIRECTORY\\EXAMPLE_INSTANCE_') [InstFileName].",
    "INSTANCE FILE NAME EXTENSION (E.G. '.DAT') [InstFileExt].",
    "FIRST INSTANCE FILE NUMBER (E.G. '1') [gv_CFG_fnr].",
    "LAST INSTANCE FILE NUMBER (E.G. '9') [gv_CFG_lnr].",
    "USE ABSOLUTE VALUE TO DETERMINE DELTA OR USE A PERCENTAGE OF THE AVERAGE SERVICE TIME "
    "(0 = use absolute value | 1 = use percentage) [gv_CFG_Delta].",
    "ABSOLUTE VALUE/PERCENTAGE USED TO DETERMINE DELTA [gv_CFG_Delta_abs|gv_CFG_Delta_pct].",
    "MAXIMUM ALLOWED WAITING TIME OF A UNIT [gv_CFG_mxt].",
    "MAXIMUM NUMBER OF UNITS IN QUEUE [gv_mxq & gv_CFG_mxq].",
    "PRECISION LEVEL USED TO DETERMIN MAXIMUM NUMBER OF UNITS IN QUEUE (-1 = ALWAYS USE "
    "gv_CFG_mxq | >0 = USE LESS THAN gv_CFG_mxq IF POSSIBLE) [gv_CFG_mxq_precision].",
    "MAXIMUM NUMBER OF UNITS IN QUEUE DURING SIMULATION [gv_CFG_sim_mxq].",
    "NUMBER OF CYCLES TO BE EVALUATED (0 = steady-state distribution | >0 = number of cycles "
    "analyzed) [gv_CFG_nrc].",
    "NUMBER OF SIMULATION ITERATIONS USED IN THE SIMULATION (0 = do not perform simulation | "
    ">0 = number of simulation iterations) [gv_CFG_nri].",
    "RANDOM NUMBER GENERATOR SEED (-1 = use system time to seed random number generator | >=0 = "
    "use user-defined seed) [gv_CFG_sim_seed].",
    "RESET ARRIVAL/SERVICE/ABANDONMENT PROCESSES AT PROCESS CHANGE DURING SIMULATION (-1 = use "
    "thinning (see Quarvel et al. (2008)) | 0 = no | 1 = yes) [gv_CFG_sim_reset].",
    "PRECISION REQUIRED IN COMPUTATIONS [gv_CFG_precision].",
    "PRECISION USED TO DETERMINE WHEN STATIONARY RESULTS HAVE BEEN OBTAINED "
    "[gv_CFG_precision_stat].",
    "ORDER OF ARRIVAL PROCESS (1 = EXECUTED BEFORE SERVICE & ABANDONMENT PROCESS | 2 = EXECUTED "
    "IN BETWEEN SERVICE & ABANDONMENT PROCESS | 3 = EXECUTED AFTER SERVICE & ABANDONMENT "
    "PROCESS) [gv_CFG_order_iat].",
    "ORDER OF SERVICE PROCESS (-1 = DISABLE SERVICE PROCESS | 1 = EXECUTED BEFORE ARRIVAL & "
    "ABANDONMENT PROCESS | 2 = EXECUTED IN BETWEEN ARRIVAL & ABANDONMENT PROCESS | 3 = EXECUTED "
    "AFTER ARRIVAL & ABANDONMENT PROCESS) [gv_CFG_order_ser].",
    "ORDER OF ABANDONMENT PROCESS (-1 = DISABLE ABANDONMENT PROCESS | 1 = EXECUTED BEFORE "
    "ARRIVAL & SERVICE PROCESS | 2 = EXECUTED IN BETWEEN ARRIVAL & SERVICE PROCESS | 3 = "
    "EXECUTED AFTER ARRIVAL & SERVICE PROCESS) [gv_CFG_order_abd].",
    "TIME IN BETWEEN TWO OBSERVATION MOMENTS [gv_CFG_obs_int].",
    "WRITE RESULTS FOR ALL INTERVALS OR ONLY FOR OBSERVATION INTERVALS (0 = all intervals | 1 = "
    "observation intervals only) [gv_CFG_write_obs].",
    "ARRIVAL PROCESS DISTRIBUTION (0 = phase type (PH) | 1 = lognormal | 2 = beta | 3 = gamma) "
    "[gv_CFG_sim_iat_dist].",
    "SERVICE PROCESS DISTRIBUTION (0 = phase type (PH) | 1 = lognormal | 2 = beta | 3 = gamma) "
    "[gv_CFG_sim_ser_dist].",
    "ABANDONMENT PROCESS DISTRIBUTION (0 = phase type (PH) | 1 = lognormal | 2 = beta | 3 = "
    "gamma) [gv_CFG_sim_abd_dist].",
    "WHICH KAPPA VALUE SHOULD BE USED FOR THE ARRIVAL PROCESS ([0,1] = use kappa value specified "
    "below for two-phase Coxian distribution) [gv_CFG_iat_kappa].",
    "WHICH KAPPA VALUE SHOULD BE USED FOR THE SERVICE PROCESS ([0,1] = use kappa value specified "
    "below for two-phase Coxian distribution) [gv_CFG_ser_kappa].",
    "WHICH KAPPA VALUE SHOULD BE USED FOR THE ABANDONMENT PROCESS ([0,1] = use kappa value "
    "specified below for two-phase Coxian distribution) [gv_CFG_abd_kappa].",
    "USE THE NEW OUTPUT FORMAT OR THE OLD OUTPUT FORMAT (DOES NOT INCLUDE OBSERVATION INTERVAL AT "
    "TIME 0) (0 = old format | 1 = new format) [gv_CFG_new_output].",
    "MAXIMUM NUMBER OF SUCCESSES (10 = DEFAULT | NUMERICAL PRECISION IS LOST FOR VALUES LARGER "
    "THAN 12) [gv_CFG_mxn_suc].",
    "MAXIMUM NUMBER OF SUCCESSES USED IN THE f_2PH_advancement PROCEDURE (-1 = DISABLE USE OF "
    "PROCEDURE | >0 = NUMBER OF SUCCESSES (10 = DEFAULT)) [gv_CFG_mxn_suc_2PH].",
};

// The title of the echo banner, at the left of its 44-character field.
constexpr const char* kEchoTitle = "QUEUE-ANALYZER RUN CONFIGURATION";

// A banner line: "||||", text padded with blanks to 44 characters, "||||".
std::string framed(const std::string& text) {
  return "||||" + text + std::string(44 - text.size(), ' ') + "||||";
}

template <typename T>
void field(std::ostream& out, int k, const T& value) {
  out << kLabels[k - 1] << "\n" << value << "\n";
}

}  // namespace

void f_write_config_echo(std::ostream& out) {
  out << framed(kEchoTitle) << "\n";
  out << framed("") << "\n";
  out << framed("EXAMPLE INPUT FILES:") << "\n";
  out << framed("\\EXAMPLE_DIRECTORY\\EXAMPLE_INSTANCE_1.DAT") << "\n";
  out << framed("\\EXAMPLE_DIRECTORY\\EXAMPLE_INSTANCE_2.DAT") << "\n";
  out << framed("...") << "\n";
  out << framed("\\EXAMPLE_DIRECTORY\\EXAMPLE_INSTANCE_9.DAT") << "\n";
  out << framed("") << "\n";
  out << std::string(52, '|') << "\n";
  field(out, 1, InstFileName);
  field(out, 2, InstFileExt);
  field(out, 3, gv_CFG_fnr);
  field(out, 4, gv_CFG_lnr);
  field(out, 5, gv_CFG_Delta);
  // The field shows the value read from CONFIG.DAT, never the -1 marker.
  field(out, 6, gv_CFG_Delta == 0 ? gv_CFG_Delta_abs : gv_CFG_Delta_pct);
  field(out, 7, gv_CFG_mxt);
  out << kLabels[7] << "\n" << gv_mxq << ";" << gv_CFG_mxq << "\n";
  field(out, 9, gv_CFG_mxq_precision);
  field(out, 10, gv_CFG_sim_mxq);
  field(out, 11, gv_CFG_nrc);
  field(out, 12, gv_CFG_nri);
  field(out, 13, gv_CFG_sim_seed);
  field(out, 14, gv_CFG_sim_reset);
  field(out, 15, gv_CFG_precision);
  field(out, 16, gv_CFG_precision_stat);
  field(out, 17, gv_CFG_order_iat);
  field(out, 18, gv_CFG_order_ser);
  field(out, 19, gv_CFG_order_abd);
  field(out, 20, gv_CFG_obs_int);
  if (gv_CFG_new_output == 1) {
    field(out, 21, gv_CFG_write_obs);
    field(out, 22, gv_CFG_sim_iat_dist);
    field(out, 23, gv_CFG_sim_ser_dist);
    field(out, 24, gv_CFG_sim_abd_dist);
    field(out, 25, gv_CFG_iat_kappa);
    field(out, 26, gv_CFG_ser_kappa);
    field(out, 27, gv_CFG_abd_kappa);
    field(out, 28, gv_CFG_new_output);
    field(out, 29, gv_CFG_mxn_suc);
    field(out, 30, gv_CFG_mxn_suc_2PH);
  } else {
    out << "EMPTY LINE\n1\nEMPTY LINE\n2\nEMPTY LINE\n3\n";
  }
}

void f_write_summary_echo() {
  SummaryFileName = "SUMMARY.CSV";
  std::ofstream out(SummaryFileName, std::ios::out | std::ios::trunc);
  f_write_config_echo(out);
  out.flush();
  out.close();
}
