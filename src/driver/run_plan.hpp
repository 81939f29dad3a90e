// How a run spends its time and work: whether an improvement phase follows the beam search,
// the run's deadline, the time the beam search is paced to end by, the start of the exact
// search, and the effort of the strong lower bound. Decided from the settings and the size of
// the instance alone, so that the same settings give the same plan on every machine; only the
// pace of the beam search looks at the clock.
#pragma once

#include <optional>

#include <zemko/zemko.hpp>

#include "certify/strong_lower_bound.hpp"
#include "util/limits.hpp"

namespace zemko {

// The exact search is tried on instances of at most this many jobs. Bounded by the strong
// bound's table of rests it proves 60 jobs in seconds and most of 70 to 80 within a minute
// (times 1..100); at 100 its bound is about 0.1 % short, too far for the walks' time to pay.
inline constexpr int EXACT_MAX_JOBS = 80;
// Under a time limit, up to this many jobs the exact search still has a trial: a share of the
// time left after the warm-up, after which the walks take the rest back. Measured at 60 s
// (times 1..100): it proves some 90-job instances and costs the others nothing, while at 100
// jobs it proved none and the walks' lost time showed in the answers.
inline constexpr int EXACT_TRIAL_MAX_JOBS = 90;
inline constexpr double EXACT_TRIAL_SHARE = 0.5;
// Under a time limit, up to this many jobs the search by levels tries to prove the answer (or a
// bound below it) after the walks' warm-up, for at most LEVEL_SHARE of the time left; the
// walks take the rest back when it did not. Measured at 100 jobs (times 1..100): proofs of
// 20 to 110 s where the depth-first search proves none in ten minutes; past 150 jobs the gaps
// between bound and answer are far beyond what it can close.
inline constexpr int LEVEL_MAX_JOBS = 150;
inline constexpr double LEVEL_SHARE = 0.5;
// Past EXACT_TRIAL_MAX_JOBS jobs a proof by levels takes tens of seconds or more: it is tried
// only under time limits of at least this many seconds, and shorter ones leave the walks all
// their time.
inline constexpr double LEVEL_MIN_TIME_LIMIT = 40;
// Nodes of the exact search per improvement step, under a step budget.
inline constexpr long long EXACT_NODES_PER_STEP = 100;

struct RunPlan {
    bool phase = false;                         // an improvement phase follows the beam search
    bool timed = false;                         // a time limit holds
    std::optional<Clock::time_point> deadline;  // the end of the run, under a time limit
    std::optional<Clock::time_point> beam_finish_by;  // what the beam search is paced to end by
    bool exact_tried = false;                         // the exact search follows the walks
    bool exact_trial = false;   // ...for EXACT_TRIAL_SHARE of the time, then the walks again
    bool levels_tried = false;  // the search by levels tries first, under a time limit
    bool warm_up = false;       // the walks stop for a proof, and take the rest back after it
    StrongBoundEffort bound_effort;
};

// The plan of a run of `n_jobs` jobs that starts at `start`.
RunPlan plan_run(const Settings& settings, int n_jobs, Clock::time_point start);

// Under a time limit, the walks' warm-up before the exact search, in seconds, when `left`
// seconds of the limit remain.
double exact_warm_up_seconds(int n_jobs, double left);

}  // namespace zemko
