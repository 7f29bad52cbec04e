// The glyph cache against a plain least-recently-used list on random lookups and insertions.
#include "text/glyph_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace lumarix::text {
namespace {

TEST(GlyphCache, BoundAndEvictionFollowAPlainLruList) {
    constexpr size_t kBudget = 8192;
    GlyphCache cache(kBudget);
    struct Held {
        GlyphKey key;
        size_t bytes;
    };
    std::vector<Held> model;  // most recently used first
    std::vector<std::shared_ptr<const Glyph>> kept;
    std::mt19937 rng(7);
    for (int step = 0; step < 20000; ++step) {
        const GlyphKey key{uint32_t(rng() % 3), int32_t(rng() % 4), uint32_t(rng() % 2), uint32_t(rng() % 12)};
        auto inModel = std::find_if(model.begin(), model.end(), [&](const Held& h) { return h.key == key; });
        if (rng() % 2) {
            const auto found = cache.Find(key);
            ASSERT_EQ(found != nullptr, inModel != model.end()) << "step " << step;
            if (!found) continue;
            EXPECT_EQ(found->advance, int32_t(key.glyph));
            std::rotate(model.begin(), inModel, inModel + 1);
        } else {
            // Mostly small glyphs, now and then one bigger than an eighth of the budget.
            Glyph glyph;
            glyph.advance = int32_t(key.glyph);
            glyph.pixels.assign(rng() % 16 == 0 ? kBudget / 8 : rng() % 900, uint8_t(step));
            const size_t bytes = glyph.Bytes();
            const auto stored = cache.Insert(key, std::move(glyph));
            ASSERT_EQ(stored->Bytes(), bytes);
            if (step % 97 == 0) kept.push_back(stored);
            if (inModel != model.end()) model.erase(inModel);
            if (bytes <= kBudget / 8) {
                size_t total = bytes;
                for (const Held& h : model) total += h.bytes;
                while (total > kBudget) total -= model.back().bytes, model.pop_back();
                model.insert(model.begin(), Held{key, bytes});
            }
        }
        size_t total = 0;
        for (const Held& h : model) total += h.bytes;
        ASSERT_EQ(cache.Bytes(), total) << "step " << step;
        ASSERT_EQ(cache.Count(), model.size());
        ASSERT_LE(cache.Bytes(), kBudget);
    }
    // Glyphs held by a caller outlive their eviction, intact.
    for (const auto& glyph : kept)
        EXPECT_TRUE(std::all_of(glyph->pixels.begin(), glyph->pixels.end(), [&](uint8_t v) { return v == glyph->pixels[0]; }));
}

}  // namespace
}  // namespace lumarix::text
