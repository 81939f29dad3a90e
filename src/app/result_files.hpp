// The console's two result files, ub.rep and out.txt.
#pragma once

#include <vector>

namespace zemko {

inline constexpr const char* UB_FILE = "ub.rep";
inline constexpr const char* OUT_FILE = "out.txt";

// Writes the objective and the sequence to ub.rep, replacing the file in one step; without a
// sequence, n_jobs zeros stand for it. Returns false when the file cannot be written.
bool write_ub_file(long long objective, const std::vector<int>& sequence, int n_jobs);

// Appends "objective seconds" as one line to out.txt. Returns false when it cannot.
bool append_out_line(long long objective, int seconds);

}  // namespace zemko
