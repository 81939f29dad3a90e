// The result files when things go wrong: result files that cannot be written, a run that runs
// out of memory, an out.txt edited by hand, and runs that finish together in one directory.
// Whatever happens, nothing already in ub.rep or out.txt is lost or mixed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/test_support.hpp"
#include "support/text_patterns.hpp"

using zemko_test::parse_numbers;
using zemko_test::RunResult;
using zemko_test::ScratchDir;

namespace {

namespace fs = std::filesystem;

const std::string OLD_UB = "4321 1 0 ";
const std::string OLD_OUT = "4321 0\n4400 2\n";
const std::string DATA = "1 3 5 1\n2 4 1 1\n";  // solved with FO 17 and ub.rep "17 0 1 "

// Names in dir other than the given ones: temporary files left behind, for instance.
std::set<std::string> other_files(const ScratchDir& dir, std::set<std::string> expected) {
    std::set<std::string> others;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        std::string name = entry.path().filename().string();
        if (!expected.count(name)) others.insert(name);
    }
    return others;
}

bool ends_with(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Runs as an ordinary user in a folder that user may enter.
RunResult run_unprivileged(const ScratchDir& dir) {
    fs::permissions(dir.path(), fs::perms::all);
    return zemko_test::run_zemko_unprivileged(dir.path(), {"data.txt"});
}

// Whether an ordinary user can run the solver here at all: a plain run in a folder open to
// everyone must write its result. When the executable lies in a folder that user may not
// enter (a private clone), or under an emulator that cannot open it then, the runs below would
// read the launcher's failure as the solver's answer; `why` tells what happened instead.
bool ordinary_user_can_run(std::string& why) {
    ScratchDir dir;
    dir.write("data.txt", DATA);
    const RunResult run = run_unprivileged(dir);
    if (run.status == 0 && dir.read("ub.rep") == "17 0 1 ") return true;
    why = "an ordinary user cannot run the solver here (status " + std::to_string(run.status) +
          ", output: " + run.output.substr(0, 200) + ")";
    return false;
}

}  // namespace

TEST(ResultFiles, UbRepThatCannotBeReplaced) {
    ScratchDir dir;
    dir.write("data.txt", DATA);
    dir.write("out.txt", OLD_OUT);
    fs::create_directory(dir.file("ub.rep"));
    RunResult run = zemko_test::run_zemko(dir.path(), {"data.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(ends_with(run.output, "Better UB solutions : 0\n\n\nCannot write ub.rep\n\n"))
        << run.output;
    EXPECT_EQ(dir.read("out.txt"), OLD_OUT);
    EXPECT_EQ(other_files(dir, {"data.txt", "out.txt", "ub.rep"}), std::set<std::string>{});
}

TEST(ResultFiles, OutTxtThatCannotBeAppendedTo) {
    ScratchDir dir;
    dir.write("data.txt", DATA);
    dir.write("ub.rep", OLD_UB);
    fs::create_directory(dir.file("out.txt"));
    RunResult run = zemko_test::run_zemko(dir.path(), {"data.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(ends_with(run.output, "\n\nCannot write out.txt\n\n")) << run.output;
    EXPECT_NE(run.output.find("ZEMKO CPU Time : "), std::string::npos);
    EXPECT_EQ(dir.read("ub.rep"), "17 0 1 ");
}

TEST(ResultFiles, FilePermissionsAreRespected) {
    std::string why;
    if (!ordinary_user_can_run(why)) GTEST_SKIP() << why;
    {
        SCOPED_TRACE("data file without read permission");
        ScratchDir dir;
        dir.write("data.txt", DATA);
        dir.write("out.txt", OLD_OUT);
        fs::permissions(dir.file("data.txt"), fs::perms::none);
        const RunResult run = run_unprivileged(dir);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(ends_with(run.output, "\n\nFile not found\n\n")) << run.output;
        EXPECT_EQ(dir.read("out.txt"), OLD_OUT);
        EXPECT_FALSE(dir.exists("ub.rep"));
    }
    {
        SCOPED_TRACE("directory without write permission");
        ScratchDir dir;
        dir.write("data.txt", DATA);
        dir.write("ub.rep", OLD_UB);
        dir.write("out.txt", OLD_OUT);
        fs::permissions(dir.path(), fs::perms::all);
        fs::permissions(dir.path(),
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        const RunResult run = zemko_test::run_zemko_unprivileged(dir.path(), {"data.txt"});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(ends_with(run.output, "\n\nCannot write ub.rep\n\n")) << run.output;
        fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::add);
        EXPECT_EQ(dir.read("ub.rep"), OLD_UB);
        EXPECT_EQ(dir.read("out.txt"), OLD_OUT);
    }
    {
        SCOPED_TRACE("out.txt without write permission");
        ScratchDir dir;
        dir.write("data.txt", DATA);
        dir.write("out.txt", OLD_OUT);
        fs::permissions(dir.file("out.txt"),
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        const RunResult run = run_unprivileged(dir);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(ends_with(run.output, "\n\nCannot write out.txt\n\n")) << run.output;
        EXPECT_EQ(dir.read("out.txt"), OLD_OUT);
        EXPECT_EQ(dir.read("ub.rep"), "17 0 1 ");
    }
}

// Each engine under limits of the address space (ulimit -v), from one too small for any run to
// one that is plenty: a run either completes with a valid answer, or ends with the memory error
// and leaves the result files as they were; it is never killed.
TEST(ResultFiles, EveryEngineUnderAnAddressSpaceLimitEndsCleanly) {
    if (zemko_test::built_with_address_sanitizer() || std::getenv("ZEMKO_RUN_WRAPPER"))
        GTEST_SKIP() << "an address-space limit cannot be tested under a memory checker";
    struct Engine {
        const char* name;
        int jobs;
        const char* settings;
    };
    const Engine engines[] = {{"beam search", 200, ""},
                              {"walks and the strong bound", 120, "StepLimit = 500\n"},
                              {"walks, the exact search and the bound", 40, "StepLimit = 500\n"}};
    constexpr size_t MIB = size_t{1} << 20;
    const size_t limits[] = {12 * MIB, 40 * MIB, 100 * MIB, 400 * MIB};
    for (const Engine& engine : engines) {
        const auto times = zemko_test::random_times(engine.jobs, engine.jobs, 1, 100);
        for (const size_t limit : limits) {
            SCOPED_TRACE(std::string(engine.name) + ", " + std::to_string(limit / MIB) + " MiB");
            ScratchDir dir;
            dir.write("data.txt", zemko_test::data_file(times));
            dir.write("ZEMKO.INI", engine.settings);
            dir.write("ub.rep", OLD_UB);
            dir.write("out.txt", OLD_OUT);
            const RunResult run =
                zemko_test::run_zemko_with_memory_limit(dir.path(), {"data.txt"}, limit);
            if (run.status == 0) {
                const auto ub = parse_numbers(dir.read("ub.rep"));
                ASSERT_EQ(ub.size(), times.size() + 1);
                EXPECT_EQ(
                    zemko_test::objective_of(std::vector<int>(ub.begin() + 1, ub.end()), times),
                    ub[0]);
            } else {
                EXPECT_EQ(run.status, 1) << run.output;
                EXPECT_TRUE(ends_with(run.output, "\nMemory Error\n")) << run.output;
                EXPECT_EQ(dir.read("ub.rep"), OLD_UB);
                EXPECT_EQ(dir.read("out.txt"), OLD_OUT);
            }
            if (limit == limits[0]) {
                EXPECT_EQ(run.status, 1) << "a run fits in 12 MiB";
            }
            if (limit == limits[3]) {
                EXPECT_EQ(run.status, 0) << run.output;
            }
        }
    }
}

TEST(ResultFiles, ARunThatWouldPassItsMemoryLimitStopsCleanly) {
    ScratchDir dir;
    dir.write("data.txt", zemko_test::data_file(zemko_test::random_times(501, 501, 1, 100)));
    dir.write("ZEMKO.INI", "Beam = 1000\nMemoryLimit = 64\n");
    dir.write("ub.rep", OLD_UB);
    dir.write("out.txt", OLD_OUT);
    RunResult run = zemko_test::run_zemko(dir.path(), {"data.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(ends_with(run.output, "\nMemory Error\n")) << run.output;
    EXPECT_EQ(run.output.find("Abnormal memory use"), std::string::npos);
    EXPECT_EQ(dir.read("ub.rep"), OLD_UB);
    EXPECT_EQ(dir.read("out.txt"), OLD_OUT);
}

TEST(ResultFiles, AnOutTxtWithoutFinalLineEndKeepsItsLastLine) {
    ScratchDir dir;
    dir.write("data.txt", DATA);
    dir.write("out.txt", "4321 0\n4400 2");  // edited by hand
    RunResult run = zemko_test::run_zemko(dir.path(), {"data.txt"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(zemko_test::matches_whole(dir.read("out.txt"), "4321 0\n4400 2\n17 [0-9]+\n"))
        << dir.read("out.txt");
    // An empty out.txt gets no empty line.
    dir.write("out.txt", "");
    run = zemko_test::run_zemko(dir.path(), {"data.txt"});
    EXPECT_TRUE(zemko_test::matches_whole(dir.read("out.txt"), "17 [0-9]+\n"))
        << dir.read("out.txt");
}

TEST(ResultFiles, RunsStartedTogetherInOneDirectory) {
    // Two instances whose results differ, each solved alone first for its ub.rep.
    const std::vector<std::string> data = {
        zemko_test::data_file(zemko_test::random_times(11, 15, 1, 99)),
        zemko_test::data_file(zemko_test::random_times(12, 20, 1, 99)),
    };
    std::vector<std::string> ub_alone;
    std::vector<std::string> fo_alone;
    for (size_t k = 0; k < data.size(); ++k) {
        ScratchDir dir;
        dir.write("data.txt", data[k]);
        ASSERT_EQ(zemko_test::run_zemko(dir.path(), {"data.txt"}).status, 0);
        ub_alone.push_back(dir.read("ub.rep"));
        fo_alone.push_back(std::to_string(parse_numbers(ub_alone.back())[0]));
    }
    ASSERT_NE(fo_alone[0], fo_alone[1]);

    constexpr int ROUNDS = 6;
    for (int round = 0; round < ROUNDS; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ScratchDir dir;
        dir.write("a.txt", data[0]);
        dir.write("b.txt", data[1]);
        dir.write("out.txt", OLD_OUT);
        std::vector<RunResult> runs =
            zemko_test::run_zemko_together(dir.path(), {{"a.txt"}, {"b.txt"}});
        EXPECT_EQ(runs[0].status, 0);
        EXPECT_EQ(runs[1].status, 0);

        // ub.rep is the whole file of one of the two runs.
        std::string ub = dir.read("ub.rep");
        EXPECT_TRUE(ub == ub_alone[0] || ub == ub_alone[1]) << ub;

        // out.txt: the old lines, then one whole line of each run, in either order.
        std::string out = dir.read("out.txt");
        ASSERT_EQ(out.substr(0, OLD_OUT.size()), OLD_OUT);
        std::vector<std::string> added;
        size_t pos = OLD_OUT.size();
        for (size_t end; (end = out.find('\n', pos)) != std::string::npos; pos = end + 1)
            added.push_back(out.substr(pos, end - pos));
        EXPECT_EQ(pos, out.size()) << "a line without its line end";
        ASSERT_EQ(added.size(), 2u) << out;
        std::multiset<std::string> objectives;
        for (const std::string& line : added) {
            std::vector<long long> numbers = parse_numbers(line);
            ASSERT_EQ(numbers.size(), 2u) << line;
            EXPECT_EQ(line, std::to_string(numbers[0]) + " " + std::to_string(numbers[1]));
            objectives.insert(std::to_string(numbers[0]));
        }
        EXPECT_EQ(objectives, (std::multiset<std::string>{fo_alone[0], fo_alone[1]}));
        EXPECT_EQ(other_files(dir, {"a.txt", "b.txt", "out.txt", "ub.rep"}),
                  std::set<std::string>{});
    }
}
