// Memory accounting and the automatic ceiling.
#include "util/memory_budget.hpp"

#include <sys/resource.h>
#include <unistd.h>
#include <cstdint>
#include <fstream>
#include <string>

#include "util/memory_error.hpp"

namespace zemko {

namespace {

constexpr size_t MIB = size_t{1} << 20;
constexpr int AUTOMATIC_PERCENT_OF_PHYSICAL = 80;

size_t physical_memory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long page_size = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0) return 0;
    return static_cast<size_t>(pages) * static_cast<size_t>(page_size);
}

// The memory limit of the process's control group (version 2, or version 1), 0 when it has
// none or it cannot be read.
size_t control_group_limit() {
    std::ifstream groups("/proc/self/cgroup");
    std::string line;
    std::string v2_path, v1_path;
    while (std::getline(groups, line)) {
        if (line.rfind("0::", 0) == 0) v2_path = line.substr(3);
        const size_t memory = line.find(":memory:");
        if (memory != std::string::npos) v1_path = line.substr(memory + 8);
    }
    const std::string candidates[] = {
        "/sys/fs/cgroup" + v2_path + "/memory.max",
        "/sys/fs/cgroup/memory" + v1_path + "/memory.limit_in_bytes",
        "/sys/fs/cgroup/memory.max",
    };
    for (const std::string& file : candidates) {
        std::ifstream in(file);
        std::string value;
        if (!(in >> value) || value == "max") continue;
        try {
            const unsigned long long bytes = std::stoull(value);
            // Version 1 reports "no limit" as a number near 2^63.
            if (bytes > 0 && bytes < (1ULL << 62)) return static_cast<size_t>(bytes);
        } catch (...) {
        }
    }
    return 0;
}

// The process's limit of address space (ulimit -v), 0 when it has none. Threads' stacks and
// the allocator's arenas take address space beyond what the run counts, hence the margin the
// caller leaves.
size_t address_space_limit() {
    struct rlimit limit;
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 0;
    return static_cast<size_t>(limit.rlim_cur);
}

}  // namespace

void reserve_memory(MemoryBudget& budget, size_t bytes) {
    size_t taken = budget.reserved.load();
    do {
        if (budget.limit != 0 && (taken > budget.limit || bytes > budget.limit - taken))
            throw MemoryError();
    } while (!budget.reserved.compare_exchange_weak(taken, taken + bytes));
    size_t peak = budget.peak.load();
    while (taken + bytes > peak && !budget.peak.compare_exchange_weak(peak, taken + bytes)) {
    }
}

void return_memory(MemoryBudget& budget, size_t bytes) {
    size_t taken = budget.reserved.load();
    while (!budget.reserved.compare_exchange_weak(taken, bytes < taken ? taken - bytes : 0)) {
    }
}

size_t memory_left(const MemoryBudget& budget) {
    if (budget.limit == 0) return SIZE_MAX;
    const size_t taken = budget.reserved.load();
    return taken < budget.limit ? budget.limit - taken : 0;
}

MemoryReservation::MemoryReservation(MemoryBudget* budget, size_t bytes) {
    if (budget == nullptr) return;
    reserve_memory(*budget, bytes);
    budget_ = budget;
    bytes_ = bytes;
}

MemoryReservation::MemoryReservation(MemoryReservation&& other) noexcept
    : budget_(other.budget_), bytes_(other.bytes_) {
    other.budget_ = nullptr;
    other.bytes_ = 0;
}

MemoryReservation& MemoryReservation::operator=(MemoryReservation&& other) noexcept {
    if (this != &other) {
        if (budget_) return_memory(*budget_, bytes_);
        budget_ = other.budget_;
        bytes_ = other.bytes_;
        other.budget_ = nullptr;
        other.bytes_ = 0;
    }
    return *this;
}

MemoryReservation::~MemoryReservation() {
    if (budget_) return_memory(*budget_, bytes_);
}

size_t memory_limit_for_setting(int mib) {
    if (mib > 0) return static_cast<size_t>(mib) * MIB;
    size_t limit = physical_memory() / 100 * AUTOMATIC_PERCENT_OF_PHYSICAL;
    for (const size_t other : {control_group_limit(), address_space_limit() / 4 * 3})
        if (other != 0 && (limit == 0 || other < limit)) limit = other;
    return limit;
}

}  // namespace zemko
