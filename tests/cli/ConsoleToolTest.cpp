#include "cli/ConsoleTool.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "cli/BatchArguments.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace Calvorn;
namespace fs = std::filesystem;

const fs::path kSamples = CALVORN_BUILT_SAMPLES_DIR;

// Options are read from left to right. (What the console tool refuses is a case in
// tests/cases/console.)
TEST(BatchArgumentsTest, OptionsFromLeftToRight)
{
    const struct {
        std::vector<std::string> args;
        ConversionOptions options;
        bool quiet;
        int jobs;
        std::vector<std::string> sources;
    } cases[] = {
        {{"-o", "out", "a.wl"}, {0, 1, 0, 1}, false, 1, {"a.wl"}},
        {{"--split-annotations", "--no-projection", "--style-as-attributes", "--keep-empty", "-o",
          "out", "-j8", "a", "b"},
         {1, 0, 1, 0},
         false,
         8,
         {"a", "b"}},
        {{"--no-projection", "/p", "-n", "--split-annotations", "-e", "--keep-empty", "/s", "-c",
          "-j", "4", "-o", "out", "a"},
         {1, 1, 1, 0},
         true,
         4,
         {"a"}},
        {{"--layer-map", "L", "--jobs", "3", "-o", "out", "--", "-x.wl", "/s", "-j2"},
         {},
         false,
         3,
         {"-x.wl", "/s", "-j2"}},
        {{"-o", "out", "--jobs=256", "a"}, {}, false, 256, {"a"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const BatchArguments parsed = BatchArguments::Parse(c.args);
        const ConversionOptions& o = parsed.options;
        EXPECT_EQ(std::tuple(parsed.error, parsed.outputFolder, parsed.sources, parsed.quiet,
                             parsed.jobs),
                  std::tuple("", "out", c.sources, c.quiet, c.jobs));
        EXPECT_EQ(std::tuple(o.SplitAnnotations, o.OutputProjection, o.StyleAsAttributes,
                             o.DeleteEmptyResults),
                  std::tuple(c.options.SplitAnnotations, c.options.OutputProjection,
                             c.options.StyleAsAttributes, c.options.DeleteEmptyResults));
    }
    const BatchArguments files =
        BatchArguments::Parse({"--field-map=F", "--log", "G", "-o", "o", "a"});
    EXPECT_EQ(std::tuple(files.fieldMap, files.logFile), std::tuple("F", "G"));
    EXPECT_TRUE(BatchArguments::IsBatchMode({"a", "-o", "b"}));
    EXPECT_FALSE(BatchArguments::IsBatchMode({"a", "--", "-o"}));

    std::ostringstream output, error;
    EXPECT_EQ(RunConsoleTool({"--help"}, output, error), 0);
    EXPECT_EQ(output.str(), ConsoleHelpText());
    for (const char* option : {"-o OUTDIR", "-j N, --jobs N", "--keep-tree", "--summarize"}) {
        EXPECT_NE(output.str().find(option), std::string::npos) << option;
    }
}

// The mapping files come from the settings file beside the executable, which is only read;
// --layer-map replaces it for the run. The log goes beside the executable by default.
TEST(ConsoleToolTest, SettingsFileNamesTheMappingFiles)
{
    CalvornTest::TempDir dir;
    const fs::path exe = dir / "bin";
    fs::create_directories(exe);
    const std::string ini = "[Options]\nLayerMap=" + (exe / "names.lyr").string() + "\n";
    CalvornTest::WriteFile(exe / "calvorn.ini", ini);
    CalvornTest::WriteFile(exe / "names.lyr", "roads,FromIni\n");
    CalvornTest::WriteFile(dir / "option.lyr", "roads,FromOption\n");
    ConsoleEnvironment environment;
    environment.locations = AppLocations(exe, dir / "user");

    const std::string roads = (kSamples / "roads.wl").string();
    std::ostringstream output, error;
    EXPECT_EQ(RunConsoleTool({"-o", dir.Path().string(), roads}, output, error, environment), 0);
    EXPECT_EQ(output.str().rfind("ok\t" + roads + "\n  转换完成。", 0), 0u);  // no progress line
    EXPECT_TRUE(fs::exists(dir / "FromIni.shp"));
    EXPECT_TRUE(fs::exists(exe / "CalvornExp.log"));
    EXPECT_EQ(CalvornTest::ReadFile(exe / "calvorn.ini"), ini);

    const std::vector<std::string> args = {"--layer-map", (dir / "option.lyr").string(), "-o",
                                           dir.Path().string(), roads};
    EXPECT_EQ(RunConsoleTool(args, output, error, environment), 0);
    EXPECT_TRUE(fs::exists(dir / "FromOption.shp"));
}

}  // namespace
