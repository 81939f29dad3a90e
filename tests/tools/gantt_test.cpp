// zemko-gantt: the bars and idle blocks of the chart against a schedule computed here from the
// data file and the solver's own ub.rep, well-formed SVG (checked by xmllint), the rows of a
// route-2 instance, and every kind of ub.rep that does not fit its data file refused.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <thread>

#include "support/test_support.hpp"
#include "support/text_patterns.hpp"
#include "tools/tool_runner.hpp"

using zemko_test::ScratchDir;
using zemko_tools_test::expect_well_formed;
using zemko_tools_test::run_tool;

namespace {

constexpr double TOLERANCE = 0.002;  // coordinates are written with three decimals

struct Box {
    double x, y, width;
};

struct Chart {
    std::map<int, Box> first, second;  // bars by job id, per row
    std::vector<Box> idle;
};

Chart read_chart(const std::string& svg) {
    Chart chart;
    const std::string bar(
        "<rect class=\"bar (first|second)\" data-job=\"(\\d+)\" x=\"([-0-9.]+)\" "
        "y=\"([-0-9.]+)\" width=\"([-0-9.]+)\"");
    for (const auto& m : zemko_test::all_matches(svg, bar)) {
        auto& row = m[1] == "first" ? chart.first : chart.second;
        int id = std::stoi(m[2]);
        EXPECT_EQ(row.count(id), 0u) << "job " << id << " drawn twice on one row";
        row[id] = {std::stod(m[3]), std::stod(m[4]), std::stod(m[5])};
    }
    const std::string idle(
        "<rect class=\"idle\" x=\"([-0-9.]+)\" y=\"([-0-9.]+)\" width=\"([-0-9.]+)\"");
    for (const auto& m : zemko_test::all_matches(svg, idle))
        chart.idle.push_back({std::stod(m[1]), std::stod(m[2]), std::stod(m[3])});
    return chart;
}

struct Span {
    long long start, end;
};

// The permutation schedule of seq on two machines, times[j] = (first machine, second machine).
void schedule_of(const std::vector<int>& seq, const std::vector<std::pair<int, int>>& times,
                 std::vector<Span>& first, std::vector<Span>& second) {
    long long m1 = 0, m2 = 0;
    first.assign(times.size(), {});
    second.assign(times.size(), {});
    for (int j : seq) {
        first[j] = {m1, m1 + times[j].first};
        m1 = first[j].end;
        m2 = std::max(m1, m2);
        second[j] = {m2, m2 + times[j].second};
        m2 = second[j].end;
    }
}

// Solves the instance with the solver and returns the sequence of its ub.rep.
std::vector<int> solve(const ScratchDir& dir, const std::string& data_name, long long& fo) {
    auto run = zemko_test::run_zemko(dir.path(), {data_name});
    EXPECT_EQ(run.status, 0);
    auto numbers = zemko_test::parse_numbers(dir.read("ub.rep"));
    fo = numbers.at(0);
    return std::vector<int>(numbers.begin() + 1, numbers.end());
}

// Checks every bar against the schedule (times as the chart's rows see them) and the idle
// blocks of the second row against its gaps.
void expect_chart_matches(const Chart& chart, const std::vector<int>& seq,
                          const std::vector<std::pair<int, int>>& times) {
    std::vector<Span> first, second;
    schedule_of(seq, times, first, second);
    ASSERT_EQ(chart.first.size(), times.size());
    ASSERT_EQ(chart.second.size(), times.size());
    // The time origin is where the first job starts; the scale follows from where the last
    // job ends on the second machine.
    long long makespan = second[seq.back()].end;
    double origin = chart.first.at(seq.front() + 1).x;
    const Box& last = chart.second.at(seq.back() + 1);
    double scale = (last.x + last.width - origin) / static_cast<double>(makespan);
    ASSERT_GT(scale, 0);

    double first_y = chart.first.begin()->second.y, second_y = chart.second.begin()->second.y;
    EXPECT_LT(first_y, second_y);
    for (size_t j = 0; j < times.size(); ++j) {
        SCOPED_TRACE("job " + std::to_string(j + 1));
        const Box& a = chart.first.at(static_cast<int>(j) + 1);
        const Box& b = chart.second.at(static_cast<int>(j) + 1);
        EXPECT_NEAR(a.x, origin + first[j].start * scale, TOLERANCE);
        EXPECT_NEAR(a.width, times[j].first * scale, TOLERANCE);
        EXPECT_NEAR(b.x, origin + second[j].start * scale, TOLERANCE);
        EXPECT_NEAR(b.width, times[j].second * scale, TOLERANCE);
        EXPECT_EQ(a.y, first_y);
        EXPECT_EQ(b.y, second_y);
    }
    std::vector<Span> gaps;
    long long free_at = 0;
    for (int j : seq) {
        if (second[j].start > free_at) gaps.push_back({free_at, second[j].start});
        free_at = second[j].end;
    }
    ASSERT_EQ(chart.idle.size(), gaps.size());
    for (size_t g = 0; g < gaps.size(); ++g) {
        EXPECT_NEAR(chart.idle[g].x, origin + gaps[g].start * scale, TOLERANCE);
        EXPECT_NEAR(chart.idle[g].width, (gaps[g].end - gaps[g].start) * scale, TOLERANCE);
        EXPECT_EQ(chart.idle[g].y, second_y);
    }
}

}  // namespace

TEST(ZemkoGantt, BarsAndIdleTimeStandWhereTheScheduleSaysThem) {
    ScratchDir dir;
    // Long first-machine times next to short second-machine ones leave machine 2 idle.
    auto times = zemko_test::random_times(21, 14, 1, 99);
    dir.write("inst.txt", zemko_test::data_file(times));
    long long fo = 0;
    std::vector<int> seq = solve(dir, "inst.txt", fo);

    auto run = run_tool(ZEMKO_GANTT_EXE, {"-o", "chart.svg", "inst.txt", "ub.rep"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    std::string svg = dir.read("chart.svg");
    expect_well_formed(dir.path(), "chart.svg");
    Chart chart = read_chart(svg);
    expect_chart_matches(chart, seq, times);
    EXPECT_FALSE(chart.idle.empty());
    EXPECT_NE(svg.find("inst.txt: total completion time " + std::to_string(fo) + "</text>"),
              std::string::npos);
    EXPECT_NE(svg.find(">Machine 1</text>"), std::string::npos);
    EXPECT_NE(svg.find("class=\"axis\""), std::string::npos);
    // Standard output gets the same chart when no file is named.
    auto to_stdout = run_tool(ZEMKO_GANTT_EXE, {"inst.txt", "ub.rep"}, dir.path());
    EXPECT_EQ(to_stdout.out, svg);
}

TEST(ZemkoGantt, Route2InstancesShowMachine2First) {
    ScratchDir dir;
    auto times = zemko_test::random_times(22, 9, 1, 60);
    dir.write("r2.txt", zemko_test::data_file(times, 2));
    long long fo = 0;
    std::vector<int> seq = solve(dir, "r2.txt", fo);
    auto run = run_tool(ZEMKO_GANTT_EXE, {"-o", "r2.svg", "r2.txt", "ub.rep"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    std::string svg = dir.read("r2.svg");
    // The top row is the machine each job visits first: machine 2, with the p2 times.
    auto swapped = times;
    for (auto& t : swapped)
        std::swap(t.first, t.second);
    expect_chart_matches(read_chart(svg), seq, swapped);
    size_t top_label = svg.find(">Machine 2</text>");
    ASSERT_NE(top_label, std::string::npos);
    EXPECT_LT(top_label, svg.find(">Machine 1</text>"));
}

TEST(ZemkoGantt, NamesAreEscapedInTheDocument) {
    ScratchDir dir;
    dir.write("a&b <c>.txt", "1 3 4 1\n2 5 1 1\n");
    dir.write("ub.rep", "16 0 1 ");
    auto run = run_tool(ZEMKO_GANTT_EXE, {"-o", "c.svg", "a&b <c>.txt", "ub.rep"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    expect_well_formed(dir.path(), "c.svg");
    EXPECT_NE(dir.read("c.svg").find("a&amp;b &lt;c&gt;.txt: total completion time 16"),
              std::string::npos);
}

// An output that is a pipe (or a device, such as /dev/null) is written into, not replaced by a
// file of the same name.
TEST(ZemkoGantt, AnOutputPipeStaysAPipe) {
    ScratchDir dir;
    dir.write("d.txt", "1 3 4 1\n2 5 1 1\n");
    dir.write("ub.rep", "16 0 1 ");
    ASSERT_EQ(::mkfifo(dir.file("chart").c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = dir.read("chart"); });
    auto run = run_tool(ZEMKO_GANTT_EXE, {"-o", "chart", "d.txt", "ub.rep"}, dir.path());
    reader.join();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(received.find("</svg>"), std::string::npos);
    struct stat info;
    ASSERT_EQ(::stat(dir.file("chart").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST(ZemkoGantt, RefusesAUbRepThatDoesNotFitItsDataFile) {
    ScratchDir dir;
    // Sequence 0 1 2 3: completions on machine 2 are 5, 9, 13, 18; the objective is 45.
    dir.write("four.txt", "1 2 3 1\n2 2 4 1\n3 1 4 1\n4 3 5 1\n");
    struct Case {
        std::string ub;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"45 0 1 2 2 ", "not a permutation of the data file's jobs: index 2 appears twice"},
        {"45 0 1 2 ", "not a permutation of the data file's jobs: 3 job indices for 4 jobs"},
        {"45 0 1 2 3 0 ", "not a permutation of the data file's jobs: 5 job indices for 4"},
        {"45 0 1 2 4 ", "not a permutation of the data file's jobs: index 4 is outside 0..3"},
        {"45 0 -1 2 3 ", "not a permutation of the data file's jobs: index -1 is outside"},
        {"45 0 1 two 3 ", "'two', which is not a 32-bit integer"},
        {"", "ub.rep is empty"},
        {"2147483647 0 1 2 3 ", "the run found no solution"},
        {"44 0 1 2 3 ", "gives the objective 44 but its sequence has 45"},
    };
    for (const Case& c : cases) {
        dir.write("ub.rep", c.ub);
        auto run = run_tool(ZEMKO_GANTT_EXE, {"-o", "x.svg", "four.txt", "ub.rep"}, dir.path());
        EXPECT_EQ(run.status, 1) << c.ub;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.ub << "\n" << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(dir.exists("x.svg")) << c.ub;
    }
    dir.write("ub.rep", "45 0 1 2 3 ");
    EXPECT_EQ(run_tool(ZEMKO_GANTT_EXE, {"-o", "x.svg", "four.txt", "ub.rep"}, dir.path()).status,
              0);
}

TEST(ZemkoGantt, RefusesDataFilesWithoutADrawableSchedule) {
    ScratchDir dir;
    dir.write("ub.rep", "10 0 1 ");
    dir.write("mixed.txt", "1 2 3 1\n2 2 4 2\n");
    dir.write("negative.txt", "1 2 3 1\n2 -2 4 1\n");
    dir.write("empty.txt", "\n");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"mixed.txt", "ub.rep"}, "mixes routes 1 and 2"},
        {{"negative.txt", "ub.rep"}, "job 2 has a negative time"},
        {{"empty.txt", "ub.rep"}, "holds no job"},
        {{"missing.txt", "ub.rep"}, "cannot read the data file 'missing.txt'"},
        {{"mixed.txt", "no.rep"}, "mixes routes"},
    };
    for (const auto& [args, message] : cases) {
        auto run = run_tool(ZEMKO_GANTT_EXE, args, dir.path());
        EXPECT_EQ(run.status, 1) << message;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    }
    dir.write("two.txt", "1 2 3 1\n2 2 4 1\n");
    auto no_rep = run_tool(ZEMKO_GANTT_EXE, {"two.txt", "no.rep"}, dir.path());
    EXPECT_EQ(no_rep.status, 1);
    EXPECT_NE(no_rep.err.find("cannot read 'no.rep'"), std::string::npos);
    EXPECT_EQ(run_tool(ZEMKO_GANTT_EXE, {"two.txt"}, dir.path()).status, 2);
    EXPECT_EQ(run_tool(ZEMKO_GANTT_EXE, {"-x", "two.txt", "ub.rep"}, dir.path()).status, 2);
}
