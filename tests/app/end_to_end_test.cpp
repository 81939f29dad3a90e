// Whole runs of the executable on bundled instances and settings: the transcript (but the
// time line), ub.rep and out.txt against stored results, and an independent check of the
// answer. Set ZEMKO_UPDATE_GOLDEN=1 to rewrite the stored results after a deliberate change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/golden_cases.hpp"
#include "support/test_support.hpp"

using namespace zemko_test;

namespace {

// The times the solver works with: an instance whose jobs all visit machine 2 first is solved
// with the machines exchanged.
std::vector<std::pair<int, int>> times_of(const std::string& data) {
    std::vector<std::pair<int, int>> times;
    bool all_route_2 = true;
    std::istringstream in(data);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int id, p1, p2, route;
        if (!(fields >> id >> p1 >> p2 >> route)) continue;
        times.push_back({p1, p2});
        all_route_2 = all_route_2 && route == 2;
    }
    if (all_route_2)
        for (auto& t : times)
            std::swap(t.first, t.second);
    return times;
}

class EndToEnd : public testing::TestWithParam<GoldenCase> {};

}  // namespace

TEST_P(EndToEnd, MatchesStoredResultsAndChecksOut) {
    const GoldenCase& c = GetParam();
    ScratchDir dir;
    std::string data = read_text(source_path(c.instance));
    dir.write("instance.txt", data);
    if (c.settings) dir.write("ZEMKO.INI", c.settings);
    dir.write("out.txt", "1 2\n");  // an earlier run's line must stay

    RunResult run = run_zemko(dir.path(), {"instance.txt"});
    ASSERT_EQ(run.status, 0);
    std::string transcript = without_time_line(run.output);
    std::string ub = dir.read("ub.rep");

    std::string golden = source_path(std::string("tests/data/golden/") + c.name);
    if (std::getenv("ZEMKO_UPDATE_GOLDEN")) {
        std::ofstream(golden + ".stdout", std::ios::binary) << transcript;
        std::ofstream(golden + ".ub.rep", std::ios::binary) << ub;
    }
    EXPECT_EQ(transcript, read_text(golden + ".stdout"));
    EXPECT_EQ(ub, read_text(golden + ".ub.rep"));
    EXPECT_EQ(transcript.find("Dbg_Warning<main>"), std::string::npos);
    EXPECT_EQ(transcript.find("Abnormal memory use"), std::string::npos);

    // The objective in ub.rep is that of its sequence, a permutation of the jobs, and the
    // objective printed as FO; out.txt gained exactly one line with it.
    std::vector<long long> numbers = parse_numbers(ub);
    ASSERT_FALSE(numbers.empty());
    long long fo = numbers[0];
    std::istringstream out_lines(dir.read("out.txt"));
    std::string first, second, extra;
    std::getline(out_lines, first);
    std::getline(out_lines, second);
    EXPECT_EQ(first, "1 2");
    EXPECT_EQ(second.substr(0, second.find(' ')), std::to_string(fo));
    EXPECT_FALSE(std::getline(out_lines, extra));
    if (transcript.find("No solutions found") != std::string::npos) {
        EXPECT_EQ(fo, 2147483647);
        return;
    }
    auto times = times_of(data);
    std::vector<int> seq(numbers.begin() + 1, numbers.end());
    ASSERT_EQ(seq.size(), times.size());
    std::vector<int> sorted = seq;
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 0; i < sorted.size(); ++i)
        ASSERT_EQ(sorted[i], static_cast<int>(i));
    EXPECT_EQ(objective_of(seq, times), fo);
    EXPECT_NE(transcript.find("FO           = " + std::to_string(fo) + "  (found at level "),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Bundled, EndToEnd, testing::ValuesIn(GOLDEN_CASES),
                         [](const testing::TestParamInfo<GoldenCase>& info) {
                             return info.param.name;
                         });

// The same run twice gives the same transcript and files.
TEST(EndToEndRepeat, RunsAreReproducible) {
    ScratchDir a, b;
    std::string data = read_text(source_path("tests/data/uniform40.txt"));
    for (ScratchDir* dir : {&a, &b}) {
        dir->write("i.txt", data);
        dir->write("ZEMKO.INI", "BetterUB = 1\nMoreLoops = 1\n");
    }
    RunResult first = run_zemko(a.path(), {"i.txt"});
    RunResult second = run_zemko(b.path(), {"i.txt"});
    EXPECT_EQ(without_time_line(first.output), without_time_line(second.output));
    EXPECT_EQ(a.read("ub.rep"), b.read("ub.rep"));
}
