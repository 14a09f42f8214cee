#pragma once
// Reads and sets whether the upper halves of the AVX registers are in use, for
// tests of code that must leave them cleared. Where the processor cannot tell
// (no AVX, or no XGETBV with ECX = 1), CanTell() is false.

#if defined(__x86_64__)
#include <cpuid.h>
#endif

namespace zalvert::testing {

#if defined(__x86_64__)

inline bool CanTellUpperVectorUse() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__builtin_cpu_supports("avx") || !__get_cpuid_count(0xD, 1, &a, &b, &c, &d)) return false;
    return (a & (1u << 2)) != 0;  // XGETBV with ECX = 1 reports the registers in use
}

inline bool UpperVectorHalvesInUse() {
    unsigned inUse = 0, high = 0;
    asm volatile("xgetbv" : "=a"(inUse), "=d"(high) : "c"(1));
    return (inUse & (1u << 2)) != 0;  // the AVX state component
}

// Writes a whole YMM register behind the compiler's back, so that no vzeroupper
// follows as it would after compiled AVX code.
inline void FillUpperVectorHalves() {
    asm volatile("vpcmpeqd %%ymm0, %%ymm0, %%ymm0" ::: "xmm0");
}

#else

inline bool CanTellUpperVectorUse() {
    return false;
}
inline bool UpperVectorHalvesInUse() {
    return false;
}
inline void FillUpperVectorHalves() {}

#endif

}  // namespace zalvert::testing
