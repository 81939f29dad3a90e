// zemko_quality: runs the improvement phase on one instance from a start sequence (a ub.rep)
// for a wall-time, CPU-time or step budget, then prints the objective, the work done and the
// trace of improvements.
//
//   zemko_quality DATA UB_REP [--time S] [--cpu S] [--steps N] [--seed X] [--threads T]
//                 [--sequence] [--walks W] [--round-work R]
//                 [--destroy D] [--span S] [--window W] [--temperature P]
//
// --time is wall time from the start of the phase; --cpu is the process's CPU time (what a
// measurement takes on a machine shared with other work: T threads for S wall seconds are
// about T * S CPU seconds).
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bench_files.hpp"
#include "improve/walk_rounds.hpp"
#include "sequence/insertion.hpp"
#include "util/thread_pool.hpp"

using namespace zemko;

namespace {

double process_cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "zemko_quality: %s\n", message.c_str());
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: zemko_quality DATA UB_REP [--time S] [--cpu S] [--steps N] "
                     "[--seed X] [--threads T] [--sequence] [--walks W] [--round-work R] "
                     "[--destroy D] [--span S] [--window W] "
                     "[--temperature P]\n");
        return 2;
    }
    double wall_limit = 0, cpu_limit = 0;
    long long step_limit = 0;
    unsigned long long seed = 1;
    int threads = 1;
    bool print_sequence = false;
    WalkRoundsSettings settings;
    for (int a = 3; a < argc; ++a) {
        const std::string option = argv[a];
        if (option == "--sequence") {
            print_sequence = true;
            continue;
        }
        if (a + 1 >= argc) fail("missing value of " + option);
        const char* value = argv[++a];
        if (option == "--time") {
            wall_limit = std::atof(value);
        } else if (option == "--cpu") {
            cpu_limit = std::atof(value);
        } else if (option == "--steps") {
            step_limit = std::atoll(value);
        } else if (option == "--seed") {
            seed = std::strtoull(value, nullptr, 10);
        } else if (option == "--threads") {
            threads = std::atoi(value);
        } else if (option == "--walks") {
            settings.walks = std::atoi(value);
        } else if (option == "--round-work") {
            settings.round_work = std::atoll(value);
        } else if (option == "--destroy") {
            settings.walk.destroy = std::atoi(value);
        } else if (option == "--span") {
            settings.walk.span = std::atoi(value);
        } else if (option == "--window") {
            settings.walk.window = std::atoi(value);
        } else if (option == "--temperature") {
            settings.walk.temperature_percent = std::atoi(value);
        } else {
            fail("unknown option " + option);
        }
    }
    if (threads < 1) fail("--threads must be at least 1");

    JobTimes times;
    std::string message;
    if (!zemko_bench::read_job_times(argv[1], times, message)) fail(message);
    const std::vector<int> start = zemko_bench::read_result_sequence(argv[2]);
    if (!is_permutation_of_jobs(start, times.count()))
        fail(std::string(argv[2]) + ": the start sequence is not a permutation of the jobs");
    const long long start_objective = sequence_objective(times, start);

    std::atomic<bool> stop{false};
    std::atomic<bool> finished{false};
    const double cpu_at_start = process_cpu_seconds();
    std::thread cpu_watch;
    if (cpu_limit > 0) {
        cpu_watch = std::thread([&] {
            while (!finished.load()) {
                if (process_cpu_seconds() - cpu_at_start >= cpu_limit) {
                    stop.store(true);
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }

    const Clock::time_point start_time = Clock::now();
    Limits limits;
    if (wall_limit > 0) limits.deadline = after_seconds(start_time, wall_limit);
    limits.work_budget = step_limit;
    limits.stop = cpu_limit > 0 ? &stop : nullptr;
    ThreadPool pool;
    pool.resize(threads);
    const ParallelFor parallel = [&pool](int count, const std::function<void(int, int)>& body) {
        pool.run(count, body);
    };
    std::vector<double> found_at;  // seconds of each better sequence
    const WalkRoundsResult result = run_walk_rounds(
        times, start, seed, limits, parallel,
        {[&](const WalkImprovement&) { found_at.push_back(seconds_since(start_time)); }, {}},
        settings);
    const double wall = seconds_since(start_time);
    const double cpu = process_cpu_seconds() - cpu_at_start;
    finished.store(true);
    if (cpu_watch.joinable()) cpu_watch.join();

    if (sequence_objective(times, result.sequence) != result.objective) {
        fail("the returned objective is not that of the returned sequence");
    }
    std::printf("start %lld\nobjective %lld\nsteps %lld\ncpu %.3f\nwall %.3f\n", start_objective,
                result.objective, result.steps, cpu, wall);
    for (std::size_t k = 0; k < result.trace.size(); ++k) {
        const WalkImprovement& improvement = result.trace[k];
        std::printf("trace %.3f %lld %lld iterated greedy\n", found_at[k], improvement.step,
                    improvement.objective);
    }
    if (print_sequence) {
        std::printf("sequence");
        for (const int job : result.sequence)
            std::printf(" %d", job);
        std::printf("\n");
    }
    return 0;
}
