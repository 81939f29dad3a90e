// The job order by p1 and the 21 weighted priority lists that the bounds and the greedy
// completion walk; built once per run.
#pragma once

#include "input/jobs.hpp"

namespace zemko {

inline constexpr int NUM_LISTS = 21;
inline constexpr double WEIGHT_STEP = 0.05;       // list k mixes the times with w = k * 0.05
inline constexpr double KEY_EPS = 0.0000001;      // real keys closer than this count as equal
inline constexpr double WEIGHT_RANGE = 999999.0;  // starting range of a weight's change

struct JobKey {
    int job;  // job index
    int key;  // its sort key
};

struct JobRealKey {
    int job;     // job index
    double key;  // its sort key
};

// The orders the bounds and the greedy completion walk; only entries below n_jobs are used.
struct PriorityLists {
    JobKey order_p1[MAX_JOBS];                // every job by ascending p1 (key = p1)
    int prio_list[NUM_LISTS][MAX_JOBS];       // list k: jobs by (1-w)*p2 + w*p1
    double prio_weight[NUM_LISTS][MAX_JOBS];  // weight of job j (by index) in list k
};

int compare_job_keys(const JobKey* a, const JobKey* b);
int compare_real_keys(const JobRealKey* a, const JobRealKey* b);

// Builds the orders and lists from the job table (tuning the weights when perturb is nonzero).
// Returns 0.
int build_priority_lists(const JobTable& table, int perturb, PriorityLists& lists);

}  // namespace zemko
