// Reads the run configuration from CONFIG.DAT by line position. Lines end at
// LF, a CR right before the LF belonging to the line end; lines hold at most
// 255 characters; the first read that fails (over-long line, text that is not
// a number, end of file) puts the reader in a failed state in which every
// later read takes nothing, so the fields not yet read keep their initial 0.
#include "analyzer/input/config_reader.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <type_traits>

#include "analyzer/input/config.h"
#include "analyzer/input/config_echo.h"
#include "kernel/fatal_exit.h"

namespace {

// A line buffer holds 255 characters and its terminator.
constexpr std::size_t kMaxLineChars = 255;

struct ConfigCursor {
  std::string_view text;
  std::size_t pos = 0;
  bool failed = false;
};

bool at_end(const ConfigCursor& c) { return c.pos >= c.text.size(); }

bool is_digit(char ch) { return ch >= '0' && ch <= '9'; }

bool is_blank(char ch) {
  return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f';
}

// Reads up to and including the next line end. The characters of the line go
// to *line when it is given. A 256th character before the line end, or the end
// of the file, fails the reader (the characters read so far are kept).
void read_line(ConfigCursor& c, std::string* line) {
  if (c.failed) return;
  std::size_t taken = 0;
  for (;;) {
    if (at_end(c)) {
      c.failed = true;
      return;
    }
    const char ch = c.text[c.pos];
    if (ch == '\n') {
      ++c.pos;
      return;
    }
    if (ch == '\r' && c.pos + 1 < c.text.size() && c.text[c.pos + 1] == '\n') {
      c.pos += 2;
      return;
    }
    if (taken == kMaxLineChars) {
      c.failed = true;
      return;
    }
    if (line != nullptr) line->push_back(ch);
    ++taken;
    ++c.pos;
  }
}

void skip_line(ConfigCursor& c) { read_line(c, nullptr); }

void take_line(ConfigCursor& c, std::string& field) {
  field.clear();
  read_line(c, &field);
}

// Skips white space across line ends; false (and the reader failed) when the
// file ends first.
bool skip_white(ConfigCursor& c) {
  while (!at_end(c) && is_blank(c.text[c.pos])) ++c.pos;
  if (at_end(c)) c.failed = true;
  return !c.failed;
}

std::size_t digits_from(const ConfigCursor& c, std::size_t p) {
  std::size_t n = 0;
  while (p + n < c.text.size() && is_digit(c.text[p + n])) ++n;
  return n;
}

// The longest text at the cursor that forms an int: [+-]digits. A number that
// reaches the end of the file is delivered and fails the reader afterwards;
// one beyond the int range stores the nearest int and fails the reader.
void read_int(ConfigCursor& c, int& field) {
  if (c.failed || !skip_white(c)) return;
  std::size_t p = c.pos;
  bool negative = false;
  if (c.text[p] == '+' || c.text[p] == '-') {
    negative = c.text[p] == '-';
    ++p;
  }
  const std::size_t n = digits_from(c, p);
  if (n == 0) {
    c.failed = true;
    return;
  }
  // Accumulate the magnitude, stopping once it is beyond every int.
  constexpr long long kBeyond = static_cast<long long>(std::numeric_limits<int>::max()) + 2;
  long long magnitude = 0;
  for (std::size_t i = 0; i < n; ++i) {
    magnitude = magnitude * 10 + (c.text[p + i] - '0');
    if (magnitude > kBeyond) magnitude = kBeyond;
  }
  c.pos = p + n;
  const long long value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<int>::max()) {
    field = std::numeric_limits<int>::max();
    c.failed = true;
  } else if (value < std::numeric_limits<int>::min()) {
    field = std::numeric_limits<int>::min();
    c.failed = true;
  } else {
    field = static_cast<int>(value);
  }
  if (at_end(c)) c.failed = true;
}

// The longest text at the cursor that forms a decimal double:
// [+-] (digits [. [digits]] | . digits) [(e|E) [+-] digits]. The value is its
// correctly rounded double (strtod in the C locale, which the program never
// changes); one beyond the largest finite double stores the
// largest finite double of its sign and fails the reader.
void read_double(ConfigCursor& c, double& field) {
  if (c.failed || !skip_white(c)) return;
  const std::size_t start = c.pos;
  std::size_t p = start;
  if (c.text[p] == '+' || c.text[p] == '-') ++p;
  const std::size_t int_digits = digits_from(c, p);
  p += int_digits;
  std::size_t frac_digits = 0;
  if (p < c.text.size() && c.text[p] == '.') {
    frac_digits = digits_from(c, p + 1);
    if (int_digits + frac_digits > 0) p += 1 + frac_digits;
  }
  if (int_digits + frac_digits == 0) {
    c.failed = true;
    return;
  }
  if (p < c.text.size() && (c.text[p] == 'e' || c.text[p] == 'E')) {
    std::size_t q = p + 1;
    if (q < c.text.size() && (c.text[q] == '+' || c.text[q] == '-')) ++q;
    const std::size_t exp_digits = digits_from(c, q);
    if (exp_digits > 0) p = q + exp_digits;
  }
  c.pos = p;
  const std::string number(c.text.substr(start, p - start));
  errno = 0;
  const double value = std::strtod(number.c_str(), nullptr);
  if (errno == ERANGE && (value == HUGE_VAL || value == -HUGE_VAL)) {
    field = value > 0.0 ? std::numeric_limits<double>::max() : -std::numeric_limits<double>::max();
    c.failed = true;
  } else {
    field = value;
  }
  if (at_end(c)) c.failed = true;
}

// One numeric field: its label line, its value, and (but for the last field)
// the rest of the value line.
template <typename T>
void read_field(ConfigCursor& c, T& field, bool last = false) {
  skip_line(c);
  if constexpr (std::is_same_v<T, int>) {
    read_int(c, field);
  } else {
    read_double(c, field);
  }
  if (!last) skip_line(c);
}

void reset_config() {
  InstFileName.clear();
  InstFileExt.clear();
  gv_CFG_fnr = gv_CFG_lnr = gv_CFG_Delta = 0;
  gv_CFG_Delta_abs = gv_CFG_Delta_pct = gv_CFG_mxt = 0.0;
  gv_CFG_mxq = 0;
  gv_CFG_mxq_precision = 0.0;
  gv_CFG_sim_mxq = gv_CFG_nrc = gv_CFG_nri = gv_CFG_sim_seed = gv_CFG_sim_reset = 0;
  gv_CFG_precision = gv_CFG_precision_stat = 0.0;
  gv_CFG_order_iat = gv_CFG_order_ser = gv_CFG_order_abd = 0;
  gv_CFG_obs_int = 0.0;
  gv_CFG_write_obs = gv_CFG_sim_iat_dist = gv_CFG_sim_ser_dist = gv_CFG_sim_abd_dist = 0;
  gv_CFG_iat_kappa = gv_CFG_ser_kappa = gv_CFG_abd_kappa = 0.0;
  gv_CFG_new_output = gv_CFG_mxn_suc = gv_CFG_mxn_suc_2PH = 0;
}

}  // namespace

void f_parse_config(std::string_view text) {
  reset_config();
  ConfigCursor c{text};
  // Lines 1 to 9 are the header, line 10 the label of the first field.
  for (int line = 1; line <= 10; ++line) skip_line(c);
  take_line(c, InstFileName);   // line 11
  skip_line(c);                 // line 12
  take_line(c, InstFileExt);    // line 13
  read_field(c, gv_CFG_fnr);
  read_field(c, gv_CFG_lnr);
  read_field(c, gv_CFG_Delta);
  // Field 6 holds an absolute Delta when field 5 is 0, a percentage otherwise;
  // the other of the two is marked -1.0 whatever the state of the reader.
  if (gv_CFG_Delta == 0) {
    read_field(c, gv_CFG_Delta_abs);
    gv_CFG_Delta_pct = -1.0;
  } else {
    read_field(c, gv_CFG_Delta_pct);
    gv_CFG_Delta_abs = -1.0;
  }
  read_field(c, gv_CFG_mxt);
  read_field(c, gv_CFG_mxq);
  read_field(c, gv_CFG_mxq_precision);
  read_field(c, gv_CFG_sim_mxq);
  read_field(c, gv_CFG_nrc);
  read_field(c, gv_CFG_nri);
  read_field(c, gv_CFG_sim_seed);
  read_field(c, gv_CFG_sim_reset);
  read_field(c, gv_CFG_precision);
  read_field(c, gv_CFG_precision_stat);
  read_field(c, gv_CFG_order_iat);
  read_field(c, gv_CFG_order_ser);
  read_field(c, gv_CFG_order_abd);
  read_field(c, gv_CFG_obs_int);
  read_field(c, gv_CFG_write_obs);
  read_field(c, gv_CFG_sim_iat_dist);
  read_field(c, gv_CFG_sim_ser_dist);
  read_field(c, gv_CFG_sim_abd_dist);
  read_field(c, gv_CFG_iat_kappa);
  read_field(c, gv_CFG_ser_kappa);
  read_field(c, gv_CFG_abd_kappa);
  read_field(c, gv_CFG_new_output);
  read_field(c, gv_CFG_mxn_suc);
  read_field(c, gv_CFG_mxn_suc_2PH, /*last=*/true);
}

void f_read_config() {
  std::string text;
  {
    std::ifstream in("CONFIG.DAT", std::ios::binary);
    if (!in) f_fatal_exit("Unable to open CONFIG.DAT (the configuration file).");
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  f_parse_config(text);
  f_write_summary_echo();
}
