// Reading the job data file: one job per line, four integers "number p1 p2 route".
#include "input/jobs.hpp"

#include <sys/stat.h>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "input/line_scan.hpp"

namespace zemko {

namespace {

constexpr int FIELDS_PER_LINE = 4;

// Scanning a line with "%d %d %d %d" writes the fields it converts straight into the slot, so
// a field the line does not supply keeps what the slot already held.
void store_fields(Job& slot, const ScannedInts& fields) {
    int* targets[FIELDS_PER_LINE] = {&slot.number, &slot.p1, &slot.p2, &slot.route};
    for (int f = 0; f < fields.count; ++f)
        *targets[f] = static_cast<int>(fields.value[f]);
}

bool times_too_large(const JobTable& table) {
    long long sum = 0;
    for (int i = 0; i < table.n_jobs; ++i)
        sum += std::llabs(table.jobs[i].p1) + std::llabs(table.jobs[i].p2);
    return static_cast<long long>(table.n_jobs) * sum > MAX_TIME_PRODUCT;
}

int accepted_route(int route) {
    return route == 1 || route == 2 ? route : 1;
}

}  // namespace

JobsOutcome load_jobs(std::istream& in, JobTable& table, int* bad_line) {
    // A fresh table: a slot's unsupplied fields must read as zero.
    table = JobTable{};
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
        Job& slot = table.n_jobs < MAX_JOBS ? table.jobs[table.n_jobs] : overflow_slot;
        store_fields(slot, fields);
        if (slot.p1 == 0 && slot.p2 == 0) continue;  // header, blank or zero line
        if (table.n_jobs == MAX_JOBS) return JOBS_TOO_MANY;
        slot.route = accepted_route(slot.route);
        ++table.n_jobs;
    }
    if (reader.failed()) return JOBS_READ_ERROR;
    if (times_too_large(table)) return JOBS_TIMES_TOO_LARGE;
    return JOBS_LOADED;
}

JobsOutcome read_jobs(const char* file_name, JobTable& table, int* bad_line) {
    struct stat info;
    std::ifstream in;
    if (stat(file_name, &info) == 0 && !S_ISDIR(info.st_mode))
        in.open(file_name, std::ios::in | std::ios::binary);
    if (!in.is_open()) return JOBS_NOT_FOUND;
    return load_jobs(in, table, bad_line);
}

JobsOutcome table_from_jobs(const std::vector<Job>& given, JobTable& table) {
    table = JobTable{};
    if (given.size() > static_cast<size_t>(MAX_JOBS)) return JOBS_TOO_MANY;
    table.n_jobs = static_cast<int>(given.size());
    for (int i = 0; i < table.n_jobs; ++i) {
        table.jobs[i] = given[i];
        table.jobs[i].route = accepted_route(given[i].route);
    }
    if (times_too_large(table)) return JOBS_TIMES_TOO_LARGE;
    return JOBS_LOADED;
}

std::string jobs_outcome_message(JobsOutcome outcome, int bad_line) {
    switch (outcome) {
        case JOBS_NOT_FOUND:
            return "File not found";
        case JOBS_TOO_MANY:
            return "Too many jobs: at most " + std::to_string(MAX_JOBS) + " can be loaded";
        case JOBS_NUMBER_TOO_LARGE:
            return "Number too large in data file at line " + std::to_string(bad_line);
        case JOBS_TIMES_TOO_LARGE:
            return "Processing times too large";
        case JOBS_READ_ERROR:
            return "Cannot read data file";
        default:
            return "";
    }
}

}  // namespace zemko
