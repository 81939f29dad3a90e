// Child generation for a whole level.
//
// The work for one parent is what the search has always done: list the jobs that pass the
// skip tests, take a node for each child from storage, complete or bound it, offer its
// completions, rank it. Here it is split up so that the costly parts use every core without
// changing a single result:
//   1. for each parent of a chunk, in parallel: the skip tests and its compacted priority lists;
//   2. for every child of the chunk, in parallel: its bounds (bound_child) or, for a child with
//      one job left, its recovered complete sequence; each writes only its own result;
//   3. for each parent of the chunk, in parallel: its row of the selection tables, ranked as the
//      children would have been entered one by one (a row belongs to one parent);
//   4. in the order of the plain search (parent by parent, child by child): the node storage
//      operations, the trace and warning output, the counters and the offers to the best
//      solution. Every effect on shared state happens here, in the same order as before.
// A bounded child's node gets its times and bounds at once, but its arrays are copied from a
// snapshot of its parent only if the selection takes it (child_node): the others are released
// untouched.
#include "search/child_generation.hpp"

#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "bounds/best_solution.hpp"
#include "bounds/child_bounds.hpp"
#include "bounds/list_sums.hpp"
#include "schedule/node_storage.hpp"
#include "search/dominance_rules.hpp"
#include "search/level_state.hpp"
#include "search/recovery.hpp"
#include "search/stop.hpp"
#include "util/memory_error.hpp"

namespace zemko {

namespace {

// With this many parents per thread or more, a parent and all its children are one work
// item: its lists then stay with the thread that made them. With fewer, the children of the
// chunk are spread one by one.
constexpr int PARENTS_PER_THREAD = 4;

void print_parent_line(const Transcript& out, int p, const Node* parent) {
    say(out, "GETNODE(%d): ", p);
    for (int i = 0; i < parent->level; ++i)
        say(out, "%d,", parent->seq[i]);
    say(out, "(%d,%d)\n", parent->c2sum, parent->c2);
}

// Step 1 for parent `c` of the chunk (snapshot index p); its list sums, if worth building, go
// to sums_slot.
void plan_parent(SearchRun& run, int c, int p, ListSums* sums_slot) {
    LevelState& st = *run.level;
    const int n_jobs = run.table.n_jobs;
    // The snapshot of the parent, which keeps its node in `next` to be released once the
    // parent is expanded (until then nothing writes the node).
    Node* parent = st.parents.at(p);
    copy_node(run.table, parent, st.popped[p]);
    parent->ub = st.popped[p]->ub;
    parent->next = st.popped[p];
    ParentWork& work = st.work[c];
    if (static_cast<int>(work.children.size()) < n_jobs) work.children.resize(n_jobs);
    work.n_children =
        list_children(run.table, run.lists, run.settings.filter, parent, work.children.data());
    work.completes = parent->level + 1 == n_jobs - 1;
    if (static_cast<int>(work.results.size()) < work.n_children)
        work.results.resize(work.n_children);
    if (work.completes) work.sequences.resize(static_cast<size_t>(work.n_children) * n_jobs);
    if (work.completes || work.n_children == 0) return;
    const LevelLists& lists = st.lists;
    const bool derivable = lists.before_whole_level && p < static_cast<int>(lists.origins.size()) &&
                           lists.origins[p].parent >= 0;
    if (derivable)
        work.lists->derive(run, *lists.before_lists->lists[lists.origins[p].parent],
                           lists.origins[p].job);
    else
        work.lists->fill(run, parent);
    work.sums = nullptr;
    if (work.lists->unscheduled >= MIN_SUMMED_JOBS && list_sums_apply(run.entries)) {
        sums_slot->build(*work.lists, run.entries, n_jobs);
        work.sums = sums_slot;
    }
}

// Step 2 for child k of parent c of the chunk.
void compute_child(SearchRun& run, int chunk_start, int c, int k, int thread_slot) {
    LevelState& st = *run.level;
    const int n_jobs = run.table.n_jobs;
    ParentWork& work = st.work[c];
    const Node* parent = st.parents.at(chunk_start + c);
    const int j = work.children[k];
    ChildResult& result = work.results[k];
    if (!work.completes) {
        bound_child(run, *work.lists, work.sums, parent, j, result.bound);
        return;
    }
    Node* child = st.scratch[thread_slot]->get();
    copy_node(run.table, child, parent);
    append_job(run.table, child, j);
    recover_in_place(run.table, run.settings.more_loops, child);
    int last = 0;
    while (child->unscheduled[last] != 1)
        ++last;
    append_job(run.table, child, last);
    recover_in_place(run.table, run.settings.more_loops, child);
    result.completed_c2sum = child->c2sum;
    std::memcpy(&work.sequences[static_cast<size_t>(k) * n_jobs], child->seq, sizeof(int) * n_jobs);
}

// The UB a bounded child ends with: the greedy completion's when better_ub is on and it is
// strictly better than the best list completion.
int final_ub(const SearchRun& run, const ChildBound& b) {
    return run.settings.better_ub && b.greedy < b.list_ub ? b.greedy : b.list_ub;
}

// Step 4 for the bounded child `i` (child number a of row p): the effects of bound_node and of
// entering the child into its row.
void enter_bounded_child(SearchRun& run, int chunk_start, int c, int a, Node* node) {
    LevelState& st = *run.level;
    const int p = chunk_start + c;
    const Node* parent = st.parents.at(p);
    const int j = st.work[c].children[a];
    const ChildBound& b = st.work[c].results[a].bound;
    const int level = parent->level + 1;

    if (b.list_ub < run.best.fo) {
        list_completion(run, parent, j, b.best_list, st.offer_seq.data());
        offer_solution(run.best, run.table, st.offer_seq.data(), b.list_ub, level);
    }
    const int ub = final_ub(run, b);
    if (run.settings.better_ub) {
        if (b.greedy < run.best.fo) {
            greedy_child(run, *st.work[c].lists, parent, j, st.offer_seq.data());
            offer_solution(run.best, run.table, st.offer_seq.data(), b.greedy, level);
        }
        if (b.greedy < b.list_ub) {
            if (b.lb > b.greedy) say(run.out, "<WARNING_LB>");
            run.better_ub_count += 1;
        }
    }

    const ChildTimes t = child_times(run.table.jobs, parent, j);
    node->c1 = t.c1;
    node->c2 = t.c2;
    node->c2sum = t.c2sum;
    node->level = level;
    node->lb = b.lb;
    node->ub = ub;
    run.tables.child_nodes[p][a] = node;
    run.tables.child_source[p][a] = {p, j, 0};
}

// Step 3: the row of parent c of the chunk, ranked as its children would be entered one by one:
// each row belongs to one parent, so the rows are ranked on all threads. Readers of a row stop at
// its first END_OF_ROW, and entering child a reads and writes ranks 0 .. a only: so the row needs
// no reset beyond the slot after its last child.
void rank_row(SearchRun& run, int chunk_start, int c) {
    const int p = chunk_start + c;
    const ParentWork& work = run.level->work[c];
    const int entered = work.completes ? 0 : work.n_children;
    for (int k = 0; k < entered; ++k) {
        const ChildBound& b = work.results[k].bound;
        rank_child(run, p, k, child_score_of(run.settings.alpha, b.lb, final_ub(run, b)));
    }
    if (entered < run.table.n_jobs) {
        run.tables.child_rank[p][entered] = END_OF_ROW;
        run.tables.child_score[p][entered] = END_OF_ROW;
    }
}

// Steps 1 to 4 for the parents [chunk_start, chunk_end) of the level.
int expand_chunk(SearchRun& run, int chunk_start, int chunk_end) {
    LevelState& st = *run.level;
    const int n_jobs = run.table.n_jobs;
    const int n_chunk = chunk_end - chunk_start;
    for (int c = 0; c < n_chunk; ++c)
        st.work[c].lists = st.lists.whole_level
                               ? st.lists.now_lists->slot(chunk_start + c, n_jobs,
                                                          run.settings.beam, run.context.budget)
                               : st.lists.chunk.slot(c, n_jobs, CHUNK_PARENTS, run.context.budget);
    const int threads = run.context.pool.size();
    while (static_cast<int>(st.scratch.size()) < threads)
        st.scratch.push_back(std::make_unique<NodeBuffer>());
    // A parent's sums are used by its own work item, or by every thread when the children of
    // the chunk are spread: then there are fewer than PARENTS_PER_THREAD * threads parents.
    while (static_cast<int>(st.sums.size()) < PARENTS_PER_THREAD * threads)
        st.sums.push_back(std::make_unique<ListSums>());

    // Steps 1 to 3; every item writes only its own parent's work and row, and a thread's
    // scratch node is its own.
    if (n_chunk >= PARENTS_PER_THREAD * threads) {
        run.context.pool.run(n_chunk, [&](int c, int thread) {
            plan_parent(run, c, chunk_start + c, st.sums[thread].get());
            for (int k = 0; k < st.work[c].n_children; ++k)
                compute_child(run, chunk_start, c, k, thread);
            rank_row(run, chunk_start, c);
        });
    } else {
        run.context.pool.run(
            n_chunk, [&](int c, int) { plan_parent(run, c, chunk_start + c, st.sums[c].get()); });
        st.child_parent.clear();
        st.child_number.clear();
        for (int c = 0; c < n_chunk; ++c)
            for (int k = 0; k < st.work[c].n_children; ++k) {
                st.child_parent.push_back(c);
                st.child_number.push_back(k);
            }
        run.context.pool.run(static_cast<int>(st.child_parent.size()), [&](int i, int thread) {
            compute_child(run, chunk_start, st.child_parent[i], st.child_number[i], thread);
        });
        run.context.pool.run(n_chunk, [&](int c, int) { rank_row(run, chunk_start, c); });
    }

    int generated = 0;
    for (int c = 0; c < n_chunk; ++c) {
        const int p = chunk_start + c;
        const ParentWork& work = st.work[c];
        if (run.settings.output == 1) print_parent_line(run.out, p, st.parents.at(p));
        int entered = 0;
        for (int k = 0; k < work.n_children; ++k) {
            Node* node = new_node_record(run.storage);
            if (work.completes) {
                run.recoveries += 2;
                offer_solution(run.best, run.table,
                               &work.sequences[static_cast<size_t>(k) * n_jobs],
                               work.results[k].completed_c2sum, n_jobs);
                release_node(run.storage, node);
            } else {
                enter_bounded_child(run, chunk_start, c, entered, node);
                entered += 1;
            }
        }
        generated += work.n_children;
        release_node(run.storage, st.parents.at(p)->next);
    }
    return generated;
}

}  // namespace

int64_t child_score_of(int alpha, int lb, int ub) {
    // 100 - alpha in 64 bits: the setting is not range-checked and may be as low as INT_MIN.
    return static_cast<int64_t>(alpha) * ub + (int64_t{100} - alpha) * lb;
}

void rank_child(SearchRun& run, int row, int a, int64_t score) {
    int* ranks = run.tables.child_rank[row];
    int64_t* scores = run.tables.child_score[row];
    int r = 0;
    while (r < a && ranks[r] != END_OF_ROW && scores[r] <= score)
        ++r;
    for (int k = a; k > r; --k) {
        ranks[k] = ranks[k - 1];
        scores[k] = scores[k - 1];
    }
    ranks[r] = a;
    scores[r] = score;
}

int expand_current_beam(SearchRun& run, int& n_parents) {
    LevelState& st = *run.level;
    const int n_jobs = run.table.n_jobs;
    if (static_cast<int>(st.offer_seq.size()) < n_jobs) st.offer_seq.assign(n_jobs, 0);
    // The parents in the order popped.
    std::vector<Node*>& popped = st.popped;
    popped.clear();
    while (Node* parent = pop_beam_node(run.storage))
        popped.push_back(parent);
    n_parents = static_cast<int>(popped.size());
    st.parents.ensure(n_parents, n_jobs, run.context.budget);
    // This level's parents are the nodes the last selection kept, popped last kept first.
    LevelLists& lists = st.lists;
    lists.origins.assign(n_parents, ChildSource{-1, -1, 1});
    if (static_cast<int>(lists.next_origins.size()) == n_parents)
        for (int p = 0; p < n_parents; ++p)
            lists.origins[p] = lists.next_origins[n_parents - 1 - p];
    lists.next_origins.clear();
    std::swap(lists.now_lists, lists.before_lists);
    lists.before_whole_level = lists.whole_level;
    lists.whole_level =
        static_cast<size_t>(n_parents) * ParentLists::bytes_needed(n_jobs) <= LISTS_BUDGET;

    int total = 0;
    const int level = n_parents > 0 ? st.popped[0]->level : 0;
    for (int start = 0; start < n_parents; start += CHUNK_PARENTS) {
        check_stop(run.context.limits);
        report_progress(run, level, n_parents);
        total += expand_chunk(
            run, start, start + CHUNK_PARENTS < n_parents ? start + CHUNK_PARENTS : n_parents);
    }
    return total;
}

void forget_previous_level(SearchRun& run) {
    if (!run.level) run.level = std::make_unique<LevelState>();
    LevelLists& lists = run.level->lists;
    lists.next_origins.clear();
    lists.whole_level = false;
}

void remember_kept_children(SearchRun& run, const ChildSource* kept_from, int n_kept) {
    run.level->lists.next_origins.assign(kept_from, kept_from + n_kept);
}

Node* child_node(SearchRun& run, int p, int a) {
    Node* node = run.tables.child_nodes[p][a];
    ChildSource& source = run.tables.child_source[p][a];
    if (source.parent < 0 || source.filled) return node;
    // The child as copy_node and append_job would have made it, with its bounds.
    attach_arrays(run.storage, node);
    const Node* parent = run.level->parents.at(source.parent);
    const int lb = node->lb;
    const int ub = node->ub;
    copy_node(run.table, node, parent);
    append_job(run.table, node, source.job);
    node->lb = lb;
    node->ub = ub;
    source.filled = 1;
    return node;
}

}  // namespace zemko
