#include "imaging/bgr_rows.h"

#include "platform/cpu_features.h"

#include <cstddef>
#include <cstring>

namespace tvx {

namespace {

void RowScalar(const uint8_t* src, uint32_t* dst, int from, int count) {
    for (int c = from; c < count; ++c) {
        const uint8_t* p = src + std::ptrdiff_t(c) * 3;
        dst[c] = 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
}

void PackRowScalar(const uint8_t* src, uint8_t* dst, int from, int count) {
    for (int c = from; c < count; ++c) {
        dst[c * 3] = src[c * 4];
        dst[c * 3 + 1] = src[c * 4 + 1];
        dst[c * 3 + 2] = src[c * 4 + 2];
    }
}

#if TVX_X86
// Sixteen pixels per step: three 16-byte loads give four groups of four
// pixels, each spread to 32 bits with an opaque alpha byte.
TVX_SSSE3 void RowSsse3(const uint8_t* src, uint32_t* dst, int count) {
    const __m128i spread =
        _mm_setr_epi8(0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128);
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    int c = 0;
    for (; c + 16 <= count; c += 16) {
        const uint8_t* p = src + std::ptrdiff_t(c) * 3;
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
        const __m128i q0 = a;
        const __m128i q1 = _mm_alignr_epi8(b, a, 12);
        const __m128i q2 = _mm_alignr_epi8(d, b, 8);
        const __m128i q3 = _mm_srli_si128(d, 4);
        __m128i* o = reinterpret_cast<__m128i*>(dst + c);
        _mm_storeu_si128(o, _mm_or_si128(_mm_shuffle_epi8(q0, spread), alpha));
        _mm_storeu_si128(o + 1, _mm_or_si128(_mm_shuffle_epi8(q1, spread), alpha));
        _mm_storeu_si128(o + 2, _mm_or_si128(_mm_shuffle_epi8(q2, spread), alpha));
        _mm_storeu_si128(o + 3, _mm_or_si128(_mm_shuffle_epi8(q3, spread), alpha));
    }
    RowScalar(src, dst, c, count);
}

// Sixteen pixels per step, the padding bytes squeezed out of four groups.
TVX_SSSE3 void PackRowSsse3(const uint8_t* src, uint8_t* dst, int count) {
    const __m128i pack =
        _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -128, -128, -128, -128);
    int c = 0;
    for (; c + 16 <= count; c += 16) {
        const __m128i* p = reinterpret_cast<const __m128i*>(src + std::ptrdiff_t(c) * 4);
        const __m128i q0 = _mm_shuffle_epi8(_mm_loadu_si128(p), pack);
        const __m128i q1 = _mm_shuffle_epi8(_mm_loadu_si128(p + 1), pack);
        const __m128i q2 = _mm_shuffle_epi8(_mm_loadu_si128(p + 2), pack);
        const __m128i q3 = _mm_shuffle_epi8(_mm_loadu_si128(p + 3), pack);
        // q0..q3 hold 12 bytes each: 48 bytes in three stores.
        __m128i* o = reinterpret_cast<__m128i*>(dst + std::ptrdiff_t(c) * 3);
        _mm_storeu_si128(o, _mm_or_si128(q0, _mm_slli_si128(q1, 12)));
        _mm_storeu_si128(o + 1, _mm_or_si128(_mm_srli_si128(q1, 4), _mm_slli_si128(q2, 8)));
        _mm_storeu_si128(o + 2, _mm_or_si128(_mm_srli_si128(q2, 8), _mm_slli_si128(q3, 4)));
    }
    PackRowScalar(src, dst, c, count);
}
#endif

} // namespace

void BgrxRowToBgr(const uint8_t* bgrx, uint8_t* bgr, int count) {
#if TVX_X86
    if (HasSsse3()) {
        PackRowSsse3(bgrx, bgr, count);
        return;
    }
#endif
    PackRowScalar(bgrx, bgr, 0, count);
}

void BgrxRowToRgb32(const uint8_t* bgrx, uint32_t* rgb32, int count) {
    // The same byte order in memory: only the padding byte is made opaque.
    // A plain loop, which the compiler turns into vector code.
    for (int c = 0; c < count; ++c) {
        uint32_t v;
        std::memcpy(&v, bgrx + std::ptrdiff_t(c) * 4, 4);
        rgb32[c] = v | 0xFF000000u;
    }
}

void BgrRowToRgb32(const uint8_t* bgr, uint32_t* rgb32, int count) {
#if TVX_X86
    if (HasSsse3()) {
        RowSsse3(bgr, rgb32, count);
        return;
    }
#endif
    RowScalar(bgr, rgb32, 0, count);
}

} // namespace tvx
