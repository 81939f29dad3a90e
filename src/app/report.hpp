// The final report of a run on its transcript, and the two result files, ub.rep and out.txt.
#pragma once

#include <vector>

#include "search/search_run.hpp"

namespace zemko {

inline constexpr const char* UB_FILE = "ub.rep";
inline constexpr const char* OUT_FILE = "out.txt";

// Prints the result of the run: the best sequence (with output 1), its objective, level and
// the counters, or that no solution was found.
void print_final_report(const SearchRun& run);

// Writes the objective and the sequence to ub.rep, replacing the file in one step; without a
// sequence, n_jobs zeros stand for it. Returns false when the file cannot be written.
bool write_ub_file(long long objective, const std::vector<int>& sequence, int n_jobs);

// Appends "objective seconds" as one line to out.txt. Returns false when it cannot.
bool append_out_line(long long objective, int seconds);

}  // namespace zemko
