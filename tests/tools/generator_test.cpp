// zemko-gen and Taillard's generator: the published first values, Schrage's method against
// plain 64-bit arithmetic, the bundled example and benchmark files made again byte for byte,
// series that continue from the generator's state, and refused options.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/test_support.hpp"
#include "tools/instance_generation.hpp"
#include "tools/taillard_random.hpp"
#include "tools/tool_runner.hpp"

using namespace zemko_tools;
using zemko_test::ScratchDir;
using zemko_test::source_path;
using zemko_tools_test::run_tool;

namespace {

constexpr std::int32_t TAILLARD_FIRST_SEED = 873654221;

std::string read_source_file(const std::string& relative) {
    std::ifstream in(source_path(relative), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(TaillardGenerator, GivesThePublishedFirstTimes) {
    // The first processing times of Taillard's first flow-shop instance (seed 873654221, 1..99).
    const int published[] = {54, 83, 15, 71, 77, 36, 53, 38, 27, 87,
                             76, 91, 14, 29, 12, 77, 32, 87, 68, 94};
    std::int32_t seed = TAILLARD_FIRST_SEED;
    for (int expected : published)
        EXPECT_EQ(taillard_unif(seed, 1, 99), expected);
}

TEST(TaillardGenerator, SchrageStepEqualsTheProductModuloM) {
    // Seeds at the edges of Schrage's split (multiples of q and their neighbours, the ends of
    // the range) and a walk along the sequence itself.
    std::vector<std::int64_t> seeds = {1,      2,      16806,      16807,      127772,
                                       127773, 127774, 2 * 127773, 2147483645, 2147483646};
    std::int32_t walk = 42;
    for (int i = 0; i < 2000; ++i) {
        seeds.push_back(walk);
        taillard_unif(walk, 1, 2);
    }
    for (std::int64_t s : seeds) {
        std::int32_t seed = static_cast<std::int32_t>(s);
        taillard_unif(seed, 1, 100);
        ASSERT_EQ(seed, (16807 * s) % 2147483647) << "from seed " << s;
    }
}

TEST(TaillardGenerator, DrawsStayInTheRangeAndReachBothEnds) {
    std::int32_t seed = 12345;
    bool saw_low = false, saw_high = false;
    for (int i = 0; i < 20000; ++i) {
        int value = taillard_unif(seed, 3, 7);
        ASSERT_GE(value, 3);
        ASSERT_LE(value, 7);
        saw_low |= value == 3;
        saw_high |= value == 7;
    }
    EXPECT_TRUE(saw_low && saw_high);
}

TEST(ZemkoGen, MakesTheBundledExampleAgain) {
    ScratchDir dir;
    auto run = run_tool(ZEMKO_GEN_EXE, {"--seed", "873654221", "-n", "20"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, read_source_file("examples/flowshop20.txt"));
    EXPECT_TRUE(run.err.empty());
}

TEST(ZemkoGen, DrawsAllFirstMachineTimesBeforeTheSecond) {
    // Machine by machine: p1 of jobs 1..n are the first n draws, p2 the next n.
    std::int32_t seed = 777;
    std::vector<int> draws;
    for (int i = 0; i < 10; ++i)
        draws.push_back(taillard_unif(seed, 1, 50));
    std::int32_t series_seed = 777;
    std::string text = generate_instance({5, 1, 50, 2}, series_seed);
    std::string expected;
    for (int j = 0; j < 5; ++j)
        expected += std::to_string(j + 1) + " " + std::to_string(draws[j]) + " " +
                    std::to_string(draws[5 + j]) + " 2\n";
    EXPECT_EQ(text, expected);
    EXPECT_EQ(series_seed, seed);
}

TEST(ZemkoGen, ASeriesContinuesFromTheGeneratorsState) {
    ScratchDir dir;
    auto run = run_tool(ZEMKO_GEN_EXE, {"-s", "99", "-n", "7", "-c", "3", "-o", "set"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    // Instance 3 is what a single instance gives from the state after 2 * 2 * 7 draws.
    std::int32_t seed = 99;
    for (int i = 0; i < 28; ++i)
        taillard_unif(seed, 1, 100);
    auto third = run_tool(ZEMKO_GEN_EXE, {"-s", std::to_string(seed), "-n", "7"}, dir.path());
    EXPECT_EQ(dir.read("set/n7_s99_3.txt"), third.out);
    EXPECT_NE(dir.read("set/n7_s99_1.txt"), dir.read("set/n7_s99_2.txt"));
}

TEST(ZemkoGen, MakesTheBenchmarkSetOfTheManifestAgain) {
    ScratchDir dir;
    std::istringstream manifest(read_source_file("bench/instances/MANIFEST"));
    int series = 0, files = 0;
    for (std::string line; std::getline(manifest, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream row(line);
        std::string n, low, high, seed, count;
        ASSERT_TRUE(row >> n >> low >> high >> seed >> count) << line;
        auto run = run_tool(ZEMKO_GEN_EXE,
                            {"-n", n, "-l", low, "-u", high, "-s", seed, "-c", count, "-o", "."},
                            dir.path());
        ASSERT_EQ(run.status, 0) << run.err;
        ++series;
        for (int k = 1; k <= std::stoi(count); ++k, ++files) {
            std::string name = "n" + n + "_s" + seed + "_" + std::to_string(k) + ".txt";
            EXPECT_EQ(dir.read(name), read_source_file("bench/instances/" + name)) << name;
        }
    }
    EXPECT_EQ(series, 5);
    // Every shipped instance is one of the manifest's.
    int shipped = 0;
    for (const auto& entry : std::filesystem::directory_iterator(source_path("bench/instances")))
        shipped += entry.path().extension() == ".txt";
    EXPECT_EQ(shipped, files);
}

TEST(ZemkoGen, RefusesBadOptionsWithUsageStatus) {
    ScratchDir dir;
    const std::vector<std::vector<std::string>> bad = {
        {"-n", "20"},                            // no seed
        {"-s", "0"},                             // the generator would stay at 0
        {"-s", "2147483647"},                    // the modulus itself
        {"-s", "12x"},                           // not a number
        {"-s", "5", "-n", "0"},                  // no job
        {"-s", "5", "-n", "502"},                // beyond the solver's limit
        {"-s", "5", "-l", "0"},                  // a job of two zero times is no job
        {"-s", "5", "-l", "9", "-u", "8"},       // empty range
        {"-s", "5", "-n", "501", "-u", "3000"},  // the solver would refuse the times
        {"-s", "5", "-r", "3"},                  // no such route
        {"-s", "5", "-c", "2"},                  // several instances need a folder
        {"-s", "5", "--bogus"},
        {"-s"},
    };
    for (const auto& args : bad) {
        auto run = run_tool(ZEMKO_GEN_EXE, args, dir.path());
        std::string shown;
        for (const auto& a : args)
            shown += a + " ";
        EXPECT_EQ(run.status, 2) << shown;
        EXPECT_TRUE(run.out.empty()) << shown;
        EXPECT_EQ(run.err.rfind("zemko-gen: ", 0), 0u) << shown << run.err;
    }
}

TEST(ZemkoGen, KeepsExistingFilesUnlessForced) {
    ScratchDir dir;
    dir.write("n4_s8_2.txt", "mine\n");
    auto refused =
        run_tool(ZEMKO_GEN_EXE, {"-s", "8", "-n", "4", "-c", "2", "-o", "."}, dir.path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("already exists"), std::string::npos) << refused.err;
    EXPECT_EQ(dir.read("n4_s8_2.txt"), "mine\n");
    EXPECT_FALSE(dir.exists("n4_s8_1.txt"));  // nothing of the series was written

    auto forced =
        run_tool(ZEMKO_GEN_EXE, {"-s", "8", "-n", "4", "-c", "2", "-o", ".", "-f"}, dir.path());
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_NE(dir.read("n4_s8_2.txt"), "mine\n");
}
