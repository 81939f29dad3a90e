// What a zemko run printed on its console, read back: the number of jobs loaded, the bounds of
// the root, the best objective and its level, and the number of bounds computed. A value the
// run did not print (a refused file, no solution found) stays empty.
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
    // The improvement phase, when the run had one: where it started ("...; from FO = F at T s"),
    // each better sequence, and its end ("Improvement phase: FO = F after S steps").
    bool improved = false;
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
