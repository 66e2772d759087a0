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

// The rules of a mapping file's lines are cases in tests/cases/names.

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
