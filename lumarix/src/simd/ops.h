// The library's one set of SIMD operation wrappers: V128 (four pixels, SSE2 or NEON), V256
// (eight pixels, AVX2) and V512 (sixteen pixels, AVX-512 BW) over integer registers, so that each family's kernels are written once as
// templates over a wrapper and instantiated by its per-instruction-set files. Only what the
// kernels use is here. The NEON V128 gives every operation the lane results of its SSE2
// namesake, down to the edge cases the kernels may meet (pack saturates signed 16-bit lanes to
// unsigned bytes; a variable shift by 16 or more gives 0), so one kernel source serves both.
//
// The wrappers live in a namespace named after the instruction set the including file is built
// for (LUMARIX_SIMD_NS: avx512 with AVX-512 BW, avx2 with -mavx2, sse2 otherwise on x86, neon on
// AArch64), and so do the kernels written over them. A function compiled with AVX2 flags
// therefore never shares a name with one compiled for SSE2 or for plain code, and the linker
// cannot pick the AVX2 copy for a caller on a processor without AVX2. Include this header only
// from *_sse2.cpp, *_avx2.cpp, *_avx512.cpp and *_neon.cpp files.
//
// The 256- and 512-bit unpacks and packs work within each 128-bit quarter; the kernels only ever
// unpack a register, work on the halves and pack them back, which restores the pixel order, and
// map_px() spreads map bytes in the same order.
#pragma once

#include "simd/cpu.h"

#if !defined(LUMARIX_X86) && !defined(LUMARIX_NEON)
#error "simd/ops.h: SIMD wrappers included in a build without SIMD"
#endif

#include <cstdint>
#include <cstring>

#if defined(LUMARIX_NEON)
#include <arm_neon.h>
#define LUMARIX_SIMD_NS neon
#elif defined(__AVX512BW__) && defined(__AVX512VL__)
#include <immintrin.h>
#define LUMARIX_SIMD_NS avx512
#elif defined(__AVX2__)
#include <immintrin.h>
#define LUMARIX_SIMD_NS avx2
#elif defined(__SSE2__)
#include <immintrin.h>
#define LUMARIX_SIMD_NS sse2
#else
#error "simd/ops.h: built without SSE2"
#endif

namespace lumarix::simd::LUMARIX_SIMD_NS {

#if defined(__SSE2__)
struct V128 {
    using R = __m128i;
    static constexpr int kPixels = 4;
    static constexpr int kBytes = 16;

    static R load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void store(uint8_t* p, R v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static R zero() { return _mm_setzero_si128(); }
    static R set16(uint32_t v) { return _mm_set1_epi16(int16_t(v)); }
    static R set32(uint32_t v) { return _mm_set1_epi32(int32_t(v)); }
    /// The four 16-bit values repeated for every pixel (lane c of each pixel gets w[c]).
    static R set_px16(const uint16_t w[4]) {
        return _mm_setr_epi16(int16_t(w[0]), int16_t(w[1]), int16_t(w[2]), int16_t(w[3]), int16_t(w[0]),
                              int16_t(w[1]), int16_t(w[2]), int16_t(w[3]));
    }
    static __m128i count(uint32_t n) { return _mm_cvtsi32_si128(int(n)); }

    static R lo8(R a) { return _mm_unpacklo_epi8(a, _mm_setzero_si128()); }
    static R hi8(R a) { return _mm_unpackhi_epi8(a, _mm_setzero_si128()); }
    static R pack(R lo, R hi) { return _mm_packus_epi16(lo, hi); }

    static R add16(R a, R b) { return _mm_add_epi16(a, b); }
    static R sub16(R a, R b) { return _mm_sub_epi16(a, b); }
    static R mullo(R a, R b) { return _mm_mullo_epi16(a, b); }
    static R mulhi(R a, R b) { return _mm_mulhi_epu16(a, b); }
    /// Signed 16-bit lanes: the high half of each product (floor of a * b / 65536).
    static R mulhi_s16(R a, R b) { return _mm_mulhi_epi16(a, b); }
    template <int n> static R srli16(R a) { return _mm_srli_epi16(a, n); }
    template <int n> static R slli16(R a) { return _mm_slli_epi16(a, n); }
    template <int n> static R srli32(R a) { return _mm_srli_epi32(a, n); }
    static R srl16(R a, __m128i n) { return _mm_srl_epi16(a, n); }
    static R sll16(R a, __m128i n) { return _mm_sll_epi16(a, n); }
    static R subs_u16(R a, R b) { return _mm_subs_epu16(a, b); }
    static R adds_u8(R a, R b) { return _mm_adds_epu8(a, b); }
    static R subs_u8(R a, R b) { return _mm_subs_epu8(a, b); }

    static R set8(uint8_t v) { return _mm_set1_epi8(char(v)); }
    static R add32(R a, R b) { return _mm_add_epi32(a, b); }
    static R sub32(R a, R b) { return _mm_sub_epi32(a, b); }
    template <int n> static R slli32(R a) { return _mm_slli_epi32(a, n); }
    /// Pairs of signed 16-bit products added into 32-bit lanes.
    static R madd16(R a, R b) { return _mm_madd_epi16(a, b); }
    /// The pixels (32-bit lanes) in reverse order.
    static R reverse32(R a) { return _mm_shuffle_epi32(a, 0x1B); }

    static R and_(R a, R b) { return _mm_and_si128(a, b); }
    static R or_(R a, R b) { return _mm_or_si128(a, b); }
    static R cmpeq16(R a, R b) { return _mm_cmpeq_epi16(a, b); }
    static R cmpeq32(R a, R b) { return _mm_cmpeq_epi32(a, b); }
    /// mask ? a : b, bit by bit.
    static R select(R mask, R a, R b) { return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b)); }
    /// a | (b & mask).
    static R or_and(R a, R b, R mask) { return _mm_or_si128(a, _mm_and_si128(b, mask)); }
    /// Each pixel's fourth byte in both of its 16-bit lanes.
    static R fourth_byte16(R v) {
        const R a = _mm_srli_epi32(v, 24);
        return _mm_or_si128(a, _mm_slli_epi32(a, 16));
    }

    /// kPixels map bytes, one per pixel, as 32-bit lanes in pixel order.
    static R map_px(const uint8_t* m) {
        int32_t v;
        std::memcpy(&v, m, 4);
        const __m128i z = _mm_setzero_si128();
        return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(v), z), z);
    }
    /// Bytes that load_px24() reads: four 3-byte pixels and two bytes after them.
    static constexpr int kPx24ReadBytes = 14;
    /// kPixels packed 3-byte pixels as 32-bit lanes with a fourth byte of 0. Each 64-bit half
    /// loads the eight bytes from its first pixel on (bytes 0..7 and 6..13); shifted left by one
    /// byte, its second pixel's bytes land in the upper lane. Masks keep three bytes of each lane.
    static R load_px24(const uint8_t* p) {
        const R v = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                                       _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 6)));
        const R even = _mm_setr_epi32(0x00FFFFFF, 0, 0x00FFFFFF, 0), odd = _mm_setr_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF);
        return _mm_or_si128(_mm_and_si128(v, even), _mm_and_si128(_mm_slli_epi64(v, 8), odd));
    }
    /// 32-bit lanes (one per pixel) spread over the 16-bit lanes of the low and high unpacked halves.
    static R px_lo16(R v32) {
        const R both = _mm_or_si128(v32, _mm_slli_epi32(v32, 16));
        return _mm_unpacklo_epi32(both, both);
    }
    static R px_hi16(R v32) {
        const R both = _mm_or_si128(v32, _mm_slli_epi32(v32, 16));
        return _mm_unpackhi_epi32(both, both);
    }

    // ---- the zooms ----
    /// Each pixel's 32-bit lane spread over its four 16-bit lanes of lo8 (spread_lo16) or hi8
    /// (spread_hi16): the lane's low half in the first three, its high half in the fourth.
    static R spread_lo16(R v32) {
        const R t = _mm_unpacklo_epi32(v32, v32);
        return _mm_shufflehi_epi16(_mm_shufflelo_epi16(t, 0x40), 0x40);
    }
    static R spread_hi16(R v32) {
        const R t = _mm_unpackhi_epi32(v32, v32);
        return _mm_shufflehi_epi16(_mm_shufflelo_epi16(t, 0x40), 0x40);
    }
    /// The pixels p[0] .. p[kPixels - 1].
    static R from_px(const uint32_t* p) {
        return _mm_setr_epi32(int32_t(p[0]), int32_t(p[1]), int32_t(p[2]), int32_t(p[3]));
    }
    /// In each pixel's four 16-bit lanes, its fourth lane (of an unpacked half).
    static R px_fourth16(R a) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(a, 0xFF), 0xFF); }
    /// Pixel pairs row[off[i]], row[off[i] + 1] for kPixels / 2 pixels i, laid out per 128 bits
    /// as the left pixels of two of them, then their right pixels.
    static R load_pairs(const uint32_t* row, const int32_t* off) {
        return _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + off[0])),
                                  _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + off[1])));
    }
    /// pack() with the pixels in order (the same here; not within 128-bit halves for V256).
    static R pack_in_order(R lo, R hi) { return _mm_packus_epi16(lo, hi); }
    /// The kPixels / 2 pixels at p in 16-bit lanes, in the order of load_pairs (pixel order).
    static R load_px16(const uint8_t* p) {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
    }

    // ---- 32-bit lanes as signed positions (the rotation) ----
    static R lane_index() { return _mm_setr_epi32(0, 1, 2, 3); }
    /// The low 32 bits of each lane's product (two unsigned 32x32 multiplies, lanes 0, 2 and 1, 3).
    static R mullo32(R a, R b) {
        const R even = _mm_mul_epu32(a, b), odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
        return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, 0x08), _mm_shuffle_epi32(odd, 0x08));
    }
    template <int n> static R srai32(R a) { return _mm_srai_epi32(a, n); }
    /// The four pixels base[offset lane], read one by one.
    static R gather32(const uint32_t* base, R offset) {
        alignas(16) int32_t o[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(o), offset);
        return _mm_setr_epi32(int32_t(base[o[0]]), int32_t(base[o[1]]), int32_t(base[o[2]]), int32_t(base[o[3]]));
    }

    // ---- one pixel's four byte sums in 64-bit lanes, bytes 0 and 1 in lo, 2 and 3 in hi ----
    struct Sums {
        __m128i lo, hi;
    };
    using SumsFactor = __m128i;
    static Sums sums_zero() { return {_mm_setzero_si128(), _mm_setzero_si128()}; }
    static Sums sums_of_px(const uint32_t* p) {
        const __m128i z = _mm_setzero_si128();
        const __m128i words = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(*p)), z), z);
        return {_mm_unpacklo_epi32(words, z), _mm_unpackhi_epi32(words, z)};
    }
    static Sums sums_add(Sums a, Sums b) { return {_mm_add_epi64(a.lo, b.lo), _mm_add_epi64(a.hi, b.hi)}; }
    static Sums sums_sub(Sums a, Sums b) { return {_mm_sub_epi64(a.lo, b.lo), _mm_sub_epi64(a.hi, b.hi)}; }
    /// Lanes below 256: byte 2 moves up beside byte 0 in the low lane, byte 3 beside byte 1 in
    /// the high lane, and the high lane's bytes then slide down beside the low lane's.
    static uint32_t sums_to_px(Sums q) {
        const __m128i t = _mm_or_si128(q.lo, _mm_slli_epi64(q.hi, 16));
        return uint32_t(_mm_cvtsi128_si32(_mm_or_si128(t, _mm_srli_si128(t, 7))));
    }
    static SumsFactor sums_factor(uint32_t m) { return _mm_set1_epi64x(int64_t(m)); }
    using SumsCount = __m128i;
    static SumsCount sums_count(uint32_t sh) { return _mm_cvtsi32_si128(int(sh)); }
    static Sums sums_mul_srl(Sums a, SumsFactor m, SumsCount sh) {
        return {_mm_srl_epi64(_mm_mul_epu32(a.lo, m), sh), _mm_srl_epi64(_mm_mul_epu32(a.hi, m), sh)};
    }
};
#endif

#if defined(LUMARIX_NEON)
struct V128 {
    using R = uint8x16_t;
    static constexpr int kPixels = 4;
    static constexpr int kBytes = 16;

    static R load(const uint8_t* p) { return vld1q_u8(p); }
    static void store(uint8_t* p, R v) { vst1q_u8(p, v); }
    static R zero() { return vdupq_n_u8(0); }
    static R set16(uint32_t v) { return vreinterpretq_u8_u16(vdupq_n_u16(uint16_t(v))); }
    static R set32(uint32_t v) { return u8(vdupq_n_u32(v)); }
    static R set_px16(const uint16_t w[4]) {
        const uint16x4_t q = vld1_u16(w);
        return vreinterpretq_u8_u16(vcombine_u16(q, q));
    }
    /// A variable shift count, as the signed per-lane count of vshlq.
    static int16x8_t count(uint32_t n) { return vdupq_n_s16(int16_t(n > 16 ? 16 : n)); }

    static R lo8(R a) { return vreinterpretq_u8_u16(vmovl_u8(vget_low_u8(a))); }
    static R hi8(R a) { return vreinterpretq_u8_u16(vmovl_high_u8(a)); }
    static R pack(R lo, R hi) {
        return vqmovun_high_s16(vqmovun_s16(vreinterpretq_s16_u8(lo)), vreinterpretq_s16_u8(hi));
    }

    static R add16(R a, R b) { return u8(vaddq_u16(u16(a), u16(b))); }
    static R sub16(R a, R b) { return u8(vsubq_u16(u16(a), u16(b))); }
    static R mullo(R a, R b) { return u8(vmulq_u16(u16(a), u16(b))); }
    static R mulhi(R a, R b) {
        const uint32x4_t lo = vmull_u16(vget_low_u16(u16(a)), vget_low_u16(u16(b)));
        const uint32x4_t hi = vmull_high_u16(u16(a), u16(b));
        return u8(vuzp2q_u16(vreinterpretq_u16_u32(lo), vreinterpretq_u16_u32(hi)));
    }
    template <int n> static R srli16(R a) {
        if constexpr (n == 0) return a; else return u8(vshrq_n_u16(u16(a), n));
    }
    template <int n> static R slli16(R a) { return u8(vshlq_n_u16(u16(a), n)); }
    template <int n> static R srli32(R a) {
        if constexpr (n == 0) return a; else return u8(vshrq_n_u32(u32(a), n));
    }
    static R srl16(R a, int16x8_t n) { return u8(vshlq_u16(u16(a), vnegq_s16(n))); }
    static R sll16(R a, int16x8_t n) { return u8(vshlq_u16(u16(a), n)); }
    static R subs_u16(R a, R b) { return u8(vqsubq_u16(u16(a), u16(b))); }
    static R adds_u8(R a, R b) { return vqaddq_u8(a, b); }
    static R subs_u8(R a, R b) { return vqsubq_u8(a, b); }

    static R set8(uint8_t v) { return vdupq_n_u8(v); }
    static R add32(R a, R b) { return u8(vaddq_u32(u32(a), u32(b))); }
    template <int n> static R slli32(R a) { return u8(vshlq_n_u32(u32(a), n)); }
    static R madd16(R a, R b) {
        const int16x8_t x = vreinterpretq_s16_u8(a), y = vreinterpretq_s16_u8(b);
        const int32x4_t lo = vmull_s16(vget_low_s16(x), vget_low_s16(y)), hi = vmull_high_s16(x, y);
        return vreinterpretq_u8_s32(vpaddq_s32(lo, hi));
    }
    static R reverse32(R a) {
        const uint32x4_t pairs = vrev64q_u32(u32(a));  // 1 0 3 2
        return u8(vextq_u32(pairs, pairs, 2));
    }

    static R and_(R a, R b) { return vandq_u8(a, b); }
    static R or_(R a, R b) { return vorrq_u8(a, b); }
    static R cmpeq16(R a, R b) { return u8(vceqq_u16(u16(a), u16(b))); }
    static R cmpeq32(R a, R b) { return u8(vceqq_u32(u32(a), u32(b))); }
    static R select(R mask, R a, R b) { return vbslq_u8(mask, a, b); }
    static R or_and(R a, R b, R mask) { return vorrq_u8(a, vandq_u8(b, mask)); }
    static R fourth_byte16(R v) {
        static constexpr uint8_t kFourth[16] = {3, 255, 3, 255, 7, 255, 7, 255, 11, 255, 11, 255, 15, 255, 15, 255};
        return vqtbl1q_u8(v, vld1q_u8(kFourth));
    }

    static R map_px(const uint8_t* m) {
        uint32_t v;
        std::memcpy(&v, m, 4);
        const uint16x8_t w = vmovl_u8(vcreate_u8(v));
        return u8(vmovl_u16(vget_low_u16(w)));
    }
    /// Bytes that load_px24() reads: four 3-byte pixels and four bytes after them.
    static constexpr int kPx24ReadBytes = 16;
    /// kPixels packed 3-byte pixels as 32-bit lanes with a fourth byte of 0, by a table lookup
    /// (an index past the register gives 0).
    static R load_px24(const uint8_t* p) {
        static constexpr uint8_t kSpread[16] = {0, 1, 2, 255, 3, 4, 5, 255, 6, 7, 8, 255, 9, 10, 11, 255};
        return vqtbl1q_u8(vld1q_u8(p), vld1q_u8(kSpread));
    }
    static R px_lo16(R v32) {
        const uint32x4_t v = u32(v32), both = vorrq_u32(v, vshlq_n_u32(v, 16));
        return u8(vzip1q_u32(both, both));
    }
    static R px_hi16(R v32) {
        const uint32x4_t v = u32(v32), both = vorrq_u32(v, vshlq_n_u32(v, 16));
        return u8(vzip2q_u32(both, both));
    }

    static R from_px(const uint32_t* p) { return u8(vld1q_u32(p)); }
    static R px_fourth16(R a) {
        static constexpr uint8_t kFourth[16] = {6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15};
        return vqtbl1q_u8(a, vld1q_u8(kFourth));
    }
    static R load_pairs(const uint32_t* row, const int32_t* off) {
        const uint32x2_t a = vld1_u32(row + off[0]), b = vld1_u32(row + off[1]);
        return u8(vcombine_u32(vzip1_u32(a, b), vzip2_u32(a, b)));
    }
    static R pack_in_order(R lo, R hi) { return pack(lo, hi); }
    static R sub32(R a, R b) { return u8(vsubq_u32(u32(a), u32(b))); }
    static R mulhi_s16(R a, R b) {
        const int16x8_t x = vreinterpretq_s16_u8(a), y = vreinterpretq_s16_u8(b);
        const int32x4_t lo = vmull_s16(vget_low_s16(x), vget_low_s16(y)), hi = vmull_high_s16(x, y);
        return vreinterpretq_u8_s16(vuzp2q_s16(vreinterpretq_s16_s32(lo), vreinterpretq_s16_s32(hi)));
    }
    static R spread_lo16(R v32) {
        static constexpr uint8_t kSpread[16] = {0, 1, 0, 1, 0, 1, 2, 3, 4, 5, 4, 5, 4, 5, 6, 7};
        return vqtbl1q_u8(v32, vld1q_u8(kSpread));
    }
    static R spread_hi16(R v32) {
        static constexpr uint8_t kSpread[16] = {8, 9, 8, 9, 8, 9, 10, 11, 12, 13, 12, 13, 12, 13, 14, 15};
        return vqtbl1q_u8(v32, vld1q_u8(kSpread));
    }
    static R load_px16(const uint8_t* p) { return u8(vmovl_u8(vld1_u8(p))); }

    // ---- 32-bit lanes as signed positions (the rotation) ----
    static R lane_index() {
        static constexpr uint32_t kIndex[4] = {0, 1, 2, 3};
        return u8(vld1q_u32(kIndex));
    }
    static R mullo32(R a, R b) { return u8(vmulq_u32(u32(a), u32(b))); }
    template <int n> static R srai32(R a) { return vreinterpretq_u8_s32(vshrq_n_s32(vreinterpretq_s32_u8(a), n)); }
    static R gather32(const uint32_t* base, R offset) {
        int32_t o[4];
        vst1q_s32(o, vreinterpretq_s32_u8(offset));
        const uint32_t px[4] = {base[o[0]], base[o[1]], base[o[2]], base[o[3]]};
        return u8(vld1q_u32(px));
    }

    // ---- one pixel's four byte sums in 32-bit lanes (the blur's running sums) ----
    // The sums are taken modulo 2^32, which is all that the x86 kernels read of their 64-bit
    // lanes too; the multiply widens each lane to 64 bits for its shift.
    using Sums = uint32x4_t;
    using SumsFactor = uint32x4_t;
    /// Minus the shift count, as vshlq takes it.
    using SumsCount = int64x2_t;
    static Sums sums_zero() { return vdupq_n_u32(0); }
    static Sums sums_of_px(const uint32_t* p) { return vmovl_u16(vget_low_u16(vmovl_u8(vcreate_u8(*p)))); }
    static Sums sums_add(Sums a, Sums b) { return vaddq_u32(a, b); }
    static Sums sums_sub(Sums a, Sums b) { return vsubq_u32(a, b); }
    static uint32_t sums_to_px(Sums q) {
        return vget_lane_u32(vreinterpret_u32_u8(vmovn_u16(vcombine_u16(vmovn_u32(q), vdup_n_u16(0)))), 0);
    }
    static SumsFactor sums_factor(uint32_t m) { return vdupq_n_u32(m); }
    static SumsCount sums_count(uint32_t sh) { return vdupq_n_s64(-int64_t(sh)); }
    static Sums sums_mul_srl(Sums a, SumsFactor m, SumsCount sh) {
        const uint64x2_t lo = vshlq_u64(vmull_u32(vget_low_u32(a), vget_low_u32(m)), sh);
        const uint64x2_t hi = vshlq_u64(vmull_high_u32(a, m), sh);
        return vuzp1q_u32(vreinterpretq_u32_u64(lo), vreinterpretq_u32_u64(hi));
    }

private:
    static uint16x8_t u16(R a) { return vreinterpretq_u16_u8(a); }
    static uint32x4_t u32(R a) { return vreinterpretq_u32_u8(a); }
    static R u8(uint16x8_t a) { return vreinterpretq_u8_u16(a); }
    static R u8(uint32x4_t a) { return vreinterpretq_u8_u32(a); }
};
#endif

#if defined(__AVX2__)
struct V256 {
    using R = __m256i;
    static constexpr int kPixels = 8;
    static constexpr int kBytes = 32;

    static R load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void store(uint8_t* p, R v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static R zero() { return _mm256_setzero_si256(); }
    static R set16(uint32_t v) { return _mm256_set1_epi16(int16_t(v)); }
    static R set32(uint32_t v) { return _mm256_set1_epi32(int32_t(v)); }
    static R set_px16(const uint16_t w[4]) {
        uint64_t q;
        std::memcpy(&q, w, 8);
        return _mm256_set1_epi64x(int64_t(q));
    }
    static __m128i count(uint32_t n) { return _mm_cvtsi32_si128(int(n)); }

    static R lo8(R a) { return _mm256_unpacklo_epi8(a, _mm256_setzero_si256()); }
    static R hi8(R a) { return _mm256_unpackhi_epi8(a, _mm256_setzero_si256()); }
    static R pack(R lo, R hi) { return _mm256_packus_epi16(lo, hi); }

    static R add16(R a, R b) { return _mm256_add_epi16(a, b); }
    static R sub16(R a, R b) { return _mm256_sub_epi16(a, b); }
    static R mullo(R a, R b) { return _mm256_mullo_epi16(a, b); }
    static R mulhi(R a, R b) { return _mm256_mulhi_epu16(a, b); }
    static R mulhi_s16(R a, R b) { return _mm256_mulhi_epi16(a, b); }
    template <int n> static R srli16(R a) { return _mm256_srli_epi16(a, n); }
    template <int n> static R slli16(R a) { return _mm256_slli_epi16(a, n); }
    template <int n> static R srli32(R a) { return _mm256_srli_epi32(a, n); }
    static R srl16(R a, __m128i n) { return _mm256_srl_epi16(a, n); }
    static R sll16(R a, __m128i n) { return _mm256_sll_epi16(a, n); }
    static R subs_u16(R a, R b) { return _mm256_subs_epu16(a, b); }
    static R adds_u8(R a, R b) { return _mm256_adds_epu8(a, b); }
    static R subs_u8(R a, R b) { return _mm256_subs_epu8(a, b); }

    static R set8(uint8_t v) { return _mm256_set1_epi8(char(v)); }
    static R add32(R a, R b) { return _mm256_add_epi32(a, b); }
    template <int n> static R slli32(R a) { return _mm256_slli_epi32(a, n); }
    static R madd16(R a, R b) { return _mm256_madd_epi16(a, b); }
    static R reverse32(R a) { return _mm256_permutevar8x32_epi32(a, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0)); }

    static R and_(R a, R b) { return _mm256_and_si256(a, b); }
    static R or_(R a, R b) { return _mm256_or_si256(a, b); }
    static R cmpeq16(R a, R b) { return _mm256_cmpeq_epi16(a, b); }
    static R cmpeq32(R a, R b) { return _mm256_cmpeq_epi32(a, b); }
    static R select(R mask, R a, R b) { return _mm256_blendv_epi8(b, a, mask); }
    static R or_and(R a, R b, R mask) { return _mm256_or_si256(a, _mm256_and_si256(b, mask)); }
    /// As V128's, by one byte shuffle.
    static R fourth_byte16(R v) {
        return _mm256_shuffle_epi8(v, _mm256_setr_epi8(3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1,  //
                                                       3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1));
    }

    static R map_px(const uint8_t* m) {
        return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(m)));
    }
    /// Bytes that load_px24() reads: eight 3-byte pixels and four bytes after them.
    static constexpr int kPx24ReadBytes = 28;
    /// kPixels packed 3-byte pixels as 32-bit lanes with a fourth byte of 0: each 128-bit half
    /// loads its own twelve bytes (at p and at p + 12), spread by a byte shuffle.
    static R load_px24(const uint8_t* p) {
        const __m256i v = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12)), 1);
        const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                                0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
        return _mm256_shuffle_epi8(v, spread);
    }
    static R px_lo16(R v32) {
        const R both = _mm256_or_si256(v32, _mm256_slli_epi32(v32, 16));
        return _mm256_unpacklo_epi32(both, both);
    }
    static R px_hi16(R v32) {
        const R both = _mm256_or_si256(v32, _mm256_slli_epi32(v32, 16));
        return _mm256_unpackhi_epi32(both, both);
    }

    // ---- the zooms ----
    /// As V128's, by one byte shuffle.
    static R spread_lo16(R v32) {
        return _mm256_shuffle_epi8(v32, _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 2, 3, 4, 5, 4, 5, 4, 5, 6, 7,  //
                                                         0, 1, 0, 1, 0, 1, 2, 3, 4, 5, 4, 5, 4, 5, 6, 7));
    }
    static R spread_hi16(R v32) {
        return _mm256_shuffle_epi8(v32, _mm256_setr_epi8(8, 9, 8, 9, 8, 9, 10, 11, 12, 13, 12, 13, 12, 13, 14, 15,  //
                                                         8, 9, 8, 9, 8, 9, 10, 11, 12, 13, 12, 13, 12, 13, 14, 15));
    }
    static R from_px(const uint32_t* p) {
        return _mm256_setr_epi32(int32_t(p[0]), int32_t(p[1]), int32_t(p[2]), int32_t(p[3]), int32_t(p[4]),
                                 int32_t(p[5]), int32_t(p[6]), int32_t(p[7]));
    }
    static R px_fourth16(R a) {
        return _mm256_shuffle_epi8(a, _mm256_setr_epi8(6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15,  //
                                                       6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15));
    }
    static R load_pairs(const uint32_t* row, const int32_t* off) {
        auto pair = [&](int k) {
            return _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + off[k])),
                                      _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + off[k + 1])));
        };
        return _mm256_inserti128_si256(_mm256_castsi128_si256(pair(0)), pair(2), 1);
    }
    static R pack_in_order(R lo, R hi) { return _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8); }
    static R load_px16(const uint8_t* p) {
        return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
    /// Pixel idx[i] of a, for each lane i.
    static R permute_px(R a, R idx) { return _mm256_permutevar8x32_epi32(a, idx); }
    static R sub32(R a, R b) { return _mm256_sub_epi32(a, b); }
    static R srl32(R a, __m128i n) { return _mm256_srl_epi32(a, n); }
    /// The low 128 bits of a and of b (lo_halves), or their high 128 bits (hi_halves).
    static R lo_halves(R a, R b) { return _mm256_permute2x128_si256(a, b, 0x20); }
    static R hi_halves(R a, R b) { return _mm256_permute2x128_si256(a, b, 0x31); }

    // ---- 32-bit lanes as signed positions (the rotation) ----
    /// 0, 1, ..., 7.
    static R lane_index() { return _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7); }
    static R mullo32(R a, R b) { return _mm256_mullo_epi32(a, b); }
    template <int n> static R srai32(R a) { return _mm256_srai_epi32(a, n); }
    /// The eight pixels base[offset lane].
    static R gather32(const uint32_t* base, R offset) {
        return _mm256_i32gather_epi32(reinterpret_cast<const int*>(base), offset, 4);
    }

    // ---- one pixel's four byte sums in four 64-bit lanes (the blur's running sums) ----
    using Sums = __m256i;
    /// A multiplier below 2^32, in every 64-bit lane.
    using SumsFactor = __m256i;
    static Sums sums_zero() { return _mm256_setzero_si256(); }
    /// The four bytes of pixel *p, each in its own lane.
    static Sums sums_of_px(const uint32_t* p) {
        return _mm256_cvtepu8_epi64(_mm_cvtsi32_si128(int32_t(*p)));
    }
    static Sums sums_add(Sums a, Sums b) { return _mm256_add_epi64(a, b); }
    static Sums sums_sub(Sums a, Sums b) { return _mm256_sub_epi64(a, b); }
    /// The low byte of each lane (every lane below 256) as one pixel.
    static uint32_t sums_to_px(Sums q) {
        const R lows = _mm256_permutevar8x32_epi32(q, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6));
        const __m128i bytes = _mm_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
        return uint32_t(_mm_cvtsi128_si32(_mm_shuffle_epi8(_mm256_castsi256_si128(lows), bytes)));
    }
    static SumsFactor sums_factor(uint32_t m) { return _mm256_set1_epi64x(int64_t(m)); }
    /// A shift count below 64 for sums_mul_srl.
    using SumsCount = __m128i;
    static SumsCount sums_count(uint32_t sh) { return _mm_cvtsi32_si128(int(sh)); }
    /// (low 32 bits of each lane) * m, shifted right by sh.
    static Sums sums_mul_srl(Sums a, SumsFactor m, SumsCount sh) {
        return _mm256_srl_epi64(_mm256_mul_epu32(a, m), sh);
    }
};
#endif

#if defined(__AVX512BW__) && defined(__AVX512VL__)
struct V512 {
    using R = __m512i;
    /// A lane mask: one bit per pixel (32-bit lane), pixel 0 in bit 0.
    using PxMask = __mmask16;
    static constexpr int kPixels = 16;
    static constexpr int kBytes = 64;
    static constexpr PxMask kAll = 0xFFFF;

    static R load(const uint8_t* p) { return _mm512_loadu_si512(p); }
    static void store(uint8_t* p, R v) { _mm512_storeu_si512(p, v); }
    /// The first pixels of m from p (the others 0) and back: no byte outside them is touched.
    static R load_px(const uint8_t* p, PxMask m) { return _mm512_maskz_loadu_epi32(m, p); }
    static void store_px(uint8_t* p, PxMask m, R v) { _mm512_mask_storeu_epi32(p, m, v); }
    /// Pixels 0 .. n − 1 of a step, for 0 ≤ n ≤ kPixels.
    static PxMask first_px(int n) { return PxMask((1u << n) - 1u); }
    static R zero() { return _mm512_setzero_si512(); }
    static R set16(uint32_t v) { return _mm512_set1_epi16(int16_t(v)); }
    static R set32(uint32_t v) { return _mm512_set1_epi32(int32_t(v)); }
    static R set_px16(const uint16_t w[4]) {
        uint64_t q;
        std::memcpy(&q, w, 8);
        return _mm512_set1_epi64(int64_t(q));
    }
    static __m128i count(uint32_t n) { return _mm_cvtsi32_si128(int(n)); }

    static R lo8(R a) { return _mm512_unpacklo_epi8(a, _mm512_setzero_si512()); }
    static R hi8(R a) { return _mm512_unpackhi_epi8(a, _mm512_setzero_si512()); }
    static R pack(R lo, R hi) { return _mm512_packus_epi16(lo, hi); }

    static R add16(R a, R b) { return _mm512_add_epi16(a, b); }
    static R sub16(R a, R b) { return _mm512_sub_epi16(a, b); }
    static R mullo(R a, R b) { return _mm512_mullo_epi16(a, b); }
    static R mulhi(R a, R b) { return _mm512_mulhi_epu16(a, b); }
    static R mulhi_s16(R a, R b) { return _mm512_mulhi_epi16(a, b); }
    template <int n> static R srli16(R a) { return _mm512_srli_epi16(a, n); }
    template <int n> static R slli16(R a) { return _mm512_slli_epi16(a, n); }
    // GCC 12 warns that the unmasked 32-bit shifts and unpacks read an uninitialized register (its
    // headers pass _mm512_undefined_epi32() as the unused merge source); the zero-masked forms
    // with every lane enabled compile to the same instructions without it.
    template <int n> static R srli32(R a) { return _mm512_maskz_srli_epi32(kAll, a, n); }
    static R srl16(R a, __m128i n) { return _mm512_srl_epi16(a, n); }
    static R sll16(R a, __m128i n) { return _mm512_sll_epi16(a, n); }
    static R subs_u16(R a, R b) { return _mm512_subs_epu16(a, b); }
    static R adds_u8(R a, R b) { return _mm512_adds_epu8(a, b); }
    static R subs_u8(R a, R b) { return _mm512_subs_epu8(a, b); }

    static R set8(uint8_t v) { return _mm512_set1_epi8(char(v)); }
    static R add32(R a, R b) { return _mm512_add_epi32(a, b); }
    static R sub32(R a, R b) { return _mm512_sub_epi32(a, b); }
    template <int n> static R slli32(R a) { return _mm512_maskz_slli_epi32(kAll, a, n); }
    static R madd16(R a, R b) { return _mm512_madd_epi16(a, b); }
    static R reverse32(R a) {
        return _mm512_permutexvar_epi32(_mm512_setr_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0), a);
    }

    static R and_(R a, R b) { return _mm512_and_si512(a, b); }
    static R or_(R a, R b) { return _mm512_or_si512(a, b); }
    /// Comparisons give all-ones lanes where equal, as the narrower wrappers do.
    static R cmpeq16(R a, R b) { return _mm512_movm_epi16(_mm512_cmpeq_epi16_mask(a, b)); }
    static R cmpeq32(R a, R b) {
        return _mm512_maskz_mov_epi32(_mm512_cmpeq_epi32_mask(a, b), _mm512_set1_epi32(-1));
    }
    /// mask ? a : b, bit by bit, in one ternary-logic instruction.
    static R select(R mask, R a, R b) { return _mm512_ternarylogic_epi32(mask, a, b, 0xCA); }
    /// a | (b & mask), in one ternary-logic instruction.
    static R or_and(R a, R b, R mask) { return _mm512_ternarylogic_epi32(a, b, mask, 0xF8); }
    static R fourth_byte16(R v) {
        // Byte indices 3, −1, 3, −1, 7, −1, ... in each 128 bits (−1 gives 0).
        return _mm512_shuffle_epi8(v, _mm512_setr4_epi32(int(0xFF03FF03u), int(0xFF07FF07u), int(0xFF0BFF0Bu),
                                                         int(0xFF0FFF0Fu)));
    }

    static R map_px(const uint8_t* m) {
        return _mm512_maskz_cvtepu8_epi32(kAll, _mm_loadu_si128(reinterpret_cast<const __m128i*>(m)));
    }
    static R px_lo16(R v32) {
        const R both = _mm512_or_si512(v32, slli32<16>(v32));
        return _mm512_maskz_unpacklo_epi32(kAll, both, both);
    }
    static R px_hi16(R v32) {
        const R both = _mm512_or_si512(v32, slli32<16>(v32));
        return _mm512_maskz_unpackhi_epi32(kAll, both, both);
    }
};
#endif

}  // namespace lumarix::simd::LUMARIX_SIMD_NS
