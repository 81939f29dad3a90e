// Allocation, reset and release of the selection tables.
#include "search/selection_tables.hpp"

#include <algorithm>
#include <new>

#include "util/memory_error.hpp"

namespace zemko {

SelectionTables::~SelectionTables() {
    free_selection_tables(*this);
}

void alloc_selection_tables(SelectionTables& tables, int rows, int n_jobs, MemoryBudget& budget) {
    free_selection_tables(tables);
    constexpr size_t SLOT_BYTES =
        sizeof(Node*) + sizeof(int) + sizeof(int64_t) + sizeof(ChildSource);
    reserve_memory(budget, static_cast<size_t>(rows) * n_jobs * SLOT_BYTES);
    tables.child_nodes = new (std::nothrow) Node**[rows]();
    tables.child_rank = new (std::nothrow) int*[rows]();
    tables.child_score = new (std::nothrow) int64_t*[rows]();
    tables.child_source = new (std::nothrow) ChildSource*[rows]();
    tables.rows = rows;
    tables.n_jobs = n_jobs;
    if (!tables.child_nodes || !tables.child_rank || !tables.child_score || !tables.child_source)
        throw MemoryError();
    for (int p = 0; p < rows; ++p) {
        tables.child_nodes[p] = new (std::nothrow) Node*[n_jobs];
        tables.child_rank[p] = new (std::nothrow) int[n_jobs];
        tables.child_score[p] = new (std::nothrow) int64_t[n_jobs];
        tables.child_source[p] = new (std::nothrow) ChildSource[n_jobs];
        if (!tables.child_nodes[p] || !tables.child_rank[p] || !tables.child_score[p] ||
            !tables.child_source[p])
            throw MemoryError();
    }
}

int free_selection_tables(SelectionTables& tables) {
    for (int p = 0; p < tables.rows; ++p) {
        if (tables.child_nodes) delete[] tables.child_nodes[p];
        if (tables.child_rank) delete[] tables.child_rank[p];
        if (tables.child_score) delete[] tables.child_score[p];
        if (tables.child_source) delete[] tables.child_source[p];
    }
    delete[] tables.child_nodes;
    delete[] tables.child_rank;
    delete[] tables.child_score;
    delete[] tables.child_source;
    tables.child_source = nullptr;
    tables.child_nodes = nullptr;
    tables.child_rank = nullptr;
    tables.child_score = nullptr;
    tables.rows = 0;
    return 0;
}

void reset_row(SelectionTables& tables, int p) {
    const int n = tables.n_jobs;
    std::fill(tables.child_nodes[p], tables.child_nodes[p] + n, nullptr);
    std::fill(tables.child_rank[p], tables.child_rank[p] + n, END_OF_ROW);
    std::fill(tables.child_score[p], tables.child_score[p] + n, END_OF_ROW);
    std::fill(tables.child_source[p], tables.child_source[p] + n, ChildSource{-1, -1, 1});
}

}  // namespace zemko
