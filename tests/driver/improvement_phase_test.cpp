// The improvement phase of whole solves: its section of the transcript, a step budget that gives
// the same text on any number of threads, and a certificate that holds (a lower bound never
// above the optimum, "optimal" only for an optimal answer), checked by enumeration.
#include <gtest/gtest.h>

#include <zemko/zemko.hpp>

#include <algorithm>
#include <numeric>
#include <sstream>

#include "support/test_support.hpp"
#include "support/text_patterns.hpp"

namespace {

std::vector<zemko::Job> jobs_of(const std::vector<std::pair<int, int>>& times, int route = 1) {
    std::vector<zemko::Job> jobs;
    for (size_t i = 0; i < times.size(); ++i)
        jobs.push_back({static_cast<int>(i) + 1, times[i].first, times[i].second, route});
    return jobs;
}

std::string transcript_of(const std::vector<zemko::Job>& jobs, const zemko::Settings& settings,
                          zemko::Result* result = nullptr) {
    std::ostringstream text;
    zemko::Result r = zemko::solve(jobs, settings, &text);
    if (result) *result = r;
    return text.str();
}

// The section after the beam search's report.
std::string section_of(const std::string& transcript) {
    const size_t at = transcript.find("\nImprovement phase:");
    return at == std::string::npos ? "" : transcript.substr(at);
}

}  // namespace

TEST(ImprovementPhaseRuns, AStepBudgetGivesTheSameTextWithAnyThreads) {
    const auto jobs = jobs_of(zemko_test::random_times(21, 45, 1, 100));  // the exact search too
    zemko::Settings settings;
    settings.step_limit = 1000;
    std::string texts[3], proofs[3];
    zemko::Result result;
    const int threads[] = {1, 2, 0};
    for (int k = 0; k < 3; ++k) {
        settings.threads = threads[k];
        texts[k] = transcript_of(jobs, settings, &result);
        proofs[k] = result.proof_summary;
    }
    EXPECT_EQ(texts[1], texts[0]);
    EXPECT_EQ(texts[2], texts[0]);
    EXPECT_EQ(proofs[1], proofs[0]);
    EXPECT_EQ(proofs[2], proofs[0]);
    EXPECT_NE(proofs[0].find("\nprices "), std::string::npos);
    // The heading, one line per better sequence (no times under a step budget), the end and the
    // certificate.
    const std::string section = section_of(texts[0]);
    const std::string shape(
        "\nImprovement phase: StepLimit = 1000 steps, Seed = 1; from FO = [0-9]+ "
        "\\((beam search|insertion)\\)\n"
        "(step +[0-9]+  FO = [0-9]+  gap [0-9.]+ %  \\((iterated greedy|exact search)\\)\n)*"
        "Improvement phase: FO = [0-9]+ after 1000 steps\n"
        "Certificate: lower bound [0-9]+, gap [0-9.]+ %(, optimal)?\n");
    EXPECT_TRUE(zemko_test::matches_whole(section, shape)) << section;
    EXPECT_EQ(result.improvement_steps, 1000);
    EXPECT_EQ(zemko::objective(jobs, result.sequence), result.objective);
    EXPECT_LE(result.certified_lower_bound, result.objective);
    // Without a limit there is no phase, and the text is the beam search's alone.
    settings.step_limit = 0;
    EXPECT_EQ(section_of(transcript_of(jobs, settings)), "");
}

TEST(ImprovementPhaseRuns, TheCertificateHoldsAndOptimalMeansOptimal) {
    int proven = 0;
    for (unsigned seed = 1; seed <= 150; ++seed) {
        const int n = 2 + static_cast<int>(seed % 7);
        const int low = seed % 3 == 0 ? -20 : 0;
        const auto times = zemko_test::random_times(seed, n, low, seed % 2 ? 9 : 60);
        const int route = seed % 5 == 0 ? 2 : 1;
        std::vector<std::pair<int, int>> solved = times;  // as the solver sees them
        if (route == 2)
            for (auto& t : solved)
                std::swap(t.first, t.second);
        zemko::Settings settings;
        settings.step_limit = 200;
        const zemko::Result result = zemko::solve(jobs_of(times, route), settings);
        const long long optimum = zemko_test::brute_force_optimum(solved);
        SCOPED_TRACE("seed " + std::to_string(seed));
        ASSERT_EQ(result.status, zemko::Status::solved);
        ASSERT_LE(result.certified_lower_bound, optimum);
        ASSERT_EQ(zemko_test::objective_of(result.sequence, solved), result.objective);
        if (result.optimal) {
            ASSERT_EQ(result.objective, optimum);
            ++proven;
        }
    }
    // Instances this small are within the exact search's reach.
    EXPECT_EQ(proven, 150);
}

// Past the exact search's full range, a time limit gives it a trial; when that does not prove,
// the walks go on, and their steps and objectives carry on from before it.
TEST(ImprovementPhaseRuns, AnExactTrialHandsTheTimeBackToTheWalks) {
    const auto jobs = jobs_of(zemko_test::random_times(7, 90, 1, 100));
    zemko::Settings settings;
    settings.time_limit = 1;
    settings.threads = 2;
    const zemko::Result result = zemko::solve(jobs, settings);
    ASSERT_EQ(result.status, zemko::Status::solved);
    EXPECT_EQ(zemko::objective(jobs, result.sequence), result.objective);
    EXPECT_LE(result.certified_lower_bound, result.objective);
    for (size_t i = 1; i < result.improvements.size(); ++i) {
        EXPECT_GE(result.improvements[i].step, result.improvements[i - 1].step);
        EXPECT_LT(result.improvements[i].objective, result.improvements[i - 1].objective);
    }
    if (!result.improvements.empty()) {
        EXPECT_EQ(result.improvements.back().objective, result.objective);
        EXPECT_LE(result.improvements.back().step, result.improvement_steps);
    }
}
