// Search set-up.
#include "search/setup.hpp"

#include <climits>
#include <optional>

#include "bounds/node_bounds.hpp"
#include "search/child_generation.hpp"
#include "sequence/job_times.hpp"

namespace zemko {

namespace {

// The beam width the run uses: capped to what the selection tables are sized for, at least 1.
void cap_beam_width(SearchRun& run) {
    Settings& settings = run.settings;
    if (settings.pareto_beam != 0 || settings.beam > BEAM_SLOTS) settings.beam = CAPPED_BEAM;
    if (settings.beam < 1) {
        settings.beam = 1;
        say(run.out, "\nWarning : Beam must be at least 1, using 1\n");
    }
}

}  // namespace

int setup_search(SearchRun& run) {
    JobTable& table = run.table;
    const int output = run.settings.output;
    reset_best_solution(run.best);

    // The storage starts empty; the first beam holds the root alone.
    reset_node_storage(run.storage, table.n_jobs, run.out, &run.context.budget);
    BeamList* beam = new_list_record(run.storage);
    run.storage.current_beam = beam;
    Node* root = new_node(run.storage);
    beam->head = root;
    beam->next = nullptr;
    make_root(table, root);

    // Route check: a machine-2-first instance is solved with the machines exchanged.
    const Routes routes = routes_of(table);
    const std::optional<JobTimes> times = machine_one_first_times(table);
    if (!times) {
        if (output) say(run.out, "\n\n");
        say(run.out, "This version solve flow shop problems only.\n");
        return 1;
    }
    if (output) say(run.out, "FlowShop problem detected");
    for (int i = 0; i < table.n_jobs; ++i) {
        table.jobs[i].p1 = times->p1[i];
        table.jobs[i].p2 = times->p2[i];
    }
    if (output && routes == Routes::machine_two_first) say(run.out, "(Switched machine 1 and 2)");
    if (output) say(run.out, "\n\n");

    // The tables that the search reads, then the bounds of the root.
    build_dominance_matrix(table, run.dom);
    build_priority_lists(table, run.settings.perturb, run.lists);
    build_list_entries(table, run.lists, run.entries);
    int ub = 0;
    int lb = bound_node(run, root, ub);
    root->ub = ub;
    run.root_lb = lb;
    run.root_ub = ub;
    say(run.out, "\nLB = %d, ", lb);
    say(run.out, "UB = %d\n", ub);

    // The root's completions do not count as the incumbent.
    reset_best_solution(run.best);
    root->lb = INT_MAX;
    beam->tag = INT_MAX;
    run.max_beam = run.recoveries = run.better_ub_count = 0;
    run.end_level = 0;

    cap_beam_width(run);
    alloc_selection_tables(run.tables, run.settings.beam, table.n_jobs, run.context.budget);
    forget_previous_level(run);
    return 0;
}

}  // namespace zemko
