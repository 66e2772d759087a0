// Runs the cases in tests/cases: each JSON file describes the files a run starts from, the
// console tool's arguments and everything the run must end with (exit status, standard output
// and error, the log's lines, the files in the output folder down to fields and records). Each
// case is one test; a failure names the file, the field, the record. The format is in
// tests/cases/README.md.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "fuzz/ReaderWalk.h"
#include "tests/convert/ConvertTestSupport.h"

namespace CalvornTest {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const fs::path kCases = CALVORN_CASES_DIR;

// The cases by name: their paths below this folder without ".json".
std::vector<std::string> AllCases()
{
    std::vector<std::string> cases;
    for (const auto& entry : fs::recursive_directory_iterator(kCases)) {
        if (entry.path().extension() == ".json") {
            cases.push_back(entry.path().lexically_relative(kCases).replace_extension().string());
        }
    }
    std::sort(cases.begin(), cases.end());
    return cases;
}

// "{dir}" (the case's folder) and "{samples}" (the built sample files) in `text`.
std::string Expand(std::string text, const fs::path& dir)
{
    const std::pair<std::string, std::string> names[] = {{"{dir}", dir.string()},
                                                         {"{samples}", CALVORN_BUILT_SAMPLES_DIR}};
    for (const auto& [name, value] : names) {
        for (std::size_t at = text.find(name); at != std::string::npos;
             at = text.find(name, at + value.size())) {
            text.replace(at, name.size(), value);
        }
    }
    return text;
}

// The bytes a text of hexadecimal digits stands for ("ff00" → two bytes).
std::string HexBytes(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

// Damages a file made for a case: bytes written over ("patch"), the file cut ("size"), the
// slots' check values made right again ("fix_checks").
void Damage(const fs::path& path, const json& entry)
{
    if (entry.contains("patch")) {
        std::string content = ReadFile(path);
        for (const json& patch : entry["patch"]) {
            const std::string bytes = HexBytes(patch.at("hex").get<std::string>());
            content.replace(patch.at("at").get<std::size_t>(), bytes.size(), bytes);
        }
        WriteFile(path, content);
    }
    if (entry.contains("size")) {
        fs::resize_file(path, entry["size"].get<std::uintmax_t>());
    }
    if (entry.value("fix_checks", false)) {
        std::string content = ReadFile(path);
        CalvornFuzz::FixCheckValues(content);
        WriteFile(path, content);
    }
}

// Makes the file, folder, link or FIFO `entry` describes at `path`.
void MakeEntry(const fs::path& path, const json& entry)
{
    fs::create_directories(path.parent_path());
    if (entry.contains("torvex")) {
        WriteTorvex(path, entry["torvex"].dump());
    } else if (entry.contains("text")) {
        WriteFile(path, entry["text"].get<std::string>());
    } else if (entry.contains("copy")) {
        fs::copy_file(Expand(entry["copy"].get<std::string>(), {}), path);
    } else if (entry.value("folder", false)) {
        fs::create_directories(path);
    } else if (entry.contains("link")) {
        fs::create_symlink(entry["link"].get<std::string>(), path);
    } else if (entry.value("fifo", false)) {
        ASSERT_EQ(mkfifo(path.c_str(), 0644), 0) << path;
    } else {
        FAIL() << path << ": no kind of entry in " << entry.dump();
    }
    Damage(path, entry);
}

// Compares one .dbf against {"fields": [[name, type, width, decimals]...], "rows": [[...]...]}.
void CompareDbf(const std::string& name, const fs::path& path, const json& expected)
{
    const DbfContent dbf = ReadDbf(path);
    if (expected.contains("fields")) {
        json fields = json::array();
        for (const DbfField& field : dbf.fields) {
            fields.push_back({field.name, std::string(1, field.type), field.width, field.decimals});
        }
        EXPECT_EQ(fields, expected["fields"]) << name << ": fields";
    }
    if (expected.contains("rows")) {
        const json& rows = expected["rows"];
        EXPECT_EQ(dbf.rows.size(), rows.size()) << name << ": rows";
        for (std::size_t r = 0; r < std::min(rows.size(), dbf.rows.size()); ++r) {
            for (std::size_t f = 0; f < rows[r].size() && f < dbf.rows[r].size(); ++f) {
                const json actual = dbf.rows[r][f] ? json(*dbf.rows[r][f]) : json();
                EXPECT_EQ(actual, rows[r][f])
                    << name << ": row " << r << " field "
                    << (f < dbf.fields.size() ? dbf.fields[f].name : std::to_string(f));
            }
            EXPECT_EQ(dbf.rows[r].size(), rows[r].size()) << name << ": fields of row " << r;
        }
    }
}

// Compares one .shp against {"type": N, "shapes": [[[[x, y]...] part...] shape...]}.
void CompareShp(const std::string& name, const fs::path& path, const json& expected)
{
    const ShpContent shp = ReadShp(path);
    if (expected.contains("type")) {
        EXPECT_EQ(shp.shapeType, expected["type"].get<int>()) << name << ": shape type";
    }
    EXPECT_EQ(shp.indexCount, static_cast<int>(shp.shapes.size())) << name << ": .shx entries";
    // Each shape's stored bounds are those of its vertices.
    for (std::size_t s = 0; s < shp.shapes.size() && s < shp.bounds.size(); ++s) {
        Part bounds = {{INFINITY, INFINITY}, {-INFINITY, -INFINITY}};
        for (const Part& part : shp.shapes[s]) {
            for (const auto& [x, y] : part) {
                bounds = {{std::min(bounds[0].first, x), std::min(bounds[0].second, y)},
                          {std::max(bounds[1].first, x), std::max(bounds[1].second, y)}};
            }
        }
        EXPECT_TRUE(shp.shapes[s].empty() || shp.bounds[s] == bounds)
            << name << ": shape " << s << "'s bounds";
    }
    if (!expected.contains("shapes")) {
        return;
    }
    const json& shapes = expected["shapes"];
    EXPECT_EQ(shp.shapes.size(), shapes.size()) << name << ": shapes";
    for (std::size_t s = 0; s < std::min(shapes.size(), shp.shapes.size()); ++s) {
        json actual = json::array();
        for (const Part& part : shp.shapes[s]) {
            json points = json::array();
            for (const auto& [x, y] : part) {
                points.push_back({x, y});
            }
            actual.push_back(points);
        }
        bool same = actual.size() == shapes[s].size();
        for (std::size_t p = 0; same && p < actual.size(); ++p) {
            same = actual[p].size() == shapes[s][p].size();
            for (std::size_t v = 0; same && v < actual[p].size(); ++v) {
                for (int c = 0; c < 2; ++c) {
                    const double want = shapes[s][p][v][c].get<double>();
                    same = same && std::abs(actual[p][v][c].get<double>() - want) <=
                                       1e-9 * std::max(1.0, std::abs(want));
                }
            }
        }
        EXPECT_TRUE(same) << name << ": shape " << s << "\n  expected " << shapes[s].dump()
                          << "\n  actual   " << actual.dump();
    }
}

// Compares what GDAL reads of `path` against {"properties": [{...} feature...], "valid": [...]}.
void CompareGdal(const std::string& name, const fs::path& path, const json& expected)
{
    if (expected.contains("properties")) {
        const json read = ReadWithGdal(path);
        const json none = json::array();
        const json& features = read.contains("features") ? read["features"] : none;
        const json& properties = expected["properties"];
        EXPECT_EQ(features.size(), properties.size()) << name << ": features GDAL reads";
        for (std::size_t i = 0; i < std::min(features.size(), properties.size()); ++i) {
            EXPECT_EQ(features[i]["properties"], properties[i]) << name << ": GDAL's feature " << i;
        }
    }
    if (expected.contains("valid")) {
        EXPECT_EQ(ValidityWithGdal(path), expected["valid"]) << name << ": validity GDAL sees";
    }
}

void CompareEntry(const std::string& name, const fs::path& path, const json& expected)
{
    const auto status = fs::symlink_status(path);
    if (expected.value("folder", false)) {
        EXPECT_TRUE(fs::is_directory(status)) << name << ": not a folder";
    } else if (expected.contains("link")) {
        EXPECT_TRUE(fs::is_symlink(status)) << name << ": not a link";
        EXPECT_EQ(fs::read_symlink(path).string(), expected["link"].get<std::string>()) << name;
    } else if (expected.value("fifo", false)) {
        EXPECT_EQ(status.type(), fs::file_type::fifo) << name << ": not a FIFO";
    } else if (expected.contains("text")) {
        EXPECT_EQ(ReadFile(path), expected["text"].get<std::string>()) << name;
    } else if (path.extension() == ".dbf") {
        CompareDbf(name, path, expected);
    } else if (path.extension() == ".shp") {
        CompareShp(name, path, expected);
    }
    if (expected.contains("gdal")) {
        CompareGdal(name, path, expected["gdal"]);
    }
}

// Every entry below `folder`, by relative path with "/".
std::set<std::string> EntriesUnder(const fs::path& folder)
{
    std::set<std::string> names;
    if (!fs::exists(folder)) {
        return names;
    }
    for (auto it = fs::recursive_directory_iterator(folder);
         it != fs::recursive_directory_iterator(); ++it) {
        if (!it->is_directory() || it->is_symlink() || fs::is_empty(it->path())) {
            names.insert(it->path().lexically_relative(folder).generic_string());
        }
    }
    return names;
}

void CompareText(const char* what, const json& expected, const std::string& actual,
                 const fs::path& dir)
{
    if (expected.is_string()) {
        EXPECT_EQ(actual, Expand(expected.get<std::string>(), dir)) << what;
        return;
    }
    // An array: the lines, each exactly.
    std::string lines;
    for (const json& line : expected) {
        lines += Expand(line.get<std::string>(), dir) + "\n";
    }
    EXPECT_EQ(actual, lines) << what;
}

// The log's lines against "log" (all of them) and "log_has" (some of them).
void CompareLog(const json& expect, const fs::path& dir)
{
    const auto lines = ReadLogLines(dir / "log.txt");
    if (expect.contains("log")) {
        std::vector<std::string> expected;
        for (const json& line : expect["log"]) {
            expected.push_back(Expand(line.get<std::string>(), dir));
        }
        EXPECT_EQ(lines, expected) << "log";
    }
    if (expect.contains("log_has")) {
        for (const json& line : expect["log_has"]) {
            const std::string wanted = Expand(line.get<std::string>(), dir);
            EXPECT_NE(std::find(lines.begin(), lines.end(), wanted), lines.end())
                << "no log line " << wanted;
        }
    }
}

// The entries of the output folder against "outputs".
void CompareOutputs(const json& expect, const fs::path& dir)
{
    if (!expect.contains("outputs")) {
        return;
    }
    const fs::path out = dir / expect.value("folder", "out");
    std::set<std::string> expected;
    for (const auto& [name, entry] : expect["outputs"].items()) {
        expected.insert(name);
        if (fs::exists(fs::symlink_status(out / name))) {
            CompareEntry(name, out / name, entry);
        }
    }
    const std::set<std::string> actual = EntriesUnder(out);
    if (expect.value("only", true)) {
        EXPECT_EQ(actual, expected) << "entries of the output folder";
    } else {
        for (const std::string& name : expected) {
            EXPECT_TRUE(actual.count(name) > 0) << "no " << name;
        }
    }
}

class CaseTest : public testing::TestWithParam<std::string> {};

TEST_P(CaseTest, Runs)
{
    const fs::path file = kCases / (GetParam() + ".json");
    const json description = json::parse(std::ifstream(file), nullptr, false);
    ASSERT_FALSE(description.is_discarded()) << file << " is not JSON";
    TempDir dir;
    fs::create_directory(dir / "out");
    if (description.contains("files")) {
        for (const auto& [path, entry] : description["files"].items()) {
            MakeEntry(dir / path, entry);
        }
    }
    std::vector<std::string> argv = {CALVORN_CLI};
    const json run = description.at("run");
    if (!description.value("bare", false) &&
        std::find(run.begin(), run.end(), "--log") == run.end()) {
        argv.insert(argv.end(), {"--log", "log.txt"});
    }
    for (const json& arg : run) {
        argv.push_back(Expand(arg.get<std::string>(), dir.Path()));
    }
    const bool terminal = description.value("terminal", false);
    const CommandResult result = ChildProcess(argv, terminal, dir.Path()).Wait();

    const json& expect = description.at("expect");
    EXPECT_EQ(result.status, expect.value("status", 0)) << result.error;
    if (expect.contains("stdout")) {
        CompareText("standard output", expect["stdout"], result.output, dir.Path());
    }
    const json noText = "";
    CompareText("standard error", expect.contains("stderr") ? expect["stderr"] : noText,
                result.error, dir.Path());
    CompareLog(expect, dir.Path());
    CompareOutputs(expect, dir.Path());
}

INSTANTIATE_TEST_SUITE_P(Cases, CaseTest, testing::ValuesIn(AllCases()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](char c) {
                                     return !std::isalnum(static_cast<unsigned char>(c));
                                 },
                                 '_');
                             return name;
                         });

}  // namespace
}  // namespace CalvornTest
