// The run of the solver.
#include "app/run.hpp"

#include <cstdio>

#include "bounds/best_solution.hpp"
#include "input/jobs.hpp"
#include "input/settings.hpp"
#include "schedule/node_storage.hpp"
#include "search/beam_selection.hpp"
#include "search/setup.hpp"
#include "search/thread_pool.hpp"

namespace zemko {

int bounds_computed = 0;

int run_solver(const char* file_name) {
    reset_best_solution();
    if (int status = read_jobs(file_name)) return status;
    read_settings();
    set_worker_threads(threads_for_setting(Threads));

    if (setup_search() == 0) {
        // One level per call, until a level keeps no node.
        do {
            int generated = expand_level();
            std::printf("%d-", generated);
            bounds_computed += generated;
        } while (beam_not_empty());
    }

    std::printf("\n\nMEM: Lostnodes = %d\n", lost_nodes);
    std::printf("BEAM: Max Beam = %d\n", max_beam);
    release_all_memory();
    return 0;
}

}  // namespace zemko
