// The library's public interface: solve gives the console's answer and text, solves at once on
// several threads give what each gives alone, and bad input is refused with the console's
// messages.
#include <gtest/gtest.h>

#include <zemko/zemko.hpp>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/golden_cases.hpp"
#include "support/test_support.hpp"

using namespace zemko_test;

namespace {

// What the console prints around solve's transcript: the banner, the data file's line and the
// settings file's messages before it, the time line (here without its text) after it.
std::string console_text(const std::string& settings_messages, int n_jobs,
                         const std::string& transcript) {
    return "FLOW SHOP - Polinomial Upper Bound \n---------------------------------- \n\n"
           "'instance.txt' : " +
           std::to_string(n_jobs) + " Jobs loaded.\n" + settings_messages + transcript + "\n";
}

class LibraryGolden : public testing::TestWithParam<GoldenCase> {};

}  // namespace

TEST_P(LibraryGolden, SolveGivesTheConsolesTextAndAnswer) {
    const GoldenCase& c = GetParam();
    // Under the address sanitizer these take half a minute each, and the console's run of the
    // same case, which solves through this same call, covers them there.
    if (c.widest_beam && built_with_address_sanitizer())
        GTEST_SKIP() << "covered under the sanitizer by the console's run of the same case";
    ScratchDir dir;
    if (c.settings) dir.write("ZEMKO.INI", c.settings);
    const std::vector<zemko::Job> jobs = zemko::read_jobs_file(source_path(c.instance));
    std::ostringstream messages, transcript;
    const zemko::Settings settings = zemko::read_settings_file(dir.file("ZEMKO.INI"), &messages);
    const zemko::Result result = zemko::solve(jobs, settings, &transcript);

    const std::string golden = source_path(std::string("tests/data/golden/") + c.name);
    EXPECT_EQ(console_text(messages.str(), static_cast<int>(jobs.size()), transcript.str()),
              without_time_line(read_text(golden + ".stdout")));
    const std::vector<long long> ub = parse_numbers(read_text(golden + ".ub.rep"));
    ASSERT_FALSE(ub.empty());
    EXPECT_EQ(result.objective, ub[0]);
    if (result.status == zemko::Status::solved)
        EXPECT_EQ(std::vector<long long>(result.sequence.begin(), result.sequence.end()),
                  std::vector<long long>(ub.begin() + 1, ub.end()));
    else
        EXPECT_TRUE(result.sequence.empty());
}

INSTANTIATE_TEST_SUITE_P(Bundled, LibraryGolden, testing::ValuesIn(GOLDEN_CASES),
                         [](const testing::TestParamInfo<GoldenCase>& info) {
                             return info.param.name;
                         });

namespace {

struct Solve {
    std::vector<zemko::Job> jobs;
    zemko::Settings settings;
};

struct Outcome {
    zemko::Result result;
    std::string transcript;
};

Outcome solve_with_text(const Solve& s) {
    std::ostringstream transcript;
    zemko::Result result = zemko::solve(s.jobs, s.settings, &transcript);
    return {result, transcript.str()};
}

std::vector<zemko::Job> jobs_of(const std::vector<std::pair<int, int>>& times, int route = 1) {
    std::vector<zemko::Job> jobs;
    for (size_t i = 0; i < times.size(); ++i)
        jobs.push_back({static_cast<int>(i) + 1, times[i].first, times[i].second, route});
    return jobs;
}

}  // namespace

TEST(LibraryConcurrency, SolvesAtOnceGiveWhatEachGivesAlone) {
    std::vector<Solve> solves;
    for (int k = 0; k < 6; ++k) {
        Solve s;
        s.jobs = jobs_of(random_times(100 + k, 20 + 8 * k, k % 2 ? 1 : 0, 60), k == 3 ? 2 : 1);
        s.settings.beam = 5 + 5 * k;
        s.settings.threads = 1 + k % 2;
        s.settings.better_ub = k % 3 == 1;
        s.settings.output = k == 2 ? 1 : 0;
        // The improvement phase and the certificate run their own threads beside the walks.
        s.settings.step_limit = k == 1 || k == 4 ? 4 : 0;
        solves.push_back(s);
    }
    std::vector<Outcome> alone;
    for (const Solve& s : solves)
        alone.push_back(solve_with_text(s));

    std::vector<Outcome> together(solves.size());
    std::vector<std::thread> threads;
    for (size_t k = 0; k < solves.size(); ++k)
        threads.emplace_back([&, k] { together[k] = solve_with_text(solves[k]); });
    for (std::thread& t : threads)
        t.join();
    for (size_t k = 0; k < solves.size(); ++k) {
        SCOPED_TRACE("solve " + std::to_string(k));
        EXPECT_EQ(together[k].result.status, zemko::Status::solved);
        EXPECT_EQ(together[k].result.objective, alone[k].result.objective);
        EXPECT_EQ(together[k].result.sequence, alone[k].result.sequence);
        EXPECT_EQ(together[k].transcript, alone[k].transcript);
        EXPECT_EQ(zemko::objective(solves[k].jobs, together[k].result.sequence),
                  together[k].result.objective);
    }
}

// Under a time limit the exact search runs on the solve's threads, sharing its best sequence:
// what it proves there is what one thread under a step budget proves.
TEST(LibraryConcurrency, TheExactSearchOnTheSolvesThreadsProvesWhatOneProves) {
    for (int k = 0; k < 2; ++k) {
        const std::vector<zemko::Job> jobs = jobs_of(random_times(300 + k, 30 + 4 * k, 1, 100));
        zemko::Settings timed;
        timed.time_limit = 2;
        timed.threads = 2;
        zemko::Settings stepped;
        stepped.step_limit = 2000;
        stepped.threads = 1;
        const zemko::Result shared = zemko::solve(jobs, timed);
        const zemko::Result alone = zemko::solve(jobs, stepped);
        SCOPED_TRACE("instance " + std::to_string(k));
        ASSERT_EQ(shared.status, zemko::Status::solved);
        EXPECT_EQ(zemko::objective(jobs, shared.sequence), shared.objective);
        EXPECT_LE(shared.certified_lower_bound, alone.objective);
        EXPECT_LE(alone.certified_lower_bound, shared.objective);
        if (shared.optimal && alone.optimal) {
            EXPECT_EQ(shared.objective, alone.objective);
        }
    }
}

TEST(LibraryContract, RefusedInputGivesTheConsolesMessages) {
    auto message_of = [](auto&& call) {
        try {
            call();
        } catch (const zemko::InputError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message_of([] { zemko::read_jobs_file("/nonexistent/instance.txt"); }),
              "File not found");
    const zemko::Settings defaults;
    EXPECT_EQ(message_of([&] {
                  zemko::solve(std::vector<zemko::Job>(502, {1, 1, 1, 1}), defaults);
              }),
              "Too many jobs: at most 501 can be loaded");
    EXPECT_EQ(message_of([&] {
                  zemko::solve({{1, 536870912, 0, 1}, {2, 1, 0, 1}}, defaults);
              }),
              "Processing times too large");
    const std::vector<zemko::Job> two = jobs_of({{3, 1}, {1, 4}});
    EXPECT_EQ(message_of([&] {
                  zemko::objective(two, {0, 0});
              }),
              "The sequence is not a permutation of the jobs");
    EXPECT_EQ(message_of([&] {
                  zemko::objective({{1, 3, 1, 1}, {2, 1, 4, 2}}, {0, 1});
              }),
              "This version solve flow shop problems only.");
}

TEST(LibraryContract, StatusesAndObjectives) {
    const zemko::Settings defaults;
    EXPECT_EQ(zemko::solve({}, defaults).status, zemko::Status::no_jobs);
    const zemko::Result mixed = zemko::solve({{1, 3, 1, 1}, {2, 1, 4, 2}}, defaults);
    EXPECT_EQ(mixed.status, zemko::Status::mixed_routes);
    EXPECT_EQ(mixed.objective, zemko::NO_SOLUTION);
    EXPECT_TRUE(mixed.sequence.empty());

    // Jobs (3, 2) and (1, 4): the order 1, 0 costs 5 + 7, the order 0, 1 costs 5 + 9.
    const zemko::Result two = zemko::solve(jobs_of({{3, 2}, {1, 4}}), defaults);
    EXPECT_EQ(two.status, zemko::Status::solved);
    EXPECT_EQ(two.objective, 12);
    EXPECT_EQ(two.sequence, (std::vector<int>{1, 0}));
    EXPECT_EQ(zemko::objective(jobs_of({{3, 2}, {1, 4}}), {0, 1}), 5 + 9);
    // Route 2: the machines are exchanged before the evaluation.
    EXPECT_EQ(zemko::objective(jobs_of({{3, 2}, {1, 4}}, 2), {0, 1}), 5 + 7);
}

TEST(LibraryContract, ARaisedStopFlagEndsTheSolve) {
    std::atomic<bool> stop{true};
    zemko::Control control;
    control.stop = &stop;
    const zemko::Result result =
        zemko::solve(jobs_of(random_times(9, 60, 1, 100)), zemko::Settings{}, control);
    EXPECT_EQ(result.status, zemko::Status::interrupted);
}
