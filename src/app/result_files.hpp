// The console's result files: ub.rep and out.txt, and proof.txt when asked for.
#pragma once

#include <string>
#include <vector>

namespace zemko {

inline constexpr const char* UB_FILE = "ub.rep";
inline constexpr const char* OUT_FILE = "out.txt";
inline constexpr const char* PROOF_FILE = "proof.txt";

// Writes the objective and the sequence to ub.rep, replacing the file in one step; without a
// sequence, n_jobs zeros stand for it. Returns false when the file cannot be written.
bool write_ub_file(long long objective, const std::vector<int>& sequence, int n_jobs);

// Writes the proof summary to proof.txt, replacing the file in one step. Returns false when
// the file cannot be written.
bool write_proof_file(const std::string& summary);

// Appends "objective seconds" as one line to out.txt. Returns false when it cannot.
bool append_out_line(long long objective, int seconds);

}  // namespace zemko
