// Every SIMD row kernel against its scalar model: thousands of random rows of 1 to 70 pixels at
// shifted starts, bytes biased toward 0 and 255, guard bytes around the rows, and rows whose
// destination overlaps the source in one buffer. A failing case prints its seed.
#include "blit_test_util.h"
#include "lumarix/simd_levels.h"

#include "blits/blit_kernels.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using namespace lumarix::blits;
using blit_test::biased_byte;
using blit_test::fill_random;

/// The kernels at the level of the running test, compared with the scalar ones.
class BlitKernels : public simd_levels::AtLevel {};
LUMARIX_AT_EVERY_LEVEL(BlitKernels);

/// Random parameters of one case; each kernel reads the ones it takes.
struct Params {
    uint32_t key24, alpha, level, progress, softness;
    uint16_t dw[4], cw[4];
};

uint32_t pick_alpha(std::mt19937& rng) {
    static const uint32_t edges[] = {0, 1, 2, 127, 128, 129, 254, 255, 256};
    return rng() % 2 ? edges[rng() % 9] : rng() % 257;
}

Params random_params(std::mt19937& rng, const uint8_t* s, int n) {
    Params p{};
    // Half the keys are the colour of a source pixel, so that key pixels occur.
    const uint8_t* k = s + 4 * (rng() % uint32_t(n));
    p.key24 = rng() % 2 ? (k[0] | k[1] << 8 | k[2] << 16) : (rng() & 0xFFFFFF);
    p.alpha = pick_alpha(rng);
    p.level = rng() % 3 == 0 ? rng() % 65536 : pick_alpha(rng) + (rng() % 4 == 0 ? 1 : 0);
    p.progress = rng() % 8 == 0 ? rng() % 65536 : rng() % 257;
    p.softness = rng() % 16;
    // Rectangle weights as the two fill routines form them.
    const uint32_t a = rng() % 256;
    const bool plain = rng() % 2;
    for (int c = 0; c < 3; ++c) {
        const uint32_t colour = biased_byte(rng);
        p.dw[c] = uint16_t(plain ? 255 - a : 256 - a);
        p.cw[c] = uint16_t(colour * (plain ? a + 1 : a));
    }
    p.dw[3] = uint16_t(plain ? 256 : 256 - a);
    p.cw[3] = 0;
    return p;
}

/// kernel(table, d, s, map, n, params) on a guarded buffer, once with the SIMD table and once
/// with the scalar one; both buffers must end equal, and the SIMD run may have changed no byte
/// outside the destination row.
using KernelCall = std::function<void(const RowKernels&, uint8_t*, const uint8_t*, const uint8_t*, int, const Params&)>;

void check_kernel(const char* what, KernelCall call, bool readsSource = true, int cases = 3000) {
    constexpr int kGuard = 64;
    const RowKernels& kernels = best_kernels();
    const char* level = lumarix::simd::level_name(lumarix::simd::active_level());
    {
        for (int c = 0; c < cases; ++c) {
            const uint32_t seed = uint32_t(c) * 2654435761u + 17;
            std::mt19937 rng(seed);
            const int n = 1 + int(rng() % 100);
            const int sOff = int(rng() % 4), dOff = int(rng() % 4);
            // One case in six puts source and destination into one buffer, the destination up to
            // 76 pixels (more than four steps of the widest kernels) before or after the source.
            const bool shared = readsSource && rng() % 6 == 0;
            const int shift = int(rng() % 153) - 76;
            const size_t rowBytes = size_t(n + 160) * 4;
            std::vector<uint8_t> buf(2 * kGuard + 2 * rowBytes), map(2 * kGuard + size_t(n) + 8);
            fill_random(buf.data(), buf.size(), rng);
            fill_random(map.data(), map.size(), rng);
            uint8_t* base = buf.data() + kGuard;
            const size_t sAt = size_t(80 + sOff) * 4;
            const size_t dAt = shared ? size_t(int64_t(sAt) + shift * 4) : rowBytes + size_t(dOff) * 4;
            const Params p = random_params(rng, base + sAt, n);

            std::vector<uint8_t> want = buf;
            const auto before = buf;
            call(scalar_kernels(), want.data() + kGuard + dAt, want.data() + kGuard + sAt, map.data() + kGuard, n, p);
            call(kernels, base + dAt, base + sAt, map.data() + kGuard, n, p);

            bool ok = buf == want;
            for (size_t i = 0; ok && i < buf.size(); ++i) {
                const bool inDest = i >= kGuard + dAt && i < kGuard + dAt + size_t(n) * 4;
                if (!inDest && buf[i] != before[i]) ok = false;
            }
            if (!ok) {
                size_t at = 0;
                while (at < buf.size() && buf[at] == want[at]) ++at;
                ADD_FAILURE() << what << " [" << level << "] seed " << seed << " case " << c << ": n " << n
                              << (shared ? " shared buffer, shift " + std::to_string(shift) : std::string())
                              << ", alpha " << p.alpha << ", level " << p.level << ", progress " << p.progress
                              << ", softness " << p.softness << "; first difference at byte " << at;
                return;
            }
        }
    }
}

TEST_P(BlitKernels, KeyAndConstantAlphaMatchTheirModels) {
    check_kernel("key", [](const RowKernels& k, uint8_t* d, const uint8_t* s, const uint8_t*, int n, const Params& p) {
        k.key(d, s, n, p.key24);
    });
    check_kernel("alpha", [](const RowKernels& k, uint8_t* d, const uint8_t* s, const uint8_t*, int n,
                             const Params& p) { k.alpha(d, s, n, p.alpha); });
    check_kernel("alpha_pairs", [](const RowKernels& k, uint8_t* d, const uint8_t* s, const uint8_t*, int n,
                                   const Params& p) { k.alpha_pairs(d, s, n, p.alpha); });
    check_kernel("key_alpha_bgr", [](const RowKernels& k, uint8_t* d, const uint8_t* s, const uint8_t*, int n,
                                     const Params& p) { k.key_alpha_bgr(d, s, n, p.key24, p.alpha & 255); });
    check_kernel("key_alpha", [](const RowKernels& k, uint8_t* d, const uint8_t* s, const uint8_t*, int n,
                                 const Params& p) { k.key_alpha(d, s, n, p.key24, p.alpha); });
}

TEST_P(BlitKernels, PerPixelAlphaMatchTheirModels) {
    const std::pair<const char*, PicRow RowKernels::*> rows[] = {
        {"pic_bgr", &RowKernels::pic_bgr},
        {"pic128", &RowKernels::pic128},
        {"pic_ch_bgr", &RowKernels::pic_ch_bgr},
        {"pic128_ch", &RowKernels::pic128_ch},
        {"pic_alpha_bgr", &RowKernels::pic_alpha_bgr},
        {"pic_alpha255", &RowKernels::pic_alpha255},
        {"pic_alpha255_ch", &RowKernels::pic_alpha255_ch},
        {"copy_alpha", &RowKernels::copy_alpha},
    };
    for (const auto& [name, row] : rows) {
        check_kernel(name, [row = row](const RowKernels& k, uint8_t* d, const uint8_t* s, const uint8_t*, int n,
                                       const Params& p) { (k.*row)(d, s, n, p.alpha); });
    }
}

TEST_P(BlitKernels, TransitionsMatchTheirModels) {
    const std::pair<const char*, TransRow RowKernels::*> rows[] = {
        {"trans_bgr", &RowKernels::trans_bgr},
        {"trans", &RowKernels::trans},
        {"alpha_trans_bgr", &RowKernels::alpha_trans_bgr},
    };
    for (const auto& [name, row] : rows) {
        check_kernel(name, [row = row](const RowKernels& k, uint8_t* d, const uint8_t* s, const uint8_t* m, int n,
                                       const Params& p) {
            // The MMX transition takes softness 0 to 8; the plain ones 0 to 15.
            const uint32_t softness = row == &RowKernels::trans ? p.softness % 9 : p.softness;
            (k.*row)(d, s, m, n, trans_params(p.progress, softness));
        });
    }
}

TEST_P(BlitKernels, RectangleAndLightArithmeticMatchTheirModels) {
    check_kernel(
        "rect",
        [](const RowKernels& k, uint8_t* d, const uint8_t*, const uint8_t*, int n, const Params& p) {
            k.rect(d, n, p.dw, p.cw);
        },
        false);
    const std::pair<const char*, LevelRow RowKernels::*> rows[] = {
        {"add_clamped", &RowKernels::add_clamped},
        {"add_wrapped", &RowKernels::add_wrapped},
        {"sub_clamped", &RowKernels::sub_clamped},
        {"sub_wrapped", &RowKernels::sub_wrapped},
    };
    for (const auto& [name, row] : rows) {
        check_kernel(name, [row = row](const RowKernels& k, uint8_t* d, const uint8_t* s, const uint8_t*, int n,
                                       const Params& p) { (k.*row)(d, s, n, p.level); });
    }
}

// The light arithmetic of the twins meets for level 0 to 257: checked over the whole domain.
TEST(BlitModels, LightTwinsAgreeUpToLevel257) {
    for (uint32_t level = 0; level <= 257; ++level)
        for (uint32_t s = 0; s < 256; ++s)
            if (scaled_plain(s, level) != scaled_mmx(s, level)) FAIL() << "level " << level << " source " << s;
    EXPECT_NE(scaled_plain(255, 258), scaled_mmx(255, 258));
}

}  // namespace
