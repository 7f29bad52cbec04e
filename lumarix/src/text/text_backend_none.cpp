// Text back end of builds without FreeType (LUMARIX_WITH_FREETYPE=OFF, e.g. cross builds that
// have no FreeType or Fontconfig for their target): every font is treated as not installed, as
// the FreeType back end treats a name Fontconfig cannot match. Text measures 0 by 0 and draws
// no ink; every other routine of the library is unchanged.
#include "text/text_backend.h"

namespace lumarix::text {

TSize MeasureText(const TFont&, const std::string&) { return {}; }

void RenderText(const TFont&, const std::string&, const TRect& clip, TextCoverage& out, bool wholeClip) {
    out = TextCoverage{};
    if (wholeClip) ExtendToClip(out, clip);
}

}  // namespace lumarix::text
