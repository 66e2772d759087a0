// calvorn-cli run as a process on the sample files: streams and exit statuses as scripts see
// them.
#include <gtest/gtest.h>

#include "batch/OneFileConversion.h"
#include "tests/support/TestSupport.h"
#include "torvex/TorvexBuilder.h"

namespace {

const std::string kSamples = CALVORN_BUILT_SAMPLES_DIR;

class CliProcessTest : public testing::Test {
protected:
    CliProcessTest()
    {
        std::filesystem::create_directories(dir / "out");
        Torvex::TorvexBuilder(Torvex::FileKind::Line).WriteTo(dir / "empty.wl");
        CalvornTest::WriteFile(dir / "b.doc", "");
    }
    // "$" stands for the test's folder and "@" for the samples' folder.
    std::string Expand(const std::string& text) const
    {
        std::string result;
        for (const char c : text) {
            result += c == '$' ? dir.Path().string() : c == '@' ? kSamples : std::string(1, c);
        }
        return result;
    }
    CalvornTest::CommandResult Run(const std::vector<std::string>& args) const
    {
        std::vector<std::string> argv = {CALVORN_CLI, "--log", Expand("$/log.txt")};
        for (const std::string& arg : args) {
            argv.push_back(Expand(arg));
        }
        return CalvornTest::RunCommand(argv);
    }

    CalvornTest::TempDir dir;
};

struct ProcessCase {
    std::vector<std::string> args;
    int status;
    std::string output, error;
};

TEST_F(CliProcessTest, StreamsAndExitStatuses)
{
    const std::string usage = std::string(Calvorn::kCmdLineUsageText) + "\n";
    const ProcessCase cases[] = {
        {{"--version"}, 0, "Calvorn Desktop 4.1.2.3\n", ""},
        // One-file mode.
        {{"/s", "@/roads.wl"}, 64, usage, ""},
        {{"$/gone.wl", "$/out"}, 66, "", "指定的Torvex文件不存在\n"},
        {{"/s", "$/gone.wl", "$/out"}, 1, "", ""},
        {{"@/roads.wl", "$/out"}, 0, "恭喜你，指定文件转换成功！\n", ""},
        {{"@/map.mpj", "$/out"}, 20, "", "抱歉，发生了未知的转换错误，转换失败！\n"},
        // Batch mode.
        {{"-o", "$/out", "@/roads.wl", "$/gone.wl", "$/empty.wl"},
         1,
         "ok\t@/roads.wl\nfailed 1\t$/gone.wl\nempty\t$/empty.wl\n  转换完成。\n"
         "  共有1个空文件未被转换!\n  共有1个文件被正确转换!\n  "
         "共有1个文件转换失败!\nlog\t$/log.txt\n",
         ""},
        {{"-o", "$/out", "--", "$/empty.wl"},
         0,
         "empty\t$/empty.wl\n  转换完成。\n  共有1个空文件未被转换!\nlog\t$/log.txt\n",
         ""},
        {{"-o", "$/no-out", "@/roads.wl"}, 66, "", "输出路径不存在!\n"},
        {{"-o", "$/out", "$/b.doc"},
         66,
         "",
         "calvorn-cli: nothing to convert in $/b.doc\n待转换文件集合不能为空!\n"},
        {{"-o", "$/out", "--bogus", "@/roads.wl"},
         64,
         "",
         "calvorn-cli: unknown option: --bogus\nTry 'calvorn-cli --help'.\n"},
    };
    for (const ProcessCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const CalvornTest::CommandResult result = Run(c.args);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.output, Expand(c.output));
        EXPECT_EQ(result.error, Expand(c.error));
    }
    EXPECT_NE(Run({"--help"}).output.find("-o OUTDIR"), std::string::npos);
}

// The README's main command: every sample converts, in the order given: sources in argument
// order, a project's items in their stored order, a folder's entries in byte order of names.
// Needs all four converters.
TEST_F(CliProcessTest, SampleMapConvertsCompletely)
{
    const CalvornTest::CommandResult result = Run({"-o", "$/out", "@/map.mpj", "@"});
    std::string expected;
    for (const char* name : {"roads.wl", "towns.wt", "lakes.wp", "parcels.wb", "lakes.wp",
                             "parcels.wb", "roads.wl", "towns.wt"}) {
        expected += "ok\t" + kSamples + "/" + name + "\n";
    }
    expected += "  转换完成。\n  共有8个文件被正确转换!\n" + Expand("log\t$/log.txt\n");
    EXPECT_EQ(result.output, expected);
    EXPECT_EQ(result.status, 0);
}

}  // namespace
