// Zones of nodes, the free stack with lost-node counting, and the beam list records.
#include "schedule/node_storage.hpp"

#include <sys/mman.h>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "input/jobs.hpp"
#include "search/selection_tables.hpp"

namespace zemko {

BeamList* current_beam = nullptr;
int lost_nodes = 0;
int zones_live = 0;
int lists_live = 0;

namespace {

// One mapped block: this header, the ZONE_NODES Node records side by side, then their arrays
// (four of n_jobs entries per node), array_stride bytes per node. Records and arrays are
// apart so that a node whose arrays are never written (a child the selection does not take)
// touches only its record's cache line.
struct NodeZone {
    NodeZone* next;    // the zone allocated after this one
    int used;          // slots handed out so far
    int array_stride;  // bytes of arrays per node
};

constexpr size_t ZONE_HEADER_BYTES = 64;  // keeps the records 64-byte aligned
constexpr size_t SLOT_ALIGN = 64;
constexpr size_t RECORD_BYTES = (sizeof(Node) + SLOT_ALIGN - 1) / SLOT_ALIGN * SLOT_ALIGN;

NodeZone* first_zone = nullptr;
NodeZone* current_zone = nullptr;
Node* free_nodes[FREE_STACK_SIZE];
int free_top = 0;
BeamList* list_pool[LIST_POOL_SIZE];
int list_pool_count = 0;

int array_bytes(int jobs_per_array) {
    size_t bytes = sizeof(int) * NODE_ARRAYS * static_cast<size_t>(jobs_per_array);
    return static_cast<int>((bytes + SLOT_ALIGN - 1) / SLOT_ALIGN * SLOT_ALIGN);
}

size_t zone_bytes(int array_stride) {
    return ZONE_HEADER_BYTES + (RECORD_BYTES + static_cast<size_t>(array_stride)) * ZONE_NODES;
}

// A zone's memory is mapped zeroed from the system and only the slots handed out are touched.
// Huge pages are asked for: the first touch of a slot then rarely costs a page fault of its
// own.
NodeZone* allocate_zone() {
    int stride = array_bytes(n_jobs);
    void* block = ::mmap(nullptr, zone_bytes(stride), PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) memory_error();
    ::madvise(block, zone_bytes(stride), MADV_HUGEPAGE);
    NodeZone* zone = static_cast<NodeZone*>(block);
    zone->next = nullptr;
    zone->used = 0;
    zone->array_stride = stride;
    zones_live += 1;
    return zone;
}

Node* zone_slot(NodeZone* zone, int index) {
    char* records = reinterpret_cast<char*>(zone) + ZONE_HEADER_BYTES;
    char* arrays = records + RECORD_BYTES * ZONE_NODES;
    Node* node = reinterpret_cast<Node*>(records + RECORD_BYTES * index);
    bind_node_arrays(
        node, reinterpret_cast<int*>(arrays + static_cast<size_t>(zone->array_stride) * index),
        n_jobs);
    return node;
}

}  // namespace

void reset_node_storage() {
    zones_live = lists_live = lost_nodes = 0;
    list_pool_count = 0;
    free_top = 0;
    current_beam = nullptr;
    first_zone = current_zone = nullptr;
}

Node* new_node() {
    if (free_top > 0) return free_nodes[--free_top];
    if (!first_zone) first_zone = current_zone = allocate_zone();
    if (current_zone->used == ZONE_NODES) {
        std::printf("MEM: Allocating new zone. Lost nodes = %d.", lost_nodes);
        NodeZone* zone = allocate_zone();
        current_zone->next = zone;
        current_zone = zone;
    }
    return zone_slot(current_zone, current_zone->used++);
}

int release_node(Node* node) {
    if (free_top == FREE_STACK_SIZE)
        lost_nodes += 1;
    else
        free_nodes[free_top++] = node;
    return 0;
}

BeamList* new_list_record() {
    if (list_pool_count > 0) return list_pool[--list_pool_count];
    BeamList* rec = new (std::nothrow) BeamList{};
    if (!rec) memory_error();
    lists_live += 1;
    return rec;
}

int free_list_record(BeamList* rec) {
    if (list_pool_count < LIST_POOL_SIZE) {
        list_pool[list_pool_count++] = rec;
    } else {
        delete rec;
        lists_live -= 1;
    }
    return 0;
}

int push_beam_node(Node* node) {
    if (!current_beam) {
        current_beam = new_list_record();
        current_beam->head = nullptr;
        current_beam->tag = 0;
        current_beam->next = nullptr;
    }
    node->next = current_beam->head;
    current_beam->head = node;
    return 0;
}

Node* pop_beam_node() {
    if (!current_beam || !current_beam->head) return nullptr;
    Node* node = current_beam->head;
    current_beam->head = node->next;
    if (!current_beam->head) {
        BeamList* emptied = current_beam;
        current_beam = emptied->next;
        free_list_record(emptied);
    }
    return node;
}

bool beam_not_empty() {
    return current_beam != nullptr;
}

int release_all_memory() {
    for (NodeZone* zone = first_zone; zone;) {
        NodeZone* next = zone->next;
        ::munmap(zone, zone_bytes(zone->array_stride));
        zones_live -= 1;
        zone = next;
    }
    first_zone = current_zone = nullptr;
    free_top = 0;
    while (current_beam) {
        BeamList* next = current_beam->next;
        delete current_beam;
        lists_live -= 1;
        current_beam = next;
    }
    while (list_pool_count > 0) {
        delete list_pool[--list_pool_count];
        lists_live -= 1;
    }
    free_selection_tables();
    if (zones_live != 0) std::printf("WARNING : Abnormal memory use!\n");
    if (lists_live != 0) std::printf("WARNING : Abnormal memory use!\n");
    return 0;
}

void memory_error() {
    std::printf("\nMemory Error\n");
    release_all_memory();
    std::fflush(stdout);
    std::exit(1);
}

}  // namespace zemko
