// Writing a report block to a file so that nothing is lost without a trace:
// a file that cannot be opened, written, flushed or closed ends the run.
#pragma once

#include <functional>
#include <ostream>
#include <string>

// Opens path for appending (or for writing with truncation when truncate is
// set), lets write fill the stream, flushes and closes it. Any failure ends
// the run (prompted form) with close_message, e.g. "Please close SUMMARY.CSV.".
void f_checked_append(const std::string& path, const std::string& close_message,
                      const std::function<void(std::ostream&)>& write, bool truncate = false);
