#include "rtl/LargeMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

namespace zalvert {
namespace {

TEST(LargeMemory, GivesZeroedWritableMemoryFromALargePageBoundary) {
    for (const size_t bytes : {size_t{1}, size_t{4096}, kLargePageBytes - 1, kLargePageBytes,
                               kLargePageBytes + 1, 3 * kLargePageBytes + 12345}) {
        auto* memory = static_cast<unsigned char*>(AllocateLarge(bytes));
        ASSERT_NE(memory, nullptr);
        if (bytes >= kLargePageBytes) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(memory) % kLargePageBytes, 0u) << bytes;
        }
        EXPECT_TRUE(std::all_of(memory, memory + bytes, [](unsigned char c) { return c == 0; }));
        // Every byte is ours to write.
        std::fill(memory, memory + bytes, 0xA5);
        EXPECT_EQ(memory[bytes - 1], 0xA5);
        FreeLarge(memory, bytes);
    }
    FreeLarge(nullptr, kLargePageBytes);  // like delete of nothing
}

TEST(LargeMemory, ATailGivenBackReadsAsZeroAndIsWrittenAgain) {
    const size_t bytes = 2 * kLargePageBytes + 5000, used = kLargePageBytes + 4321;
    auto* memory = static_cast<unsigned char*>(AllocateLarge(bytes));
    std::fill(memory, memory + bytes, 0x5A);
    ReleaseLargeTail(memory, used, bytes);
    // The pages holding the used bytes are kept whole; those after them read as zero.
    EXPECT_TRUE(std::all_of(memory, memory + used, [](unsigned char c) { return c == 0x5A; }));
    EXPECT_EQ(memory[bytes - 1], 0);
    EXPECT_EQ(memory[kLargePageBytes + 8192], 0);
    std::fill(memory + used, memory + bytes, 0x11);
    EXPECT_EQ(memory[bytes - 1], 0x11);
    FreeLarge(memory, bytes);
}

TEST(LargeMemory, AVectorKeepsItsValuesAcrossTheLargeSize) {
    // Grown element by element from the heap into large pages and shrunk back.
    std::vector<std::uint64_t, TLargeAllocator<std::uint64_t>> values;
    const size_t count = 3 * kLargePageBytes / sizeof(std::uint64_t);
    for (size_t i = 0; i < count; ++i) values.push_back(i * 7);
    for (size_t i = 0; i < count; i += 4099) ASSERT_EQ(values[i], i * 7);
    EXPECT_EQ(values.back(), (count - 1) * 7);
    values.resize(10);
    values.shrink_to_fit();
    std::vector<std::uint64_t> expected(10);
    std::iota(expected.begin(), expected.end(), 0);
    for (auto& value : expected) value *= 7;
    EXPECT_TRUE(std::equal(values.begin(), values.end(), expected.begin(), expected.end()));
}

}  // namespace
}  // namespace zalvert
