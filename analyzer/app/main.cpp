// Entry of queue-analyzer: start-up, then every instance number from the
// first up to (not including) the last, then the end of the run. A fatal
// error unwinds to here and ends the run with its failure status.
#include "analyzer/app/run_driver.h"
#include "analyzer/app/start_up.h"
#include "analyzer/input/config.h"
#include "kernel/fatal_exit.h"

int main() {
  try {
    f_start_up();
    for (int inst_nr = gv_CFG_fnr; inst_nr < gv_CFG_lnr; ++inst_nr) f_run_instance(inst_nr);
    f_end_of_run();
    return 0;
  } catch (const FatalExit& e) {
    return e.status;
  }
}
