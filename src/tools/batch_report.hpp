// The results of a batch: the CSV table (one row per run) and the console summary per number
// of jobs, and the file of best-known objectives that adds a gap to them.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/batch_runs.hpp"
#include "tools/solver_transcript.hpp"

namespace zemko_tools {

struct BatchRow {
    std::string instance;  // the data file as named on the command line
    std::string settings;  // the settings file as named, or "default"
    SolverTranscript transcript;
    RunOutcome outcome;
    std::optional<long long> best_known;
    // The run's ub.rep as the data file's job numbers; empty when it holds no solution.
    std::optional<std::vector<int>> sequence;
};

// Best-known objectives by instance name: lines "NAME VALUE"; blank lines and lines starting
// with '#' are skipped. Returns "" or a description of the first bad line.
std::string parse_best_known(const std::string& text, std::map<std::string, long long>& best);

// The best-known objective of a data file: looked up by the name as given, then by its file
// name, then by its file name without extension.
std::optional<long long> find_best_known(const std::map<std::string, long long>& best,
                                         const std::string& instance);

// 100 * (value - reference) / reference; empty unless both are known and reference > 0.
std::optional<double> percent_gap(std::optional<long long> value,
                                  std::optional<long long> reference);

// The CSV table: a header line, then one line per row.
std::string csv_table(const std::vector<BatchRow>& rows);

// The console summary, per number of jobs: the runs; how many the certificate proves optimal;
// the mean and the largest gap of the answer to the certificate's lower bound, over the runs
// that printed a certificate; with best-known values, the mean gap to them; the times' shifted
// geometric mean (exp(mean(log(t + 1 s))) - 1 s) and the largest time.
std::string summary_table(const std::vector<BatchRow>& rows, bool with_best_known);

}  // namespace zemko_tools
