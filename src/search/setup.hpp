// The set-up of one run of the beam search: root, route check, tables, root bounds.
#pragma once

#include "search/search_run.hpp"

namespace zemko {

// Prepares the search once the run holds its job table and settings. Returns 0 when the search
// can start (the first beam holds the root), 1 when the instance mixes routes and is refused.
// The best solution is empty on return either way. Throws MemoryError.
int setup_search(SearchRun& run);

}  // namespace zemko
