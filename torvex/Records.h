// Byte-packed records that the reader hands to its callers. Their layout is part of the
// library's interface: the converters read members at fixed offsets, so every member the
// program reads is checked at compile time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Torvex {

// Point kinds (byte 31 of a point record): annotation points carry a text, sub-graph points
// place a symbol; any other value is a plain point.
inline constexpr std::uint8_t kAnnotationPoint = 0;
inline constexpr std::uint8_t kSubGraphPoint = 1;

#pragma pack(push, 1)

// Graphic parameters of one line (at least 49 bytes).
struct TORVEX_LineInfo {
    std::uint8_t reserved0[22];  // members the converters do not read
    std::int16_t style;          // line style number
    std::int8_t auxStyle;        // auxiliary line style
    std::int8_t transparent;     // transparent output flag
    std::int32_t color;          // line colour
    float width;                 // line width
    std::int8_t kind;            // line kind
    float xFactor;               // X factor
    float yFactor;               // Y factor
    std::int32_t auxColor;       // auxiliary colour
    std::int16_t layer;          // layer
};

// Sub-graph (symbol) view of bytes 33..48 of a point record.
struct TORVEX_SubGraph {
    std::int32_t number;  // sub-graph number
    float height;         // sub-graph height
    float width;          // sub-graph width
    float angle;          // rotation angle
};

// Annotation view of bytes 33..48 of a point record.
struct TORVEX_Annotation {
    float height;   // text height
    float width;    // text width
    float spacing;  // character spacing
    float angle;    // text angle
};

// Graphic parameters of one point (at least 85 bytes). Bytes 33..48 mean different things
// for sub-graph points and annotation points, hence the union.
struct TORVEX_PntInfo {
    std::uint8_t reserved0[31];
    std::uint8_t kind;        // 0 annotation, 1 sub-graph, other values other points
    std::int8_t transparent;  // transparent output flag
    union {
        TORVEX_SubGraph sub;
        TORVEX_Annotation ann;
    } u;
    std::int16_t cnFont;  // Chinese font (annotations)
    std::int16_t enFont;  // Western font (annotations)
    std::int8_t glyph;    // glyph style (annotations)
    std::int8_t arrange;  // arrangement (annotations)
    std::uint8_t reserved55[20];
    std::int32_t color;  // colour
    std::uint8_t reserved79[4];
    std::int16_t layer;  // layer number
};

// Fill parameters of one polygon (at least 32 bytes).
struct TORVEX_RegInfo {
    std::uint8_t reserved0[9];
    std::int32_t fillColor;     // fill colour
    std::int16_t pattern;       // fill pattern number
    float patternHeight;        // pattern height
    float patternWidth;         // pattern width
    std::int32_t patternColor;  // pattern colour
    std::uint8_t reserved27[2];
    std::int8_t transparent;  // transparent output flag
    std::int16_t layer;       // layer
};

// Projection record (at least 133 bytes). Angles are packed degrees-minutes-seconds
// (DDDMMSS.ss); see DMS2Degree.
struct MAP_PARAstruct {
    std::uint8_t kind;  // 0 unknown (local), 1 geographic, 2 none, 3 projected
    std::int8_t unit;   // unit code
    std::uint8_t reserved2[16];
    std::uint8_t type;  // projection type code
    std::int8_t datum;  // datum code
    std::uint8_t reserved20[32];
    double scale;            // scale factor applied to coordinates
    double centralMeridian;  // central meridian / longitude of centre
    std::uint8_t reserved68[16];
    double latOrigin;     // latitude of origin / of centre
    double stdParallel1;  // first standard parallel
    double stdParallel2;  // second standard parallel
    std::uint8_t reserved108[17];
    double height;  // height of the perspective point (unaligned)
};

#pragma pack(pop)

static_assert(offsetof(TORVEX_LineInfo, style) == 22);
static_assert(offsetof(TORVEX_LineInfo, auxStyle) == 24);
static_assert(offsetof(TORVEX_LineInfo, transparent) == 25);
static_assert(offsetof(TORVEX_LineInfo, color) == 26);
static_assert(offsetof(TORVEX_LineInfo, width) == 30);
static_assert(offsetof(TORVEX_LineInfo, kind) == 34);
static_assert(offsetof(TORVEX_LineInfo, xFactor) == 35);
static_assert(offsetof(TORVEX_LineInfo, yFactor) == 39);
static_assert(offsetof(TORVEX_LineInfo, auxColor) == 43);
static_assert(offsetof(TORVEX_LineInfo, layer) == 47);
static_assert(sizeof(TORVEX_LineInfo) >= 49);

static_assert(offsetof(TORVEX_PntInfo, kind) == 31);
static_assert(offsetof(TORVEX_PntInfo, transparent) == 32);
static_assert(offsetof(TORVEX_PntInfo, u) == 33);
static_assert(offsetof(TORVEX_PntInfo, u) + offsetof(TORVEX_SubGraph, height) == 37);
static_assert(offsetof(TORVEX_PntInfo, u) + offsetof(TORVEX_SubGraph, width) == 41);
static_assert(offsetof(TORVEX_PntInfo, u) + offsetof(TORVEX_SubGraph, angle) == 45);
static_assert(offsetof(TORVEX_PntInfo, u) + offsetof(TORVEX_Annotation, width) == 37);
static_assert(offsetof(TORVEX_PntInfo, u) + offsetof(TORVEX_Annotation, spacing) == 41);
static_assert(offsetof(TORVEX_PntInfo, u) + offsetof(TORVEX_Annotation, angle) == 45);
static_assert(offsetof(TORVEX_PntInfo, cnFont) == 49);
static_assert(offsetof(TORVEX_PntInfo, enFont) == 51);
static_assert(offsetof(TORVEX_PntInfo, glyph) == 53);
static_assert(offsetof(TORVEX_PntInfo, arrange) == 54);
static_assert(offsetof(TORVEX_PntInfo, color) == 75);
static_assert(offsetof(TORVEX_PntInfo, layer) == 83);
static_assert(sizeof(TORVEX_PntInfo) >= 85);

static_assert(offsetof(TORVEX_RegInfo, fillColor) == 9);
static_assert(offsetof(TORVEX_RegInfo, pattern) == 13);
static_assert(offsetof(TORVEX_RegInfo, patternHeight) == 15);
static_assert(offsetof(TORVEX_RegInfo, patternWidth) == 19);
static_assert(offsetof(TORVEX_RegInfo, patternColor) == 23);
static_assert(offsetof(TORVEX_RegInfo, transparent) == 29);
static_assert(offsetof(TORVEX_RegInfo, layer) == 30);
static_assert(sizeof(TORVEX_RegInfo) >= 32);

static_assert(offsetof(MAP_PARAstruct, kind) == 0);
static_assert(offsetof(MAP_PARAstruct, unit) == 1);
static_assert(offsetof(MAP_PARAstruct, type) == 18);
static_assert(offsetof(MAP_PARAstruct, datum) == 19);
static_assert(offsetof(MAP_PARAstruct, scale) == 52);
static_assert(offsetof(MAP_PARAstruct, centralMeridian) == 60);
static_assert(offsetof(MAP_PARAstruct, latOrigin) == 84);
static_assert(offsetof(MAP_PARAstruct, stdParallel1) == 92);
static_assert(offsetof(MAP_PARAstruct, stdParallel2) == 100);
static_assert(offsetof(MAP_PARAstruct, height) == 125);
static_assert(sizeof(MAP_PARAstruct) >= 133);

}  // namespace Torvex
