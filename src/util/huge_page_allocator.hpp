// An allocator for large arrays that are read at random: blocks of HUGE_PAGE_MIN_BYTES or more
// are mapped from the system with huge pages asked for, so that a lookup in a table of hundreds
// of megabytes costs one miss of the translation buffer less; smaller ones come from the heap.
#pragma once

#include <cstddef>
#include <new>

namespace zemko {

inline constexpr std::size_t HUGE_PAGE_MIN_BYTES = std::size_t{4} << 20;

// The mapped block of `bytes` bytes (throws std::bad_alloc when the system refuses it), and its
// return.
void* map_huge_block(std::size_t bytes);
void unmap_huge_block(void* block, std::size_t bytes);

template <typename T>
struct HugePageAllocator {
    using value_type = T;
    HugePageAllocator() = default;
    template <typename U>
    HugePageAllocator(const HugePageAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < HUGE_PAGE_MIN_BYTES) return static_cast<T*>(::operator new(bytes));
        return static_cast<T*>(map_huge_block(bytes));
    }
    void deallocate(T* block, std::size_t count) noexcept {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < HUGE_PAGE_MIN_BYTES)
            ::operator delete(block);
        else
            unmap_huge_block(block, bytes);
    }
    template <typename U>
    bool operator==(const HugePageAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace zemko
