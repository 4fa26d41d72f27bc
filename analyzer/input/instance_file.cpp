// Reads one instance file: per process block a period count and records of
// duration, mean and SCV; then the server block, records of duration and
// number of servers. Numbers are taken by formatted extraction in the classic
// locale, so line breaks carry no meaning.
#include "analyzer/input/instance_file.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <locale>
#include <sstream>
#include <vector>

#include "analyzer/input/config.h"
#include "analyzer/input/instance_data.h"
#include "kernel/fatal_exit.h"

int gv_iat_nr = 0;
std::vector<double> gv_iat_dur, gv_iat_mean, gv_iat_scv, gv_iat_kappa;
int gv_ser_nr = 0;
std::vector<double> gv_ser_dur, gv_ser_mean, gv_ser_scv, gv_ser_kappa;
int gv_abd_nr = 0;
std::vector<double> gv_abd_dur, gv_abd_mean, gv_abd_scv, gv_abd_kappa;
int gv_srv_nr = 0;
std::vector<double> gv_srv_dur;
std::vector<int> gv_srv_s;

namespace {

// Longest decimal text of an instance number that names a file.
constexpr std::size_t kMaxNumberChars = 9;

// Largest relative difference between a block total and the cycle length.
constexpr double kCycleTolerance = 1e-12;

// Smallest SCV the model represents: its state holds two phases per process.
constexpr double kMinScv = 0.5;

struct InstanceCursor {
  std::istream& in;
  std::string origin;  // "Error in instance file NAME (instance N)"
};

// Shortest text that reads back as the same double.
std::string shortest(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

[[noreturn]] void instance_error(const InstanceCursor& c, const char* block,
                                 const std::string& record, const std::string& what) {
  f_fatal_exit(c.origin + ", " + block + " block, " + record + ": " + what + ".");
}

template <typename T>
T read_value(InstanceCursor& c, const char* block, const std::string& record, const char* name) {
  T value{};
  c.in >> std::ws;
  if (c.in.eof()) instance_error(c, block, record, std::string("the file ends before the ") + name);
  if (!(c.in >> value)) instance_error(c, block, record, std::string("the ") + name + " is not a valid number");
  return value;
}

int read_count(InstanceCursor& c, const char* block) {
  const int count = read_value<int>(c, block, "period count", "period count");
  if (count < 1) {
    instance_error(c, block, "period count",
                   "the count is " + std::to_string(count) + "; every block needs at least one period");
  }
  return count;
}

std::string record_name(int i) { return "record " + std::to_string(i + 1); }

struct ProcessBlock {
  const char* block;      // "arrival", "service", "abandonment"
  const char* mean_name;  // what the mean of a record is
  int& nr;
  std::vector<double>& dur;
  std::vector<double>& mean;
  std::vector<double>& scv;
  std::vector<double>& kappa;
  double cfg_kappa;
};

double read_process_block(InstanceCursor& c, const ProcessBlock& b) {
  b.nr = read_count(c, b.block);
  for (std::vector<double>* v : {&b.dur, &b.mean, &b.scv, &b.kappa}) v->clear();
  double total = 0.0;
  for (int i = 0; i < b.nr; ++i) {
    const std::string record = record_name(i);
    const double dur = read_value<double>(c, b.block, record, "duration");
    total += dur;
    const double mean = read_value<double>(c, b.block, record, b.mean_name);
    if (!(std::isfinite(mean) && mean > 0.0)) {
      instance_error(c, b.block, record,
                     std::string("the ") + b.mean_name + " is " + shortest(mean) +
                         "; it must be positive and finite");
    }
    const double scv = read_value<double>(c, b.block, record, "SCV");
    if (!(std::isfinite(scv) && scv >= kMinScv)) {
      instance_error(c, b.block, record,
                     "the SCV is " + shortest(scv) + "; the model supports finite SCV >= 0.5");
    }
    b.dur.push_back(dur);
    b.mean.push_back(mean);
    b.scv.push_back(scv);
    b.kappa.push_back(b.cfg_kappa);
  }
  return total;
}

double read_server_block(InstanceCursor& c) {
  const char* const block = "servers";
  gv_srv_nr = read_count(c, block);
  gv_srv_dur.clear();
  gv_srv_s.clear();
  double total = 0.0;
  for (int i = 0; i < gv_srv_nr; ++i) {
    const std::string record = record_name(i);
    const double dur = read_value<double>(c, block, record, "duration");
    total += dur;
    const int servers = read_value<int>(c, block, record, "number of servers");
    if (servers < 0) {
      instance_error(c, block, record,
                     "the number of servers is " + std::to_string(servers) + "; it must not be negative");
    }
    gv_srv_dur.push_back(dur);
    gv_srv_s.push_back(servers);
  }
  return total;
}

}  // namespace

std::string f_instance_file_name(int inst_nr) {
  const std::string number = std::to_string(inst_nr);
  if (number.size() > kMaxNumberChars) {
    f_fatal_exit("Instance number " + number +
                 " cannot name an instance file: its decimal text has more than 9 characters.");
  }
  return InstFileName + number + "." + InstFileExt;
}

BlockTotals f_parse_instance(std::istream& in, int inst_nr, const std::string& file_name) {
  InstanceCursor c{in, "Error in instance file " + file_name + " (instance " + std::to_string(inst_nr) + ")"};
  BlockTotals totals;
  totals.iat = read_process_block(c, {"arrival", "mean inter-arrival time", gv_iat_nr, gv_iat_dur,
                                      gv_iat_mean, gv_iat_scv, gv_iat_kappa, gv_CFG_iat_kappa});
  totals.ser = read_process_block(c, {"service", "mean service time", gv_ser_nr, gv_ser_dur,
                                      gv_ser_mean, gv_ser_scv, gv_ser_kappa, gv_CFG_ser_kappa});
  totals.abd = read_process_block(c, {"abandonment", "mean patience time", gv_abd_nr, gv_abd_dur,
                                      gv_abd_mean, gv_abd_scv, gv_abd_kappa, gv_CFG_abd_kappa});
  totals.srv = read_server_block(c);
  return totals;
}

bool f_same_cycle_length(double total, double cycle) {
  // A NaN fails the comparison; equal infinite totals pass and are refused
  // later as a cycle of too many intervals.
  return total == cycle || std::fabs(total - cycle) <= kCycleTolerance * std::fabs(cycle);
}

void f_check_durations(const BlockTotals& totals, int inst_nr) {
  if (f_same_cycle_length(totals.iat, totals.srv) && f_same_cycle_length(totals.ser, totals.srv) &&
      f_same_cycle_length(totals.abd, totals.srv)) {
    return;
  }
  std::ostringstream msg;
  msg.precision(17);
  msg << "Error in arrival/service/abandonment/number of servers interval durations. Press any key "
         "to quit.\n"
      << "Instance " << inst_nr << ": arrival " << totals.iat << ", service " << totals.ser << ", abandonment "
      << totals.abd << ", servers " << totals.srv << ".";
  f_fatal_exit_own_prompt(msg.str());
}

void f_read_instance(int inst_nr) {
  const std::string file_name = f_instance_file_name(inst_nr);
  BlockTotals totals;
  {
    std::ifstream in(file_name);
    if (!in) f_fatal_exit("Unable to open instance file number:" + std::to_string(inst_nr) + ".");
    in.imbue(std::locale::classic());
    totals = f_parse_instance(in, inst_nr, file_name);
  }
  f_check_durations(totals, inst_nr);
}

void f_release_instance() {
  for (std::vector<double>* v : {&gv_iat_dur, &gv_iat_mean, &gv_iat_scv, &gv_iat_kappa,
                                 &gv_ser_dur, &gv_ser_mean, &gv_ser_scv, &gv_ser_kappa,
                                 &gv_abd_dur, &gv_abd_mean, &gv_abd_scv, &gv_abd_kappa, &gv_srv_dur}) {
    *v = std::vector<double>();
  }
  gv_srv_s = std::vector<int>();
  gv_iat_nr = gv_ser_nr = gv_abd_nr = gv_srv_nr = 0;
}
