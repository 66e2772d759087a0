#include "app/NameTables.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/PathSettings.h"
#include "tests/support/TestSupport.h"

namespace {

using Calvorn::NameTables;
using CalvornTest::TempDir;
using CalvornTest::WriteFile;

TEST(NameTablesTest, LineRules)
{
    struct Case {
        const char* what;
        std::string bytes;                                         // the mapping file
        std::vector<std::pair<std::string, std::string>> lookups;  // name -> expected
    };
    const std::vector<Case> cases = {
        {"comma", "roads,Roads_2010\n", {{"roads", "Roads_2010"}, {"ROADS", "ROADS"}}},
        {"case-sensitive keys", "ROADS,X\n", {{"roads", "roads"}, {"ROADS", "X"}}},
        {"two spaces give the empty text", "rivers  Rivers\n", {{"rivers", ""}}},
        {"remark after the value", "lakes|Lakes|old name\n", {{"lakes", "Lakes"}}},
        {"CR LF",
         "roads,Roads_2010\r\nrivers\tRivers\r\n",
         {{"roads", "Roads_2010"}, {"rivers", "Rivers"}}},
        {"CR on a last line without LF", "roads;R\r", {{"roads", "R"}}},
        {"no delimiter: empty key", "whole-line\nroads/R\n", {{"", "whole-line"}, {"roads", "R"}}},
        {"empty line is an entry", "\nx'y\n", {{"", ""}, {"x", "y"}}},
        {"every delimiter",
         "a\\1\nb\"2\nc'3\nd;4\ne/5\n",
         {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"e", "5"}}},
        {"no trimming", " roads,R\nwater ,W\n", {{"", "roads"}, {"water", ""}, {"roads", "roads"}}},
        {"first entry wins", "roads,A\nroads,B\n", {{"roads", "A"}}},
        {"UTF-8 with BOM",
         "\xEF\xBB\xBF道路,Roads\n",
         {{"道路", "Roads"}, {"\xEF\xBB\xBF道路", "\xEF\xBB\xBF道路"}}},
        {"GBK, trail bytes equal to \\ and |",
         "\xb5\xc0\xc2\xb7,\xba\xd3\xc1\xf7\n\x81\x5c,T1\n\x89\x7c,T2\n",
         {{"道路", "河流"}, {"乗", "T1"}, {"墊", "T2"}}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        WriteFile(dir / "map.lyr", c.bytes);
        NameTables tables;
        tables.LoadLayerMap(dir / "map.lyr");
        for (const auto& [name, expected] : c.lookups) {
            EXPECT_EQ(tables.LookupLayerName(name), expected) << c.what << ": " << name;
            EXPECT_EQ(tables.LookupFieldName(name), name) << c.what << ": field table untouched";
        }
    }
}

TEST(NameTablesTest, FirstEntryWinsAcrossLoads)
{
    TempDir dir;
    WriteFile(dir / "图层.fld", "名称,NAME\ncode,CODE\n");
    NameTables tables;
    EXPECT_EQ(tables.LoadFieldMap(dir / "图层.fld"), 2u);
    WriteFile(dir / "图层.fld", "名称,CHANGED\nkind,KIND\n");
    EXPECT_EQ(tables.LoadFieldMap(dir / "图层.fld"), 3u);
    EXPECT_EQ(tables.LookupFieldName("名称"), "NAME");
    EXPECT_EQ(tables.LookupFieldName("kind"), "KIND");
    EXPECT_EQ(tables.LayerCount(), 0u);
}

TEST(NameTablesTest, LoadForRunSkipsWhatCannotBeRead)
{
    TempDir dir;
    WriteFile(dir / "Calvorn.lyr", "roads,R\n");
    WriteFile(dir / "Calvorn.fld", "name,N\n");
    std::filesystem::create_directory(dir / "folder.fld");

    struct Case {
        std::filesystem::path layerMap, fieldMap;
        std::size_t layers, fields;
    };
    const std::vector<Case> cases = {
        {dir / "Calvorn.lyr", dir / "Calvorn.fld", 1, 1},
        {"", "", 0, 0},
        {dir / "missing.lyr", dir / "folder.fld", 0, 0},
        {dir / "folder.fld", dir / "Calvorn.fld", 0, 1},
    };
    for (const Case& c : cases) {
        Calvorn::PathSettings settings;
        settings.LayerMap = c.layerMap;
        settings.FieldMap = c.fieldMap;
        NameTables tables;
        tables.LoadForRun(settings);
        EXPECT_EQ(tables.LayerCount(), c.layers) << c.layerMap;
        EXPECT_EQ(tables.FieldCount(), c.fields) << c.fieldMap;
    }
}

}  // namespace
