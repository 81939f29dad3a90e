// Scheduling a job after a prefix, copying nodes and evaluating sequences.
#include "schedule/node.hpp"

#include <algorithm>
#include <cstring>

namespace zemko {

NodeBuffer::NodeBuffer() : storage(NODE_ARRAYS * MAX_JOBS, 0) {
    bind_node_arrays(&node, storage.data(), MAX_JOBS);
}

int copy_seq(const JobTable& table, int* dst, const int* src) {
    if (table.n_jobs > 0) std::memcpy(dst, src, sizeof(int) * table.n_jobs);
    return 0;
}

int copy_node(const JobTable& table, Node* dst, const Node* src) {
    copy_seq(table, dst->seq, src->seq);
    copy_seq(table, dst->unscheduled, src->unscheduled);
    copy_seq(table, dst->c1_of, src->c1_of);
    copy_seq(table, dst->c2_of, src->c2_of);
    dst->c1 = src->c1;
    dst->c2 = src->c2;
    dst->c2sum = src->c2sum;
    dst->level = src->level;
    dst->lb = src->lb;
    dst->next = src->next;
    return 0;
}

int append_job(const JobTable& table, Node* node, int j) {
    node->seq[node->level] = j;
    node->level += 1;
    node->unscheduled[j] = 0;
    node->c1 += table.jobs[j].p1;
    node->c2 = imax(node->c2, node->c1) + table.jobs[j].p2;
    node->c1_of[j] = node->c1;
    node->c2_of[j] = node->c2;
    node->c2sum += node->c2;
    return 0;
}

int rebuild_node(const JobTable& table, Node* node, const int* seq, int count) {
    std::fill(node->unscheduled, node->unscheduled + table.n_jobs, 1);
    node->c1 = node->c2 = node->c2sum = node->level = node->lb = 0;
    for (int i = 0; i < count; ++i)
        append_job(table, node, seq[i]);
    return 0;
}

int eval_seq(const JobTable& table, const int* seq, int count, int& c1, int& c2) {
    int sum = 0;
    for (int i = 0; i < count; ++i) {
        const Job& job = table.jobs[seq[i]];
        c1 += job.p1;
        c2 = imax(c1, c2) + job.p2;
        sum += c2;
    }
    return sum;
}

void make_root(const JobTable& table, Node* node) {
    const int n_jobs = table.n_jobs;
    std::fill(node->seq, node->seq + n_jobs, 0);
    std::fill(node->unscheduled, node->unscheduled + n_jobs, 1);
    std::fill(node->c1_of, node->c1_of + n_jobs, 0);
    std::fill(node->c2_of, node->c2_of + n_jobs, 0);
    node->c1 = node->c2 = node->c2sum = node->level = node->lb = node->ub = 0;
    node->next = nullptr;
}

}  // namespace zemko
