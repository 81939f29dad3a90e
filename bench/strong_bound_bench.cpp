// zemko-bound-bench [--known DIR] FILE...: the strong lower bound of each data file with the
// default effort; one line per file: name, jobs, bound, position bound, the objective of the
// best sequence it knows, iterations and the bound's CPU seconds (this thread's clock). With
// --known, DIR/NAME.rep (as the solver's ub.rep: objective, then the sequence) is offered to
// the bound as the solver's best sequence.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bounds/strong_lower_bound.hpp"

namespace {

double thread_seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// Lines "number p1 p2 route"; lines without two times, or with both zero, are not jobs. An
// instance all of route 2 is read with the machines exchanged, as the solver does.
bool read_jobs(const std::string& path, zemko::JobTimes& times) {
    std::ifstream in(path);
    if (!in) return false;
    bool all_route2 = true;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        long number = 0, p1 = 0, p2 = 0, route = 1;
        if (!(fields >> number >> p1 >> p2)) continue;
        if (!(fields >> route)) route = 1;
        if (p1 == 0 && p2 == 0) continue;
        times.p1.push_back(static_cast<int>(p1));
        times.p2.push_back(static_cast<int>(p2));
        all_route2 = all_route2 && route == 2;
    }
    if (all_route2 && times.count() > 0) times.p1.swap(times.p2);
    return true;
}

std::string base_name(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// The sequence of a result file "objective j1 j2 ...", or nothing when it cannot be read.
std::vector<int> read_sequence(const std::string& path) {
    std::ifstream in(path);
    long long objective = 0;
    std::vector<int> sequence;
    if (!(in >> objective)) return sequence;
    int job = 0;
    while (in >> job)
        sequence.push_back(job);
    return sequence;
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
        if (!read_jobs(argv[i], times)) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        const double start = thread_seconds();
        const zemko::StrongBoundEffort effort = zemko::default_strong_bound_effort(times.count());
        std::vector<int> known;
        if (!known_dir.empty())
            known = read_sequence(known_dir + "/" + base_name(argv[i]) + ".rep");
        const zemko::StrongBound bound = zemko::strong_lower_bound(times, effort, known);
        const double seconds = thread_seconds() - start;
        std::printf("%-24s %5d %10lld %10lld %10lld %6d %8.3f\n", base_name(argv[i]).c_str(),
                    times.count(), static_cast<long long>(bound.lower_bound),
                    static_cast<long long>(bound.position_bound),
                    static_cast<long long>(bound.upper_bound), bound.iterations_done, seconds);
        std::fflush(stdout);
    }
    return 0;
}
