// Micro-benchmarks of the search's hot parts, each fast path beside its plain form: the bounds
// of a child, the filling of a parent's lists, the recovery step and the expansion of a parent,
// on nodes of 100- and 500-job instances (times uniform in 1..100) at several levels.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include <memory>

#include "bounds/child_bounds.hpp"
#include "bounds/list_sums.hpp"
#include "bounds/node_bounds.hpp"
#include "bounds/parent_lists.hpp"
#include "bounds/priority_lists.hpp"
#include "reference/plain_search.hpp"
#include "schedule/node_storage.hpp"
#include "search/child_generation.hpp"
#include "search/dominance_rules.hpp"
#include "search/recovery.hpp"
#include "search/search_run.hpp"
#include "search/selection_tables.hpp"

using namespace zemko;

namespace {

// A run over n jobs with times uniform in 1..100 (a fixed seed), its tables built.
std::unique_ptr<StandaloneRun> load_instance(int n) {
    auto run = std::make_unique<StandaloneRun>();
    std::mt19937 rng(12345 + n);
    std::uniform_int_distribution<int> time(1, 100);
    run->table.n_jobs = n;
    for (int i = 0; i < n; ++i)
        run->table.jobs[i] = {i + 1, time(rng), time(rng), 1};
    build_dominance_matrix(run->table, run->dom);
    build_priority_lists(run->table, run->settings.perturb, run->lists);
    build_list_entries(run->table, run->lists, run->entries);
    return run;
}

// A node whose first `level` jobs are a fixed random order.
void make_parent(const JobTable& table, Node* node, int level) {
    std::vector<int> order(table.n_jobs);
    for (int i = 0; i < table.n_jobs; ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    make_root(table, node);
    for (int i = 0; i < level; ++i)
        append_job(table, node, order[i]);
}

int level_of(const benchmark::State& state) {
    return static_cast<int>(state.range(0) * state.range(1) / 4);
}

int first_unscheduled(const Node* node) {
    int j = 0;
    while (!node->unscheduled[j])
        ++j;
    return j;
}

void BM_BoundNodePlain(benchmark::State& state) {
    auto run = load_instance(static_cast<int>(state.range(0)));
    NodeBuffer parent, child;
    make_parent(run->table, parent.get(), level_of(state));
    const int j = first_unscheduled(parent.get());
    for (auto _ : state) {
        copy_node(run->table, child.get(), parent.get());
        append_job(run->table, child.get(), j);
        run->best.fo = 0;  // no completion is good enough to be copied
        int ub = 0;
        benchmark::DoNotOptimize(bound_node(*run, child.get(), ub));
    }
}

// The benchmark's instance loaded, a parent at the benchmark's level with its lists filled and
// their sums built, and the job of its first child.
struct ParentWithLists {
    std::unique_ptr<StandaloneRun> run;
    NodeBuffer parent;
    ParentLists lists;
    ListSums sums;
    int j;

    explicit ParentWithLists(const benchmark::State& state)
        : run(load_instance(static_cast<int>(state.range(0)))) {
        make_parent(run->table, parent.get(), level_of(state));
        lists.fill(*run, parent.get());
        sums.build(lists, run->entries, run->table.n_jobs);
        j = first_unscheduled(parent.get());
    }
};

void BM_BoundChildByWalk(benchmark::State& state) {
    ParentWithLists p(state);
    ChildBound bound;
    for (auto _ : state) {
        bound_child_by_walk(*p.run, p.lists, p.parent.get(), p.j, bound);
        benchmark::DoNotOptimize(bound.lb);
    }
}

void BM_BoundChildFromSums(benchmark::State& state) {
    ParentWithLists p(state);
    ChildBound bound;
    for (auto _ : state) {
        bound_child(*p.run, p.lists, &p.sums, p.parent.get(), p.j, bound);
        benchmark::DoNotOptimize(bound.lb);
    }
}

void BM_BuildListSums(benchmark::State& state) {
    ParentWithLists p(state);
    for (auto _ : state) {
        p.sums.build(p.lists, p.run->entries, p.run->table.n_jobs);
        benchmark::DoNotOptimize(p.sums.steps);
    }
}

void BM_FillParentLists(benchmark::State& state) {
    ParentWithLists p(state);
    ParentLists lists;
    for (auto _ : state) {
        lists.fill(*p.run, p.parent.get());
        benchmark::DoNotOptimize(lists.unscheduled);
    }
}

void BM_DeriveParentLists(benchmark::State& state) {
    ParentWithLists p(state);
    ParentLists derived;
    for (auto _ : state) {
        derived.derive(*p.run, p.lists, p.j);
        benchmark::DoNotOptimize(derived.unscheduled);
    }
}

// Recovery of a node that the step does not change, the common case in the selection.
template <bool Plain>
void BM_Recover(benchmark::State& state) {
    auto run = load_instance(static_cast<int>(state.range(0)));
    NodeBuffer node;
    make_parent(run->table, node.get(), std::max(2, level_of(state)));
    while (recover_in_place(run->table, 0, node.get())) {
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(Plain ? zemko_reference::recover_node_plain(*run, node.get())
                                       : recover_in_place(run->table, 0, node.get()));
}

// Expansion of one parent: children listed, bounded, ranked, released again.
template <bool Plain>
void BM_ExpandParent(benchmark::State& state) {
    auto run = load_instance(static_cast<int>(state.range(0)));
    const int n_jobs = run->table.n_jobs;
    reset_node_storage(run->storage, n_jobs, run->out);
    run->settings.beam = 1;
    alloc_selection_tables(run->tables, 1, n_jobs, run->context.budget);
    forget_previous_level(*run);
    Node* parent = new_node(run->storage);
    make_parent(run->table, parent, level_of(state));
    SelectionTables& tables = run->tables;
    for (auto _ : state) {
        run->best.fo = 0;
        int generated;
        if (Plain) {
            reset_row(tables, 0);
            generated = zemko_reference::expand_node_plain(*run, parent, 0);
        } else {
            push_beam_node(run->storage, parent);
            int n_parents = 0;
            generated = expand_current_beam(*run, n_parents);
            new_node(run->storage);  // take the parent back from the free stack
        }
        for (int r = 0; r < n_jobs && tables.child_rank[0][r] != END_OF_ROW; ++r)
            release_node(run->storage, tables.child_nodes[0][tables.child_rank[0][r]]);
        benchmark::DoNotOptimize(generated);
    }
}

// Instances of 100 and 500 jobs, nodes at levels 0, n/4, n/2 and 3n/4.
void levels(benchmark::internal::Benchmark* b) {
    for (int n : {100, 500})
        for (int quarter = 0; quarter < 4; ++quarter)
            b->Args({n, quarter});
    b->ArgNames({"jobs", "quarter"});
}

}  // namespace

BENCHMARK(BM_BoundNodePlain)->Apply(levels);
BENCHMARK(BM_BoundChildByWalk)->Apply(levels);
BENCHMARK(BM_BoundChildFromSums)->Apply(levels);
BENCHMARK(BM_BuildListSums)->Apply(levels);
BENCHMARK(BM_FillParentLists)->Apply(levels);
BENCHMARK(BM_DeriveParentLists)->Apply(levels);
BENCHMARK(BM_Recover<true>)->Apply(levels);
BENCHMARK(BM_Recover<false>)->Apply(levels);
BENCHMARK(BM_ExpandParent<true>)->Apply(levels);
BENCHMARK(BM_ExpandParent<false>)->Apply(levels);

BENCHMARK_MAIN();
