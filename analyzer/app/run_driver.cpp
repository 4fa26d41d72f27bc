// The instance road: read the instance, print its progress words around the
// model stages, release what belonged to it.
#include "analyzer/app/run_driver.h"

#include <iostream>
#include <exception>
#include <new>
#include <string>

#include "analyzer/input/config.h"
#include "analyzer/input/instance_file.h"
#include "analyzer/input/run_tables.h"
#include "analyzer/model/cycle_loop.h"
#include "analyzer/model/initialisation.h"
#include "analyzer/report/comparison_block.h"
#include "analyzer/report/model_results_block.h"
#include "analyzer/report/sim_check_file.h"
#include "analyzer/simulation/sim_parameters.h"
#include "analyzer/simulation/simulation.h"
#include "kernel/fatal_exit.h"

namespace {

void run_instance_stages(int inst_nr) {
  f_read_instance(inst_nr);
  std::cout << "---=[FILE " << inst_nr << "]=---" << "\n" << "INITIALIZATION ";

  ModelInstance model;
  f_initialise_instance(model, inst_nr);
  // Built for every instance, also when no simulation follows; it prints
  // nothing and cannot fail, so its place after the model tables is free.
  const SimParameters sim_par = f_build_sim_parameters();
  CycleState cycle = f_run_model_cycles(model, inst_nr);
  const ModelSummary summary = f_model_results_block(model, cycle, inst_nr);

  std::cout << "\n" << "SIMULATION ";
  if (gv_CFG_nri > 0) {
    const SimSettings settings = f_sim_settings();
    const SimResults sim = f_run_simulation(model, sim_par, cycle.cycle_count, settings, inst_nr);
    f_sim_check_row(sim, inst_nr, gv_CFG_fnr);
    f_comparison_block(model, cycle, summary, sim, settings.nri, inst_nr);
  }

  std::cout << "COMPLETE ";
  // The model's tables are released with `model` when this stage returns.
  f_release_instance();
  std::cout << "\n" << "STRUCTURES DESTROYED" << "\n";
}

}  // namespace

void f_run_instance(int inst_nr) {
  try {
    run_instance_stages(inst_nr);
  } catch (const std::bad_alloc&) {
    f_fatal_exit("Memory ran out while handling instance " + std::to_string(inst_nr) + ".");
  } catch (const std::exception& e) {
    // Last resort: any other library failure is refused like bad input rather
    // than ending the process abnormally.
    f_fatal_exit("Instance " + std::to_string(inst_nr) + " could not be handled: " + e.what());
  }
}

void f_end_of_run() { f_release_run_tables(); }
