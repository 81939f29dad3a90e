// Node storage: nodes are cut from 40000-node zones and recycled through a bounded stack of
// released nodes; the current beam is a list of nodes chained through `next`.
#pragma once

#include "schedule/node.hpp"

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

extern BeamList* current_beam;  // the beam being built or consumed, or none
extern int lost_nodes;          // nodes released while the free stack was full
extern int zones_live;          // zones allocated and not yet freed
extern int lists_live;          // list records obtained from the heap and not yet freed

// Forgets all storage state (counters, free stack, pool, current beam) before a run.
void reset_node_storage();

Node* new_node();
int release_node(Node* node);
BeamList* new_list_record();
int free_list_record(BeamList* rec);
int push_beam_node(Node* node);
Node* pop_beam_node();
bool beam_not_empty();

// Frees the zones, the beam and pooled list records and the selection tables, then warns
// when the allocation counters do not balance.
int release_all_memory();

// Prints the memory-error message, releases everything and ends the process with status 1.
[[noreturn]] void memory_error();

}  // namespace zemko
