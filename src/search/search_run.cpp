// The run's life: its parts are built empty, borrow the solve's context and are released with
// it.
#include "search/search_run.hpp"

#include "search/level_state.hpp"

namespace zemko {

SearchRun::SearchRun(SolveContext& context) : context(context) {
    out = context.out;
}
SearchRun::~SearchRun() = default;

void report_progress(const SearchRun& run, int level, int beam_nodes) {
    if (!run.context.progress) return;
    Progress progress;
    progress.level = level;
    progress.n_jobs = run.table.n_jobs;
    progress.beam_nodes = beam_nodes;
    progress.best_objective = run.best.fo;
    progress.seconds = seconds_since(run.context.start);
    progress.memory_bytes = static_cast<long long>(run.context.budget.reserved);
    run.context.progress(progress);
}

}  // namespace zemko
