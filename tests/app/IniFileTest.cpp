// Inputs the INI fuzz target found, and values of every kind: each file is loaded, one key set,
// saved and loaded again; the key set reads back (or is refused without a change) and the
// watched key keeps its value.
#include "app/IniFile.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestSupport.h"

namespace {

using Calvorn::IniFile;
using CalvornTest::TempDir;

TEST(IniFileTest, FuzzFindingsRoundTrip)
{
    using namespace std::string_literals;
    const struct {
        const char* what;
        std::string content;
        std::string section, key, value;
        bool accepted;
        std::string watchKey, watchValue;  // in the section "Other"
    } cases[] = {
        // Names or values that are not UTF-8 made the saved file read back as GBK, changing
        // every other non-ASCII value.
        {"section not UTF-8", "[Other]\nk=D:\\\xb5\xd8\xcd\xbc\n"s, "Opt\xff\xff_\xc0\0\0d"s,
         "WorkPath", "x", false, "k", "D:\\地图"},
        {"value not UTF-8", "[Other]\nk=地图\n", "Options", "WorkPath", "/home/\xe9t\xe9", false,
         "k", "地图"},
        // A CR ending the file came back from a save as part of a CR LF and was dropped.
        {"CR ending the file", "[Other]\nk=v\0\0\r"s, "Options", "LayerMap", "a", true, "k",
         "v\0\0"s},
        // A line ending in CR CR LF lost one CR per save.
        {"CR CR LF", "; settings\r\xff\n[Other]\r\r\nk = \"quoted\"\r\r\n", "options", "layermap",
         " spaced value ", true, "k", "quoted"},
        // A second byte-order mark became the first at the next load, which moved the section.
        {"two byte-order marks",
         "\xEF\xBB\xBF\xEF\xBB\xBF[Options]\r\nWorkPath=/old\r\n[Other]\r\nk=1\r\n", "Options",
         "WorkPath", "/new", true, "k", "1"},
        // Values read back as written, whatever quotes, blanks and separators they hold; what a
        // line cannot hold is refused.
        {"odd value", "[Other]\nk=v\n", "Options", "WorkPath", " \"a\" 'b'=c;数据 目录\t", true,
         "k", "v"},
        {"empty value", "", "Options", "WorkPath", "", true, "k", "missing"},
        {"quoted value", "", "Options", "WorkPath", "\"quoted\"", true, "k", "missing"},
        {"single-quoted value", "", "Options", "WorkPath", "'single'", true, "k", "missing"},
        {"two lines", "", "Options", "WorkPath", "two\nlines", false, "k", "missing"},
        {"bracket in a section", "", "Opt]ions", "WorkPath", "x", false, "k", "missing"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CalvornTest::WriteFile(dir / "a.ini", c.content);
        IniFile ini;
        ASSERT_TRUE(ini.Load(dir / "a.ini"));
        EXPECT_EQ(ini.GetString("Other", c.watchKey, "missing"), c.watchValue);
        const std::string before = ini.Text();
        EXPECT_EQ(ini.SetString(c.section, c.key, c.value), c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(ini.Text(), before);
        }
        ASSERT_TRUE(ini.Save(dir / "a.ini"));
        IniFile read;
        ASSERT_TRUE(read.Load(dir / "a.ini"));
        EXPECT_EQ(read.GetString(c.section, c.key, "missing"), c.accepted ? c.value : "missing");
        EXPECT_EQ(read.GetString("Other", c.watchKey, "missing"), c.watchValue);
        EXPECT_EQ(read.Text(), ini.Text());
    }
}

}  // namespace
