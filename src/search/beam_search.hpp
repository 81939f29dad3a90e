// The whole beam search of one run: set-up, the level loop, the memory report.
#pragma once

#include "search/search_run.hpp"

namespace zemko {

enum class SearchEnd {
    finished,  // the beam emptied
    refused,   // the instance mixes routes
    stopped,   // the stop flag was raised, or the deadline passed, between two steps of a level
};

// One level of the search: expands the current beam and pushes the next one; returns the
// children generated.
using LevelExpansion = int (*)(SearchRun& run);

// Runs the search on the run's job table and settings with the solve's threads, printing the
// root bounds, the children of every level and the memory report, and releases the search's
// memory. The best solution stays in run.best. Levels are expanded by expand_level unless
// another expansion is given (the plain one of the reference tests). Throws MemoryError after
// releasing what the search holds.
SearchEnd run_beam_search(SearchRun& run, LevelExpansion expand = nullptr);

}  // namespace zemko
