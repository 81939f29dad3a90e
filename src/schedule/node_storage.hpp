// Node storage: the nodes of a run and the beam list. Nodes are counted as the search has
// always counted them, cut from 40000-node zones and recycled through a bounded stack of
// released nodes (so the new-zone line, the lost nodes and the balance check are what they
// always were); their memory, though, is recycled without limit: a node's record and its
// per-job arrays return to pools of their own when it is released, and a node's arrays are
// taken only when it needs them. Memory follows the nodes alive, not the run's history.
#pragma once

#include <vector>

#include "schedule/node.hpp"
#include "util/memory_budget.hpp"
#include "util/transcript.hpp"

namespace zemko {

inline constexpr int ZONE_NODES = 40000;       // nodes per zone, as counted
inline constexpr int FREE_STACK_SIZE = 40000;  // released nodes kept for reuse, as counted
inline constexpr int LIST_POOL_SIZE = 200;     // released list records kept for reuse

// A list of nodes chained through their `next` field.
struct BeamList {
    int tag;         // INT_MAX on the root beam, 0 on later ones; informative only
    Node* head;      // first node of the list
    BeamList* next;  // following list record (one beam at a time: always none)
};

struct NodeStorage {
    NodeStorage() = default;
    NodeStorage(const NodeStorage&) = delete;
    NodeStorage& operator=(const NodeStorage&) = delete;
    ~NodeStorage();

    int n_jobs = 0;                    // entries of each per-job array of a node
    Transcript out;                    // where the new-zone line goes
    MemoryBudget* budget = nullptr;    // where the memory taken is counted, if anywhere
    BeamList* current_beam = nullptr;  // the beam being built or consumed, or none
    int lost_nodes = 0;                // nodes released while the free stack was full
    int zones_live = 0;                // zones allocated and not yet freed
    int lists_live = 0;                // list records obtained from the heap and not yet freed

    // The count of the zones and of the free stack.
    int zones_counted = 0;  // zones the count has opened
    int zone_used = 0;      // nodes handed out from the current zone
    int stacked = 0;        // nodes on the free stack

    // The memory: blocks of node records and of node arrays, and what is free in them.
    std::vector<char*> blocks;
    std::vector<Node*> free_records;
    std::vector<int*> free_arrays;
    char* record_cursor = nullptr;  // the next record of the newest record block
    int records_left = 0;
    char* array_cursor = nullptr;  // the next arrays of the newest array block
    int arrays_left = 0;
    int array_stride = 0;  // bytes of one node's four arrays

    int list_pool_count = 0;
    BeamList* list_pool[LIST_POOL_SIZE];
};

// Starts a run's storage empty, for nodes of n_jobs jobs; the memory it takes is counted in
// `budget` when one is given.
void reset_node_storage(NodeStorage& storage, int n_jobs, Transcript out,
                        MemoryBudget* budget = nullptr);

// A node with its per-job arrays. Throws MemoryError when memory is refused or the budget
// would be passed.
Node* new_node(NodeStorage& storage);
// A node without arrays yet (counted as new_node counts): a child whose arrays are written only
// if the search takes it.
Node* new_node_record(NodeStorage& storage);
// Gives a node taken with new_node_record its arrays, unless it has them already.
void attach_arrays(NodeStorage& storage, Node* node);

int release_node(NodeStorage& storage, Node* node);
BeamList* new_list_record(NodeStorage& storage);
int free_list_record(NodeStorage& storage, BeamList* rec);
int push_beam_node(NodeStorage& storage, Node* node);
Node* pop_beam_node(NodeStorage& storage);
bool beam_not_empty(const NodeStorage& storage);

// Frees the nodes, the beam and the pooled list records.
void free_node_storage(NodeStorage& storage);

// Frees everything, then warns when the allocation counters do not balance.
int release_all_memory(NodeStorage& storage);

}  // namespace zemko
