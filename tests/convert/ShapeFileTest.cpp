#include "convert/ShapeFile.h"

#include <gtest/gtest.h>
#include <shapefil.h>

#include <stdexcept>
#include <vector>

#include "convert/DbfFile.h"
#include "convert/OutputError.h"
#include "tests/convert/ConvertTestSupport.h"
#include "torvex/Gbk.h"

namespace {

using Calvorn::DbfFieldType;
using Calvorn::DbfFile;
using Calvorn::ShapeFile;

// A point shape, owned by the caller.
struct Point {
    explicit Point(double x, double y, int type = SHPT_POINT)
        : shape(SHPCreateSimpleObject(type, 1, &x, &y, nullptr))
    {
    }
    ~Point() { SHPDestroyObject(shape); }
    SHPObject* shape;
};

// Writes two points and their rows, then fails: the destructors must still leave complete
// files.
void WriteAndFail(const std::filesystem::path& base)
{
    ShapeFile shp;
    DbfFile dbf;
    shp.Create(base.string() + ".shp", SHPT_POINT);
    dbf.Create(base.string() + ".dbf");
    dbf.AddField("名称", DbfFieldType::String, 20, 0);
    dbf.AddField("编号", DbfFieldType::Integer, 8, 0);
    std::vector<char> bytes(dbf.Layout().rowLength);
    Calvorn::DbfRow row(dbf.Layout(), bytes.data());
    for (int i = 0; i < 2; ++i) {
        Point point(100.0 + i, 30.5);
        EXPECT_EQ(shp.Write(point.shape), i);
        row.Clear();
        if (i == 0) {
            row.PutText(0, Torvex::Utf8ToGbk("长江大桥"));
            row.PutNumber(1, 42);
        }
        dbf.AppendRow(bytes.data());
    }
    EXPECT_EQ(shp.WriteNull(), 2);
    row.Clear();
    dbf.AppendRow(bytes.data());  // a shape without attributes still gets its blank row
    Point line(1, 1, SHPT_ARC);
    EXPECT_THROW(shp.Write(line.shape), Calvorn::OutputError);
    throw std::runtime_error("conversion stopped");
}

TEST(ShapeFile, ClosedOnExceptionAndReadable)
{
    CalvornTest::TempDir dir;
    const auto base = dir / "my.roads";  // a dot in the base name
    EXPECT_THROW(WriteAndFail(base), std::runtime_error);

    const CalvornTest::ShpContent shp = CalvornTest::ReadShp(dir / "my.roads.shp");
    EXPECT_EQ(shp.shapeType, SHPT_POINT);
    EXPECT_EQ(shp.shapes, (std::vector<std::vector<CalvornTest::Part>>{
                              {{{100.0, 30.5}}}, {{{101.0, 30.5}}}, {}}));
    EXPECT_EQ(shp.indexCount, 3);
    const CalvornTest::DbfContent dbf = CalvornTest::ReadDbf(dir / "my.roads.dbf");
    using Row = std::vector<std::optional<std::string>>;
    EXPECT_EQ(dbf.rows, (std::vector<Row>{{"长江大桥", "42"}, {{}, {}}, {{}, {}}}));
    EXPECT_FALSE(std::filesystem::exists(dir / "my.shp"));
    EXPECT_FALSE(std::filesystem::exists(dir / "my.roads.cpg"));
}

}  // namespace
