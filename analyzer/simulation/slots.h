// Slot operations on the simulated servers and queue: scans for the earliest
// event and the queue head (lowest slot wins ties), adding a unit with the
// cached minima updated, and removal by moving the last unit into the slot.
#pragma once

#include "analyzer/simulation/sim_state.h"

// Sets srv_next and its slot from srv_time[0..busy-1]; nothing when busy = 0.
void f_scan_servers(SimQueue& s);

// Sets abd_next and its slot from q_abd_time[0..queue-1] and head_slot from
// q_join_time in one pass; nothing when queue = 0.
void f_scan_queue(SimQueue& s);

// A unit enters server slot busy with its next event at `time`, in phase 0.
// It becomes the cached minimum in slot 0 or when strictly earlier.
void f_add_server(SimQueue& s, double time);

// A unit joins queue slot queue, in patience phase 0. In slot 0 it becomes the
// earliest abandonment and the head; later it can only become the earliest.
void f_add_waiting(SimQueue& s, double abd_time, double join_time);

// Server slot j takes the unit (time and phase) of the last busy slot.
void f_remove_server(SimQueue& s, int j);

// Queue slot j takes the unit (times and phase) of the last queue slot.
void f_remove_waiting(SimQueue& s, int j);

// Copies the live slots, counts, minima, cursors, interval and boundary of
// from into to, whose arrays are already sized.
void f_copy_queue(const SimQueue& from, SimQueue& to);
