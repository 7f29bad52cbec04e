// The rasterised glyphs of every face, size and style, kept once for all text output: the
// surface's TextOut and the supersampled routines (which render at twice the size) look their
// characters up here instead of hinting and rasterising them again on every call.
//
// The cache is bounded by the bytes of its glyphs and drops the least recently used first. Its
// glyphs are shared and immutable: a caller holding one keeps it alive after it was evicted, so
// one thread may draw with a glyph while another evicts it. All members are safe to call from
// several threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace lumarix::text {

/// One character of one face at one em height and style. `face` is the back end's own number
/// for an opened face, never reused while the process runs.
struct GlyphKey {
    uint32_t face = 0;
    int32_t em = 0;
    uint32_t style = 0;
    uint32_t glyph = 0;

    bool operator==(const GlyphKey&) const = default;
};

/// A character's advance in whole pixels and, when `hasImage`, its coverage (0..255, rows top to
/// bottom) placed relative to the pen position on the baseline.
struct Glyph {
    int32_t advance = 0;
    bool hasImage = false;
    int32_t left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> pixels;

    /// What the glyph costs the cache: its pixels and a fixed share for the entry itself.
    size_t Bytes() const { return pixels.size() + kEntryBytes; }
    static constexpr size_t kEntryBytes = 96;
};

class GlyphCache {
public:
    explicit GlyphCache(size_t budgetBytes) : m_budget(budgetBytes) {}
    GlyphCache(const GlyphCache&) = delete;
    GlyphCache& operator=(const GlyphCache&) = delete;

    /// The glyph stored for `key`, now the most recently used; null when there is none.
    std::shared_ptr<const Glyph> Find(const GlyphKey& key);

    /// Stores `glyph` for `key` (replacing an earlier one) as the most recently used and drops
    /// the least recently used glyphs until the budget holds. A glyph bigger than an eighth of
    /// the budget is handed back without being kept, so that one huge size cannot flush the rest.
    std::shared_ptr<const Glyph> Insert(const GlyphKey& key, Glyph glyph);

    size_t Bytes() const;
    size_t Count() const;
    size_t Budget() const { return m_budget; }

private:
    struct KeyHash {
        size_t operator()(const GlyphKey& k) const {
            uint64_t h = (uint64_t(k.face) << 32 | uint32_t(k.em)) * 0x9E3779B97F4A7C15ull;
            h ^= (uint64_t(k.style) << 32 | k.glyph) + 0x632BE59BD9B4E019ull + (h << 6) + (h >> 2);
            return size_t(h ^ (h >> 29));
        }
    };
    using Entry = std::pair<GlyphKey, std::shared_ptr<const Glyph>>;

    void EraseLocked(std::list<Entry>::iterator it);

    const size_t m_budget;
    mutable std::mutex m_mutex;
    std::list<Entry> m_order;  // most recently used first
    std::unordered_map<GlyphKey, std::list<Entry>::iterator, KeyHash> m_index;
    size_t m_bytes = 0;
};

/// The process's one cache, 4 MiB.
GlyphCache& SharedGlyphCache();

inline constexpr size_t kGlyphCacheBytes = size_t(4) << 20;

}  // namespace lumarix::text
