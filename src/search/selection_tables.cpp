// Allocation, reset and release of the selection tables.
#include "search/selection_tables.hpp"

#include <algorithm>
#include <cstdio>
#include <new>

#include "input/jobs.hpp"
#include "input/settings.hpp"
#include "schedule/node_storage.hpp"

namespace zemko {

Node*** child_nodes = nullptr;
int** child_rank = nullptr;
int64_t** child_score = nullptr;
ChildSource** child_source = nullptr;
int selection_rows = 0;

int alloc_selection_tables() {
    if (ParetoBeam != 0 || Beam > BEAM_SLOTS) Beam = CAPPED_BEAM;
    if (Beam < 1) {
        Beam = 1;
        std::printf("\nWarning : Beam must be at least 1, using 1\n");
    }
    child_nodes = new (std::nothrow) Node**[Beam]();
    child_rank = new (std::nothrow) int*[Beam]();
    child_score = new (std::nothrow) int64_t*[Beam]();
    child_source = new (std::nothrow) ChildSource*[Beam]();
    selection_rows = Beam;
    if (!child_nodes || !child_rank || !child_score || !child_source) memory_error();
    for (int p = 0; p < Beam; ++p) {
        child_nodes[p] = new (std::nothrow) Node*[n_jobs];
        child_rank[p] = new (std::nothrow) int[n_jobs];
        child_score[p] = new (std::nothrow) int64_t[n_jobs];
        child_source[p] = new (std::nothrow) ChildSource[n_jobs];
        if (!child_nodes[p] || !child_rank[p] || !child_score[p] || !child_source[p])
            memory_error();
    }
    return 0;
}

int free_selection_tables() {
    for (int p = 0; p < selection_rows; ++p) {
        if (child_nodes) delete[] child_nodes[p];
        if (child_rank) delete[] child_rank[p];
        if (child_score) delete[] child_score[p];
        if (child_source) delete[] child_source[p];
    }
    delete[] child_nodes;
    delete[] child_rank;
    delete[] child_score;
    delete[] child_source;
    child_source = nullptr;
    child_nodes = nullptr;
    child_rank = nullptr;
    child_score = nullptr;
    selection_rows = 0;
    return 0;
}

void reset_row(int p) {
    std::fill(child_nodes[p], child_nodes[p] + n_jobs, nullptr);
    std::fill(child_rank[p], child_rank[p] + n_jobs, END_OF_ROW);
    std::fill(child_score[p], child_score[p] + n_jobs, END_OF_ROW);
    std::fill(child_source[p], child_source[p] + n_jobs, ChildSource{-1, -1, 1});
}

}  // namespace zemko
