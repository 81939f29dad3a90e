// The executable's command line: banner, usage, missing files, the report and result files.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/test_support.hpp"
#include "support/text_patterns.hpp"

using zemko_test::run_zemko;
using zemko_test::ScratchDir;

namespace {

const char* BANNER =
    "FLOW SHOP - Polinomial Upper Bound \n"
    "---------------------------------- \n";

}  // namespace

TEST(CommandLine, WrongArgumentCountPrintsUsageAndStatus2) {
    ScratchDir dir;
    for (auto args : {std::vector<std::string>{}, std::vector<std::string>{"a", "b"}}) {
        auto run = run_zemko(dir.path(), args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.output,
                  std::string(BANNER) + "Programming by Velmorin\n\nUsage : ZEMKO <Data File>\n\n");
    }
    EXPECT_FALSE(dir.exists("ub.rep"));
    EXPECT_FALSE(dir.exists("out.txt"));
}

TEST(CommandLine, MissingDataFileIsStatus1AndWritesNothing) {
    ScratchDir dir;
    auto run = run_zemko(dir.path(), {"nothere.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, std::string(BANNER) + "\n\nFile not found\n\n");
    EXPECT_FALSE(dir.exists("ub.rep"));
    EXPECT_FALSE(dir.exists("out.txt"));
}

TEST(CommandLine, RefusedDataFilesWriteNoResultFile) {
    ScratchDir dir;
    dir.write("big.txt", "1 5 5 1\n2 1 99999999999 1\n");
    dir.write("huge.txt", "1 600000000 600000000 1\n");
    dir.write("out.txt", "7 0\n");
    auto big = run_zemko(dir.path(), {"big.txt"});
    EXPECT_EQ(big.status, 1);
    EXPECT_EQ(big.output, std::string(BANNER) + "\n\nNumber too large in data file at line 2\n\n");
    auto huge = run_zemko(dir.path(), {"huge.txt"});
    EXPECT_EQ(huge.status, 1);
    EXPECT_EQ(huge.output, std::string(BANNER) + "\n\nProcessing times too large\n\n");
    EXPECT_FALSE(dir.exists("ub.rep"));
    EXPECT_EQ(dir.read("out.txt"), "7 0\n");
}

TEST(CommandLine, ARunReportsAndWritesBothResultFiles) {
    ScratchDir dir;
    dir.write("two.txt", "1 3 5 1\n2 4 1 1\n");
    auto first = run_zemko(dir.path(), {"two.txt"});
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(zemko_test::without_time_line(first.output),
              std::string(BANNER) +
                  "\n'two.txt' : 2 Jobs loaded.\n"
                  "\nFile ZEMKO.INI not found. Using default configuration.\n\n"
                  "\nLB = 17, UB = 17\n"
                  "2-\n\nMEM: Lostnodes = 0\nBEAM: Max Beam = 0\n"
                  "FO           = 17  (found at level 2)\n\nEnd Level = 0\n"
                  "\nBounds Calcolati = 2\nRecoveries = 4\nBetter UB solutions : 0\n\n");
    // The run time varies (a memory checker slows the run down): only its format is fixed.
    EXPECT_TRUE(
        zemko_test::contains_match(first.output, "\nZEMKO CPU Time : [0-9]+\\.[0-9]{6}\n\n$"))
        << first.output;
    EXPECT_EQ(dir.read("ub.rep"), "17 0 1 ");
    auto second = run_zemko(dir.path(), {"two.txt"});
    EXPECT_EQ(second.status, 0);
    // One line per run: the objective and whole seconds.
    EXPECT_TRUE(zemko_test::matches_whole(dir.read("out.txt"), "17 [0-9]+\n17 [0-9]+\n"))
        << dir.read("out.txt");
}

// A run long enough for the status line, with standard error a file: the file stays empty and
// the transcript is that of a run whose standard error is a pipe.
TEST(CommandLine, NoStatusLineWhenStandardErrorIsNoTerminal) {
    // Past the status line's quiet half second in a plain build; under a memory checker or an
    // emulator a much smaller run lasts as long.
    const bool slowed =
        zemko_test::built_with_address_sanitizer() || std::getenv("ZEMKO_RUN_WRAPPER");
    ScratchDir dir;
    dir.write("data.txt",
              zemko_test::data_file(zemko_test::random_times(7, slowed ? 40 : 120, 1, 100)));
    dir.write("ZEMKO.INI", slowed ? "Beam = 100\n" : "Beam = 400\n");
    std::string command = std::string(ZEMKO_EXE) + " data.txt 2> errors.txt";
    auto to_file = zemko_test::run_program("/bin/sh", {"-c", command}, dir.path());
    auto to_pipe = run_zemko(dir.path(), {"data.txt"});
    EXPECT_EQ(to_file.status, 0);
    EXPECT_EQ(dir.read("errors.txt"), "");
    EXPECT_EQ(zemko_test::without_time_line(to_file.output),
              zemko_test::without_time_line(to_pipe.output));
    EXPECT_EQ(to_file.output.find('\033'), std::string::npos);
}

TEST(CommandLine, HelpVersionAndABenchmarkLayoutAreAnsweredAsToolsDo) {
    ScratchDir dir;
    const auto help = run_zemko(dir.path(), {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("usage: zemko DATA_FILE\n", 0), 0u) << help.output;
    const auto version = run_zemko(dir.path(), {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, std::string("zemko ") + zemko::VERSION + "\n");
    // A matrix file is still read as a data file, as always, with a word on standard error.
    dir.write("matrix.txt", "5 2\n55 84 15 30 7\n80 3 11 40 90\n");
    const std::string command = std::string(ZEMKO_EXE) + " matrix.txt 2> errors.txt";
    const auto matrix = zemko_test::run_program("/bin/sh", {"-c", command}, dir.path());
    EXPECT_EQ(matrix.status, 0);
    EXPECT_NE(matrix.output.find("3 Jobs loaded."), std::string::npos);
    EXPECT_NE(dir.read("errors.txt").find("zemko-convert -o jobs.txt matrix.txt"),
              std::string::npos)
        << dir.read("errors.txt");
}

// Ctrl-C ends a timed run as its time limit would: the best sequence so far is reported and
// written, with the certificate, and the status is still 130.
TEST(CommandLine, AnInterruptedRunKeepsItsAnswer) {
    ScratchDir dir;
    const auto times = zemko_test::random_times(11, 200, 1, 100);
    dir.write("data.txt", zemko_test::data_file(times));
    dir.write("ZEMKO.INI", "TimeLimit = 5\n");
    const std::string command = std::string(ZEMKO_EXE) +
                                " data.txt > console.txt 2>&1 & pid=$!; sleep 1; kill -INT $pid;"
                                " wait $pid; echo $?";
    const auto run = zemko_test::run_program("/bin/sh", {"-c", command}, dir.path());
    EXPECT_EQ(run.output, "130\n");
    const std::string console = dir.read("console.txt");
    EXPECT_NE(console.find("\nCertificate: lower bound "), std::string::npos) << console;
    EXPECT_NE(console.find("\nInterrupted: ub.rep holds the best sequence found so far\n"),
              std::string::npos)
        << console;
    const std::vector<long long> ub = zemko_test::parse_numbers(dir.read("ub.rep"));
    ASSERT_EQ(ub.size(), times.size() + 1);
    const std::vector<int> sequence(ub.begin() + 1, ub.end());
    EXPECT_EQ(zemko_test::objective_of(sequence, times), ub[0]);
    EXPECT_NE(console.find("Improvement phase: FO = " + std::to_string(ub[0]) + " after"),
              std::string::npos)
        << console;
}
