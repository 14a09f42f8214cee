#include "rtl/VectorState.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace zalvert {

#if defined(__x86_64__) || defined(__i386__)

namespace {

__attribute__((target("avx"))) void ZeroUpper() {
    _mm256_zeroupper();
}

}  // namespace

void ClearUpperVectorState() {
    // Also asks whether the system saves the AVX registers, not only the processor.
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx) ZeroUpper();
}

#else

void ClearUpperVectorState() {}

#endif

}  // namespace zalvert
