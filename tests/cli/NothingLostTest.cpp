// Nothing a user has is lost, run as real processes: no file under a Shapefile name is ever
// partial (kills, signals, processes sharing a folder, each source's records in a set of its
// own), the log is never cut or interleaved within a line, and nothing a scan cannot take goes
// unsaid. (Same-named sources on several threads are a batch test, numbered names cases.)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <thread>

#include "tests/cli/ProcessTestSupport.h"
#include "tests/support/TestSupport.h"
#include "tests/support/TorvexFiles.h"
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

// The number of `size` bytes at `at` in the file `path`, little-endian unless `big`.
std::uint64_t Number(const fs::path& path, std::size_t at, int size, bool big = false)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(at));
    unsigned char bytes[4] = {};
    in.read(reinterpret_cast<char*>(bytes), size);
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i) {
        value = value << 8 | bytes[big ? i : size - 1 - i];
    }
    return value;
}

// The records of every output set in `folder` by base name, each set checked whole: its .dbf
// (and for Shapefiles its .shp and .shx) complete by their headers and agreeing on the count.
std::map<std::string, std::uint32_t> WholeSets(const fs::path& folder)
{
    std::map<std::string, std::uint32_t> sets;
    for (const auto& entry : fs::directory_iterator(folder)) {
        fs::path path = entry.path();
        if (path.extension() != ".dbf" || path.filename().string().front() == '.') {
            continue;
        }
        const std::uint64_t records = Number(path, 4, 4);
        const std::uint64_t whole = Number(path, 8, 2) + records * Number(path, 10, 2);
        const std::uint64_t size = fs::file_size(path);
        EXPECT_TRUE(size > 32 && (size == whole || size == whole + 1)) << path << " is partial";
        if (fs::exists(path.replace_extension(".shp"))) {
            EXPECT_EQ(Number(path, 24, 4, true) * 2, fs::file_size(path)) << path;
            path.replace_extension(".shx");
            EXPECT_EQ(Number(path, 24, 4, true) * 2, fs::file_size(path)) << path;
            EXPECT_EQ(fs::file_size(path), 100 + 8 * records) << path;
        }
        sets[path.stem().string()] = static_cast<std::uint32_t>(records);
    }
    return sets;
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
        std::vector<std::string> options;
        std::vector<const char*> sources;
        std::vector<const char*> running;  // stopped in the middle
        int done;                          // files converted before the signal
    };
    const Case cases[] = {
        {SIGINT, {}, {"small.wl", "big.wl", "medium.wl"}, {"big.wl"}, 1},
        {SIGTERM, {}, {"small.wl", "big.wl", "medium.wl"}, {"big.wl"}, 1},
        {SIGHUP, {}, {"big.wl", "small.wl"}, {"big.wl"}, 0},
        {SIGINT, {"-j", "2"}, {"big.wl", "big2.wl", "small.wl"}, {"big.wl", "big2.wl"}, 0},
    };
    for (const Case& c : cases) {
        const std::string name = std::string("SIG") + sigabbrev_np(c.signal);
        SCOPED_TRACE(name + " " + testing::PrintToString(c.options));
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
        EXPECT_EQ(result.status, 128 + c.signal);
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
        EXPECT_EQ(CalvornTest::Count(logText, ">------E__转换中止：收到信号" + name + "\r\n"),
                  c.running.size())
            << logText;
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
    // TempDir cannot remove paths past the limit; rm works through descriptors.
    EXPECT_EQ(
        CalvornTest::RunCommand({"rm", "-rf", (root / std::string(200, 'a')).string()}).status, 0);
}

}  // namespace
