// Compact slot arrays of the simulation: every scan runs from slot 0 upward
// and takes a later slot only when its value is strictly smaller.
#include "analyzer/simulation/slots.h"

#include <algorithm>
#include <cstddef>

namespace {

inline std::size_t at(int i) { return static_cast<std::size_t>(i); }

}  // namespace

void f_scan_servers(SimQueue& s) {
  if (s.busy <= 0) return;
  s.srv_next = s.srv_time[0];
  s.srv_next_slot = 0;
  for (int i = 1; i < s.busy; ++i) {
    if (s.srv_time[at(i)] < s.srv_next) {
      s.srv_next = s.srv_time[at(i)];
      s.srv_next_slot = i;
    }
  }
}

void f_scan_queue(SimQueue& s) {
  if (s.queue <= 0) return;
  s.abd_next = s.q_abd_time[0];
  s.abd_next_slot = 0;
  s.head_slot = 0;
  for (int i = 1; i < s.queue; ++i) {
    if (s.q_abd_time[at(i)] < s.abd_next) {
      s.abd_next = s.q_abd_time[at(i)];
      s.abd_next_slot = i;
    }
    if (s.q_join_time[at(i)] < s.q_join_time[at(s.head_slot)]) s.head_slot = i;
  }
}

void f_add_server(SimQueue& s, double time) {
  const int b = s.busy;
  s.srv_time[at(b)] = time;
  s.srv_phase[at(b)] = 0;
  if (b == 0 || time < s.srv_next) {
    s.srv_next = time;
    s.srv_next_slot = b;
  }
  s.busy = b + 1;
}

void f_add_waiting(SimQueue& s, double abd_time, double join_time) {
  const int q = s.queue;
  s.q_abd_time[at(q)] = abd_time;
  s.q_join_time[at(q)] = join_time;
  s.q_abd_phase[at(q)] = 0;
  if (q == 0) {
    s.abd_next = abd_time;
    s.abd_next_slot = 0;
    s.head_slot = 0;
  } else if (abd_time < s.abd_next) {
    s.abd_next = abd_time;
    s.abd_next_slot = q;
  }
  s.queue = q + 1;
}

void f_remove_server(SimQueue& s, int j) {
  s.busy -= 1;
  s.srv_time[at(j)] = s.srv_time[at(s.busy)];
  s.srv_phase[at(j)] = s.srv_phase[at(s.busy)];
}

void f_remove_waiting(SimQueue& s, int j) {
  s.queue -= 1;
  s.q_abd_time[at(j)] = s.q_abd_time[at(s.queue)];
  s.q_join_time[at(j)] = s.q_join_time[at(s.queue)];
  s.q_abd_phase[at(j)] = s.q_abd_phase[at(s.queue)];
}

void f_copy_queue(const SimQueue& from, SimQueue& to) {
  const std::size_t b = at(from.busy);
  const std::size_t q = at(from.queue);
  std::copy_n(from.srv_time.begin(), b, to.srv_time.begin());
  std::copy_n(from.srv_phase.begin(), b, to.srv_phase.begin());
  std::copy_n(from.q_abd_time.begin(), q, to.q_abd_time.begin());
  std::copy_n(from.q_join_time.begin(), q, to.q_join_time.begin());
  std::copy_n(from.q_abd_phase.begin(), q, to.q_abd_phase.begin());
  to.busy = from.busy;
  to.queue = from.queue;
  to.srv_next = from.srv_next;
  to.srv_next_slot = from.srv_next_slot;
  to.abd_next = from.abd_next;
  to.abd_next_slot = from.abd_next_slot;
  to.head_slot = from.head_slot;
  to.per_ser = from.per_ser;
  to.per_abd = from.per_abd;
  to.int_idx = from.int_idx;
  to.bnd_time = from.bnd_time;
}
