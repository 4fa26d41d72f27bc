// Checked writing of a report block: open, write, flush and close are each
// tested, and a failure asks the user to release the file.
#include "analyzer/report/checked_append.h"

#include <fstream>

#include "kernel/fatal_exit.h"

void f_checked_append(const std::string& path, const std::string& close_message,
                      const std::function<void(std::ostream&)>& write, bool truncate) {
  std::ofstream out(path, std::ios::out | (truncate ? std::ios::trunc : std::ios::app));
  if (!out) f_fatal_exit(close_message);
  write(out);
  out.flush();
  if (!out) f_fatal_exit(close_message);
  out.close();
  if (!out) f_fatal_exit(close_message);
}
