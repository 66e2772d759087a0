// The engine's small parts: choosing a converter by extension, the Open failure lines the
// reader's files cannot all produce, the date and time texts, the sharing of the cores.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <thread>

#include "convert/AttributeTransfer.h"
#include "convert/ConversionEngine.h"
#include "convert/ConversionRun.h"
#include "convert/CoreShare.h"
#include "tests/convert/ConvertTestSupport.h"

namespace CalvornTest {
namespace {

using Calvorn::FileKind;

TEST(ConversionEngine, KindOfPath)
{
    const std::pair<const char*, FileKind> cases[] = {
        {"/data/roads.wl", Calvorn::kKindLine},  {"TOWNS.WT", Calvorn::kKindPoint},
        {"lakes.Wp", Calvorn::kKindPolygon},     {"my.parcels.wb", Calvorn::kKindTable},
        {"map.mpj", Calvorn::kKindNone},         {"roads", Calvorn::kKindNone},
        {"folder.wl/roads", Calvorn::kKindNone}, {"roads.wl.bak", Calvorn::kKindNone},
        {"/data/.wl", Calvorn::kKindLine},
    };
    for (const auto& [path, kind] : cases) {
        EXPECT_EQ(Calvorn::KindOfPath(path), kind) << path;
    }
}

TEST(ConversionEngine, OpenFailureLines)
{
    const std::pair<int, const char*> cases[] = {
        {-9996, "------结束转换【文件打开失败】------"},
        {-10000, "------结束转换【非系统文件错误】------"},
        {-9997, "------结束转换【非Torvex文件】------"},
        {-9980, "------结束转换【属性字段定义错误】------"},
        {-9982, "------结束转换【文件写入失败】------"},
        {-9983, "------结束转换【文件读取失败】------"},
        {-9981, "------结束转换【发生未知错误】------"},
        {-1, "------结束转换【发生未知错误】------"},
    };
    for (const auto& [result, line] : cases) {
        EXPECT_EQ(Calvorn::ConversionRun::OpenFailureLine(result), line) << result;
    }
}

TEST(ConversionEngine, DateAndTimeTexts)
{
    const struct {
        int year, month, day;
        const char* text;
    } dates[] = {{2010, 5, 7, "2010-05-07"}, {0, 0, 0, ""},
                 {0, 3, 0, "0000-03-00"},    {-5, -1, 0, ""},
                 {0, 0, 9, "0000-00-09"},    {2010, -1, 0, "2010--1-00"}};
    char text[Calvorn::kDateTimeTextSize];
    for (const auto& d : dates) {
        EXPECT_EQ(Calvorn::DateText(d.year, d.month, d.day, text), d.text) << d.text;
    }
    EXPECT_EQ(Calvorn::TimeText(8, 5, 3.5, text), "08:05:3.50");
    // printf in the C locale (the test process's) is the reference.
    const struct {
        int hour, minute;
        double seconds;
    } times[] = {{8, 5, 3.5}, {0, 0, 0.25},         {23, 59, 59.999},  {1, 0, 12.5},  {1, 0, -0.5},
                 {0, 1, 0.0}, {1, 0, std::nan("")}, {1, 0, -INFINITY}, {-1, 0, 1e300}};
    for (const auto& t : times) {
        char expected[512];
        std::snprintf(expected, sizeof expected, "%02d:%02d:%04.2f", t.hour, t.minute, t.seconds);
        EXPECT_EQ(Calvorn::TimeText(t.hour, t.minute, t.seconds, text), expected) << expected;
    }
    EXPECT_EQ(Calvorn::TimeText(0, 0, 0.0, text), "");
    EXPECT_EQ(Calvorn::TimeText(0, -3, std::nan(""), text), "");
}

// Reading threads take only cores no busy thread has: however many threads convert, no more
// are busy than there are cores.
TEST(ConversionEngine, SpareCoresOnlyUpToTheCores)
{
    const Calvorn::BusyThread busy;
    const Calvorn::BusyThread again;  // a thread counts once
    int taken = 0;
    while (taken < Calvorn::CoreCount() && Calvorn::TryTakeSpareCore()) {
        ++taken;
    }
    EXPECT_EQ(taken, Calvorn::CoreCount() - 1);
    std::thread([] {
        const Calvorn::BusyThread other;
        EXPECT_FALSE(Calvorn::TryTakeSpareCore());
    }).join();
    for (; taken > 0; --taken) {
        Calvorn::GiveBackCore();
    }
    const bool spare = Calvorn::TryTakeSpareCore();
    EXPECT_EQ(spare, Calvorn::CoreCount() > 1);
    if (spare) {
        Calvorn::GiveBackCore();
    }
}

}  // namespace
}  // namespace CalvornTest
