// zemko-convert: a benchmark file becomes a data file that the solver reads as the same jobs;
// refused files and wrong options leave nothing behind; an existing file is kept without -f.
#include <gtest/gtest.h>

#include <sstream>

#include "input/jobs.hpp"
#include "support/test_support.hpp"
#include "tools/tool_runner.hpp"

using zemko_test::ScratchDir;
using zemko_tools_test::run_tool;

TEST(ZemkoConvert, WritesADataFileTheSolverReadsAsTheSameJobs) {
    ScratchDir dir;
    // Machine 1's times wrapped over two lines, as benchmark files wrap long rows.
    dir.write("ta.txt", "4 2 873654221 1278 1232\n54 83\n15 71\n79 3 11 99\n");
    auto run = run_tool(ZEMKO_CONVERT_EXE, {"-o", "out.txt", "ta.txt"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    zemko::JobTable table;
    ASSERT_EQ(zemko::read_jobs(dir.file("out.txt").c_str(), table, nullptr), zemko::JOBS_LOADED);
    ASSERT_EQ(table.n_jobs, 4);
    const int expected[4][3] = {{1, 54, 79}, {2, 83, 3}, {3, 15, 11}, {4, 71, 99}};
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(table.jobs[j].number, expected[j][0]);
        EXPECT_EQ(table.jobs[j].p1, expected[j][1]);
        EXPECT_EQ(table.jobs[j].p2, expected[j][2]);
        EXPECT_EQ(table.jobs[j].route, 1);
    }

    // Kept without -f, replaced with it; to standard output, the note of an ambiguous file on
    // standard error.
    dir.write("two.txt", "2 2\n5 3\n8 4\n");
    auto kept = run_tool(ZEMKO_CONVERT_EXE, {"-o", "out.txt", "two.txt"}, dir.path());
    EXPECT_EQ(kept.status, 1);
    EXPECT_NE(kept.err.find("already exists"), std::string::npos) << kept.err;
    EXPECT_EQ(dir.read("out.txt").rfind("1 54 79 1\n", 0), 0u);
    auto forced = run_tool(ZEMKO_CONVERT_EXE, {"-f", "-o", "out.txt", "two.txt"}, dir.path());
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(dir.read("out.txt"), "1 5 8 1\n2 3 4 1\n");
    EXPECT_NE(forced.err.find("note: 'two.txt', two lines of two times"), std::string::npos);
    auto rows = run_tool(ZEMKO_CONVERT_EXE, {"--layout", "rows", "two.txt"}, dir.path());
    EXPECT_EQ(rows.status, 0) << rows.err;
    EXPECT_EQ(rows.out, "1 5 3 1\n2 8 4 1\n");
    EXPECT_EQ(rows.err, "");
}

TEST(ZemkoConvert, RefusesBadFilesAndOptionsWritingNothing) {
    ScratchDir dir;
    dir.write("three.txt", "3 3\n1 2 3\n4 5 6\n7 8 9\n");
    dir.write("short.txt", "3 2\n1 2 3\n4 5\n");
    dir.write("good.txt", "1 2\n4\n5\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"-o", "a.txt", "three.txt"}, 1, "'three.txt', line 1: the header gives 3 machines"},
        {{"-o", "b.txt", "short.txt"}, 1, "'short.txt', line 3: the file ends after 5 of the 6"},
        {{"-o", "c.txt", "missing.txt"}, 1, "cannot read 'missing.txt'"},
        {{"-o", "d.txt", "--layout", "columns", "good.txt"}, 2, "not auto, matrix or rows"},
        {{"-o", "e.txt", "good.txt", "short.txt"}, 2, "one input file only"},
        {{"-o", "f.txt", "--frobnicate", "good.txt"}, 2, "unknown option"},
        {{"-o", "g.txt"}, 2, "no input file"},
    };
    for (const Case& c : cases) {
        auto run = run_tool(ZEMKO_CONVERT_EXE, c.args, dir.path());
        EXPECT_EQ(run.status, c.status) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(dir.exists(c.args[1])) << c.args[1];
    }
    auto help = run_tool(ZEMKO_CONVERT_EXE, {"--help"}, dir.path());
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--layout"), std::string::npos);
}
