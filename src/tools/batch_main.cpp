// zemko-batch: runs the solver over many data files with one settings file and writes a CSV
// table of the results and a summary per number of jobs.
#include <unistd.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "input/settings.hpp"
#include "tools/batch_json.hpp"
#include "tools/batch_report.hpp"
#include "tools/batch_runs.hpp"
#include "tools/convergence_plot.hpp"
#include "tools/solver_transcript.hpp"
#include "tools/tool_support.hpp"

using namespace zemko_tools;
namespace fs = std::filesystem;

namespace {

constexpr const char* PROGRAM = "zemko-batch";
constexpr const char* SOLVER_NAME = "zemko";
constexpr const char* RESULTS_FILE = "results.csv";
constexpr const char* JSON_FILE = "results.jsonl";
constexpr const char* JSON_EXTENSION = ".jsonl";
constexpr const char* UB_REP_FILE = "ub.rep";
constexpr const char* DEFAULT_SETTINGS_LABEL = "default";
constexpr const char* WORK_DIR_PATTERN = "zemko-batch-XXXXXX";
// Status when every run was made but some ended with a nonzero status or a signal.
constexpr int EXIT_SOME_RUNS_FAILED = 3;
constexpr int MAX_PARALLEL = 1024;

constexpr const char* HELP_TEXT =
    "Usage: zemko-batch [options] DATA_FILE...\n"
    "\n"
    "Runs zemko once per data file, each run in a new folder of its own with the settings\n"
    "file copied in as ZEMKO.INI, several runs at a time. Every run folder keeps the\n"
    "run's ub.rep, out.txt and console output (console.txt). Writes a CSV table with one\n"
    "row per run (instance, n, settings, root_lb, root_ub, fo, level_found,\n"
    "bounds_computed, seconds, peak_memory_kb, exit_status, best_known, gap_to_lb_pct,\n"
    "gap_to_best_pct, beam_fo, improvement_steps, improvements, certified_lb,\n"
    "gap_to_certified_lb_pct, optimal), the same runs as JSON lines (results.jsonl\n"
    "beside it, or <stem>.jsonl beside the CSV of -o; with the status in a word and\n"
    "the sequence as the data file's job numbers), and prints a summary per number of\n"
    "jobs: the runs, those proven optimal, the mean and the largest gap to the\n"
    "certificate's lower bound, the mean gap to the best known (with --best), the times'\n"
    "geometric mean shifted by 1 s and their largest. fo is the run's answer: the\n"
    "improvement phase's when it had one (TimeLimit or StepLimit), else the beam search's\n"
    "(beam_fo); improvements is its trace, \"seconds/step:objective\" per better sequence.\n"
    "Seconds are wall time measured around each run; a run ended by signal s gets exit\n"
    "status 128 + s.\n"
    "\n"
    "Options:\n"
    "  -s, --settings FILE  settings for every run (default: none, the solver's defaults)\n"
    "      --set KEY=VALUE  adds the line \"KEY = VALUE\" to every run's ZEMKO.INI, after\n"
    "                       the file of --settings, so that it wins; repeatable\n"
    "  -j, --parallel K     runs at a time (default: the number of cores)\n"
    "  -w, --work DIR       folder for the run folders, new or empty (default: a new\n"
    "                       zemko-batch-XXXXXX in the current folder)\n"
    "  -o, --csv FILE       the CSV table (default: results.csv in the work folder)\n"
    "  -b, --best FILE      best-known objectives, lines \"NAME VALUE\", NAME being the data\n"
    "                       file as given, its file name, or its file name without extension\n"
    "  -l, --list FILE      more data files, one per line\n"
    "      --plot FILE.svg  the convergence plot: the mean gap over time per number of\n"
    "                       jobs, on a logarithmic time axis (to the best-known objectives\n"
    "                       with --best, else to the root's lower bound); runs with a\n"
    "                       TimeLimit show their improvement phase\n"
    "      --solver PATH    the solver (default: zemko beside zemko-batch, else on PATH)\n"
    "  -h, --help           this text\n"
    "\n"
    "Exit status: 0 every run ended with status 0; 3 some run did not (the table is\n"
    "written all the same); 1 a file cannot be read or written; 2 wrong options.\n";

struct BatchOptions {
    std::vector<std::string> data_files;
    std::string settings;
    std::string work_dir;
    std::string csv;
    std::string best;
    std::string solver;
    std::string plot;
    std::vector<std::string> sets;  // KEY=VALUE of --set, in order
    int parallel = 0;               // 0: one per core
};

// Why a --set argument is not KEY=VALUE with a key of the settings file, or "". Blanks and
// line ends are refused in both, as they would make the line another than asked for.
std::string setting_problem(const std::string& argument) {
    const std::string quoted = "--set '" + argument + "': ";
    const size_t equals = argument.find('=');
    if (equals == std::string::npos) return quoted + "expected KEY=VALUE";
    const std::string key = argument.substr(0, equals);
    const std::string value = argument.substr(equals + 1);
    auto has_blank = [](const std::string& text) {
        for (char c : text)
            if (c == ' ' || static_cast<unsigned char>(c) < 0x20) return true;
        return false;
    };
    if (key.empty()) return quoted + "the key is empty";
    if (has_blank(key)) return quoted + "the key holds a blank";
    if (value.empty()) return quoted + "the value is empty";
    if (has_blank(value)) return quoted + "the value holds a blank";
    // The solver's own rule for the keys.
    const zemko::SettingRow* row = zemko::find_setting_row(key);
    if (row == nullptr)
        return quoted + "'" + key + "' is no key of the settings file (docs/usage.md lists them)";
    if (!row->field.whole && !row->field.decimal)
        return quoted + "'" + key + "' starts a comment, not a setting";
    return "";
}

std::string parse_options(const std::vector<std::string>& args, BatchOptions& options, bool& help) {
    std::vector<std::string> list_files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            help = true;
            continue;
        }
        if (a.size() > 1 && a[0] == '-') {
            std::map<std::string, std::string*> targets = {
                {"-s", &options.settings},     {"--settings", &options.settings},
                {"-w", &options.work_dir},     {"--work", &options.work_dir},
                {"-o", &options.csv},          {"--csv", &options.csv},
                {"-b", &options.best},         {"--best", &options.best},
                {"--solver", &options.solver}, {"--plot", &options.plot}};
            bool is_parallel = a == "-j" || a == "--parallel";
            bool is_list = a == "-l" || a == "--list";
            bool is_set = a == "--set";
            if (!targets.count(a) && !is_parallel && !is_list && !is_set)
                return "unknown option '" + a + "'";
            if (i + 1 >= args.size() || args[i + 1].empty())
                return "option " + a + " needs a value";
            const std::string& value = args[++i];
            if (is_parallel) {
                auto k = parse_integer(value, 1, MAX_PARALLEL);
                if (!k) return "option " + a + ": '" + value + "' is not an integer in 1..1024";
                options.parallel = static_cast<int>(*k);
            } else if (is_list) {
                list_files.push_back(value);
            } else if (is_set) {
                if (std::string bad = setting_problem(value); !bad.empty()) return bad;
                options.sets.push_back(value);
            } else {
                *targets[a] = value;
            }
            continue;
        }
        options.data_files.push_back(a);
    }
    for (const std::string& list : list_files) {
        auto text = read_file(list);
        if (!text) return "cannot read the list '" + list + "'";
        std::istringstream in(*text);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) options.data_files.push_back(line);
        }
    }
    if (options.data_files.empty() && !help) return "no data file given";
    if (fs::path(options.csv).extension() == JSON_EXTENSION)
        return "the CSV of -o cannot end in .jsonl: that is the name of the JSON lines beside it";
    return "";
}

bool is_executable_file(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

// The solver's absolute path: as named (searched on PATH when the name has no '/'), or by
// default the zemko beside this program, else on PATH. Empty when none is found.
std::string find_solver(const std::string& named) {
    std::error_code error;
    if (named.find('/') != std::string::npos)
        return is_executable_file(named) ? fs::absolute(named, error).string() : "";
    if (named.empty()) {
        fs::path self = fs::read_symlink("/proc/self/exe", error);
        if (!error && is_executable_file(self.parent_path() / SOLVER_NAME))
            return (self.parent_path() / SOLVER_NAME).string();
    }
    const char* path_variable = std::getenv("PATH");
    std::istringstream dirs(path_variable ? path_variable : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        fs::path candidate =
            fs::path(dir.empty() ? "." : dir) / (named.empty() ? SOLVER_NAME : named);
        if (is_executable_file(candidate)) return fs::absolute(candidate, error).string();
    }
    return "";
}

// Creates the work folder (or checks that the named one is empty); returns "" or an error.
std::string make_work_dir(std::string& work_dir) {
    std::error_code error;
    if (work_dir.empty()) {
        std::string pattern = WORK_DIR_PATTERN;
        if (!::mkdtemp(pattern.data())) return "cannot create a work folder here";
        work_dir = pattern;
        return "";
    }
    if (fs::exists(work_dir, error)) {
        if (!fs::is_directory(work_dir, error)) return "'" + work_dir + "' is not a folder";
        if (!fs::is_empty(work_dir, error))
            return "the work folder '" + work_dir + "' is not empty: runs need fresh folders";
        return "";
    }
    if (!fs::create_directories(work_dir, error))
        return "cannot create the work folder '" + work_dir + "'";
    return "";
}

// Run folder names: a zero-padded run number, then the data file's name.
std::vector<std::string> run_dir_names(const std::string& work_dir,
                                       const std::vector<std::string>& files) {
    int width = static_cast<int>(std::to_string(files.size()).size());
    std::vector<std::string> dirs;
    for (size_t i = 0; i < files.size(); ++i) {
        char number[32];
        std::snprintf(number, sizeof number, "%0*zu", width, i + 1);
        dirs.push_back(work_dir + "/" + number + "_" + fs::path(files[i]).filename().string());
    }
    return dirs;
}

int input_error(const std::string& message) {
    report_error(PROGRAM, message);
    return EXIT_BAD_INPUT;
}

// The ZEMKO.INI of every run: the file of --settings, then a line per --set, which the solver
// reads last, so that it wins over the file's line of the same setting.
std::string settings_text(const std::string& file_text, const std::vector<std::string>& sets) {
    std::string text = file_text;
    if (!text.empty() && text.back() != '\n') text += '\n';
    for (const std::string& set : sets) {
        const size_t equals = set.find('=');
        text += set.substr(0, equals) + " = " + set.substr(equals + 1) + "\n";
    }
    return text;
}

// The settings column: the file of --settings and each --set, or "default" with neither.
std::string settings_label(const BatchOptions& options) {
    std::string label = options.settings;
    for (const std::string& set : options.sets)
        label += (label.empty() ? "" : " ") + set;
    return label.empty() ? DEFAULT_SETTINGS_LABEL : label;
}

// The JSON lines go beside the CSV of -o as <stem>.jsonl, else into the work folder; a CSV
// that is no plain file (-o /dev/stdout) has no folder to share, so they go to the work folder.
std::string json_path(const BatchOptions& options) {
    std::error_code error;
    const bool beside_csv = !options.csv.empty() && (!fs::exists(options.csv, error) ||
                                                     fs::is_regular_file(options.csv, error));
    if (!beside_csv) return options.work_dir + "/" + JSON_FILE;
    return fs::path(options.csv).replace_extension(JSON_EXTENSION).string();
}

// Everything a batch needs, checked before the first run starts; "" or why it cannot start.
std::string prepare_batch(BatchOptions& options, BatchPlan& plan,
                          std::map<std::string, long long>& best) {
    plan.solver = find_solver(options.solver);
    if (plan.solver.empty())
        return "cannot find the solver '" +
               (options.solver.empty() ? std::string(SOLVER_NAME) : options.solver) +
               "' (--solver PATH names it)";
    std::error_code error;
    for (const std::string& file : options.data_files) {
        if (!read_file(file)) return "cannot read the data file '" + file + "'";
        plan.inputs.push_back(fs::absolute(file, error).string());
    }
    std::string file_text;
    if (!options.settings.empty()) {
        auto text = read_file(options.settings);
        if (!text) return "cannot read the settings file '" + options.settings + "'";
        file_text = *text;
    }
    plan.has_settings = !options.settings.empty() || !options.sets.empty();
    plan.settings_text = settings_text(file_text, options.sets);
    if (!options.best.empty()) {
        auto text = read_file(options.best);
        if (!text) return "cannot read the best-known file '" + options.best + "'";
        if (std::string bad = parse_best_known(*text, best); !bad.empty())
            return "'" + options.best + "', " + bad;
    }
    if (std::string bad = make_work_dir(options.work_dir); !bad.empty()) return bad;
    plan.run_dirs = run_dir_names(options.work_dir, options.data_files);
    long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
    plan.parallel =
        options.parallel > 0 ? options.parallel : static_cast<int>(cores > 0 ? cores : 1);
    return "";
}

// The CSV table, the JSON lines and the plot; "" or the first that cannot be written.
std::string write_results(const BatchOptions& options, const std::vector<BatchRow>& rows,
                          bool with_best_known, const std::string& csv_path) {
    if (std::string bad = write_file_atomically(csv_path, csv_table(rows)); !bad.empty())
        return "cannot write '" + csv_path + "': " + bad;
    const std::string json = json_path(options);
    if (std::string bad = write_file_atomically(json, json_lines(rows)); !bad.empty())
        return "cannot write '" + json + "': " + bad;
    if (options.plot.empty()) return "";
    const std::string svg =
        convergence_svg(convergence_series(rows, with_best_known), with_best_known);
    if (std::string bad = write_file_atomically(options.plot, svg); !bad.empty())
        return "cannot write '" + options.plot + "': " + bad;
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    BatchOptions options;
    bool help = false;
    std::string problem = parse_options({argv + 1, argv + argc}, options, help);
    if (help && problem.empty()) {
        std::fputs(HELP_TEXT, stdout);
        return EXIT_OK;
    }
    if (!problem.empty()) {
        report_error(PROGRAM, problem + " (see zemko-batch --help)");
        return EXIT_USAGE;
    }
    BatchPlan plan;
    std::map<std::string, long long> best;
    if (std::string bad = prepare_batch(options, plan, best); !bad.empty()) return input_error(bad);

    std::vector<BatchRow> rows(options.data_files.size());
    const bool on_terminal = ::isatty(STDERR_FILENO);
    auto on_finished = [&](size_t index, size_t finished, const RunOutcome& outcome) {
        BatchRow& row = rows[index];
        const std::string& run_dir = plan.run_dirs[index];
        row.instance = options.data_files[index];
        row.settings = settings_label(options);
        row.outcome = outcome;
        row.transcript = parse_transcript(read_file(run_dir + "/" + CONSOLE_FILE).value_or(""));
        row.best_known = find_best_known(best, row.instance);
        if (auto ub_rep = read_file(run_dir + "/" + UB_REP_FILE))
            row.sequence = ub_rep_job_numbers(plan.inputs[index], *ub_rep);
        const auto answer = row.transcript.answer();
        std::string fo = answer ? std::to_string(*answer) : "none";
        // On a terminal one line is rewritten in place; in a log every run gets its line.
        std::fprintf(stderr, "%s[%zu/%zu] %s: FO %s, %.3f s, status %d%s",
                     on_terminal ? "\r\033[K" : "", finished, rows.size(), row.instance.c_str(),
                     fo.c_str(), outcome.seconds, outcome.exit_status, on_terminal ? "" : "\n");
        std::fflush(stderr);
    };
    std::vector<RunOutcome> outcomes;
    if (std::string bad = run_batch(plan, on_finished, outcomes); !bad.empty())
        return input_error(bad);
    if (on_terminal) std::fputs("\n", stderr);

    const std::string csv_path =
        options.csv.empty() ? options.work_dir + "/" + RESULTS_FILE : options.csv;
    if (std::string bad = write_results(options, rows, !best.empty(), csv_path); !bad.empty())
        return input_error(bad);
    std::fputs(summary_table(rows, !best.empty()).c_str(), stdout);
    std::printf("\nResults: %s and %s\nRun folders: %s\n", csv_path.c_str(),
                json_path(options).c_str(), options.work_dir.c_str());
    if (!options.plot.empty()) std::printf("Convergence plot: %s\n", options.plot.c_str());

    for (const RunOutcome& outcome : outcomes)
        if (outcome.exit_status != 0) return EXIT_SOME_RUNS_FAILED;
    return EXIT_OK;
}
