// Service ends, abandonments and calendar changes on a set of servers and
// queue. A server increase serves heads of the queue; a decrease removes
// busy units from slots chosen by floor(r / 32768 * b).
#include "analyzer/simulation/queue_events.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "analyzer/simulation/sim_random.h"
#include "analyzer/simulation/slots.h"

void f_service_end(SimRun& run, SimQueue& s, double t) {
  const int j = s.srv_next_slot;
  if (s.queue > 0) {
    // The head loses its patience clock and starts service in phase 0.
    f_remove_waiting(s, s.head_slot);
    f_scan_queue(s);
    const double y = f_sim_draw(run, kSer, s.per_ser);
    s.srv_time[static_cast<std::size_t>(j)] = t + y;
    s.srv_phase[static_cast<std::size_t>(j)] = 0;
  } else {
    f_remove_server(s, j);
  }
  f_scan_servers(s);
}

void f_abandon(SimQueue& s) {
  f_remove_waiting(s, s.abd_next_slot);
  f_scan_queue(s);
}

bool f_advance_cursor(int& cursor, unsigned char flag, int k, int nr) {
  if (flag) {
    cursor = (cursor == nr - 1) ? 0 : cursor + 1;
    return true;
  }
  if (k == 0) cursor = 0;
  return false;
}

namespace {

void server_change(SimRun& run, SimQueue& s, int k, double t) {
  const IntervalGrid& g = *run.grid;
  const int d = g.srv_chg[static_cast<std::size_t>(k)];
  const int servers = g.srv_int[static_cast<std::size_t>(k)];
  if (d > 0) {
    const int moves = std::min(d, s.queue);
    for (int i = 0; i < moves; ++i) {
      f_remove_waiting(s, s.head_slot);
      f_scan_queue(s);
      f_add_server(s, t + f_sim_draw(run, kSer, s.per_ser));
    }
  } else if (d < 0 && s.busy > servers) {
    const int removals = s.busy - servers;
    for (int i = 0; i < removals; ++i) {
      const int r = f_rand();
      const int j = static_cast<int>(std::floor(static_cast<double>(r) / 32768.0 * static_cast<double>(s.busy)));
      f_remove_server(s, j);
    }
    f_scan_servers(s);
  }
}

}  // namespace

void f_queue_calendar(SimRun& run, SimQueue& s, int k, double t) {
  const IntervalGrid& g = *run.grid;
  const std::size_t kk = static_cast<std::size_t>(k);
  if (f_advance_cursor(s.per_ser, g.chg_ser[kk], k, run.proc[kSer].nr) && run.reset == 1) {
    for (int i = 0; i < s.busy; ++i) s.srv_time[static_cast<std::size_t>(i)] = t + f_sim_draw(run, kSer, s.per_ser);
    f_scan_servers(s);
  }
  if (f_advance_cursor(s.per_abd, g.chg_abd[kk], k, run.proc[kAbd].nr) && run.reset == 1 && s.queue > 0) {
    for (int i = 0; i < s.queue; ++i) {
      s.q_abd_time[static_cast<std::size_t>(i)] = t + f_sim_draw(run, kAbd, s.per_abd);
    }
    // Waiting units keep their join times, so the head stays the unit that
    // joined first.
    f_scan_queue(s);
  }
  server_change(run, s, k, t);
}
