#pragma once
// Memory for whole pictures and mip chains. Blocks of 2 MB and more are asked of the
// kernel in huge pages where it offers them: faulting in a 1024 x 1024 level page by page
// cost more than compressing it on a virtual machine that traps every first touch.
#include <cstddef>
#include <new>
#include <vector>

namespace LargeBuffer {

// nullptr when the memory cannot be had; release with Free.
void* Allocate(size_t bytes) noexcept;
void Free(void* block) noexcept;

struct Deleter {
    void operator()(void* block) const noexcept { Free(block); }
};

} // namespace LargeBuffer

// A vector allocator for such buffers that also leaves new elements uninitialised: they are
// sized for the worst case and written by whoever fills them; zeroing them first only cost
// time.
template <typename T> struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <typename U> LargeAllocator(const LargeAllocator<U>&) {}
    T* allocate(size_t n) {
        if (n > static_cast<size_t>(-1) / sizeof(T))
            throw std::bad_array_new_length();
        void* block = LargeBuffer::Allocate(n * sizeof(T));
        if (!block)
            throw std::bad_alloc();
        return static_cast<T*>(block);
    }
    void deallocate(T* block, size_t) noexcept { LargeBuffer::Free(block); }
    template <typename U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <typename U, typename... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(static_cast<Args&&>(args)...);
    }
    template <typename U> bool operator==(const LargeAllocator<U>&) const { return true; }
};

using LargeBytes = std::vector<unsigned char, LargeAllocator<unsigned char>>;
