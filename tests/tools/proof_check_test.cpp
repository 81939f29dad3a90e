// zemko-check-proof against the solver: the summaries of solved runs are checked, and every kind
// of tampering is refused with its reason.
#include <gtest/gtest.h>

#include <zemko/zemko.hpp>

#include <map>
#include <numeric>
#include <regex>

#include "support/test_support.hpp"
#include "tools/proof_check.hpp"
#include "tools/tool_runner.hpp"

using zemko_test::ScratchDir;
using zemko_tools_test::run_tool;
using namespace zemko_tools;

namespace {

// The proof summary of a solve of `times` with a step budget.
std::string solved_summary(const std::vector<std::pair<int, int>>& times, int route = 1) {
    std::vector<zemko::Job> jobs;
    for (std::size_t i = 0; i < times.size(); ++i)
        jobs.push_back({static_cast<int>(i) + 1, times[i].first, times[i].second, route});
    zemko::Settings settings;
    settings.step_limit = 2000;
    return zemko::solve(jobs, settings).proof_summary;
}

ProofVerdict verdict_of(const std::string& text) {
    std::string error;
    const std::optional<ProofSummary> summary = parse_proof_summary(text, error);
    if (!summary) return {ProofVerdict::Kind::refused, error, 0, 0};
    return check_proof(*summary, 10000000);
}

// The summary with the line of `key` replaced by `line`.
std::string with_line(const std::string& text, const std::string& key, const std::string& line) {
    return std::regex_replace(text, std::regex("\n" + key + " [^\n]*"), "\n" + line);
}

}  // namespace

TEST(ProofCheck, ConfirmsTheSolversSummariesAndRefusesTamperedOnes) {
    for (unsigned seed : {3u, 8u, 21u}) {
        const std::string text = solved_summary(zemko_test::random_times(seed, 14, 1, 100));
        SCOPED_TRACE(text);
        const ProofVerdict verdict = verdict_of(text);
        ASSERT_EQ(verdict.kind, ProofVerdict::Kind::confirmed) << verdict.message;
        EXPECT_NE(verdict.message.find("optimal"), std::string::npos);

        std::string error;
        const ProofSummary summary = *parse_proof_summary(text, error);
        const std::string objective = std::to_string(summary.objective);
        const std::string raised_bound = "path_bound " + std::to_string(summary.path_bound + 1);
        std::string repeated = "sequence";
        for (std::size_t k = 0; k < summary.sequence.size(); ++k)
            repeated += " " + std::to_string(summary.sequence[k == 1 ? 0 : k]);
        // A worse sequence said to be optimal: its own objective, bound equal to it.
        std::vector<int> reversed(summary.sequence.rbegin(), summary.sequence.rend());
        std::string reversed_line = "sequence";
        for (int job : reversed)
            reversed_line += " " + std::to_string(job);
        long long c1 = 0, c2 = 0, worse = 0;
        for (int job : reversed) {
            c1 += summary.p1[job];
            c2 = std::max(c1, c2) + summary.p2[job];
            worse += c2;
        }
        ASSERT_GT(worse, summary.objective);
        const std::string false_optimum =
            with_line(with_line(with_line(text, "sequence", reversed_line), "objective",
                                "objective " + std::to_string(worse)),
                      "lower_bound", "lower_bound " + std::to_string(worse));
        const std::pair<std::string, std::string> tampered[] = {
            {with_line(text, "path_bound", raised_bound), "the prices give a bound of"},
            {with_line(text, "objective", "objective " + std::to_string(summary.objective - 1)),
             "the sequence's objective is " + objective},
            {with_line(text, "sequence", repeated), "not a permutation"},
            {with_line(text, "p2", "p2 " + std::string(40, '9')), "line 4: bad value"},
            {false_optimum, "exists: the answer is not optimal"},
            // A certificate raised past what holds, for an answer not said to be optimal.
            {with_line(false_optimum, "optimal", "optimal 0"),
             "the lower bound " + std::to_string(worse) + " is too high"},
            {text.substr(0, text.find("\nprices")), "\"prices\" missing"},
            {"zemko proof summary 2\n", "not a proof summary"},
        };
        for (const auto& [bad, reason] : tampered) {
            const ProofVerdict refused = verdict_of(bad);
            EXPECT_EQ(refused.kind, ProofVerdict::Kind::refused) << bad;
            EXPECT_NE(refused.message.find(reason), std::string::npos) << refused.message;
        }
    }
}

TEST(ProofCheck, ItsOwnSearchConfirmsEveryOptimumAndRefutesEveryOtherClaim) {
    // Without prices the bound is weak, and the search with its rules does the work: on ties,
    // zeros and negative times, an optimal answer is confirmed and the best one that is not is
    // refuted.
    zemko_test::SmallRng rng{99};
    for (const auto& [low, high] : std::vector<std::pair<int, int>>{{1, 20}, {0, 3}, {-5, 10}}) {
        for (int round = 0; round < 12; ++round) {
            const int n = rng.between(3, 8);
            ProofSummary summary;
            for (int j = 0; j < n; ++j) {
                summary.p1.push_back(rng.between(low, high));
                summary.p2.push_back(rng.between(low, high));
            }
            std::vector<int> order(n);
            std::iota(order.begin(), order.end(), 0);
            std::map<std::int64_t, std::vector<int>> first_of;  // objective: its first order
            do {
                std::int64_t c1 = 0, c2 = 0, sum = 0;
                for (int job : order) {
                    c1 += summary.p1[job];
                    c2 = std::max(c1, c2) + summary.p2[job];
                    sum += c2;
                }
                first_of.emplace(sum, order);
            } while (std::next_permutation(order.begin(), order.end()));
            summary.optimal = true;
            for (auto it = first_of.begin();
                 it != first_of.end() && it != std::next(first_of.begin(), 2); ++it) {
                summary.sequence = it->second;
                summary.objective = summary.lower_bound = it->first;
                const ProofVerdict verdict = check_proof(summary, 1000000);
                const bool optimum = it == first_of.begin();
                EXPECT_EQ(verdict.kind,
                          optimum ? ProofVerdict::Kind::confirmed : ProofVerdict::Kind::refused)
                    << verdict.message;
            }
        }
    }
}

TEST(ProofCheck, TheProgramChecksProofTxtAgainstItsDataFile) {
    ScratchDir dir;
    const auto times = zemko_test::random_times(5, 12, 1, 50);
    dir.write("data.txt", zemko_test::data_file(times, 2));
    dir.write("other.txt", zemko_test::data_file(times, 1));
    dir.write("ZEMKO.INI", "StepLimit = 500\nProofSummary = 1\n");
    ASSERT_EQ(zemko_test::run_zemko(dir.path(), {"data.txt"}).status, 0);
    const auto checked =
        run_tool(ZEMKO_CHECK_PROOF_EXE, {"--data", "data.txt", "proof.txt"}, dir.path());
    EXPECT_EQ(checked.status, 0) << checked.err;
    EXPECT_NE(checked.out.find("proof.txt: checked: objective"), std::string::npos);
    // The route-2 instance's times are exchanged: the same times as route 1 are another instance.
    const auto other =
        run_tool(ZEMKO_CHECK_PROOF_EXE, {"--data", "other.txt", "proof.txt"}, dir.path());
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.err.find("refused: job 1's times differ"), std::string::npos) << other.err;
    EXPECT_EQ(run_tool(ZEMKO_CHECK_PROOF_EXE, {"--nodes", "0", "proof.txt"}, dir.path()).status, 2);
}
