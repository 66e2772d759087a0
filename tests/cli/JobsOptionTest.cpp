// -j N: how many files the console tool converts at once, and that nothing it prints or writes
// depends on it.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/BatchArguments.h"
#include "cli/ConsoleTool.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace Calvorn;
namespace fs = std::filesystem;

TEST(JobsOption, ParsedInEveryForm)
{
    const struct {
        std::vector<std::string> args;
        int jobs;
        std::string error;
    } cases[] = {
        {{"-o", "out", "a"}, 1, ""},
        {{"-j", "4", "-o", "out", "a"}, 4, ""},
        {{"-j8", "-o", "out", "a"}, 8, ""},
        {{"--jobs", "2", "-o", "out", "a"}, 2, ""},
        {{"-o", "out", "--jobs=256", "a"}, 256, ""},
        {{"-j", "0", "-o", "out", "a"}, 0, "-j takes a number of files from 1 to 256, not 0"},
        {{"-j257", "-o", "out", "a"}, 0, "-j takes a number of files from 1 to 256, not 257"},
        {{"--jobs=-3", "-o", "out", "a"}, 0, "-j takes a number of files from 1 to 256, not -3"},
        {{"-j", "two", "-o", "out", "a"}, 0, "-j takes a number of files from 1 to 256, not two"},
        {{"-o", "out", "a", "-j"}, 1, "option -j needs a number"},
        {{"-o", "out", "--", "-j2"}, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const BatchArguments parsed = BatchArguments::Parse(c.args);
        EXPECT_EQ(parsed.error, c.error);
        if (c.error.empty()) {
            EXPECT_EQ(parsed.jobs, c.jobs);
        }
    }
    EXPECT_NE(ConsoleHelpText().find("-j N, --jobs N"), std::string::npos);
}

// Standard output and the log of a batch over the sample map are the same with -j 3 as with -j 1.
TEST(JobsOption, OutputOfSeveralThreadsIsThatOfOne)
{
    CalvornTest::TempDir dir;
    const fs::path samples = CALVORN_BUILT_SAMPLES_DIR;
    ConsoleEnvironment environment;
    environment.locations = AppLocations(dir / "bin", dir / "user");
    std::string expected;
    std::string expectedLog;
    for (const char* jobs : {"1", "3"}) {
        fs::remove_all(dir / "out");
        fs::create_directories(dir / "out");
        fs::remove(dir / "log.txt");
        std::ostringstream output, error;
        const std::vector<std::string> args = {"-j",
                                               jobs,
                                               "--log",
                                               (dir / "log.txt").string(),
                                               "-o",
                                               (dir / "out").string(),
                                               (samples / "map.mpj").string(),
                                               samples.string()};
        EXPECT_EQ(RunConsoleTool(args, output, error, environment), 0) << error.str();
        if (expected.empty()) {
            expected = output.str();
            expectedLog = CalvornTest::ReadFile(dir / "log.txt");
            ASSERT_NE(expected.find("ok\t"), std::string::npos);
        } else {
            EXPECT_EQ(output.str(), expected);
            EXPECT_TRUE(CalvornTest::ReadFile(dir / "log.txt") == expectedLog);
        }
    }
}

}  // namespace
