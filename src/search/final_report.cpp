// The beam search's final report.
#include "search/final_report.hpp"

#include <climits>

#include "schedule/node.hpp"

namespace zemko {

void print_final_report(const SearchRun& run) {
    const Transcript& out = run.out;
    const BestSolution& best = run.best;
    const int n_jobs = run.table.n_jobs;
    int c1 = 0;
    int c2 = 0;
    int objective = eval_seq(run.table, best.seq, n_jobs, c1, c2);
    if (best.fo == INT_MAX) {
        say(out, "\nNo solutions found\n\n");
        return;
    }
    if (run.settings.output == 1) {
        say(out, "\n");
        for (int i = 0; i < n_jobs; ++i)
            say(out, "%d ", run.table.jobs[best.seq[i]].number);
        say(out, "(C1,C2 = %d,%d).\n", c1, c2);
    }
    say(out, "FO           = %d  (found at level %d)\n", best.fo, best.level);
    say(out, "\n");
    say(out, "End Level = %d\n", run.end_level);
    if (objective != best.fo) say(out, "Dbg_Warning<main>");
    say(out, "\nBounds Calcolati = %d\n", run.bounds_computed);
    say(out, "Recoveries = %d\n", run.recoveries);
    say(out, "Better UB solutions : %d\n", run.better_ub_count);
}

}  // namespace zemko
