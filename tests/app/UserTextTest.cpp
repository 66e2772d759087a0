// What the user is shown of paths and of a file's log lines: escaped console text, and the
// log block a file's conversion leaves.
#include <gtest/gtest.h>

#include "app/CConvertLog.h"
#include "app/LogBlock.h"
#include "app/UserText.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace Calvorn;

TEST(UserTextTest, EscapeForConsoleKeepsEveryNameOnOneLine)
{
    const std::pair<std::string, std::string> cases[] = {
        {"/数据/roads.wl", "/数据/roads.wl"},
        {"a\nok\tb\\c\r", "a\\nok\\tb\\\\c\\r"},
        {std::string("\0\x1b[2J\x7f", 6), "\\x00\\x1b[2J\\x7f"},
        {"gbk\xca\xfd.wl", "gbk\\xca\\xfd.wl"},                 // GBK bytes are no UTF-8
        {"\xe6\x95", "\\xe6\\x95"},                             // a cut sequence
        {"\xc0\xaf\xed\xa0\x80", "\\xc0\\xaf\\xed\\xa0\\x80"},  // overlong, surrogate
    };
    for (const auto& [text, escaped] : cases) {
        EXPECT_EQ(EscapeForConsole(text), escaped);
    }
}

// A long story keeps its first and last lines; the lines a failure is told by are kept
// wherever they stand.
TEST(UserTextTest, LogBlockKeepsBothEndsAndTheTellingLines)
{
    LogBlock block;
    block.Add("开始转换【/a.wl】------");
    block.Add("------E__无法创建输出文件【/o/a.shp】：权限不够");
    for (int i = 0; i < 1000; ++i) {
        block.Add("------W__第【" + std::to_string(i) + "】条记录");
    }
    block.Add("------E__第【9】条记录【X】字段数值超出字段宽度，填入空数据");
    block.Add("------结束转换【发生未知错误(3/5)】------");
    EXPECT_EQ(block.LineCount(), 1004u);
    EXPECT_EQ(block.LastAbortLine(), "------E__无法创建输出文件【/o/a.shp】：权限不够");
    EXPECT_EQ(block.LastErrorLine(), "------E__第【9】条记录【X】字段数值超出字段宽度，填入空数据");
    EXPECT_EQ(block.EndLine(), "------结束转换【发生未知错误(3/5)】------");

    const std::vector<std::string> lines = block.Lines();
    ASSERT_EQ(lines.size(), LogBlock::kKeptLines + 1);
    EXPECT_EQ(lines.front(), "开始转换【/a.wl】------");
    EXPECT_EQ(lines[LogBlock::kKeptLines / 2], OmittedLinesText(1004 - LogBlock::kKeptLines));
    EXPECT_EQ(lines.back(), block.EndLine());
    const std::vector<std::string> shortView = block.Lines(5);
    EXPECT_EQ(shortView, (std::vector<std::string>{lines[0], lines[1], OmittedLinesText(1000),
                                                   lines[lines.size() - 2], lines.back()}));

    LogBlock small;
    small.Add("a");
    small.Add("b");
    EXPECT_EQ(small.Lines(5), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
