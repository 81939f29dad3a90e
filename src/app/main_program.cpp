// The console program: banner, usage, timing, the run through the library, and the result
// files.
#include "app/main_program.hpp"

#include <unistd.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include <zemko/zemko.hpp>

#include "app/interrupt.hpp"
#include "app/result_files.hpp"
#include "app/status_line.hpp"
#include "input/benchmark_layout.hpp"
#include "input/jobs.hpp"
#include "input/settings.hpp"
#include "util/transcript.hpp"

namespace zemko {

namespace {

constexpr int EXIT_USAGE = 2;
constexpr int EXIT_FAILURE_STATUS = 1;
constexpr int EXIT_INTERRUPTED = 130;  // as a shell reports a process ended by Ctrl-C

// The start of a data file that is enough to tell a benchmark layout.
constexpr size_t BENCHMARK_SNIFF_BYTES = size_t{1} << 20;

constexpr const char* HELP_TEXT =
    "usage: zemko DATA_FILE\n"
    "       zemko --help | --version\n"
    "\n"
    "Solves the two-machine flow shop with the total completion time objective for the jobs\n"
    "of DATA_FILE (one job a line: number, time on machine 1, time on machine 2, route).\n"
    "Reads the settings file ZEMKO.INI of the current folder when there is one (lines\n"
    "\"key = value\": Beam, TimeLimit, StepLimit, Threads, ...), prints its transcript, and\n"
    "writes ub.rep (the best sequence) and a line of out.txt there.\n"
    "Ctrl-C stops a run as a time limit would; a second Ctrl-C kills it.\n"
    "Exit status: 0 done, 1 a file refused or memory ran out, 2 wrong arguments,\n"
    "130 interrupted. The documentation is in docs/usage.md.\n";

// The solve of the console: its text on standard output, the status line on standard error when
// that is a terminal, Ctrl-C ending it cleanly. When standard output is the same terminal, its
// text is held back until the solve is over, so that the status line does not cut into it.
Result solve_on_console(const std::vector<Job>& jobs, const Settings& settings, std::ostream& out,
                        std::atomic<bool>& stop) {
    StatusLine line = status_line_for_terminal();
    const bool hold = line.enabled && ::isatty(STDOUT_FILENO) == 1;
    std::ostringstream held;
    Control control;
    control.transcript = hold ? static_cast<std::ostream*>(&held) : &out;
    control.stop = &stop;
    if (line.enabled)
        control.progress = [&line, &out, hold](const Progress& progress) {
            if (!hold) out.flush();
            update_status_line(line, progress);
        };
    out.flush();  // what was printed before shows above the status line
    Result result;
    {
        InterruptWatch watch(stop);
        result = solve(jobs, settings, control);
    }
    wipe_status_line(line);
    if (hold) out << held.str();
    return result;
}

// A data file in one of the field's benchmark layouts is read as zemko's own layout, which
// gives other jobs than the file means: standard error says so, and names the converter.
void warn_of_benchmark_layout(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::string text(BENCHMARK_SNIFF_BYTES, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    const std::string layout = looks_like_benchmark_layout(text);
    if (layout.empty()) return;
    std::cerr << "Warning: " << path << " looks like " << layout
              << ", not zemko's data file (one job a line: number p1 p2 route). zemko-convert "
                 "writes the benchmark layouts (a first line \"n m\", then the times) as one: "
                 "zemko-convert -o jobs.txt "
              << path << "\n";
}

}  // namespace

int main_program(int argc, char** argv) {
    std::ostream& out = std::cout;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        out << HELP_TEXT;
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        out << "zemko " << VERSION << "\n";
        return 0;
    }
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
    warn_of_benchmark_layout(argv[1]);
    if (outcome != JOBS_LOADED) {
        say(console, "\n\n%s\n\n", jobs_outcome_message(outcome, bad_line).c_str());
        return EXIT_FAILURE_STATUS;
    }
    say(console, "\n'%s' : %d Jobs loaded.\n", argv[1], table.n_jobs);
    const Settings settings = read_settings(SETTINGS_FILE, &out, &std::cerr);
    std::atomic<bool> stop{false};
    const Result result = solve_on_console(std::vector<Job>(table.jobs, table.jobs + table.n_jobs),
                                           settings, out, stop);
    if (result.status == Status::memory_error) return EXIT_FAILURE_STATUS;
    const bool interrupted = result.status == Status::interrupted;
    if (interrupted && result.sequence.empty()) {
        say(console, "\n\nInterrupted: no result file written\n\n");
        return EXIT_INTERRUPTED;
    }
    // An interrupted run keeps its answer: the best sequence found so far, as a time limit
    // would have left it.
    if (interrupted)
        say(console, "\n\nInterrupted: ub.rep holds the best sequence found so far\n\n");

    if (!write_ub_file(result.objective, result.sequence, table.n_jobs)) {
        say(console, "\n\nCannot write ub.rep\n\n");
        return EXIT_FAILURE_STATUS;
    }
    if (settings.proof_summary != 0 && !result.proof_summary.empty() &&
        !write_proof_file(result.proof_summary)) {
        say(console, "\n\nCannot write proof.txt\n\n");
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
    return interrupted ? EXIT_INTERRUPTED : 0;
}

}  // namespace zemko
