#include "gdal/FeatureStyle.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace Calvorn {

namespace {

std::string Colour(std::int32_t value)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const auto rgb = static_cast<std::uint32_t>(value);
    std::string text = "#";
    for (int shift = 20; shift >= 0; shift -= 4) {
        text += kDigits[(rgb >> shift) & 0xF];
    }
    return text;
}

// The shortest text that reads back as the same float, whatever the locale.
std::string Number(float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, result.ptr);
}

// Style strings quote text with '"' and escape with '\'.
std::string Quoted(std::string_view text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + '"';
}

}  // namespace

std::string LineStyle(const Torvex::TORVEX_LineInfo& info)
{
    std::string style = "PEN(c:" + Colour(info.color);
    if (std::isfinite(info.width) && info.width >= 0) {
        style += ",w:" + Number(info.width) + "mm";
    }
    return style + ")";
}

std::string FillStyle(const Torvex::TORVEX_RegInfo& info)
{
    return "BRUSH(fc:" + Colour(info.fillColor) + ")";
}

std::string LabelStyle(std::string_view text, const Torvex::TORVEX_PntInfo& info)
{
    std::string style = "LABEL(t:" + Quoted(text);
    if (std::isfinite(info.u.ann.height) && info.u.ann.height > 0) {
        style += ",s:" + Number(info.u.ann.height) + "mm";
    }
    if (std::isfinite(info.u.ann.angle)) {
        style += ",a:" + Number(info.u.ann.angle);
    }
    return style + ",c:" + Colour(info.color) + ")";
}

}  // namespace Calvorn
