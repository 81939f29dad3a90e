// The assignment problem: each row of a square cost table to its own column at the least total
// cost, solved exactly in integers by shortest augmenting paths with potentials.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "util/cost.hpp"
#include "util/limits.hpp"

namespace zemko {

// Arrays reused from one solve to the next.
struct AssignmentWork {
    std::vector<Cost> row_potential, column_potential, slack;
    std::vector<int> row_of_column, previous_column;
    std::vector<char> visited;
};

// `cost` holds n rows of n columns, row by row; any signs, and every partial sum of at most
// 2n magnitudes must fit in 63 bits. Returns the least total cost and the column of each row in
// `column_of_row`. Ties go the same way on every run. When `limits` stop it between two rows,
// it returns nothing.
std::optional<Cost> min_cost_assignment(const std::vector<Cost>& cost, int n,
                                        std::vector<int>& column_of_row, AssignmentWork& work,
                                        const Limits& limits = {});

}  // namespace zemko
