// Fuzz target for the data-file reader: load_jobs on any bytes must neither crash nor overrun
// the table, and whenever it accepts a file its table must be what a line-by-line scan with
// the C library's sscanf("%d %d %d %d") gives.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "input/jobs.hpp"

namespace {

constexpr unsigned char BOM[3] = {0xEF, 0xBB, 0xBF};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "jobs_reader: %s\n", what);
    std::abort();
}

// The reference: every line (text up to a NUL byte) scanned by sscanf into the current slot; a
// slot with a nonzero time is a job. Only used on files that load_jobs accepted, so every
// scanned number fits 32 bits and there are at most MAX_JOBS jobs.
std::vector<zemko::Job> reference_jobs(std::string text) {
    if (text.size() >= 3 &&
        std::equal(BOM, BOM + 3, reinterpret_cast<const unsigned char*>(text.data())))
        text.erase(0, 3);
    std::vector<zemko::Job> table;
    zemko::Job slot{};
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        sscanf(line.c_str(), "%d %d %d %d", &slot.number, &slot.p1, &slot.p2, &slot.route);
        if (slot.p1 == 0 && slot.p2 == 0) continue;
        if (slot.route != 1 && slot.route != 2) slot.route = 1;
        table.push_back(slot);
        slot = zemko::Job{};
    }
    return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    int bad_line = 0;
    zemko::JobTable table;
    zemko::JobsOutcome outcome = zemko::load_jobs(in, table, &bad_line);

    if (table.n_jobs < 0 || table.n_jobs > zemko::MAX_JOBS) fail("n_jobs out of range");
    if (outcome == zemko::JOBS_NUMBER_TOO_LARGE && bad_line < 1) fail("no line for a refusal");
    if (outcome != zemko::JOBS_LOADED) return 0;

    std::vector<zemko::Job> expected = reference_jobs(text);
    if (static_cast<int>(expected.size()) != table.n_jobs) fail("job count differs");
    for (int i = 0; i < table.n_jobs; ++i) {
        const zemko::Job& a = table.jobs[i];
        const zemko::Job& b = expected[i];
        if (a.number != b.number || a.p1 != b.p1 || a.p2 != b.p2 || a.route != b.route)
            fail("job differs from sscanf");
    }
    return 0;
}
