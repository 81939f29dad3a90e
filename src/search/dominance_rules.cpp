// Dominance tests between jobs of a node.
#include "search/dominance_rules.hpp"

#include "input/settings.hpp"

namespace zemko {

int dom_matrix[MAX_JOBS][MAX_JOBS];

int build_dominance_matrix() {
    for (int i = 0; i < n_jobs; ++i)
        for (int k = 0; k < n_jobs; ++k)
            dom_matrix[i][k] =
                (i != k && jobs[i].p1 <= jobs[k].p1 && jobs[i].p2 >= jobs[k].p2) ? 1 : 0;
    return 0;
}

namespace {

// Machine-2 completion time of job x if it were appended to the node next.
int next_completion(const Node* node, int x) {
    return imax(node->c1 + jobs[x].p1, node->c2) + jobs[x].p2;
}

}  // namespace

int skip_by_pair_rule(const Node* node, int j) {
    const int done_j = next_completion(node, j);
    for (int i = 0; i < n_jobs; ++i) {
        if (!node->unscheduled[i] || i == j || dom_matrix[i][j] != 1) continue;
        if (next_completion(node, i) > done_j) continue;
        bool identical = jobs[i].p1 == jobs[j].p1 && jobs[i].p2 == jobs[j].p2;
        if (identical && i > j) continue;
        return 1;
    }
    return 0;
}

int skip_by_min_job_rule(const Node* node, int j) {
    int a = -1;  // unscheduled job with the smallest p1
    int b = -1;  // unscheduled job with the smallest p2
    for (int i = 0; i < n_jobs; ++i) {
        if (!node->unscheduled[i]) continue;
        if (a < 0 || jobs[i].p1 < jobs[a].p1) a = i;
        if (b < 0 || jobs[i].p2 < jobs[b].p2) b = i;
    }
    return (a >= 0 && a == b && jobs[a].p1 <= jobs[a].p2 && j != a) ? 1 : 0;
}

int skip_by_filter_rule(const Node* node, int j) {
    if (Filter == 0) return 0;
    const Job& J = jobs[j];
    for (int i = 0; i < n_jobs; ++i) {
        if (!node->unscheduled[i]) continue;
        const Job& I = jobs[i];
        if (I.p1 <= J.p1 && I.p2 <= J.p2 && (I.p1 < J.p1 || I.p2 < J.p2 || i < j)) return 1;
    }
    return 0;
}

}  // namespace zemko
