#include "util/huge_page_allocator.hpp"

#include <sys/mman.h>

namespace zemko {

void* map_huge_block(std::size_t bytes) {
    void* block =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    // Only advice: without huge pages the block works the same, a little slower.
    ::madvise(block, bytes, MADV_HUGEPAGE);
    return block;
}

void unmap_huge_block(void* block, std::size_t bytes) {
    ::munmap(block, bytes);
}

}  // namespace zemko
