#include "tests/convert/ConvertTestSupport.h"

#include <shapefil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "app/CConvertLog.h"
#include "torvex/Gbk.h"
#include "torvex/make/JsonDescription.h"

namespace CalvornTest {

std::filesystem::path WriteTorvex(const std::filesystem::path& path, const std::string& json)
{
    Torvex::JsonDescription::Parse(json).WriteTo(path);
    return path;
}

void PatchFile(const std::filesystem::path& path, std::size_t offset, const std::string& bytes)
{
    std::string content = ReadFile(path);
    content.replace(offset, bytes.size(), bytes);
    WriteFile(path, content);
}

std::vector<std::string> ReadLogLines(const std::filesystem::path& path)
{
    std::vector<std::string> lines;
    if (!std::filesystem::exists(path)) {
        return lines;
    }
    const std::string text = ReadFile(path);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "log line without CR LF";
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        EXPECT_EQ(line.substr(0, 1), ">");
        lines.push_back(Torvex::GbkToUtf8(line.substr(1)));
        start = end + 2;
    }
    return lines;
}

DbfContent ReadDbf(const std::filesystem::path& path)
{
    DbfContent content;
    DBFHandle dbf = DBFOpen(path.c_str(), "rb");
    if (dbf == nullptr) {
        ADD_FAILURE() << "shapelib cannot open " << path;
        return content;
    }
    for (int f = 0; f < DBFGetFieldCount(dbf); ++f) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        DbfField field;
        DBFGetFieldInfo(dbf, f, name, &field.width, &field.decimals);
        field.name = Torvex::GbkToUtf8(name);
        field.type = DBFGetNativeFieldType(dbf, f);
        content.fields.push_back(field);
    }
    for (int r = 0; r < DBFGetRecordCount(dbf); ++r) {
        auto& row = content.rows.emplace_back();
        for (int f = 0; f < DBFGetFieldCount(dbf); ++f) {
            if (DBFIsAttributeNULL(dbf, r, f)) {
                row.emplace_back();
            } else {
                row.emplace_back(Torvex::GbkToUtf8(DBFReadStringAttribute(dbf, r, f)));
            }
        }
    }
    DBFClose(dbf);
    return content;
}

ShpContent ReadShp(const std::filesystem::path& path)
{
    ShpContent content;
    SHPHandle shp = SHPOpen(path.c_str(), "rb");
    if (shp == nullptr) {
        ADD_FAILURE() << "shapelib cannot open " << path;
        return content;
    }
    int count = 0;
    SHPGetInfo(shp, &count, &content.shapeType, nullptr, nullptr);
    for (int i = 0; i < count; ++i) {
        SHPObject* object = SHPReadObject(shp, i);
        auto& shape = content.shapes.emplace_back();
        if (object == nullptr) {
            ADD_FAILURE() << "shape " << i << " unreadable";
            continue;
        }
        // Points have no parts: their vertices make one.
        if (object->nParts == 0 && object->nVertices > 0) {
            auto& part = shape.emplace_back();
            for (int v = 0; v < object->nVertices; ++v) {
                part.emplace_back(object->padfX[v], object->padfY[v]);
            }
        }
        for (int p = 0; p < object->nParts; ++p) {
            const int end =
                p + 1 < object->nParts ? object->panPartStart[p + 1] : object->nVertices;
            auto& part = shape.emplace_back();
            for (int v = object->panPartStart[p]; v < end; ++v) {
                part.emplace_back(object->padfX[v], object->padfY[v]);
            }
        }
        SHPDestroyObject(object);
    }
    SHPClose(shp);
    std::filesystem::path shx = path;
    shx.replace_extension(".shx");
    content.indexCount = static_cast<int>((std::filesystem::file_size(shx) - 100) / 8);
    return content;
}

nlohmann::json ReadWithGdal(const std::filesystem::path& path)
{
    const CommandResult result =
        RunCommand({CALVORN_OGR2OGR, "-f", "GeoJSON", "/vsistdout/", path.string()});
    EXPECT_EQ(result.status, 0) << result.error;
    EXPECT_EQ(result.error, "") << "GDAL complained about " << path;
    return nlohmann::json::parse(result.output, nullptr, false);
}

nlohmann::json ValidityWithGdal(const std::filesystem::path& shpPath)
{
    const std::string sql =
        "SELECT ST_IsValid(geometry) AS valid FROM \"" + shpPath.stem().string() + "\"";
    const CommandResult result = RunCommand({CALVORN_OGR2OGR, "-f", "GeoJSON", "/vsistdout/",
                                             "-dialect", "SQLite", "-sql", sql, shpPath.string()});
    EXPECT_EQ(result.status, 0) << result.error;
    EXPECT_EQ(result.error, "") << "GDAL complained about " << shpPath;
    nlohmann::json validity = nlohmann::json::array();
    const nlohmann::json collection = nlohmann::json::parse(result.output, nullptr, false);
    for (const nlohmann::json& feature : collection.value("features", nlohmann::json::array())) {
        validity.push_back(feature["properties"]["valid"]);
    }
    return validity;
}

namespace {

// The value GDAL reads for a source value `value` of attribute type code `type` in a field
// `width` wide (numbers before their rounding to the field's decimals).
nlohmann::json ExpectedAttribute(int type, int width, const nlohmann::json& value)
{
    char text[64];
    switch (type) {
        case 0:
        case 9:
            return value;
        case 1:
        case 2:
        case 3:
            return value.is_null() ? nlohmann::json(0) : value;
        case 4:
        case 5:
            return value.is_null() ? nlohmann::json(0.0) : value;
        case 6:
            if (value.is_null()) {
                return value;
            }
            std::snprintf(text, sizeof text, "%04d-%02d-%02d", value[0].get<int>(),
                          value[1].get<int>(), value[2].get<int>());
            return text;
        case 7:
            if (value.is_null()) {
                return value;
            }
            std::snprintf(text, sizeof text, "%02d:%02d:%04.2f", value[0].get<int>(),
                          value[1].get<int>(), value[2].get<double>());
            return text;
        case 8:
            return value.is_null()      ? 0
                   : value.is_boolean() ? int(value.get<bool>())
                                        : int(value != 0);
        default:
            // An unset logical field: GDAL reads logical fields as text.
            return std::string(static_cast<std::size_t>(width), '?');
    }
}

}  // namespace

void ExpectAttributes(const nlohmann::json& properties, const nlohmann::json& fields,
                      const nlohmann::json& attributes)
{
    for (std::size_t f = 0; f < fields.size(); ++f) {
        const std::string name = fields[f]["name"];
        const int type = fields[f]["type"];
        const nlohmann::json expected =
            ExpectedAttribute(type, fields[f].value("width", 0),
                              attributes.is_null() ? nlohmann::json() : attributes[f]);
        if (type == 4 || type == 5) {
            // Stored as a float or a double, then written with the field's decimals.
            const double value =
                type == 4 ? static_cast<float>(expected.get<double>()) : expected.get<double>();
            char text[512];
            std::snprintf(text, sizeof text, "%.*f", fields[f].value("decimals", 0), value);
            EXPECT_DOUBLE_EQ(properties[name].get<double>(), std::strtod(text, nullptr)) << name;
        } else {
            EXPECT_EQ(properties[name], expected) << name;
        }
    }
}

nlohmann::json LoadSampleJson(const std::string& name)
{
    std::ifstream in(SamplePath(name));
    return nlohmann::json::parse(in);
}

ConversionTest::ConversionTest() : m_out(m_dir / "out")
{
    std::filesystem::create_directories(m_out);
    std::filesystem::create_directories(m_dir / "in");
    Calvorn::CConvertLog::Get().SetFile(m_dir / "CalvornExp.log");
}

std::filesystem::path ConversionTest::Source(const std::string& name, const std::string& json)
{
    return WriteTorvex(m_dir / "in" / name, json);
}

void ConversionTest::MapLayers(const std::string& lines)
{
    WriteFile(m_dir / "layers.lyr", lines);
    m_tables.LoadLayerMap(m_dir / "layers.lyr");
}

void ConversionTest::MapFields(const std::string& lines)
{
    WriteFile(m_dir / "fields.fld", lines);
    m_tables.LoadFieldMap(m_dir / "fields.fld");
}

void ConversionTest::Reset()
{
    std::filesystem::remove_all(m_out);
    std::filesystem::create_directories(m_out);
    Calvorn::CConvertLog::Get().SetFile(m_dir / "CalvornExp.log");
    std::filesystem::remove(m_dir / "CalvornExp.log");
}

std::vector<std::string> ConversionTest::LogLines() const
{
    return ReadLogLines(m_dir / "CalvornExp.log");
}

std::vector<std::string> ConversionTest::OutputFiles() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_out)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace CalvornTest
