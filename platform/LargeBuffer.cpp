#include "platform/LargeBuffer.h"

#include <cstdlib>
#include <sys/mman.h>

namespace LargeBuffer {

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
} // namespace

void* Allocate(size_t bytes) noexcept {
    if (bytes < kHugePage)
        return std::malloc(bytes ? bytes : 1);
    if (bytes > static_cast<size_t>(-1) - kHugePage)
        return nullptr;
    const size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    void* block = std::aligned_alloc(kHugePage, rounded);
    // Only advice: where huge pages are off, the block is ordinary memory.
    if (block)
        madvise(block, rounded, MADV_HUGEPAGE);
    return block;
}

void Free(void* block) noexcept {
    std::free(block);
}

} // namespace LargeBuffer
