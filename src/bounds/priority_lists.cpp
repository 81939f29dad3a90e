// The job orders and priority lists, and the tuning of each job's weight in each list.
#include "bounds/priority_lists.hpp"

namespace zemko {

int compare_job_keys(const JobKey* a, const JobKey* b) {
    if (a->key > b->key) return 1;
    if (a->key < b->key) return -1;
    return 0;
}

int compare_real_keys(const JobRealKey* a, const JobRealKey* b) {
    double d = a->key - b->key;
    if (d > -KEY_EPS && d < KEY_EPS) return 0;
    return d > 0 ? 1 : -1;
}

namespace {

// Entries are filled by ascending job index and sorted stably, so keys that compare equal
// keep ascending job index. A plain insertion sort: its outcome is fully fixed by the
// comparison results even where the 1e-7 tolerance makes "equal" non-transitive, so the lists
// are the same on every platform.
template <typename Entry>
void insertion_sort(Entry* entries, int count, int (*compare)(const Entry*, const Entry*)) {
    for (int i = 1; i < count; ++i) {
        Entry moving = entries[i];
        int k = i;
        while (k > 0 && compare(&entries[k - 1], &moving) > 0) {
            entries[k] = entries[k - 1];
            --k;
        }
        entries[k] = moving;
    }
}

// Narrows the range [low, high] of admissible changes of wJ so that J, at position pos_j of
// the list, keeps its preferred order against job I at position pos_i.
void limit_range(const Job& J, double w_j, int pos_j, const Job& I, double w_i, int pos_i,
                 double& low, double& high) {
    // The weights are crossed: D is the sum of both jobs' bound terms with J directly before
    // I, minus the same sum with J directly after I.
    double x = (1 - w_i) * J.p2 + w_i * J.p1;
    double y = (1 - w_j) * I.p2 + w_j * I.p1;
    double d = x - y;
    if (d > -KEY_EPS && d < KEY_EPS) {
        bool i_first = pos_i < pos_j;
        bool i_longer_on_1 = I.p1 > I.p2;
        if (i_first == i_longer_on_1)
            high = 0;
        else
            low = 0;
        return;
    }
    double r = d / (I.p1 - I.p2);  // the change of wJ at which D would vanish
    if (r > 0 && r < high) high = r;
    if (r < 0 && r > low) low = r;
}

// Moves each job's weight in list k toward the larger of its two root estimates, as far as
// its range allows; a tuned weight is stored at once and seen by the later positions.
void tune_list_weights(const JobTable& table, PriorityLists& lists, int k) {
    const Job* jobs = table.jobs;
    const int n_jobs = table.n_jobs;
    int* const prio_list = lists.prio_list[k];
    double* const prio_weight = lists.prio_weight[k];
    int s1 = 0;
    int s2 = lists.order_p1[0].key;  // machine 2 is free from the smallest p1 on
    for (int p = 0; p < n_jobs; ++p) {
        int job_j = prio_list[p];
        double w_j = prio_weight[job_j];
        double low = -WEIGHT_RANGE;
        double high = WEIGHT_RANGE;
        for (int q = 0; q < n_jobs; ++q) {
            int job_i = prio_list[q];
            if (job_i == job_j || jobs[job_i].p1 == jobs[job_i].p2) continue;
            limit_range(jobs[job_j], w_j, p, jobs[job_i], prio_weight[job_i], q, low, high);
        }
        s1 += jobs[job_j].p1;
        s2 += jobs[job_j].p2;
        int e1 = s1 + jobs[job_j].p2;  // machine-1 estimate of J's completion
        int e2 = s2;                   // machine-2 estimate
        if (e1 > e2) w_j = w_j + high;
        if (e1 < e2) w_j = w_j + low;
        if (w_j < 0) w_j = 0.0;
        if (w_j > 1) w_j = 1.0;
        prio_weight[job_j] = w_j;
    }
}

}  // namespace

int build_priority_lists(const JobTable& table, int perturb, PriorityLists& lists) {
    const Job* jobs = table.jobs;
    const int n = table.n_jobs;
    for (int i = 0; i < n; ++i)
        lists.order_p1[i] = {i, jobs[i].p1};
    insertion_sort(lists.order_p1, n, compare_job_keys);

    for (int k = 0; k < NUM_LISTS; ++k)
        for (int j = 0; j < n; ++j)
            lists.prio_weight[k][j] = k * WEIGHT_STEP;

    JobRealKey scratch[MAX_JOBS];
    for (int k = 0; k < NUM_LISTS; ++k) {
        double w = k * WEIGHT_STEP;
        for (int j = 0; j < n; ++j)
            scratch[j] = {j, (1 - w) * jobs[j].p2 + w * jobs[j].p1};
        insertion_sort(scratch, n, compare_real_keys);
        for (int q = 0; q < n; ++q)
            lists.prio_list[k][q] = scratch[q].job;
    }

    if (perturb == 0 || n == 0) return 0;
    for (int k = 0; k < NUM_LISTS; ++k)
        tune_list_weights(table, lists, k);
    return 0;
}

}  // namespace zemko
