// The level loop of the beam search.
#include "search/beam_search.hpp"

#include "search/beam_selection.hpp"
#include "search/level_state.hpp"
#include "search/selection_tables.hpp"
#include "search/setup.hpp"
#include "search/stop.hpp"

namespace zemko {

namespace {

// The parents of the level expanded last (0 for an expansion that does not keep them).
int parents_of_last_level(const SearchRun& run) {
    return run.level ? static_cast<int>(run.level->popped.size()) : 0;
}

// The memory report, then the release with its balance check.
void release_search_memory(SearchRun& run) {
    free_selection_tables(run.tables);
    release_all_memory(run.storage);
}

}  // namespace

SearchEnd run_beam_search(SearchRun& run, LevelExpansion expand) {
    if (!expand) expand = expand_level;
    SearchEnd end = SearchEnd::finished;
    try {
        // Set-up: the root and its bounds, or the refusal of a mixed instance.
        if (setup_search(run) != 0) {
            end = SearchEnd::refused;
        } else {
            // One level per call, until a level keeps no node.
            do {
                const int generated = expand(run);
                say(run.out, "%d-", generated);
                run.bounds_computed += generated;
                pace_beam(run, parents_of_last_level(run), Clock::now());
            } while (beam_not_empty(run.storage));
        }
    } catch (const SearchStopped&) {
        end = SearchEnd::stopped;
    } catch (...) {
        free_selection_tables(run.tables);
        free_node_storage(run.storage);
        throw;
    }
    // The memory report.
    say(run.out, "\n\nMEM: Lostnodes = %d\n", run.storage.lost_nodes);
    say(run.out, "BEAM: Max Beam = %d\n", run.max_beam);
    release_search_memory(run);
    return end;
}

}  // namespace zemko
