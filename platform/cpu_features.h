#pragma once

// The fast pixel loops are compiled for newer instruction sets and chosen at
// run time, so the program still runs on the oldest x86-64 machines.
#if defined(__x86_64__) || defined(__i386__)
#define TVX_X86 1
#include <immintrin.h>
#define TVX_SSE2 __attribute__((target("sse2")))
#define TVX_SSSE3 __attribute__((target("ssse3")))
#define TVX_AVX2 __attribute__((target("avx2")))
#else
#define TVX_X86 0
#endif

namespace tvx {

#if TVX_X86
inline bool HasSse2() {
    static const bool has = __builtin_cpu_supports("sse2");
    return has;
}
inline bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
inline bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

} // namespace tvx
