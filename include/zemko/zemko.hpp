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

// The most jobs an instance may have.
inline constexpr int MAX_JOBS = 501;

// One job: its number (only printed), its processing times on the two machines and its route
// (1: machine 1 then machine 2; 2: machine 2 then machine 1; any other value counts as 1).
struct Job {
    int number;
    int p1;
    int p2;
    int route;
};

// What a setting's value is: a switch (0 off, any other value on) or a number.
enum class SettingKind { flag, number };

// The settings table: one row per setting, in the order in which a settings-file key is
// matched against them (a key matches the first row whose key it begins with). Each row gives
// the field of Settings, its key in the settings file, its default, its kind (a SettingKind:
// a switch or a number) and what it does.
#define ZEMKO_SETTINGS(ROW)                                                                        \
    ROW(perturb, "Perturb", 1, flag, "nonzero: tune the per-job weights of the 21 priority lists") \
    ROW(alpha, "ALPHA", 10, number,                                                                \
        "percentage weight of the upper bound in a child's score: ALPHA*UB + (100-ALPHA)*LB")      \
    ROW(output, "OUTPUT", 0, number,                                                               \
        "1: full trace of the search; any other nonzero value: the problem-type lines")            \
    ROW(beam, "Beam", 50, number,                                                                  \
        "beam width, the most nodes kept per level (above 5000 it becomes 4999; below 1, 1)")      \
    ROW(filter, "Filter", 0, flag,                                                                 \
        "nonzero: skip a child when another job is no longer on both machines")                    \
    ROW(pareto_beam, "ParetoBeam", 0, number,                                                      \
        "1: drop a node whose (LB, UB) is dominated by a kept node; nonzero: beam width 4999")     \
    ROW(better_ub, "BetterUB", 0, flag, "nonzero: run the greedy completion at every bound")       \
    ROW(recovery_step, "RecoveryStep", 1, flag,                                                    \
        "nonzero: apply the recovery step to every node considered for the next beam")             \
    ROW(more_loops, "MoreLoops", 0, flag,                                                          \
        "nonzero: repeat the recovery step while it keeps lowering C2sum + MaxC2")                 \
    ROW(threads, "Threads", 0, number,                                                             \
        "threads that bound the children of a level: 0, or more than the hardware runs at "        \
        "once, means one per hardware thread; 1 single-threaded; results are the same for any "    \
        "value")                                                                                   \
    ROW(memory_limit, "MemoryLimit", 0, number,                                                    \
        "MiB of memory a run may take; 0: 80 % of the physical memory or the limit of the "        \
        "process's control group, whichever is smaller; a run that would take more ends with "     \
        "the memory error")                                                                        \
    ROW(time_limit, "TimeLimit", 0, number,                                                        \
        "seconds of wall time for the whole run: the beam search is paced to end within a "        \
        "fifth of it, narrowing the beam when needed, and the improvement phase after it uses "    \
        "the rest; 0: no limit, and without StepLimit no improvement phase")                       \
    ROW(step_limit, "StepLimit", 0, number,                                                        \
        "improvement steps over all walks (a step takes a few jobs out, puts each back at its "    \
        "best place and searches around the changes): a budget whose results are the same on "     \
        "every run and with any Threads; 0: none")                                                 \
    ROW(seed, "Seed", 1, number, "seed of the improvement phase's random choices")                 \
    ROW(proof_summary, "ProofSummary", 0, flag,                                                    \
        "nonzero: after an improvement phase, write proof.txt beside ub.rep: the answer, its "     \
        "certificate and the prices of the strong bound, which zemko-check-proof checks")

// The settings of a run, each at its default until set.
struct Settings {
#define ZEMKO_SETTING_FIELD(field, key, default_value, kind, description) int field = default_value;
    ZEMKO_SETTINGS(ZEMKO_SETTING_FIELD)
#undef ZEMKO_SETTING_FIELD
};

// How a solve ended.
enum class Status {
    solved,        // the search ran; the result holds its best sequence
    no_jobs,       // the instance has no job: there is nothing to sequence
    mixed_routes,  // jobs of both routes: the instance is not a flow shop and is refused
    memory_error,  // memory ran out; everything the solve took was released
    interrupted,   // the stop flag was raised; the result holds the best sequence found so far
};

// A better sequence found by the improvement phase.
struct Improvement {
    double seconds;        // since the solve began
    long long step;        // improvement steps done when it was found
    long long objective;   // its objective
    std::string found_by;  // the part of the phase that found it
};

// What a solve found. Objectives are sums of completion times on the last machine.
struct Result {
    Status status = Status::no_jobs;
    long long objective = 0;         // the best sequence's objective (when one was found)
    std::vector<int> sequence;       // the best sequence, as 0-based job indices (as in ub.rep)
    long long root_lower_bound = 0;  // the bounds of the root of the search
    long long root_upper_bound = 0;
    int level_found = 0;                // the search level whose node produced the best sequence
    int end_level = 0;                  // the level of the last node kept in a beam
    int max_beam = 0;                   // the most nodes kept at any level
    long long bounds_computed = 0;      // children generated over all levels
    long long recoveries = 0;           // calls of the recovery step
    long long better_ub_solutions = 0;  // bounds improved by the greedy completion
    long long lost_nodes = 0;           // nodes released while the free stack was full
    long long peak_memory = 0;          // the most memory the solve took at once, in bytes
    bool beam_complete = true;          // false when the time limit ended the beam search early
    // The beam width the search ended with: Beam as the run used it (capped to 4999, at least
    // 1), or narrower when a time limit had it narrowed to end in its share of the time.
    int beam_width = 0;
    std::vector<Improvement> improvements;  // each better sequence of the improvement phase
    long long improvement_steps = 0;        // steps the improvement phase made
    // After an improvement phase: a lower bound on the objective of every sequence, and whether
    // the answer is proven optimal (the bound then equals its objective).
    long long certified_lower_bound = 0;
    bool optimal = false;
    // After an improvement phase: the proof summary's text (what ProofSummary writes to
    // proof.txt), made whatever the setting.
    std::string proof_summary;
};

// Where a solve stands, as its progress hook is told between the steps of the search.
struct Progress {
    int level = 0;                 // the level being expanded: jobs scheduled in its nodes
    int n_jobs = 0;                // jobs of the instance
    int beam_nodes = 0;            // nodes in the beam being expanded
    long long best_objective = 0;  // the best objective so far; 2147483647 while none
    double seconds = 0;            // since the solve began
    long long memory_bytes = 0;    // memory the solve has taken in large blocks
};

// How a caller follows and controls a solve; every member may be left empty.
struct Control {
    std::ostream* transcript = nullptr;       // receives the console's text of the run
    const std::atomic<bool>* stop = nullptr;  // raised from any thread: end the solve soon
    // Called on the solving thread several times per level of the search.
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

// Reads a settings file as the console does, over the defaults; its warnings (and the notice
// that the file is missing) go to `messages` when given.
Settings read_settings_file(const std::string& path, std::ostream* messages = nullptr);

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
