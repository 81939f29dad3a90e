// The results of a batch as JSON lines (results.jsonl): one object per run, with the word that
// sums its status up and its sequence as the data file's job numbers.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/batch_report.hpp"

namespace zemko_tools {

// Exit statuses of a run stopped from outside: Ctrl-C (the solver's own status, and SIGINT's)
// and SIGTERM.
inline constexpr int INTERRUPTED_STATUS = 130;
inline constexpr int TERMINATED_STATUS = 143;
// The solver's status for a data file it turns down, shared with its other failures.
inline constexpr int SOLVER_FAILED_STATUS = 1;

// The status of a run in a word, the first that holds: "interrupted" (stopped from outside:
// exit status 130 or 143, or its transcript says so), "failed" (any other nonzero status, or
// not started), "refused" (the solver turned its data file down, with status 1, or printed no
// answer, with status 0), "optimal" (its certificate proves the answer), "solved".
const char* run_status_word(const BatchRow& row);

// The job numbers of the sequence in a ub.rep's text (0-based indices of the jobs the solver
// read from data_file); nullopt when either file cannot be read, the run found no solution,
// or the sequence is not a permutation of the file's jobs.
std::optional<std::vector<int>> ub_rep_job_numbers(const std::string& data_file,
                                                   const std::string& ub_rep_text);

// Text as a JSON string, quotes included: escaped, and bytes that are not UTF-8 replaced by
// U+FFFD, so that any file name gives valid JSON.
std::string json_string(const std::string& text);

// One line per row: {"instance", "n", "settings", "exit_status", "status", "objective",
// "beam_objective", "certified_lower_bound", "optimal", "best_known", "seconds",
// "peak_memory_kb", "sequence"}, null for what the run did not give.
std::string json_lines(const std::vector<BatchRow>& rows);

}  // namespace zemko_tools
