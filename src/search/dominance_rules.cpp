// Dominance tests between jobs of a node.
#include "search/dominance_rules.hpp"

#include "util/cpu_forms.hpp"

namespace zemko {

int build_dominance_matrix(const JobTable& table, DominanceMatrix& dom) {
    const Job* jobs = table.jobs;
    for (int i = 0; i < table.n_jobs; ++i)
        for (int k = 0; k < table.n_jobs; ++k)
            dom.matrix[i][k] =
                (i != k && jobs[i].p1 <= jobs[k].p1 && jobs[i].p2 >= jobs[k].p2) ? 1 : 0;
    return 0;
}

namespace {

// Machine-2 completion time of job x if it were appended to the node next.
int next_completion(const Job* jobs, const Node* node, int x) {
    return imax(node->c1 + jobs[x].p1, node->c2) + jobs[x].p2;
}

}  // namespace

int skip_by_pair_rule(const JobTable& table, const DominanceMatrix& dom, const Node* node, int j) {
    const Job* jobs = table.jobs;
    const int done_j = next_completion(jobs, node, j);
    for (int i = 0; i < table.n_jobs; ++i) {
        if (!node->unscheduled[i] || i == j || dom.matrix[i][j] != 1) continue;
        if (next_completion(jobs, node, i) > done_j) continue;
        bool identical = jobs[i].p1 == jobs[j].p1 && jobs[i].p2 == jobs[j].p2;
        if (identical && i > j) continue;
        return 1;
    }
    return 0;
}

int skip_by_min_job_rule(const JobTable& table, const Node* node, int j) {
    const Job* jobs = table.jobs;
    int a = -1;  // unscheduled job with the smallest p1
    int b = -1;  // unscheduled job with the smallest p2
    for (int i = 0; i < table.n_jobs; ++i) {
        if (!node->unscheduled[i]) continue;
        if (a < 0 || jobs[i].p1 < jobs[a].p1) a = i;
        if (b < 0 || jobs[i].p2 < jobs[b].p2) b = i;
    }
    return (a >= 0 && a == b && jobs[a].p1 <= jobs[a].p2 && j != a) ? 1 : 0;
}

int skip_by_filter_rule(const JobTable& table, int filter, const Node* node, int j) {
    if (filter == 0) return 0;
    const Job* jobs = table.jobs;
    const Job& J = jobs[j];
    for (int i = 0; i < table.n_jobs; ++i) {
        if (!node->unscheduled[i]) continue;
        const Job& I = jobs[i];
        if (I.p1 <= J.p1 && I.p2 <= J.p2 && (I.p1 < J.p1 || I.p2 < J.p2 || i < j)) return 1;
    }
    return 0;
}

namespace {

// The pair rule for one candidate, over the node's unscheduled jobs gathered in arrays. A job
// i qualifies when dom_matrix[i][j] is 1 (i != j, p1(i) <= p1(j), p2(i) >= p2(j)), its next
// completion A(i) is no later than A(j), and it is not an identical job of higher index. The
// plain test returns at the first qualifying i; here all are looked at without an early exit,
// so that the loop vectorizes: some qualifies exactly when the plain test would return 1.
ZEMKO_CPU_CLONES bool pair_rule_skips(const int* index, const int* p1, const int* p2,
                                      const int* done, int count, int j, int p1_j, int p2_j,
                                      int done_j) {
    int found = 0;
    for (int u = 0; u < count; ++u) {
        const bool dominates = (index[u] != j) & (p1[u] <= p1_j) & (p2[u] >= p2_j);
        const bool identical_later = (p1[u] == p1_j) & (p2[u] == p2_j) & (index[u] > j);
        found |= dominates & (done[u] <= done_j) & !identical_later;
    }
    return found != 0;
}

// The filter rule for one candidate, over the same arrays (j itself never qualifies).
ZEMKO_CPU_CLONES bool filter_rule_skips(const int* index, const int* p1, const int* p2, int count,
                                        int j, int p1_j, int p2_j) {
    int found = 0;
    for (int u = 0; u < count; ++u)
        found |=
            (p1[u] <= p1_j) & (p2[u] <= p2_j) & ((p1[u] < p1_j) | (p2[u] < p2_j) | (index[u] < j));
    return found != 0;
}

}  // namespace

int list_children(const JobTable& table, const PriorityLists& lists, int filter, const Node* node,
                  int* children) {
    const Job* jobs = table.jobs;
    const int n_jobs = table.n_jobs;
    // The unscheduled jobs by ascending p1 (ties by index, as in order_p1), with their times
    // and next completions. A job that skips j in either rule has p1 no larger than p1(j), so
    // j's tests need only the jobs up to the last one with its p1.
    int index[MAX_JOBS], p1[MAX_JOBS], p2[MAX_JOBS], done[MAX_JOBS];
    int count = 0;
    for (int k = 0; k < n_jobs; ++k) {
        const int i = lists.order_p1[k].job;
        if (!node->unscheduled[i]) continue;
        index[count] = i;
        p1[count] = jobs[i].p1;
        p2[count] = jobs[i].p2;
        done[count] = next_completion(jobs, node, i);
        ++count;
    }
    // The min-job rule: when one job has both the smallest p1 and the smallest p2 (lowest
    // index on ties) and p1 <= p2, only that job is branched on.
    int a = -1, b = -1;
    for (int u = 0; u < count; ++u) {
        if (a < 0 || p1[u] < p1[a] || (p1[u] == p1[a] && index[u] < index[a])) a = u;
        if (b < 0 || p2[u] < p2[b] || (p2[u] == p2[b] && index[u] < index[b])) b = u;
    }
    const bool only_a = count > 0 && a == b && p1[a] <= p2[a];

    bool branch[MAX_JOBS] = {};
    int reach = 0;  // jobs [0, reach) have p1 <= p1 of the job being tested
    for (int u = 0; u < count; ++u) {
        while (reach < count && p1[reach] <= p1[u])
            ++reach;
        if (only_a && u != a) continue;
        const int j = index[u];
        if (pair_rule_skips(index, p1, p2, done, reach, j, p1[u], p2[u], done[u])) continue;
        if (filter != 0 && filter_rule_skips(index, p1, p2, reach, j, p1[u], p2[u])) continue;
        branch[j] = true;
    }
    int n_children = 0;
    for (int j = 0; j < n_jobs; ++j)
        if (branch[j]) children[n_children++] = j;
    return n_children;
}

}  // namespace zemko
