// Large zeroed blocks of memory mapped from the system with huge pages asked for. The search's
// per-parent tables are large and touched once per run; in a virtual machine every first
// touch of a small page costs a fault of several microseconds, a huge page one fault in all.
#pragma once

#include <cstddef>

namespace zemko {

class MappedBlock {
  public:
    MappedBlock() = default;
    MappedBlock(const MappedBlock&) = delete;
    MappedBlock& operator=(const MappedBlock&) = delete;
    ~MappedBlock();

    // Makes the block at least `bytes` long; its contents are not kept when it grows (a new
    // block is zeroed). Returns false when the system refuses the memory.
    bool ensure(size_t bytes);
    char* data() const { return data_; }
    size_t size() const { return size_; }

  private:
    char* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace zemko
