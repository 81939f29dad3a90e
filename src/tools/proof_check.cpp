// The bound is recomputed without buckets: every backlog d = C2 - C1 from the smallest p2 (or
// 0) up to the largest one reachable at each position is a state of its own, and the rests are
// tabled backwards, so the same table bounds every node of the search.
// The format of proof.txt, line by line: docs/proof-summary.md.
#include "tools/proof_check.hpp"

#include <algorithm>
#include <limits>
#include <map>
#include <sstream>

#include "tools/proof_levels.hpp"
#include "tools/tool_support.hpp"

namespace zemko_tools {

namespace {

constexpr long long MAX_JOBS = 501;
constexpr long long MAX_TIME =
    1LL << 30;  // |p| at most (the solver loads no larger), and no sum overflows
constexpr long long MAX_SCALE = 1024;
constexpr long long MAX_PRICE = 1LL << 41;
constexpr std::size_t MAX_STATES = std::size_t{1} << 27;  // backlog states the table may hold
constexpr std::size_t MAX_RECORDED = std::size_t{1} << 22;
constexpr int MOVE_WINDOW = 3;  // places a partial sequence's last job is moved back by

// Reads "key v1 v2 ..." with exactly `count` values (any count when count < 0).
bool read_line(std::istringstream& in, int& line_number, const char* key, long long count,
               long long low, long long high, std::vector<long long>& values, std::string& error) {
    std::string line;
    ++line_number;
    if (!std::getline(in, line)) {
        error = std::string("line ") + std::to_string(line_number) + ": \"" + key + "\" missing";
        return false;
    }
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word != key) {
        error = "line " + std::to_string(line_number) + ": \"" + key + "\" expected";
        return false;
    }
    values.clear();
    while (words >> word) {
        const std::optional<long long> value = parse_integer(word, low, high);
        if (!value) {
            error = "line " + std::to_string(line_number) + ": bad value \"" + word + "\"";
            return false;
        }
        values.push_back(*value);
    }
    if (count >= 0 && static_cast<long long>(values.size()) != count) {
        error = "line " + std::to_string(line_number) + ": " + std::to_string(count) +
                " values expected after \"" + key + "\"";
        return false;
    }
    return true;
}

std::int64_t ceil_div(std::int64_t value, std::int64_t divisor) {
    std::int64_t q = value / divisor;
    if (value % divisor != 0 && value > 0) ++q;
    return q;
}

std::int64_t objective_of(const ProofSummary& s, const std::vector<int>& sequence) {
    std::int64_t c1 = 0, c2 = 0, sum = 0;
    for (int job : sequence) {
        c1 += s.p1[job];
        c2 = std::max(c1, c2) + s.p2[job];
        sum += c2;
    }
    return sum;
}

// rest[k][d - low] for d in [low, high[k]]: the least scaled, priced cost of positions k..n-1
// from backlog d, repeats of jobs allowed (see the header comment).
struct RestTable {
    std::int64_t low = 0;
    std::vector<std::int64_t> high;
    std::vector<std::vector<std::int64_t>> rest;
};

std::optional<RestTable> rest_table(const ProofSummary& s, std::int64_t scale) {
    const int n = static_cast<int>(s.p1.size());
    RestTable table;
    table.low = 0;
    for (int j = 0; j < n; ++j)
        table.low = std::min(table.low, s.p2[j]);
    table.high.assign(n + 1, 0);
    std::size_t states = 1;
    for (int k = 0; k < n; ++k) {
        std::int64_t top = table.low;
        for (int j = 0; j < n; ++j)
            top = std::max(top, std::max<std::int64_t>(table.high[k] - s.p1[j], 0) + s.p2[j]);
        table.high[k + 1] = top;
        states += static_cast<std::size_t>(top - table.low + 1);
        if (states > MAX_STATES) return std::nullopt;
    }
    table.rest.resize(n + 1);
    table.rest[n].assign(static_cast<std::size_t>(table.high[n] - table.low + 1), 0);
    for (int k = n - 1; k >= 0; --k) {
        const std::vector<std::int64_t>& next = table.rest[k + 1];
        std::vector<std::int64_t>& here = table.rest[k];
        here.assign(static_cast<std::size_t>(table.high[k] - table.low + 1),
                    std::numeric_limits<std::int64_t>::max());
        for (int j = 0; j < n; ++j) {
            const std::int64_t step = scale * (n - k) * s.p1[j] - s.prices[j];
            for (std::int64_t d = table.low; d <= table.high[k]; ++d) {
                const std::int64_t after = std::max<std::int64_t>(d - s.p1[j], 0) + s.p2[j];
                const std::int64_t value = step + scale * after + next[after - table.low];
                std::int64_t& slot = here[d - table.low];
                if (value < slot) slot = value;
            }
        }
    }
    return table;
}

// A partial sequence: the state after it, its last job and bound, and the state before that
// job.
struct Node {
    std::int64_t c1 = 0, c2 = 0, sum = 0, price_left = 0;
    int last = -1;
    std::int64_t bound = 0;
    std::int64_t c1_before = 0, c2_before = 0, sum_before = 0, price_before = 0;
};

Node extended(const ProofSummary& s, const Node& node, int job) {
    Node child;
    child.c1 = node.c1 + s.p1[job];
    child.c2 = std::max(child.c1, node.c2) + s.p2[job];
    child.sum = node.sum + child.c2;
    child.price_left = node.price_left - s.prices[job];
    child.last = job;
    child.c1_before = node.c1;
    child.c2_before = node.c2;
    child.sum_before = node.sum;
    child.price_before = node.price_left;
    return child;
}

// The search for a sequence cheaper than the summary's objective.
struct Search {
    const ProofSummary& s;
    const RestTable& table;
    std::int64_t scale;
    long long budget;
    int n = 0;
    long long nodes = 0;
    bool exhausted = false;
    std::vector<char> placed;
    std::vector<std::uint64_t> set;
    std::map<std::vector<std::uint64_t>, std::vector<std::pair<std::int64_t, std::int64_t>>>
        recorded;
    std::size_t recorded_count = 0;
    std::optional<std::int64_t> found;  // the objective of a cheaper sequence, once found
    std::vector<Node> stack;  // [m]: the partial sequence of the first m jobs of the current one
};

// True when a recorded prefix of the same jobs ends no later on machine 2 at no greater sum
// (then every completion of this one costs at least as much); records this one otherwise.
bool dominated(Search& search, std::int64_t c2, std::int64_t sum) {
    auto& entries = search.recorded[search.set];
    for (const auto& [c2_seen, sum_seen] : entries)
        if (c2_seen <= c2 && sum_seen <= sum) return true;
    if (search.recorded_count < MAX_RECORDED) {
        entries.push_back({c2, sum});
        ++search.recorded_count;
    }
    return false;
}

// The bound of every sequence that starts with `node`, a partial sequence of `placed` jobs.
std::int64_t bound_of(const Search& search, int placed, const Node& node) {
    const std::int64_t d = std::min(node.c2 - node.c1, search.table.high[placed]);
    return node.sum + (search.n - placed) * node.c1 +
           ceil_div(search.table.rest[placed][d - search.table.low] + node.price_left,
                    search.scale);
}

// True when the child's last job, moved back by 1 to MOVE_WINDOW places, ends no later on
// machine 2 at a smaller sum; or, moved back by one (the last two exchanged), ends in the very
// same state and earlier in the search's order. The first cheapest sequence in that order never
// has such a move (see check_proof).
bool move_is_better(const Search& search, int depth, const Node& child) {
    const Node& node = search.stack[depth];
    for (int back = 1; back <= std::min(MOVE_WINDOW, depth); ++back) {
        const Node first = extended(search.s, search.stack[depth - back], child.last);
        Node moved = first;
        for (int m = depth - back + 1; m <= depth; ++m)
            moved = extended(search.s, moved, search.stack[m].last);
        if (moved.sum < child.sum && moved.c2 <= child.c2) return true;
        if (back > 1 || moved.sum != child.sum || moved.c2 != child.c2) continue;
        const std::int64_t first_bound = bound_of(search, depth, first);
        if (first_bound < node.bound || (first_bound == node.bound && child.last < node.last))
            return true;
    }
    return false;
}

void search_from(Search& search, int depth, const Node& node) {
    if (search.found || search.exhausted) return;
    search.stack[depth] = node;
    if (++search.nodes > search.budget) {
        search.exhausted = true;
        return;
    }
    const ProofSummary& s = search.s;
    std::vector<Node> children;
    for (int j = 0; j < search.n; ++j) {
        if (search.placed[j]) continue;
        Node child = extended(s, node, j);
        child.bound = bound_of(search, depth + 1, child);
        if (child.bound >= s.objective || move_is_better(search, depth, child)) continue;
        if (depth + 1 == search.n) {
            search.found = child.sum;
            return;
        }
        children.push_back(child);
    }
    // The search's order: by bound, then job.
    std::sort(children.begin(), children.end(), [](const Node& a, const Node& b) {
        return a.bound != b.bound ? a.bound < b.bound : a.last < b.last;
    });
    for (const Node& child : children) {
        const int j = child.last;
        search.placed[j] = 1;
        search.set[j / 64] |= std::uint64_t{1} << (j % 64);
        if (!dominated(search, child.c2, child.sum)) search_from(search, depth + 1, child);
        search.placed[j] = 0;
        search.set[j / 64] &= ~(std::uint64_t{1} << (j % 64));
        if (search.found || search.exhausted) return;
    }
}

// Refuses a summary whose answer is not what it says.
std::optional<std::string> answer_fault(const ProofSummary& s) {
    const int n = static_cast<int>(s.p1.size());
    std::vector<char> seen(n, 0);
    for (int job : s.sequence) {
        if (job < 0 || job >= n || seen[job])
            return "the sequence is not a permutation of the jobs";
        seen[job] = 1;
    }
    const std::int64_t objective = objective_of(s, s.sequence);
    if (objective != s.objective)
        return "the sequence's objective is " + std::to_string(objective) + ", not " +
               std::to_string(s.objective);
    if (s.lower_bound > s.objective) return "the lower bound exceeds the objective";
    if (s.optimal && s.lower_bound != s.objective)
        return "an optimal answer's lower bound must equal its objective";
    return std::nullopt;
}

}  // namespace

std::optional<ProofSummary> parse_proof_summary(const std::string& text, std::string& error) {
    std::istringstream in(text);
    std::string heading;
    if (!std::getline(in, heading) || heading != "zemko proof summary 1") {
        error = "line 1: not a proof summary (\"zemko proof summary 1\" expected)";
        return std::nullopt;
    }
    int line = 1;
    std::vector<long long> v;
    ProofSummary s;
    if (!read_line(in, line, "jobs", 1, 1, MAX_JOBS, v, error)) return std::nullopt;
    const long long n = v[0];
    if (!read_line(in, line, "p1", n, -MAX_TIME, MAX_TIME, v, error)) return std::nullopt;
    s.p1.assign(v.begin(), v.end());
    if (!read_line(in, line, "p2", n, -MAX_TIME, MAX_TIME, v, error)) return std::nullopt;
    s.p2.assign(v.begin(), v.end());
    if (!read_line(in, line, "sequence", n, 0, n - 1, v, error)) return std::nullopt;
    s.sequence.assign(v.begin(), v.end());
    const long long huge = std::numeric_limits<long long>::max() / 4;
    if (!read_line(in, line, "objective", 1, -huge, huge, v, error)) return std::nullopt;
    s.objective = v[0];
    if (!read_line(in, line, "lower_bound", 1, std::numeric_limits<long long>::min(), huge, v,
                   error))
        return std::nullopt;
    s.lower_bound = v[0];
    if (!read_line(in, line, "optimal", 1, 0, 1, v, error)) return std::nullopt;
    s.optimal = v[0] == 1;
    if (!read_line(in, line, "scale", 1, 0, MAX_SCALE, v, error)) return std::nullopt;
    s.scale = v[0];
    if (!read_line(in, line, "prices", s.scale > 0 ? n : 0, -MAX_PRICE, MAX_PRICE, v, error))
        return std::nullopt;
    s.prices.assign(v.begin(), v.end());
    if (!read_line(in, line, "path_bound", 1, -huge, huge, v, error)) return std::nullopt;
    s.path_bound = v[0];
    std::string rest;
    while (std::getline(in, rest))
        if (rest.find_first_not_of(" \t\r") != std::string::npos) {
            error = "line " + std::to_string(line + 1) + ": text after the summary";
            return std::nullopt;
        }
    return s;
}

ProofVerdict check_proof(const ProofSummary& summary, long long node_budget) {
    ProofVerdict verdict;
    if (const std::optional<std::string> fault = answer_fault(summary)) {
        verdict.message = *fault;
        return verdict;
    }
    ProofSummary s = summary;
    const std::int64_t scale = s.scale > 0 ? s.scale : 1;
    if (s.scale == 0) s.prices.assign(s.p1.size(), 0);
    const std::optional<RestTable> table = rest_table(s, scale);
    if (!table) {
        verdict.kind = ProofVerdict::Kind::unsettled;
        verdict.message = "the times span too many backlogs for the checker's table";
        return verdict;
    }
    std::int64_t price_sum = 0;
    for (std::int64_t price : s.prices)
        price_sum += price;
    verdict.bound = ceil_div(table->rest[0][-table->low] + price_sum, scale);
    if (s.scale > 0 && verdict.bound < s.path_bound) {
        verdict.message = "the prices give a bound of " + std::to_string(verdict.bound) +
                          ", not the " + std::to_string(s.path_bound) + " the summary states";
        return verdict;
    }
    verdict.kind = ProofVerdict::Kind::confirmed;
    if (s.lower_bound <= verdict.bound) {
        verdict.message = "no sequence costs less than " + std::to_string(verdict.bound);
        if (s.optimal) verdict.message += ": the answer is optimal";
        return verdict;
    }
    // A bound beyond the paths' own: no sequence may cost less than it. The search by levels
    // settles that on the network filtered against it.
    const LevelCheck check = sequences_within(s, scale, s.lower_bound - 1, node_budget);
    verdict.nodes = check.most_states;
    if (check.settled && check.within) {
        verdict.kind = ProofVerdict::Kind::refused;
        verdict.message =
            "a sequence of objective " + std::to_string(*check.within) + " exists: " +
            (s.optimal ? std::string("the answer is not optimal")
                       : "the lower bound " + std::to_string(s.lower_bound) + " is too high");
        return verdict;
    }
    if (check.settled) {
        verdict.bound = s.lower_bound;
        verdict.message = "no sequence costs less than " + std::to_string(s.lower_bound);
        if (s.optimal) verdict.message += ": the answer is optimal";
        return verdict;
    }
    if (!s.optimal) {
        verdict.message = "no sequence costs less than " + std::to_string(verdict.bound) +
                          "; the stated lower bound " + std::to_string(s.lower_bound) +
                          " is beyond what the checker settles";
        return verdict;
    }
    // Why the search finds a cheaper sequence when one exists: let S be the first sequence of
    // the least objective in the search's order (children by bound, then job; bounds depend on
    // the prefix alone, so the order is fixed). No bound of a prefix of S reaches the stated
    // objective. A move that is better drops only a prefix whose moved job gives a cheaper
    // sequence, or (exchanged with the job before it) an equal one earlier in the order; a recorded
    // prefix that dominates one of S's was visited earlier and gives an equal or cheaper sequence
    // earlier in the order. Neither can happen to S, so the search reaches it.
    Search search{s, *table,       scale, node_budget, static_cast<int>(s.p1.size()),
                  0, false,        {},    {},          {},
                  0, std::nullopt, {}};
    search.placed.assign(search.n, 0);
    search.stack.resize(search.n + 1);
    search.set.assign((search.n + 63) / 64, 0);
    Node root;
    root.price_left = price_sum;
    search_from(search, 0, root);
    verdict.nodes = search.nodes;
    if (search.found) {
        verdict.kind = ProofVerdict::Kind::refused;
        verdict.message = "a sequence of objective " + std::to_string(*search.found) +
                          " exists: the answer is not optimal";
    } else if (search.exhausted) {
        verdict.kind = ProofVerdict::Kind::unsettled;
        verdict.message = "no sequence costs less than " + std::to_string(verdict.bound) +
                          "; the search for a better sequence than the answer stopped after " +
                          std::to_string(node_budget) + " nodes";
    } else {
        verdict.bound = s.objective;
        verdict.message = "the search found no cheaper sequence: the answer is optimal";
    }
    return verdict;
}

}  // namespace zemko_tools
