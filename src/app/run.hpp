// One run of the solver on one data file: input, set-up, the level loop, the memory report.
#pragma once

namespace zemko {

extern int bounds_computed;  // children generated over all levels of the run

// Reads the jobs and the settings, runs the beam search level by level, prints the memory
// report and releases all memory. Returns 0, or the exit status when the data file was
// refused (nothing else is done then).
int run_solver(const char* file_name);

}  // namespace zemko
