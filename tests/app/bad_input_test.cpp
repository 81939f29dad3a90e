// Bad input through the real executable. Every case runs in a fresh directory that already
// holds the ub.rep and out.txt of earlier runs, and checks the console, the exit status and
// both files afterwards: a refused input leaves them as they were, a run replaces ub.rep with
// a whole valid solution and adds exactly one line to out.txt.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.hpp"

using zemko_test::parse_numbers;
using zemko_test::RunResult;
using zemko_test::ScratchDir;

namespace {

namespace fs = std::filesystem;
using Times = std::vector<std::pair<int, int>>;

const std::string BANNER =
    "FLOW SHOP - Polinomial Upper Bound \n"
    "---------------------------------- \n";
const std::string OLD_UB = "4321 1 0 ";
const std::string OLD_OUT = "4321 0\n4400 2\n";
const std::string NO_SOLUTION = "2147483647";

// What a case must end with.
enum class Ending {
    REFUSED,      // status 1, the message alone after the banner, result files untouched
    SOLVED,       // status 0, a solution of `jobs` in ub.rep and one line more in out.txt
    NO_SOLUTION,  // status 0, "No solutions found", ub.rep and out.txt say 2147483647
};

struct Case {
    std::string name;
    std::optional<std::string> data;  // content of data.txt; none: no such file
    Ending ending;
    std::string message;  // REFUSED: the whole message; otherwise a text the console shows
    Times jobs;           // the jobs the run must load, with times in machine order
    std::string arg = "data.txt";
    std::optional<std::string> settings = std::nullopt;  // ZEMKO.INI; none: no such file
};

// A string literal with every byte it holds, NUL bytes included.
template <size_t N>
std::string bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

std::string lines_of_jobs(int n, const std::string& times_and_route) {
    std::string text;
    for (int i = 1; i <= n; ++i)
        text += std::to_string(i) + " " + times_and_route + "\n";
    return text;
}

void prepare(const ScratchDir& dir, const Case& c) {
    dir.write("ub.rep", OLD_UB);
    dir.write("out.txt", OLD_OUT);
    if (c.data) dir.write("data.txt", *c.data);
    if (c.settings) dir.write("ZEMKO.INI", *c.settings);
}

// The new line of out.txt: the objective, a blank, whole seconds.
void expect_one_line_added(const ScratchDir& dir, const std::string& fo) {
    std::string out = dir.read("out.txt");
    ASSERT_EQ(out.substr(0, OLD_OUT.size()), OLD_OUT);
    std::string added = out.substr(OLD_OUT.size());
    ASSERT_FALSE(added.empty());
    EXPECT_EQ(added.find('\n'), added.size() - 1) << added;
    EXPECT_EQ(added.substr(0, fo.size() + 1), fo + " ") << added;
}

// ub.rep holds an objective and a permutation of the jobs whose objective it is.
void expect_valid_solution(const ScratchDir& dir, const Times& jobs, const RunResult& run) {
    std::vector<long long> numbers = parse_numbers(dir.read("ub.rep"));
    ASSERT_EQ(numbers.size(), jobs.size() + 1);
    std::vector<int> seq(numbers.begin() + 1, numbers.end());
    std::set<int> distinct(seq.begin(), seq.end());
    ASSERT_EQ(distinct.size(), jobs.size());
    ASSERT_GE(*distinct.begin(), 0);
    ASSERT_LT(*distinct.rbegin(), static_cast<int>(jobs.size()));
    EXPECT_EQ(numbers[0], zemko_test::objective_of(seq, jobs));
    std::string fo = std::to_string(numbers[0]);
    EXPECT_NE(run.output.find("FO           = " + fo + "  (found at level "), std::string::npos);
    expect_one_line_added(dir, fo);
}

void check(const Case& c) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    prepare(dir, c);
    RunResult run = zemko_test::run_zemko(dir.path(), {c.arg});
    std::string loaded = "\n'" + c.arg + "' : " + std::to_string(c.jobs.size()) + " Jobs loaded.\n";
    switch (c.ending) {
        case Ending::REFUSED:
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.output, BANNER + c.message);
            EXPECT_EQ(dir.read("ub.rep"), OLD_UB);
            EXPECT_EQ(dir.read("out.txt"), OLD_OUT);
            break;
        case Ending::SOLVED:
            EXPECT_EQ(run.status, 0);
            EXPECT_NE(run.output.find(loaded), std::string::npos) << run.output;
            EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
            expect_valid_solution(dir, c.jobs, run);
            break;
        case Ending::NO_SOLUTION: {
            EXPECT_EQ(run.status, 0);
            EXPECT_NE(run.output.find(loaded), std::string::npos) << run.output;
            EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
            EXPECT_NE(run.output.find("\nNo solutions found\n\n"), std::string::npos);
            std::string ub = NO_SOLUTION + " ";
            for (size_t i = 0; i < c.jobs.size(); ++i)
                ub += "0 ";
            EXPECT_EQ(dir.read("ub.rep"), ub);
            expect_one_line_added(dir, NO_SOLUTION);
            break;
        }
    }
    EXPECT_EQ(run.output.find("Dbg_Warning<main>"), std::string::npos);
    EXPECT_EQ(run.output.find("Abnormal memory use"), std::string::npos);
}

}  // namespace

TEST(BadInput, DataFilesThatAreRefused) {
    const std::vector<Case> cases = {
        {"missing file", std::nullopt, Ending::REFUSED, "\n\nFile not found\n\n", {}},
        {"number beyond 32 bits",
         "1 2 3 1\n2 2147483648 1 1\n",
         Ending::REFUSED,
         "\n\nNumber too large in data file at line 2\n\n",
         {}},
        {"negative number beyond 32 bits",
         "Job P1 P2 Route\n1 -2147483649 1 1\n",
         Ending::REFUSED,
         "\n\nNumber too large in data file at line 2\n\n",
         {}},
        {"number of 5000 digits",
         "\n\n\n1 5 " + std::string(5000, '9') + " 1\n",
         Ending::REFUSED,
         "\n\nNumber too large in data file at line 4\n\n",
         {}},
        {"502 jobs",
         lines_of_jobs(502, "1 1 1"),
         Ending::REFUSED,
         "\n\nToo many jobs: at most 501 can be loaded\n\n",
         {}},
        {"502 jobs among blank and zero lines",
         "\n0 0 0 0\n" + lines_of_jobs(250, "1 1 1") + "\n\n" + lines_of_jobs(252, "2 2 1"),
         Ending::REFUSED,
         "\n\nToo many jobs: at most 501 can be loaded\n\n",
         {}},
        {"times too large",
         "1 600000000 1 1\n2 1 600000000 1\n",
         Ending::REFUSED,
         "\n\nProcessing times too large\n\n",
         {}},
        {"negative times too large",
         "1 -536870912 0 1\n2 1 0 1\n",
         Ending::REFUSED,
         "\n\nProcessing times too large\n\n",
         {}},
        // A file that opens but whose reading fails part-way: never taken for its end.
        {"read error",
         std::nullopt,
         Ending::REFUSED,
         "\n\nCannot read data file\n\n",
         {},
         "/proc/self/mem"},
    };
    for (const Case& c : cases)
        check(c);

    ScratchDir dir;
    prepare(dir, {});
    fs::create_directory(dir.file("data.txt"));
    RunResult run = zemko_test::run_zemko(dir.path(), {"data.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, BANNER + "\n\nFile not found\n\n");
    EXPECT_EQ(dir.read("ub.rep"), OLD_UB);
    EXPECT_EQ(dir.read("out.txt"), OLD_OUT);
}

TEST(BadInput, DataFilesWithoutJobs) {
    const std::vector<Case> cases = {
        {"empty file", "", Ending::NO_SOLUTION, "", {}},
        {"only headers and blank lines",
         "Job P1 P2 Route\n\n   \t\n# jobs\n0 0 0 0\n\r\n",
         Ending::NO_SOLUTION,
         "",
         {}},
        {"binary garbage",
         bytes("\x7f"
               "ELF\x02\x01\x01\0\0\0\0\x03\0>\0\x01\0\xb0\x10\x40\n\xff\xfe\xfd\x80"
               "\n\x1b[0m\x01\x02\x03\n\0 1 2 3 1\n"),
         Ending::NO_SOLUTION,
         "",
         {}},
        {"a byte-order mark that is not at the start",
         "\n\xEF\xBB\xBF"
         "1 4 6 1\n",
         Ending::NO_SOLUTION,
         "",
         {}},
    };
    for (const Case& c : cases)
        check(c);
}

TEST(BadInput, DataFilesThatAreRead) {
    std::string long_line_file = std::string(1000000, ' ') + "1 4 6 1 " + std::string(100000, 'x') +
                                 "\n2 3 5 1 " + std::string(100000, '9') + "\n";
    const std::vector<Case> cases = {
        {"NUL bytes",
         bytes("1 4\0 6 1\n2 3 5 1\n\0"
               "3 7 7 1\n"),
         Ending::SOLVED,
         "",
         {{4, 0}, {3, 5}}},
        {"very long lines", long_line_file, Ending::SOLVED, "", {{4, 6}, {3, 5}}},
        {"CRLF line ends",
         "1 4 6 1\r\n2 3 5 1\r\n\r\n3 2 9 1",
         Ending::SOLVED,
         "",
         {{4, 6}, {3, 5}, {2, 9}}},
        {"byte-order mark",
         "\xEF\xBB\xBF"
         "1 4 6 1\n2 3 5 1\n",
         Ending::SOLVED,
         "",
         {{4, 6}, {3, 5}}},
        {"numbers with signs",
         "+1 +4 -2 +1\n-2 -3 +5 1\n3 --4 5 1\n4 +-4 5 1\n5 - 4 5 1\n",
         Ending::SOLVED,
         "",
         {{4, -2}, {-3, 5}}},
        {"numbers that stop at a dot or a letter",
         "1 2.5 7 1\n2 3x 4 1\n3 0x10 4 1\n",
         Ending::SOLVED,
         "",
         {{2, 0}, {3, 0}}},
        {"ids at the ends of 32 bits, a fifth field beyond them",
         "2147483647 1 2 1 99999999999\n-2147483648 3 4 1\n",
         Ending::SOLVED,
         "",
         {{1, 2}, {3, 4}}},
        {"short lines complete what a rejected line left",
         "7 0 0 2\n8 5\n",
         Ending::SOLVED,
         "",
         {{0, 5}}},
        {"negative times, taken as they are",
         "1 -5 3 1\n2 4 -2 1\n3 2 2 1\n4 -1 -1 1\n",
         Ending::SOLVED,
         "",
         {{-5, 3}, {4, -2}, {2, 2}, {-1, -1}}},
        {"invalid routes are route 1",
         "1 5 3 0\n2 4 6 3\n3 2 2 -1\n4 7 1 99\n",
         Ending::SOLVED,
         "",
         {{5, 3}, {4, 6}, {2, 2}, {7, 1}}},
        // Route 2 jobs visit machine 2 first: the times in machine order are p2, p1.
        {"all jobs on route 2",
         "1 5 3 2\n2 4 6 2\n3 1 7 2\n",
         Ending::SOLVED,
         "",
         {{3, 5}, {6, 4}, {7, 1}}},
        {"mixed routes",
         "1 5 3 1\n2 4 6 2\n",
         Ending::NO_SOLUTION,
         "\nThis version solve flow shop problems only.\n",
         {{5, 3}, {4, 6}}},
        {"an invalid route among route-2 jobs is route 1",
         "1 5 3 2\n2 4 6 9\n",
         Ending::NO_SOLUTION,
         "\nThis version solve flow shop problems only.\n",
         {{5, 3}, {4, 6}}},
    };
    for (const Case& c : cases)
        check(c);
}

TEST(BadInput, The501JobLimit) {
    // Identical jobs keep one child per level, so even 501 jobs run in a moment.
    Case full{"501 jobs and trailing zero lines", lines_of_jobs(501, "1 1 1") + "\n0 0 0 0\n\n",
              Ending::SOLVED, "", Times(501, {1, 1})};
    full.settings = "Beam = 1\n";
    check(full);
}

TEST(BadInput, SettingsFilesWithEveryKindOfMalformedLine) {
    // Each line with the warning it must give (an empty warning: none). Valid lines set Beam
    // to 2 and OUTPUT to 2; every malformed line after them must leave them so.
    const std::vector<std::pair<std::string, std::string>> lines = {
        {"Beam = 2", ""},
        {"OUTPUT = 2", ""},
        {"Beam", "Missing value"},
        {"Beam=7", "Missing value"},
        {"Beam = x", "Missing value"},
        {"Beam = ", "Missing value"},
        {"Beam =", "Missing value"},
        {"Beam = - 7", "Missing value"},
        {"Beam == 7", "Missing value"},
        {"Beam : 7", "Missing value"},
        {"Beam = 99999999999", "Value out of range"},
        {"Beam = -2147483649", "Value out of range"},
        {"beam = 7", "Unknown message"},
        {"Bea = 7", "Unknown message"},
        {"= 7", "Unknown message"},
        {"Foo = 3", "Unknown message"},
        {std::string(3000, 'K') + " = 7", "Unknown message"},
        {"\xff\xfe\x01\x02 garbage", "Unknown message"},
        {"7 = Beam", "Unknown message"},
        {"", ""},
        {"   \t ", ""},
        {"/* Beam = 7 */", ""},
        {"/*", ""},
        {"/*Beam = x", ""},
        {"/* " + std::string(3000, '-'), ""},
        {bytes("\0Beam = 7"), ""},  // a NUL byte ends the line's text
        {bytes("OUTPUT = 2\0 = 7"), ""},
        {"Beam = 2 " + std::string(3000, 'x'), ""},
        {"Beam = 2.5", ""},
        {"Beam\t=\t+2\r", ""},
        {"Foo\r", "Unknown message"},
    };
    std::string ini = "\xEF\xBB\xBF";
    std::string warnings;
    for (size_t i = 0; i < lines.size(); ++i) {
        ini += lines[i].first + "\n";
        if (!lines[i].second.empty())
            warnings += "\nWarning : " + lines[i].second + " in ZEMKO Config File at line " +
                        std::to_string(i + 1) + "\n";
    }
    ini += "Beam = 99999999999999999999";  // last line, without a line end
    warnings += "\nWarning : Value out of range in ZEMKO Config File at line " +
                std::to_string(lines.size() + 1) + "\n";

    ScratchDir dir;
    dir.write("ZEMKO.INI", ini);
    dir.write("data.txt", zemko_test::data_file(zemko_test::random_times(7, 12, 1, 50)));
    RunResult run = zemko_test::run_zemko(dir.path(), {"data.txt"});
    EXPECT_EQ(run.status, 0);
    const std::string loaded = "\n'data.txt' : 12 Jobs loaded.\n";
    const std::string problem_type = "FlowShop problem detected\n\n";  // OUTPUT 2
    size_t from = run.output.find(loaded);
    ASSERT_NE(from, std::string::npos) << run.output;
    from += loaded.size();
    EXPECT_EQ(run.output.substr(from, warnings.size() + problem_type.size()),
              warnings + problem_type);
    EXPECT_NE(run.output.find("\nBEAM: Max Beam = 2\n"), std::string::npos) << run.output;
    EXPECT_EQ(parse_numbers(dir.read("ub.rep")).size(), 13u);
}

TEST(BadInput, SettingsFilesThatCannotBeUsedWhole) {
    struct SettingsCase {
        std::string name;
        std::string message;  // what the console shows between "Jobs loaded" and the bounds
    };
    const std::string data = zemko_test::data_file({{3, 5}, {4, 1}, {2, 2}});
    const std::string not_found = "\nFile ZEMKO.INI not found. Using default configuration.\n\n";
    const std::vector<SettingsCase> cases = {
        {"empty", ""},
        {"directory", not_found},
        {"read error", "\nWarning : Cannot read ZEMKO Config File after line 0\n"},
        {"binary garbage", "\nWarning : Unknown message in ZEMKO Config File at line 1\n"},
    };
    for (const SettingsCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        dir.write("data.txt", data);
        if (c.name == "empty") dir.write("ZEMKO.INI", "");
        if (c.name == "directory") fs::create_directory(dir.file("ZEMKO.INI"));
        if (c.name == "read error") fs::create_symlink("/proc/self/mem", dir.file("ZEMKO.INI"));
        if (c.name == "binary garbage") dir.write("ZEMKO.INI", bytes("\x89PNG\r\n\0\0"));
        RunResult run = zemko_test::run_zemko(dir.path(), {"data.txt"});
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.output.find("\n'data.txt' : 3 Jobs loaded.\n" + c.message + "\nLB = "),
                  std::string::npos)
            << run.output;
        EXPECT_EQ(parse_numbers(dir.read("ub.rep")).size(), 4u);
    }
}

TEST(BadInput, BeamBelowOneIsRaisedWithAWarning) {
    ScratchDir dir;
    dir.write("ZEMKO.INI", "Beam = -2147483648\n");
    dir.write("data.txt", zemko_test::data_file({{3, 5}, {4, 1}, {2, 2}, {6, 6}}));
    RunResult run = zemko_test::run_zemko(dir.path(), {"data.txt"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("\nWarning : Beam must be at least 1, using 1\n"), std::string::npos);
    EXPECT_NE(run.output.find("\nBEAM: Max Beam = 1\n"), std::string::npos);
}

TEST(BadInput, SettingsAtTheEndsOf32BitsRunToTheEnd) {
    // The instance and the first settings file are the whole-run fuzz target's finding:
    // ALPHA = INT_MIN made 100 - ALPHA overflow in the children's scores.
    const std::string data = "1 6 7 3\n2 1 3 0\n3 0 3 0\n4 9 0 0\n5 0 0 0\n6 0 0 0\n";
    const Times jobs = {{6, 7}, {1, 3}, {0, 3}, {9, 0}};
    std::string every_key_min;
    std::string every_key_max;
    // Threads at either end means one thread per hardware thread.
    for (const char* key : {"Perturb", "ALPHA", "OUTPUT", "Beam", "Filter", "ParetoBeam",
                            "BetterUB", "RecoveryStep", "MoreLoops", "Threads"}) {
        every_key_min += std::string(key) + " = -2147483648\n";
        every_key_max += std::string(key) + " = 2147483647\n";
    }
    const std::vector<std::string> settings = {
        "ALPHA = -2147483648\nOUTPUT = 0\nBeam = -49741825\nRecoveryStep = -2\n",
        "ALPHA = 2147483647\n",
        "ALPHA = -2147483548\nBeam = 2147483647\n",
        every_key_min,
        every_key_max,
    };
    for (const std::string& ini : settings) {
        Case c{"settings " + ini, data, Ending::SOLVED, "", jobs};
        c.settings = ini;
        check(c);
    }
}
