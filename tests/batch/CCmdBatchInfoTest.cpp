#include "app/CCmdBatchInfo.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/support/TestSupport.h"

namespace {

using Calvorn::CCmdBatchInfo;

struct ParseCase {
    std::vector<std::string> args;
    std::string source, output;
    bool quiet;
    int plain;                                  // plain arguments counted
    int split, projection, style, deleteEmpty;  // the options after parsing, from 9 each
};

TEST(CCmdBatchInfoTest, SwitchesAndPlainArguments)
{
    CalvornTest::TempDir dir;
    // A name right under the root where something exists, such as "/tmp", is a path.
    const std::string topLevel = "/" + (++dir.Path().begin())->string();
    // clang-format off
    const ParseCase cases[] = {
        {{"-s", "a.wl", "out"},                          "a.wl", "out", true, 2,  9, 9, 9, 9},
        {{"/n", "/p", "/c", "/e", "a.wl", "out"},        "a.wl", "out", false, 2, 0, 1, 1, 1},
        {{"-n", "-p", "-c", "-e"},                       "",     "",    false, 0, 0, 1, 1, 1},
        // Upper case, letters run together, empty and unknown names: ignored.
        {{"/P", "-pe", "/pe", "-", "-x", "--help", "a.wl", "out"},
                                                         "a.wl", "out", false, 2, 9, 9, 9, 9},
        {{"a.wl", "out", "third"},                       "a.wl", "out", false, 3, 9, 9, 9, 9},
        {{"", "a.wl", "", "out"},                        "a.wl", "out", false, 4, 9, 9, 9, 9},
        {{"a.wl"},                                       "a.wl", "",    false, 1, 9, 9, 9, 9},
        {{""},                                           "",     "",    false, 1, 9, 9, 9, 9},
#ifndef _WIN32
        {{"/calvorn-nothing", "/s", "/home/nobody-here/roads.wl", "/tmp/out"},
                           "/home/nobody-here/roads.wl", "/tmp/out", true, 2, 9, 9, 9, 9},
        {{"/", topLevel, "/e"},                          "/",    topLevel, false, 2, 9, 9, 9, 1},
#endif
    };
    // clang-format on
    for (const ParseCase& c : cases) {
        Calvorn::ConversionOptions options{9, 9, 9, 9};
        CCmdBatchInfo info(options);
        info.ParseCommandLine(c.args);
        SCOPED_TRACE(testing::PrintToString(c.args));
        EXPECT_EQ(std::tuple(info.m_strSourceFile, info.m_strOutputPath, info.m_bQuiet,
                             info.PlainArgumentCount()),
                  std::tuple(c.source, c.output, c.quiet, c.plain));
        EXPECT_EQ(std::tuple(options.SplitAnnotations, options.OutputProjection,
                             options.StyleAsAttributes, options.DeleteEmptyResults),
                  std::tuple(c.split, c.projection, c.style, c.deleteEmpty));
    }
}

}  // namespace
