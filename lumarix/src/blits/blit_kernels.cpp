// The scalar row kernels and the choice of the table to run. Built without SIMD flags, so that
// the processor check runs on every processor of the architecture.
#include "blits/blit_kernels.h"

#include "simd/cpu.h"

namespace lumarix::blits {

namespace {

void key_row(uint8_t* d, const uint8_t* s, int n, uint32_t key24) {
    for (int i = 0; i < n; ++i) px_key(d + 4 * i, s + 4 * i, key24);
}

void alpha_row(uint8_t* d, const uint8_t* s, int n, uint32_t a) {
    for (int i = 0; i < n; ++i) px_alpha(d + 4 * i, s + 4 * i, a);
}

/// Two pixels per step; a last odd pixel, which the callers never pass, blended alone.
void alpha_pairs_row(uint8_t* d, const uint8_t* s, int n, uint32_t a) {
    int i = 0;
    for (; i + 2 <= n; i += 2) px_alpha_pair(d + 4 * i, s + 4 * i, a);
    if (i < n) px_alpha(d + 4 * i, s + 4 * i, a);
}

template <bool kKeepFourth>
void key_alpha_row(uint8_t* d, const uint8_t* s, int n, uint32_t key24, uint32_t a) {
    for (int i = 0; i < n; ++i) px_key_alpha(d + 4 * i, s + 4 * i, key24, a, kKeepFourth);
}

void pic_bgr_row(uint8_t* d, const uint8_t* s, int n, uint32_t) {
    for (int i = 0; i < n; ++i) px_pic(d + 4 * i, s + 4 * i);
}

void pic128_row(uint8_t* d, const uint8_t* s, int n, uint32_t) {
    for (int i = 0; i < n; ++i) px_pic_mmx(d + 4 * i, s + 4 * i);
}

void pic_ch_bgr_row(uint8_t* d, const uint8_t* s, int n, uint32_t) {
    for (int i = 0; i < n; ++i) px_pic_ch(d + 4 * i, s + 4 * i);
}

void pic128_ch_row(uint8_t* d, const uint8_t* s, int n, uint32_t) {
    for (int i = 0; i < n; ++i) px_pic_ch_mmx(d + 4 * i, s + 4 * i);
}

template <bool kWithFourth>
void pic_alpha_row(uint8_t* d, const uint8_t* s, int n, uint32_t alpha) {
    for (int i = 0; i < n; ++i) px_pic_alpha(d + 4 * i, s + 4 * i, alpha, kWithFourth);
}

void pic_alpha255_row(uint8_t* d, const uint8_t* s, int n, uint32_t alpha) {
    for (int i = 0; i < n; ++i) px_pic_alpha_mmx(d + 4 * i, s + 4 * i, alpha);
}

void pic_alpha255_ch_row(uint8_t* d, const uint8_t* s, int n, uint32_t alpha) {
    for (int i = 0; i < n; ++i) px_pic_alpha_ch_mmx(d + 4 * i, s + 4 * i, alpha);
}

template <bool kKeepFourth>
void trans_row(uint8_t* d, const uint8_t* s, const uint8_t* map, int n, const TransParams& p) {
    for (int i = 0; i < n; ++i) px_trans(d + 4 * i, s + 4 * i, map[i], p, kKeepFourth);
}

void alpha_trans_bgr_row(uint8_t* d, const uint8_t* s, const uint8_t* map, int n, const TransParams& p) {
    for (int i = 0; i < n; ++i) px_alpha_trans(d + 4 * i, s + 4 * i, map[i], p);
}

void rect_row(uint8_t* d, int n, const uint16_t dw[4], const uint16_t cw[4]) {
    for (int i = 0; i < n; ++i) px_rect(d + 4 * i, dw, cw);
}

template <bool kMmx>
void add_row(uint8_t* d, const uint8_t* s, int n, uint32_t level) {
    for (int i = 0; i < n; ++i) px_add<kMmx>(d + 4 * i, s + 4 * i, level);
}

template <bool kMmx>
void sub_row(uint8_t* d, const uint8_t* s, int n, uint32_t level) {
    for (int i = 0; i < n; ++i) px_sub<kMmx>(d + 4 * i, s + 4 * i, level);
}

}  // namespace

const RowKernels& scalar_kernels() {
    static constexpr RowKernels k{
        .key = key_row,
        .alpha = alpha_row,
        .alpha_pairs = alpha_pairs_row,
        .key_alpha_bgr = key_alpha_row<true>,
        .key_alpha = key_alpha_row<false>,
        .pic_bgr = pic_bgr_row,
        .pic128 = pic128_row,
        .pic_ch_bgr = pic_ch_bgr_row,
        .pic128_ch = pic128_ch_row,
        .pic_alpha_bgr = pic_alpha_row<false>,
        .pic_alpha255 = pic_alpha255_row,
        .pic_alpha255_ch = pic_alpha255_ch_row,
        .copy_alpha = pic_alpha_row<true>,
        .trans_bgr = trans_row<true>,
        .trans = trans_row<false>,
        .alpha_trans_bgr = alpha_trans_bgr_row,
        .rect = rect_row,
        .add_clamped = add_row<false>,
        .add_wrapped = add_row<true>,
        .sub_clamped = sub_row<false>,
        .sub_wrapped = sub_row<true>,
    };
    return k;
}

const RowKernels& best_kernels() {
#if defined(LUMARIX_X86)
    return simd::pick(scalar_kernels, sse2_kernels, avx2_kernels, avx512_kernels)();
#elif defined(LUMARIX_NEON)
    return simd::pick(scalar_kernels, neon_kernels)();
#else
    return scalar_kernels();
#endif
}

}  // namespace lumarix::blits
