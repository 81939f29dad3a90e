// The run object's life: its parts are built empty and released with it.
#include "search/search_run.hpp"

#include "search/level_state.hpp"

namespace zemko {

SearchRun::SearchRun() = default;
SearchRun::~SearchRun() = default;

}  // namespace zemko
