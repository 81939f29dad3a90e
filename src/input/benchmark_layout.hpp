// The flow-shop benchmark layouts of the literature, which are not zemko's own data file: their
// reader (a header "n m" or "n m seed upper_bound lower_bound", then the times machine by
// machine or job by job) and a detector that tells when a file given as a data file is one.
#pragma once

#include <string>
#include <vector>

#include <zemko/zemko.hpp>

namespace zemko {

// The order of the 2·n times after the header.
enum class BenchmarkLayout {
    automatic,  // chosen from the lines: n lines of two times are rows, anything else a matrix
    matrix,     // machine by machine: p1 of jobs 1..n, then p2 of jobs 1..n
    rows,       // job by job: p1 p2 of job 1, then of job 2, ...
};

struct BenchmarkRead {
    std::vector<Job> jobs;  // numbered 1..n, route 1; empty when the text is refused
    std::string error;      // why the text is refused, naming its line where there is one; or ""
    std::string note;       // how a text that fits both layouts, or neither, was read; or ""
    BenchmarkLayout layout = BenchmarkLayout::automatic;  // the layout read: matrix or rows
};

// Reads a benchmark file of two machines. Refused: anything but the two headers, other than
// two machines, more than MAX_JOBS jobs, a count of times other than 2·n, a field that is not
// an integer or does not fit 32 bits, a job whose two times are 0 (the solver would skip its
// line), and times the solver refuses as too large. Blank lines, CRLF line ends and a UTF-8
// byte-order mark are fine. The header's seed and bounds are not used.
BenchmarkRead read_benchmark_layout(const std::string& text, BenchmarkLayout layout);

// A short description of the layout when the text looks like a benchmark file rather than a
// data file of "number p1 p2 route" lines, else "". It looks like one when its first line holds
// exactly two numbers, or the five of the benchmark header with n·m times after it, and the
// lines after it mostly hold more than four fields; or when most of the lines the solver would
// read as jobs hold fewer than four numbers.
std::string looks_like_benchmark_layout(const std::string& text);

}  // namespace zemko
