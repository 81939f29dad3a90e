// Micro-benchmarks of the insertion evaluation: all positions of one job, the best insertion
// and the best reinsertion, on sequences at a local optimum of 100- and 500-job instances
// (times uniform in 1..100), beside the plain evaluation of every candidate sequence.
#include <benchmark/benchmark.h>

#include <numeric>
#include <vector>

#include "improve/local_search.hpp"
#include "improve/random_stream.hpp"
#include "sequence/insertion.hpp"

using namespace zemko;

namespace {

struct Case {
    JobTimes times;
    std::vector<int> sequence;  // after the local search from every job
    long long objective;
};

Case make_case(int n) {
    Case made;
    RandomStream random = make_random_stream(12345, static_cast<std::uint64_t>(n));
    for (int j = 0; j < n; ++j) {
        made.times.p1.push_back(1 + static_cast<int>(random_below(random, 100)));
        made.times.p2.push_back(1 + static_cast<int>(random_below(random, 100)));
    }
    made.sequence.resize(n);
    std::iota(made.sequence.begin(), made.sequence.end(), 0);
    LocalSearch search;
    clear_queue(search, n);
    for (int k = 0; k < n; ++k)
        queue_around(search, made.sequence, k, 0);
    made.objective = local_search(made.times, search, made.sequence,
                                  sequence_objective(made.times, made.sequence), 1, Limits{});
    return made;
}

void BM_BestReinsertion(benchmark::State& state) {
    const Case made = make_case(static_cast<int>(state.range(0)));
    const int n = made.times.count();
    InsertionWorkspace work;
    int position = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            best_reinsertion(made.times, made.sequence.data(), n, position, made.objective, work));
        position = position + 1 == n ? 0 : position + 1;
    }
}
BENCHMARK(BM_BestReinsertion)->Arg(100)->Arg(500);

void BM_InsertionObjectives(benchmark::State& state) {
    const Case made = make_case(static_cast<int>(state.range(0)));
    const int n = made.times.count();
    std::vector<long long> objectives(n);
    InsertionWorkspace work;
    for (auto _ : state) {
        insertion_objectives(made.times, made.sequence.data(), n - 1, made.sequence.back(), work,
                             objectives.data());
        benchmark::DoNotOptimize(objectives.data());
    }
}
BENCHMARK(BM_InsertionObjectives)->Arg(100)->Arg(500);

void BM_PlainInsertion(benchmark::State& state) {
    const Case made = make_case(static_cast<int>(state.range(0)));
    const int n = made.times.count();
    std::vector<int> candidate(n);
    for (auto _ : state) {
        long long lowest = made.objective;
        for (int position = 0; position < n; ++position) {
            std::copy(made.sequence.begin(), made.sequence.begin() + position, candidate.begin());
            candidate[position] = made.sequence.back();
            std::copy(made.sequence.begin() + position, made.sequence.end() - 1,
                      candidate.begin() + position + 1);
            lowest = std::min(lowest, sequence_objective(made.times, candidate));
        }
        benchmark::DoNotOptimize(lowest);
    }
}
BENCHMARK(BM_PlainInsertion)->Arg(100)->Arg(500);

}  // namespace

BENCHMARK_MAIN();
