// The data-file reader: accepted and rejected lines, the slot rule, limits and line handling.
#include <gtest/gtest.h>

#include <sstream>

#include "input/jobs.hpp"
#include "support/test_support.hpp"

using namespace zemko;

namespace {

// The table of the last load.
JobTable table;

JobsOutcome load(const std::string& text, int* bad_line = nullptr) {
    std::istringstream in(text);
    return load_jobs(in, table, bad_line);
}

void expect_job(int index, int number, int p1, int p2, int route) {
    SCOPED_TRACE("job index " + std::to_string(index));
    EXPECT_EQ(table.jobs[index].number, number);
    EXPECT_EQ(table.jobs[index].p1, p1);
    EXPECT_EQ(table.jobs[index].p2, p2);
    EXPECT_EQ(table.jobs[index].route, route);
}

std::string many_jobs(int n) {
    std::string text;
    for (int i = 1; i <= n; ++i)
        text += std::to_string(i) + " 1 2 1\n";
    return text;
}

}  // namespace

TEST(JobFile, ZeroLinesAreRejectedAndInvalidRoutesBecomeOne) {
    ASSERT_EQ(load("1 5 3 1\n2 0 0 1\n3 4 6 7\n"), JOBS_LOADED);
    ASSERT_EQ(table.n_jobs, 2);
    expect_job(0, 1, 5, 3, 1);
    expect_job(1, 3, 4, 6, 1);
}

TEST(JobFile, FieldsALineDoesNotSupplyKeepWhatTheSlotHeld) {
    ASSERT_EQ(load("4 0 9\n"), JOBS_LOADED);
    expect_job(0, 4, 0, 9, 1);
    // A rejected line leaves its values in the slot for the next line to complete.
    ASSERT_EQ(load("7 0 0 2\n8 5\n"), JOBS_LOADED);
    ASSERT_EQ(table.n_jobs, 1);
    expect_job(0, 8, 5, 0, 2);
}

TEST(JobFile, HeadersBlankLinesAndEmptyFiles) {
    ASSERT_EQ(load(""), JOBS_LOADED);
    EXPECT_EQ(table.n_jobs, 0);
    ASSERT_EQ(load("Job P1 P2 Route\n\n   \n1 2 3 2\n\n"), JOBS_LOADED);
    ASSERT_EQ(table.n_jobs, 1);
    expect_job(0, 1, 2, 3, 2);
}

TEST(JobFile, NumbersAreScannedAsTheCLibraryDoes) {
    // 5-3 reads as two numbers; a dot stops the scan; signs are taken.
    ASSERT_EQ(load("1 5-3 2\n"), JOBS_LOADED);
    expect_job(0, 1, 5, -3, 2);
    ASSERT_EQ(load("2 2.5 7 1\n"), JOBS_LOADED);
    expect_job(0, 2, 2, 0, 1);
    ASSERT_EQ(load("+3 -4 +6 2\n"), JOBS_LOADED);
    expect_job(0, 3, -4, 6, 2);
    ASSERT_EQ(load("x 1 2 1\n1 2 3 1\n"), JOBS_LOADED);
    ASSERT_EQ(table.n_jobs, 1);
    expect_job(0, 1, 2, 3, 1);
}

TEST(JobFile, LongLinesCrlfAndByteOrderMark) {
    std::string long_line = "1" + std::string(100, ' ') + "4 6 1 " + std::string(200, '9') + "\n";
    ASSERT_EQ(load(long_line), JOBS_LOADED);
    ASSERT_EQ(table.n_jobs, 1);  // the tail of a long line is no job of its own
    expect_job(0, 1, 4, 6, 1);
    ASSERT_EQ(load("1 4 6 2\r\n2 3 5 2\r\n"), JOBS_LOADED);
    ASSERT_EQ(table.n_jobs, 2);
    expect_job(1, 2, 3, 5, 2);
    ASSERT_EQ(load("\xEF\xBB\xBF"
                   "1 4 6 1\n"),
              JOBS_LOADED);
    ASSERT_EQ(table.n_jobs, 1);
    expect_job(0, 1, 4, 6, 1);
    ASSERT_EQ(load("1 4 6 1"), JOBS_LOADED);  // last line without a line end
    EXPECT_EQ(table.n_jobs, 1);
}

TEST(JobFile, NulByteEndsTheLinesText) {
    ASSERT_EQ(load(std::string("1 4\0 6 1\n2 3 5 1\n", 18)), JOBS_LOADED);
    ASSERT_EQ(table.n_jobs, 2);
    expect_job(0, 1, 4, 0, 1);
    expect_job(1, 2, 3, 5, 1);
}

TEST(JobFile, CapacityIs501Jobs) {
    ASSERT_EQ(load(many_jobs(501) + "\n0 0 0 0\n"), JOBS_LOADED);
    EXPECT_EQ(table.n_jobs, 501);
    EXPECT_EQ(load(many_jobs(502)), JOBS_TOO_MANY);
}

TEST(JobFile, NumbersBeyond32BitsAreRefusedWithTheirLine) {
    int bad_line = 0;
    EXPECT_EQ(load("1 2 3 1\n\n1 2147483648 3 1\n", &bad_line), JOBS_NUMBER_TOO_LARGE);
    EXPECT_EQ(bad_line, 3);
    EXPECT_EQ(load("99999999999999999999999 1 2 1\n", &bad_line), JOBS_NUMBER_TOO_LARGE);
    EXPECT_EQ(bad_line, 1);
    // The extremes of the range are fine, and so is anything after the fourth field.
    EXPECT_EQ(load("-2147483648 1 2 1 99999999999999\n2147483647 1 2 1\n"), JOBS_LOADED);
    EXPECT_EQ(table.jobs[0].number, -2147483648);
}

TEST(JobFile, TimesWhoseSumsCouldLeave32BitsAreRefused) {
    // n * sum(|p1| + |p2|) must not exceed 2^30 - 1.
    EXPECT_EQ(load("1 536870911 0 1\n2 0 0 1\n"), JOBS_LOADED);
    EXPECT_EQ(load("1 536870911 1 1\n"), JOBS_LOADED);
    EXPECT_EQ(load("1 536870912 0 1\n2 1 0 1\n"), JOBS_TIMES_TOO_LARGE);
    EXPECT_EQ(load("1 -1073741824 0 1\n"), JOBS_TIMES_TOO_LARGE);
}

TEST(JobFile, AReadErrorIsNeverTakenForTheEndOfTheFile) {
    // Whole lines before the failure, a line cut short by it, and a failure before any byte.
    for (std::string text : {"1 2 3 1\n2 4 5 1\n", "1 2 3 1\n2 4", ""}) {
        zemko_test::FailingStreamBuf buf(text);
        std::istream in(&buf);
        EXPECT_EQ(load_jobs(in, table, nullptr), JOBS_READ_ERROR) << text;
    }
    // The failure is reported even where the cut line would have been refused.
    zemko_test::FailingStreamBuf buf("1 2 3 1\n2 99999999999");
    std::istream in(&buf);
    EXPECT_EQ(load_jobs(in, table, nullptr), JOBS_READ_ERROR);
}

TEST(JobFile, MissingAndRefusedFilesGiveTheConsolesMessages) {
    zemko_test::ScratchDir dir;
    int bad_line = 0;
    EXPECT_EQ(read_jobs(dir.file("absent.txt").c_str(), table, &bad_line), JOBS_NOT_FOUND);
    EXPECT_EQ(read_jobs(dir.path().c_str(), table, &bad_line), JOBS_NOT_FOUND);  // a directory
    EXPECT_EQ(jobs_outcome_message(JOBS_NOT_FOUND, 0), "File not found");
    dir.write("big.txt", "1 2147483648 1 1\n");
    EXPECT_EQ(read_jobs(dir.file("big.txt").c_str(), table, &bad_line), JOBS_NUMBER_TOO_LARGE);
    EXPECT_EQ(jobs_outcome_message(JOBS_NUMBER_TOO_LARGE, bad_line),
              "Number too large in data file at line 1");
    dir.write("ok.txt", "1 2 3 1\n");
    EXPECT_EQ(read_jobs(dir.file("ok.txt").c_str(), table, &bad_line), JOBS_LOADED);
    EXPECT_EQ(table.n_jobs, 1);
}

TEST(JobFile, JobsGivenByAProgramAreCheckedAsTheReaderChecksThem) {
    std::vector<Job> given = {{1, 5, 3, 7}, {2, 0, 0, 2}};
    ASSERT_EQ(table_from_jobs(given, table), JOBS_LOADED);
    EXPECT_EQ(table.n_jobs, 2);  // a job of two zero times is a job when a program gives it
    expect_job(0, 1, 5, 3, 1);
    expect_job(1, 2, 0, 0, 2);
    EXPECT_EQ(table_from_jobs(std::vector<Job>(502, Job{1, 1, 1, 1}), table), JOBS_TOO_MANY);
    EXPECT_EQ(table_from_jobs({{1, 536870912, 0, 1}, {2, 1, 0, 1}}, table), JOBS_TIMES_TOO_LARGE);
    EXPECT_EQ(jobs_outcome_message(JOBS_TIMES_TOO_LARGE, 0), "Processing times too large");
    EXPECT_EQ(jobs_outcome_message(JOBS_TOO_MANY, 0), "Too many jobs: at most 501 can be loaded");
}
