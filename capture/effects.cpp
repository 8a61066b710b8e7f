#include "capture/effects.h"

#include <algorithm>
#include <cstring>

#include "platform/cpu_features.h"

namespace tvx {

namespace {

void ReverseRowScalar(const uint8_t* src, uint8_t* dst, int from, int w) {
    for (int c = from; c < w; ++c) {
        const uint8_t* s = src + std::ptrdiff_t(w - 1 - c) * 3;
        uint8_t* d = dst + std::ptrdiff_t(c) * 3;
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    }
}

#if TVX_X86
// Sixteen pixels (three registers) at a time, so loads and stores never
// overlap. Output byte o of a block comes from source byte
// 3 * (15 - o / 3) + o % 3; the masks pick, for every output register, its
// bytes out of each source register.
struct ReverseMasks {
    alignas(16) int8_t m[3][3][16]; // [output register][source register][byte]
    ReverseMasks() {
        for (int o = 0; o < 48; ++o) {
            const int s = 3 * (15 - o / 3) + o % 3;
            for (int i = 0; i < 3; ++i)
                m[o / 16][i][o % 16] = (s / 16 == i) ? int8_t(s % 16) : int8_t(-128);
        }
    }
};
const ReverseMasks kReverseMasks;

TVX_SSSE3 inline __m128i ReverseMask(int o, int i) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(kReverseMasks.m[o][i]));
}

// One block: output 0 takes from source registers 1 and 2, output 1 from all
// three, output 2 from 0 and 1.
struct Reversed16 {
    __m128i o0, o1, o2;
};

TVX_SSSE3 inline Reversed16 Reverse16(const uint8_t* p) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    Reversed16 r;
    r.o0 = _mm_or_si128(_mm_shuffle_epi8(b, ReverseMask(0, 1)),
                        _mm_shuffle_epi8(d, ReverseMask(0, 2)));
    r.o1 = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, ReverseMask(1, 0)),
                                     _mm_shuffle_epi8(b, ReverseMask(1, 1))),
                        _mm_shuffle_epi8(d, ReverseMask(1, 2)));
    r.o2 = _mm_or_si128(_mm_shuffle_epi8(a, ReverseMask(2, 0)),
                        _mm_shuffle_epi8(b, ReverseMask(2, 1)));
    return r;
}

TVX_SSSE3 inline void Store16(uint8_t* out, const Reversed16& r) {
    __m128i* q = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(q, r.o0);
    _mm_storeu_si128(q + 1, r.o1);
    _mm_storeu_si128(q + 2, r.o2);
}

TVX_SSSE3 inline void ReverseBlockSsse3(const uint8_t* p, uint8_t* out) {
    Store16(out, Reverse16(p));
}

TVX_SSSE3 void ReverseRowSsse3(const uint8_t* src, uint8_t* dst, int w) {
    int c = 0;
    for (; c + 16 <= w; c += 16)
        ReverseBlockSsse3(src + std::ptrdiff_t(w - 16 - c) * 3, dst + std::ptrdiff_t(c) * 3);
    ReverseRowScalar(src, dst, c, w);
}

TVX_AVX2 inline __m256i Both(const uint8_t* lo, const uint8_t* hi) {
    return _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lo))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(hi)), 1);
}

TVX_AVX2 inline __m256i ReverseMask2(int o, int i) {
    return _mm256_broadcastsi128_si256(ReverseMask(o, i));
}

#endif

// Pixel i of left trades places with pixel n-1-i of the n pixels ending at
// rightEnd; the two runs must not overlap. Both the in-place mirror (the two
// halves of a row) and the in-place turn (a top row and its bottom partner)
// are this, so each byte is read once and written once, with no copy through
// a scratch row.
void ExchangeReversedScalar(uint8_t* left, uint8_t* rightEnd, int from, int n) {
    for (int i = from; i < n; ++i) {
        uint8_t* a = left + std::ptrdiff_t(i) * 3;
        uint8_t* b = rightEnd - std::ptrdiff_t(i + 1) * 3;
        const uint8_t t0 = a[0], t1 = a[1], t2 = a[2];
        a[0] = b[0];
        a[1] = b[1];
        a[2] = b[2];
        b[0] = t0;
        b[1] = t1;
        b[2] = t2;
    }
}

#if TVX_X86
TVX_SSSE3 void ExchangeReversedSsse3(uint8_t* left, uint8_t* rightEnd, int from, int n) {
    int i = from;
    for (; i + 16 <= n; i += 16) {
        uint8_t* l = left + std::ptrdiff_t(i) * 3;
        uint8_t* r = rightEnd - std::ptrdiff_t(i + 16) * 3;
        const Reversed16 a = Reverse16(l);
        const Reversed16 b = Reverse16(r);
        Store16(r, a);
        Store16(l, b);
    }
    ExchangeReversedScalar(left, rightEnd, i, n);
}

// Reverses the 32 pixels at p into three registers ready to store in order.
struct Reversed32 {
    __m256i o0, o1, o2;
};

TVX_AVX2 inline Reversed32 Reverse32Avx2(const uint8_t* p, const __m256i m[7]) {
    const uint8_t* px = p + 48; // becomes output pixels 0 .. 15
    const uint8_t* py = p;      // becomes output pixels 16 .. 31
    const __m256i a = Both(px, py), b = Both(px + 16, py + 16), d = Both(px + 32, py + 32);
    Reversed32 r;
    r.o0 = _mm256_or_si256(_mm256_shuffle_epi8(b, m[0]), _mm256_shuffle_epi8(d, m[1]));
    r.o1 =
        _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(a, m[2]), _mm256_shuffle_epi8(b, m[3])),
                        _mm256_shuffle_epi8(d, m[4]));
    r.o2 = _mm256_or_si256(_mm256_shuffle_epi8(a, m[5]), _mm256_shuffle_epi8(b, m[6]));
    return r;
}

// Whole 32-byte stores: the halves are regrouped so the 96 output bytes go
// out in three stores rather than six, which is what bounds the in-place
// mirror.
TVX_AVX2 inline void Store32(uint8_t* out, const Reversed32& r) {
    __m256i* q = reinterpret_cast<__m256i*>(out);
    _mm256_storeu_si256(q, _mm256_permute2x128_si256(r.o0, r.o1, 0x20));
    _mm256_storeu_si256(q + 1, _mm256_permute2x128_si256(r.o2, r.o0, 0x30));
    _mm256_storeu_si256(q + 2, _mm256_permute2x128_si256(r.o1, r.o2, 0x31));
}

TVX_AVX2 void ExchangeReversedAvx2(uint8_t* left, uint8_t* rightEnd, int n) {
    const __m256i m[7] = {ReverseMask2(0, 1), ReverseMask2(0, 2), ReverseMask2(1, 0),
                          ReverseMask2(1, 1), ReverseMask2(1, 2), ReverseMask2(2, 0),
                          ReverseMask2(2, 1)};
    int i = 0;
    for (; i + 32 <= n; i += 32) {
        uint8_t* l = left + std::ptrdiff_t(i) * 3;
        uint8_t* r = rightEnd - std::ptrdiff_t(i + 32) * 3;
        const Reversed32 a = Reverse32Avx2(l, m);
        const Reversed32 b = Reverse32Avx2(r, m);
        Store32(r, a);
        Store32(l, b);
    }
    // The narrow steps are written here rather than called: a call into
    // code built for the older encoding stalls on the wide registers' state.
    for (; i + 16 <= n; i += 16) {
        uint8_t* l = left + std::ptrdiff_t(i) * 3;
        uint8_t* r = rightEnd - std::ptrdiff_t(i + 16) * 3;
        const Reversed16 a = Reverse16(l);
        const Reversed16 b = Reverse16(r);
        Store16(r, a);
        Store16(l, b);
    }
    ExchangeReversedScalar(left, rightEnd, i, n);
}
// Two blocks side by side, one in each half of the wide registers: the
// same shuffles, half as many instructions.
TVX_AVX2 void ReverseRowAvx2(const uint8_t* src, uint8_t* dst, int w) {
    const __m256i m[7] = {ReverseMask2(0, 1), ReverseMask2(0, 2), ReverseMask2(1, 0),
                          ReverseMask2(1, 1), ReverseMask2(1, 2), ReverseMask2(2, 0),
                          ReverseMask2(2, 1)};
    int c = 0;
    for (; c + 32 <= w; c += 32)
        Store32(dst + std::ptrdiff_t(c) * 3,
                Reverse32Avx2(src + std::ptrdiff_t(w - 32 - c) * 3, m));
    for (; c + 16 <= w; c += 16)
        ReverseBlockSsse3(src + std::ptrdiff_t(w - 16 - c) * 3, dst + std::ptrdiff_t(c) * 3);
    ReverseRowScalar(src, dst, c, w);
}
#endif

void ExchangeReversed(uint8_t* left, uint8_t* rightEnd, int n) {
#if TVX_X86
    if (HasAvx2()) {
        ExchangeReversedAvx2(left, rightEnd, n);
        return;
    }
    if (HasSsse3()) {
        ExchangeReversedSsse3(left, rightEnd, 0, n);
        return;
    }
#endif
    ExchangeReversedScalar(left, rightEnd, 0, n);
}

// dst must not overlap src.
void ReverseRow(const uint8_t* src, uint8_t* dst, int w) {
#if TVX_X86
    if (HasAvx2()) {
        ReverseRowAvx2(src, dst, w);
        return;
    }
    if (HasSsse3()) {
        ReverseRowSsse3(src, dst, w);
        return;
    }
#endif
    ReverseRowScalar(src, dst, 0, w);
}

uint8_t* Scratch(std::vector<uint8_t>& v, std::size_t n) {
    if (v.size() < n) v.resize(n);
    return v.data();
}

// ---- channel selection ----

// Per-pixel byte sources for the six masks: blue, green, red; 3 = zero.
struct ChannelRule {
    uint32_t mask;
    int8_t from[3];
};
constexpr ChannelRule kChannelRules[] = {
    {kChannelR, {2, 2, 2}},
    {kChannelG, {1, 1, 1}},
    {kChannelB, {0, 0, 0}},
    {kChannelR | kChannelG, {3, 1, 2}},
    {kChannelR | kChannelB, {0, 3, 2}},
    {kChannelG | kChannelB, {0, 1, 3}},
};

const ChannelRule* FindChannelRule(uint32_t mask) {
    for (const ChannelRule& r : kChannelRules)
        if (r.mask == mask) return &r;
    return nullptr;
}

#if TVX_X86
// Keeping two channels only zeroes the third: an AND with a mask that repeats
// every pixel. 48 bytes (three narrow registers) or 96 bytes (three wide
// ones) hold a whole number of pixels, so the masks line up with every step.
TVX_SSE2 void KeepBytesSse2(uint8_t* p, std::size_t n, const uint8_t keep[3]) {
    alignas(16) uint8_t m[48];
    for (int i = 0; i < 48; ++i)
        m[i] = keep[i % 3];
    const __m128i k0 = _mm_load_si128(reinterpret_cast<const __m128i*>(m));
    const __m128i k1 = _mm_load_si128(reinterpret_cast<const __m128i*>(m + 16));
    const __m128i k2 = _mm_load_si128(reinterpret_cast<const __m128i*>(m + 32));
    std::size_t i = 0;
    for (; i + 48 <= n; i += 48) {
        __m128i* q = reinterpret_cast<__m128i*>(p + i);
        _mm_storeu_si128(q, _mm_and_si128(_mm_loadu_si128(q), k0));
        _mm_storeu_si128(q + 1, _mm_and_si128(_mm_loadu_si128(q + 1), k1));
        _mm_storeu_si128(q + 2, _mm_and_si128(_mm_loadu_si128(q + 2), k2));
    }
    for (; i < n; ++i)
        p[i] &= keep[i % 3];
}

TVX_AVX2 void KeepBytesAvx2(uint8_t* p, std::size_t n, const uint8_t keep[3]) {
    alignas(32) uint8_t m[96];
    for (int i = 0; i < 96; ++i)
        m[i] = keep[i % 3];
    const __m256i k0 = _mm256_load_si256(reinterpret_cast<const __m256i*>(m));
    const __m256i k1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(m + 32));
    const __m256i k2 = _mm256_load_si256(reinterpret_cast<const __m256i*>(m + 64));
    std::size_t i = 0;
    for (; i + 96 <= n; i += 96) {
        __m256i* q = reinterpret_cast<__m256i*>(p + i);
        _mm256_storeu_si256(q, _mm256_and_si256(_mm256_loadu_si256(q), k0));
        _mm256_storeu_si256(q + 1, _mm256_and_si256(_mm256_loadu_si256(q + 1), k1));
        _mm256_storeu_si256(q + 2, _mm256_and_si256(_mm256_loadu_si256(q + 2), k2));
    }
    KeepBytesSse2(p + i, n - i, keep);
}

// Output byte t of a step takes the byte that starts its pixel's three,
// counted from where the load of its 16-byte lane begins. Built once: the
// loops run per row.
struct SpreadMasks {
    alignas(32) int8_t narrow[3][16];
    alignas(32) int8_t wide[3][32];
    static int Base(int lane) { return 3 * (16 * lane / 3); }
    SpreadMasks() {
        for (int j = 0; j < 3; ++j)
            for (int t = 0; t < 16; ++t)
                narrow[j][t] = int8_t(3 * ((16 * j + t) / 3) - Base(j));
        for (int l = 0; l < 6; ++l)
            for (int t = 0; t < 16; ++t)
                wide[l / 2][(l % 2) * 16 + t] = int8_t(3 * ((16 * l + t) / 3) - Base(l));
    }
};
const SpreadMasks kSpreadMasks;

// One channel spread over its pixel. Every 16 output bytes draw on 16
// source bytes that start at a pixel's channel byte: for register j of a
// 48-byte step that is byte 15 j + channel. All three loads come before the
// stores, and the next step reads only past this one, so working in place
// is safe.
TVX_SSSE3 void SpreadChannelSsse3(uint8_t* row, int w, int channel) {
    const auto& m = kSpreadMasks.narrow;
    const __m128i m0 = _mm_load_si128(reinterpret_cast<const __m128i*>(m[0]));
    const __m128i m1 = _mm_load_si128(reinterpret_cast<const __m128i*>(m[1]));
    const __m128i m2 = _mm_load_si128(reinterpret_cast<const __m128i*>(m[2]));
    const int rowBytes = w * 3;
    int o = 0;
    for (; o + 48 <= rowBytes; o += 48) {
        const uint8_t* s = row + o + channel;
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 15));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 30));
        __m128i* q = reinterpret_cast<__m128i*>(row + o);
        _mm_storeu_si128(q, _mm_shuffle_epi8(a, m0));
        _mm_storeu_si128(q + 1, _mm_shuffle_epi8(b, m1));
        _mm_storeu_si128(q + 2, _mm_shuffle_epi8(d, m2));
    }
    for (int c = o / 3; c < w; ++c) {
        uint8_t* p = row + std::ptrdiff_t(c) * 3;
        p[0] = p[1] = p[2] = p[channel];
    }
}

// The same with 96 bytes a step: six 16-byte lanes, lane l reading from the
// first pixel it touches, byte 3 floor(16 l / 3) + channel.
TVX_AVX2 void SpreadChannelAvx2(uint8_t* row, int w, int channel) {
    const auto& m = kSpreadMasks.wide;
    const __m256i m0 = _mm256_load_si256(reinterpret_cast<const __m256i*>(m[0]));
    const __m256i m1 = _mm256_load_si256(reinterpret_cast<const __m256i*>(m[1]));
    const __m256i m2 = _mm256_load_si256(reinterpret_cast<const __m256i*>(m[2]));
    const int rowBytes = w * 3;
    int o = 0;
    for (; o + 96 <= rowBytes; o += 96) {
        const uint8_t* s = row + o + channel;
        const __m256i a = Both(s, s + 15);
        const __m256i b = Both(s + 30, s + 48);
        const __m256i d = Both(s + 63, s + 78);
        __m256i* q = reinterpret_cast<__m256i*>(row + o);
        _mm256_storeu_si256(q, _mm256_shuffle_epi8(a, m0));
        _mm256_storeu_si256(q + 1, _mm256_shuffle_epi8(b, m1));
        _mm256_storeu_si256(q + 2, _mm256_shuffle_epi8(d, m2));
    }
    SpreadChannelSsse3(row + o, w - o / 3, channel);
}

TVX_SSE2 void InvertSse2(uint8_t* p, std::size_t n) {
    const __m128i ones = _mm_set1_epi8(-1);
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        __m128i* q = reinterpret_cast<__m128i*>(p + i);
        const __m128i a = _mm_loadu_si128(q), b = _mm_loadu_si128(q + 1);
        const __m128i c = _mm_loadu_si128(q + 2), d = _mm_loadu_si128(q + 3);
        _mm_storeu_si128(q, _mm_xor_si128(a, ones));
        _mm_storeu_si128(q + 1, _mm_xor_si128(b, ones));
        _mm_storeu_si128(q + 2, _mm_xor_si128(c, ones));
        _mm_storeu_si128(q + 3, _mm_xor_si128(d, ones));
    }
    for (; i + 16 <= n; i += 16) {
        __m128i* q = reinterpret_cast<__m128i*>(p + i);
        _mm_storeu_si128(q, _mm_xor_si128(_mm_loadu_si128(q), ones));
    }
    for (; i < n; ++i)
        p[i] = uint8_t(~p[i]);
}

TVX_AVX2 void InvertAvx2(uint8_t* p, std::size_t n) {
    const __m256i ones = _mm256_set1_epi8(-1);
    std::size_t i = 0;
    for (; i + 128 <= n; i += 128) {
        __m256i* q = reinterpret_cast<__m256i*>(p + i);
        const __m256i a = _mm256_loadu_si256(q), b = _mm256_loadu_si256(q + 1);
        const __m256i c = _mm256_loadu_si256(q + 2), d = _mm256_loadu_si256(q + 3);
        _mm256_storeu_si256(q, _mm256_xor_si256(a, ones));
        _mm256_storeu_si256(q + 1, _mm256_xor_si256(b, ones));
        _mm256_storeu_si256(q + 2, _mm256_xor_si256(c, ones));
        _mm256_storeu_si256(q + 3, _mm256_xor_si256(d, ones));
    }
    InvertSse2(p + i, n - i);
}
#endif

void Invert(uint8_t* p, std::size_t n) {
#if TVX_X86
    if (HasAvx2()) {
        InvertAvx2(p, n);
        return;
    }
    if (HasSse2()) {
        InvertSse2(p, n);
        return;
    }
#endif
    for (std::size_t i = 0; i < n; ++i)
        p[i] = uint8_t(~p[i]);
}

void KeepBytes(uint8_t* p, std::size_t n, const uint8_t keep[3]) {
#if TVX_X86
    if (HasAvx2()) {
        KeepBytesAvx2(p, n, keep);
        return;
    }
    if (HasSse2()) {
        KeepBytesSse2(p, n, keep);
        return;
    }
#endif
    for (std::size_t i = 0; i < n; ++i)
        p[i] &= keep[i % 3];
}

void SpreadChannel(uint8_t* row, int w, int channel) {
#if TVX_X86
    if (HasAvx2()) {
        SpreadChannelAvx2(row, w, channel);
        return;
    }
    if (HasSsse3()) {
        SpreadChannelSsse3(row, w, channel);
        return;
    }
#endif
    for (int c = 0; c < w; ++c) {
        uint8_t* p = row + std::ptrdiff_t(c) * 3;
        p[0] = p[1] = p[2] = p[channel];
    }
}

// Packed rows are one run for the byte-wise effects; padded rows go one by one
// so their padding is left alone.
template <typename Fn> void ForEachRun(const FrameView& f, Fn&& fn) {
    const std::size_t rowBytes = std::size_t(f.width) * 3;
    if (std::size_t(f.stride) == rowBytes) {
        fn(f.data, rowBytes * std::size_t(f.height));
        return;
    }
    if (f.stride == -std::ptrdiff_t(rowBytes)) { // packed top-down: the top row comes first
        fn(f.row(f.height - 1), rowBytes * std::size_t(f.height));
        return;
    }
    for (int r = 0; r < f.height; ++r)
        fn(f.row(r), rowBytes);
}

// ---- binary segmentation ----

void GreyRowScalar(const uint8_t* src, uint8_t* grey, int from, int w) {
    for (int c = from; c < w; ++c) {
        const uint8_t* p = src + std::ptrdiff_t(c) * 3;
        grey[c] = GreyValue(p[0], p[1], p[2]);
    }
}

void ThresholdRowScalar(const uint8_t* grey, uint8_t* dst, int from, int w, int t) {
    for (int c = from; c < w; ++c) {
        const uint8_t v = grey[c] >= t ? 255 : 0;
        uint8_t* p = dst + std::ptrdiff_t(c) * 3;
        p[0] = p[1] = p[2] = v;
    }
}

#if TVX_X86
// Weighted sums of four pixels held in the low 12 bytes of px.
TVX_SSSE3 inline __m128i Weigh4(__m128i px, __m128i spread, __m128i weights, __m128i ones) {
    return _mm_madd_epi16(_mm_maddubs_epi16(_mm_shuffle_epi8(px, spread), weights), ones);
}

// Sixteen pixels per step: the 48 bytes are spread to four pixels of four
// bytes per register, one multiply-add of bytes weighs blue with green and
// red alone, a second one adds the two. The largest sum, 25550, fits 16 bits,
// and (x * 5243) >> 19 equals x / 100 for every x up to it.
TVX_SSSE3 void GreyRowSsse3(const uint8_t* src, uint8_t* grey, int w) {
    const __m128i spread =
        _mm_setr_epi8(0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128);
    const __m128i weights =
        _mm_setr_epi8(11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0);
    const __m128i ones = _mm_set1_epi16(1);
    const __m128i half = _mm_set1_epi16(50), recip = _mm_set1_epi16(5243);
    int c = 0;
    for (; c + 16 <= w; c += 16) {
        const uint8_t* p = src + std::ptrdiff_t(c) * 3;
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
        const __m128i s0 = Weigh4(a, spread, weights, ones);
        const __m128i s1 = Weigh4(_mm_alignr_epi8(b, a, 12), spread, weights, ones);
        const __m128i s2 = Weigh4(_mm_alignr_epi8(d, b, 8), spread, weights, ones);
        const __m128i s3 = Weigh4(_mm_srli_si128(d, 4), spread, weights, ones);
        __m128i lo = _mm_add_epi16(_mm_packs_epi32(s0, s1), half);
        __m128i hi = _mm_add_epi16(_mm_packs_epi32(s2, s3), half);
        lo = _mm_srli_epi16(_mm_mulhi_epu16(lo, recip), 3);
        hi = _mm_srli_epi16(_mm_mulhi_epu16(hi, recip), 3);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(grey + c), _mm_packus_epi16(lo, hi));
    }
    GreyRowScalar(src, grey, c, w);
}

// Sixteen grey values become 48 bytes of black or white.
TVX_SSSE3 void ThresholdRowSsse3(const uint8_t* grey, uint8_t* dst, int w, int t) {
    const __m128i e0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i e1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i e2 =
        _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    const __m128i tv = _mm_set1_epi8(char(uint8_t(t)));
    int c = 0;
    for (; c + 16 <= w; c += 16) {
        const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(grey + c));
        const __m128i m = _mm_cmpeq_epi8(_mm_max_epu8(g, tv), g);
        uint8_t* p = dst + std::ptrdiff_t(c) * 3;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_shuffle_epi8(m, e0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16), _mm_shuffle_epi8(m, e1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 32), _mm_shuffle_epi8(m, e2));
    }
    ThresholdRowScalar(grey, dst, c, w, t);
}
#endif

void GreyRow(const uint8_t* src, uint8_t* grey, int w) {
#if TVX_X86
    if (HasSsse3()) {
        GreyRowSsse3(src, grey, w);
        return;
    }
#endif
    GreyRowScalar(src, grey, 0, w);
}

void ThresholdRow(const uint8_t* grey, uint8_t* dst, int w, int t) {
#if TVX_X86
    if (HasSsse3()) {
        ThresholdRowSsse3(grey, dst, w, t);
        return;
    }
#endif
    ThresholdRowScalar(grey, dst, 0, w, t);
}

} // namespace

void MirrorHorizontal(const FrameView& f, std::vector<uint8_t>& /*rowScratch*/) {
    if (!f.usable()) return;
    const std::ptrdiff_t rowBytes = std::ptrdiff_t(f.width) * 3;
    for (int r = 0; r < f.height; ++r) {
        uint8_t* row = f.row(r);
        ExchangeReversed(row, row + rowBytes, f.width / 2);
    }
}

void MirrorHorizontalInto(const FrameView& src, const FrameView& dst) {
    if (!src.usable() || !dst.usable() || src.width != dst.width || src.height != dst.height)
        return;
    for (int r = 0; r < src.height; ++r)
        ReverseRow(src.row(r), dst.row(r), src.width);
}

void Turn180(const FrameView& f, std::vector<uint8_t>& /*rowScratch*/) {
    if (!f.usable()) return;
    const std::ptrdiff_t rowBytes = std::ptrdiff_t(f.width) * 3;
    int top = 0, bottom = f.height - 1;
    for (; top < bottom; ++top, --bottom)
        ExchangeReversed(f.row(top), f.row(bottom) + rowBytes, f.width);
    if (top == bottom) { // the middle row of an odd height turns onto itself
        uint8_t* row = f.row(top);
        ExchangeReversed(row, row + rowBytes, f.width / 2);
    }
}

void Turn180Into(const FrameView& src, const FrameView& dst) {
    if (!src.usable() || !dst.usable() || src.width != dst.width || src.height != dst.height)
        return;
    for (int r = 0; r < src.height; ++r)
        ReverseRow(src.row(src.height - 1 - r), dst.row(r), src.width);
}

int OtsuThreshold(const uint32_t histogram[256]) {
    uint64_t total = 0;
    double sumAll = 0;
    for (int g = 0; g < 256; ++g) {
        total += histogram[g];
        sumAll += double(g) * histogram[g];
    }
    if (total == 0) return 0;
    const float n = float(total);
    uint64_t count0 = 0;
    double m0 = 0;
    float bestSigma = 0.0f;
    int best = 0;
    for (int t = 0; t < 255; ++t) {
        count0 += histogram[t];
        m0 += double(t) * histogram[t];
        if (count0 == 0 || count0 == total) continue; // one class is empty: no split here
        const float c0 = float(count0);
        const float w0 = c0 / n;
        const double mu0 = m0 / double(c0);
        const double mu1 = (sumAll - m0) / double(total - count0);
        const double d = mu1 - mu0;
        const float sigma = float(double(w0 * (1.0f - w0)) * d * d);
        if (sigma > bestSigma) {
            bestSigma = sigma;
            best = t;
        }
    }
    return best;
}

int BinarySegment(const FrameView& f, std::vector<uint8_t>& greyScratch) {
    if (!f.usable()) return 0;
    const int greyStride = (f.width + 3) & ~3;
    uint8_t* grey = Scratch(greyScratch, std::size_t(greyStride) * f.height);
    // Four histograms so that runs of equal grey values do not wait on one
    // counter.
    uint32_t hist[4][256] = {};
    for (int r = 0; r < f.height; ++r) {
        uint8_t* g = grey + std::ptrdiff_t(r) * greyStride;
        GreyRow(f.row(r), g, f.width);
        int c = 0;
        for (; c + 8 <= f.width; c += 8) {
            uint64_t v;
            std::memcpy(&v, g + c, 8);
            ++hist[0][v & 0xFF];
            ++hist[1][(v >> 8) & 0xFF];
            ++hist[2][(v >> 16) & 0xFF];
            ++hist[3][(v >> 24) & 0xFF];
            ++hist[0][(v >> 32) & 0xFF];
            ++hist[1][(v >> 40) & 0xFF];
            ++hist[2][(v >> 48) & 0xFF];
            ++hist[3][v >> 56];
        }
        for (; c < f.width; ++c)
            ++hist[0][g[c]];
    }
    uint32_t histogram[256];
    for (int v = 0; v < 256; ++v)
        histogram[v] = hist[0][v] + hist[1][v] + hist[2][v] + hist[3][v];
    const int t = OtsuThreshold(histogram);
    for (int r = 0; r < f.height; ++r)
        ThresholdRow(grey + std::ptrdiff_t(r) * greyStride, f.row(r), f.width, t);
    return t;
}

void Negative(const FrameView& f) {
    if (!f.usable()) return;
    ForEachRun(f, [](uint8_t* p, std::size_t n) { Invert(p, n); });
}

void SelectChannels(const FrameView& f, uint32_t mask) {
    const ChannelRule* rule = FindChannelRule(mask);
    if (!rule || !f.usable()) return;
    int zeroed = -1, spread = -1;
    for (int j = 0; j < 3; ++j) {
        if (rule->from[j] == 3) zeroed = j;
        if (rule->from[j] != j) spread = rule->from[j];
    }
    if (zeroed >= 0) {
        uint8_t keep[3] = {0xFF, 0xFF, 0xFF};
        keep[zeroed] = 0;
        ForEachRun(f, [&](uint8_t* p, std::size_t n) { KeepBytes(p, n, keep); });
        return;
    }
    for (int r = 0; r < f.height; ++r)
        SpreadChannel(f.row(r), f.width, spread);
}

void ApplyEffects(const FrameView& frame, const EffectSwitches& s, EffectScratch& scratch) {
    if (s.horMirror) MirrorHorizontal(frame, scratch.row);
    if (s.verMirror) Turn180(frame, scratch.row);
    if (s.binary) BinarySegment(frame, scratch.grey);
    if (s.negative) Negative(frame);
    if (s.channelMask) SelectChannels(frame, s.channelMask);
}

} // namespace tvx
