#include "convert/ShapeFile.h"

#include <gtest/gtest.h>
#include <shapefil.h>

#include <sys/resource.h>

#include <csignal>
#include <stdexcept>

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
    for (int i = 0; i < 2; ++i) {
        Point point(100.0 + i, 30.5);
        EXPECT_EQ(shp.Write(point.shape), i);
        dbf.EnsureRow(i);
    }
    dbf.WriteText(0, 0, Torvex::Utf8ToGbk("长江大桥"));
    dbf.WriteInteger(0, 1, 42);
    EXPECT_EQ(shp.WriteNull(), 2);
    dbf.EnsureRow(2);  // a shape without attributes still gets its blank row
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

    // GDAL reads names and values as Chinese from the language-driver byte alone.
    if (std::string(CALVORN_OGRINFO).empty()) {
        GTEST_SKIP() << "ogrinfo not found";
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "my.roads.cpg"));
    const CalvornTest::CommandResult info =
        CalvornTest::RunCommand({CALVORN_OGRINFO, "-al", (dir / "my.roads.shp").string()});
    ASSERT_EQ(info.status, 0) << info.error;
    EXPECT_NE(info.output.find("Feature Count: 3"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("名称 (String) = 长江大桥"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("编号 (Integer) = 42"), std::string::npos) << info.output;
}

TEST(ShapeFile, GdalOpensFileThatHadNoField)
{
    if (std::string(CALVORN_OGRINFO).empty()) {
        GTEST_SKIP() << "ogrinfo not found";
    }
    CalvornTest::TempDir dir;
    {
        ShapeFile shp;
        DbfFile dbf;
        shp.Create(dir / "bare.shp", SHPT_POINT);
        dbf.Create(dir / "bare.dbf");
        Point point(1, 2);
        shp.Write(point.shape);
        dbf.EnsureRow(0);
        shp.Close();
        dbf.Close();
        dbf.Close();  // closing twice does nothing
    }
    const CalvornTest::CommandResult info =
        CalvornTest::RunCommand({CALVORN_OGRINFO, "-al", (dir / "bare.shp").string()});
    ASSERT_EQ(info.status, 0) << info.error;
    EXPECT_NE(info.output.find("FID"), std::string::npos) << info.output;
}

// Lets no file of this process grow past `bytes` while it lives (a full disk, in effect).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : m_signal(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_signal);
    }

private:
    rlimit m_previous{};
    void (*m_signal)(int);
};

// Closes `file` while no file may grow past `limit`; true when Close reported a failure.
template <typename File>
bool CloseFails(File& file, rlim_t limit)
{
    FileSizeLimit full(limit);
    try {
        file.Close();
    } catch (const Calvorn::OutputError&) {
        return true;
    }
    return false;
}

TEST(ShapeFile, CloseReportsFilesThatDidNotReachTheDisk)
{
    CalvornTest::TempDir dir;
    // Ten points and rows; the last record is still in memory when Close starts.
    std::uintmax_t shpSize = 0;
    std::uintmax_t dbfSize = 0;
    for (int limited = 0; limited < 2; ++limited) {
        const std::string base = (dir / (limited ? "cut" : "whole")).string();
        ShapeFile shp;
        DbfFile dbf;
        shp.Create(base + ".shp", SHPT_POINT);
        dbf.Create(base + ".dbf");
        dbf.AddField("N", DbfFieldType::Integer, 8, 0);
        for (int i = 0; i < 10; ++i) {
            Point point(i, i);
            shp.Write(point.shape);
            dbf.WriteInteger(i, 0, i);
        }
        EXPECT_EQ(CloseFails(shp, limited ? shpSize - 3 : RLIM_INFINITY), limited == 1);
        EXPECT_EQ(CloseFails(dbf, limited ? dbfSize - 3 : RLIM_INFINITY), limited == 1);
        shpSize = std::filesystem::file_size(base + ".shp");
        dbfSize = std::filesystem::file_size(base + ".dbf");
    }
}

TEST(ShapeFile, CreationFailureLeavesNothing)
{
    CalvornTest::TempDir dir;
    ShapeFile shp;
    EXPECT_THROW(shp.Create(dir / "missing" / "a.shp", SHPT_POINT), Calvorn::OutputError);
    // The .shp can be made but the .shx cannot: the .shp must not stay behind.
    std::filesystem::create_directory(dir / "b.shx");
    EXPECT_THROW(shp.Create(dir / "b.shp", SHPT_POINT), Calvorn::OutputError);
    EXPECT_FALSE(std::filesystem::exists(dir / "b.shp"));
    EXPECT_THROW(shp.Create(dir / "c.roads", SHPT_POINT), std::invalid_argument);
    EXPECT_FALSE(shp.IsOpen());
}

}  // namespace
