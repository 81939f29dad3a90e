// The benchmark layouts: one instance written in each of them reads as the same jobs; what is
// no two-machine benchmark file is refused with its line; the detector tells them from the
// data files of the repository.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "input/benchmark_layout.hpp"
#include "support/test_support.hpp"

using zemko::BenchmarkLayout;
using zemko::read_benchmark_layout;

namespace {

std::vector<std::vector<int>> job_rows(const std::vector<zemko::Job>& jobs) {
    std::vector<std::vector<int>> rows;
    for (const zemko::Job& job : jobs)
        rows.push_back({job.number, job.p1, job.p2, job.route});
    return rows;
}

}  // namespace

TEST(BenchmarkLayout, EachLayoutReadsAsTheSameJobs) {
    const std::vector<std::vector<int>> expected = {
        {1, 54, 79, 1}, {2, 83, 3, 1}, {3, 15, 11, 1}, {4, -7, 56, 1}, {5, 0, 9, 1}};
    struct Case {
        const char* text;
        BenchmarkLayout asked;
        BenchmarkLayout read;
    };
    const Case cases[] = {
        {"5 2\n54 83 15 -7 0\n79 3 11 56 9\n", BenchmarkLayout::automatic, BenchmarkLayout::matrix},
        // The benchmark header, a machine's times wrapped, CRLF, a byte-order mark, blank lines.
        {"\xEF\xBB\xBF  5 2 873654221 1278 1232\r\n\r\n54 83 15\r\n-7 0\r\n79 3\n11 56 9\n",
         BenchmarkLayout::automatic, BenchmarkLayout::matrix},
        {"5 2\n54 79\n83 3\n15 11\n\n-7 56\n0 9", BenchmarkLayout::automatic,
         BenchmarkLayout::rows},
        // Asked for, the layout holds whatever the lines: pairs per job, two jobs a line.
        {"5 2\n54 79 83 3\n15 11 -7 56\n0 9\n", BenchmarkLayout::rows, BenchmarkLayout::rows},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const zemko::BenchmarkRead read = read_benchmark_layout(c.text, c.asked);
        EXPECT_EQ(read.error, "");
        EXPECT_EQ(read.note, "");
        EXPECT_EQ(read.layout, c.read);
        EXPECT_EQ(job_rows(read.jobs), expected);
    }

    // Two jobs on two lines of two fit both layouts: a matrix, said in a note; likewise times
    // whose lines do not end after machine 1's.
    const zemko::BenchmarkRead both = read_benchmark_layout("2 2\n5 3\n8 4\n", {});
    EXPECT_EQ(job_rows(both.jobs), (std::vector<std::vector<int>>{{1, 5, 8, 1}, {2, 3, 4, 1}}));
    EXPECT_NE(both.note.find("--layout rows"), std::string::npos);
    const zemko::BenchmarkRead one_line = read_benchmark_layout("3 2\n1 2 3 4 5 6\n", {});
    EXPECT_EQ(one_line.layout, BenchmarkLayout::matrix);
    EXPECT_NE(one_line.note, "");
    const zemko::BenchmarkRead as_rows =
        read_benchmark_layout("2 2\n5 3\n8 4\n", BenchmarkLayout::rows);
    EXPECT_EQ(job_rows(as_rows.jobs), (std::vector<std::vector<int>>{{1, 5, 3, 1}, {2, 8, 4, 1}}));
    EXPECT_EQ(as_rows.note, "");
}

TEST(BenchmarkLayout, RefusesWhatIsNoTwoMachineBenchmarkNamingTheLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "no header"},
        {"\n\n3 3\n1 2 3\n4 5 6\n7 8 9\n", "line 3: the header gives 3 machines"},
        {"1 55 80 1\n2 3 4 1\n", "line 1: expected the header"},
        {"502 2\n", "line 1: the header gives 502 jobs"},
        {"0 2\n", "line 1: the header gives 0 jobs"},
        {"3 2\n1 2 3\n4 5\n", "line 3: the file ends after 5 of the 6 times"},
        {"3 2\n1 2 3\n4 5 6\n7\n", "line 4: more than the 6 times"},
        {"2 2\n1 2\n3 4.5\n", "line 3: '4.5' is not an integer"},
        {"2 2\n1 2\n3 2147483648\n", "line 3: 2147483648 does not fit"},
        {"3 2\n1 0 3\n4 0 6\n", "line 3: job 2 has both times 0"},
        {"1 2\n-2147483648\n1\n", "too large for the solver"},
    };
    for (const auto& [text, message] : cases) {
        const zemko::BenchmarkRead read = read_benchmark_layout(text, BenchmarkLayout::automatic);
        EXPECT_NE(read.error.find(message), std::string::npos) << text << "\n" << read.error;
        EXPECT_TRUE(read.jobs.empty());
    }
    // The largest accepted: 501 jobs, and times up to the solver's limit.
    std::string most_jobs = "501 2\n";
    for (int k = 0; k < 2 * 501; ++k)
        most_jobs += "1\n";
    EXPECT_EQ(read_benchmark_layout(most_jobs, {}).jobs.size(), 501u);
    EXPECT_EQ(read_benchmark_layout("1 2\n-1073741822\n1\n", {}).error, "");
}

TEST(BenchmarkLayout, TheDetectorTellsBenchmarkFilesFromDataFiles) {
    for (const char* benchmark : {
             "5 2\n54 83 15 71 77\n79 3 11 99 56\n",
             "5 2 873654221 1278 1232\n54 83 15 71 77\n79 3 11 99 56\n",
             "5 2\n54 79\n83 3\n15 11\n71 99\n77 56\n",
             "54 79\n83 3\n15 11\n",
         })
        EXPECT_NE(zemko::looks_like_benchmark_layout(benchmark), "") << benchmark;

    // The repository's data files, and the lines the solver skips or ignores: a text header,
    // blank lines, a line of zeros, numbers past the fourth.
    std::vector<std::string> data_files = {
        "number p1 p2 route\n\n1 55 80 1\n0 0 0 0\n2 84 3 1 extra 7\n3 15 11 1\n",
        "1 55 80 1 0\n2 84 3 1 0\n3 15 11 1 0\n4 7 7 1 0\n5 1 2 1 0\n6 3 3 1 0\n",
    };
    for (const char* folder : {"examples", "bench/instances", "tests/data"})
        for (const auto& entry :
             std::filesystem::directory_iterator(zemko_test::source_path(folder)))
            if (entry.path().extension() == ".txt")
                data_files.push_back(zemko_test::read_text(entry.path().string()));
    for (const std::string& text : data_files)
        EXPECT_EQ(zemko::looks_like_benchmark_layout(text), "") << text.substr(0, 80);
}
