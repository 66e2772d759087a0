// Constant texts from which the .prj well-known text is assembled. They are kept exactly as
// the files that users already hold were written, odd spellings and tab characters included:
// users compare .prj files byte for byte.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace Calvorn {

inline constexpr std::size_t DatumCount = 15;
inline constexpr std::size_t UnitCount = 17;

// Index of the degree unit, the angular unit of every geographic part inside a projected or
// unknown system.
inline constexpr std::size_t DegreeUnit = 4;

// Opening GEOGCS[ with datum, spheroid and prime meridian, left open for the unit.
extern const std::array<std::string_view, DatumCount> DatumTexts;
extern const std::array<std::string_view, UnitCount> UnitTexts;
// Size of one unit (metres for the linear units); the same number its unit text carries.
extern const std::array<double, UnitCount> UnitFactors;

// The numbers a projection template takes, in the order they fill its "%.2f" places.
enum class PrjNumber {
    FalseEasting,
    CentralMeridian,
    LatitudeOfOrigin,
    StandardParallel1,
    StandardParallel2,
    Height,
};

struct ProjectionTemplate {
    std::string_view head;        // PROJCS[ with the system's name
    std::string_view parameters;  // PROJECTION and PARAMETERs; every "%.2f" takes a number
    std::array<PrjNumber, 4> numbers;
    std::size_t numberCount;
};

// The template of a projection type code, or nullptr for a code without one.
const ProjectionTemplate* FindProjectionTemplate(int type);

// Local system written when the coordinate kind is unknown.
inline constexpr std::string_view UnknownSystemHead = "PROJCS[\"PRJ_UNKNOWN\",";
extern const std::string_view UnknownSystemParameters;

}  // namespace Calvorn
