#include "certify/arc_filter.hpp"

#include <algorithm>
#include <bit>

#include "certify/backlog_paths.hpp"

namespace zemko {

namespace {

// Another round of filtering pays while the last one deleted at least this share of the arcs
// it was given.
constexpr double WORTH_ANOTHER_ROUND = 0.01;
constexpr int MOST_ROUNDS = 8;

long long arcs_kept(const ArcMasks& masks) {
    long long kept = 0;
    for (const std::uint64_t word : masks.allowed)
        kept += std::popcount(word);
    return kept;
}

// True when a kept arc leaves the grid: a sequence within the target may then leave it and
// come back, through states whose kept arcs say nothing of it.
bool kept_arc_leaves(const BacklogGrid& grid, const ArcMasks& masks) {
    const int n = grid.jobs, B = grid.buckets;
    for (int k = 0; k < n; ++k)
        for (int b = 0; b < B; ++b)
            for (int w = 0; w < masks.words; ++w)
                for (std::uint64_t bits =
                         masks.allowed[(static_cast<std::size_t>(k) * B + b) * masks.words + w];
                     bits != 0; bits &= bits - 1) {
                    const int j = 64 * w + std::countr_zero(bits);
                    if ((b <= grid.idle_last[j] ? grid.idle_target[j] : b + grid.shift[j]) >= B)
                        return true;
                }
    return false;
}

// The filtered table: the masks, each job's last position, and the rests over the kept arcs.
// Every sequence within the target stays in the grid, so every state it passes is one of the
// grid's.
void take_filter(const BacklogGrid& grid, const ArcMasks& masks, const BacklogWork& work,
                 Cost target, RestCostTable& table, FilterCounts& counts) {
    const int n = grid.jobs, B = grid.buckets;
    std::vector<std::vector<char>> placed_at(n, std::vector<char>(n, 0));
    for (int k = 0; k < n; ++k)
        for (int b = 0; b < B; ++b)
            for (int w = 0; w < masks.words; ++w)
                for (std::uint64_t bits =
                         masks.allowed[(static_cast<std::size_t>(k) * B + b) * masks.words + w];
                     bits != 0; bits &= bits - 1)
                    placed_at[64 * w + std::countr_zero(bits)][k] = 1;
    table.last_position.assign(n, -1);
    long long window_sum = 0;
    for (int j = 0; j < n; ++j)
        for (int k = 0; k < n; ++k)
            if (placed_at[j][k]) {
                table.last_position[j] = k;
                ++window_sum;
            }
    counts.mean_window = static_cast<double>(window_sum) / n;
    table.off_grid.resize(n + 1);
    for (int m = 0; m <= n; ++m)
        table.off_grid[m] = table.values[static_cast<std::size_t>(m) * B + B - 1];
    table.words = masks.words;
    table.allowed = masks.allowed;
    table.target = target;
    for (std::size_t s = 0; s < table.values.size(); ++s)
        table.values[s] =
            work.values[s] < REACHED_BELOW ? static_cast<Cost>(work.values[s]) : FILTERED_REST;
}

}  // namespace

std::size_t arc_filter_bytes(int jobs, int buckets) {
    const std::size_t states = static_cast<std::size_t>(jobs + 1) * buckets;
    const std::size_t words = (static_cast<std::size_t>(jobs) + 63) / 64;
    // two copies of the masks, the forward values and the grid's own arrays beside the table's
    return 2 * states * words * sizeof(std::uint64_t) + 2 * states * sizeof(double) +
           static_cast<std::size_t>(jobs) * jobs;
}

FilterCounts filter_rest_costs(const JobTimes& times, const StrongBoundEffort& effort, Cost target,
                               RestCostTable& table, const Limits& limits, MemoryBudget* memory) {
    FilterCounts counts;
    const int n = times.count();
    if (table.buckets == 0 || table.jobs != n || table.words != 0 || n == 0) return counts;
    const BacklogGrid grid =
        make_backlog_grid(times, std::max(effort.max_buckets, 1), effort.span_factor);
    if (grid.width != 1 || grid.buckets != table.buckets || grid.origin != table.origin)
        return counts;
    const MemoryReservation arrays(memory, arc_filter_bytes(n, grid.buckets));
    const double scale = static_cast<double>(table.scale);
    const std::vector<double> prices(table.prices.begin(), table.prices.end());
    double price_sum = 0;
    for (const double price : prices)
        price_sum += price;
    const double keep_at_most = scale * static_cast<double>(target) - price_sum;
    ArcMasks masks = all_arcs(grid);
    counts.arcs = arcs_kept(masks);
    BacklogWork work;
    long long before = counts.arcs;
    while (counts.rounds < MOST_ROUNDS) {
        if (must_stop(limits)) return counts;
        const long long deleted =
            filter_relaxed_arcs(grid, scale, prices, keep_at_most, masks, work);
        ++counts.rounds;
        if (deleted < WORTH_ANOTHER_ROUND * static_cast<double>(before)) break;
        before -= deleted;
    }
    counts.kept = arcs_kept(masks);
    if (kept_arc_leaves(grid, masks)) return counts;
    take_filter(grid, masks, work, target, table, counts);
    return counts;
}

}  // namespace zemko
