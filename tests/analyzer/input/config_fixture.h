// Shared by the input tests: the example CONFIG.DAT as lines, edited copies of
// it, and a valid run configuration set directly.
#pragma once

#include <string>
#include <vector>

#include "analyzer/input/config.h"
#include "tests/support/child_process.h"

// What the prompted fatal exit writes for message.
inline std::string prompted(const std::string& message) {
  std::string out = "\n";
  out += message;
  out += "\nPress any key to quit...";
  return out;
}

// The lines of the example CONFIG.DAT, without their line ends.
inline std::vector<std::string> example_config_lines() {
  const std::string text = read_file(example_dir() / "CONFIG.DAT");
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  while (start < text.size()) {
    const auto end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// Lines joined with eol after every line.
inline std::string join_lines(const std::vector<std::string>& lines, const std::string& eol = "\n") {
  std::string text;
  for (const auto& line : lines) text += line + eol;
  return text;
}

// The value line of field k (1..30) is line 2k + 9.
inline std::string& value_line(std::vector<std::string>& lines, int k) {
  return lines[static_cast<std::size_t>(2 * k + 8)];
}

// A configuration that passes every check (mxq up to a table of order 100).
inline void set_valid_config() {
  InstFileName = "inst_";
  InstFileExt = "DAT";
  gv_CFG_fnr = 1;
  gv_CFG_lnr = 2;
  gv_CFG_Delta = 0;
  gv_CFG_Delta_abs = 0.1;
  gv_CFG_Delta_pct = -1.0;
  gv_CFG_mxt = 2.0;
  gv_CFG_mxq = 20;
  gv_CFG_mxq_precision = -1.0;
  gv_CFG_sim_mxq = 50;
  gv_CFG_nrc = 0;
  gv_CFG_nri = 0;
  gv_CFG_sim_seed = 1;
  gv_CFG_sim_reset = 0;
  gv_CFG_precision = 1e-6;
  gv_CFG_precision_stat = 1e-6;
  gv_CFG_order_iat = 1;
  gv_CFG_order_ser = 2;
  gv_CFG_order_abd = 3;
  gv_CFG_obs_int = 1.0;
  gv_CFG_write_obs = 0;
  gv_CFG_sim_iat_dist = 0;
  gv_CFG_sim_ser_dist = 0;
  gv_CFG_sim_abd_dist = 0;
  gv_CFG_iat_kappa = 0.5;
  gv_CFG_ser_kappa = 0.5;
  gv_CFG_abd_kappa = 0.5;
  gv_CFG_new_output = 1;
  gv_CFG_mxn_suc = 10;
  gv_CFG_mxn_suc_2PH = -1;
}
