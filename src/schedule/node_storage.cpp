// Zones of nodes, the free stack with lost-node counting, and the beam list records.
#include "schedule/node_storage.hpp"

#include <sys/mman.h>
#include <new>

#include "util/memory_error.hpp"

namespace zemko {

// One mapped block: this header, the ZONE_NODES Node records side by side, then their arrays
// (four of n_jobs entries per node), array_stride bytes per node. Records and arrays are
// apart so that a node whose arrays are never written (a child the selection does not take)
// touches only its record's cache line.
struct NodeZone {
    NodeZone* next;    // the zone allocated after this one
    int used;          // slots handed out so far
    int array_stride;  // bytes of arrays per node
};

namespace {

constexpr size_t ZONE_HEADER_BYTES = 64;  // keeps the records 64-byte aligned
constexpr size_t SLOT_ALIGN = 64;
constexpr size_t RECORD_BYTES = (sizeof(Node) + SLOT_ALIGN - 1) / SLOT_ALIGN * SLOT_ALIGN;

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
NodeZone* allocate_zone(NodeStorage& storage) {
    int stride = array_bytes(storage.n_jobs);
    void* block = ::mmap(nullptr, zone_bytes(stride), PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw MemoryError();
    ::madvise(block, zone_bytes(stride), MADV_HUGEPAGE);
    NodeZone* zone = static_cast<NodeZone*>(block);
    zone->next = nullptr;
    zone->used = 0;
    zone->array_stride = stride;
    storage.zones_live += 1;
    return zone;
}

Node* zone_slot(const NodeStorage& storage, NodeZone* zone, int index) {
    char* records = reinterpret_cast<char*>(zone) + ZONE_HEADER_BYTES;
    char* arrays = records + RECORD_BYTES * ZONE_NODES;
    Node* node = reinterpret_cast<Node*>(records + RECORD_BYTES * index);
    bind_node_arrays(
        node, reinterpret_cast<int*>(arrays + static_cast<size_t>(zone->array_stride) * index),
        storage.n_jobs);
    return node;
}

}  // namespace

NodeStorage::~NodeStorage() {
    free_node_storage(*this);
}

void reset_node_storage(NodeStorage& storage, int n_jobs, Transcript out) {
    free_node_storage(storage);
    storage.n_jobs = n_jobs;
    storage.out = out;
    storage.zones_live = storage.lists_live = storage.lost_nodes = 0;
}

Node* new_node(NodeStorage& storage) {
    if (storage.free_top > 0) return storage.free_nodes[--storage.free_top];
    if (!storage.first_zone) storage.first_zone = storage.current_zone = allocate_zone(storage);
    if (storage.current_zone->used == ZONE_NODES) {
        say(storage.out, "MEM: Allocating new zone. Lost nodes = %d.", storage.lost_nodes);
        NodeZone* zone = allocate_zone(storage);
        storage.current_zone->next = zone;
        storage.current_zone = zone;
    }
    return zone_slot(storage, storage.current_zone, storage.current_zone->used++);
}

int release_node(NodeStorage& storage, Node* node) {
    if (storage.free_top == FREE_STACK_SIZE)
        storage.lost_nodes += 1;
    else
        storage.free_nodes[storage.free_top++] = node;
    return 0;
}

BeamList* new_list_record(NodeStorage& storage) {
    if (storage.list_pool_count > 0) return storage.list_pool[--storage.list_pool_count];
    BeamList* rec = new (std::nothrow) BeamList{};
    if (!rec) throw MemoryError();
    storage.lists_live += 1;
    return rec;
}

int free_list_record(NodeStorage& storage, BeamList* rec) {
    if (storage.list_pool_count < LIST_POOL_SIZE) {
        storage.list_pool[storage.list_pool_count++] = rec;
    } else {
        delete rec;
        storage.lists_live -= 1;
    }
    return 0;
}

int push_beam_node(NodeStorage& storage, Node* node) {
    if (!storage.current_beam) {
        storage.current_beam = new_list_record(storage);
        storage.current_beam->head = nullptr;
        storage.current_beam->tag = 0;
        storage.current_beam->next = nullptr;
    }
    node->next = storage.current_beam->head;
    storage.current_beam->head = node;
    return 0;
}

Node* pop_beam_node(NodeStorage& storage) {
    BeamList* beam = storage.current_beam;
    if (!beam || !beam->head) return nullptr;
    Node* node = beam->head;
    beam->head = node->next;
    if (!beam->head) {
        storage.current_beam = beam->next;
        free_list_record(storage, beam);
    }
    return node;
}

bool beam_not_empty(const NodeStorage& storage) {
    return storage.current_beam != nullptr;
}

void free_node_storage(NodeStorage& storage) {
    for (NodeZone* zone = storage.first_zone; zone;) {
        NodeZone* next = zone->next;
        ::munmap(zone, zone_bytes(zone->array_stride));
        storage.zones_live -= 1;
        zone = next;
    }
    storage.first_zone = storage.current_zone = nullptr;
    storage.free_top = 0;
    while (storage.current_beam) {
        BeamList* next = storage.current_beam->next;
        delete storage.current_beam;
        storage.lists_live -= 1;
        storage.current_beam = next;
    }
    while (storage.list_pool_count > 0) {
        delete storage.list_pool[--storage.list_pool_count];
        storage.lists_live -= 1;
    }
}

int release_all_memory(NodeStorage& storage) {
    free_node_storage(storage);
    if (storage.zones_live != 0) say(storage.out, "WARNING : Abnormal memory use!\n");
    if (storage.lists_live != 0) say(storage.out, "WARNING : Abnormal memory use!\n");
    return 0;
}

}  // namespace zemko
