// Text back end on Windows: GDI. The font is CreateFontA with height -MulDiv(size, 96, 72) (an
// em height in pixels at 96 dots per inch), the style's weight, italic, underline and strike-out
// flags and grey-scale anti-aliasing; the extent is GetTextExtentPoint32A. The coverage is drawn
// with TextOutA in white on a black 32-bit DIB section and read back from its green byte, so the
// bytes are decoded by the system's ANSI code page, as every "A" function does.
//
// GDI lays out and anti-aliases whole strings, so its output is kept per string, not per glyph
// (caching glyphs would change the bytes). What is kept is the font: the device contexts with
// their fonts selected, a few of them by name, em height and style, so that repeated text skips
// CreateFontA and CreateCompatibleDC. One mutex guards them for the whole of each call, as a
// device context must not be used by two threads at once.
#include "text/text_backend.h"

#include <windows.h>

#include <algorithm>
#include <list>
#include <memory>
#include <mutex>
#include <string>

namespace lumarix::text {
namespace {

// A memory device context with the font selected, released on every path.
class FontDC {
public:
    explicit FontDC(const TFont& font) : m_dc(CreateCompatibleDC(nullptr)) {
        const bool bold = font.Style.Contains(fsBold);
        m_font = CreateFontA(-EmPixels(font), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL,
                             font.Style.Contains(fsItalic) ? TRUE : FALSE,
                             font.Style.Contains(fsUnderline) ? TRUE : FALSE,
                             font.Style.Contains(fsStrikeOut) ? TRUE : FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             font.Name.c_str());
        if (m_dc && m_font) m_oldFont = SelectObject(m_dc, m_font);
    }
    ~FontDC() {
        if (m_dc && m_oldFont) SelectObject(m_dc, m_oldFont);
        if (m_font) DeleteObject(m_font);
        if (m_dc) DeleteDC(m_dc);
    }
    FontDC(const FontDC&) = delete;
    FontDC& operator=(const FontDC&) = delete;

    bool Valid() const { return m_dc && m_font; }
    HDC Dc() const { return m_dc; }

    TSize Extent(const std::string& text) const {
        SIZE size{0, 0};
        if (Valid() && !GetTextExtentPoint32A(m_dc, text.data(), int(std::min<size_t>(text.size(), INT32_MAX)), &size))
            size = SIZE{0, 0};
        if (text.empty()) {
            TEXTMETRICA metrics{};
            if (Valid() && GetTextMetricsA(m_dc, &metrics)) size.cy = metrics.tmHeight;
        }
        return TSize{int32_t(size.cx), int32_t(size.cy)};
    }

    int32_t LineHeight() const {
        TEXTMETRICA metrics{};
        return Valid() && GetTextMetricsA(m_dc, &metrics) ? int32_t(metrics.tmHeight) : 0;
    }

private:
    HDC m_dc = nullptr;
    HFONT m_font = nullptr;
    HGDIOBJ m_oldFont = nullptr;
};

// A top-down 32-bit DIB section selected into a device context while alive.
class Dib {
public:
    Dib(HDC dc, int32_t width, int32_t height) : m_dc(dc) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        m_bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
        if (m_bitmap) m_old = SelectObject(dc, m_bitmap);
    }
    ~Dib() {
        if (m_old) SelectObject(m_dc, m_old);
        if (m_bitmap) DeleteObject(m_bitmap);
    }
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;

    bool Valid() const { return m_bitmap && m_bits; }
    const uint8_t* Bits() const { return static_cast<const uint8_t*>(m_bits); }

private:
    HDC m_dc;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    void* m_bits = nullptr;
};

// The last few fonts used, most recent first.
class FontCache {
public:
    std::mutex& Mutex() { return m_mutex; }

    // Call with Mutex() held.
    const FontDC& Get(const TFont& font) {
        Key key{font.Name, EmPixels(font), uint32_t(font.Style.Contains(fsBold)) | uint32_t(font.Style.Contains(fsItalic)) << 1 |
                                               uint32_t(font.Style.Contains(fsUnderline)) << 2 |
                                               uint32_t(font.Style.Contains(fsStrikeOut)) << 3};
        for (auto it = m_fonts.begin(); it != m_fonts.end(); ++it)
            if (it->first == key) {
                m_fonts.splice(m_fonts.begin(), m_fonts, it);
                return *m_fonts.front().second;
            }
        if (m_fonts.size() >= kMaxFonts) m_fonts.pop_back();
        m_fonts.emplace_front(std::move(key), std::make_unique<FontDC>(font));
        return *m_fonts.front().second;
    }

private:
    struct Key {
        std::string name;
        int32_t em;
        uint32_t style;
        bool operator==(const Key&) const = default;
    };
    static constexpr size_t kMaxFonts = 8;
    std::mutex m_mutex;
    std::list<std::pair<Key, std::unique_ptr<FontDC>>> m_fonts;
};

FontCache& Fonts() {
    static FontCache cache;
    return cache;
}

// Call with the font cache's mutex held.
TextCoverage RenderMask(const TFont& font, const std::string& text, const TRect& clip) {
    TextCoverage mask;
    const FontDC& dc = Fonts().Get(font);
    if (!dc.Valid() || text.empty()) return mask;
    const TSize extent = dc.Extent(text);
    // Italic and some glyphs reach past the advance width: leave a margin of half a line.
    const int64_t margin = std::max<int32_t>(dc.LineHeight(), extent.cy) / 2 + 2;
    const int64_t x0 = std::max<int64_t>(-margin, clip.Left), y0 = std::max<int64_t>(-margin, clip.Top);
    const int64_t x1 = std::min<int64_t>(int64_t(extent.cx) + margin, clip.Right);
    const int64_t y1 = std::min<int64_t>(int64_t(extent.cy) + margin, clip.Bottom);
    if (x0 >= x1 || y0 >= y1 || (x1 - x0) * (y1 - y0) > kMaxBitmapBytes / 4) return mask;

    Dib dib(dc.Dc(), int32_t(x1 - x0), int32_t(y1 - y0));
    if (!dib.Valid()) return mask;
    SetBkMode(dc.Dc(), TRANSPARENT);
    SetTextColor(dc.Dc(), RGB(255, 255, 255));
    SetTextAlign(dc.Dc(), TA_LEFT | TA_TOP | TA_NOUPDATECP);
    TextOutA(dc.Dc(), int(-x0), int(-y0), text.data(), int(std::min<size_t>(text.size(), INT32_MAX)));
    GdiFlush();

    mask.left = int32_t(x0);
    mask.top = int32_t(y0);
    mask.width = int32_t(x1 - x0);
    mask.height = int32_t(y1 - y0);
    mask.alpha.resize(size_t(mask.width) * size_t(mask.height));
    const uint8_t* bits = dib.Bits();
    for (size_t i = 0; i < mask.alpha.size(); ++i) mask.alpha[i] = bits[4 * i + 1];
    return mask;
}

}  // namespace

TSize MeasureText(const TFont& font, const std::string& text) {
    std::lock_guard lock(Fonts().Mutex());
    return Fonts().Get(font).Extent(text);
}

void RenderText(const TFont& font, const std::string& text, const TRect& clip, TextCoverage& out, bool wholeClip) {
    {
        std::lock_guard lock(Fonts().Mutex());
        out = RenderMask(font, text, clip);
    }
    if (wholeClip) ExtendToClip(out, clip);
}

}  // namespace lumarix::text
