// zemko-bound-bench [--known DIR] FILE...: the strong lower bound of each data file with the
// default effort; one line per file: name, jobs, bound, position bound, the objective of the
// best sequence it knows, iterations and the bound's CPU seconds (this thread's clock). With
// --known, DIR/NAME.rep (as the solver's ub.rep: objective, then the sequence) is offered to
// the bound as the solver's best sequence.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "bench_files.hpp"
#include "bounds/strong_lower_bound.hpp"

namespace {

double thread_seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

}  // namespace

int main(int argc, char** argv) {
    std::string known_dir;
    int first = 1;
    if (argc > 2 && std::string(argv[1]) == "--known") {
        known_dir = argv[2];
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: zemko-bound-bench [--known DIR] DATA_FILE...\n");
        return 2;
    }
    std::printf("%-24s %5s %10s %10s %10s %6s %8s\n", "instance", "jobs", "bound", "position",
                "heuristic", "iters", "cpu_s");
    for (int i = first; i < argc; ++i) {
        zemko::JobTimes times;
        std::string message;
        if (!zemko_bench::read_job_times(argv[i], times, message)) {
            std::fprintf(stderr, "%s\n", message.c_str());
            return 1;
        }
        const double start = thread_seconds();
        const zemko::StrongBoundEffort effort = zemko::default_strong_bound_effort(times.count());
        std::vector<int> known;
        if (!known_dir.empty())
            known = zemko_bench::read_result_sequence(known_dir + "/" +
                                                      zemko_bench::file_stem(argv[i]) + ".rep");
        const zemko::StrongBound bound = zemko::strong_lower_bound(times, effort, known);
        const double seconds = thread_seconds() - start;
        std::printf("%-24s %5d %10lld %10lld %10lld %6d %8.3f\n",
                    zemko_bench::file_stem(argv[i]).c_str(), times.count(),
                    static_cast<long long>(bound.lower_bound),
                    static_cast<long long>(bound.position_bound),
                    static_cast<long long>(bound.upper_bound), bound.iterations_done, seconds);
        std::fflush(stdout);
    }
    return 0;
}
