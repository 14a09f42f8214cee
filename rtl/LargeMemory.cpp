#include "rtl/LargeMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace zalvert {
namespace {

size_t RoundUp(size_t bytes, size_t unit) {
    return (bytes + unit - 1) / unit * unit;
}

size_t MappedBytes(size_t bytes) {
    static const auto smallPage = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    return RoundUp(bytes == 0 ? 1 : bytes, smallPage);
}

char* Map(size_t bytes) {
    void* memory =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    return static_cast<char*>(memory);
}

}  // namespace

void* AllocateLarge(size_t bytes) {
    const size_t length = MappedBytes(bytes);
    if (bytes < kLargePageBytes) return Map(length);
    // One large page more than needed, the ends cut off: the start lies on a large
    // page's boundary.
    const size_t mapped = length + kLargePageBytes;
    char* raw = Map(mapped);
    const auto address = reinterpret_cast<std::uintptr_t>(raw);
    char* start = raw + (RoundUp(address, kLargePageBytes) - address);
    char* end = start + length;
    if (start > raw) ::munmap(raw, static_cast<size_t>(start - raw));
    if (raw + mapped > end) ::munmap(end, static_cast<size_t>(raw + mapped - end));
    // Only a hint: where the system keeps to small pages, the memory is the same.
    ::madvise(start, length, MADV_HUGEPAGE);
    return start;
}

void FreeLarge(void* memory, size_t bytes) noexcept {
    if (memory) ::munmap(memory, MappedBytes(bytes));
}

void ReleaseLargeTail(void* memory, size_t used, size_t bytes) noexcept {
    if (!memory || bytes < kLargePageBytes) return;
    const size_t from = used == 0 ? 0 : MappedBytes(used);
    const size_t to = MappedBytes(bytes);
    if (from < to) ::madvise(static_cast<char*>(memory) + from, to - from, MADV_DONTNEED);
}

}  // namespace zalvert
