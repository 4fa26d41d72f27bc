// The road of one instance, from reading its file to releasing its
// structures, and the end of the run.
#pragma once

// Handles instance inst_nr: reads it, runs its stages with their console
// words, and releases its structures. A failure ends the run; so does running
// out of memory or any other standard exception, with a message naming the
// instance.
void f_run_instance(int inst_nr);

// Releases the run-wide tables after the last instance.
void f_end_of_run();
