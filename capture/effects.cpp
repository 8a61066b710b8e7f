#include "capture/effects.h"

#include <algorithm>
#include <cstring>

#include "capture/cpu_features.h"

namespace tvx {

namespace {

uint8_t* RowPtr(const FrameView& f, int r) {
    return f.data + std::ptrdiff_t(r) * f.stride;
}

bool Usable(const FrameView& f) {
    return f.data && f.width > 0 && f.height > 0 && f.stride >= f.width * 3;
}

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
TVX_SSSE3 inline void ReverseBlockSsse3(const uint8_t* p, uint8_t* out) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    __m128i* q = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(q, _mm_or_si128(_mm_shuffle_epi8(b, ReverseMask(0, 1)),
                                     _mm_shuffle_epi8(d, ReverseMask(0, 2))));
    _mm_storeu_si128(q + 1, _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, ReverseMask(1, 0)),
                                                      _mm_shuffle_epi8(b, ReverseMask(1, 1))),
                                         _mm_shuffle_epi8(d, ReverseMask(1, 2))));
    _mm_storeu_si128(q + 2, _mm_or_si128(_mm_shuffle_epi8(a, ReverseMask(2, 0)),
                                         _mm_shuffle_epi8(b, ReverseMask(2, 1))));
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

// Two blocks side by side, one in each half of the wide registers: the
// same shuffles, half as many instructions.
TVX_AVX2 void ReverseRowAvx2(const uint8_t* src, uint8_t* dst, int w) {
    const __m256i m01 = ReverseMask2(0, 1), m02 = ReverseMask2(0, 2);
    const __m256i m10 = ReverseMask2(1, 0), m11 = ReverseMask2(1, 1), m12 = ReverseMask2(1, 2);
    const __m256i m20 = ReverseMask2(2, 0), m21 = ReverseMask2(2, 1);
    int c = 0;
    for (; c + 32 <= w; c += 32) {
        const uint8_t* px = src + std::ptrdiff_t(w - 16 - c) * 3; // output c .. c+15
        const uint8_t* py = src + std::ptrdiff_t(w - 32 - c) * 3; // output c+16 .. c+31
        const __m256i a = Both(px, py), b = Both(px + 16, py + 16), d = Both(px + 32, py + 32);
        const __m256i o0 =
            _mm256_or_si256(_mm256_shuffle_epi8(b, m01), _mm256_shuffle_epi8(d, m02));
        const __m256i o1 = _mm256_or_si256(
            _mm256_or_si256(_mm256_shuffle_epi8(a, m10), _mm256_shuffle_epi8(b, m11)),
            _mm256_shuffle_epi8(d, m12));
        const __m256i o2 =
            _mm256_or_si256(_mm256_shuffle_epi8(a, m20), _mm256_shuffle_epi8(b, m21));
        __m128i* q = reinterpret_cast<__m128i*>(dst + std::ptrdiff_t(c) * 3);
        _mm_storeu_si128(q, _mm256_castsi256_si128(o0));
        _mm_storeu_si128(q + 1, _mm256_castsi256_si128(o1));
        _mm_storeu_si128(q + 2, _mm256_castsi256_si128(o2));
        _mm_storeu_si128(q + 3, _mm256_extracti128_si256(o0, 1));
        _mm_storeu_si128(q + 4, _mm256_extracti128_si256(o1, 1));
        _mm_storeu_si128(q + 5, _mm256_extracti128_si256(o2, 1));
    }
    for (; c + 16 <= w; c += 16)
        ReverseBlockSsse3(src + std::ptrdiff_t(w - 16 - c) * 3, dst + std::ptrdiff_t(c) * 3);
    ReverseRowScalar(src, dst, c, w);
}
#endif

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

void ChannelRowScalar(uint8_t* row, int from, int w, const ChannelRule& rule) {
    for (int c = from; c < w; ++c) {
        uint8_t* p = row + std::ptrdiff_t(c) * 3;
        const uint8_t v[4] = {p[0], p[1], p[2], 0};
        p[0] = v[rule.from[0]];
        p[1] = v[rule.from[1]];
        p[2] = v[rule.from[2]];
    }
}

#if TVX_X86
// Five pixels (15 bytes) per step in place; byte 15 of the shuffle keeps its
// own value so the overlapping store leaves the next pixel untouched. Each
// chunk is loaded before the previous one is stored: a load that overlaps a
// store still in flight would stall on every step.
TVX_SSSE3 void ChannelsSsse3(const FrameView& f, const ChannelRule& rule) {
    alignas(16) int8_t m[16];
    for (int k = 0; k < 5; ++k)
        for (int j = 0; j < 3; ++j)
            m[3 * k + j] = rule.from[j] == 3 ? int8_t(-128) : int8_t(3 * k + rule.from[j]);
    m[15] = 15;
    const __m128i mask = _mm_load_si128(reinterpret_cast<const __m128i*>(m));
    const int rowBytes = f.width * 3;
    for (int r = 0; r < f.height; ++r) {
        uint8_t* row = RowPtr(f, r);
        int o = 0;
        if (rowBytes >= 16) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
            for (; o + 31 <= rowBytes; o += 15) {
                const __m128i next =
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + o + 15));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(row + o), _mm_shuffle_epi8(v, mask));
                v = next;
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + o), _mm_shuffle_epi8(v, mask));
            o += 15;
        }
        ChannelRowScalar(row, o / 3, f.width, rule);
    }
}
#endif

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

void MirrorHorizontal(const FrameView& f, std::vector<uint8_t>& rowScratch) {
    if (!Usable(f)) return;
    const std::size_t rowBytes = std::size_t(f.width) * 3;
    uint8_t* tmp = Scratch(rowScratch, rowBytes);
    for (int r = 0; r < f.height; ++r) {
        uint8_t* row = RowPtr(f, r);
        ReverseRow(row, tmp, f.width);
        std::memcpy(row, tmp, rowBytes);
    }
}

void MirrorHorizontalInto(const FrameView& src, const FrameView& dst) {
    if (!Usable(src) || !Usable(dst) || src.width != dst.width || src.height != dst.height) return;
    for (int r = 0; r < src.height; ++r)
        ReverseRow(RowPtr(src, r), RowPtr(dst, r), src.width);
}

void Turn180(const FrameView& f, std::vector<uint8_t>& rowScratch) {
    if (!Usable(f)) return;
    const std::size_t rowBytes = std::size_t(f.width) * 3;
    uint8_t* tmp = Scratch(rowScratch, rowBytes);
    for (int top = 0, bottom = f.height - 1; top <= bottom; ++top, --bottom) {
        uint8_t* a = RowPtr(f, top);
        uint8_t* b = RowPtr(f, bottom);
        ReverseRow(a, tmp, f.width);
        if (a != b) ReverseRow(b, a, f.width);
        std::memcpy(b, tmp, rowBytes);
    }
}

void Turn180Into(const FrameView& src, const FrameView& dst) {
    if (!Usable(src) || !Usable(dst) || src.width != dst.width || src.height != dst.height) return;
    for (int r = 0; r < src.height; ++r)
        ReverseRow(RowPtr(src, src.height - 1 - r), RowPtr(dst, r), src.width);
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
    if (!Usable(f)) return 0;
    const int greyStride = (f.width + 3) & ~3;
    uint8_t* grey = Scratch(greyScratch, std::size_t(greyStride) * f.height);
    // Four histograms so that runs of equal grey values do not wait on one
    // counter.
    uint32_t hist[4][256] = {};
    for (int r = 0; r < f.height; ++r) {
        uint8_t* g = grey + std::ptrdiff_t(r) * greyStride;
        GreyRow(RowPtr(f, r), g, f.width);
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
        ThresholdRow(grey + std::ptrdiff_t(r) * greyStride, RowPtr(f, r), f.width, t);
    return t;
}

void Negative(const FrameView& f) {
    if (!Usable(f)) return;
    const std::size_t rowBytes = std::size_t(f.width) * 3;
    // Packed rows are one run, so the loop vectorises over the whole frame.
    const bool packed = std::size_t(f.stride) == rowBytes;
    const int rows = packed ? 1 : f.height;
    const std::size_t run = packed ? rowBytes * f.height : rowBytes;
    for (int r = 0; r < rows; ++r) {
        uint8_t* p = RowPtr(f, r);
        for (std::size_t i = 0; i < run; ++i)
            p[i] = uint8_t(~p[i]);
    }
}

void SelectChannels(const FrameView& f, uint32_t mask) {
    const ChannelRule* rule = FindChannelRule(mask);
    if (!rule || !Usable(f)) return;
#if TVX_X86
    if (HasSsse3()) {
        ChannelsSsse3(f, *rule);
        return;
    }
#endif
    for (int r = 0; r < f.height; ++r)
        ChannelRowScalar(RowPtr(f, r), 0, f.width, *rule);
}

void ApplyEffects(const FrameView& frame, const EffectSwitches& s, EffectScratch& scratch) {
    if (s.horMirror) MirrorHorizontal(frame, scratch.row);
    if (s.verMirror) Turn180(frame, scratch.row);
    if (s.binary) BinarySegment(frame, scratch.grey);
    if (s.negative) Negative(frame);
    if (s.channelMask) SelectChannels(frame, s.channelMask);
}

} // namespace tvx
