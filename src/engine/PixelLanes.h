#pragma once
// Fixed-point arithmetic shared by the renderers and the interpolation: exact
// division by an invariant divisor, and bilinear blends of 24-bit pixels with
// weights 0..63 (summing to 3969) on SSE2 and, where the processor has it, AVX2.

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
// Lane code for AVX2, chosen at run time; every x86-64 processor has SSE2.
#define WARPLET_AVX2_LANES 1
#define WARPLET_AVX2 __attribute__((target("avx2")))
#endif

// Which kernel a renderer may use: the widest vector instructions the processor
// has, or the baseline ones (the same bytes; for tests and figures).
enum class LaneKernel { Widest, Baseline };

// Division truncating toward zero of a signed 32-bit value by a fixed positive
// divisor d, as one multiply and shift: with l = ceil(log2 d) and
// m = ceil(2^(31+l) / d), floor(u / d) = (u * m) >> (31 + l) for every
// 0 <= u < 2^31 (the rounding-up error of m adds less than 1/d). The sign is
// taken off before and put back after. Exact for every n except INT32_MIN.
class InvariantDivisor {
public:
    explicit InvariantDivisor(int32_t d);
    int32_t operator()(int32_t n) const
    {
        const int32_t sign = n >> 31;                    // 0 or -1
        const uint64_t u = uint32_t((n ^ sign) - sign);  // |n|
        const int32_t q = int32_t((u * m_multiplier) >> m_shift);
        return (q ^ sign) - sign;
    }
    // floor(u / d) = (u * Multiplier()) >> Shift() for 0 <= u < 2^31; the
    // multiplier is below 2^32.
    uint64_t Multiplier() const { return m_multiplier; }
    int Shift() const { return m_shift; }

private:
    uint64_t m_multiplier = 1;
    int m_shift = 0;
};

// s / 3969 for 0 <= s < 2^20 (every blend of bytes with non-negative weights):
// m = ceil(2^36 / 3969) overshoots by e = 3590 / 2^36 per unit, and s * e < 2^36
// keeps the error below 1/3969, so the quotient is exact. One multiply.
inline uint32_t DivideBlendSum(uint32_t s)
{
    return uint32_t((uint64_t(s) * 17314054u) >> 36);
}

// The same quotient in single precision, as the vector blend forms it: s + 0.5
// puts the exact quotient at least 0.5/3969 from an integer, and the two
// roundings (of 1/3969 and of the product) move it by less than 256 * 2^-23.
inline uint32_t BlendSumQuotient(uint32_t s)
{
    return uint32_t((float(s) + 0.5f) * (1.0f / 3969.0f));
}

#if defined(__SSE2__)
// One pixel blended from its four neighbours with non-negative weights (sum
// 3969) on SSE2: the upper row holds a and b, the lower c and d, each read 8
// bytes wide. Pairs (a_k, c_k) and (b_k, d_k) are multiplied and added in
// 32 bits; the division by 3969 is done as (s + 0.5) * (1/3969) in single
// precision, exact for s < 2^20 (see BlendSumQuotient). Writes 4 bytes: the
// fourth is the next pixel's first, which the caller writes afterwards.
inline void BlendPixel(const uint8_t* upper, const uint8_t* lower, int32_t wa, int32_t wb, int32_t wc, int32_t wd,
                       uint8_t* o)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i up = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(upper));  // a0 a1 a2 b0 b1 b2 . .
    const __m128i lo = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(lower));  // c0 c1 c2 d0 d1 d2 . .
    const __m128i pairs = _mm_unpacklo_epi8(up, lo);
    const __m128i first = _mm_unpacklo_epi8(pairs, zero);   // (a0,c0) (a1,c1) (a2,c2) (b0,d0)
    const __m128i second = _mm_unpackhi_epi8(pairs, zero);  // (b1,d1) (b2,d2) . .
    const int32_t ac = wa | (wc << 16), bd = wb | (wd << 16);
    const __m128i s1 = _mm_madd_epi16(first, _mm_set_epi32(bd, ac, ac, ac));  // A0 A1 A2 B0
    const __m128i s2 = _mm_madd_epi16(second, _mm_set_epi32(0, 0, bd, bd));   // B1 B2 0 0
    const __m128i sum = _mm_add_epi32(s1, _mm_or_si128(_mm_srli_si128(s1, 12), _mm_slli_si128(s2, 4)));
    const __m128 q = _mm_mul_ps(_mm_add_ps(_mm_cvtepi32_ps(sum), _mm_set1_ps(0.5f)), _mm_set1_ps(1.0f / 3969.0f));
    const __m128i bytes = _mm_cvttps_epi32(q);  // 0..255 in every lane
    const int32_t packed = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(bytes, bytes), zero));
    std::memcpy(o, &packed, 4);
}
#endif

#ifdef WARPLET_AVX2_LANES
// Whether the processor runs AVX2 code (checked once).
bool HasAvx2();

// n / d truncating toward zero in every lane, for |n| < 2^31, with d given as
// its InvariantDivisor multiplier (in each 64-bit lane) and shift.
WARPLET_AVX2 inline __m256i DivideLanes(__m256i n, __m256i multiplier, __m128i shift)
{
    const __m256i sign = _mm256_srai_epi32(n, 31);
    const __m256i u = _mm256_abs_epi32(n);
    const __m256i even = _mm256_srl_epi64(_mm256_mul_epu32(u, multiplier), shift);
    const __m256i odd = _mm256_srl_epi64(_mm256_mul_epu32(_mm256_srli_epi64(u, 32), multiplier), shift);
    const __m256i q = _mm256_blend_epi32(even, _mm256_slli_epi64(odd, 32), 0xAA);
    return _mm256_sub_epi32(_mm256_xor_si256(q, sign), sign);
}

struct LaneDivisor {
    __m256i multiplier;
    __m128i shift;
};

WARPLET_AVX2 inline LaneDivisor Lanes(const InvariantDivisor& d)
{
    return {_mm256_set1_epi64x(int64_t(d.Multiplier())), _mm_cvtsi32_si128(d.Shift())};
}

// Two neighbouring output pixels, each blended from the 8 bytes at `upper`
// (a, b) and at `upper - stride` (c, d) with the weights packed as
// 63 - gx | gx << 8 | 63 - gy << 16 | gy << 24. The sum is regrouped as
// (63 - gy)(a(63 - gx) + b gx) + gy(c(63 - gx) + d gx): the bracket fits 16 bits,
// so one byte multiply-add per row and one 16-bit multiply-add across the rows
// give the same integer. Returns the first pixel's three bytes (and a zero) in
// the low 32 bits and the second's in bits 128..159.
WARPLET_AVX2 inline __m256i BlendTwoPixelBytes(const uint8_t* upper0, const uint8_t* upper1, size_t stride,
                                               const uint32_t* weights)
{
    const __m128i p0 = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(upper0)),
                                          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(upper0 - stride)));
    const __m128i p1 = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(upper1)),
                                          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(upper1 - stride)));
    const __m256i bytes = _mm256_inserti128_si256(_mm256_castsi128_si256(p0), p1, 1);
    // a0 b0 c0 d0 a1 b1 c1 d1 a2 b2 c2 d2 in each half.
    const __m256i order = _mm256_setr_epi8(0, 3, 8, 11, 1, 4, 9, 12, 2, 5, 10, 13, -1, -1, -1, -1,  //
                                           0, 3, 8, 11, 1, 4, 9, 12, 2, 5, 10, 13, -1, -1, -1, -1);
    const __m256i w =
        _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(weights))),
                                    _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1));
    const __m256i across = _mm256_shuffle_epi8(w, _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1,  //
                                                                   0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1));
    const __m256i down =
        _mm256_shuffle_epi8(w, _mm256_setr_epi8(2, -1, 3, -1, 2, -1, 3, -1, 2, -1, 3, -1, 2, -1, 3, -1, 2, -1, 3, -1, 2,
                                                -1, 3, -1, 2, -1, 3, -1, 2, -1, 3, -1));
    const __m256i rows = _mm256_maddubs_epi16(_mm256_shuffle_epi8(bytes, order), across);
    const __m256i sums = _mm256_madd_epi16(rows, down);
    const __m256 q =
        _mm256_mul_ps(_mm256_add_ps(_mm256_cvtepi32_ps(sums), _mm256_set1_ps(0.5f)), _mm256_set1_ps(1.0f / 3969.0f));
    const __m256i words = _mm256_packs_epi32(_mm256_cvttps_epi32(q), _mm256_setzero_si256());
    return _mm256_packus_epi16(words, _mm256_setzero_si256());
}

// The two pixels as 24-bit bytes: writes 4 bytes at o and at o + 3.
WARPLET_AVX2 inline void BlendTwoPixels(const uint8_t* upper0, const uint8_t* upper1, size_t stride,
                                        const uint32_t* weights, uint8_t* o)
{
    const __m256i packed = BlendTwoPixelBytes(upper0, upper1, stride, weights);
    const int32_t first = _mm256_cvtsi256_si32(packed), second = _mm256_extract_epi32(packed, 4);
    std::memcpy(o, &first, 4);
    std::memcpy(o + 3, &second, 4);
}

// The two pixels as 32-bit 0xffRRGGBB values at o[0] and o[1].
WARPLET_AVX2 inline void BlendTwoPixelsRgb32(const uint8_t* upper0, const uint8_t* upper1, size_t stride,
                                             const uint32_t* weights, uint32_t* o)
{
    const __m256i packed = BlendTwoPixelBytes(upper0, upper1, stride, weights);
    o[0] = uint32_t(_mm256_cvtsi256_si32(packed)) | 0xFF000000u;
    o[1] = uint32_t(_mm256_extract_epi32(packed, 4)) | 0xFF000000u;
}

// The limits of the source for SourceTaps: its width W and height H in pixels
// and its row stride in bytes.
struct LaneSource {
    __m256i lastPlain;  // W - 3: the last column whose 8-byte read stays in the row
    __m256i bottom;     // H - 1
    __m256i stride;
};

WARPLET_AVX2 inline LaneSource LanesOf(int W, int H, int stride)
{
    return {_mm256_set1_epi32(W - 3), _mm256_set1_epi32(H - 1), _mm256_set1_epi32(stride)};
}

// For source positions sx, sy in 64ths of a pixel (y from the top), what
// BlendTwoPixelBytes reads: the byte offset of the upper-left pixel's buffer
// row (H - 1 - sy / 64, at least 1) and column, and the packed weights. With
// both positions non-negative the quotients and remainders are shifts and
// masks, and the weights 0..63; a lane with a negative position or a column
// past W - 3 gets offset -1 (for the caller's one-pixel path).
WARPLET_AVX2 inline void SourceTaps(__m256i sx, __m256i sy, const LaneSource& source, int32_t* offsets,
                                    uint32_t* weights)
{
    const __m256i k63 = _mm256_set1_epi32(63);
    const __m256i qx = _mm256_srai_epi32(sx, 6), qy = _mm256_srai_epi32(sy, 6);
    const __m256i onePixel =
        _mm256_or_si256(_mm256_srai_epi32(_mm256_or_si256(sx, sy), 31), _mm256_cmpgt_epi32(qx, source.lastPlain));
    const __m256i row = _mm256_max_epi32(_mm256_sub_epi32(source.bottom, qy), _mm256_set1_epi32(1));
    const __m256i offset =
        _mm256_add_epi32(_mm256_mullo_epi32(row, source.stride), _mm256_add_epi32(qx, _mm256_add_epi32(qx, qx)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(offsets), _mm256_or_si256(offset, onePixel));
    const __m256i gx = _mm256_and_si256(sx, k63), gy = _mm256_and_si256(sy, k63);
    const __m256i across = _mm256_or_si256(_mm256_sub_epi32(k63, gx), _mm256_slli_epi32(gx, 8));
    const __m256i down = _mm256_or_si256(_mm256_slli_epi32(_mm256_sub_epi32(k63, gy), 16), _mm256_slli_epi32(gy, 24));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(weights), _mm256_or_si256(across, down));
}
#endif
