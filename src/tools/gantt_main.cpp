// zemko-gantt: draws the schedule of a ub.rep on its data file as an SVG Gantt chart.
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "input/jobs.hpp"
#include "tools/gantt_schedule.hpp"
#include "tools/gantt_svg.hpp"
#include "tools/tool_support.hpp"

using namespace zemko_tools;

namespace {

constexpr const char* PROGRAM = "zemko-gantt";

constexpr const char* HELP_TEXT =
    "Usage: zemko-gantt [-o CHART.svg] DATA_FILE UB_REP\n"
    "\n"
    "Draws the sequence of UB_REP (the solver's ub.rep: the objective, then the 0-based\n"
    "indices of the data file's jobs) as an SVG Gantt chart: one row per machine, one bar\n"
    "per job labelled with its number, the idle time of the second machine hatched, a time\n"
    "axis, and the objective in the title. When every job takes route 2 the solver visits\n"
    "machine 2 first, and so does the chart's top row. The data file is read as the solver\n"
    "reads it.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE  write the chart to FILE (default: standard output)\n"
    "  -h, --help         this text\n"
    "\n"
    "Exit status: 0 done; 1 a file cannot be read or written, the data file is refused,\n"
    "or UB_REP is not a permutation of its jobs or does not match them; 2 wrong arguments.\n";

int refuse(const std::string& message) {
    report_error(PROGRAM, message);
    return EXIT_BAD_INPUT;
}

// Loads the data file into the job table as the solver would; returns "" or why it is refused.
std::string load_data_file(const std::string& path, zemko::JobTable& table) {
    auto text = read_file(path);
    if (!text) return "cannot read the data file '" + path + "'";
    std::istringstream in(*text);
    int bad_line = 0;
    switch (zemko::load_jobs(in, table, &bad_line)) {
        case zemko::JOBS_TOO_MANY:
            return "'" + path + "' has more than " + std::to_string(zemko::MAX_JOBS) + " jobs";
        case zemko::JOBS_NUMBER_TOO_LARGE:
            return "'" + path + "' line " + std::to_string(bad_line) +
                   ": a number does not fit 32 bits";
        case zemko::JOBS_TIMES_TOO_LARGE:
            return "'" + path + "': processing times too large for the solver";
        default:
            break;
    }
    if (table.n_jobs == 0) return "'" + path + "' holds no job";
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            std::fputs(HELP_TEXT, stdout);
            return EXIT_OK;
        }
        if (a == "-o" || a == "--output") {
            if (i + 1 >= argc || !*argv[i + 1]) {
                report_error(PROGRAM, "option " + a + " needs a file name");
                return EXIT_USAGE;
            }
            output = argv[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            report_error(PROGRAM, "unknown option '" + a + "' (see zemko-gantt --help)");
            return EXIT_USAGE;
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) {
        report_error(PROGRAM, "expected a data file and a ub.rep (see zemko-gantt --help)");
        return EXIT_USAGE;
    }

    zemko::JobTable table;
    if (std::string problem = load_data_file(files[0], table); !problem.empty())
        return refuse(problem);
    if (std::string problem = job_table_problem(table); !problem.empty())
        return refuse("'" + files[0] + "': " + problem);
    auto ub_text = read_file(files[1]);
    if (!ub_text) return refuse("cannot read '" + files[1] + "'");
    long long objective = 0;
    std::vector<int> sequence;
    if (std::string problem = parse_ub_rep(*ub_text, table.n_jobs, objective, sequence);
        !problem.empty())
        return refuse("'" + files[1] + "' does not fit '" + files[0] + "': " + problem);
    Schedule schedule = build_schedule(table, sequence);
    if (schedule.objective != objective)
        return refuse("'" + files[1] + "' gives the objective " + std::to_string(objective) +
                      " but its sequence has " + std::to_string(schedule.objective) + " on '" +
                      files[0] + "': are they from the same instance?");

    std::string name = std::filesystem::path(files[0]).filename().string();
    std::string svg = gantt_svg(schedule, name);
    if (output.empty()) {
        if (std::fwrite(svg.data(), 1, svg.size(), stdout) != svg.size() || std::fflush(stdout))
            return refuse("cannot write to standard output");
        return EXIT_OK;
    }
    if (std::string problem = write_file_atomically(output, svg); !problem.empty())
        return refuse("cannot write '" + output + "': " + problem);
    return EXIT_OK;
}
