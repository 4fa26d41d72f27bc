// Reader of CONFIG.DAT: 69 lines, nine header lines, then 30 fields of a label
// line and a value line each, every value taken by its line position.
#pragma once

#include <string_view>

// Reads CONFIG.DAT of the working directory into the run configuration and
// rewrites SUMMARY.CSV with the configuration echo. A file that cannot be
// opened ends the run; nothing else about the file is judged here.
void f_read_config();

// Sets the run configuration back to its initial values (zeros and empty
// strings), then fills it from the text of a configuration file, exactly as
// f_read_config does from CONFIG.DAT.
void f_parse_config(std::string_view text);
