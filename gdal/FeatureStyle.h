// OGR feature style strings from the graphic-parameter records, so that GDAL-based tools can
// draw the features as they were drawn: line pens, polygon brushes, annotation labels. A colour
// is taken as 0xRRGGBB; widths and text sizes are in millimetres.
#pragma once

#include <string>
#include <string_view>

#include "torvex/Records.h"

namespace Calvorn {

// "PEN(c:#RRGGBB,w:…mm)".
std::string LineStyle(const Torvex::TORVEX_LineInfo& info);
// "BRUSH(fc:#RRGGBB)".
std::string FillStyle(const Torvex::TORVEX_RegInfo& info);
// "LABEL(t:\"…\",s:…mm,a:…,c:#RRGGBB)" for an annotation point's UTF-8 text.
std::string LabelStyle(std::string_view text, const Torvex::TORVEX_PntInfo& info);

// True when a record holds nothing but zero bytes: no style was stored for it.
template <typename Record>
bool IsBlankRecord(const Record& record)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    for (std::size_t i = 0; i < sizeof(Record); ++i) {
        if (bytes[i] != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace Calvorn
