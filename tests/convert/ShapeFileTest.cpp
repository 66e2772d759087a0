#include "convert/ShapeFile.h"

#include <gtest/gtest.h>
#include <shapefil.h>

#include <stdexcept>
#include <vector>

#include "convert/DbfFile.h"
#include "convert/OutputError.h"
#include "tests/support/TestSupport.h"
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

    SHPHandle shp = SHPOpen((dir / "my.roads.shp").c_str(), "rb");
    ASSERT_NE(shp, nullptr);
    int count = 0;
    int type = 0;
    SHPGetInfo(shp, &count, &type, nullptr, nullptr);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(type, SHPT_POINT);
    SHPObject* second = SHPReadObject(shp, 1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->padfX[0], 101.0);
    EXPECT_EQ(second->padfY[0], 30.5);
    SHPDestroyObject(second);
    SHPObject* null = SHPReadObject(shp, 2);
    ASSERT_NE(null, nullptr);
    EXPECT_EQ(null->nSHPType, SHPT_NULL);
    SHPDestroyObject(null);
    SHPClose(shp);

    DBFHandle dbf = DBFOpen((dir / "my.roads.dbf").c_str(), "rb");
    ASSERT_NE(dbf, nullptr);
    EXPECT_EQ(DBFGetRecordCount(dbf), 3);
    EXPECT_EQ(DBFReadStringAttribute(dbf, 0, 0), Torvex::Utf8ToGbk("长江大桥"));
    EXPECT_EQ(DBFReadIntegerAttribute(dbf, 0, 1), 42);
    EXPECT_TRUE(DBFIsAttributeNULL(dbf, 2, 1));
    DBFClose(dbf);
    EXPECT_FALSE(std::filesystem::exists(dir / "my.shp"));
    EXPECT_FALSE(std::filesystem::exists(dir / "my.roads.cpg"));
}

}  // namespace
