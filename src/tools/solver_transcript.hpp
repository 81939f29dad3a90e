// What a zemko run printed on its console, read back: the number of jobs loaded, the bounds of
// the root, the best objective and its level, and the number of bounds computed. A value the
// run did not print (a refused file, no solution found) stays empty.
#pragma once

#include <optional>
#include <string>

namespace zemko_tools {

struct SolverTranscript {
    std::optional<int> n_jobs;   // "'<file>' : N Jobs loaded."
    std::optional<int> root_lb;  // "LB = L, UB = U"
    std::optional<int> root_ub;
    std::optional<int> fo;  // "FO           = F  (found at level V)"
    std::optional<int> level_found;
    std::optional<int> bounds_computed;  // "Bounds Calcolati = B"
    bool no_solution = false;            // "No solutions found"
};

SolverTranscript parse_transcript(const std::string& output);

}  // namespace zemko_tools
