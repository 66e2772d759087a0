// Nothing a user has is lost, run as real processes: every source's records end in an output
// set of their own, no file under a Shapefile name is ever partial (kills, signals, processes
// sharing a folder), the log is never cut or interleaved within a line, and nothing a scan
// cannot take goes unsaid.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <thread>

#include "tests/batch/BatchTestFiles.h"
#include "tests/cli/ProcessTestSupport.h"
#include "tests/support/TestSupport.h"
#include "torvex/Gbk.h"

namespace {

namespace fs = std::filesystem;
using CalvornTest::ChildProcess;
using CalvornTest::Cli;
using CalvornTest::CommandResult;
using CalvornTest::MakeLineFile;
using CalvornTest::ReadFile;
using CalvornTest::TempDir;
using CalvornTest::TemporaryFiles;
using CalvornTest::WaitForTemporaryFile;

// Under the sanitizers everything runs several times slower: fewer and smaller runs suffice.
#ifdef CALVORN_SANITIZED
constexpr int kKills = 1;
constexpr int kBigRecords = 100000;
#else
constexpr int kKills = 8;
// Large enough that a signal sent once its output appears finds it still converting, on two
// threads on a loaded machine too.
constexpr int kBigRecords = 1000000;
#endif

std::string Head(const fs::path& path, std::size_t bytes)
{
    std::ifstream in(path, std::ios::binary);
    std::string head(bytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(bytes));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head;
}

std::uint32_t Little(const std::string& bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

std::uint32_t Big(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

// The records of every output set in `folder` by base name, each set checked whole: its .dbf
// (and for Shapefiles its .shp and .shx) complete by their headers and agreeing on the count.
std::map<std::string, std::uint32_t> WholeSets(const fs::path& folder)
{
    std::map<std::string, std::uint32_t> sets;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const fs::path path = entry.path();
        if (path.extension() != ".dbf" || path.filename().string().front() == '.') {
            continue;
        }
        const std::string dbf = Head(path, 12);
        EXPECT_EQ(dbf.size(), 12u) << path;
        if (dbf.size() < 12) {
            continue;
        }
        const std::uint32_t records = Little(dbf, 4, 4);
        const std::uint64_t whole = Little(dbf, 8, 2) + std::uint64_t{records} * Little(dbf, 10, 2);
        const std::uint64_t size = fs::file_size(path);
        EXPECT_TRUE(size == whole || size == whole + 1) << path << " is partial";
        fs::path shp = path;
        shp.replace_extension(".shp");
        if (fs::exists(shp)) {
            fs::path shx = path;
            shx.replace_extension(".shx");
            const std::string shpHead = Head(shp, 100);
            const std::string shxHead = Head(shx, 100);
            EXPECT_EQ(std::uint64_t{Big(shpHead, 24)} * 2, fs::file_size(shp)) << shp;
            EXPECT_EQ(std::uint64_t{Big(shxHead, 24)} * 2, fs::file_size(shx)) << shx;
            EXPECT_EQ(fs::file_size(shx), 100 + 8 * std::uint64_t{records}) << shx;
        }
        sets[path.stem().string()] = records;
    }
    return sets;
}

// Removes the folder `name` in the folder open as `parent`, with everything in it, through
// descriptors: paths past the system's limit cannot be removed by name.
void RemoveTreeAt(int parent, const char* name)
{
    const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (DIR* listing = fd >= 0 ? fdopendir(fd) : nullptr) {
        std::vector<std::string> children;
        while (const dirent* entry = readdir(listing)) {
            if (std::string_view(entry->d_name) != "." && std::string_view(entry->d_name) != "..") {
                children.emplace_back(entry->d_name);
            }
        }
        for (const std::string& child : children) {
            if (unlinkat(fd, child.c_str(), 0) != 0) {
                RemoveTreeAt(fd, child.c_str());
            }
        }
        closedir(listing);
    }
    unlinkat(parent, name, AT_REMOVEDIR);
}

// Source files made once for the whole suite, the large ones when first asked for: converting
// them takes long enough to be interrupted.
class NothingLost : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_files = std::make_unique<TempDir>();
        MakeLineFile(*s_files / "small.wl", 10);
        MakeLineFile(*s_files / "medium.wl", 20000);
    }
    static void TearDownTestSuite() { s_files.reset(); }
    static fs::path File(const std::string& name)
    {
        const fs::path path = *s_files / name;
        if (name.starts_with("big") && !fs::exists(path)) {
            const fs::path big = *s_files / "big.wl";
            if (!fs::exists(big)) {
                MakeLineFile(big, kBigRecords);
            }
            if (path != big) {
                fs::copy_file(big, path);
            }
        }
        return path;
    }

    NothingLost() { fs::create_directory(out); }

    static std::unique_ptr<TempDir> s_files;
    TempDir dir;
    fs::path out = dir / "out";
    std::string log = (dir / "log.txt").string();
};

std::unique_ptr<TempDir> NothingLost::s_files;

TEST_F(NothingLost, SameNamedSourcesEachGetASetOfTheirOwn)
{
    for (const char* sheet : {"a", "b", "c"}) {
        fs::create_directory(dir / sheet);
    }
    MakeLineFile(dir / "a" / "roads.wl", 1);
    MakeLineFile(dir / "b" / "roads.wl", 2);
    MakeLineFile(dir / "c" / "roads.wl", 3);
    const std::string a = (dir / "a").string(), b = (dir / "b").string(), c = (dir / "c").string(),
                      roads = (dir / "a" / "roads.wl").string();
    using Sets = std::map<std::string, std::uint32_t>;
    struct Case {
        std::vector<std::string> args;
        Sets first, second;  // after one run, after the same run again
    };
    const Sets sheets = {{"roads", 1}, {"roads_WL", 2}, {"roads_WL_2", 3}};
    const Sets again = {{"roads", 1},      {"roads_WL", 2},   {"roads_WL_2", 3},
                        {"roads_WL_3", 1}, {"roads_WL_4", 2}, {"roads_WL_5", 3}};
    const Case cases[] = {
        {{a, b, c}, sheets, again},
        {{"-j", "4", a, b, c}, sheets, again},
        {{"-j", "3", roads, roads, roads},
         {{"roads", 1}, {"roads_WL", 1}, {"roads_WL_2", 1}},
         {{"roads", 1},
          {"roads_WL", 1},
          {"roads_WL_2", 1},
          {"roads_WL_3", 1},
          {"roads_WL_4", 1},
          {"roads_WL_5", 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        fs::remove_all(out);
        fs::create_directory(out);
        std::vector<std::string> args = {"--log", log, "-o", out.string()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(CalvornTest::RunCommand(Cli(args)).status, 0);
        EXPECT_EQ(WholeSets(out), c.first);
        EXPECT_EQ(CalvornTest::RunCommand(Cli(args)).status, 0);
        EXPECT_EQ(WholeSets(out), c.second);
    }
}

TEST_F(NothingLost, KillAtRandomMomentsLeavesNoPartialFile)
{
    std::mt19937 random(20261206);
    for (int i = 0; i < kKills; ++i) {
        ChildProcess child(Cli({"--log", log, "-o", out.string(), File("big.wl").string()}));
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 300));
        child.Signal(SIGKILL);
        child.Wait();
        for (const auto& [base, records] : WholeSets(out)) {
            EXPECT_EQ(records, static_cast<std::uint32_t>(kBigRecords)) << base;
        }
    }
    // The next run clears what the killed ones left and converts the file whole.
    const CommandResult rerun =
        CalvornTest::RunCommand(Cli({"--log", log, "-o", out.string(), File("small.wl").string()}));
    EXPECT_EQ(rerun.status, 0) << rerun.error;
    EXPECT_TRUE(TemporaryFiles(out).empty()) << testing::PrintToString(TemporaryFiles(out));
    EXPECT_EQ(WholeSets(out).at("small"), 10u);
}

TEST_F(NothingLost, SignalStopsTheBatchAtOnce)
{
    struct Case {
        int signal;
        const char* name;
        int status;
        std::vector<std::string> options;
        std::vector<const char*> sources;
        std::vector<const char*> running;  // stopped in the middle
        int done;                          // files converted before the signal
    };
    const Case cases[] = {
        {SIGINT, "SIGINT", 130, {}, {"small.wl", "big.wl", "medium.wl"}, {"big.wl"}, 1},
        {SIGTERM, "SIGTERM", 143, {}, {"small.wl", "big.wl", "medium.wl"}, {"big.wl"}, 1},
        {SIGHUP, "SIGHUP", 129, {}, {"big.wl", "small.wl"}, {"big.wl"}, 0},
        {SIGINT,
         "SIGINT",
         130,
         {"-j", "2"},
         {"big.wl", "big2.wl", "small.wl"},
         {"big.wl", "big2.wl"},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + testing::PrintToString(c.options));
        fs::remove_all(out);
        fs::create_directory(out);
        fs::remove(log);
        std::vector<std::string> args = {"--log", log, "-o", out.string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        for (const char* source : c.sources) {
            args.push_back(File(source).string());
        }
        ChildProcess child(Cli(args));
        for (const char* running : c.running) {
            ASSERT_TRUE(WaitForTemporaryFile(out, fs::path(running).stem().string() + ".shp"));
        }
        child.Signal(c.signal);
        const CommandResult result = child.Wait();
        EXPECT_EQ(result.status, c.status);
        std::string expected;
        for (int i = 0; i < c.done; ++i) {
            expected += "ok\t" + File(c.sources[static_cast<std::size_t>(i)]).string() + "\n";
        }
        expected += "  转换完成。\n";
        if (c.done > 0) {
            expected += "  共有" + std::to_string(c.done) + "个文件被正确转换!\n";
        }
        expected +=
            "  已停止，共有" + std::to_string(c.sources.size() - c.done) + "个文件未转换!\n";
        expected += "log\t" + log + "\n";
        EXPECT_EQ(result.output, expected);
        EXPECT_TRUE(TemporaryFiles(out).empty());
        EXPECT_EQ(WholeSets(out).size(), static_cast<std::size_t>(c.done));
        // Each stopped file's block ends with the abort line; files not started have none.
        const std::string logText = Torvex::GbkToUtf8(ReadFile(log));
        const std::string abort = ">------E__转换中止：收到信号" + std::string(c.name) + "\r\n";
        std::size_t aborts = 0;
        for (std::size_t at = logText.find(abort); at != std::string::npos;
             at = logText.find(abort, at + 1)) {
            ++aborts;
        }
        EXPECT_EQ(aborts, c.running.size()) << logText;
        EXPECT_EQ(logText.find(File(c.sources.back()).string()) == std::string::npos,
                  c.done + c.running.size() < c.sources.size());
    }
}

TEST_F(NothingLost, ProcessesSharingAFolderAndALog)
{
    const fs::path samples = CALVORN_BUILT_SAMPLES_DIR;
    const std::vector<std::string> sources = {
        (samples / "roads.wl").string(), (samples / "towns.wt").string(),
        (samples / "lakes.wp").string(), (samples / "parcels.wb").string(),
        File("medium.wl").string()};
    std::vector<std::string> args = {"--log", log, "-o", out.string()};
    args.insert(args.end(), sources.begin(), sources.end());
    ASSERT_EQ(CalvornTest::RunCommand(Cli(args)).status, 0);
    const auto single = WholeSets(out);  // each source's records, from one process alone
    ASSERT_EQ(single.size(), sources.size());
    for (const std::size_t processes : {2u, 4u}) {
        SCOPED_TRACE(processes);
        fs::remove_all(out);
        fs::create_directory(out);
        fs::remove(log);
        std::vector<std::unique_ptr<ChildProcess>> children;
        for (std::size_t i = 0; i < processes; ++i) {
            children.push_back(std::make_unique<ChildProcess>(Cli(args)));
        }
        for (const auto& child : children) {
            EXPECT_EQ(child->Wait().status, 0);
        }
        // Every process's every file in a set of its own (roads, roads_WL, roads_WL_2...),
        // each holding exactly its source's records.
        const auto sets = WholeSets(out);
        EXPECT_EQ(sets.size(), processes * sources.size());
        std::map<std::string, std::size_t> setsOf;
        for (const auto& [base, records] : sets) {
            const std::string name = base.substr(0, base.find('_'));
            EXPECT_EQ(records, single.at(name)) << base;
            ++setsOf[name];
        }
        for (const auto& [name, count] : setsOf) {
            EXPECT_EQ(count, processes) << name;
        }
        // Whole lines only: each starts with ">" and ends with CR LF, none holds a NUL byte.
        const std::string text = ReadFile(log);
        EXPECT_EQ(text.find('\0'), std::string::npos);
        std::size_t starts = 0;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = text.find("\r\n", at);
            ASSERT_NE(end, std::string::npos);
            EXPECT_EQ(text[at], '>');
            starts += Torvex::GbkToUtf8(text.substr(at, end - at)).rfind(">开始转换【", 0) == 0;
            at = end + 2;
        }
        EXPECT_EQ(starts, processes * sources.size());
    }
}

// A folder below the system's path limit holds a deeper one past it: the scan says so.
TEST_F(NothingLost, ScanReportsWhatItCannotTake)
{
    const fs::path root = dir / "archive";
    fs::create_directory(root);
    MakeLineFile(root / "roads.wl", 2);
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    std::string path = root.string();
    fs::path tooLong;
    for (int depth = 0; path.size() < 4200; ++depth) {
        const std::string name(200, static_cast<char>('a' + depth % 26));
        ASSERT_EQ(mkdirat(fd, name.c_str(), 0755), 0);
        const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
        path += "/" + name;
        if (tooLong.empty() && path.size() >= 4096) {
            tooLong = path;
        }
    }
    close(fd);
    const CommandResult result =
        CalvornTest::RunCommand(Cli({"--log", log, "-o", out.string(), root.string()}));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.error, "calvorn-cli: " + tooLong.string() + ": 文件名过长\n");
    EXPECT_EQ(result.output.substr(0, result.output.find("  转换完成")),
              "failed 1\t" + tooLong.string() + "\nok\t" + (root / "roads.wl").string() + "\n");
    EXPECT_NE(result.output.find("共有1个文件转换失败!"), std::string::npos);
    // TempDir cannot remove paths past the limit.
    const int rootFd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    RemoveTreeAt(rootFd, std::string(200, 'a').c_str());
    close(rootFd);
}

}  // namespace
