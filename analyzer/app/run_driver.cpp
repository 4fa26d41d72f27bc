// The instance road: read the instance, print its progress words around the
// model stages, release what belonged to it.
#include "analyzer/app/run_driver.h"

#include <iostream>
#include <new>
#include <string>

#include "analyzer/input/instance_file.h"
#include "analyzer/input/run_tables.h"
#include "kernel/fatal_exit.h"

namespace {

void run_instance_stages(int inst_nr) {
  f_read_instance(inst_nr);
  std::cout << "---=[FILE " << inst_nr << "]=---" << "\n" << "INITIALIZATION ";

  // Model stages, in this order, each one call:
  //   working queue bound, interval grid, Delta checks and calendar;
  //   phase-type fits and state layout; arrival count tables; service and
  //   abandonment count tables; simulation distribution parameters; result
  //   arrays and state distribution; split tables;
  //   model cycles; model results block;
  //   "\n", "SIMULATION ", and when gv_CFG_nri > 0 the simulation, its
  //   SIM_CHECK.CSV row, the comparison block and the release of its arrays.

  std::cout << "COMPLETE ";
  // Release of the instance's structures; each stage above adds its own.
  f_release_instance();
  std::cout << "\n" << "STRUCTURES DESTROYED" << "\n";
}

}  // namespace

void f_run_instance(int inst_nr) {
  try {
    run_instance_stages(inst_nr);
  } catch (const std::bad_alloc&) {
    f_fatal_exit("Memory ran out while handling instance " + std::to_string(inst_nr) + ".");
  }
}

void f_end_of_run() { f_release_run_tables(); }
