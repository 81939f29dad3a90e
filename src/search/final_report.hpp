// The beam search's report at the end of its transcript: the best sequence (with the trace
// on), its objective and level, the last level kept and the counters, or that no solution was
// found.
#pragma once

#include "search/search_run.hpp"

namespace zemko {

void print_final_report(const SearchRun& run);

}  // namespace zemko
