// The proof checker's own reading of a proof summary and its own computation of what the
// summary claims: the answer's objective, the bound of the relaxed paths at the summary's
// prices, and, for an answer said to be optimal, a search for a better sequence. It shares no
// bound or search code with the solver.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zemko_tools {

struct ProofSummary {
    std::vector<std::int64_t> p1, p2;
    std::vector<int> sequence;
    std::int64_t objective = 0;
    std::int64_t lower_bound = 0;
    bool optimal = false;
    std::int64_t scale = 0;  // 0: no prices
    std::vector<std::int64_t> prices;
    std::int64_t path_bound = 0;
};

// The summary in `text`; nullopt with `error` set (naming the line) when it is not one.
std::optional<ProofSummary> parse_proof_summary(const std::string& text, std::string& error);

// A checked summary, or the reason it is refused.
struct ProofVerdict {
    enum class Kind { confirmed, refused, unsettled } kind = Kind::refused;
    std::string message;
    std::int64_t bound = 0;  // the bound the checker proved on its own
    long long nodes = 0;     // nodes of its search (0: none was needed)
};

// Checks everything the summary claims; a search for a better sequence, when one is needed to
// confirm optimality, expands at most `node_budget` nodes (unsettled past it).
ProofVerdict check_proof(const ProofSummary& summary, long long node_budget);

}  // namespace zemko_tools
