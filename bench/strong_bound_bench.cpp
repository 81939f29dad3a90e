// zemko-bound-bench [--known DIR] [--iterations N] [--solves M] [--span S] FILE...: the strong
// lower bound of each data file with the default effort, or with N path steps, M solves of the
// mixed assignment bound and a span of S times the largest time; one line per file: name, jobs,
// bound, position bound, the objective of the best sequence it knows, iterations and the bound's
// CPU seconds (this thread's clock). With
// --known, DIR/NAME.rep (as the solver's ub.rep: objective, then the sequence) is offered to
// the bound as the solver's best sequence.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "bench_files.hpp"
#include "certify/strong_lower_bound.hpp"

namespace {

double thread_seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

}  // namespace

int main(int argc, char** argv) {
    std::string known_dir;
    int iterations = -1, solves = -1, span_factor = 0;  // -1, 0: the default effort's
    int first = 1;
    for (; first + 1 < argc && std::string(argv[first]).rfind("--", 0) == 0; first += 2) {
        const std::string option = argv[first];
        if (option == "--known") {
            known_dir = argv[first + 1];
        } else if (option == "--iterations") {
            iterations = std::atoi(argv[first + 1]);
        } else if (option == "--solves") {
            solves = std::atoi(argv[first + 1]);
        } else if (option == "--span") {
            span_factor = std::atoi(argv[first + 1]);
        } else {
            first = argc;
        }
    }
    if (first >= argc) {
        std::fprintf(stderr,
                     "usage: zemko-bound-bench [--known DIR] [--iterations N] [--solves M] "
                     "[--span S] DATA_FILE...\n");
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
        zemko::StrongBoundEffort effort = zemko::default_strong_bound_effort(times.count());
        if (iterations >= 0) effort.iterations = iterations;
        if (solves >= 0) effort.assignment_solves = solves;
        if (span_factor > 0) {
            effort.span_factor = span_factor;
            effort.max_buckets = 100 * span_factor + 24;
        }
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
