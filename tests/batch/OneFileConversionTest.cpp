#include "batch/OneFileConversion.h"

#include <gtest/gtest.h>

#include "app/CCmdBatchInfo.h"
#include "convert/ConversionEngine.h"
#include "tests/batch/BatchTestFiles.h"

namespace {

using namespace Calvorn;
using CalvornTest::ShownMessage;

struct OneFileCase {
    std::vector<std::string> args;  // "$" stands for the test's folder
    int result;
    int exitStatus;
    std::vector<ShownMessage> shown;
};

TEST(OneFileConversionTest, MessagesAndResults)
{
    CalvornTest::TempDir dir;
    CalvornTest::LogInto(dir);
    std::filesystem::create_directory(dir / "out");
    std::filesystem::copy_file(CalvornTest::BuiltSample("roads.wl"), dir / "roads.wl");
    std::filesystem::copy_file(CalvornTest::BuiltSample("roads.wl"), dir / "upper.WL");
    std::filesystem::copy_file(CalvornTest::BuiltSample("map.mpj"), dir / "map.mpj");
    CalvornTest::MakeLineFile(dir / "empty.wl", 0);
    CalvornTest::WriteFile(dir / "broken.wl", "not a Torvex file");

    const ShownMessage usage{
        "用法：\"Calvorn Desktop.exe\" [/s] [/n] [/p] [/c] [/e] torvexfile outputpath\n\n"
        "/s - 可选参数，安静模式，不显示转换消息\n/n - 可选参数，不单独分离注释点文件\n"
        "/p - 可选参数，进行投影转换，输出匹配投影文件\n/c - 可选参数，显示样式转为属性输出\n"
        "/e - 可选参数，自动删除转换结果中的空文件\ntorvexfile - 必选参数，指定待转换torvex文件\n"
        "outputpath - 必选参数，指定输出路径",
        "Calvorn Desktop", MessageIcon::Information};
    auto plain = [](const char* text) { return ShownMessage{text, "app", MessageIcon::None}; };
    // clang-format off
    const OneFileCase cases[] = {
        {{},                              kCmdLineUsageShown, 64, {usage}},
        {{"/s", "$/roads.wl"},            kCmdLineUsageShown, 64, {usage}},
        {{"$/gone.wl", "$/out"},          kCmdLineSourceMissing, 66, {plain("指定的Torvex文件不存在")}},
        {{"$/roads.wl", "$/no-out"},      kCmdLineOutputMissing, 66, {plain("指定输出路径不存在")}},
        {{"/s", "$/gone.wl", "$/out"},    kOutcomeOpenFailed, 1, {}},
        {{"$/roads.wl", "$/out"},         kOutcomeConverted, 0, {plain("恭喜你，指定文件转换成功！")}},
        {{"-s", "$/upper.WL", "$/out"},   kOutcomeConverted, 0, {}},
        {{"$/empty.wl", "$/out"},         kOutcomeEmpty, 10, {plain("指定文件为空文件，未进行转换！")}},
        {{"$/broken.wl", "$/out"},        kOutcomeOpenFailed, 1, {plain("抱歉，发生了转换错误，转换失败！")}},
        {{"$/map.mpj", "$/out"},          kOutcomeNoConverter, 20,
                                          {plain("抱歉，发生了未知的转换错误，转换失败！")}},
    };
    // clang-format on
    for (const OneFileCase& c : cases) {
        std::vector<std::string> args;
        for (const std::string& arg : c.args) {
            args.push_back(arg[0] == '$' ? dir.Path().string() + arg.substr(1) : arg);
        }
        SCOPED_TRACE(testing::PrintToString(args));
        ConversionOptions options;
        CCmdBatchInfo info(options);
        info.ParseCommandLine(args);
        NameTables tables;
        ConversionEngine engine(options, tables, ProgramContext());
        CalvornTest::RecordingSink sink;
        const int result = ConvertFromCmdLine(info, engine, sink, "app");
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(OneFileExitStatus(result), c.exitStatus);
        EXPECT_EQ(sink.shown, c.shown);
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "out" / "upper.shp"));
}

}  // namespace
