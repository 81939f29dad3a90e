// Rows join one by one; each joins along the cheapest path of reduced costs from its free
// column to a free column (Dijkstra over columns with the slack of each), and the potentials
// move so that every reduced cost stays non-negative and the matched ones stay zero. Column 0
// stands for "no column" and row 0 for "no row", so arrays are indexed from 1.
#include "certify/min_cost_assignment.hpp"

#include <limits>

namespace zemko {

std::optional<Cost> min_cost_assignment(const std::vector<Cost>& cost, int n,
                                        std::vector<int>& column_of_row, AssignmentWork& work,
                                        const Limits& limits) {
    constexpr Cost UNBOUNDED = std::numeric_limits<Cost>::max();
    auto& u = work.row_potential;
    auto& v = work.column_potential;
    auto& slack = work.slack;
    auto& row_of = work.row_of_column;
    auto& previous = work.previous_column;
    auto& visited = work.visited;
    u.assign(n + 1, 0);
    v.assign(n + 1, 0);
    row_of.assign(n + 1, 0);
    previous.assign(n + 1, 0);
    for (int row = 1; row <= n; ++row) {
        // A row of a large instance takes a fraction of a millisecond.
        if (must_stop(limits)) return std::nullopt;
        row_of[0] = row;
        int column = 0;
        slack.assign(n + 1, UNBOUNDED);
        visited.assign(n + 1, 0);
        do {
            visited[column] = 1;
            const int r = row_of[column];
            const Cost* costs = cost.data() + static_cast<std::size_t>(r - 1) * n;
            Cost delta = UNBOUNDED;
            int next = 0;
            for (int c = 1; c <= n; ++c) {
                if (visited[c]) continue;
                const Cost reduced = costs[c - 1] - u[r] - v[c];
                if (reduced < slack[c]) {
                    slack[c] = reduced;
                    previous[c] = column;
                }
                if (slack[c] < delta) {
                    delta = slack[c];
                    next = c;
                }
            }
            for (int c = 0; c <= n; ++c) {
                if (visited[c]) {
                    u[row_of[c]] += delta;
                    v[c] -= delta;
                } else {
                    slack[c] -= delta;
                }
            }
            column = next;
        } while (row_of[column] != 0);
        do {
            const int back = previous[column];
            row_of[column] = row_of[back];
            column = back;
        } while (column != 0);
    }
    column_of_row.assign(n, 0);
    Cost total = 0;
    for (int c = 1; c <= n; ++c) {
        column_of_row[row_of[c] - 1] = c - 1;
        total += cost[static_cast<std::size_t>(row_of[c] - 1) * n + (c - 1)];
    }
    return total;
}

}  // namespace zemko
