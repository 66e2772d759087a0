// The graphic-parameter fields that StyleAsAttributes adds after the source fields, one set per
// kind of record, and their values taken from a record. The converters write them into .dbf
// fields (StyleFields), the GDAL driver into feature fields.
#pragma once

#include <array>

#include "convert/DbfFieldType.h"
#include "torvex/Records.h"

namespace Calvorn {

// How a value reaches its field: integer members are widened with their sign to 32 bits and
// handed over as unsigned or as signed numbers; float members are widened to double.
enum class StyleNumber { Unsigned, Signed, Real };

struct StyleFieldDef {
    const char* name;  // UTF-8; not passed through the field-name table
    DbfFieldType type;
    int width;
    int decimals;
    StyleNumber number;
};

// Lines. The X and Y factors keep no decimals, unlike the line width.
inline constexpr std::array<StyleFieldDef, 10> kLineStyleFields = {{
    {"线型", DbfFieldType::Integer, 8, 0, StyleNumber::Unsigned},
    {"线颜色", DbfFieldType::Integer, 8, 0, StyleNumber::Unsigned},
    {"线宽", DbfFieldType::Double, 8, 3, StyleNumber::Real},
    {"线类型", DbfFieldType::Integer, 8, 0, StyleNumber::Unsigned},
    {"X系数", DbfFieldType::Double, 8, 0, StyleNumber::Real},
    {"Y系数", DbfFieldType::Double, 8, 0, StyleNumber::Real},
    {"辅助线型", DbfFieldType::Integer, 8, 0, StyleNumber::Unsigned},
    {"辅助颜色", DbfFieldType::Integer, 8, 0, StyleNumber::Unsigned},
    {"图层", DbfFieldType::Integer, 8, 0, StyleNumber::Unsigned},
    {"透明输出", DbfFieldType::Integer, 8, 0, StyleNumber::Unsigned},
}};

// Sub-graph points, in the main output of a point file.
inline constexpr std::array<StyleFieldDef, 7> kSubGraphStyleFields = {{
    {"子图号", DbfFieldType::Integer, 8, 0, StyleNumber::Unsigned},
    {"子图高度", DbfFieldType::Double, 8, 3, StyleNumber::Real},
    {"子图宽度", DbfFieldType::Double, 8, 3, StyleNumber::Real},
    {"旋转角度", DbfFieldType::Double, 8, 3, StyleNumber::Real},
    {"子图颜色", DbfFieldType::Integer, 8, 0, StyleNumber::Unsigned},
    {"透明输出", DbfFieldType::Integer, 8, 0, StyleNumber::Unsigned},
    {"图层号", DbfFieldType::Integer, 8, 0, StyleNumber::Unsigned},
}};

// Annotation points: the text field, which an annotation output always has, then eleven that
// only StyleAsAttributes adds. The two narrow fields hold small signed flags ("-1" fits).
inline constexpr std::array<StyleFieldDef, 12> kAnnotationFields = {{
    {"注释文字", DbfFieldType::String, 254, 0, StyleNumber::Real},
    {"注释高度", DbfFieldType::Double, 8, 3, StyleNumber::Real},
    {"注释宽度", DbfFieldType::Double, 8, 3, StyleNumber::Real},
    {"注释间隔", DbfFieldType::Double, 8, 3, StyleNumber::Real},
    {"注释角度", DbfFieldType::Double, 8, 3, StyleNumber::Real},
    {"汉字字体", DbfFieldType::Integer, 8, 0, StyleNumber::Signed},
    {"西文字体", DbfFieldType::Integer, 8, 0, StyleNumber::Signed},
    {"注释字形", DbfFieldType::Integer, 8, 0, StyleNumber::Signed},
    {"注释颜色", DbfFieldType::Integer, 8, 0, StyleNumber::Signed},
    {"透明输出", DbfFieldType::Integer, 2, 0, StyleNumber::Signed},
    {"排列方式", DbfFieldType::Integer, 2, 0, StyleNumber::Signed},
    {"图层号", DbfFieldType::Integer, 8, 0, StyleNumber::Signed},
}};

// Polygons. The layer comes before the transparent output flag, the reverse of their order in
// the record.
inline constexpr std::array<StyleFieldDef, 7> kFillStyleFields = {{
    {"填充颜色", DbfFieldType::Integer, 8, 0, StyleNumber::Unsigned},
    {"填充图案", DbfFieldType::Integer, 8, 0, StyleNumber::Unsigned},
    {"图案高度", DbfFieldType::Double, 8, 3, StyleNumber::Real},
    {"图案宽度", DbfFieldType::Double, 8, 3, StyleNumber::Real},
    {"图案颜色", DbfFieldType::Integer, 8, 0, StyleNumber::Unsigned},
    {"图层", DbfFieldType::Integer, 8, 0, StyleNumber::Unsigned},
    {"透明输出", DbfFieldType::Integer, 8, 0, StyleNumber::Unsigned},
}};

// The values of a set in field order, as their StyleNumber says (every one exact as a double).
std::array<double, 10> LineStyleValues(const Torvex::TORVEX_LineInfo& info);
std::array<double, 7> SubGraphStyleValues(const Torvex::TORVEX_PntInfo& info);
// The eleven after the text.
std::array<double, 11> AnnotationStyleValues(const Torvex::TORVEX_PntInfo& info);
std::array<double, 7> FillStyleValues(const Torvex::TORVEX_RegInfo& info);

}  // namespace Calvorn
