// The state of a run that the bounds read and update: the instance in machine-1-first form,
// the settings, the job orders and lists, the best solution and the bounds' own counter.
#pragma once

#include "bounds/best_solution.hpp"
#include "bounds/list_walks.hpp"
#include "bounds/parent_lists.hpp"
#include "bounds/priority_lists.hpp"
#include "input/jobs.hpp"
#include "input/settings.hpp"
#include "util/transcript.hpp"

namespace zemko {

struct BoundsRun {
    JobTable table;     // the jobs, machines exchanged when every job takes route 2
    Settings settings;  // as the run uses them (the beam width capped at set-up)
    Transcript out;     // where the run's console text goes
    PriorityLists lists;
    ListEntries entries;
    BestSolution best;
    int better_ub_count = 0;                 // bounds at which the greedy completion won
    int vector_form = widest_vector_form();  // the compiled form of the list walks in use
};

}  // namespace zemko
