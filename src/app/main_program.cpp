// The console program: banner, usage, timing, the run through the library, and the result
// files.
#include "app/main_program.hpp"

#include <chrono>
#include <cstdio>
#include <iostream>

#include <zemko/zemko.hpp>

#include "app/report.hpp"
#include "input/jobs.hpp"
#include "input/settings.hpp"

namespace zemko {

namespace {

constexpr int EXIT_USAGE = 2;
constexpr int EXIT_FAILURE_STATUS = 1;

}  // namespace

int main_program(int argc, char** argv) {
    std::ostream& out = std::cout;
    const Transcript console{&out};
    say(console, "FLOW SHOP - Polinomial Upper Bound \n");
    say(console, "---------------------------------- \n");
    if (argc != 2) {
        say(console, "Programming by Velmorin\n");
        say(console, "\nUsage : ZEMKO <Data File>\n\n");
        return EXIT_USAGE;
    }
    // Wall-clock milliseconds from a monotonic clock.
    const auto start = std::chrono::steady_clock::now();

    JobTable table;
    int bad_line = 0;
    const JobsOutcome outcome = read_jobs(argv[1], table, &bad_line);
    if (outcome != JOBS_LOADED) {
        say(console, "\n\n%s\n\n", jobs_outcome_message(outcome, bad_line).c_str());
        return EXIT_FAILURE_STATUS;
    }
    say(console, "\n'%s' : %d Jobs loaded.\n", argv[1], table.n_jobs);
    const Settings settings = read_settings(SETTINGS_FILE, &out);
    const Result result =
        solve(std::vector<Job>(table.jobs, table.jobs + table.n_jobs), settings, &out);
    if (result.status == Status::memory_error) return EXIT_FAILURE_STATUS;

    if (!write_ub_file(result.objective, result.sequence, table.n_jobs)) {
        say(console, "\n\nCannot write ub.rep\n\n");
        return EXIT_FAILURE_STATUS;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    double seconds = static_cast<double>(elapsed.count()) * 0.001;
    say(console, "ZEMKO CPU Time : %f\n\n", seconds);
    out.flush();
    if (!append_out_line(result.objective, static_cast<int>(seconds))) {
        say(console, "\n\nCannot write out.txt\n\n");
        return EXIT_FAILURE_STATUS;
    }
    return 0;
}

}  // namespace zemko
