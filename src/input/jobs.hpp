// The job table: the instance read from the job data file, one job per accepted line.
#pragma once

#include <istream>

namespace zemko {

// Capacity of every per-job array of the solver.
inline constexpr int MAX_JOBS = 501;

// Largest value of n_jobs * sum(|p1| + |p2|) accepted, so that objectives, bounds and their
// sums always stay within signed 32 bits.
inline constexpr long long MAX_TIME_PRODUCT = 1073741823;

struct Job {
    int id;     // the job's number as written in the file; only printed
    int p1;     // processing time on machine 1
    int p2;     // processing time on machine 2
    int route;  // 1: machine 1 then machine 2; 2: machine 2 then machine 1
};

extern Job jobs[MAX_JOBS];  // jobs by index, in the order the file lists the accepted lines
extern int n_jobs;          // number of jobs loaded

// How loading a data file ended.
enum JobsOutcome {
    JOBS_LOADED = 0,
    JOBS_TOO_MANY,          // more than MAX_JOBS accepted lines
    JOBS_NUMBER_TOO_LARGE,  // a scanned number does not fit 32 bits (bad_line says where)
    JOBS_TIMES_TOO_LARGE,   // n_jobs * sum(|p1| + |p2|) exceeds MAX_TIME_PRODUCT
    JOBS_READ_ERROR,        // the stream failed before its end: the table is incomplete
};

// Loads the job table from a stream of data-file lines. On JOBS_NUMBER_TOO_LARGE, *bad_line
// receives the 1-based line number. Prints nothing.
int load_jobs(std::istream& in, int* bad_line);

// Reads the named data file into the job table and prints the jobs-loaded line. Returns 0, or
// the exit status (1) after printing why the file was refused or could not be opened.
int read_jobs(const char* file_name);

}  // namespace zemko
