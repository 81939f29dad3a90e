// The set-up of one run of the beam search: root, route check, tables, root bounds.
#pragma once

namespace zemko {

// Prepares the search after the job file and settings are read. Returns 0 when the search can
// start (the first beam holds the root), 1 when the instance mixes routes and is refused.
// best_fo is INT_MAX on return either way.
int setup_search();

}  // namespace zemko
