// zemko-batch: the CSV table and the JSON lines against every run's own ub.rep, out.txt and
// console output and against the same run made by hand; real runs under a time limit in the
// convergence plot; runs that fail, are stopped or find nothing; batches refused before any
// run; the summary; reading back transcripts and best-known files; the CSV's columns in
// docs/tools.md.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "support/test_support.hpp"
#include "support/text_patterns.hpp"
#include "tools/batch_json.hpp"
#include "tools/batch_report.hpp"
#include "tools/convergence_plot.hpp"
#include "tools/solver_transcript.hpp"
#include "tools/tool_runner.hpp"

using namespace zemko_tools;
using zemko_test::ScratchDir;
using zemko_tools_test::csv_fields;
using zemko_tools_test::run_tool;

namespace {

constexpr const char* HEADER =
    "instance,n,settings,root_lb,root_ub,fo,level_found,bounds_computed,seconds,"
    "peak_memory_kb,exit_status,best_known,gap_to_lb_pct,gap_to_best_pct,beam_fo,"
    "improvement_steps,improvements,certified_lb,gap_to_certified_lb_pct,optimal";

enum Column {
    INSTANCE,
    N,
    SETTINGS,
    ROOT_LB,
    ROOT_UB,
    FO,
    LEVEL,
    BOUNDS,
    SECONDS,
    MEMORY,
    STATUS,
    BEST,
    GAP_LB,
    GAP_BEST,
    BEAM_FO,
    IMPROVEMENT_STEPS,
    IMPROVEMENTS,
    CERTIFIED_LB,
    GAP_CERTIFIED,
    OPTIMAL,
    COLUMNS
};

std::vector<std::vector<std::string>> csv_rows(const std::string& text, std::string& header) {
    std::istringstream in(text);
    std::getline(in, header);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);)
        rows.push_back(csv_fields(line));
    return rows;
}

// The first number captured by pattern in text, or "" when it does not occur.
std::string captured(const std::string& text, const std::string& pattern, int group = 1) {
    const auto found = zemko_test::all_matches(text, pattern);
    return found.empty() ? "" : found.front()[group];
}

std::string percent(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.4f", value);
    return buffer;
}

struct Instance {
    std::string name;
    std::vector<std::pair<int, int>> times;
    int route;
};

std::vector<std::string> lines_of(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The value of "name" in one line of results.jsonl, as written (an array up to its ']').
std::string json_value(const std::string& line, const std::string& name) {
    const std::string key = "\"" + name + "\": ";
    const size_t at = line.find(key);
    if (at == std::string::npos) return "<missing>";
    const size_t begin = at + key.size();
    const size_t end =
        line[begin] == '[' ? line.find(']', begin) + 1 : line.find_first_of(",}", begin);
    return line.substr(begin, end - begin);
}

// The sequence of a ub.rep as the JSON array of the given job numbers.
std::string json_sequence(const std::vector<long long>& ub, const std::vector<int>& numbers) {
    std::string text = "[";
    for (size_t k = 1; k < ub.size(); ++k)
        text += (k > 1 ? "," : "") + std::to_string(numbers.at(ub[k]));
    return text + "]";
}

}  // namespace

TEST(ZemkoBatch, TableAgreesWithEachRunsOwnFilesAndWithARunByHand) {
    ScratchDir dir;
    const std::string settings = "Beam = 7\nALPHA = 30\n";
    dir.write("fast.ini", settings);
    std::vector<Instance> instances = {
        {"a.txt", zemko_test::random_times(11, 8, 1, 40), 1},
        {"b.txt", zemko_test::random_times(12, 11, 1, 90), 1},
        {"c.txt", zemko_test::random_times(13, 10, 5, 60), 2},
    };
    std::vector<std::string> args = {"--solver", ZEMKO_EXE, "-s",   "fast.ini", "-j",
                                     "2",        "-w",      "work", "-o",       "table.csv"};
    for (const Instance& instance : instances) {
        dir.write(instance.name, zemko_test::data_file(instance.times, instance.route));
        args.push_back(instance.name);
    }
    auto batch = run_tool(ZEMKO_BATCH_EXE, args, dir.path());
    ASSERT_EQ(batch.status, 0) << batch.err;

    std::string header;
    auto rows = csv_rows(dir.read("table.csv"), header);
    EXPECT_EQ(header, HEADER);
    ASSERT_EQ(rows.size(), instances.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& row = rows[i];
        const Instance& instance = instances[i];
        SCOPED_TRACE(instance.name);
        ASSERT_EQ(row.size(), static_cast<size_t>(COLUMNS));
        EXPECT_EQ(row[INSTANCE], instance.name);
        EXPECT_EQ(row[SETTINGS], "fast.ini");
        EXPECT_EQ(row[N], std::to_string(instance.times.size()));

        // The run's own folder: its settings copy, ub.rep and out.txt.
        std::string run_dir = "work/" + std::to_string(i + 1) + "_" + instance.name;
        EXPECT_EQ(dir.read(run_dir + "/ZEMKO.INI"), settings);
        auto ub = zemko_test::parse_numbers(dir.read(run_dir + "/ub.rep"));
        ASSERT_EQ(ub.size(), instance.times.size() + 1);
        EXPECT_EQ(row[FO], std::to_string(ub[0]));
        EXPECT_EQ(zemko_test::parse_numbers(dir.read(run_dir + "/out.txt")).at(0), ub[0]);
        // The objective of the written sequence, computed here; route 2 runs machine 2 first.
        auto times = instance.times;
        if (instance.route == 2)
            for (auto& t : times)
                std::swap(t.first, t.second);
        std::vector<int> seq(ub.begin() + 1, ub.end());
        EXPECT_EQ(zemko_test::objective_of(seq, times), ub[0]);

        // The same run made by hand in a folder of its own prints the same report.
        ScratchDir solo;
        solo.write("ZEMKO.INI", settings);
        std::string data_path = std::filesystem::absolute(dir.file(instance.name)).string();
        auto by_hand = zemko_test::run_zemko(solo.path(), {data_path});
        EXPECT_EQ(zemko_test::without_time_line(dir.read(run_dir + "/console.txt")),
                  zemko_test::without_time_line(by_hand.output));
        EXPECT_EQ(solo.read("ub.rep"), dir.read(run_dir + "/ub.rep"));
        const std::string& out = by_hand.output;
        EXPECT_EQ(row[ROOT_LB], captured(out, "\nLB = (-?\\d+), UB = -?\\d+\n"));
        EXPECT_EQ(row[ROOT_UB], captured(out, "\nLB = -?\\d+, UB = (-?\\d+)\n"));
        EXPECT_EQ(row[LEVEL], captured(out, "\nFO {11}= -?\\d+  \\(found at level (\\d+)\\)\n"));
        EXPECT_EQ(row[BOUNDS], captured(out, "\nBounds Calcolati = (\\d+)\n"));

        EXPECT_EQ(row[STATUS], "0");
        EXPECT_GT(std::stol(row[MEMORY]), 0);
        EXPECT_GE(std::stod(row[SECONDS]), 0.0);
        EXPECT_EQ(row[BEST], "");
        double lb = std::stod(row[ROOT_LB]);
        EXPECT_EQ(row[GAP_LB], percent(100.0 * (static_cast<double>(ub[0]) - lb) / lb));
        EXPECT_EQ(row[GAP_BEST], "");
    }
    // The JSON lines beside the CSV of -o: the same runs, their sequences as job numbers.
    const auto json = lines_of(dir.read("table.jsonl"));
    ASSERT_EQ(json.size(), instances.size());
    for (size_t i = 0; i < json.size(); ++i) {
        const std::string run_dir = "work/" + std::to_string(i + 1) + "_" + instances[i].name;
        const auto ub = zemko_test::parse_numbers(dir.read(run_dir + "/ub.rep"));
        std::vector<int> numbers;
        for (size_t j = 0; j < instances[i].times.size(); ++j)
            numbers.push_back(static_cast<int>(j + 1));
        EXPECT_EQ(json_value(json[i], "instance"), "\"" + instances[i].name + "\"");
        EXPECT_EQ(json_value(json[i], "objective"), rows[i][FO]);
        EXPECT_EQ(json_value(json[i], "sequence"), json_sequence(ub, numbers));
        EXPECT_EQ(json_value(json[i], "status"), "\"solved\"");
        EXPECT_EQ(json_value(json[i], "certified_lower_bound"), "null");
    }
    // The summary has one line per n, under its header.
    EXPECT_NE(batch.out.find("cert gap %"), std::string::npos) << batch.out;
    for (const char* n : {"\n     8      1", "\n    10      1", "\n    11      1"})
        EXPECT_NE(batch.out.find(n), std::string::npos) << batch.out;
    EXPECT_EQ(batch.out.find("gap to best"), std::string::npos);
}

TEST(ZemkoBatch, RunsThatFailOrFindNothingKeepTheirRow) {
    ScratchDir dir;
    dir.write("good.txt", zemko_test::data_file(zemko_test::random_times(5, 6, 1, 30)));
    dir.write("mixed.txt", "1 3 4 1\n2 5 6 2\n");          // refused by the solver: no solution
    dir.write("big.txt", "1 5 5 1\n2 1 99999999999 1\n");  // the solver ends with status 1
    dir.write("best.txt", "# best known\ngood 100\n\nother.txt 5\n");
    auto batch = run_tool(ZEMKO_BATCH_EXE,
                          {"--solver", ZEMKO_EXE, "-w", "work", "-b", "best.txt", "-j", "1",
                           "good.txt", "mixed.txt", "big.txt"},
                          dir.path());
    EXPECT_EQ(batch.status, 3) << batch.err;
    std::string header;
    auto rows = csv_rows(dir.read("work/results.csv"), header);
    ASSERT_EQ(rows.size(), 3u);

    const auto& good = rows[0];
    EXPECT_EQ(good[SETTINGS], "default");
    EXPECT_FALSE(dir.exists("work/1_good.txt/ZEMKO.INI"));
    EXPECT_EQ(good[BEST], "100");
    EXPECT_EQ(good[GAP_BEST], percent(std::stod(good[FO]) - 100.0));

    const auto& mixed = rows[1];
    EXPECT_EQ(mixed[N], "2");
    for (int column : {ROOT_LB, ROOT_UB, FO, LEVEL, BOUNDS, BEST, GAP_LB, GAP_BEST})
        EXPECT_EQ(mixed[column], "") << column;
    EXPECT_EQ(mixed[STATUS], "0");
    EXPECT_EQ(dir.read("work/2_mixed.txt/ub.rep").rfind("2147483647 ", 0), 0u);

    const auto& big = rows[2];
    EXPECT_EQ(big[N], "");
    EXPECT_EQ(big[STATUS], "1");
    EXPECT_NE(dir.read("work/3_big.txt/console.txt").find("Number too large"), std::string::npos);

    // Runs without a number of jobs are summarised last; the best-known gap has its column.
    EXPECT_NE(batch.out.find("gap to best %"), std::string::npos);
    EXPECT_NE(batch.out.find("\n     ?      1        0"), std::string::npos) << batch.out;
    // One progress line per run on standard error when it is not a terminal.
    EXPECT_NE(batch.err.find("[3/3] "), std::string::npos) << batch.err;

    const auto json = lines_of(dir.read("work/results.jsonl"));
    ASSERT_EQ(json.size(), 3u);
    EXPECT_EQ(json_value(json[0], "status"), "\"solved\"");
    EXPECT_EQ(json_value(json[0], "best_known"), "100");
    for (size_t refused : {1, 2}) {
        EXPECT_EQ(json_value(json[refused], "status"), "\"refused\"") << json[refused];
        EXPECT_EQ(json_value(json[refused], "objective"), "null");
        EXPECT_EQ(json_value(json[refused], "sequence"), "null");
        EXPECT_EQ(json_value(json[refused], "optimal"), "false");
    }
    EXPECT_EQ(json_value(json[2], "exit_status"), "1");
    EXPECT_EQ(json_value(json[2], "n"), "null");

    // A run that fails on its own and one stopped from outside, by a stand-in solver.
    dir.write("stand-in", "#!/bin/sh\ncase \"$1\" in *stop*) kill -TERM $$ ;; esac\nexit 1\n");
    std::filesystem::permissions(dir.file("stand-in"), std::filesystem::perms::owner_all);
    dir.write("stop.txt", "1 3 4 1\n");
    auto stood_in =
        run_tool(ZEMKO_BATCH_EXE, {"--solver", "./stand-in", "-w", "w2", "good.txt", "stop.txt"},
                 dir.path());
    EXPECT_EQ(stood_in.status, 3) << stood_in.err;
    const auto stopped = lines_of(dir.read("w2/results.jsonl"));
    ASSERT_EQ(stopped.size(), 2u);
    EXPECT_EQ(json_value(stopped[0], "status"), "\"failed\"");
    EXPECT_EQ(json_value(stopped[1], "status"), "\"interrupted\"");
    EXPECT_EQ(json_value(stopped[1], "exit_status"), "143");
}

// Real runs of the solver under a time limit given by --set over the settings file's line:
// every run is a curve of the plot, and the JSON lines give its sequence in the data file's own
// job numbers, past the lines the solver skips.
TEST(ZemkoBatch, RunsUnderATimeLimitArePlottedAndListed) {
    ScratchDir dir;
    const std::string settings = "TimeLimit = 0\nBeam = 7";  // no line end after the last
    dir.write("limits.ini", settings);
    std::vector<std::string> args = {"--solver", ZEMKO_EXE,     "-s",     "limits.ini",
                                     "--set",    "TimeLimit=1", "-j",     "1",
                                     "-w",       "work",        "--plot", "plot.svg"};
    std::vector<std::vector<int>> numbers;
    for (int n : {8, 13}) {
        const auto times = zemko_test::random_times(40 + n, n, 1, 50);
        std::string text = "number p1 p2 route\n";
        numbers.emplace_back();
        for (int j = 0; j < n; ++j) {
            if (j == 3) text += "0 0 0 0\n";
            numbers.back().push_back(100 + 7 * j);
            text += std::to_string(100 + 7 * j) + " " + std::to_string(times[j].first) + " " +
                    std::to_string(times[j].second) + " 1\n";
        }
        const std::string name = "n" + std::to_string(n) + ".txt";
        dir.write(name, text);
        args.push_back(name);
    }
    auto batch = run_tool(ZEMKO_BATCH_EXE, args, dir.path());
    ASSERT_EQ(batch.status, 0) << batch.err;

    std::string header;
    const auto rows = csv_rows(dir.read("work/results.csv"), header);
    const auto json = lines_of(dir.read("work/results.jsonl"));
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(json.size(), 2u);
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string run_dir = "work/" + std::to_string(i + 1) + "_" + rows[i][INSTANCE];
        EXPECT_EQ(dir.read(run_dir + "/ZEMKO.INI"), settings + "\nTimeLimit = 1\n");
        EXPECT_NE(dir.read(run_dir + "/console.txt").find("Improvement phase: TimeLimit = 1 s"),
                  std::string::npos);
        EXPECT_EQ(rows[i][SETTINGS], "limits.ini TimeLimit=1");
        EXPECT_NE(rows[i][CERTIFIED_LB], "");
        const bool optimal = rows[i][OPTIMAL] == "1";
        EXPECT_EQ(json_value(json[i], "optimal"), optimal ? "true" : "false");
        EXPECT_EQ(json_value(json[i], "status"), optimal ? "\"optimal\"" : "\"solved\"");
        EXPECT_EQ(json_value(json[i], "certified_lower_bound"), rows[i][CERTIFIED_LB]);
        const auto ub = zemko_test::parse_numbers(dir.read(run_dir + "/ub.rep"));
        EXPECT_EQ(json_value(json[i], "sequence"), json_sequence(ub, numbers[i]));
    }

    const std::string svg = dir.read("plot.svg");
    EXPECT_EQ(zemko_test::all_matches(svg, "<polyline ").size(), 2u) << svg;
    EXPECT_NE(svg.find(">8 jobs (1)</text>"), std::string::npos);
    EXPECT_NE(svg.find(">13 jobs (1)</text>"), std::string::npos);
    EXPECT_EQ(svg.find("no run reported"), std::string::npos);
    zemko_tools_test::expect_well_formed(dir.path(), "plot.svg");
}

TEST(ZemkoBatch, NothingRunsWhenTheBatchCannotStart) {
    ScratchDir dir;
    dir.write("a.txt", "1 3 4 1\n2 5 6 1\n");
    std::filesystem::create_directory(dir.file("used"));
    dir.write("used/keep.txt", "mine");
    dir.write("bad_best.txt", "a.txt twelve\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"-w", "used", "a.txt"}, 1, "is not empty"},
        {{"-w", "w1", "a.txt", "missing.txt"}, 1, "cannot read the data file 'missing.txt'"},
        {{"-w", "w2", "-s", "none.ini", "a.txt"}, 1, "cannot read the settings file"},
        {{"-w", "w3", "-b", "bad_best.txt", "a.txt"}, 1, "line 1"},
        {{"-w", "w4", "--solver", "./no-such-solver", "a.txt"}, 1, "cannot find the solver"},
        {{"-w", "w5", "-j", "0", "a.txt"}, 2, "not an integer in 1..1024"},
        {{"-w", "w6"}, 2, "no data file"},
        {{"-w", "w7", "--frobnicate", "a.txt"}, 2, "unknown option"},
        {{"-w", "w8", "--set", "TimeLimit", "a.txt"}, 2, "--set 'TimeLimit': expected KEY=VALUE"},
        {{"-w", "w9", "--set", "=1", "a.txt"}, 2, "the key is empty"},
        {{"-w", "w10", "--set", "Time Limit=1", "a.txt"}, 2, "the key holds a blank"},
        {{"-w", "w11", "--set", "TimeLimit=", "a.txt"}, 2, "the value is empty"},
        {{"-w", "w12", "--set", "Tmelimit=1", "a.txt"}, 2, "'Tmelimit' is no key"},
        {{"-w", "w13", "-o", "r.jsonl", "a.txt"}, 2, "cannot end in .jsonl"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--solver", ZEMKO_EXE};
        args.insert(args.end(), c.args.begin(), c.args.end());
        auto run = run_tool(ZEMKO_BATCH_EXE, args, dir.path());
        EXPECT_EQ(run.status, c.status) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(dir.read("used/keep.txt"), "mine");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("used")),
                            std::filesystem::directory_iterator()),
              1);
    EXPECT_FALSE(dir.exists("ub.rep"));
}

TEST(SolverTranscript, ReadsTheReportOfARun) {
    const std::string output =
        "FLOW SHOP - Polinomial Upper Bound \n---------------------------------- \n\n"
        "'../x, 7 Jobs loaded. 3.txt' : 20 Jobs loaded.\n"
        "\nFile ZEMKO.INI not found. Using default configuration.\n\n"
        "FlowShop problem detected(Switched machine 1 and 2)\n\n"
        "\nLB = 9966, UB = 10440\n"
        "7-72-536-468-458-448-411-381-392-381-287-307-236-239-224-198-158-117-86-\n\n"
        "MEM: Lostnodes = 0\nBEAM: Max Beam = 50\n"
        "FO           = 10198  (found at level 14)\n\nEnd Level = 18\n"
        "Dbg_Warning<main>\nBounds Calcolati = 5406\nRecoveries = 1539\n"
        "Better UB solutions : 0\nZEMKO CPU Time : 0.012000\n\n";
    SolverTranscript t = parse_transcript(output);
    EXPECT_EQ(t.n_jobs, 20);
    EXPECT_EQ(t.root_lb, 9966);
    EXPECT_EQ(t.root_ub, 10440);
    EXPECT_EQ(t.fo, 10198);
    EXPECT_EQ(t.level_found, 14);
    EXPECT_EQ(t.bounds_computed, 5406);
    EXPECT_FALSE(t.no_solution);

    SolverTranscript none = parse_transcript(
        "\n'm.txt' : 2 Jobs loaded.\nThis version solve flow shop problems only.\n\n\n"
        "MEM: Lostnodes = 0\nBEAM: Max Beam = 0\n\nNo solutions found\n\n");
    EXPECT_EQ(none.n_jobs, 2);
    EXPECT_TRUE(none.no_solution);
    EXPECT_FALSE(none.root_lb || none.fo || none.level_found || none.bounds_computed);

    SolverTranscript refused = parse_transcript("\n\nFile not found\n\n");
    EXPECT_FALSE(refused.n_jobs || refused.root_lb || refused.fo);
}

// The improvement phase's section in forms the solver may print besides today's: a decimal
// TimeLimit beside a StepLimit, a start from the insertion construction better than the beam
// search's, a beam search stopped early, lines after the certificate. Each better sequence is
// read with its time, or without under a step budget alone; the answer is the phase's.
TEST(BatchReport, ImprovementTracesAreReadBackAndPlotted) {
    const std::string timed =
        "\n'a.txt' : 100 Jobs loaded.\n\nLB = 1000, UB = 1100\n3-\n"
        "FO           = 1050  (found at level 9)\n\nEnd Level = 99\n\n"
        "Interrupted during the beam search, at level 7\n\n"
        "Improvement phase: TimeLimit = 0.5 s, StepLimit = 9000 steps, Seed = 1; from FO = 1045 "
        "(insertion) at 0.20 s\n"
        "     0.25 s  step        100  FO = 1040  gap 4.0000 %  (iterated greedy)\n"
        "     0.45 s  step       9000  FO = 1020  gap 2.0000 %  (exact search)\n"
        "Improvement phase: FO = 1020 after 9000 steps in 0.50 s\n"
        "Certificate: lower bound 1000, gap 2.0000 %\n"
        "     0.49 s  step       9000  FO = 1001  gap 0.1000 %  (a later trace)\n"
        "Certificate: lower bound 1020, gap 0.0000 %, optimal\n";
    SolverTranscript t = parse_transcript(timed);
    EXPECT_EQ(t.fo, 1050);
    EXPECT_EQ(t.answer(), 1020);
    EXPECT_EQ(t.beam_stopped_at_level, 7);
    EXPECT_TRUE(t.interrupted);
    EXPECT_EQ(t.improvement_steps, 9000);
    EXPECT_EQ(t.improvement_start_fo, 1045);
    EXPECT_EQ(t.improvement_start, 0.20);
    ASSERT_EQ(t.improvements.size(), 2u);
    EXPECT_EQ(t.improvements[1].seconds, 0.45);
    EXPECT_EQ(t.improvements[1].objective, 1020);
    EXPECT_EQ(t.certified_lb, 1000);
    EXPECT_FALSE(t.optimal);

    SolverTranscript stepped = parse_transcript(
        "FO           = 1050  (found at level 9)\n"
        "Time limit reached during the beam search, at level 12\n"
        "Improvement phase: StepLimit = 500 steps, Seed = 1; from FO = 1050 (beam search)\n"
        "step        100  FO = 1040  gap 4.0000 %  (iterated greedy)\n"
        "Improvement phase: FO = 1040 after 500 steps\n"
        "Certificate: lower bound 1040, gap 0.0000 %, optimal (exact search)\n");
    EXPECT_TRUE(stepped.optimal);
    EXPECT_FALSE(stepped.interrupted);
    EXPECT_EQ(stepped.beam_stopped_at_level, 12);
    EXPECT_FALSE(stepped.improvement_start);
    ASSERT_EQ(stepped.improvements.size(), 1u);
    EXPECT_FALSE(stepped.improvements[0].seconds);
    EXPECT_EQ(stepped.answer(), 1040);

    BatchRow row;
    row.instance = "a.txt";
    row.transcript = t;
    row.outcome.seconds = 0.52;
    std::string header;
    auto rows = csv_rows(csv_table({row}), header);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][FO], "1020");
    EXPECT_EQ(rows[0][BEAM_FO], "1050");
    EXPECT_EQ(rows[0][IMPROVEMENTS], "0.25/100:1040 0.45/9000:1020");
    EXPECT_EQ(rows[0][CERTIFIED_LB], "1000");
    EXPECT_EQ(rows[0][GAP_CERTIFIED], "2.0000");
    EXPECT_EQ(rows[0][OPTIMAL], "0");

    // To the root's lower bound: 4.5 % from the start at 0.20 s, 4 % from 0.25 s, 2 % from
    // 0.45 s.
    auto series = convergence_series({row}, false);
    ASSERT_EQ(series.size(), 1u);
    EXPECT_EQ(series[0].n_jobs, 100);
    EXPECT_NEAR(series[0].mean_gap.front(), 4.5, 1e-9);
    EXPECT_NEAR(series[0].mean_gap.back(), 2.0, 1e-9);
    for (size_t k = 0; k < series[0].seconds.size(); ++k) {
        if (series[0].seconds[k] >= 0.25 && series[0].seconds[k] < 0.45) {
            EXPECT_NEAR(series[0].mean_gap[k], 4.0, 1e-9);
        }
    }
    const std::string svg = convergence_svg(series, false);
    EXPECT_NE(svg.find("100 jobs (1)"), std::string::npos);
    ScratchDir dir;
    dir.write("plot.svg", svg);
    zemko_tools_test::expect_well_formed(dir.path(), "plot.svg");
}

// Per number of jobs: the proofs counted from the certificate alone, the certified gaps over
// the runs that have a certificate ("-" without one), the times' shifted geometric mean.
TEST(BatchReport, TheSummaryCountsProofsAndCertifiedGaps) {
    auto run = [](std::optional<int> n, std::optional<int> answer, std::optional<long long> bound,
                  bool optimal, double seconds) {
        BatchRow row;
        row.transcript.n_jobs = n;
        row.transcript.fo = answer;
        row.transcript.root_lb = 1;  // far below: the summary must not take gaps to it
        row.transcript.certified_lb = bound;
        row.transcript.optimal = optimal;
        row.outcome.seconds = seconds;
        row.outcome.exit_status = answer ? 0 : 1;
        row.best_known = 100;
        return row;
    };
    const std::vector<BatchRow> rows = {
        run(20, 110, 100, false, 0), run(20, 100, 100, true, 3),
        run(30, 50, std::nullopt, true, 1),  // "optimal" without a certificate is no proof
        run(std::nullopt, std::nullopt, std::nullopt, false, 0)};
    const auto lines = lines_of(summary_table(rows, true));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[0].find("max cert gap %"), std::string::npos) << lines[0];
    auto words = [](const std::string& line) {
        std::istringstream in(line);
        std::vector<std::string> all;
        for (std::string word; in >> word;)
            all.push_back(word);
        return all;
    };
    using Words = std::vector<std::string>;
    // n, runs, optimal, cert gap, max cert gap, gap to best, shifted geometric mean, max s.
    EXPECT_EQ(words(lines[1]),
              (Words{"20", "2", "1", "5.000", "10.000", "5.000", "1.000", "3.000"}));
    EXPECT_EQ(words(lines[2]), (Words{"30", "1", "0", "-", "-", "-50.000", "1.000", "1.000"}));
    EXPECT_EQ(words(lines[3]), (Words{"?", "1", "0", "-", "-", "-", "0.000", "0.000"}));
}

TEST(BatchReport, StatusWordsAndJsonStrings) {
    auto status = [](int exit_status, std::optional<int> answer, bool refused, bool optimal) {
        BatchRow row;
        row.outcome.exit_status = exit_status;
        row.transcript.fo = answer;
        row.transcript.data_refused = refused;
        row.transcript.certified_lb = 5;
        row.transcript.optimal = optimal;
        return std::string(run_status_word(row));
    };
    EXPECT_EQ(status(0, 7, false, true), "optimal");
    EXPECT_EQ(status(0, 7, false, false), "solved");
    EXPECT_EQ(status(0, std::nullopt, true, false), "refused");
    EXPECT_EQ(status(1, std::nullopt, true, false), "refused");
    EXPECT_EQ(status(1, 7, false, false), "failed");  // a result file that cannot be written
    EXPECT_EQ(status(NOT_STARTED_STATUS, std::nullopt, false, false), "failed");
    EXPECT_EQ(status(130, 7, false, false), "interrupted");

    EXPECT_EQ(json_string("a\"b\\c\n\t\x01\x7f"), "\"a\\\"b\\\\c\\n\\t\\u0001\x7f\"");
    EXPECT_EQ(json_string("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"),
              "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\"");
    // A stray byte, an overlong form, a surrogate, a sequence cut short: each byte replaced.
    EXPECT_EQ(json_string("\xff|\xc0\x80|\xed\xa0\x80|\xe2\x82"),
              "\"\\ufffd|\\ufffd\\ufffd|\\ufffd\\ufffd\\ufffd|\\ufffd\\ufffd\"");
}

TEST(BatchReport, GapsBelowTheBestKnownStayInsideThePlot) {
    ConvergenceSeries beating;
    beating.n_jobs = 200;
    beating.runs = 3;
    beating.seconds = {0.2, 1, 10.012};  // a 10-second limit, overshot as runs do
    beating.mean_gap = {0.05, -0.01, -0.07};
    const std::string svg = convergence_svg({beating}, true);
    const auto frame = svg.find("<rect x=\"");
    double frame_x = 0, frame_top = 0, frame_width = 0, frame_height = 0;
    ASSERT_EQ(
        std::sscanf(svg.c_str() + frame, "<rect x=\"%lf\" y=\"%lf\" width=\"%lf\" height=\"%lf\"",
                    &frame_x, &frame_top, &frame_width, &frame_height),
        4);
    const auto points = svg.find("points=\"") + 8;
    std::istringstream xy(svg.substr(points, svg.find('"', points) - points));
    double x = 0, y = 0;
    char comma = 0;
    int drawn = 0;
    for (; xy >> x >> comma >> y; ++drawn) {
        EXPECT_LE(x, frame_x + frame_width);
        EXPECT_GE(y, frame_top);
        EXPECT_LE(y, frame_top + frame_height);
    }
    EXPECT_EQ(drawn, 3);
    EXPECT_NE(svg.find(">-0.08</text>"), std::string::npos);
    EXPECT_NE(svg.find(">0</text>"), std::string::npos);
    EXPECT_NE(svg.find(">10</text>"), std::string::npos);  // the time axis ends at 10 s
    EXPECT_EQ(svg.find(">100</text>"), std::string::npos);
}

TEST(BatchReport, BestKnownFileAndCsvQuoting) {
    std::map<std::string, long long> best;
    EXPECT_EQ(parse_best_known("# c\n\nta001 1234\nbench/x.txt 99\n", best), "");
    EXPECT_EQ(find_best_known(best, "some/dir/ta001.txt"), 1234);  // by file name without extension
    EXPECT_EQ(find_best_known(best, "bench/x.txt"), 99);           // as given
    EXPECT_EQ(find_best_known(best, "other/x.txt"), std::nullopt);
    std::map<std::string, long long> bad;
    EXPECT_NE(parse_best_known("a 5\na 6\n", bad).find("line 2"), std::string::npos);
    EXPECT_NE(parse_best_known("a 5 extra\n", bad).find("line 1"), std::string::npos);
    EXPECT_NE(parse_best_known("a -5\n", bad).find("line 1"), std::string::npos);

    BatchRow row;
    row.instance = "odd, \"name\".txt";
    row.settings = "default";
    row.transcript.fo = 110;
    row.transcript.root_lb = 100;
    row.outcome.exit_status = 0;
    std::istringstream csv(csv_table({row}));
    std::string header, line;
    std::getline(csv, header);
    std::getline(csv, line);
    auto fields = csv_fields(line);
    ASSERT_EQ(fields.size(), static_cast<size_t>(COLUMNS));
    EXPECT_EQ(fields[INSTANCE], row.instance);
    EXPECT_EQ(fields[GAP_LB], "10.0000");
    EXPECT_EQ(percent_gap(5, 0), std::nullopt);  // no gap to a bound of 0
}

// Every column of the CSV is listed in docs/tools.md, in order.
TEST(BatchReport, TheCsvColumnsAreTheDocumentedOnes) {
    const std::string page = zemko_test::read_text(zemko_test::source_path("docs/tools.md"));
    const size_t section = page.find("### The CSV");
    ASSERT_NE(section, std::string::npos);
    const std::string list = page.substr(section, page.find("\n#", section + 1) - section);
    // The names in backticks before the colon of each item: "- `root_lb`, `root_ub`: ...".
    std::string documented;
    for (const std::string& line : lines_of(list)) {
        if (line.rfind("- `", 0) != 0) continue;
        for (const auto& name : zemko_test::all_matches(line.substr(0, line.find(':')), "`(\\w+)`"))
            documented += (documented.empty() ? "" : ",") + name[1];
    }
    EXPECT_EQ(documented, HEADER);
}
