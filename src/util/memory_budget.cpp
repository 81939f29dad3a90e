// Memory accounting and the automatic ceiling.
#include "util/memory_budget.hpp"

#include <unistd.h>
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

}  // namespace

void reserve_memory(MemoryBudget& budget, size_t bytes) {
    if (budget.limit != 0 && bytes > budget.limit - budget.reserved) throw MemoryError();
    budget.reserved += bytes;
    if (budget.reserved > budget.peak) budget.peak = budget.reserved;
}

void return_memory(MemoryBudget& budget, size_t bytes) {
    budget.reserved -= bytes < budget.reserved ? bytes : budget.reserved;
}

size_t memory_limit_for_setting(int mib) {
    if (mib > 0) return static_cast<size_t>(mib) * MIB;
    size_t limit = physical_memory() / 100 * AUTOMATIC_PERCENT_OF_PHYSICAL;
    const size_t group = control_group_limit();
    if (group != 0 && (limit == 0 || group < limit)) limit = group;
    return limit;
}

}  // namespace zemko
