// zemko: a solver for the two-machine flow shop with the total completion time objective.
// This header is the library's whole public interface; it needs only the standard library.
//
//     std::vector<zemko::Job> jobs = zemko::read_jobs_file("instance.txt");
//     zemko::Settings settings;              // every setting at its default
//     settings.beam = 100;
//     zemko::Result result = zemko::solve(jobs, settings);
//     // result.objective, result.sequence (0-based job indices) ...
//
// Every call works on its own data: several solves may run at once on different threads, and
// each gives exactly what it gives alone.
#pragma once

#include <atomic>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace zemko {

// The version of the library, the console and the Python module.
inline constexpr const char* VERSION = "1.0.0";

// The most jobs an instance may have.
inline constexpr int MAX_JOBS = 501;

// The objective of a result that holds no sequence: no job, a refused instance, or a search
// that found none.
inline constexpr long long NO_SOLUTION = 2147483647;

// The public types below are each made from one table, which the Python module binds from as
// well: a row per field (its type, name, default and meaning) or per value (its name and
// meaning).

// One job: its number (only printed), its processing times on the two machines and its route
// (1: machine 1 then machine 2; 2: machine 2 then machine 1; any other value counts as 1).
#define ZEMKO_JOB_FIELDS(FIELD)                                         \
    FIELD(int, number, 0, "its number in the data file (only printed)") \
    FIELD(int, p1, 0, "processing time on machine 1")                   \
    FIELD(int, p2, 0, "processing time on machine 2")                   \
    FIELD(int, route, 0, "1: machine 1 first; 2: machine 2 first")

#define ZEMKO_DECLARE_FIELD(type, name, default_value, description) type name = default_value;

struct Job {
    ZEMKO_JOB_FIELDS(ZEMKO_DECLARE_FIELD)
};

// What a setting's value is: a switch (0 off, any other value on), a whole number, a count
// (a whole number of at least 0), or seconds (a decimal number of at least 0).
enum class SettingKind { flag, number, count, seconds };

// How a settings-file key finds its row: a key matches a `prefix` row when it begins with the
// row's key (`BeamWidth` sets Beam), an `exact` row only when it is the row's key.
enum class SettingMatch { prefix, exact };

// The C++ type of a setting of each kind.
using setting_flag = int;
using setting_number = int;
using setting_count = int;
using setting_seconds = double;

// The most seconds TimeLimit takes (about 31 years).
inline constexpr double MAX_SECONDS_SETTING = 1e9;

// The settings table: one row per setting, in the order in which a settings-file key is
// matched against them. Each row gives the field of Settings, its key in the settings file,
// its default, its kind (a SettingKind), how its key is matched (a SettingMatch) and what it
// does.
#define ZEMKO_SETTINGS(ROW)                                                                      \
    ROW(perturb, "Perturb", 1, flag, prefix,                                                     \
        "nonzero: tune the per-job weights of the 21 priority lists")                            \
    ROW(alpha, "ALPHA", 10, number, prefix,                                                      \
        "percentage weight of the upper bound in a child's score: ALPHA*UB + (100-ALPHA)*LB")    \
    ROW(output, "OUTPUT", 0, number, prefix,                                                     \
        "1: full trace of the search; any other nonzero value: the problem-type lines")          \
    ROW(beam, "Beam", 50, number, prefix,                                                        \
        "beam width, the most nodes kept per level (above 5000 it becomes 4999; below 1, 1)")    \
    ROW(filter, "Filter", 0, flag, prefix,                                                       \
        "nonzero: skip a child when another job is no longer on both machines")                  \
    ROW(pareto_beam, "ParetoBeam", 0, number, prefix,                                            \
        "1: drop a node whose (LB, UB) is dominated by a kept node; nonzero: beam width 4999")   \
    ROW(better_ub, "BetterUB", 0, flag, prefix,                                                  \
        "nonzero: run the greedy completion at every bound")                                     \
    ROW(recovery_step, "RecoveryStep", 1, flag, prefix,                                          \
        "nonzero: apply the recovery step to every node considered for the next beam")           \
    ROW(more_loops, "MoreLoops", 0, flag, prefix,                                                \
        "nonzero: repeat the recovery step while it keeps lowering C2sum + MaxC2")               \
    ROW(threads, "Threads", 0, count, exact,                                                     \
        "threads that bound the children of a level: 0, or more than the hardware runs at "      \
        "once, means one per hardware thread; 1 single-threaded; results are the same for any "  \
        "value")                                                                                 \
    ROW(memory_limit, "MemoryLimit", 0, count, exact,                                            \
        "MiB of memory a run may take; 0: 80 % of the physical memory or the limit of the "      \
        "process's control group, whichever is smaller; a run that would take more ends with "   \
        "the memory error")                                                                      \
    ROW(time_limit, "TimeLimit", 0, seconds, exact,                                              \
        "seconds of wall time for the whole run, a decimal number: the beam search is paced to " \
        "end within a fifth of it, narrowing the beam when needed, and the improvement phase "   \
        "after it uses the rest; 0: no limit, and without StepLimit no improvement phase")       \
    ROW(step_limit, "StepLimit", 0, count, exact,                                                \
        "improvement steps over all walks (a step takes a few jobs out, puts each back at its "  \
        "best place and searches around the changes): a budget whose results are the same on "   \
        "every run and with any Threads; 0: none")                                               \
    ROW(seed, "Seed", 1, number, exact, "seed of the improvement phase's random choices")        \
    ROW(proof_summary, "ProofSummary", 0, flag, exact,                                           \
        "nonzero: after an improvement phase, write proof.txt beside ub.rep: the answer, its "   \
        "certificate and the prices of the strong bound, which zemko-check-proof checks")

// The settings of a run, each at its default until set.
struct Settings {
#define ZEMKO_SETTING_FIELD(field, key, default_value, kind, match, description) \
    setting_##kind field = default_value;
    ZEMKO_SETTINGS(ZEMKO_SETTING_FIELD)
#undef ZEMKO_SETTING_FIELD
};

// How a solve ended: one row per value of Status.
#define ZEMKO_STATUSES(VALUE)                                               \
    VALUE(solved, "the search ran; the result holds its best sequence")     \
    VALUE(no_jobs, "the instance has no job: there is nothing to sequence") \
    VALUE(mixed_routes, "jobs of both routes: not a flow shop, so refused") \
    VALUE(memory_error,                                                     \
          "memory ran out or the solve would pass MemoryLimit; "            \
          "everything the solve took was released")                         \
    VALUE(interrupted,                                                      \
          "the stop flag was raised; the result holds the best sequence "   \
          "found so far")

#define ZEMKO_DECLARE_STATUS(name, description) name,
enum class Status { ZEMKO_STATUSES(ZEMKO_DECLARE_STATUS) };
#undef ZEMKO_DECLARE_STATUS

// The part of the improvement phase that found a better sequence: one row per value of FoundBy,
// with the name the transcript and the Python module give it.
#define ZEMKO_FOUND_BY(VALUE)                                                     \
    VALUE(iterated_greedy, "iterated greedy", "the walks of the iterated greedy") \
    VALUE(exact_search, "exact search", "the depth-first exact search")           \
    VALUE(level_search, "level search", "the exact search by levels")

#define ZEMKO_DECLARE_ORIGIN(value, name, description) value,
enum class FoundBy { ZEMKO_FOUND_BY(ZEMKO_DECLARE_ORIGIN) };
#undef ZEMKO_DECLARE_ORIGIN

inline const char* found_by_name(FoundBy origin) {
#define ZEMKO_ORIGIN_NAME(value, name, description) \
    if (origin == FoundBy::value) return name;
    ZEMKO_FOUND_BY(ZEMKO_ORIGIN_NAME)
#undef ZEMKO_ORIGIN_NAME
    return "";
}

// A better sequence found by the improvement phase.
#define ZEMKO_IMPROVEMENT_FIELDS(FIELD)                                   \
    FIELD(double, seconds, 0, "seconds since the solve began")            \
    FIELD(long long, step, 0, "improvement steps done when it was found") \
    FIELD(long long, objective, 0, "its objective")                       \
    FIELD(FoundBy, found_by, FoundBy::iterated_greedy, "the part of the phase that found it")

struct Improvement {
    ZEMKO_IMPROVEMENT_FIELDS(ZEMKO_DECLARE_FIELD)
};

// What a solve found, a row per field. Objectives are sums of completion times on the last
// machine.
#define ZEMKO_RESULT_FIELDS(FIELD)                                                               \
    FIELD(Status, status, Status::no_jobs, "how the solve ended")                                \
    FIELD(long long, objective, NO_SOLUTION,                                                     \
          "the best sequence's objective (NO_SOLUTION, 2147483647, when none was found)")        \
    FIELD(std::vector<int>, sequence, {},                                                        \
          "the best sequence as 0-based job indices, as in ub.rep")                              \
    FIELD(long long, root_lower_bound, 0, "the lower bound of the search's root")                \
    FIELD(long long, root_upper_bound, 0, "the upper bound of the search's root")                \
    FIELD(int, level_found, 0,                                                                   \
          "the level whose node produced the best sequence of the beam search")                  \
    FIELD(int, end_level, 0, "the level of the last node kept in a beam")                        \
    FIELD(int, max_beam, 0, "the most nodes kept at any level")                                  \
    FIELD(long long, bounds_computed, 0, "children generated over all levels")                   \
    FIELD(long long, recoveries, 0, "calls of the recovery step")                                \
    FIELD(long long, better_ub_solutions, 0, "bounds improved by the greedy completion")         \
    FIELD(long long, lost_nodes, 0, "nodes released while the free stack was full")              \
    FIELD(long long, peak_memory, 0, "the most memory the solve took at once, in bytes")         \
    FIELD(bool, beam_complete, true, "false when the time limit ended the beam search early")    \
    FIELD(int, beam_width, 0,                                                                    \
          "the beam width the search ended with: Beam as the run used it (capped to 4999, at "   \
          "least 1), or narrower when a time limit had it narrowed")                             \
    FIELD(std::vector<Improvement>, improvements, {},                                            \
          "each better sequence of the improvement phase, in order")                             \
    FIELD(long long, improvement_steps, 0, "steps the improvement phase made")                   \
    FIELD(long long, certified_lower_bound, 0,                                                   \
          "no sequence has a smaller objective, when certified holds")                           \
    FIELD(bool, certified, false,                                                                \
          "certified_lower_bound holds: the improvement phase's certificate, or without a "      \
          "phase the root's bound less one when no time is negative")                            \
    FIELD(bool, optimal, false, "the answer is proven optimal (the bound equals its objective)") \
    FIELD(std::string, proof_summary, "",                                                        \
          "after an improvement phase: the proof summary's text, as ProofSummary writes it to "  \
          "proof.txt, made whatever the setting")                                                \
    FIELD(double, seconds, 0, "the wall time of the solve")

struct Result {
    ZEMKO_RESULT_FIELDS(ZEMKO_DECLARE_FIELD)
};

#undef ZEMKO_DECLARE_FIELD

// Where a solve stands, as its progress hook is told between the steps of the beam search and
// of the improvement phase.
#define ZEMKO_PROGRESS_FIELDS(FIELD)                                                            \
    FIELD(int, level, 0, "the level being expanded: jobs scheduled in its nodes")               \
    FIELD(int, n_jobs, 0, "jobs of the instance")                                               \
    FIELD(int, beam_nodes, 0, "nodes in the beam being expanded")                               \
    FIELD(long long, best_objective, NO_SOLUTION, "the best objective so far")                  \
    FIELD(double, seconds, 0, "since the solve began")                                          \
    FIELD(long long, memory_bytes, 0, "memory the solve has taken in large blocks")             \
    FIELD(bool, improving, false, "the improvement phase runs: the beam search is over")        \
    FIELD(long long, step, 0, "the improvement phase's steps so far")                           \
    FIELD(long long, lower_bound, 0,                                                            \
          "in the improvement phase, the best lower bound proven so far, when certified holds") \
    FIELD(bool, certified, false, "lower_bound holds")

#define ZEMKO_DECLARE_FIELD(type, name, default_value, description) type name = default_value;
struct Progress {
    ZEMKO_PROGRESS_FIELDS(ZEMKO_DECLARE_FIELD)
};
#undef ZEMKO_DECLARE_FIELD

// How a caller follows and controls a solve; every member may be left empty.
struct Control {
    std::ostream* transcript = nullptr;       // receives the console's text of the run
    const std::atomic<bool>* stop = nullptr;  // raised from any thread: end the solve soon
    // Called on the solving thread several times per level of the beam search, and several
    // times a second in the improvement phase.
    std::function<void(const Progress&)> progress;
};

// A data file or setting that cannot be used; what() is the console's message for it, such as
// "File not found" or "Too many jobs: at most 501 can be loaded".
class InputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads a job data file exactly as the console does (one job per line: number, p1, p2,
// route). Throws InputError when the console would refuse the file.
std::vector<Job> read_jobs_file(const std::string& path);

// Reads a settings file as the console does, over the defaults; the console's warnings (and
// the notice that the file is missing) go to `messages` when given, and the warnings for
// values that the exact-matched settings cannot take go to `notes` when given (the console
// prints those on standard error).
Settings read_settings_file(const std::string& path, std::ostream* messages = nullptr,
                            std::ostream* notes = nullptr);

// Solves the instance. Nothing is printed unless `transcript` is given; it then receives
// exactly the text the console prints for the run, from the root bounds to the last counter.
// Throws InputError for an instance the console would refuse (too many jobs, times too large).
Result solve(const std::vector<Job>& jobs, const Settings& settings,
             std::ostream* transcript = nullptr);

// The same, followed and controlled by `control`: raising its stop flag ends the solve soon
// with Status::interrupted and the best sequence found so far.
Result solve(const std::vector<Job>& jobs, const Settings& settings, const Control& control);

// The objective of a complete sequence of 0-based job indices, evaluated as the solver does
// (machine 1 first; for an instance whose jobs all take route 2, machine 2 first). Throws
// InputError when the sequence is not a permutation of the jobs.
long long objective(const std::vector<Job>& jobs, const std::vector<int>& sequence);

}  // namespace zemko
