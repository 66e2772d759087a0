#include "app/CConvertLog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

using Calvorn::AppLocations;
using Calvorn::CConvertLog;
using CalvornTest::ReadFile;
using CalvornTest::TempDir;
using CalvornTest::WriteFile;

void Log(const std::string& text, int level = 2)
{
    CConvertLog::Get().Write(level, text, __FILE__, __LINE__, "LogTest");
}

// The lines' bytes (GBK, CR LF, a character GBK lacks as ?) are cases in tests/cases/log.

// The default log is emptied at the first line of a run, not before; a named one is appended to.
TEST(CConvertLogTest, DefaultLogIsEmptiedNamedLogAppended)
{
    TempDir dir;
    WriteFile(dir / CConvertLog::kFileName, ">previous run\r\n");
    WriteFile(dir / "named.log", ">previous run\r\n");
    CConvertLog::Get().Configure(AppLocations(dir.Path(), dir / "user"));
    EXPECT_EQ(CConvertLog::Get().Path(), dir / CConvertLog::kFileName);
    Log("one", 1);
    EXPECT_EQ(ReadFile(dir / CConvertLog::kFileName), ">previous run\r\n");
    Log("first");
    Log("second");
    EXPECT_EQ(ReadFile(dir / CConvertLog::kFileName), ">first\r\n>second\r\n");
    CConvertLog::Get().SetFile(dir / "named.log");
    Log("third");
    EXPECT_EQ(ReadFile(dir / "named.log"), ">previous run\r\n>third\r\n");
}

TEST(CConvertLogTest, ConcurrentWritersProduceWholeLines)
{
    TempDir dir;
    CConvertLog::Get().SetFile(dir / "threads.log");
    constexpr int kThreads = 4;
    constexpr int kLines = 400;
    const auto line = [](int t, int i) {
        return std::to_string(t) + ":" + std::to_string(i) + ":" + std::string(i % 97, 'x');
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &line] {
            for (int i = 0; i < kLines; ++i) {
                Log(line(t, i));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    // Every line whole, once.
    std::vector<std::string> expected;
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kLines; ++i) {
            expected.push_back(">" + line(t, i) + "\r\n");
        }
    }
    const std::string text = ReadFile(dir / "threads.log");
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find("\r\n", start), text.size() - 2) + 2;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    std::sort(expected.begin(), expected.end());
    std::sort(lines.begin(), lines.end());
    EXPECT_TRUE(lines == expected);
}

// Configures the log for the two folders and checks where the first line lands.
void ExpectLogIn(const std::filesystem::path& executableFolder,
                 const std::filesystem::path& userFolder, const std::filesystem::path& expected)
{
    CConvertLog::Get().Configure(AppLocations(executableFolder, userFolder));
    EXPECT_EQ(CConvertLog::Get().Path(), expected / "CalvornExp.log");
    Log("转换");
    EXPECT_EQ(CConvertLog::Get().Path(), expected / "CalvornExp.log");
    EXPECT_EQ(ReadFile(expected / "CalvornExp.log"), ">\xd7\xaa\xbb\xbb\r\n") << expected;
}

TEST(CConvertLogTest, GoesBesideTheExecutableOrElseIntoTheUserFolder)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "program");
    WriteFile(dir / "not-a-folder", "");
    ExpectLogIn(dir / "program", dir / "user1", dir / "program");
    // A folder no file can be created in; the user's folder is created on demand.
    ExpectLogIn(dir / "not-a-folder", dir / "user2" / "calvorn", dir / "user2" / "calvorn");
}

TEST(CConvertLogTest, ReadOnlyExecutableFolderFallsBack)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "installed");
    chmod((dir / "installed").c_str(), 0555);
    if (AppLocations::IsFolderWritable(dir / "installed")) {
        GTEST_SKIP() << "running with rights that write into a read-only folder";
    }
    ExpectLogIn(dir / "installed", dir / "user", dir / "user");
}

TEST(CConvertLogTest, LogThatCannotBeOpenedDropsLinesQuietly)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "taken.log");
    CConvertLog::Get().SetFile(dir / "taken.log");
    Log("lost");
    EXPECT_TRUE(CConvertLog::Get().Path().empty());
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.log"));
    CConvertLog::Get().SetFile(dir / "next.log");
    Log("kept");
    EXPECT_EQ(ReadFile(dir / "next.log"), ">kept\r\n");
}

}  // namespace
