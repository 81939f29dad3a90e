// What a zemko run printed on its console, read back: the beam search's report, the improvement
// phase's section and the certificate. A value the run did not print (a refused file, no
// solution found, no phase) stays empty.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zemko_tools {

// A better sequence of the improvement phase, as its line gives it.
struct TranscriptImprovement {
    std::optional<double> seconds;  // printed when the run had a time limit
    long long step = 0;
    long long objective = 0;
};

struct SolverTranscript {
    std::optional<int> n_jobs;   // "'<file>' : N Jobs loaded."
    std::optional<int> root_lb;  // "LB = L, UB = U"
    std::optional<int> root_ub;
    std::optional<int> fo;  // "FO           = F  (found at level V)"
    std::optional<int> level_found;
    std::optional<int> bounds_computed;  // "Bounds Calcolati = B"
    bool no_solution = false;            // "No solutions found"
    // The solver turned the data file down: a number or the times too large, too many jobs,
    // mixed routes.
    bool data_refused = false;
    // "Time limit reached during the beam search, at level N" or "Interrupted during ...".
    std::optional<int> beam_stopped_at_level;
    bool interrupted = false;  // the run says it was interrupted
    // The improvement phase, when the run had one: its heading ("Improvement phase: <limits>;
    // from FO = F (<start>) at T s", no time without a time limit), each better sequence, and
    // its end ("Improvement phase: FO = F after S steps[ in T s]").
    bool improved = false;
    std::optional<long long> improvement_start_fo;
    std::optional<double> improvement_start;  // seconds, with a time limit
    std::vector<TranscriptImprovement> improvements;
    std::optional<int> final_fo;
    std::optional<long long> improvement_steps;
    std::optional<long long> certified_lb;  // "Certificate: lower bound L, gap g %[, optimal]"
    bool optimal = false;

    // The run's answer: the improvement phase's final objective, else the beam search's.
    std::optional<int> answer() const { return final_fo ? final_fo : fo; }
};

SolverTranscript parse_transcript(const std::string& output);

}  // namespace zemko_tools
