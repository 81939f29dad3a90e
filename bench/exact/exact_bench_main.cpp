// zemko-exact-bench: runs the exact search on instance files and prints, per instance, whether
// it was proven optimal, the incumbent's objective (start) and the best one, the lower bound
// proven and the root's, the nodes and the CPU seconds of the search (its thread's CPU clock).
// The incumbent is the solver's ub.rep sequence when given, improved by insertion moves. The
// search is stopped (through its stop flag) when its thread has used the given CPU seconds, so
// that a loaded machine does not shorten it.
//
//   zemko-exact-bench [options] DATA [UB.REP] [DATA [UB.REP] ...]
//   options: --seconds S (CPU seconds, default 8), --nodes N (node budget), --window W (move
//            rule), --mixes a:b,... (fixed mixes, or "none"), --pair-steps S (tuning steps of
//            the pair relaxations), --backlogs b,... (one pair relaxation tuned for each),
//            --record R (least jobs left to record a visited prefix), --capacity C (visited
//            table), --no-improve (the incumbent as read), --workers W (workers side by side;
//            the first runs on the search's thread, whose CPU clock still stops them all)
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_files.hpp"
#include "certify/arc_filter.hpp"
#include "certify/strong_lower_bound.hpp"
#include "exact/exact_search.hpp"
#include "exact/level_search.hpp"
#include "exact/prefix_state.hpp"
#include "sequence/job_times.hpp"

using namespace zemko;

namespace {

double cpu_seconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Runs the search on a thread of its own and raises its stop flag once that thread has used
// `seconds` of CPU time; returns the result and the CPU seconds used.
ExactResult search_for_cpu_seconds(const JobTimes& times, const std::vector<int>& incumbent,
                                   Limits limits, const ExactOptions& options, double seconds,
                                   double& used) {
    std::atomic<bool> stop{false}, done{false};
    limits.stop = &stop;
    ExactResult result;
    clockid_t clock{};
    std::atomic<bool> clock_ready{false};
    std::thread worker([&] {
        pthread_getcpuclockid(pthread_self(), &clock);
        clock_ready = true;
        const double start = cpu_seconds(CLOCK_THREAD_CPUTIME_ID);
        result = exact_search(times, incumbent, limits, options);
        used = cpu_seconds(CLOCK_THREAD_CPUTIME_ID) - start;
        done = true;
    });
    while (!clock_ready)
        std::this_thread::yield();
    while (!done) {
        if (cpu_seconds(clock) >= seconds) stop = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    worker.join();
    return result;
}

// Best-improvement insertion moves until none improves.
void improve_by_insertion(const JobTimes& times, std::vector<int>& sequence) {
    const int n = static_cast<int>(sequence.size());
    std::int64_t best = sequence_objective(times, sequence);
    for (bool improved = true; improved;) {
        improved = false;
        std::vector<int> best_sequence = sequence;
        for (int from = 0; from < n; ++from) {
            std::vector<int> rest = sequence;
            const int job = rest[from];
            rest.erase(rest.begin() + from);
            for (int to = 0; to < n; ++to) {
                if (to == from) continue;
                std::vector<int> trial = rest;
                trial.insert(trial.begin() + to, job);
                const std::int64_t value = sequence_objective(times, trial);
                if (value < best) {
                    best = value;
                    best_sequence = trial;
                    improved = true;
                }
            }
        }
        sequence = best_sequence;
    }
}

// Filters the table of rests against the incumbent less one, and prints what is left and the
// bound of the whole paths before and after.
void print_filter(const JobTimes& times, const std::vector<int>& incumbent, RestCostTable& table,
                  long long below) {
    Cost price_sum = 0;
    for (const Cost price : table.prices)
        price_sum += price;
    const Cost bound_before = rest_cost_bound(table, 0, 0, 0, price_sum);
    const double start = cpu_seconds(CLOCK_THREAD_CPUTIME_ID);
    const Cost target = sequence_objective(times, incumbent) - below;
    const FilterCounts counts =
        filter_rest_costs(times, default_strong_bound_effort(times.count()), target, table);
    std::printf(
        "filter to %lld: %d rounds, %lld of %lld arcs kept (%.2f %%), %.1f positions a "
        "job, paths' bound %lld -> %lld, in %.3f s\n",
        static_cast<long long>(target), counts.rounds, counts.kept, counts.arcs,
        counts.arcs > 0 ? 100.0 * counts.kept / counts.arcs : 0.0, counts.mean_window,
        static_cast<long long>(bound_before),
        static_cast<long long>(rest_cost_bound(table, 0, 0, 0, price_sum)),
        cpu_seconds(CLOCK_THREAD_CPUTIME_ID) - start);
}

// The search by levels against the filter's target, and what it kept.
void print_levels(const JobTimes& times, const std::vector<int>& incumbent,
                  const RestCostTable& table, long long below, double seconds) {
    const double start = cpu_seconds(CLOCK_THREAD_CPUTIME_ID);
    const Cost target = sequence_objective(times, incumbent) - below;
    // Within the wall seconds given and the memory a run may take.
    MemoryBudget memory;
    memory.limit = memory_limit_for_setting(0);
    const Limits limits = part_limits(after_seconds(Clock::now(), seconds), nullptr);
    const LevelSearchResult result = level_search(times, table, target, limits, &memory);
    long long most = 0, total = 0;
    int widest = 0;
    for (std::size_t k = 0; k < result.states.size(); ++k) {
        total += result.states[k];
        if (result.states[k] > most) {
            most = result.states[k];
            widest = static_cast<int>(k) + 1;
        }
    }
    std::printf(
        "levels to %lld: %s, %s, most states %lld at level %d, %lld in all, peak %.0f MB, "
        "in %.3f s\n",
        static_cast<long long>(target), result.complete ? "complete" : "stopped",
        result.found ? ("found " + std::to_string(result.best_objective)).c_str() : "none within",
        most, widest, total, static_cast<double>(result.peak_bytes) / 1e6,
        cpu_seconds(CLOCK_THREAD_CPUTIME_ID) - start);
    if (result.found && sequence_objective(times, result.best_sequence) != result.best_objective)
        std::printf("the sequence found does not have its objective\n");
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    return parts;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 8;
    Limits limits;
    ExactOptions options;
    bool improve = true;
    bool rest_table = false;
    bool filter = false;
    bool levels = false;  // the search by levels after the filter, in place of the depth-first one
    long long below = 1;  // the target is the incumbent less this
    std::vector<std::pair<std::string, std::string>> runs;  // data file, ub.rep or ""
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n", arg.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--seconds")
            seconds = std::atof(value().c_str());
        else if (arg == "--nodes")
            limits.work_budget = std::atoll(value().c_str());
        else if (arg == "--window")
            options.move_window = std::atoi(value().c_str());
        else if (arg == "--record")
            options.record_min_remaining = std::atoi(value().c_str());
        else if (arg == "--capacity")
            options.visited_capacity = std::atoll(value().c_str());
        else if (arg == "--backlogs") {
            options.bounds.pair_backlogs.clear();
            for (const std::string& backlog : split(value(), ','))
                options.bounds.pair_backlogs.push_back(std::atoi(backlog.c_str()));
        } else if (arg == "--pair-steps")
            options.bounds.pair_tuning_steps = std::atoi(value().c_str());
        else if (arg == "--no-improve")
            improve = false;
        else if (arg == "--rest-table")
            rest_table = true;
        else if (arg == "--filter")
            filter = rest_table = true;
        else if (arg == "--levels")
            levels = filter = rest_table = true;
        else if (arg == "--below")
            below = std::atoll(value().c_str());
        else if (arg == "--workers") {
            options.workers = std::atoi(value().c_str());
            options.parallel = [](int count, const std::function<void(int, int)>& body) {
                std::vector<std::thread> others;
                for (int item = 1; item < count; ++item)
                    others.emplace_back(body, item, item);
                body(0, 0);
                for (std::thread& other : others)
                    other.join();
            };
        } else if (arg == "--mixes") {
            options.bounds.fixed_mixes.clear();
            for (const std::string& mix : split(value(), ','))
                if (mix != "none") {
                    const auto parts = split(mix, ':');
                    options.bounds.fixed_mixes.push_back(
                        {std::atoi(parts[0].c_str()), std::atoi(parts[1].c_str())});
                }
        } else if (arg.size() > 4 && arg.substr(arg.size() - 4) == ".rep" && !runs.empty()) {
            runs.back().second = arg;
        } else {
            runs.push_back({arg, ""});
        }
    }
    std::printf("%-24s %4s %10s %6s %10s %10s %10s %12s %9s\n", "instance", "jobs", "start",
                "proven", "objective", "bound", "root", "nodes", "cpu_s");
    for (const auto& [data, rep] : runs) {
        JobTimes times;
        std::string message;
        if (!zemko_bench::read_job_times(data, times, message)) {
            std::fprintf(stderr, "%s\n", message.c_str());
            return 1;
        }
        std::vector<int> incumbent;
        if (!rep.empty()) incumbent = zemko_bench::read_result_sequence(rep);
        if (!is_permutation_of_jobs(incumbent, times.count())) {
            incumbent.clear();
            for (int j = 0; j < times.count(); ++j)
                incumbent.push_back(j);
        }
        if (improve) improve_by_insertion(times, incumbent);
        double cpu = 0;
        StrongBound strong;
        if (rest_table) {
            const double start = cpu_seconds(CLOCK_THREAD_CPUTIME_ID);
            strong =
                strong_lower_bound(times, default_strong_bound_effort(times.count()), incumbent);
            options.rest_costs = &strong.rest_costs;
            std::printf("strong bound %lld in %.3f s\n", static_cast<long long>(strong.lower_bound),
                        cpu_seconds(CLOCK_THREAD_CPUTIME_ID) - start);
            if (filter) print_filter(times, incumbent, strong.rest_costs, below);
            if (levels) {
                print_levels(times, incumbent, strong.rest_costs, below, seconds);
                continue;
            }
        }
        const ExactResult result =
            search_for_cpu_seconds(times, incumbent, limits, options, seconds, cpu);
        std::string name = data.substr(data.find_last_of('/') + 1);
        std::printf(
            "%-24s %4d %10lld %6s %10lld %10lld %10lld %12lld %9.3f\n", name.c_str(), times.count(),
            static_cast<long long>(sequence_objective(times, incumbent)),
            result.proven_optimal ? "yes" : "no", static_cast<long long>(result.best_objective),
            static_cast<long long>(result.lower_bound), static_cast<long long>(result.root_bound),
            static_cast<long long>(result.nodes), cpu);
        std::fflush(stdout);
    }
    return 0;
}
