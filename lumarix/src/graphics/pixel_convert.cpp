#include "graphics/pixel_convert.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace lumarix::detail {

namespace {

constexpr int kSlotBits = 16;
constexpr int kCellBits = 5;  // per channel: cells of 8 x 8 x 8 colours
constexpr uint32_t kUncachedLookups = 16;

int32_t Square(int32_t v) { return v * v; }

}  // namespace

// Zeroed memory from calloc: the tables take 700 KB, of which a small picture or a line of text
// touches a few pages, and fresh pages of that size come zeroed from the system without a pass.
struct NearestPaletteIndex::Tables {
    uint64_t slots[size_t(1) << kSlotBits];  // 0 = empty, else (colour | 1 << 24) << 8 | index
    uint32_t cellStart[size_t(1) << (3 * kCellBits)];
    uint16_t cellCount[size_t(1) << (3 * kCellBits)];  // 0 = not listed yet (a list is never empty)
};

void NearestPaletteIndex::FreeTables::operator()(Tables* tables) const { std::free(tables); }

NearestPaletteIndex::NearestPaletteIndex(const TPalette& palette) : m_palette(palette) {}

NearestPaletteIndex::~NearestPaletteIndex() = default;

// Each distance is packed with its index, distance << 8 | index (distances stay below 2^18), so
// that one minimum picks the smallest distance and, among equal ones, the lowest index; the
// loop has no early exit and vectorises.
uint8_t NearestPaletteIndex::Search(const TPalette& palette, uint8_t blue, uint8_t green, uint8_t red) {
    uint32_t best = UINT32_MAX;
    for (uint32_t i = 0; i < 256; ++i) {
        const TPaletteEntry& e = palette[i];
        const int32_t db = int32_t(e.blue) - blue, dg = int32_t(e.green) - green, dr = int32_t(e.red) - red;
        const uint32_t packed = uint32_t(db * db + dg * dg + dr * dr) << 8 | i;
        best = packed < best ? packed : best;
    }
    return uint8_t(best);
}

// The entries that can be nearest to some colour of the cell: with M the smallest over all
// entries of their largest distance to the cell, an entry whose smallest distance to the cell
// exceeds M is farther from every colour of the cell than the entry achieving M. The list keeps
// index order, so that ties still go to the lowest index.
const uint8_t* NearestPaletteIndex::CellCandidates(uint32_t cell, uint32_t& count) {
    Tables& t = *m_tables;
    if (t.cellCount[cell] == 0) {
        constexpr int32_t kSide = 1 << (8 - kCellBits);
        const int32_t lo[3] = {int32_t(cell & 31) * kSide, int32_t((cell >> 5) & 31) * kSide, int32_t(cell >> 10) * kSide};
        int32_t nearDist[256], bound = INT32_MAX;
        for (size_t i = 0; i < 256; ++i) {
            const TPaletteEntry& e = m_palette[i];
            const int32_t c[3] = {e.blue, e.green, e.red};
            int32_t nearest = 0, farthest = 0;
            for (int k = 0; k < 3; ++k) {
                const int32_t toLow = c[k] - lo[k], toHigh = c[k] - (lo[k] + kSide - 1);
                nearest += Square(toLow < 0 ? toLow : toHigh > 0 ? toHigh : 0);
                farthest += Square(std::max(std::abs(toLow), std::abs(toHigh)));
            }
            nearDist[i] = nearest;
            bound = std::min(bound, farthest);
        }
        t.cellStart[cell] = uint32_t(m_candidates.size());
        for (size_t i = 0; i < 256; ++i)
            if (nearDist[i] <= bound) m_candidates.push_back(uint8_t(i));
        t.cellCount[cell] = uint16_t(m_candidates.size() - t.cellStart[cell]);
    }
    count = t.cellCount[cell];
    return m_candidates.data() + t.cellStart[cell];
}

uint8_t NearestPaletteIndex::operator()(uint8_t blue, uint8_t green, uint8_t red) {
    // A single pixel or colour (a pen, a fill) is not worth setting up the tables.
    if (m_lookups < kUncachedLookups) {
        ++m_lookups;
        return Search(m_palette, blue, green, red);
    }
    if (!m_tables) {
        m_tables.reset(static_cast<Tables*>(std::calloc(1, sizeof(Tables))));
        if (!m_tables) throw std::bad_alloc();
    }
    const uint32_t colour = blue | (uint32_t(green) << 8) | (uint32_t(red) << 16);
    const uint64_t key = uint64_t(colour | (1u << 24)) << 8;
    uint64_t& slot = m_tables->slots[(colour * 0x9E3779B1u) >> (32 - kSlotBits)];
    if ((slot & ~uint64_t(0xFF)) == key) return uint8_t(slot);

    constexpr int kDrop = 8 - kCellBits;
    uint32_t count = 0;
    const uint8_t* list = CellCandidates(
        uint32_t(blue >> kDrop) | uint32_t(green >> kDrop) << kCellBits | uint32_t(red >> kDrop) << (2 * kCellBits),
        count);
    uint8_t index = list[0];
    int32_t best = INT32_MAX;
    for (uint32_t k = 0; k < count && best != 0; ++k) {
        const TPaletteEntry& e = m_palette[list[k]];
        const int32_t d = Square(int32_t(e.blue) - blue) + Square(int32_t(e.green) - green) + Square(int32_t(e.red) - red);
        if (d < best) best = d, index = list[k];
    }
    slot = key | index;
    return index;
}

void ConvertRow(const uint8_t* src, TPixelFormat from, const TPalette& srcPalette, uint8_t* dst, TPixelFormat to,
                NearestPaletteIndex& nearest, int32_t width) {
    for (int32_t x = 0; x < width; ++x) {
        uint8_t b, g, r;
        switch (from) {
            case TPixelFormat::pf8bit: {
                const TPaletteEntry& e = srcPalette[src[x]];
                b = e.blue, g = e.green, r = e.red;
                break;
            }
            case TPixelFormat::pf24bit: b = src[3 * x], g = src[3 * x + 1], r = src[3 * x + 2]; break;
            default: b = src[4 * x], g = src[4 * x + 1], r = src[4 * x + 2]; break;
        }
        switch (to) {
            case TPixelFormat::pf8bit: dst[x] = nearest(b, g, r); break;
            case TPixelFormat::pf24bit: dst[3 * x] = b, dst[3 * x + 1] = g, dst[3 * x + 2] = r; break;
            default:
                dst[4 * x] = b, dst[4 * x + 1] = g, dst[4 * x + 2] = r;
                dst[4 * x + 3] = from == TPixelFormat::pf32bit ? src[4 * x + 3] : 0;
                break;
        }
    }
}

void EncodeColor(uint32_t rgb, TPixelFormat format, NearestPaletteIndex& nearest, uint8_t bytes[4]) {
    const uint8_t r = uint8_t(rgb), g = uint8_t(rgb >> 8), b = uint8_t(rgb >> 16);
    if (format == TPixelFormat::pf8bit) {
        bytes[0] = nearest(b, g, r);
        return;
    }
    bytes[0] = b, bytes[1] = g, bytes[2] = r, bytes[3] = 0;
}

}  // namespace lumarix::detail
