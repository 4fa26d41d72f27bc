// Thinning of a phase-type process: candidate epochs at the constant rate L
// of the process, each accepted with probability -Q[ph][ph] / L of the
// current period; an accepted candidate moves the unit to its next phase or
// completes its holding time.
#pragma once

#include "analyzer/simulation/sim_state.h"

enum class ThinOutcome { rejected, moved, complete };

// Decides the candidate at time t of a unit of process proc in phase `phase`
// of period `period`. Rejected or moved: `clock` gets the next candidate
// t + gap. Complete: phase is back at 0 and the real event follows. A phase
// at or beyond the period's phase count is judged at the rate of its last
// phase and completes when accepted.
ThinOutcome f_thin_candidate(SimRun& run, int proc, int period, int& phase, double& clock, double t);

// The candidate of server slot srv_next_slot or of queue slot abd_next_slot
// of s at time t; a rejected or moved unit's new candidate is followed by a
// scan of its kind.
ThinOutcome f_thin_server(SimRun& run, SimQueue& s, double t);
ThinOutcome f_thin_waiting(SimRun& run, SimQueue& s, double t);
