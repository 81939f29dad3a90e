// The members of what child generation keeps from level to level: the parents' snapshots and
// the tables of their lists.
#include "search/level_state.hpp"

#include <algorithm>

#include "util/memory_error.hpp"

namespace zemko {

void ParentSnapshots::ensure(int count, int n_jobs, MemoryBudget& budget) {
    if (count <= capacity && stride == n_jobs) return;
    int new_capacity = count > capacity ? count : capacity;
    reserve_memory(budget, static_cast<size_t>(new_capacity - (stride == n_jobs ? capacity : 0)) *
                               NODE_ARRAYS * n_jobs * sizeof(int));
    stride = n_jobs;
    storage.assign(static_cast<size_t>(new_capacity) * NODE_ARRAYS * stride, 0);
    nodes.assign(new_capacity, Node{});
    for (int p = 0; p < new_capacity; ++p)
        bind_node_arrays(&nodes[p], storage.data() + static_cast<size_t>(p) * NODE_ARRAYS * stride,
                         stride);
    capacity = new_capacity;
}

ParentLists* ListsTable::slot(int p, int n_jobs, int most_parents, MemoryBudget& budget) {
    if (stride != ParentLists::bytes_needed(n_jobs)) {
        // Another n_jobs: every slot is laid out again when next used.
        stride = ParentLists::bytes_needed(n_jobs);
        const size_t parents =
            std::min(LISTS_BUDGET / stride, static_cast<size_t>(most_parents)) + CHUNK_PARENTS;
        if (!block.ensure(parents * stride)) throw MemoryError();
        for (auto& old : lists)
            if (old) old->laid_out_for = -1;
    }
    // The block is mapped whole but its slots are touched only as they are used.
    if (static_cast<int>(lists.size()) <= p) {
        reserve_memory(budget, (p + 1 - lists.size()) * stride);
        lists.resize(p + 1);
    }
    if (!lists[p]) lists[p] = std::make_unique<ParentLists>();
    ParentLists* slot = lists[p].get();
    if (slot->laid_out_for != n_jobs) slot->place(block.data() + stride * p, n_jobs);
    return slot;
}

}  // namespace zemko
