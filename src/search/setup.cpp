// Search set-up.
#include "search/setup.hpp"

#include <climits>
#include <cstdio>
#include <utility>

#include "bounds/best_solution.hpp"
#include "bounds/child_bounds.hpp"
#include "bounds/node_bounds.hpp"
#include "bounds/priority_lists.hpp"
#include "input/jobs.hpp"
#include "input/settings.hpp"
#include "schedule/node_storage.hpp"
#include "search/beam_selection.hpp"
#include "search/child_generation.hpp"
#include "search/dominance_rules.hpp"
#include "search/recovery.hpp"
#include "search/selection_tables.hpp"

namespace zemko {

namespace {

// Every job follows the route of job 0 (an instance without jobs counts as a flow shop).
bool is_flow_shop() {
    for (int i = 1; i < n_jobs; ++i)
        if (jobs[i].route != jobs[0].route) return false;
    return true;
}

}  // namespace

int setup_search() {
    // The storage starts empty; the first beam holds the root alone.
    reset_node_storage();
    current_beam = new_list_record();
    Node* root = new_node();
    current_beam->head = root;
    current_beam->next = nullptr;
    make_root(root);
    for (int i = 0; i < n_jobs; ++i)
        root->unscheduled[i] = jobs[i].route == 1 ? 1 : 2;

    // Route check: a machine-2-first instance is solved with the machines exchanged.
    if (!is_flow_shop()) {
        if (OUTPUT) std::printf("\n\n");
        std::printf("This version solve flow shop problems only.\n");
        best_fo = INT_MAX;
        return 1;
    }
    if (OUTPUT) std::printf("FlowShop problem detected");
    if (n_jobs > 0 && jobs[0].route == 2) {
        for (int i = 0; i < n_jobs; ++i) {
            root->unscheduled[i] = 1;
            std::swap(jobs[i].p1, jobs[i].p2);
        }
        if (OUTPUT) std::printf("(Switched machine 1 and 2)");
    }
    if (OUTPUT) std::printf("\n\n");

    // The tables that the search reads, then the bounds of the root.
    build_dominance_matrix();
    build_priority_lists();
    build_list_entries();
    int ub = 0;
    int lb = bound_node(root, ub);
    root->ub = ub;
    std::printf("\nLB = %d, ", lb);
    std::printf("UB = %d\n", ub);

    // The root's completions do not count as the incumbent.
    best_fo = INT_MAX;
    root->lb = INT_MAX;
    current_beam->tag = INT_MAX;
    max_beam = recoveries = better_ub_count = 0;
    end_level = 0;

    alloc_selection_tables();
    forget_previous_level();
    return 0;
}

}  // namespace zemko
