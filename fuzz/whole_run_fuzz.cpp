// Fuzz target for one whole run: a small instance (up to 12 jobs) and the settings, both drawn
// from the fuzzer's bytes, written out as a data file and a settings file and solved as the
// console solves them. The bytes choose values rather than text (the two readers have targets of
// their own), so that the search meets every kind of setting value, including the extremes
// of 32 bits, and times up to the largest the reader accepts. A run must not crash, must
// release all its memory, and must end with a best sequence that is a permutation of the jobs
// whose objective is the reported one.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <zemko/zemko.hpp>

#include "input/jobs.hpp"
#include "input/settings.hpp"

namespace {

// Small enough that a run takes about a millisecond even with the widest beam allowed here.
constexpr int MAX_FUZZ_JOBS = 12;
constexpr int MAX_FUZZ_BEAM = 20;
constexpr int MAX_FUZZ_STEPS = 30;

// Values worth trying for any setting: the ends of 32 bits, 0 and 1, the score weights' 100,
// and the beam-width cap.
constexpr int EDGE_VALUES[] = {INT_MIN, INT_MIN + 1, -1,   0,    1,    2,           99,
                               100,     101,         4999, 5000, 5001, INT_MAX - 1, INT_MAX};
constexpr int N_EDGE_VALUES = sizeof EDGE_VALUES / sizeof EDGE_VALUES[0];

// Takes values from the front of the fuzzer's bytes; 0 once they run out.
class ByteReader {
  public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint32_t take32() {
        uint32_t value = 0;
        for (int k = 0; k < 4 && pos_ < size_; ++k)
            value |= uint32_t{data_[pos_++]} << (8 * k);
        return value;
    }
    int take8() { return pos_ < size_ ? data_[pos_++] : 0; }

    // A value in [low, high], high - low below 2^32.
    long long in_range(long long low, long long high) {
        unsigned long long span = static_cast<unsigned long long>(high - low) + 1;
        return low + static_cast<long long>(take32() % span);
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// A setting's value: its default (no line in the file), a small value, an edge value or any.
bool choose_setting(ByteReader& in, int& value) {
    switch (in.take8() % 4) {
        case 0:
            return false;
        case 1:
            value = static_cast<int>(in.in_range(-2, 5));
            return true;
        case 2:
            value = EDGE_VALUES[in.take8() % N_EDGE_VALUES];
            return true;
        default:
            value = static_cast<int>(in.take32());
            return true;
    }
}

std::string settings_file(ByteReader& in) {
    std::string text;
    for (int r = 1; r < zemko::n_setting_rows; ++r) {
        int value = 0;
        if (choose_setting(in, value))
            text += std::string(zemko::setting_rows[r].key) + " = " + std::to_string(value) + "\n";
    }
    return text;
}

// Jobs with times of one scale: small, small and signed, medium, or as large as the reader
// accepts for this many jobs (n * sum(|p1| + |p2|) up to its limit), signed or not.
std::string data_file(ByteReader& in) {
    const int n = static_cast<int>(in.in_range(0, MAX_FUZZ_JOBS));
    const int scale = in.take8() % 5;
    long long limit = 10;
    if (scale == 2) limit = 1000;
    if (scale >= 3 && n > 0) limit = zemko::MAX_TIME_PRODUCT / (2LL * n * n);
    const long long low = (scale == 1 || scale == 4) ? -limit : 0;
    const int route_mode = in.take8() % 3;  // all route 1, all route 2, each its own (0..3)
    std::string text;
    for (int i = 0; i < n; ++i) {
        long long p1 = in.in_range(low, limit);
        long long p2 = in.in_range(low, limit);
        int route = route_mode == 2 ? static_cast<int>(in.in_range(0, 3)) : route_mode + 1;
        text += std::to_string(i + 1) + " " + std::to_string(p1) + " " + std::to_string(p2) + " " +
                std::to_string(route) + "\n";
    }
    return text;
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "whole_run: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zemko;
    ByteReader bytes(data, size);
    std::string settings_text = settings_file(bytes);
    std::string data_text = data_file(bytes);

    // The console's run, step by step.
    JobTable table;
    std::istringstream jobs_in(data_text);
    if (load_jobs(jobs_in, table, nullptr) != JOBS_LOADED) return 0;
    std::istringstream settings_in(settings_text);
    Settings settings;
    apply_settings(settings_in, settings, nullptr);
    settings.beam = std::min(settings.beam, MAX_FUZZ_BEAM);
    // The improvement phase runs on a step budget only: a time limit would make an input's run
    // take seconds and its outcome depend on the machine.
    settings.time_limit = std::min(settings.time_limit, setting_seconds{0});
    settings.step_limit = std::min(settings.step_limit, MAX_FUZZ_STEPS);
    const std::vector<Job> jobs(table.jobs, table.jobs + table.n_jobs);
    // The transcript is not checked here (the end-to-end tests do that), but it is produced.
    std::ostringstream transcript;
    const Result result = solve(jobs, settings, &transcript);

    bool mixed = false;
    for (int i = 1; i < table.n_jobs; ++i)
        mixed = mixed || jobs[i].route != jobs[0].route;
    if (transcript.str().find("Abnormal memory use") != std::string::npos)
        fail("memory not balanced");
    // A ceiling of a few MiB is below what any run needs, whatever the instance: a clean
    // memory error is right.
    if (result.status == Status::memory_error && settings.memory_limit > 0) return 0;
    if (mixed != (result.status == Status::mixed_routes)) fail("the route check");
    if (mixed || table.n_jobs == 0) {
        if (!result.sequence.empty()) fail("a solution without a search");
        return 0;
    }
    if (result.status != Status::solved) fail("no solution for a flow-shop instance");
    if (objective(jobs, result.sequence) != result.objective)
        fail("objective of the best sequence");
    return 0;
}
