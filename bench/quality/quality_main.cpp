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
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "schedule/insertion.hpp"
#include "search/improvement.hpp"

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

// Lines "number p1 p2 route"; lines whose two times are both 0 are not jobs. An instance whose
// jobs all take route 2 is read with the machines exchanged, as the solver reads it.
JobTimes read_instance(const char* path) {
    std::ifstream file(path);
    if (!file) fail(std::string("cannot open ") + path);
    JobTimes times;
    std::vector<int> routes;
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        long long number = 0, p1 = 0, p2 = 0, route = 1;
        if (!(fields >> number >> p1 >> p2)) continue;
        fields >> route;
        if (p1 == 0 && p2 == 0) continue;
        times.p1.push_back(static_cast<int>(p1));
        times.p2.push_back(static_cast<int>(p2));
        routes.push_back(route == 2 ? 2 : 1);
    }
    bool all_route_two = !routes.empty();
    for (const int route : routes)
        all_route_two = all_route_two && route == 2;
    if (all_route_two) std::swap(times.p1, times.p2);
    return times;
}

std::vector<int> read_start(const char* path, int n) {
    std::ifstream file(path);
    if (!file) fail(std::string("cannot open ") + path);
    long long objective = 0;
    file >> objective;
    std::vector<int> sequence;
    int job = 0;
    while (file >> job)
        sequence.push_back(job);
    std::vector<char> seen(n, 0);
    if (static_cast<int>(sequence.size()) != n) fail("the start sequence is not a permutation");
    for (const int j : sequence) {
        if (j < 0 || j >= n || seen[j]) fail("the start sequence is not a permutation");
        seen[j] = 1;
    }
    return sequence;
}

// Worker threads that stay for the whole run, as the solver's own do: a round of the phase
// wakes them rather than starting threads. Items go to whichever thread is free.
struct WorkerPool {
    std::mutex lock;
    std::condition_variable wake, finished;
    const std::function<void(int, int)>* body = nullptr;
    int count = 0;
    std::atomic<int> next{0};
    int busy = 0;         // helpers still working on the current batch
    long long batch = 0;  // the number of the current batch
    bool closing = false;
    std::vector<std::thread> helpers;
};

void take_items(WorkerPool& pool, int thread) {
    for (int item = pool.next++; item < pool.count; item = pool.next++)
        (*pool.body)(item, thread);
}

void run_helper(WorkerPool& pool, int thread) {
    long long seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> guard(pool.lock);
            pool.wake.wait(guard, [&] { return pool.closing || pool.batch != seen; });
            if (pool.closing) return;
            seen = pool.batch;
        }
        take_items(pool, thread);
        std::lock_guard<std::mutex> guard(pool.lock);
        if (--pool.busy == 0) pool.finished.notify_one();
    }
}

void start_pool(WorkerPool& pool, int threads) {
    for (int t = 1; t < threads; ++t)
        pool.helpers.emplace_back(run_helper, std::ref(pool), t);
}

void stop_pool(WorkerPool& pool) {
    {
        std::lock_guard<std::mutex> guard(pool.lock);
        pool.closing = true;
    }
    pool.wake.notify_all();
    for (std::thread& helper : pool.helpers)
        helper.join();
}

ParallelFor pool_parallel_for(WorkerPool& pool) {
    return [&pool](int count, const std::function<void(int, int)>& body) {
        {
            std::lock_guard<std::mutex> guard(pool.lock);
            pool.body = &body;
            pool.count = count;
            pool.next = 0;
            pool.busy = static_cast<int>(pool.helpers.size());
            ++pool.batch;
        }
        pool.wake.notify_all();
        take_items(pool, 0);
        std::unique_lock<std::mutex> guard(pool.lock);
        pool.finished.wait(guard, [&] { return pool.busy == 0; });
    };
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
    ImprovementSettings settings;
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

    const JobTimes times = read_instance(argv[1]);
    const std::vector<int> start = read_start(argv[2], times.count());
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

    ImprovementLimits limits;
    limits.start = std::chrono::steady_clock::now();
    limits.time_limit = wall_limit;
    limits.step_limit = step_limit;
    limits.stop = cpu_limit > 0 ? &stop : nullptr;
    WorkerPool pool;
    start_pool(pool, threads);
    const ImprovementResult result =
        improve_schedule(times, start, seed, limits, pool_parallel_for(pool), nullptr, settings);
    stop_pool(pool);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - limits.start).count();
    const double cpu = process_cpu_seconds() - cpu_at_start;
    finished.store(true);
    if (cpu_watch.joinable()) cpu_watch.join();

    if (sequence_objective(times, result.sequence) != result.objective) {
        fail("the returned objective is not that of the returned sequence");
    }
    std::printf("start %lld\nobjective %lld\nsteps %lld\ncpu %.3f\nwall %.3f\n", start_objective,
                result.objective, result.steps, cpu, wall);
    for (const ImprovementEvent& improvement : result.trace) {
        std::printf("trace %.3f %lld %lld %s\n", improvement.seconds, improvement.step,
                    improvement.objective, improvement.found_by);
    }
    if (print_sequence) {
        std::printf("sequence");
        for (const int job : result.sequence)
            std::printf(" %d", job);
        std::printf("\n");
    }
    return 0;
}
