// Reading the job data file: one job per line, four integers "id p1 p2 route".
#include "input/jobs.hpp"

#include <sys/stat.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "app/run.hpp"
#include "input/line_scan.hpp"

namespace zemko {

Job jobs[MAX_JOBS];
int n_jobs = 0;

namespace {

constexpr int FIELDS_PER_LINE = 4;

// Scanning a line with "%d %d %d %d" writes the fields it converts straight into the slot, so
// a field the line does not supply keeps what the slot already held.
void store_fields(Job& slot, const ScannedInts& fields) {
    int* targets[FIELDS_PER_LINE] = {&slot.id, &slot.p1, &slot.p2, &slot.route};
    for (int f = 0; f < fields.count; ++f)
        *targets[f] = static_cast<int>(fields.value[f]);
}

long long sum_of_abs_times() {
    long long sum = 0;
    for (int i = 0; i < n_jobs; ++i)
        sum += std::llabs(jobs[i].p1) + std::llabs(jobs[i].p2);
    return sum;
}

}  // namespace

int load_jobs(std::istream& in, int* bad_line) {
    // A fresh table, as at process start: a slot's unsupplied fields must read as zero.
    std::memset(jobs, 0, sizeof jobs);
    n_jobs = 0;
    // The slot after a full table: lines that are rejected there are harmless, an accepted one
    // is refused.
    Job overflow_slot{};

    LineReader reader(in);
    int line_number = 0;
    ScannedInts fields;
    while (reader.scan_line(FIELDS_PER_LINE, fields)) {
        if (reader.failed()) break;  // the line was cut short by the failure
        ++line_number;
        if (fields.out_of_range) {
            if (bad_line) *bad_line = line_number;
            return JOBS_NUMBER_TOO_LARGE;
        }
        Job& slot = n_jobs < MAX_JOBS ? jobs[n_jobs] : overflow_slot;
        store_fields(slot, fields);
        if (slot.p1 == 0 && slot.p2 == 0) continue;  // header, blank or zero line
        if (n_jobs == MAX_JOBS) return JOBS_TOO_MANY;
        if (slot.route != 1 && slot.route != 2) slot.route = 1;
        ++n_jobs;
    }
    if (reader.failed()) return JOBS_READ_ERROR;
    if (static_cast<long long>(n_jobs) * sum_of_abs_times() > MAX_TIME_PRODUCT)
        return JOBS_TIMES_TOO_LARGE;
    return JOBS_LOADED;
}

int read_jobs(const char* file_name) {
    bounds_computed = 0;

    struct stat info;
    std::ifstream in;
    if (stat(file_name, &info) == 0 && !S_ISDIR(info.st_mode))
        in.open(file_name, std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        std::printf("\n\nFile not found\n\n");
        return 1;
    }

    int bad_line = 0;
    switch (load_jobs(in, &bad_line)) {
        case JOBS_TOO_MANY:
            std::printf("\n\nToo many jobs: at most %d can be loaded\n\n", MAX_JOBS);
            return 1;
        case JOBS_NUMBER_TOO_LARGE:
            std::printf("\n\nNumber too large in data file at line %d\n\n", bad_line);
            return 1;
        case JOBS_TIMES_TOO_LARGE:
            std::printf("\n\nProcessing times too large\n\n");
            return 1;
        case JOBS_READ_ERROR:
            std::printf("\n\nCannot read data file\n\n");
            return 1;
        default:
            break;
    }
    std::printf("\n'%s' : %d Jobs loaded.\n", file_name, n_jobs);
    return 0;
}

}  // namespace zemko
