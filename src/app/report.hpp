// The final report on the console and the two result files, ub.rep and out.txt.
#pragma once

namespace zemko {

inline constexpr const char* UB_FILE = "ub.rep";
inline constexpr const char* OUT_FILE = "out.txt";

// Prints the result of the run: the best sequence (with OUTPUT 1), its objective, level and
// the counters, or that no solution was found.
void print_final_report();

// Writes best_fo and best_seq to ub.rep, replacing the file in one step. Returns false when
// the file cannot be written.
bool write_ub_file();

// Appends "best_fo seconds" as one line to out.txt. Returns false when it cannot.
bool append_out_line(int seconds);

}  // namespace zemko
