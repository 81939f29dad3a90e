// The partial-schedule node (a prefix of the sequence with its completion times and bounds)
// and the operations that build, copy and evaluate sequences.
#pragma once

#include <vector>

#include "input/jobs.hpp"

namespace zemko {

// A partial sequence scheduled from time 0 on both machines. Its four per-job arrays hold
// n_jobs entries each and live in storage owned by whoever made the node (a zone of the node
// storage, or a NodeBuffer); copying a node copies their contents, never the pointers.
struct Node {
    int* seq;          // job indices of the partial sequence, positions 0 .. level-1
    int* unscheduled;  // per job: nonzero while the job is not in seq
    int* c1_of;        // per job: its completion time on machine 1, valid once scheduled
    int* c2_of;        // per job: its completion time on machine 2, valid once scheduled
    int c1;            // completion time of machine 1 after the partial sequence
    int c2;            // completion time of machine 2 after the partial sequence ("MaxC2")
    int c2sum;         // sum of the machine-2 completion times so far ("C2sum")
    int level;         // number of scheduled jobs
    int lb;            // lower bound on the objective of any completion
    int ub;            // objective of the best completion the bound found
    Node* next;        // next node of a beam list
};

inline constexpr int NODE_ARRAYS = 4;

// Points the node's four arrays at consecutive runs of `capacity` integers from storage.
inline void bind_node_arrays(Node* node, int* storage, int capacity) {
    node->seq = storage;
    node->unscheduled = storage + capacity;
    node->c1_of = storage + 2 * capacity;
    node->c2_of = storage + 3 * capacity;
}

// A node with storage of its own for MAX_JOBS jobs: working nodes, tests and benchmarks.
struct NodeBuffer {
    NodeBuffer();
    NodeBuffer(const NodeBuffer&) = delete;
    NodeBuffer& operator=(const NodeBuffer&) = delete;
    Node* get() { return &node; }
    Node node{};
    std::vector<int> storage;
};

inline int imax(int a, int b) {
    return a > b ? a : b;
}

// Copies the table's n_jobs entries of a per-job array.
int copy_seq(const JobTable& table, int* dst, const int* src);
int copy_node(const JobTable& table, Node* dst, const Node* src);
int append_job(const JobTable& table, Node* node, int j);
int rebuild_node(const JobTable& table, Node* node, const int* seq, int count);
int eval_seq(const JobTable& table, const int* seq, int count, int& c1, int& c2);

// Makes node the root of the instance: nothing scheduled, every job unscheduled (flag 1).
void make_root(const JobTable& table, Node* node);

}  // namespace zemko
