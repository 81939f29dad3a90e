// The job table: the instance read from the job data file, one job per accepted line.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include <zemko/zemko.hpp>

namespace zemko {

// Largest value of n_jobs * sum(|p1| + |p2|) accepted, so that objectives, bounds and their
// sums always stay within signed 32 bits.
inline constexpr long long MAX_TIME_PRODUCT = 1073741823;

struct JobTable {
    int n_jobs = 0;        // number of jobs loaded
    Job jobs[MAX_JOBS]{};  // jobs by index, in the order the file lists the accepted lines
};

// How loading a data file ended.
enum JobsOutcome {
    JOBS_LOADED = 0,
    JOBS_NOT_FOUND,         // the file cannot be opened
    JOBS_TOO_MANY,          // more than MAX_JOBS accepted lines
    JOBS_NUMBER_TOO_LARGE,  // a scanned number does not fit 32 bits (bad_line says where)
    JOBS_TIMES_TOO_LARGE,   // n_jobs * sum(|p1| + |p2|) exceeds MAX_TIME_PRODUCT
    JOBS_READ_ERROR,        // the stream failed before its end: the table is incomplete
};

// Loads the job table from a stream of data-file lines. On JOBS_NUMBER_TOO_LARGE, *bad_line
// receives the 1-based line number.
JobsOutcome load_jobs(std::istream& in, JobTable& table, int* bad_line);

// Opens the named data file and loads it.
JobsOutcome read_jobs(const char* file_name, JobTable& table, int* bad_line);

// Fills the table from jobs given by a program, as the reader would have accepted them (a
// route other than 1 or 2 becomes 1). JOBS_TOO_MANY or JOBS_TIMES_TOO_LARGE refuse them.
JobsOutcome table_from_jobs(const std::vector<Job>& given, JobTable& table);

// The message that tells why a data file was refused ("File not found", ...).
std::string jobs_outcome_message(JobsOutcome outcome, int bad_line);

}  // namespace zemko
