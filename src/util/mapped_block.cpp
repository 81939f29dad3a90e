// Mapped blocks.
#include "util/mapped_block.hpp"

#include <sys/mman.h>

namespace zemko {

MappedBlock::~MappedBlock() {
    if (data_) ::munmap(data_, size_);
}

bool MappedBlock::ensure(size_t bytes) {
    if (bytes <= size_) return true;
    if (data_) ::munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
    void* block =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return false;
    ::madvise(block, bytes, MADV_HUGEPAGE);
    data_ = static_cast<char*>(block);
    size_ = bytes;
    return true;
}

}  // namespace zemko
