#include "convert/DbfFile.h"

#include <gtest/gtest.h>
#include <shapefil.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "convert/DbfRow.h"
#include "convert/DbfUnsignedInt.h"
#include "convert/OutputError.h"
#include "tests/convert/ConvertTestSupport.h"
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

TEST(DbfFile, FieldNamesAndWidths)
{
    CalvornTest::TempDir dir;
    struct Case {
        const char* name;
        DbfFieldType type;
        int width;
        CalvornTest::DbfField written;
    };
    const Case cases[] = {
        {"RoadName", DbfFieldType::String, 300, {"RoadName", 'C', 254}},
        {"ROADNAME", DbfFieldType::Integer, 0, {"ROADNAME_1", 'N', 1}},
        {"道路名称字段长", DbfFieldType::Double, -5, {"道路名称字", 'N', 1}},
        {"道路名称字段", DbfFieldType::Logical, 1, {"道路名称_1", 'L', 1}},
        {"A道路名称字段", DbfFieldType::Integer, 300, {"A道路名称", 'N', 255}},
    };
    const auto path = dir / "names.dbf";
    {
        DbfFile dbf;
        dbf.Create(path);
        for (const Case& c : cases) {
            const DbfFile::AddedField added = dbf.AddField(c.name, c.type, c.width, -2);
            EXPECT_EQ(added.name, c.written.name);
            EXPECT_EQ(added.width, c.written.width);
        }
        dbf.Close();
    }
    std::vector<CalvornTest::DbfField> written;
    for (const Case& c : cases) {
        written.push_back(c.written);
    }
    EXPECT_EQ(CalvornTest::ReadDbf(path).fields, written);
    EXPECT_EQ(static_cast<unsigned char>(CalvornTest::ReadFile(path)[29]), 77);  // code page 936
    EXPECT_FALSE(std::filesystem::exists(dir / "names.cpg"));
}

// Writes one row of `count` fields, each given by `put`, and returns the raw bytes of each
// field as the file holds them.
template <typename Put>
std::vector<std::string> FieldsOfOneRow(const std::filesystem::path& path,
                                        const std::vector<std::pair<int, int>>& layouts,
                                        DbfFieldType type, Put put)
{
    {
        DbfFile dbf;
        dbf.Create(path);
        for (std::size_t i = 0; i < layouts.size(); ++i) {
            dbf.AddField("F" + std::to_string(i), type, layouts[i].first, layouts[i].second);
        }
        std::vector<char> bytes(dbf.Layout().rowLength);
        Calvorn::DbfRow row(dbf.Layout(), bytes.data());
        row.Clear();
        for (std::size_t i = 0; i < layouts.size(); ++i) {
            put(row, static_cast<int>(i));
        }
        dbf.AppendRow(bytes.data());
        dbf.Close();
    }
    DBFHandle dbf = DBFOpen(path.c_str(), "rb");
    std::vector<std::string> fields;
    for (std::size_t i = 0; dbf != nullptr && i < layouts.size(); ++i) {
        fields.push_back(RawField(dbf, 0, static_cast<int>(i)));
    }
    if (dbf != nullptr) {
        DBFClose(dbf);
    }
    return fields;
}

// A number that does not fit its field, or none at all, is written as stars and said so; what
// fits renders as printf does (ShapelibIo's test), texts are cut as GbkText's test and the
// cases show.
TEST(DbfFile, NumbersThatDoNotFitBecomeNull)
{
    enum Writer { Number, Unsigned };
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
        {4, 0, Number, 123456, DbfWriteStatus::DidNotFit, "****"},
        {4, 0, Number, -1000, DbfWriteStatus::DidNotFit, "****"},
        {4, 0, Number, -999, DbfWriteStatus::Written, "-999"},
        {8, 3, Number, 12345.6789, DbfWriteStatus::DidNotFit, "********"},
        {8, 0, Number, 1.25, DbfWriteStatus::Written, "       1"},
        {5, 3, Number, 9.9996, DbfWriteStatus::DidNotFit, "*****"},  // rounds up to 10.000
        {8, 3, Number, nan, DbfWriteStatus::DidNotFit, "********"},
        {8, 0, Unsigned, 12345678, DbfWriteStatus::Written, "12345678"},
        {8, 0, Unsigned, 4294967295.0, DbfWriteStatus::Written, "      -1"},
        {8, 0, Unsigned, 2147483648.0, DbfWriteStatus::DidNotFit, "********"},
        {11, 0, Unsigned, 4294967295.0, DbfWriteStatus::Written, " 4294967295"},
        {1, 0, Unsigned, 4294967295.0, DbfWriteStatus::DidNotFit, "*"},
    };
    CalvornTest::TempDir dir;
    std::vector<std::pair<int, int>> layouts;
    for (const Case& c : cases) {
        layouts.emplace_back(c.width, c.decimals);
    }
    const auto fields = FieldsOfOneRow(
        dir / "numbers.dbf", layouts, DbfFieldType::Double, [&](Calvorn::DbfRow& row, int i) {
            const Case& c = cases[i];
            const DbfWriteStatus status = c.writer == Number
                                              ? row.PutNumber(i, c.value)
                                              : Calvorn::DBFWriteUnsignedIntAttribute(
                                                    row, i, static_cast<std::uint32_t>(c.value));
            EXPECT_EQ(status, c.status) << "case " << i;
        });
    ASSERT_EQ(fields.size(), std::size(cases));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(fields[i], cases[i].bytes) << "case " << i;
    }
}

// Rows written whole hold the bytes shapelib's own writers leave: a file filled field by field
// through them is the same file, but for the header's date.
TEST(DbfFile, RowsAreWhatShapelibsWritersWrite)
{
    CalvornTest::TempDir dir;
    const struct {
        const char* name;
        DbfFieldType type;
        DBFFieldType shapelibType;
        int width;
        int decimals;
    } fields[] = {
        {"TEXT", DbfFieldType::String, FTString, 12, 0},
        {"INT", DbfFieldType::Integer, FTInteger, 9, 0},
        {"REAL", DbfFieldType::Double, FTDouble, 16, 4},
        {"FLAG", DbfFieldType::Logical, FTLogical, 1, 0},
    };
    const std::string gbk = Torvex::Utf8ToGbk("长江路");
    // Per row: a text (or null), an integer, a real, and whether the flag is null; rows left
    // blank where a value is missing.
    const struct {
        std::optional<std::string> text;
        std::optional<int> integer;
        std::optional<double> real;
        bool nullFlag;
    } rows[] = {
        {gbk, 42, -80946.3986, false},
        {std::nullopt, -7, 0.5, true},
        {"", std::nullopt, std::nullopt, false},
        {"a longer text", 123456789, 1e10, true},
    };
    DbfFile ours;
    ours.Create(dir / "ours.dbf");
    DBFHandle theirs = DBFCreateEx((dir / "theirs.dbf").c_str(), "LDID/77");
    ASSERT_NE(theirs, nullptr);
    for (const auto& field : fields) {
        ours.AddField(field.name, field.type, field.width, field.decimals);
        DBFAddField(theirs, field.name, field.shapelibType, field.width, field.decimals);
    }
    std::vector<char> bytes(ours.Layout().rowLength);
    Calvorn::DbfRow row(ours.Layout(), bytes.data());
    for (int i = 0; i < static_cast<int>(std::size(rows)); ++i) {
        const auto& r = rows[i];
        row.Clear();
        // The first write of a row makes it, blank; the text field is always written.
        if (r.text) {
            static_cast<void>(row.PutText(0, *r.text));
            DBFWriteStringAttribute(theirs, i, 0, r.text->c_str());
        } else {
            row.PutNull(0);
            DBFWriteNULLAttribute(theirs, i, 0);
        }
        if (r.integer) {
            row.PutNumber(1, *r.integer);
            DBFWriteIntegerAttribute(theirs, i, 1, *r.integer);
        }
        if (r.real) {
            row.PutNumber(2, *r.real);
            DBFWriteDoubleAttribute(theirs, i, 2, *r.real);
        }
        if (r.nullFlag) {
            row.PutNull(3);
            DBFWriteNULLAttribute(theirs, i, 3);
        }
        ours.AppendRow(bytes.data());
    }
    ours.Close();
    DBFClose(theirs);
    std::string a = CalvornTest::ReadFile(dir / "ours.dbf");
    std::string b = CalvornTest::ReadFile(dir / "theirs.dbf");
    ASSERT_GT(a.size(), 4u);
    a.replace(1, 3, "   ");
    b.replace(1, 3, "   ");
    EXPECT_TRUE(a == b);
}

// The index field "FID" of a source without fields is checked end to end (ConvertDb.Outcomes).
TEST(DbfFile, RowsNeedTheirFieldsFirst)
{
    CalvornTest::TempDir dir;
    DbfFile dbf;
    dbf.Create(dir / "late.dbf");
    const char blank = ' ';
    EXPECT_THROW(dbf.AppendRow(&blank), std::logic_error);
    dbf.AddField("N", DbfFieldType::Integer, 4, 0);
    EXPECT_FALSE(dbf.EnsureAtLeastOneField());
    const std::string row = "    7";
    EXPECT_EQ(dbf.AppendRow(row.data()), 0);
    EXPECT_THROW(dbf.AddField("LATE", DbfFieldType::Integer, 4, 0), std::logic_error);
}

}  // namespace
