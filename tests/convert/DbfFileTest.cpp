#include "convert/DbfFile.h"

#include <gtest/gtest.h>
#include <shapefil.h>

#include <cmath>
#include <limits>

#include "convert/DbfUnsignedInt.h"
#include "convert/OutputError.h"
#include "tests/support/TestSupport.h"
#include "torvex/Gbk.h"

namespace {

using Calvorn::DbfFieldType;
using Calvorn::DbfFile;
using Calvorn::DbfWriteStatus;

// The raw bytes of one field as they stand in the file.
std::string RawField(DBFHandle dbf, int row, int field)
{
    const char* record = DBFReadTuple(dbf, row);
    return std::string(record + dbf->panFieldOffset[field],
                       static_cast<std::size_t>(dbf->panFieldSize[field]));
}

std::string FieldName(DBFHandle dbf, int field)
{
    char name[XBASE_FLDNAME_LEN_READ + 1] = {};
    DBFGetFieldInfo(dbf, field, name, nullptr, nullptr);
    return name;
}

TEST(DbfFile, FieldNamesAndWidths)
{
    CalvornTest::TempDir dir;
    struct Case {
        const char* name;
        DbfFieldType type;
        int width;
        const char* written;
        int writtenWidth;
    };
    const Case cases[] = {
        {"RoadName", DbfFieldType::String, 300, "RoadName", 254},
        {"ROADNAME", DbfFieldType::Integer, 0, "ROADNAME_1", 1},
        {"道路名称字段长", DbfFieldType::Double, -5, "道路名称字", 1},
        {"道路名称字段", DbfFieldType::Logical, 1, "道路名称_1", 1},
        {"A道路名称字段", DbfFieldType::Integer, 300, "A道路名称", 255},
    };
    const auto path = dir / "names.dbf";
    {
        DbfFile dbf;
        dbf.Create(path);
        for (const Case& c : cases) {
            const DbfFile::AddedField added = dbf.AddField(c.name, c.type, c.width, -2);
            EXPECT_EQ(added.name, c.written);
            EXPECT_EQ(added.width, c.writtenWidth);
        }
        dbf.Close();
    }
    DBFHandle dbf = DBFOpen(path.c_str(), "rb");
    ASSERT_NE(dbf, nullptr);
    ASSERT_EQ(DBFGetFieldCount(dbf), 5);
    for (int i = 0; i < 5; ++i) {
        int width = 0;
        int decimals = -1;
        DBFGetFieldInfo(dbf, i, nullptr, &width, &decimals);
        EXPECT_EQ(FieldName(dbf, i), Torvex::Utf8ToGbk(cases[i].written));
        EXPECT_EQ(width, cases[i].writtenWidth);
        EXPECT_EQ(decimals, 0);
    }
    DBFClose(dbf);
    EXPECT_EQ(static_cast<unsigned char>(CalvornTest::ReadFile(path)[29]), 77);  // code page 936
    EXPECT_FALSE(std::filesystem::exists(dir / "names.cpg"));
}

TEST(DbfFile, NumbersThatDoNotFitBecomeNull)
{
    enum Writer { Integer, Double, Unsigned };
    struct Case {
        int width;
        int decimals;
        Writer writer;
        double value;
        DbfWriteStatus status;
        const char* bytes;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {4, 0, Integer, 1234, DbfWriteStatus::Written, "1234"},
        {4, 0, Integer, 123456, DbfWriteStatus::DidNotFit, "****"},
        {4, 0, Integer, -1000, DbfWriteStatus::DidNotFit, "****"},
        {4, 0, Integer, -999, DbfWriteStatus::Written, "-999"},
        {8, 3, Double, 12345.6789, DbfWriteStatus::DidNotFit, "********"},
        {8, 3, Double, 2.5, DbfWriteStatus::Written, "   2.500"},
        {8, 0, Double, 1.25, DbfWriteStatus::Written, "       1"},
        {5, 3, Double, 9.9996, DbfWriteStatus::DidNotFit, "*****"},  // rounds up to 10.000
        {6, 3, Double, -0.5, DbfWriteStatus::Written, "-0.500"},
        {19, 11, Double, 1.0 / 3, DbfWriteStatus::Written, "      0.33333333333"},
        {8, 3, Double, nan, DbfWriteStatus::DidNotFit, "********"},
        {8, 0, Unsigned, 12345678, DbfWriteStatus::Written, "12345678"},
        {8, 0, Unsigned, 4294967295.0, DbfWriteStatus::Written, "      -1"},
        {8, 0, Unsigned, 2147483648.0, DbfWriteStatus::DidNotFit, "********"},
        {11, 0, Unsigned, 4294967295.0, DbfWriteStatus::Written, " 4294967295"},
        {1, 0, Unsigned, 4294967295.0, DbfWriteStatus::DidNotFit, "*"},
    };
    CalvornTest::TempDir dir;
    const auto path = dir / "numbers.dbf";
    const int count = static_cast<int>(std::size(cases));
    {
        DbfFile dbf;
        dbf.Create(path);
        for (int i = 0; i < count; ++i) {
            dbf.AddField("F" + std::to_string(i), DbfFieldType::Double, cases[i].width,
                         cases[i].decimals);
        }
        for (int i = 0; i < count; ++i) {
            const Case& c = cases[i];
            const DbfWriteStatus status =
                c.writer == Integer  ? dbf.WriteInteger(0, i, static_cast<int>(c.value))
                : c.writer == Double ? dbf.WriteDouble(0, i, c.value)
                                     : dbf.WriteUnsigned(0, i, static_cast<std::uint32_t>(c.value));
            EXPECT_EQ(status, c.status) << "case " << i;
        }
    }
    DBFHandle dbf = DBFOpen(path.c_str(), "rb");
    ASSERT_NE(dbf, nullptr);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(RawField(dbf, 0, i), cases[i].bytes) << "case " << i;
    }
    DBFClose(dbf);
}

TEST(DbfFile, TextIsCutOnCharacterBoundary)
{
    struct Case {
        std::string text;
        DbfWriteStatus status;
        std::string stored;
    };
    const std::string zhongWen = Torvex::Utf8ToGbk("中文");
    const Case cases[] = {
        {"abcde", DbfWriteStatus::Written, "abcde"},
        {"abcdef", DbfWriteStatus::Cut, "abcde"},
        {"ab" + zhongWen, DbfWriteStatus::Cut, "ab" + zhongWen.substr(0, 2) + " "},
        {zhongWen + zhongWen.substr(0, 2), DbfWriteStatus::Cut, zhongWen + " "},
        {std::string("ab\0cdefgh", 9), DbfWriteStatus::Written, "ab   "},
    };
    CalvornTest::TempDir dir;
    const auto path = dir / "text.dbf";
    {
        DbfFile dbf;
        dbf.Create(path);
        dbf.AddField("T", DbfFieldType::String, 5, 0);
        dbf.AddField("N", DbfFieldType::Integer, 5, 0);
        for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
            EXPECT_EQ(dbf.WriteText(i, 0, cases[i].text), cases[i].status) << "case " << i;
        }
        EXPECT_THROW(dbf.WriteText(0, 1, "1"), std::invalid_argument);
        EXPECT_THROW(dbf.WriteInteger(0, 0, 1), std::invalid_argument);
        EXPECT_THROW(dbf.WriteNull(0, 2), std::out_of_range);
        dbf.Close();
    }
    DBFHandle dbf = DBFOpen(path.c_str(), "rb");
    ASSERT_NE(dbf, nullptr);
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        EXPECT_EQ(RawField(dbf, i, 0), cases[i].stored) << "case " << i;
    }
    DBFClose(dbf);
}

// The index field "FID" of a source without fields is checked end to end (ConvertDb.Outcomes).
TEST(DbfFile, RowsComeIntoBeingBlank)
{
    CalvornTest::TempDir dir;
    {
        DbfFile withFields;
        withFields.Create(dir / "blank.dbf");
        withFields.AddField("N", DbfFieldType::Integer, 4, 0);
        EXPECT_FALSE(withFields.EnsureAtLeastOneField());
        withFields.EnsureRow(1);
        withFields.WriteInteger(4, 0, 7);  // rows 2 and 3 come into being blank
        EXPECT_EQ(withFields.RowCount(), 5);
        EXPECT_THROW(withFields.AddField("LATE", DbfFieldType::Integer, 4, 0), std::logic_error);
    }
    DBFHandle blank = DBFOpen((dir / "blank.dbf").c_str(), "rb");
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(DBFGetRecordCount(blank), 5);
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(RawField(blank, row, 0), "    ") << row;
    }
    EXPECT_EQ(RawField(blank, 4, 0), "   7");
    DBFClose(blank);
}

}  // namespace
