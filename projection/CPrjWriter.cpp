#include "projection/CPrjWriter.h"

#include <fstream>
#include <system_error>

#include "app/TextFormat.h"
#include "projection/PrjTables.h"
#include "torvex/Geometry.h"

namespace Calvorn {

namespace {

// Codes outside the tables must never index past them: an unknown datum is written as the
// undefined one, an unknown unit as metres.
std::string_view DatumText(int code)
{
    if (code < 0 || code >= static_cast<int>(DatumCount)) {
        code = 0;
    }
    return DatumTexts[static_cast<std::size_t>(code)];
}

constexpr int MeterUnit = 2;

int CheckedUnit(int code)
{
    return code < 0 || code >= static_cast<int>(UnitCount) ? MeterUnit : code;
}

std::string_view UnitText(int code)
{
    return UnitTexts[static_cast<std::size_t>(CheckedUnit(code))];
}

double NumberOf(PrjNumber number, const Torvex::MAP_PARAstruct& record)
{
    switch (number) {
        case PrjNumber::FalseEasting:
            // 500 km expressed in the map's unit.
            return 500000.0 / UnitFactors[static_cast<std::size_t>(CheckedUnit(record.unit))];
        case PrjNumber::CentralMeridian:
            return Torvex::DMS2Degree(record.centralMeridian);
        case PrjNumber::LatitudeOfOrigin:
            return Torvex::DMS2Degree(record.latOrigin);
        case PrjNumber::StandardParallel1:
            return Torvex::DMS2Degree(record.stdParallel1);
        case PrjNumber::StandardParallel2:
            return Torvex::DMS2Degree(record.stdParallel2);
        case PrjNumber::Height:
            return Torvex::DMS2Degree(record.height);
    }
    return 0.0;
}

// Replaces each "%.2f" of the template, in order, by the next number.
std::string FillTemplate(const ProjectionTemplate& entry, const Torvex::MAP_PARAstruct& record)
{
    constexpr std::string_view Place = "%.2f";
    std::string text;
    std::size_t from = 0;
    for (std::size_t i = 0; i < entry.numberCount; ++i) {
        const std::size_t at = entry.parameters.find(Place, from);
        if (at == std::string_view::npos) {
            break;
        }
        text += entry.parameters.substr(from, at - from);
        text += FormatFixed(NumberOf(entry.numbers[i], record), 2);
        from = at + Place.size();
    }
    text += entry.parameters.substr(from);
    return text;
}

std::string UnknownSystem(const Torvex::MAP_PARAstruct& record)
{
    std::string text(UnknownSystemHead);
    text += DatumTexts[0];
    text += UnitTexts[DegreeUnit];
    text += "],";
    text += UnknownSystemParameters;
    text += UnitText(record.unit);
    text += "]";
    return text;
}

}  // namespace

std::string CPrjWriter::BuildWkt(const Torvex::MAP_PARAstruct* record) const
{
    if (record == nullptr) {
        return {};
    }
    std::string text;
    switch (record->kind) {
        case 0:
            return UnknownSystem(*record);
        case 1:
            text += DatumText(record->datum);
            text += UnitText(record->unit);
            text += "]";
            return text;
        case 2:
            return text;
        case 3: {
            const ProjectionTemplate* entry = FindProjectionTemplate(record->type);
            // A projection without template has no name to write: keep the unknown system rather
            // than a text without PROJCS head.
            if (entry == nullptr) {
                return UnknownSystem(*record);
            }
            text += entry->head;
            text += DatumText(record->datum);
            text += UnitTexts[DegreeUnit];
            text += "],";
            text += FillTemplate(*entry, *record);
            text += UnitText(record->unit);
            text += "]";
            return text;
        }
        default:
            text += DatumText(record->datum);
            text += UnitTexts[DegreeUnit];
            text += "]";
            return text;
    }
}

bool CPrjWriter::WritePrj(const Torvex::MAP_PARAstruct* record,
                          const std::filesystem::path& basePath) const
{
    if (record == nullptr) {
        return false;
    }
    // Appended, not replace_extension: base names may contain dots ("my.roads").
    std::filesystem::path prjPath = basePath;
    prjPath += ".prj";
    const std::string text = BuildWkt(record);
    std::ofstream out(prjPath, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
        // A cut text would describe a wrong system; no file is better.
        std::error_code ignored;
        std::filesystem::remove(prjPath, ignored);
        return false;
    }
    return true;
}

}  // namespace Calvorn
