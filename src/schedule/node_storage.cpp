// The counted zones and free stack, the pools that recycle node memory, and the beam list.
#include "schedule/node_storage.hpp"

#include <sys/mman.h>
#include <new>

#include "util/memory_error.hpp"

namespace zemko {

namespace {

// Node memory comes in blocks of this size, mapped from the system with huge pages asked for
// (in a virtual machine every first touch of a small page costs a fault of several
// microseconds). The budget is checked once per block, never per node.
constexpr size_t BLOCK_BYTES = size_t{2} << 20;
constexpr size_t SLOT_ALIGN = 64;  // records and arrays start cache lines
constexpr size_t RECORD_BYTES = (sizeof(Node) + SLOT_ALIGN - 1) / SLOT_ALIGN * SLOT_ALIGN;

int array_bytes(int jobs_per_array) {
    size_t bytes = sizeof(int) * NODE_ARRAYS * static_cast<size_t>(jobs_per_array);
    bytes = bytes == 0 ? SLOT_ALIGN : bytes;
    return static_cast<int>((bytes + SLOT_ALIGN - 1) / SLOT_ALIGN * SLOT_ALIGN);
}

// A block of at least `bytes` (whole blocks), zeroed, counted in the budget.
char* map_block(NodeStorage& storage, size_t bytes) {
    const size_t size = (bytes + BLOCK_BYTES - 1) / BLOCK_BYTES * BLOCK_BYTES;
    if (storage.budget) reserve_memory(*storage.budget, size);
    void* block = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) {
        if (storage.budget) return_memory(*storage.budget, size);
        throw MemoryError();
    }
    ::madvise(block, size, MADV_HUGEPAGE);
    storage.blocks.push_back(static_cast<char*>(block));
    // The size of every block is kept in its own first bytes, which no node uses.
    *reinterpret_cast<size_t*>(block) = size;
    return static_cast<char*>(block) + SLOT_ALIGN;
}

// The zone and free-stack count of one node taken.
void count_new_node(NodeStorage& storage) {
    if (storage.stacked > 0) {
        storage.stacked -= 1;
        return;
    }
    if (storage.zones_counted == 0 || storage.zone_used == ZONE_NODES) {
        if (storage.zones_counted > 0)
            say(storage.out, "MEM: Allocating new zone. Lost nodes = %d.", storage.lost_nodes);
        storage.zones_counted += 1;
        storage.zones_live += 1;
        storage.zone_used = 0;
    }
    storage.zone_used += 1;
}

Node* take_record(NodeStorage& storage) {
    if (!storage.free_records.empty()) {
        Node* node = storage.free_records.back();
        storage.free_records.pop_back();
        return node;
    }
    if (storage.records_left == 0) {
        storage.record_cursor = map_block(storage, BLOCK_BYTES);
        storage.records_left = static_cast<int>((BLOCK_BYTES - SLOT_ALIGN) / RECORD_BYTES);
    }
    Node* node = reinterpret_cast<Node*>(storage.record_cursor);
    storage.record_cursor += RECORD_BYTES;
    storage.records_left -= 1;
    return node;
}

int* take_arrays(NodeStorage& storage) {
    if (!storage.free_arrays.empty()) {
        int* arrays = storage.free_arrays.back();
        storage.free_arrays.pop_back();
        return arrays;
    }
    if (storage.arrays_left == 0) {
        const size_t stride = static_cast<size_t>(storage.array_stride);
        const size_t usable = BLOCK_BYTES - SLOT_ALIGN;
        const size_t count = stride <= usable ? usable / stride : 1;
        storage.array_cursor = map_block(storage, count * stride + SLOT_ALIGN);
        storage.arrays_left = static_cast<int>(count);
    }
    int* arrays = reinterpret_cast<int*>(storage.array_cursor);
    storage.array_cursor += storage.array_stride;
    storage.arrays_left -= 1;
    return arrays;
}

}  // namespace

NodeStorage::~NodeStorage() {
    free_node_storage(*this);
}

void reset_node_storage(NodeStorage& storage, int n_jobs, Transcript out, MemoryBudget* budget) {
    free_node_storage(storage);
    storage.n_jobs = n_jobs;
    storage.out = out;
    storage.budget = budget;
    storage.array_stride = array_bytes(n_jobs);
    storage.zones_live = storage.lists_live = storage.lost_nodes = 0;
    storage.zones_counted = storage.zone_used = storage.stacked = 0;
}

Node* new_node_record(NodeStorage& storage) {
    Node* node = take_record(storage);
    count_new_node(storage);
    node->seq = node->unscheduled = node->c1_of = node->c2_of = nullptr;
    return node;
}

void attach_arrays(NodeStorage& storage, Node* node) {
    if (!node->seq) bind_node_arrays(node, take_arrays(storage), storage.n_jobs);
}

Node* new_node(NodeStorage& storage) {
    Node* node = new_node_record(storage);
    attach_arrays(storage, node);
    return node;
}

int release_node(NodeStorage& storage, Node* node) {
    if (storage.stacked == FREE_STACK_SIZE)
        storage.lost_nodes += 1;
    else
        storage.stacked += 1;
    if (node->seq) storage.free_arrays.push_back(node->seq);
    storage.free_records.push_back(node);
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
    for (char* block : storage.blocks) {
        const size_t size = *reinterpret_cast<size_t*>(block);
        ::munmap(block, size);
        if (storage.budget) return_memory(*storage.budget, size);
    }
    storage.blocks.clear();
    storage.free_records.clear();
    storage.free_arrays.clear();
    storage.records_left = storage.arrays_left = 0;
    // The counted zones go with the memory.
    storage.zones_live -= storage.zones_counted;
    storage.zones_counted = 0;
    storage.stacked = 0;
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
