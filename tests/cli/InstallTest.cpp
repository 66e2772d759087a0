// `cmake --install` into a temporary prefix, and the installed calvorn-cli run there: it finds
// itself installed and keeps its log in the user's state folder, nothing beside itself.
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

TEST(InstallTest, InstalledToolConvertsASample)
{
    CalvornTest::TempDir dir;
    const fs::path prefix = dir / "usr";
    const CalvornTest::CommandResult install = CalvornTest::RunCommand(
        {CALVORN_CMAKE, "--install", CALVORN_BINARY_DIR, "--prefix", prefix.string()});
    ASSERT_EQ(install.status, 0) << install.output << install.error;
    for (const char* file :
         {"bin/calvorn-cli", "bin/torvex-make", "share/calvorn/calvorn.html",
          "share/man/man1/calvorn-cli.1.gz", "share/doc/calvorn/copyright",
          "share/doc/calvorn/changelog.gz", "share/bash-completion/completions/calvorn-cli",
          "share/calvorn/samples/roads.wl"}) {
        EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;
    }

    fs::create_directories(dir / "out");
    const std::string sample = std::string(CALVORN_BUILT_SAMPLES_DIR) + "/roads.wl";
    const auto run = [&](const std::vector<std::string>& args) {
        std::vector<std::string> argv = {"env",
                                         "-u",
                                         "XDG_CONFIG_HOME",
                                         "HOME=" + (dir / "home").string(),
                                         "XDG_STATE_HOME=" + (dir / "state").string(),
                                         (prefix / "bin" / "calvorn-cli").string()};
        argv.insert(argv.end(), args.begin(), args.end());
        return CalvornTest::RunCommand(argv);
    };
    EXPECT_EQ(run({"--version"}).output, "Calvorn Desktop " CALVORN_VERSION "\n");
    const CalvornTest::CommandResult converted = run({"-o", (dir / "out").string(), sample});
    EXPECT_EQ(converted.status, 0) << converted.error;
    EXPECT_EQ(converted.output, "ok\t" + sample +
                                    "\n  转换完成。\n  共有1个文件被正确转换!\nlog\t" +
                                    (dir / "state" / "calvorn" / "CalvornExp.log").string() + "\n");
    EXPECT_TRUE(fs::exists(dir / "out" / "roads.shp"));
    EXPECT_FALSE(fs::exists(prefix / "bin" / "CalvornExp.log"));
}

}  // namespace
