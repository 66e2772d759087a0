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

struct ArgumentsCase {
    std::vector<std::string> args;
    std::string error;
    ConversionOptions options;
    bool quiet;
    std::vector<std::string> sources;
};

TEST(BatchArgumentsTest, OptionsFromLeftToRight)
{
    const ArgumentsCase cases[] = {
        {{"-o", "out", "a.wl"}, "", {0, 1, 0, 1}, false, {"a.wl"}},
        {{"--split-annotations", "--no-projection", "--style-as-attributes", "--keep-empty", "-o",
          "out", "a", "b"},
         "",
         {1, 0, 1, 0},
         false,
         {"a", "b"}},
        {{"--no-projection", "/p", "-n", "--split-annotations", "-e", "--keep-empty", "/s", "-c",
          "-o", "out", "a"},
         "",
         {1, 1, 1, 0},
         true,
         {"a"}},
        {{"--layer-map", "L", "-o", "out", "--", "-x.wl", "/s"}, "", {}, false, {"-x.wl", "/s"}},
        {{"-o"}, "option -o needs a folder", {}, false, {}},
        {{"-o", "out"}, "no SOURCE given", {}, false, {}},
        {{"a.wl", "--layer-map"}, "option --layer-map needs a file", {}, false, {}},
        {{"-P", "-o", "out", "a"}, "unknown option: -P", {}, false, {}},
        {{"--projection=1", "-o", "out", "a"}, "unknown option: --projection=1", {}, false, {}},
    };
    for (const ArgumentsCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const BatchArguments parsed = BatchArguments::Parse(c.args);
        EXPECT_EQ(parsed.error, c.error);
        if (c.error.empty()) {
            const ConversionOptions& o = parsed.options;
            EXPECT_EQ(std::tuple(parsed.outputFolder, parsed.sources, parsed.quiet),
                      std::tuple("out", c.sources, c.quiet));
            EXPECT_EQ(std::tuple(o.SplitAnnotations, o.OutputProjection, o.StyleAsAttributes,
                                 o.DeleteEmptyResults),
                      std::tuple(c.options.SplitAnnotations, c.options.OutputProjection,
                                 c.options.StyleAsAttributes, c.options.DeleteEmptyResults));
        }
    }
    const BatchArguments files =
        BatchArguments::Parse({"--field-map=F", "--log", "G", "-o", "o", "a"});
    EXPECT_EQ(files.fieldMap, "F");
    EXPECT_EQ(files.logFile, "G");
    EXPECT_TRUE(BatchArguments::IsBatchMode({"a", "-o", "b"}));
    EXPECT_FALSE(BatchArguments::IsBatchMode({"a", "--", "-o"}));
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

    const std::vector<std::string> args = {
        "--layer-map", (dir / "option.lyr").string(), "--field-map", (dir / "none.fld").string(),
        "-o",          dir.Path().string(),           roads};
    EXPECT_EQ(RunConsoleTool(args, output, error, environment), 0);
    EXPECT_TRUE(fs::exists(dir / "FromOption.shp"));
    EXPECT_EQ(error.str(),
              "calvorn-cli: field map not found, not used: " + (dir / "none.fld").string() + "\n");
}

}  // namespace
