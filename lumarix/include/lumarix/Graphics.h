// The framework graphics layer: colours, geometry, fonts, drawing surfaces and bitmaps.
//
// A TBitmap owns a top-down pixel buffer of 8 (palettized), 24 or 32 bits per pixel. Rows are
// padded to a multiple of 4 bytes, as in a Windows device-independent bitmap, and ScanLine(0)
// is the top row. 32-bit pixels are stored as bytes blue, green, red, fourth byte.
#pragma once

#include <lumarix/Export.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>

namespace lumarix {

// ==== Colours ===================================================================================

/// 0x00BBGGRR (red in the low byte); a negative value names a system colour (index in the low byte).
using TColor = int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

/// Indices of the platform's system colours (the Windows COLOR_* numbering).
enum TSysColorIndex : int32_t {
    COLOR_SCROLLBAR = 0, COLOR_BACKGROUND = 1, COLOR_ACTIVECAPTION = 2, COLOR_INACTIVECAPTION = 3,
    COLOR_MENU = 4, COLOR_WINDOW = 5, COLOR_WINDOWFRAME = 6, COLOR_MENUTEXT = 7,
    COLOR_WINDOWTEXT = 8, COLOR_CAPTIONTEXT = 9, COLOR_ACTIVEBORDER = 10, COLOR_INACTIVEBORDER = 11,
    COLOR_APPWORKSPACE = 12, COLOR_HIGHLIGHT = 13, COLOR_HIGHLIGHTTEXT = 14, COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16, COLOR_GRAYTEXT = 17, COLOR_BTNTEXT = 18, COLOR_INACTIVECAPTIONTEXT = 19,
    COLOR_BTNHIGHLIGHT = 20, COLOR_3DDKSHADOW = 21, COLOR_3DLIGHT = 22, COLOR_INFOTEXT = 23,
    COLOR_INFOBK = 24, COLOR_HOTLIGHT = 26, COLOR_GRADIENTACTIVECAPTION = 27,
    COLOR_GRADIENTINACTIVECAPTION = 28, COLOR_MENUHILIGHT = 29, COLOR_MENUBAR = 30,
};

/// A system colour reference: the index with the high byte set, as the framework writes it.
constexpr TColor SysColor(int32_t index) { return static_cast<TColor>(0xFF000000u | uint32_t(index)); }

inline constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE);
inline constexpr TColor clGrayText = SysColor(COLOR_GRAYTEXT);
inline constexpr TColor clWindow = SysColor(COLOR_WINDOW);
inline constexpr TColor clWindowText = SysColor(COLOR_WINDOWTEXT);
inline constexpr TColor clBtnText = SysColor(COLOR_BTNTEXT);
inline constexpr TColor clHighlight = SysColor(COLOR_HIGHLIGHT);

/// The current value (0x00BBGGRR) of system colour `index`. On Windows this is the platform's
/// own answer; elsewhere the classic Windows default scheme. Unknown indices give 0.
LUMARIX_API uint32_t GetSysColor(int32_t index);

/// A negative colour is replaced by system colour (value AND 255); others are returned as given.
LUMARIX_API TColor ColorToRGB(TColor color);

// ==== Geometry ==================================================================================

struct TPoint {
    int32_t x = 0;
    int32_t y = 0;
};

struct TSize {
    int32_t cx = 0;
    int32_t cy = 0;
};

/// A rectangle; Right and Bottom are exclusive, as on the platform.
struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
};

constexpr TRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return TRect{left, top, right, bottom};
}

// ==== Errors ====================================================================================

/// Base of every error the graphics layer raises.
class LUMARIX_API EGraphicsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// An operation the bitmap cannot perform, such as a row index outside the bitmap.
class LUMARIX_API EInvalidGraphicOperation : public EGraphicsError {
public:
    using EGraphicsError::EGraphicsError;
};

/// A picture file or stream that cannot be read (not a BMP, corrupt, truncated, too large).
class LUMARIX_API EInvalidGraphic : public EGraphicsError {
public:
    using EGraphicsError::EGraphicsError;
};

/// A file that cannot be opened or written.
class LUMARIX_API EFileError : public EGraphicsError {
public:
    using EGraphicsError::EGraphicsError;
};

/// The exact message of a row access outside the bitmap.
LUMARIX_API extern const char* const kScanLineOutOfRange;

// ==== Fonts =====================================================================================

enum class TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
inline constexpr TFontStyle fsBold = TFontStyle::fsBold;
inline constexpr TFontStyle fsItalic = TFontStyle::fsItalic;
inline constexpr TFontStyle fsUnderline = TFontStyle::fsUnderline;
inline constexpr TFontStyle fsStrikeOut = TFontStyle::fsStrikeOut;

/// A set of font styles.
class TFontStyles {
public:
    constexpr TFontStyles() = default;
    constexpr TFontStyles(TFontStyle s) : m_bits(uint8_t(s)) {}
    constexpr bool Contains(TFontStyle s) const { return (m_bits & uint8_t(s)) != 0; }
    constexpr TFontStyles operator|(TFontStyles o) const { return FromBits(m_bits | o.m_bits); }
    constexpr TFontStyles& operator|=(TFontStyles o) { m_bits |= o.m_bits; return *this; }
    constexpr TFontStyles Without(TFontStyle s) const { return FromBits(m_bits & ~uint8_t(s)); }
    constexpr bool operator==(const TFontStyles&) const = default;
    constexpr uint8_t Bits() const { return m_bits; }
    static constexpr TFontStyles FromBits(unsigned bits) { TFontStyles r; r.m_bits = uint8_t(bits & 15); return r; }

private:
    uint8_t m_bits = 0;
};

constexpr TFontStyles operator|(TFontStyle a, TFontStyle b) { return TFontStyles(a) | TFontStyles(b); }

/// A font description: face name, size in points (at 96 dots per inch), style and colour.
class LUMARIX_API TFont {
public:
    std::string Name = "Tahoma";
    int32_t Size = 8;
    TFontStyles Style;
    TColor Color = clWindowText;

    /// Copies every attribute of `source`.
    void Assign(const TFont& source);
    /// Character height in pixels at 96 dots per inch (the size in points scaled by 96/72, rounded).
    int32_t PixelHeight() const;
    bool operator==(const TFont&) const = default;
};

// ==== Drawing surfaces ==========================================================================

enum class TBrushStyle : uint8_t { bsSolid, bsClear };

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::bsSolid;
};

struct TPen {
    TColor Color = clBlack;
    int32_t Width = 1;
};

class TBitmap;

/// The drawing surface of a bitmap. Coordinates outside the bitmap are clipped.
class LUMARIX_API TCanvas {
public:
    explicit TCanvas(TBitmap& owner) : m_bitmap(&owner) {}
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TBrush Brush;
    TPen Pen;
    TFont Font;

    /// Fills the rectangle (right and bottom exclusive) with the brush colour; nothing with a clear brush.
    void FillRect(const TRect& rect);
    void MoveTo(int32_t x, int32_t y);
    /// A line from the pen position to (x, y) covering its start point but not its end point;
    /// the pen position becomes (x, y). The points are those of Bresenham's walk, a pen wider than
    /// one pixel stamping a square of its width on each; only the part on the surface costs time.
    void LineTo(int32_t x, int32_t y);
    TPoint PenPos() const { return m_penPos; }
    /// Copies `bitmap` with its top-left corner at (x, y), converting its pixels to this surface's
    /// format. Any corner is accepted (edges are computed in 64 bits); off the surface, nothing.
    void Draw(int32_t x, int32_t y, const TBitmap& bitmap);
    /// Copies `srcRect` of `source` into `destRect` of this surface, stretching when the sizes differ.
    void CopyRect(const TRect& destRect, TCanvas& source, const TRect& srcRect);
    /// Draws `text` in the font's colour with its top-left corner at (x, y); the background is
    /// filled with the brush colour unless the brush is clear.
    void TextOut(int32_t x, int32_t y, const std::string& text);
    /// The width and height `text` takes in the current font.
    TSize TextExtent(const std::string& text);
    /// Colour of one pixel (0x00BBGGRR), or -1 outside the surface.
    TColor Pixel(int32_t x, int32_t y) const;
    void SetPixel(int32_t x, int32_t y, TColor color);

    TBitmap& Bitmap() const { return *m_bitmap; }

private:
    TBitmap* m_bitmap;
    TPoint m_penPos;
};

// ==== Bitmaps ===================================================================================

enum class TPixelFormat : uint8_t { pf8bit, pf24bit, pf32bit };

namespace detail {

/// Frees a picture buffer the way the library's pixel memory allocated it: `mapped` is the size
/// of a buffer that has memory pages of its own, 0 for a block of the heap.
struct LUMARIX_API PixelRelease {
    size_t mapped = 0;
    void operator()(uint8_t* p) const noexcept;
};

}  // namespace detail

/// A picture buffer from the library's pixel memory.
using TPixelBuffer = std::unique_ptr<uint8_t[], detail::PixelRelease>;

/// One palette entry, in the byte order of a BMP colour table.
struct TPaletteEntry {
    uint8_t blue = 0, green = 0, red = 0, reserved = 0;
    bool operator==(const TPaletteEntry&) const = default;
};

using TPalette = std::array<TPaletteEntry, 256>;

/// A device-independent bitmap. New bitmaps are 0 by 0 at 24 bits per pixel.
class LUMARIX_API TBitmap {
public:
    TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;
    virtual ~TBitmap();

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    /// Resizing keeps the overlapping part of the picture; new pixels are white.
    void SetWidth(int32_t width);
    void SetHeight(int32_t height);
    void SetSize(int32_t width, int32_t height);

    TPixelFormat PixelFormat() const { return m_format; }
    /// Converts every pixel to the new format (to 8 bits: the nearest palette colour by squared
    /// distance, the lowest index among equally near ones).
    void SetPixelFormat(TPixelFormat format);
    /// Bytes per row: width × bytes per pixel, padded to a multiple of 4.
    int32_t RowStride() const { return m_stride; }
    static int32_t BitsPerPixel(TPixelFormat format);

    /// Address of row y (0 = top row). Throws EInvalidGraphicOperation outside 0..Height()-1.
    uint8_t* ScanLine(int32_t y);
    const uint8_t* ScanLine(int32_t y) const;

    /// The 256-entry colour table used by the 8-bit format (a grey ramp by default).
    const TPalette& Palette() const { return m_palette; }
    void SetPalette(const TPalette& palette);

    TCanvas& Canvas() { return *m_canvas; }

    /// Copies size, format, palette and picture of `source`.
    virtual void Assign(const TBitmap& source);
    /// Reads a Windows BMP file. Throws EFileError or EInvalidGraphic; the bitmap is unchanged then.
    virtual void LoadFromFile(const std::string& fileName);
    /// Reads a Windows BMP from the stream's current position.
    virtual void LoadFromStream(std::istream& stream);
    /// Writes a Windows BMP at the bitmap's own pixel format.
    void SaveToFile(const std::string& fileName) const;
    void SaveToStream(std::ostream& stream) const;

    /// Takes over a decoded picture (used by the file reader): rows of RowStride() bytes, top row
    /// first; the buffer must hold all Height() of them, which is the one thing not checked.
    /// Negative sizes, a buffer over kMaxBitmapBytes, an unknown format or a missing buffer for
    /// a picture with pixels throw EInvalidGraphicOperation and leave the bitmap unchanged.
    void AdoptPixels(int32_t width, int32_t height, TPixelFormat format, TPixelBuffer pixels,
                     const TPalette* palette);

private:
    void Reallocate(int32_t width, int32_t height, TPixelFormat format, bool keepPicture);
    bool WidenInPlace(int32_t width, int32_t height, TPixelFormat format, size_t bytes);

    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_stride = 0;
    TPixelFormat m_format = TPixelFormat::pf24bit;
    TPixelBuffer m_pixels;
    TPalette m_palette;
    std::unique_ptr<TCanvas> m_canvas;
};

/// The largest pixel buffer the library allocates for one bitmap (1 GiB).
inline constexpr int64_t kMaxBitmapBytes = int64_t(1) << 30;

}  // namespace lumarix
