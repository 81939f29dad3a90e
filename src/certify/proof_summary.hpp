// The proof summary of an answer: the instance's times, the answer, its certificate and the
// prices of the strong bound's relaxed paths, as text that an independent checker reads to
// recompute the bound (and, for an answer proven optimal, to search again for a better one).
#pragma once

#include <string>
#include <vector>

#include "certify/certificate.hpp"
#include "sequence/job_times.hpp"
#include "sequence/rest_cost_table.hpp"

namespace zemko {

inline constexpr const char* PROOF_SUMMARY_HEADING = "zemko proof summary 1";

// The summary's text. `rest_costs` holds the prices (an empty table: none, and the summary
// claims no path bound); its rests from the empty sequence give the path bound it states.
std::string proof_summary_text(const JobTimes& times, const std::vector<int>& sequence,
                               long long objective, const Certificate& certificate,
                               const RestCostTable& rest_costs);

}  // namespace zemko
