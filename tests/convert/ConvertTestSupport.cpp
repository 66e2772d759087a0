#include "tests/convert/ConvertTestSupport.h"

#include <shapefil.h>

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
        content.bounds.push_back(
            {{object->dfXMin, object->dfYMin}, {object->dfXMax, object->dfYMax}});
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

}  // namespace CalvornTest
