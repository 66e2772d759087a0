#include "convert/StyleSets.h"

#include <cstdint>

namespace Calvorn {

namespace {

double Unsigned(std::int32_t value)
{
    return static_cast<double>(static_cast<std::uint32_t>(value));
}

}  // namespace

std::array<double, 10> LineStyleValues(const Torvex::TORVEX_LineInfo& info)
{
    return {Unsigned(info.style),
            Unsigned(info.color),
            info.width,
            Unsigned(info.kind),
            info.xFactor,
            info.yFactor,
            Unsigned(info.auxStyle),
            Unsigned(info.auxColor),
            Unsigned(info.layer),
            Unsigned(info.transparent)};
}

std::array<double, 7> SubGraphStyleValues(const Torvex::TORVEX_PntInfo& info)
{
    return {Unsigned(info.u.sub.number),
            info.u.sub.height,
            info.u.sub.width,
            info.u.sub.angle,
            Unsigned(info.color),
            Unsigned(info.transparent),
            Unsigned(info.layer)};
}

std::array<double, 11> AnnotationStyleValues(const Torvex::TORVEX_PntInfo& info)
{
    return {info.u.ann.height,
            info.u.ann.width,
            info.u.ann.spacing,
            info.u.ann.angle,
            static_cast<double>(info.cnFont),
            static_cast<double>(info.enFont),
            static_cast<double>(info.glyph),
            static_cast<double>(info.color),
            static_cast<double>(info.transparent),
            static_cast<double>(info.arrange),
            static_cast<double>(info.layer)};
}

std::array<double, 7> FillStyleValues(const Torvex::TORVEX_RegInfo& info)
{
    return {Unsigned(info.fillColor),  Unsigned(info.pattern),      info.patternHeight,
            info.patternWidth,         Unsigned(info.patternColor), Unsigned(info.layer),
            Unsigned(info.transparent)};
}

}  // namespace Calvorn
