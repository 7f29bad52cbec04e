// Support of the API fuzzer: arguments read from the input and biased to the edges, the pool of
// bitmaps the calls work on, its copies, and the comparisons that make up the oracles.
#pragma once

#include <lumarix/Lumarix.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

namespace apifuzz {

using namespace lumarix;

// ==== Reading the input =========================================================================

/// Reads the input front to back; once it is used up every read gives 0, so any input is a
/// complete program.
class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_pos >= m_size; }
    uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint16_t U16() { return uint16_t(Byte() | (Byte() << 8)); }
    uint32_t U32() { return uint32_t(U16()) | (uint32_t(U16()) << 16); }
    bool Flag() { return (Byte() & 1) != 0; }
    /// 0 .. n − 1.
    int32_t Pick(int32_t n) { return n <= 1 ? 0 : int32_t(Byte() % uint32_t(n)); }

    /// A position or size near the edges of a bitmap of `size` pixels: 0, ±1, the size and its
    /// neighbours, the extremes of the type, or a small value.
    int32_t Coord(int32_t size) {
        const auto near = [size](int64_t d) {
            return int32_t(std::clamp<int64_t>(int64_t(size) + d, INT32_MIN, INT32_MAX));
        };
        switch (Byte() % 16) {
            case 0: return 0;
            case 1: return 1;
            case 2: return -1;
            case 3: return size;
            case 4: return near(-1);
            case 5: return near(1);
            case 6: return INT32_MIN;
            case 7: return INT32_MAX;
            case 8: return INT32_MAX - int32_t(Byte());
            case 9: return INT32_MIN + int32_t(Byte());
            case 10: return -int32_t(Byte());
            case 11: return size / 2;
            case 12: return int32_t(int16_t(U16()));
            default: return int32_t(Byte() % 80);
        }
    }

    /// A 16-bit alpha, level or progress: the ends of every scale the routines use, or any value.
    uint16_t Alpha16() {
        static constexpr uint16_t kEdges[] = {0, 1, 2, 127, 128, 129, 254, 255, 256, 257, 258, 300, 32768, 65535};
        const uint8_t b = Byte();
        if (b < 2 * std::size(kEdges)) return kEdges[b % std::size(kEdges)];
        return b & 1 ? uint16_t(b) : U16();
    }
    uint32_t Alpha32() { return Flag() ? Alpha16() : (Flag() ? 0xFFFFFFFFu : U32()); }
    uint8_t Alpha8() { return uint8_t(Alpha16()); }

    /// A zoom coordinate: non-finite values, the edges of a bitmap of `size` pixels, fractions
    /// just inside and outside them, huge values, or an arbitrary double.
    double ZoomDouble(int32_t size) {
        switch (Byte() % 16) {
            case 0: return std::numeric_limits<double>::quiet_NaN();
            case 1: return std::numeric_limits<double>::infinity();
            case 2: return -std::numeric_limits<double>::infinity();
            case 3: return 0.0;
            case 4: return -0.5;
            case 5: return double(size);
            case 6: return double(size) - 0.25;
            case 7: return double(size) + 0.75;
            case 8: return 65536.0;
            case 9: return 1e300;
            case 10: return -1e300;
            case 11: return std::numeric_limits<double>::denorm_min();
            case 12: {
                double d;
                const uint64_t bits = uint64_t(U32()) | (uint64_t(U32()) << 32);
                std::memcpy(&d, &bits, sizeof d);
                return d;
            }
            default: return double(int8_t(Byte())) + Byte() / 64.0;
        }
    }

    TColor Color() {
        switch (Byte() % 6) {
            case 0: return clBlack;
            case 1: return clWhite;
            case 2: return SysColor(Byte());            // a system colour, some indices unknown
            case 3: return TColor(0x80000000u | Byte());
            default: return TColor(U32());
        }
    }

    /// Text: empty, one character, a short word, a long run, or raw bytes (control characters,
    /// bytes above 127, a NUL inside).
    std::string Text() {
        switch (Byte() % 8) {
            case 0: return {};
            case 1: return std::string(1, char(Byte()));
            case 2: return "Wg|";
            case 3: return std::string(size_t(Byte()) * 4 + 200, char('A' + Byte() % 26));
            default: {
                std::string s(size_t(Byte() % 24), '\0');
                for (char& c : s) c = char(Byte());
                return s;
            }
        }
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// ==== The pool ==================================================================================

inline constexpr int kPoolSize = 3;
using Pool = std::array<std::unique_ptr<TLumarix>, kPoolSize>;

[[noreturn]] inline void Fail(const char* call, const char* what, int slot = -1, int64_t x = -1, int64_t y = -1) {
    std::fprintf(stderr, "api fuzz: %s: %s (bitmap %d, byte column %lld, row %lld)\n", call, what, slot,
                 (long long)x, (long long)y);
    std::abort();
}

inline int64_t RowBytes(const TBitmap& b) {
    return int64_t(b.Width()) * (TBitmap::BitsPerPixel(b.PixelFormat()) / 8);
}

/// A copy of the picture and of the drawing surface's state (brush, pen, font, pen position),
/// made without TLumarix's forcing of 32 bits.
void CopyBitmap(TLumarix& from, TLumarix& to);

/// The first difference of two bitmaps' size, format, palette, canvas state or picture, or
/// nullptr when there is none; `column` and `row` locate a differing byte.
const char* Difference(TBitmap& a, TBitmap& b, int64_t& column, int64_t& row);

// ==== What a call may change ====================================================================

/// The part of one bitmap a call may write: a rectangle in units of `unit` bytes (4 for the
/// library's routines, which see every row as 4-byte pixels; the pixel size for the drawing
/// surface), within it only the bytes of a 4-byte pixel that `channels` names (bit i = byte i).
/// `reshape` allows any change, size and format included.
struct Region {
    bool reshape = false;
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    int unit = 4;
    uint8_t channels = 0xF;

    static Region None() { return {}; }
    static Region Any() { return Region{true}; }
    static Region Rect(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint8_t channels = 0xF, int unit = 4) {
        return Region{false, x0, y0, x1, y1, unit, channels};
    }
    static Region Whole(uint8_t channels = 0xF) {
        return Rect(0, 0, INT64_MAX / 8, INT64_MAX / 8, channels);
    }
    bool Allows(int64_t byte, int64_t row) const {
        if (row < y0 || row >= y1) return false;
        const int64_t pixel = byte / unit;
        if (pixel < x0 || pixel >= x1) return false;
        return unit != 4 || ((channels >> (byte % 4)) & 1) != 0;
    }
};

/// Fails when `after` differs from `before` anywhere the region does not allow.
void CheckRegion(const char* call, int slot, TBitmap& before, TBitmap& after, const Region& region);

}  // namespace apifuzz
