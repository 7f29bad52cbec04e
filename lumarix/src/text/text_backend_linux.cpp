// Text back end on Linux: Fontconfig picks the installed face closest to the font's name and
// style, FreeType renders anti-aliased glyph coverage.
//
// Metrics follow GDI's: the em height is the size in points at 96 dots per inch, the line height
// is the face's Windows ascent plus descent (OS/2 usWinAscent/usWinDescent), the extent's width
// is the sum of the hinted advances rounded to whole pixels (no kerning), and the baseline lies
// one ascent below the top. Bold and italic are synthesised (emboldened outline, oblique shear)
// when the matched face lacks them.
//
// Bytes are decoded through the user's locale when its character set is single-byte (ISO 8859-x,
// KOI8-R, ...); otherwise (UTF-8, multi-byte, plain ASCII) as Windows-1252, the ANSI code page
// the byte strings were written for.
//
// Faces are opened once per (name, bold, italic) and kept in a cache guarded by one mutex, which
// is also held while a face renders: FreeType faces are not safe to share between threads.
// Rendered characters go to the shared glyph cache (glyph_cache.h), keyed by the face's number,
// the em height, the style and the byte, so that drawn again they cost no hinting at all.
#include "text/text_backend.h"

#include "text/glyph_cache.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <tuple>

namespace lumarix::text {
namespace {

// ==== Code page =================================================================================

using CodePage = std::array<char32_t, 256>;

CodePage Windows1252() {
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    CodePage page{};
    for (int b = 0; b < 256; ++b) page[b] = char32_t(b);
    for (int b = 0; b < 32; ++b) page[0x80 + b] = kHigh[b];
    return page;
}

// The locale's code page when it is single-byte and not plain ASCII, else Windows-1252.
CodePage LocaleCodePage() {
    CodePage page = Windows1252();
    locale_t locale = newlocale(LC_CTYPE_MASK, "", locale_t(nullptr));
    if (locale == locale_t(nullptr)) return page;
    const std::string codeset = nl_langinfo_l(CODESET, locale);
    freelocale(locale);

    iconv_t cd = iconv_open("UTF-32LE", codeset.c_str());
    if (cd == iconv_t(-1)) return page;
    CodePage decoded = page;
    bool anyHighByte = false;
    bool singleByte = true;
    for (int b = 0; b < 256 && singleByte; ++b) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char in = char(b);
        char* inPtr = &in;
        size_t inLeft = 1;
        unsigned char out[8];
        char* outPtr = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof out;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1)) {
            if (errno == EINVAL) singleByte = false;  // a lead byte: the code page is multi-byte
            continue;                                  // an unassigned byte keeps its 1252 meaning
        }
        if (sizeof out - outLeft != 4) continue;
        decoded[b] = char32_t(out[0] | out[1] << 8 | out[2] << 16 | uint32_t(out[3]) << 24);
        if (b >= 0x80) anyHighByte = true;
    }
    iconv_close(cd);
    return singleByte && anyHighByte ? decoded : page;
}

const CodePage& AnsiCodePage() {
    static const CodePage page = LocaleCodePage();
    return page;
}

// ==== Faces =====================================================================================

struct LineMetrics {
    int32_t ascent = 0, descent = 0;
    int32_t underlineTop = 0, underlineThickness = 1;
    int32_t strikeTop = 0, strikeThickness = 1;
};

struct Face {
    FT_Face face = nullptr;
    uint32_t id = 0;  // the glyph cache's name for the face
    bool synthBold = false;
    bool synthItalic = false;
    // Line metrics by em height, so that cached text needs no size set on the face.
    std::map<int32_t, LineMetrics> metrics;
};

class FontEngine {
public:
    FontEngine() {
        FcInit();
        if (FT_Init_FreeType(&m_library) != 0) m_library = nullptr;
    }
    ~FontEngine() {
        DropFaces();
        if (m_library) FT_Done_FreeType(m_library);
    }
    FontEngine(const FontEngine&) = delete;
    FontEngine& operator=(const FontEngine&) = delete;

    std::mutex& Mutex() { return m_mutex; }

    // The face for the font, opened on first use; nullptr when no face is installed at all.
    // Call with Mutex() held.
    Face* Find(const TFont& font) {
        const bool bold = font.Style.Contains(fsBold), italic = font.Style.Contains(fsItalic);
        const Key key{font.Name, bold, italic};
        if (auto it = m_faces.find(key); it != m_faces.end()) return it->second.face ? &it->second : nullptr;
        if (m_faces.size() >= kMaxFaces) DropFaces();
        Face& slot = m_faces[key];
        slot = Open(font.Name, bold, italic);
        slot.id = ++m_lastId;
        return slot.face ? &slot : nullptr;
    }

private:
    using Key = std::tuple<std::string, bool, bool>;
    static constexpr size_t kMaxFaces = 32;

    Face Open(const std::string& name, bool bold, bool italic) {
        Face result;
        if (!m_library) return result;
        FcPattern* pattern = FcPatternCreate();
        if (!pattern) return result;
        if (!name.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
        FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult matchResult = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &matchResult);
        FcPatternDestroy(pattern);
        if (!match) return result;

        FcChar8* file = nullptr;
        int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
            FcPatternGetInteger(match, FC_SLANT, 0, &slant);
            FT_Face face = nullptr;
            if (FT_New_Face(m_library, reinterpret_cast<const char*>(file), index, &face) == 0) {
                if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 && face->num_charmaps > 0)
                    FT_Set_Charmap(face, face->charmaps[0]);
                result.face = face;
                result.synthBold = bold && weight < FC_WEIGHT_DEMIBOLD;
                result.synthItalic = italic && slant == FC_SLANT_ROMAN;
            }
        }
        FcPatternDestroy(match);
        return result;
    }

    void DropFaces() {
        for (auto& entry : m_faces)
            if (entry.second.face) FT_Done_Face(entry.second.face);
        m_faces.clear();
    }

    std::mutex m_mutex;
    uint32_t m_lastId = 0;
    FT_Library m_library = nullptr;
    std::map<Key, Face> m_faces;
};

FontEngine& Engine() {
    static FontEngine engine;
    return engine;
}

// ==== Layout ====================================================================================

int32_t Scale(int32_t fontUnits, int32_t em, int32_t unitsPerEm) {
    return int32_t(std::lround(double(fontUnits) * em / (unitsPerEm > 0 ? unitsPerEm : 2048)));
}

LineMetrics MetricsOf(FT_Face face, int32_t em) {
    LineMetrics m;
    const int32_t upem = face->units_per_EM;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        m.ascent = Scale(os2->usWinAscent, em, upem);
        m.descent = Scale(os2->usWinDescent, em, upem);
    } else {
        m.ascent = int32_t((face->size->metrics.ascender + 63) >> 6);
        m.descent = int32_t((-face->size->metrics.descender + 63) >> 6);
    }
    // FreeType gives the underline's centre; GDI draws it at least one pixel thick.
    m.underlineThickness = std::max(1, Scale(face->underline_thickness, em, upem));
    const int32_t underlineCentre = m.ascent - Scale(face->underline_position, em, upem);
    m.underlineTop = underlineCentre - m.underlineThickness / 2;
    if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
        m.strikeThickness = std::max(1, Scale(os2->yStrikeoutSize, em, upem));
        m.strikeTop = m.ascent - Scale(os2->yStrikeoutPosition, em, upem);
    } else {
        m.strikeThickness = m.underlineThickness;
        m.strikeTop = m.ascent - m.ascent / 3;
    }
    return m;
}

// Sets the size and, for synthesised italic, the oblique shear while alive.
class FaceSetup {
public:
    FaceSetup(const Face& face, int32_t em) : m_face(face.face) {
        FT_Set_Pixel_Sizes(m_face, 0, FT_UInt(em));
        if (face.synthItalic) {
            FT_Matrix shear{0x10000, 0x3400, 0, 0x10000};  // x += 0.2 * y, GDI's simulated italic slant
            FT_Set_Transform(m_face, &shear, nullptr);
        }
    }
    ~FaceSetup() { FT_Set_Transform(m_face, nullptr, nullptr); }
    FaceSetup(const FaceSetup&) = delete;
    FaceSetup& operator=(const FaceSetup&) = delete;

private:
    FT_Face m_face;
};

// The face set up for one em height on first need: text whose glyphs and metrics are all
// cached never touches the face.
class LazySetup {
public:
    LazySetup(const Face& face, int32_t em) : m_face(face), m_em(em) {}
    void Ensure() {
        if (!m_setup) m_setup.emplace(m_face, m_em);
    }

private:
    const Face& m_face;
    int32_t m_em;
    std::optional<FaceSetup> m_setup;
};

const LineMetrics& CachedMetrics(Face& face, int32_t em, LazySetup& setup) {
    if (auto it = face.metrics.find(em); it != face.metrics.end()) return it->second;
    if (face.metrics.size() >= 64) face.metrics.clear();
    setup.Ensure();
    return face.metrics[em] = MetricsOf(face.face, em);
}

FT_UInt GlyphIndex(FT_Face face, unsigned char byte) {
    if (face->charmap && face->charmap->encoding == FT_ENCODING_UNICODE)
        return FT_Get_Char_Index(face, FT_ULong(AnsiCodePage()[byte]));
    // Symbol fonts map the byte into the private use area.
    const FT_UInt symbol = FT_Get_Char_Index(face, 0xF000u + byte);
    return symbol ? symbol : FT_Get_Char_Index(face, byte);
}

// Loads one glyph (emboldened when synthesised) and returns its advance in whole pixels.
bool LoadGlyph(const Face& face, unsigned char byte, int32_t& advance) {
    advance = 0;
    if (FT_Load_Glyph(face.face, GlyphIndex(face.face, byte), FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0)
        return false;
    if (face.synthBold) FT_GlyphSlot_Embolden(face.face->glyph);
    advance = int32_t((face.face->glyph->advance.x + 32) >> 6);
    return true;
}

// Copies the rendered glyph of the slot, as 0..255 coverage.
void CopyGlyph(FT_GlyphSlot slot, Glyph& glyph) {
    const FT_Bitmap& bm = slot->bitmap;
    glyph.left = slot->bitmap_left;
    glyph.top = -slot->bitmap_top;
    glyph.width = int32_t(bm.width);
    glyph.height = int32_t(bm.rows);
    glyph.pixels.resize(size_t(bm.width) * bm.rows);
    for (unsigned r = 0; r < bm.rows; ++r) {
        const unsigned char* src = bm.buffer + ptrdiff_t(r) * bm.pitch;
        uint8_t* dst = glyph.pixels.data() + size_t(r) * bm.width;
        for (unsigned c = 0; c < bm.width; ++c) {
            if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                dst[c] = (src[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0;
            else if (bm.num_grays > 1 && bm.num_grays != 256)
                dst[c] = uint8_t(src[c] * 255 / (bm.num_grays - 1));
            else
                dst[c] = src[c];
        }
    }
}

// The advance and, with `withImage`, the coverage of one character at em height `em`, from the
// shared cache or rendered now (and kept, unless too big for the cache).
std::shared_ptr<const Glyph> GlyphOf(const Face& face, int32_t em, unsigned char byte, bool withImage,
                                     LazySetup& setup) {
    const GlyphKey key{face.id, em, uint32_t(face.synthBold) | uint32_t(face.synthItalic) << 1, byte};
    GlyphCache& cache = SharedGlyphCache();
    if (auto cached = cache.Find(key); cached && (cached->hasImage || !withImage)) return cached;
    setup.Ensure();
    Glyph glyph;
    const bool loaded = LoadGlyph(face, byte, glyph.advance);
    if (withImage) {
        glyph.hasImage = true;
        if (loaded && FT_Render_Glyph(face.face->glyph, FT_RENDER_MODE_NORMAL) == 0) CopyGlyph(face.face->glyph, glyph);
    }
    return cache.Insert(key, std::move(glyph));
}

bool Overlaps(int64_t left, int64_t top, int32_t width, int32_t height, const TRect& clip) {
    return width > 0 && height > 0 && left + width > clip.Left && left < clip.Right && top + height > clip.Top &&
           top < clip.Bottom;
}

}  // namespace

TSize MeasureText(const TFont& font, const std::string& text) {
    FontEngine& engine = Engine();
    std::lock_guard lock(engine.Mutex());
    Face* face = engine.Find(font);
    if (!face) return {};
    const int32_t em = EmPixels(font);
    LazySetup setup(*face, em);
    const LineMetrics& metrics = CachedMetrics(*face, em, setup);
    int64_t width = 0;
    for (unsigned char byte : text) width += GlyphOf(*face, em, byte, false, setup)->advance;
    return TSize{int32_t(std::min<int64_t>(width, INT32_MAX)), metrics.ascent + metrics.descent};
}

void RenderText(const TFont& font, const std::string& text, const TRect& clip, TextCoverage& mask, bool wholeClip) {
    mask.left = mask.top = mask.width = mask.height = 0;
    mask.alpha.clear();
    auto emptyResult = [&] {
        if (wholeClip) ExtendToClip(mask, clip);
    };
    FontEngine& engine = Engine();
    std::lock_guard lock(engine.Mutex());
    Face* face = engine.Find(font);
    if (!face || text.empty()) return emptyResult();
    const int32_t em = EmPixels(font);
    LazySetup setup(*face, em);
    const LineMetrics metrics = CachedMetrics(*face, em, setup);

    // The glyphs that reach into the clip; lines span the whole advance width. The list is
    // kept per thread so that drawing allocates nothing once warm.
    struct Placed {
        std::shared_ptr<const Glyph> glyph;
        int64_t left, top;
    };
    thread_local std::vector<Placed> glyphs;
    struct Release {
        ~Release() { glyphs.clear(); }
    } release;
    int64_t penX = 0;
    for (unsigned char byte : text) {
        // A glyph's ink lies within about one em of its pen position.
        const bool nearClip = penX + 2 * int64_t(em) > clip.Left && penX - em < clip.Right;
        std::shared_ptr<const Glyph> glyph = GlyphOf(*face, em, byte, nearClip, setup);
        const int32_t advance = glyph->advance;
        if (nearClip) {
            const int64_t left = penX + glyph->left, top = int64_t(metrics.ascent) + glyph->top;
            if (Overlaps(left, top, glyph->width, glyph->height, clip)) glyphs.push_back({std::move(glyph), left, top});
        }
        penX += advance;
        if (penX - em > clip.Right) break;
    }
    const int32_t lineWidth = int32_t(std::min<int64_t>(penX, INT32_MAX));

    struct Line { int32_t top, thickness; };
    Line lines[2];
    int lineCount = 0;
    if (font.Style.Contains(fsUnderline)) lines[lineCount++] = {metrics.underlineTop, metrics.underlineThickness};
    if (font.Style.Contains(fsStrikeOut)) lines[lineCount++] = {metrics.strikeTop, metrics.strikeThickness};

    // The mask covers the union of glyphs and lines (or the whole clip), cut to the clip.
    int64_t x0 = INT64_MAX, y0 = INT64_MAX, x1 = INT64_MIN, y1 = INT64_MIN;
    auto include = [&](int64_t left, int64_t top, int64_t width, int64_t height) {
        x0 = std::min(x0, left), y0 = std::min(y0, top);
        x1 = std::max(x1, left + width), y1 = std::max(y1, top + height);
    };
    if (wholeClip) include(clip.Left, clip.Top, int64_t(clip.Right) - clip.Left, int64_t(clip.Bottom) - clip.Top);
    for (const Placed& g : glyphs) include(g.left, g.top, g.glyph->width, g.glyph->height);
    for (int l = 0; l < lineCount; ++l) include(0, lines[l].top, lineWidth, lines[l].thickness);
    x0 = std::max<int64_t>(x0, clip.Left), y0 = std::max<int64_t>(y0, clip.Top);
    x1 = std::min<int64_t>(x1, clip.Right), y1 = std::min<int64_t>(y1, clip.Bottom);
    if (x0 >= x1 || y0 >= y1) return;

    mask.left = int32_t(x0);
    mask.top = int32_t(y0);
    mask.width = int32_t(x1 - x0);
    mask.height = int32_t(y1 - y0);
    mask.alpha.assign(size_t(mask.width) * size_t(mask.height), 0);
    // Overlapping glyphs keep the larger coverage.
    auto cellRow = [&](int64_t y) { return mask.alpha.data() + size_t(y - y0) * size_t(mask.width); };
    for (const Placed& placed : glyphs) {
        const Glyph& g = *placed.glyph;
        const int64_t r0 = std::max<int64_t>(0, y0 - placed.top), r1 = std::min<int64_t>(g.height, y1 - placed.top);
        const int64_t c0 = std::max<int64_t>(0, x0 - placed.left), c1 = std::min<int64_t>(g.width, x1 - placed.left);
        for (int64_t r = r0; r < r1; ++r) {
            const uint8_t* src = g.pixels.data() + size_t(r) * size_t(g.width);
            uint8_t* dst = cellRow(placed.top + r) + (placed.left - x0);
            for (int64_t c = c0; c < c1; ++c) dst[c] = std::max(dst[c], src[c]);
        }
    }
    for (int l = 0; l < lineCount; ++l) {
        const Line& line = lines[l];
        const int64_t left = std::max<int64_t>(0, x0), right = std::min<int64_t>(lineWidth, x1);
        for (int64_t y = std::max<int64_t>(line.top, y0); y < std::min<int64_t>(int64_t(line.top) + line.thickness, y1); ++y)
            if (left < right) std::fill(cellRow(y) + (left - x0), cellRow(y) + (right - x0), uint8_t(255));
    }
}

}  // namespace lumarix::text
