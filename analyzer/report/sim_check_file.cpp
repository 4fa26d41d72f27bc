// The rows of SIM_CHECK.CSV, cells separated by ";", numbers in the stream's
// default format.
#include "analyzer/report/sim_check_file.h"

#include <ostream>

#include "analyzer/report/checked_append.h"

void f_sim_check_row(const SimResults& res, int inst_nr, int first_nr) {
  const bool first = (inst_nr == first_nr);
  f_checked_append(
      "SIM_CHECK.CSV", "Please close SIM_CHECK.CSV.",
      [&](std::ostream& out) {
        if (first) {
          out << "SIMULATION CHECK MEAN AND VARIANCE" << "\n";
          out << "INSTANCE;IAT # VARIATES;IAT MEAN;IAT VARIANCE;IAT SCV;SER # VARIATES;SER MEAN;SER VARIANCE;"
                 "SER SCV;ABD # VARIATES;ABD MEAN;ABD VARIANCE;ABD SCV"
              << "\n";
        }
        out << inst_nr;
        for (const VariateStream& s : res.streams) out << ";" << s.n << ";" << s.mean << ";" << s.var << ";" << s.scv;
        out << "\n";
      },
      first);
}
