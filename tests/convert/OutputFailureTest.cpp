// Outputs that fail half-way: a disk that fills up under one component (injected through the
// shapelib I/O hooks) and components reaching the size limits (lowered for the test). Each
// case checks the outcome, the log line and that the files left agree on the records kept.
#include <algorithm>
#include <cstdint>

#include "convert/ShapelibIo.h"
#include "convert/SourceKinds.h"
#include "tests/convert/ConvertTestSupport.h"

namespace CalvornTest {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

constexpr int kRecords = 1200;

// `records` records of `kind` with "编号" (the slot) and a 250-wide text field, so that the
// .dbf, like the .shp of lines and polygons, outgrows the hooks' 256 KiB window. Points
// alternate between annotations and plain points.
json SourceFile(const std::string& kind, int records)
{
    json file = {{"kind", kind},
                 {"fields", json::array({{{"name", "编号"}, {"type", 3}, {"width", 6}},
                                         {{"name", "说明"}, {"type", 0}, {"width", 250}}})},
                 {"records", json::array()}};
    for (int i = 0; i < records; ++i) {
        json record = {{"attributes", {i, "说明文字"}}};
        json ring = json::array();
        for (int v = 0; v < 19; ++v) {
            ring.push_back({i + (v % 2), v});
        }
        if (kind == "line") {
            record["geometry"] = {ring};
        } else if (kind == "polygon") {
            ring.push_back(ring[0]);
            record["geometry"] = {ring};
        } else if (kind == "point") {
            record["geometry"] = {i, 2 * i};
            record["style"] = {{"kind", i % 2}};
            if (i % 2 == 0) {
                record["text"] = "注记";
            }
        }
        file["records"].push_back(record);
    }
    return file;
}

std::uint32_t Big32(const std::string& b, std::size_t at)
{
    return static_cast<std::uint32_t>(
        static_cast<unsigned char>(b[at]) << 24 | static_cast<unsigned char>(b[at + 1]) << 16 |
        static_cast<unsigned char>(b[at + 2]) << 8 | static_cast<unsigned char>(b[at + 3]));
}

std::uint32_t Little(const std::string& b, std::size_t at, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

// Checks that the output `base` is whole (headers and sizes agree, shapelib and GDAL read the
// same records) and returns the "编号" of its rows.
std::vector<int> ExpectWhole(const fs::path& base, bool shapefile)
{
    SCOPED_TRACE(base.string());
    const std::string dbf = ReadFile(fs::path(base) += ".dbf");
    const std::size_t rows = Little(dbf, 4, 4);
    const std::size_t size = Little(dbf, 8, 2) + rows * Little(dbf, 10, 2);
    EXPECT_TRUE(dbf.size() == size || dbf.size() == size + 1) << dbf.size() << " " << size;
    const DbfContent content = ReadDbf(fs::path(base) += ".dbf");
    EXPECT_EQ(content.rows.size(), rows);
    if (shapefile) {
        const std::string shp = ReadFile(fs::path(base) += ".shp");
        const std::string shx = ReadFile(fs::path(base) += ".shx");
        EXPECT_EQ(std::size_t{Big32(shp, 24)} * 2, shp.size());
        EXPECT_EQ(std::size_t{Big32(shx, 24)} * 2, shx.size());
        EXPECT_EQ(shx.size(), 100 + 8 * rows);
        const ShpContent shapes = ReadShp(fs::path(base) += ".shp");
        EXPECT_EQ(shapes.shapes.size(), rows);
        EXPECT_EQ(shapes.indexCount, static_cast<int>(rows));
        EXPECT_EQ(ReadWithGdal(fs::path(base) += ".shp")["features"].size(), rows);
    }
    std::vector<int> numbers;
    for (const auto& row : content.rows) {
        numbers.push_back(row[0] ? std::stoi(*row[0]) : -1);
    }
    return numbers;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& prefix,
             const std::string& part)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.starts_with(prefix) && line.find(part) != std::string::npos;
    });
}

class OutputFailure : public ConversionTest {
protected:
    int Convert(const std::string& kind, int records, const Calvorn::OutputPolicy& policy)
    {
        const std::string name = kind == "line"      ? "roads.wl"
                                 : kind == "point"   ? "towns.wt"
                                 : kind == "polygon" ? "lakes.wp"
                                                     : "parcels.wb";
        const fs::path source = Source(name, SourceFile(kind, records).dump());
        return EngineWith(policy).Convert(*Calvorn::KindOfPath(source), source, m_out, 0);
    }
};

// The slots each output holds in order: points split into plain (odd) and annotation (even).
std::vector<int> ExpectedPrefix(const std::string& output, std::size_t count)
{
    std::vector<int> slots;
    for (int i = 0; slots.size() < count; ++i) {
        if (output == "towns" && i % 2 == 0) {
            continue;
        }
        if (output == "towns_ANN" && i % 2 == 1) {
            continue;
        }
        slots.push_back(i);
    }
    return slots;
}

TEST_F(OutputFailure, DiskFullMidFileKeepsWholeRecords)
{
    struct Case {
        std::string kind;
        std::string failing;  // the component whose disk fills up
        std::uint64_t room;   // bytes it gets
        std::vector<std::string> outputs;
    };
    const std::vector<Case> cases = {
        // During the record loop (the .shp, .dbf pass 256 KiB) and when closing (the .shx).
        {"line", "roads.shp", 100000, {"roads"}},
        {"line", "roads.shx", 5001, {"roads"}},
        {"line", "roads.dbf", 100003, {"roads"}},
        {"point", "towns.shp", 10005, {"towns", "towns_ANN"}},
        {"point", "towns_ANN.dbf", 60000, {"towns", "towns_ANN"}},
        {"point", "towns_ANN.shx", 1000, {"towns", "towns_ANN"}},
        {"polygon", "lakes.shp", 100000, {"lakes"}},
        {"polygon", "lakes.dbf", 50000, {"lakes"}},
        {"table", "parcels.dbf", 100000, {"parcels"}},
    };
    m_options.SplitAnnotations = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        Reset();
        Calvorn::OutputPolicy policy;
        policy.room = [failing = (m_out / c.failing).string(),
                       room = c.room](const std::string& name) {
            return name == failing ? room : std::numeric_limits<std::uint64_t>::max();
        };
        EXPECT_EQ(Convert(c.kind, kRecords, policy), 4);
        EXPECT_TRUE(HasLine(LogLines(), "------E__转换中止：", (m_out / c.failing).string()));
        EXPECT_LE(fs::file_size(m_out / c.failing), c.room);
        std::size_t kept = 0;
        for (const std::string& output : c.outputs) {
            const std::vector<int> numbers = ExpectWhole(m_out / output, c.kind != "table");
            EXPECT_EQ(numbers, ExpectedPrefix(output, numbers.size())) << output;
            kept += numbers.size();
        }
        EXPECT_GT(kept, 0u);
        EXPECT_LT(kept, static_cast<std::size_t>(kRecords));
    }
}

TEST_F(OutputFailure, SizeLimitsWarnOnceAndStopBeforeTheRecord)
{
    const std::string warning = "------W__输出文件【";
    const std::string stop = "------E__输出文件【";
    struct Case {
        std::string kind;
        std::string output;
        std::string stopped;              // the component that reached the limit
        std::vector<std::string> warned;  // the components past the warning size
        std::uint64_t recordBytes;        // of the stopped component; 0: a .dbf row
    };
    const std::vector<Case> cases = {
        // Lines: the .shp (360 bytes a record) is the first to reach the limit.
        {"line", "roads", "roads.shp", {"roads.shp", "roads.dbf"}, 360},
        // Plain points: 28 bytes a shape but a wide row, so the .dbf stops them, and the .shp
        // must not hold a shape more than the .dbf.
        {"point", "towns", "towns.dbf", {"towns.dbf"}, 0},
        {"table", "parcels", "parcels.dbf", {"parcels.dbf"}, 0},
    };
    const std::uint64_t limit = 60000;
    const Calvorn::OutputPolicy policy{{20000, limit}, {}, {}};
    m_options.SplitAnnotations = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stopped);
        Reset();
        EXPECT_EQ(Convert(c.kind, 400, policy), 4);
        const std::vector<std::string> lines = LogLines();
        for (const std::string& component : c.warned) {
            const std::string line =
                warning + (m_out / component).string() + "】超过2GB，部分软件可能无法读取";
            EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << component;
        }
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& l) { return l.starts_with(warning); }),
                  static_cast<long>(c.warned.size()));
        EXPECT_EQ(lines.back(), stop + (m_out / c.stopped).string() + "】将超过4GB上限，转换中止");
        // Stopped right before the record that would not fit.
        const std::uint64_t size = fs::file_size(m_out / c.stopped);
        EXPECT_LE(size, limit);
        const std::uint64_t recordBytes =
            c.recordBytes != 0 ? c.recordBytes : Little(ReadFile(m_out / c.stopped), 10, 2);
        EXPECT_GT(size + recordBytes, limit);
        const std::vector<int> numbers = ExpectWhole(m_out / c.output, c.kind != "table");
        EXPECT_EQ(numbers, ExpectedPrefix("", numbers.size()));
    }
}

}  // namespace
}  // namespace CalvornTest
