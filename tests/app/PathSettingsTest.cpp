#include "app/PathSettings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

#include "app/CConvertLog.h"
#include "app/IniFile.h"
#include "tests/support/TestSupport.h"

namespace {

using Calvorn::AppLocations;
using Calvorn::IniFile;
using Calvorn::PathSettings;
using CalvornTest::ReadFile;
using CalvornTest::TempDir;
using CalvornTest::WriteFile;

TEST(PathSettingsTest, ReadsKeysOrDefaults)
{
    struct Case {
        const char* what;
        std::optional<std::string> ini;  // no file when empty
        std::string workPath, layerMap;  // expected; "EXE" stands for the executable's folder
    };
    const std::vector<Case> cases = {
        {"no file", std::nullopt, "EXE", "EXE/Calvorn.lyr"},
        {"no section", "[Other]\nWorkPath=/x\n", "EXE", "EXE/Calvorn.lyr"},
        {"no key", "[Options]\nLogPath=/l\n", "EXE", "EXE/Calvorn.lyr"},
        {"keys", "[Options]\nWorkPath=/输出\nLayerMap=/m/a.lyr\n", "/输出", "/m/a.lyr"},
        {"names ignore case, spaces and quotes", "[options]\r\n  workpath = \" /w \" \r\n", " /w ",
         "EXE/Calvorn.lyr"},
        {"BOM and first section wins",
         "\xEF\xBB\xBF[Options]\nWorkPath=/a\n[Options]\nWorkPath=/b\n", "/a", "EXE/Calvorn.lyr"},
        {"GBK file", "[Options]\nWorkPath=/\xca\xfd\xbe\xdd\n", "/数据", "EXE/Calvorn.lyr"},
        {"empty value is kept", "[Options]\nLayerMap=\n", "EXE", ""},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string exe = (dir / "bin").string();
        if (c.ini) {
            std::filesystem::create_directory(dir / "bin");
            WriteFile(dir / "bin" / "calvorn.ini", *c.ini);
        }
        const PathSettings settings = PathSettings::Load(AppLocations(dir / "bin", dir / "user"));
        auto expand = [&](std::string text) {
            return text.starts_with("EXE") ? exe + text.substr(3) : text;
        };
        EXPECT_EQ(settings.WorkPath.string(), expand(c.workPath)) << c.what;
        EXPECT_EQ(settings.LayerMap.string(), expand(c.layerMap)) << c.what;
        EXPECT_EQ(settings.FieldMap.string(), exe + "/Calvorn.fld") << c.what;
    }
}

TEST(PathSettingsTest, WritingKeepsTheRestOfTheFile)
{
    struct Case {
        const char* what;
        std::string before, after;
    };
    const std::string keys = "WorkPath=/w\nLogPath=/l\nLayerMap=/m.lyr\nFieldMap=/m.fld\n";
    const std::vector<Case> cases = {
        {"new file", "", "[Options]\n" + keys},
        {"other sections and comments", "; top comment\n[Window]\nx = 1\n\n[Other]\ny=2\n",
         "; top comment\n[Window]\nx = 1\n\n[Other]\ny=2\n\n[Options]\n" + keys},
        {"CR LF, BOM, keys replaced in place, unknown key kept, new ones after it",
         "\xEF\xBB\xBF[OPTIONS]\r\n; paths\r\nlogpath=old\r\nExtra=1\r\n\r\n[Next]\r\nz=3\r\n",
         "[OPTIONS]\r\n; paths\r\nLogPath=/l\r\nExtra=1\r\nWorkPath=/w\r\nLayerMap=/m.lyr\r\n"
         "FieldMap=/m.fld\r\n\r\n[Next]\r\nz=3\r\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        if (!c.before.empty()) {
            WriteFile(dir / "calvorn.ini", c.before);
        }
        PathSettings settings{"/w", "/l", "/m.lyr", "/m.fld"};
        EXPECT_EQ(settings.Save(AppLocations(dir.Path(), dir / "user")), dir / "calvorn.ini");
        EXPECT_EQ(ReadFile(dir / "calvorn.ini"), c.after) << c.what;
    }
}

// Saves settings with `workPath` and returns where the next start reads it from.
std::filesystem::path RoundTrip(const AppLocations& locations, const std::string& workPath)
{
    PathSettings settings = PathSettings::Load(locations);
    settings.WorkPath = workPath;
    const std::filesystem::path written = settings.Save(locations);
    EXPECT_EQ(PathSettings::Load(locations).WorkPath, workPath);
    return written;
}

TEST(PathSettingsTest, SettingsFileLocation)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "exe");
    WriteFile(dir / "not-a-folder", "");
    // Beside a writable executable.
    EXPECT_EQ(RoundTrip(AppLocations(dir / "exe", dir / "user1"), "/a"), dir / "exe/calvorn.ini");
    EXPECT_FALSE(std::filesystem::exists(dir / "user1"));
    // The executable's folder cannot hold files: the user's folder is created.
    EXPECT_EQ(RoundTrip(AppLocations(dir / "not-a-folder", dir / "user2"), "/b"),
              dir / "user2/calvorn.ini");
    // A user's file, once there, is read first, so it is also the one written.
    std::filesystem::create_directories(dir / "user3");
    WriteFile(dir / "user3/calvorn.ini", "[Options]\nWorkPath=/user\n");
    EXPECT_EQ(RoundTrip(AppLocations(dir / "exe", dir / "user3"), "/c"), dir / "user3/calvorn.ini");
    EXPECT_EQ(PathSettings::Load(AppLocations(dir / "exe", dir / "user1")).WorkPath, "/a");
    // A settings file beside the executable that cannot be written (here a folder of that
    // name): the user's folder.
    std::filesystem::create_directories(dir / "exe2/calvorn.ini");
    EXPECT_EQ(RoundTrip(AppLocations(dir / "exe2", dir / "user4"), "/d"),
              dir / "user4/calvorn.ini");
}

TEST(PathSettingsTest, ReadOnlyExecutableFolder)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "installed");
    WriteFile(dir / "installed/calvorn.ini", "[Options]\nWorkPath=/shipped\n");
    chmod((dir / "installed").c_str(), 0555);
    if (AppLocations::IsFolderWritable(dir / "installed")) {
        GTEST_SKIP() << "running with rights that write into a read-only folder";
    }
    const AppLocations locations(dir / "installed", dir / "user");
    EXPECT_EQ(PathSettings::Load(locations).WorkPath, "/shipped");
    EXPECT_EQ(RoundTrip(locations, "/mine"), dir / "user/calvorn.ini");
    EXPECT_EQ(ReadFile(dir / "installed/calvorn.ini"), "[Options]\nWorkPath=/shipped\n");
}

// An installed program (<prefix>/bin beside <prefix>/share/calvorn) keeps nothing beside its
// executable: settings and mapping files in the user's folder, the log in the state folder,
// the home folder to work in.
TEST(PathSettingsTest, InstalledProgramKeepsNothingBesideItself)
{
    TempDir dir;
    const std::filesystem::path bin = dir / "usr" / "bin";
    std::filesystem::create_directories(bin);
    EXPECT_FALSE(AppLocations::IsInstalledLayout(bin));
    std::filesystem::create_directories(dir / "usr" / "share" / "calvorn");
    EXPECT_TRUE(AppLocations::IsInstalledLayout(bin));
    EXPECT_FALSE(AppLocations::IsInstalledLayout(dir / "usr"));

    WriteFile(bin / "calvorn.ini", "[Options]\nWorkPath=/shipped\n");
    const AppLocations locations =
        AppLocations::Installed(bin, dir / "config", dir / "state", dir / "home");
    EXPECT_EQ(locations.DataFolder(), dir / "usr" / "share" / "calvorn");
    const PathSettings defaults = PathSettings::Load(locations);
    EXPECT_EQ(defaults.WorkPath, dir / "home");
    EXPECT_EQ(defaults.LogPath, dir / "state");
    EXPECT_EQ(defaults.LayerMap, dir / "config" / "Calvorn.lyr");
    EXPECT_EQ(defaults.FieldMap, dir / "config" / "Calvorn.fld");
    EXPECT_EQ(RoundTrip(locations, "/mine"), dir / "config" / "calvorn.ini");

    Calvorn::CConvertLog::Get().Configure(locations);
    Calvorn::CConvertLog::Get().Write(2, "x", __FILE__, __LINE__, __func__);
    EXPECT_EQ(ReadFile(dir / "state" / "CalvornExp.log"), ">x\r\n");
    EXPECT_EQ(ReadFile(bin / "calvorn.ini"), "[Options]\nWorkPath=/shipped\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(bin), {}), 1);
}

}  // namespace
