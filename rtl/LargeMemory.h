#pragma once
// Memory for the large buffers an import fills in one go: the grid's texts and
// rows, the line keys. A request of a large page or more is mapped on its own,
// starting on a large page's boundary, and the system is asked for whole large
// pages: a file of a million lines then costs some hundred page faults instead of
// tens of thousands, each of which costs microseconds on a virtual machine. What
// is left at the end of such a request takes small pages, which count only as far
// as they are used. Smaller requests come from the heap.

#include <cstddef>
#include <memory>
#include <new>

namespace zalvert {

inline constexpr size_t kLargePageBytes = size_t{2} << 20;

// `bytes` of zeroed memory mapped on their own; throws std::bad_alloc when there is
// none.
void* AllocateLarge(size_t bytes);
// Gives back what AllocateLarge gave for the same `bytes`.
void FreeLarge(void* memory, size_t bytes) noexcept;
// Hands the pages of `bytes` from AllocateLarge that lie past its first `used` ones
// back to the system; they read as zero and take memory again when written. A
// smaller request, from the heap, is left as it is.
void ReleaseLargeTail(void* memory, size_t used, size_t bytes) noexcept;

// Large pages for a big vector, the heap for a small one.
template <class T>
struct TLargeAllocator {
    using value_type = T;

    TLargeAllocator() = default;
    template <class U>
    TLargeAllocator(const TLargeAllocator<U>&) noexcept {}

    T* allocate(size_t n) {
        if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        const size_t bytes = n * sizeof(T);
        if (bytes >= kLargePageBytes) return static_cast<T*>(AllocateLarge(bytes));
        return static_cast<T*>(::operator new (bytes, std::align_val_t{alignof(T)}));
    }
    void deallocate(T* memory, size_t n) noexcept {
        const size_t bytes = n * sizeof(T);
        if (bytes >= kLargePageBytes) return FreeLarge(memory, bytes);
        ::operator delete (memory, bytes, std::align_val_t{alignof(T)});
    }

    template <class U>
    bool operator==(const TLargeAllocator<U>&) const noexcept {
        return true;
    }
};

template <class T>
struct TLargeDelete {
    size_t Count = 0;
    void operator()(T* memory) const noexcept { TLargeAllocator<T>().deallocate(memory, Count); }
};

// An array of a fixed length, from large pages when it is that large.
template <class T>
using TLargeArray = std::unique_ptr<T[], TLargeDelete<T>>;

// `count` elements, not initialised.
template <class T>
TLargeArray<T> MakeLargeArrayForOverwrite(size_t count) {
    return TLargeArray<T>(TLargeAllocator<T>().allocate(count), TLargeDelete<T>{count});
}

}  // namespace zalvert
