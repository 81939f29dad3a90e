// The command line of the solver: banner, usage, timing, run, report and result files.
#pragma once

namespace zemko {

// The whole program; returns the process exit status.
int main_program(int argc, char** argv);

}  // namespace zemko
