// zemko-gen: writes reproducible instances in the solver's data-file format from a seed.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/instance_generation.hpp"
#include "tools/taillard_random.hpp"
#include "tools/tool_support.hpp"

using namespace zemko_tools;
namespace fs = std::filesystem;

namespace {

constexpr const char* PROGRAM = "zemko-gen";
constexpr int MAX_COUNT = 100000;

constexpr const char* HELP_TEXT =
    "Usage: zemko-gen --seed S [options]\n"
    "\n"
    "Writes instances for zemko: one job per line, \"id p1 p2 route\", ids 1..n. The times\n"
    "are drawn with Taillard's portable generator (seed' = 16807 * seed mod (2^31 - 1),\n"
    "unif(low, high) = low + floor(seed / (2^31 - 1) * (high - low + 1))), machine by\n"
    "machine: first p1 of jobs 1..n, then p2 of jobs 1..n. With several instances, each\n"
    "one continues from the generator's state where the previous one stopped, so instance\n"
    "k of a series is found again only from the series' seed.\n"
    "\n"
    "Options:\n"
    "  -s, --seed S     seed of the generator, 1..2147483646 (required)\n"
    "  -n, --jobs N     number of jobs, 1..501 (default 20)\n"
    "  -l, --low L      smallest processing time, at least 1 (default 1)\n"
    "  -u, --high H     largest processing time (default 100)\n"
    "  -r, --route R    route written on every line: 1 machine 1 first, 2 machine 2\n"
    "                   first (default 1)\n"
    "  -c, --count K    number of instances (default 1)\n"
    "  -o, --out DIR    folder for the files, created when missing; the files are\n"
    "                   NAME_1.txt .. NAME_K.txt. Without it the single instance goes\n"
    "                   to standard output\n"
    "  -p, --name NAME  the NAME of the files (default n<N>_s<S>)\n"
    "  -f, --force      replace files that already exist (they are kept otherwise)\n"
    "  -h, --help       this text\n"
    "\n"
    "Exit status: 0 done, 1 a file cannot be written or already exists, 2 wrong options.\n";

struct GenOptions {
    InstanceShape shape;
    long long seed = 0;
    bool seed_given = false;
    int count = 1;
    std::string out_dir;
    std::string name;
    bool force = false;
};

int usage_error(const std::string& message) {
    report_error(PROGRAM, message + " (see zemko-gen --help)");
    return EXIT_USAGE;
}

// Reads the value of option `flag` into target; returns an error message or "".
std::string take_int(const std::vector<std::string>& args, size_t& i, long long low, long long high,
                     long long& target) {
    const std::string& flag = args[i];
    if (i + 1 >= args.size()) return "option " + flag + " needs a value";
    auto value = parse_integer(args[++i], low, high);
    if (!value)
        return "option " + flag + ": '" + args[i] + "' is not an integer in " +
               std::to_string(low) + ".." + std::to_string(high);
    target = *value;
    return "";
}

// Fills options from the arguments; returns an error message or "".
std::string parse_options(const std::vector<std::string>& args, GenOptions& options, bool& help) {
    constexpr long long INT_LIMIT = 2147483647;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        long long value = 0;
        std::string error;
        if (a == "-h" || a == "--help") {
            help = true;
        } else if (a == "-f" || a == "--force") {
            options.force = true;
        } else if (a == "-s" || a == "--seed") {
            error = take_int(args, i, MIN_SEED, MAX_SEED, options.seed);
            options.seed_given = true;
        } else if (a == "-n" || a == "--jobs") {
            if ((error = take_int(args, i, -INT_LIMIT, INT_LIMIT, value)).empty())
                options.shape.n_jobs = static_cast<int>(value);
        } else if (a == "-l" || a == "--low") {
            if ((error = take_int(args, i, -INT_LIMIT, INT_LIMIT, value)).empty())
                options.shape.low = static_cast<int>(value);
        } else if (a == "-u" || a == "--high") {
            if ((error = take_int(args, i, -INT_LIMIT, INT_LIMIT, value)).empty())
                options.shape.high = static_cast<int>(value);
        } else if (a == "-r" || a == "--route") {
            if ((error = take_int(args, i, -INT_LIMIT, INT_LIMIT, value)).empty())
                options.shape.route = static_cast<int>(value);
        } else if (a == "-c" || a == "--count") {
            if ((error = take_int(args, i, 1, MAX_COUNT, value)).empty())
                options.count = static_cast<int>(value);
        } else if (a == "-o" || a == "--out" || a == "-p" || a == "--name") {
            if (i + 1 >= args.size()) return "option " + a + " needs a value";
            std::string& target = (a == "-o" || a == "--out") ? options.out_dir : options.name;
            target = args[++i];
            if (target.empty()) return "option " + a + " needs a non-empty value";
        } else {
            return "unknown argument '" + a + "'";
        }
        if (!error.empty()) return error;
    }
    return "";
}

std::string check_options(const GenOptions& options) {
    if (!options.seed_given) return "a seed is required (--seed S)";
    if (std::string problem = shape_problem(options.shape); !problem.empty()) return problem;
    if (options.out_dir.empty() && options.count > 1)
        return "several instances need an output folder (--out DIR)";
    if (options.out_dir.empty() && !options.name.empty())
        return "--name needs an output folder (--out DIR)";
    if (options.name.find('/') != std::string::npos) return "--name must not contain '/'";
    return "";
}

int write_series(const GenOptions& options) {
    std::string name = options.name;
    if (name.empty()) {
        name = "n";
        name += std::to_string(options.shape.n_jobs) + "_s" + std::to_string(options.seed);
    }
    std::error_code error;
    fs::create_directories(options.out_dir, error);
    if (error || !fs::is_directory(options.out_dir)) {
        report_error(PROGRAM, "cannot create the folder '" + options.out_dir + "'");
        return EXIT_BAD_INPUT;
    }
    std::vector<std::string> paths;
    for (int k = 1; k <= options.count; ++k)
        paths.push_back((fs::path(options.out_dir) / (name + "_" + std::to_string(k) + ".txt")));
    // Nothing is written when any file would replace one the user has.
    if (!options.force) {
        for (const std::string& path : paths) {
            if (fs::exists(fs::symlink_status(path))) {
                report_error(PROGRAM, "'" + path + "' already exists (--force replaces it)");
                return EXIT_BAD_INPUT;
            }
        }
    }
    std::int32_t seed = static_cast<std::int32_t>(options.seed);
    for (const std::string& path : paths) {
        std::string text = generate_instance(options.shape, seed);
        if (std::string problem = write_file_atomically(path, text); !problem.empty()) {
            report_error(PROGRAM, "cannot write '" + path + "': " + problem);
            return EXIT_BAD_INPUT;
        }
    }
    return EXIT_OK;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    GenOptions options;
    bool help = false;
    std::string problem = parse_options(args, options, help);
    if (help && problem.empty()) {
        std::fputs(HELP_TEXT, stdout);
        return EXIT_OK;
    }
    if (problem.empty()) problem = check_options(options);
    if (!problem.empty()) return usage_error(problem);

    if (!options.out_dir.empty()) return write_series(options);
    std::int32_t seed = static_cast<std::int32_t>(options.seed);
    std::string text = generate_instance(options.shape, seed);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        report_error(PROGRAM, "cannot write to standard output");
        return EXIT_BAD_INPUT;
    }
    return EXIT_OK;
}
