// Node storage: nodes are cut from 40000-node zones and recycled through a bounded stack of
// released nodes; the current beam is a list of nodes chained through `next`.
#pragma once

#include "schedule/node.hpp"
#include "util/transcript.hpp"

namespace zemko {

inline constexpr int ZONE_NODES = 40000;       // nodes per zone
inline constexpr int FREE_STACK_SIZE = 40000;  // released nodes kept for reuse
inline constexpr int LIST_POOL_SIZE = 200;     // released list records kept for reuse

// A list of nodes chained through their `next` field.
struct BeamList {
    int tag;         // INT_MAX on the root beam, 0 on later ones; informative only
    Node* head;      // first node of the list
    BeamList* next;  // following list record (one beam at a time: always none)
};

struct NodeZone;

// The nodes of one run, their zones, the free stack and the beam.
struct NodeStorage {
    NodeStorage() = default;
    NodeStorage(const NodeStorage&) = delete;
    NodeStorage& operator=(const NodeStorage&) = delete;
    ~NodeStorage();

    int n_jobs = 0;                    // entries of each per-job array of a node
    Transcript out;                    // where the new-zone line goes
    BeamList* current_beam = nullptr;  // the beam being built or consumed, or none
    int lost_nodes = 0;                // nodes released while the free stack was full
    int zones_live = 0;                // zones allocated and not yet freed
    int lists_live = 0;                // list records obtained from the heap and not yet freed

    NodeZone* first_zone = nullptr;
    NodeZone* current_zone = nullptr;
    int free_top = 0;
    Node* free_nodes[FREE_STACK_SIZE];
    int list_pool_count = 0;
    BeamList* list_pool[LIST_POOL_SIZE];
};

// Starts a run's storage empty, for nodes of n_jobs jobs.
void reset_node_storage(NodeStorage& storage, int n_jobs, Transcript out);

// These throw MemoryError when the system refuses memory.
Node* new_node(NodeStorage& storage);
int release_node(NodeStorage& storage, Node* node);
BeamList* new_list_record(NodeStorage& storage);
int free_list_record(NodeStorage& storage, BeamList* rec);
int push_beam_node(NodeStorage& storage, Node* node);
Node* pop_beam_node(NodeStorage& storage);
bool beam_not_empty(const NodeStorage& storage);

// Frees the zones, the beam and the pooled list records.
void free_node_storage(NodeStorage& storage);

// Frees everything, then warns when the allocation counters do not balance.
int release_all_memory(NodeStorage& storage);

}  // namespace zemko
