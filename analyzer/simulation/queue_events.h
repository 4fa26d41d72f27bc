// Changes of the servers and the queue shared by the main event loops and the
// virtual wait: a service end, an abandonment, and the service, patience and
// server changes of the calendar at the start of an interval.
#pragma once

#include "analyzer/simulation/sim_state.h"

// Service end of server slot srv_next_slot at time t: the queue head (if any)
// takes the server with a fresh service time, otherwise the slot is freed.
void f_service_end(SimRun& run, SimQueue& s, double t);

// The unit of queue slot abd_next_slot abandons; nothing is counted here.
void f_abandon(SimQueue& s);

// Moves a period cursor when a period starts at interval k (flag set; the
// last period wraps to 0). At k = 0 without a flag the cursor is set to 0.
// Returns whether a period started.
bool f_advance_cursor(int& cursor, unsigned char flag, int k, int nr);

// Start of interval k at time t: the service and patience period changes
// (with their redraws when the run resets clocks) and the change in the
// number of servers.
void f_queue_calendar(SimRun& run, SimQueue& s, int k, double t);
