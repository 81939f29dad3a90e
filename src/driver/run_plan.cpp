#include "driver/run_plan.hpp"

#include <algorithm>
#include <cmath>

namespace zemko {

namespace {

// The share of the time limit the beam search is paced to end within. Measured on 300 to 500
// jobs with a time limit of 1 s and 1 or 2 threads, shares of 0.05 to 0.5 end within 0.03 %
// of each other, 0.15 to 0.3 the best; at 10 s and more the beam search of the default width
// fits in it up to 500 jobs and runs as asked.
constexpr double BEAM_SHARE = 0.2;

// The strong bound's full effort goes with time limits of this many seconds or more, and with
// step budgets of this many steps or more; below, its work shrinks in proportion (so that a
// short phase is not spent mostly waiting for the bound).
constexpr double FULL_BOUND_SECONDS = 10;
constexpr double FULL_BOUND_STEPS = 20000;

// Past FULL_BOUND_SECONDS the path steps grow with the time limit, up to this factor, on
// instances too large for the exact search and of at most GROWN_BOUND_MAX_JOBS jobs. Measured: at
// 200 jobs five times the steps close a third of the certified gap; at 100 the steps have converged
// by then, and at 500 a step costs 30 ms of a core: five times the steps gained 0.0015 to
// 0.003 % of the objective, about what the walks lost for the core (0.002 %).
constexpr int MOST_BOUND_GROWTH = 5;
constexpr int GROWN_BOUND_MAX_JOBS = 300;

constexpr double WARM_UP_SHARE = 0.2;    // of the time left, for the walks before the exact search
constexpr double WARM_UP_SECONDS = 1.0;  // at most, at WARM_UP_FULL_JOBS jobs
constexpr double WARM_UP_FULL_JOBS = 60;

// The effort times part / whole when that is less than all of it (at least one of each;
// rounded down, as whole numbers divide).
StrongBoundEffort scaled_effort(StrongBoundEffort effort, double part, double whole) {
    if (part >= whole) return effort;
    const auto scaled = [part, whole](int full) {
        return std::max(1, static_cast<int>(std::floor(full * part / whole)));
    };
    effort.iterations = scaled(effort.iterations);
    effort.shaped_iterations = std::min(effort.shaped_iterations, effort.iterations);
    effort.assignment_solves = scaled(effort.assignment_solves);
    return effort;
}

}  // namespace

RunPlan plan_run(const Settings& settings, int n_jobs, Clock::time_point start) {
    RunPlan plan;
    plan.timed = settings.time_limit > 0;
    plan.phase = plan.timed || settings.step_limit > 0;
    plan.exact_trial = plan.timed && n_jobs > EXACT_MAX_JOBS && n_jobs <= EXACT_TRIAL_MAX_JOBS;
    plan.exact_tried = n_jobs <= EXACT_MAX_JOBS || plan.exact_trial;
    plan.levels_tried =
        plan.timed && n_jobs >= 2 && n_jobs <= LEVEL_MAX_JOBS &&
        (n_jobs <= EXACT_TRIAL_MAX_JOBS || settings.time_limit >= LEVEL_MIN_TIME_LIMIT);
    plan.warm_up = plan.timed && (plan.exact_tried || plan.levels_tried);
    if (plan.timed) {
        plan.deadline = after_seconds(start, settings.time_limit);
        plan.beam_finish_by = after_seconds(start, BEAM_SHARE * settings.time_limit);
    }
    plan.bound_effort = default_strong_bound_effort(n_jobs);
    // The backward pass of the table of rests costs several steps of the bound: only for the
    // exact search and the proof summary.
    plan.bound_effort.rest_table =
        plan.exact_tried || plan.levels_tried || settings.proof_summary != 0;
    if (plan.timed) {
        plan.bound_effort =
            scaled_effort(plan.bound_effort, settings.time_limit, FULL_BOUND_SECONDS);
        if (!plan.exact_tried && n_jobs <= GROWN_BOUND_MAX_JOBS)
            plan.bound_effort.iterations *=
                std::clamp(static_cast<int>(std::min(settings.time_limit / FULL_BOUND_SECONDS,
                                                     static_cast<double>(MOST_BOUND_GROWTH))),
                           1, MOST_BOUND_GROWTH);
    } else if (settings.step_limit > 0) {
        plan.bound_effort = scaled_effort(plan.bound_effort, settings.step_limit, FULL_BOUND_STEPS);
    }
    return plan;
}

double exact_warm_up_seconds(int n_jobs, double left) {
    // Smaller instances need less of it: their walks settle sooner and their exact search
    // proves in milliseconds what the warm-up would take a second over.
    const double size_share =
        static_cast<double>(n_jobs) * n_jobs / (WARM_UP_FULL_JOBS * WARM_UP_FULL_JOBS);
    return std::min(WARM_UP_SECONDS * size_share, WARM_UP_SHARE * std::max(0.0, left));
}

}  // namespace zemko
