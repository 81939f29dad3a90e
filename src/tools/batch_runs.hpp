// Running the solver over many data files, several processes at a time, each in a fresh
// folder of its own (the solver writes ub.rep and out.txt to its current folder, so two runs
// must never share one), with the settings file copied in as ZEMKO.INI. Every run's console
// output is kept in its folder as console.txt.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zemko_tools {

inline constexpr const char* CONSOLE_FILE = "console.txt";
inline constexpr const char* SETTINGS_FILE_NAME = "ZEMKO.INI";
// Exit status recorded for a run ended by signal s: 128 + s, as shells report it.
inline constexpr int SIGNAL_STATUS_BASE = 128;
// Exit status recorded for a run whose process could not be started.
inline constexpr int NOT_STARTED_STATUS = -1;

struct BatchPlan {
    std::string solver;                 // absolute path of the zemko executable
    std::string settings_text;          // content of ZEMKO.INI
    bool has_settings = false;          // false: no ZEMKO.INI, the solver's defaults
    std::vector<std::string> inputs;    // data files, absolute paths
    std::vector<std::string> run_dirs;  // one new folder per input, created by run_batch
    int parallel = 1;                   // most runs at a time
};

struct RunOutcome {
    double seconds = 0;       // wall time from start to end of the process
    long peak_memory_kb = 0;  // largest resident set of the process (ru_maxrss)
    int exit_status = NOT_STARTED_STATUS;
};

// Called after each run ends, with the index of the run and how many have ended.
using RunFinished = std::function<void(size_t index, size_t finished, const RunOutcome&)>;

// Creates every run folder (each must not exist yet) and then runs them all, at most
// plan.parallel at a time. Returns "" and fills outcomes (one per input, in input order), or
// an error description when a folder cannot be prepared (then nothing has run).
std::string run_batch(const BatchPlan& plan, const RunFinished& on_finished,
                      std::vector<RunOutcome>& outcomes);

}  // namespace zemko_tools
