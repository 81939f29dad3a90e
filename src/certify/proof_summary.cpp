// Lines "key values...", in a fixed order: the checker reads them back in that order.
// The format of proof.txt, line by line: docs/proof-summary.md.
#include "certify/proof_summary.hpp"

namespace zemko {

namespace {

void add_line(std::string& text, const char* key, const std::vector<long long>& values) {
    text += key;
    for (long long value : values) {
        text += ' ';
        text += std::to_string(value);
    }
    text += "\n";
}

}  // namespace

std::string proof_summary_text(const JobTimes& times, const std::vector<int>& sequence,
                               long long objective, const Certificate& certificate,
                               const RestCostTable& rest_costs) {
    const int n = times.count();
    std::string text = std::string(PROOF_SUMMARY_HEADING) + "\n";
    add_line(text, "jobs", {n});
    add_line(text, "p1", std::vector<long long>(times.p1.begin(), times.p1.end()));
    add_line(text, "p2", std::vector<long long>(times.p2.begin(), times.p2.end()));
    add_line(text, "sequence", std::vector<long long>(sequence.begin(), sequence.end()));
    add_line(text, "objective", {objective});
    add_line(text, "lower_bound", {certificate.lower_bound});
    add_line(text, "optimal", {certificate.optimal ? 1 : 0});
    const bool priced = rest_costs.buckets > 0 && rest_costs.jobs == n;
    add_line(text, "scale", {priced ? rest_costs.scale : 0});
    std::vector<long long> prices;
    long long price_sum = 0;
    if (priced) {
        prices.assign(rest_costs.prices.begin(), rest_costs.prices.end());
        for (long long price : prices)
            price_sum += price;
    }
    add_line(text, "prices", prices);
    // The rests from the empty sequence are the whole paths: the paths' bound at these prices.
    const long long path_bound = priced ? rest_cost_bound(rest_costs, 0, 0, 0, price_sum) : 0;
    add_line(text, "path_bound", {path_bound});
    return text;
}

}  // namespace zemko
