// The sample map's line file and table converted and read back by GDAL: the features, their
// geometries and their attribute values are those of the JSON descriptions.
#include "tests/convert/ConvertTestSupport.h"

namespace CalvornTest {
namespace {

using nlohmann::json;

// GDAL's coordinates of a line: a LineString is one part.
json Parts(const json& geometry)
{
    return geometry["type"] == "LineString" ? json::array({geometry["coordinates"]})
                                            : geometry["coordinates"];
}

class Samples : public ConversionTest {};

TEST_F(Samples, RoadsWithEachOption)
{
    struct Case {
        int projection, style, split, deleteEmpty;
        double scale;
    };
    // The style values themselves are checked field by field in ConvertArc.StyleFields.
    const Case cases[] = {{0, 0, 0, 0, 1.0}, {1, 1, 1, 1, 1000.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.projection * 1000 + c.style * 100 + c.split * 10 + c.deleteEmpty);
        Reset();
        m_options = {c.split, c.projection, c.style, c.deleteEmpty};
        json roads = LoadSampleJson("roads.json");
        roads["projection"]["scale"] = c.scale;
        const auto source = Source("roads.wl", roads.dump());
        EXPECT_EQ(m_engine.ConvertArc2Shp(source, m_out, 1), 0);
        std::vector<std::string> lines = {
            "开始转换【" + source.string() + "】------",
            "------W__【备注】字段被截断为254字节，SHAPE不支持大于254字节的字符串类型字段"};
        if (c.style == 1) {
            lines.push_back("------I__增加图示表达信息字段");
        }
        lines.push_back("------I__第【2】条记录中被标记为已删除");
        lines.push_back("------结束转换【全部正确转换(4/4)】------");
        EXPECT_EQ(LogLines(), lines);
        EXPECT_EQ(std::filesystem::exists(m_out / "roads.prj"), c.projection == 1);

        const json gdal = ReadWithGdal(m_out / "roads.shp");
        const json& features = gdal["features"];
        ASSERT_EQ(features.size(), 4u);
        std::size_t i = 0;
        for (const json& record : roads["records"]) {
            if (record.value("deleted", false)) {
                continue;
            }
            const json& feature = features[i++];
            json parts = record["geometry"];
            for (json& part : parts) {
                for (json& vertex : part) {
                    vertex = {vertex[0].get<double>() * c.scale, vertex[1].get<double>() * c.scale};
                }
            }
            EXPECT_EQ(Parts(feature["geometry"]), parts);
            ExpectAttributes(feature["properties"], roads["fields"], record["attributes"]);
            EXPECT_EQ(feature["properties"].size(), roads["fields"].size() + (c.style ? 10 : 0));
        }
    }
}

TEST_F(Samples, ParcelsTable)
{
    const json parcels = LoadSampleJson("parcels.json");
    const auto source = Source("parcels.wb", parcels.dump());
    EXPECT_EQ(m_engine.ConvertWB2DBF(source, m_out, 1), 0);
    EXPECT_EQ(OutputFiles(), (std::vector<std::string>{"parcels.dbf"}));
    EXPECT_EQ(LogLines().back(), "------结束转换【全部正确转换(6/6)】------");
    const json gdal = ReadWithGdal(m_out / "parcels.dbf");
    ASSERT_EQ(gdal["features"].size(), parcels["records"].size());
    for (std::size_t r = 0; r < parcels["records"].size(); ++r) {
        EXPECT_TRUE(gdal["features"][r]["geometry"].is_null());
        ExpectAttributes(gdal["features"][r]["properties"], parcels["fields"],
                         parcels["records"][r]["attributes"]);
    }
}

}  // namespace
}  // namespace CalvornTest
