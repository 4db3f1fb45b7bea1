#pragma once
// Scratch memory for a whole picture's worth of working values. Blocks of 2 MB and more
// are asked of the kernel in huge pages where it offers them: faulting in tens of
// megabytes page by page cost as much as a refinement pass on a virtual machine that traps
// every first touch. Left uninitialised.
#include <cstddef>
#include <memory>

void* AllocateWorkspace(size_t bytes) noexcept; // nullptr when it cannot be had
void FreeWorkspace(void* block) noexcept;

struct WorkspaceDeleter {
    void operator()(void* block) const noexcept { FreeWorkspace(block); }
};

template <typename T> using Workspace = std::unique_ptr<T[], WorkspaceDeleter>;

// count values of T, or nullptr.
template <typename T> Workspace<T> MakeWorkspace(size_t count) {
    if (count > static_cast<size_t>(-1) / sizeof(T))
        return nullptr;
    return Workspace<T>(static_cast<T*>(AllocateWorkspace(count * sizeof(T))));
}
