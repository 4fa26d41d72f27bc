// Entry of queue-analyzer: runs the whole analysis in the working directory.
#include "kernel/fatal_exit.h"

int main() {
  try {
    return 0;
  } catch (const FatalExit& e) {
    return e.status;
  }
}
