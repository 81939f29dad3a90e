// zemko-convert: writes a benchmark file of the literature's layouts as the solver's data file.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "input/benchmark_layout.hpp"
#include "tools/tool_support.hpp"

using namespace zemko_tools;
namespace fs = std::filesystem;

namespace {

constexpr const char* PROGRAM = "zemko-convert";
constexpr const char* STANDARD_INPUT = "-";

constexpr const char* HELP_TEXT =
    "Usage: zemko-convert [options] FILE\n"
    "\n"
    "Writes a two-machine benchmark file as zemko's data file: one job per line,\n"
    "\"number p1 p2 1\", numbers 1..n. FILE (\"-\" for standard input) starts with a\n"
    "header \"n m\" or \"n m seed upper_bound lower_bound\" (m must be 2; n at most 501;\n"
    "the seed and the bounds are not used), followed by the 2n times, in one of two layouts:\n"
    "  matrix  machine by machine: the n times of machine 1, then the n of machine 2\n"
    "          (a machine's times may wrap over several lines)\n"
    "  rows    job by job: \"p1 p2\" of job 1, then of job 2, ...\n"
    "With --layout auto (the default) n lines of two times are rows and anything else is a\n"
    "matrix; two jobs on two lines fit both and are read as a matrix, with a note on\n"
    "standard error, as is a file whose lines do not end after machine 1's times.\n"
    "Every time must fit a signed 32-bit integer, no job may have both times 0 (the\n"
    "solver skips such a line), and the times must be within what the solver accepts.\n"
    "\n"
    "Options:\n"
    "  -l, --layout L   auto, matrix or rows (default auto)\n"
    "  -o, --out FILE   the data file (default: standard output); it is written whole\n"
    "                   or not at all, and an existing file is kept unless -f\n"
    "  -f, --force      replace FILE of --out when it exists\n"
    "  -h, --help       this text\n"
    "\n"
    "Exit status: 0 written, 1 the file cannot be read, is refused (the message names\n"
    "its line) or the output cannot be written, 2 wrong options.\n";

struct ConvertOptions {
    std::string input;
    std::string out;
    zemko::BenchmarkLayout layout = zemko::BenchmarkLayout::automatic;
    bool force = false;
};

std::string parse_options(const std::vector<std::string>& args, ConvertOptions& options,
                          bool& help) {
    bool have_input = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            help = true;
        } else if (a == "-f" || a == "--force") {
            options.force = true;
        } else if (a == "-o" || a == "--out" || a == "-l" || a == "--layout") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return "option " + a + " needs a value";
            const std::string& value = args[++i];
            if (a == "-o" || a == "--out") {
                options.out = value;
            } else if (value == "auto" || value == "matrix" || value == "rows") {
                options.layout = value == "auto"     ? zemko::BenchmarkLayout::automatic
                                 : value == "matrix" ? zemko::BenchmarkLayout::matrix
                                                     : zemko::BenchmarkLayout::rows;
            } else {
                return "option " + a + ": '" + value + "' is not auto, matrix or rows";
            }
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option '" + a + "'";
        } else if (have_input) {
            return "one input file only ('" + options.input + "' and '" + a + "')";
        } else {
            options.input = a;
            have_input = true;
        }
    }
    if (!have_input && !help) return "no input file given";
    return "";
}

std::string data_file_text(const std::vector<zemko::Job>& jobs) {
    std::string text;
    for (const zemko::Job& job : jobs)
        text += std::to_string(job.number) + " " + std::to_string(job.p1) + " " +
                std::to_string(job.p2) + " " + std::to_string(job.route) + "\n";
    return text;
}

int input_error(const std::string& message) {
    report_error(PROGRAM, message);
    return EXIT_BAD_INPUT;
}

}  // namespace

int main(int argc, char** argv) {
    ConvertOptions options;
    bool help = false;
    const std::string problem = parse_options({argv + 1, argv + argc}, options, help);
    if (help && problem.empty()) {
        std::fputs(HELP_TEXT, stdout);
        return EXIT_OK;
    }
    if (!problem.empty()) {
        report_error(PROGRAM, problem + " (see zemko-convert --help)");
        return EXIT_USAGE;
    }

    std::optional<std::string> text;
    if (options.input == STANDARD_INPUT) {
        text = std::string(std::istreambuf_iterator<char>(std::cin), {});
        if (std::cin.bad()) text.reset();
    } else {
        text = read_file(options.input);
    }
    if (!text) return input_error("cannot read '" + options.input + "'");
    const zemko::BenchmarkRead read = zemko::read_benchmark_layout(*text, options.layout);
    if (!read.error.empty()) return input_error("'" + options.input + "', " + read.error);
    if (!read.note.empty()) report_error(PROGRAM, "note: '" + options.input + "', " + read.note);

    const std::string data = data_file_text(read.jobs);
    if (options.out.empty()) {
        if (std::fwrite(data.data(), 1, data.size(), stdout) != data.size() ||
            std::fflush(stdout) != 0)
            return input_error("cannot write to standard output");
        return EXIT_OK;
    }
    std::error_code error;
    if (!options.force && fs::exists(fs::symlink_status(options.out, error)))
        return input_error("'" + options.out + "' already exists (--force replaces it)");
    if (std::string bad = write_file_atomically(options.out, data); !bad.empty())
        return input_error("cannot write '" + options.out + "': " + bad);
    return EXIT_OK;
}
