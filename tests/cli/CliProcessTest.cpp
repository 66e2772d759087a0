// calvorn-cli run as a process on the sample files: streams and exit statuses as scripts see
// them.
#include <gtest/gtest.h>

#include "batch/OneFileConversion.h"
#include "tests/support/TestSupport.h"
#include "torvex/builder/TorvexBuilder.h"

namespace {

namespace fs = std::filesystem;

const std::string kSamples = CALVORN_BUILT_SAMPLES_DIR;
// A file name that would break a line: newline, tab, backslash and a byte that is no UTF-8.
const std::string kOddName = "a\nok\tb\\c\xff.wl";

class CliProcessTest : public testing::Test {
protected:
    CliProcessTest()
    {
        fs::create_directories(dir / "out");
        fs::create_directories(dir / "odd");
        Torvex::TorvexBuilder(Torvex::FileKind::Line).WriteTo(dir / "empty.wl");
        Torvex::TorvexBuilder(Torvex::FileKind::Line).WriteTo(dir / "odd" / kOddName);
        CalvornTest::WriteFile(dir / "b.doc", "");
        fs::copy_file(kSamples + "/roads.wl", dir / "roads.wl");
        // Written on Windows: the item's letter case is not the file's.
        Torvex::TorvexBuilder project(Torvex::FileKind::Project);
        project.AddProjectItem("D:\\maps\\ROADS.WL");
        project.AddProjectItem("D:\\maps\\gone.wl");
        project.WriteTo(dir / "map.mpj");
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
    // The tool with the log in the test's folder (no arguments at all when `args` is empty).
    CalvornTest::CommandResult Run(const std::vector<std::string>& args,
                                   bool errorOnTerminal = false) const
    {
        std::vector<std::string> argv = {CALVORN_CLI};
        if (!args.empty()) {
            argv.insert(argv.end(), {"--log", Expand("$/log.txt")});
        }
        for (const std::string& arg : args) {
            argv.push_back(Expand(arg));
        }
        return CalvornTest::RunCommand(argv, errorOnTerminal);
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
    const std::string convertError = "抱歉，发生了转换错误，转换失败！\n";
    const std::string notADirectory = "无法创建输出文件【$/b.doc/roads.shp】：不是目录\n";
    const std::string tryHelp = "Try 'calvorn-cli --help'.\n";
    const ProcessCase cases[] = {
        {{"--version"}, 0, "Calvorn Desktop 4.1.2.3\n", ""},
        {{}, 64, usage + "运行 calvorn-cli --help 查看全部选项\n", ""},
        // One-file mode.
        {{"/s", "@/roads.wl"}, 64, usage, ""},
        {{"$/gone.wl", "$/out"}, 66, "", "指定的Torvex文件不存在\n"},
        {{"/s", "$/gone.wl", "$/out"}, 1, "", ""},
        {{"--no-projection", "@/roads.wl", "$/out", "third"},
         0,
         "恭喜你，指定文件转换成功！\n",
         ""},
        {{"@/map.mpj", "$/out"}, 20, "", "抱歉，发生了未知的转换错误，转换失败！\n"},
        {{"@/roads.wl", "$/b.doc"},
         4,
         "",
         convertError + "calvorn-cli: @/roads.wl: " + notADirectory},
        {{"-j", "2", "x.wl", "$/out"},
         64,
         "",
         "calvorn-cli: option -j needs -o OUTDIR (batch mode)\n" + tryHelp},
        {{"x.wl", "$/out", "--layer-map=a.lyr"},
         64,
         "",
         "calvorn-cli: option --layer-map needs -o OUTDIR (batch mode)\n" + tryHelp},
        // Batch mode: standard output holds the result lines, the summary and the log only.
        {{"-o", "$/out", "@/roads.wl", "$/typo_dir", "$/typo\n.mpj"},
         66,
         "",
         "calvorn-cli: $/typo_dir: 没有那个文件或目录\ncalvorn-cli: $/typo\\n.mpj: "
         "没有那个文件或目录\n"},
        {{"-o", "$/out", "$/map.mpj", "$/empty.wl"},
         1,
         "ok\t$/roads.wl\nfailed 1\t$/gone.wl\nempty\t$/empty.wl\n  转换完成。\n"
         "  共有1个空文件未被转换!\n  共有1个文件被正确转换!\n  "
         "共有1个文件转换失败!\nlog\t$/log.txt\n",
         "calvorn-cli: $/gone.wl: 文件打开失败\n"},
        {{"-o", "$/b.doc", "@/roads.wl"},
         1,
         "failed 4\t@/roads.wl\n  转换完成。\n  共有1个文件转换失败!\nlog\t$/log.txt\n",
         "calvorn-cli: @/roads.wl: " + notADirectory},
        {{"/s", "-o", "$/b.doc", "@/roads.wl"}, 1, "", "calvorn-cli: @/roads.wl: " + notADirectory},
        {{"-o", "$/out", "--", "$/odd"},
         0,
         "empty\t$/odd/a\\nok\\tb\\\\c\\xff.wl\n  转换完成。\n  共有1个空文件未被转换!\n"
         "log\t$/log.txt\n",
         ""},
        {{"-o", "$/no-out", "@/roads.wl"}, 66, "", "输出路径不存在!\n"},
        {{"-o", "$/out", "$/b.doc"},
         66,
         "",
         "calvorn-cli: nothing to convert in $/b.doc\n待转换文件集合不能为空!\n"},
        {{"-o", "$/out", "--bogus", "@/roads.wl"},
         64,
         "",
         "calvorn-cli: unknown option: --bogus\n" + tryHelp},
    };
    for (const ProcessCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const CalvornTest::CommandResult result = Run(c.args);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.output, Expand(c.output));
        EXPECT_EQ(result.error, Expand(c.error));
    }
    EXPECT_TRUE(fs::exists(dir / "out" / "roads.shp"));
    EXPECT_FALSE(fs::exists(dir / "out" / "roads.prj")) << "--no-projection in one-file mode";
    EXPECT_NE(Run({"--help"}).output.find("-o OUTDIR"), std::string::npos);
}

// Progress is drawn on standard error, only when that is a terminal and /s is not given;
// standard output stays plain.
TEST_F(CliProcessTest, ProgressOnlyOnATerminal)
{
    // The sample has four lines: 0, 25, 50, 75 and 100 percent, then the line is cleared.
    const auto progress = [](const std::string& counter) {
        std::string drawn;
        for (const char* percent : {"  0%", " 25%", " 50%", " 75%", "100%"}) {
            drawn += "\r\x1b[K" + counter + percent + " roads.wl";
        }
        return drawn + "\r\x1b[K";
    };
    const struct {
        std::vector<std::string> args;
        std::string output;
        std::string error;  // standard error on a terminal
    } cases[] = {
        {{"@/roads.wl", "$/out"}, "恭喜你，指定文件转换成功！\n", progress("")},
        {{"-o", "$/out", "@/roads.wl"},
         "ok\t@/roads.wl\n  转换完成。\n  共有1个文件被正确转换!\nlog\t$/log.txt\n",
         progress("[1/1] ")},
        {{"/s", "-o", "$/out", "@/roads.wl"}, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const CalvornTest::CommandResult onTerminal = Run(c.args, true);
        EXPECT_EQ(onTerminal.status, 0);
        EXPECT_EQ(onTerminal.output, Expand(c.output));
        EXPECT_EQ(onTerminal.error, c.error);
        EXPECT_EQ(Run(c.args).error, "") << "no progress where standard error is no terminal";
    }
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
