// Malformed JSON descriptions: each is refused with a message that names the place and the
// fault, and torvex-make turns that into its exit status without leaving an output behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/TestSupport.h"
#include "torvex/make/JsonDescription.h"

namespace {

struct BadDescription {
    const char* json;
    const char* message;  // expected to appear in the error
};

// A line file with one text field and one record, with `record` spliced into the record.
std::string Line(const std::string& record)
{
    return R"({"kind": "line", "fields": [{"name": "名称", "type": 0, "width": 10}],
               "records": [{"geometry": [[[0, 0], [1, 1]]])" +
           record + "}]}";
}

std::string WithField(int type, const std::string& value)
{
    return R"({"kind": "table", "fields": [{"name": "f", "type": )" + std::to_string(type) +
           R"(}], "records": [{"attributes": [)" + value + "]}]}";
}

std::string PointStyle(const std::string& style)
{
    return R"({"kind": "point", "records": [{"geometry": [1, 2], "style": {)" + style + "}}]}";
}

TEST(JsonDescriptionTest, RefusesMalformedDescriptionsNamingThePlace)
{
    const std::string text260(260, 'a');
    const std::string cases[][2] = {
        // Unknown keys, at every level.
        {R"({"kind": "line", "colour": 1})", R"(unknown key "colour" in a line file)"},
        {Line(R"(, "style": {"colour": 3})"), R"(records[0].style: unknown key "colour")"},
        {Line(R"(, "text": "x")"), R"(records[0]: unknown key "text" in a line file)"},
        {R"({"kind": "line", "fields": [{"name": "a", "type": 0, "size": 3}]})",
         R"(fields[0]: unknown key "size")"},
        {R"({"kind": "line", "projection": {"zone": 3}})", R"(projection: unknown key "zone")"},
        {WithField(0, R"({"hex": "41", "text": "A"})"),
         R"(records[0].attributes[0]: unknown key "text")"},
        {PointStyle(R"("kind": 1, "x_factor": 2)"),
         R"(records[0].style: unknown key "x_factor" in a point style)"},
        // Missing and misspelt required values.
        {R"({"fields": []})", R"(missing key "kind")"},
        {R"({"kind": "line", "records": [{}]})", R"(records[0]: missing key "geometry")"},
        {R"({"kind": "line", "fields": [{"name": "", "type": 0}]})", "fields[0].name: a field"},
        {"{\"kind\": \"line\",", "not valid JSON"},
        // Values of the wrong JSON type.
        {Line(R"(, "deleted": 1)"), "records[0].deleted: expected true or false, got an integer"},
        {R"({"kind": "point", "records": [{"geometry": [1]}]})",
         "records[0].geometry: expected [x, y]"},
        {R"({"kind": "line", "attribute_record_count": -1})",
         "attribute_record_count: -1 is out of range"},
        // Attribute values by type code.
        {WithField(0, "5"), "records[0].attributes[0]: expected a string or {\"hex\""},
        {WithField(0, "\"😀\""), "GBK cannot represent"},
        {WithField(9, R"({"hex": "4g"})"), R"("4g" is not a hex byte)"},
        {WithField(1, "256"), "256 is out of range 0..255"},
        {WithField(3, "2147483648"), "2147483648 is out of range"},
        {WithField(3, "1.5"), "expected an integer, got a number with a fraction"},
        {WithField(4, "1e39"), "does not fit a 32-bit float"},
        {WithField(6, "[2010, 5]"), "expected [year, month, day]"},
        {WithField(6, "[2010, 13, 200]"), "attributes[0][2]: 200 is out of range -128..127"},
        {WithField(8, "\"yes\""), "expected true/false or an integer, got a string"},
        {WithField(8, "256"), "256 is out of range 0..255"},
        {WithField(12, "1"), "fields of type 12 hold no values: give null"},
        {R"({"kind": "table", "fields": [{"name": "f", "type": 3}], "records": [{"attributes": []}]})",
         "records[0].attributes: 0 values for 1 fields"},
        // Style members: widths, colours, the shared bytes of points.
        {Line(R"(, "style": {"layer": 32768})"), "records[0].style.layer: 32768 is out of range"},
        {Line(R"(, "style": {"color": 4294967296})"), "style.color: 4294967296 is out of range"},
        {PointStyle(R"("subgraph": 3, "text_height": 2)"), "share the same bytes"},
        // Annotation text.
        {R"({"kind": "point", "records": [{"geometry": [1, 2], "text": ")" + text260 + "\"}]}",
         "records[0].text: 260 bytes in GBK, at most 259"},
    };
    for (const auto& [json, message] : cases) {
        try {
            Torvex::JsonDescription::Parse(json);
            ADD_FAILURE() << "accepted: " << json;
        } catch (const std::invalid_argument& error) {
            EXPECT_NE(std::string(error.what()).find(message), std::string::npos)
                << "message: " << error.what() << "\nexpected: " << message;
        }
    }
}

TEST(JsonDescriptionTest, ToolExitStatusAndOutput)
{
    CalvornTest::TempDir dir;
    const auto good = dir / "good.json";
    const auto bad = dir / "bad.json";
    CalvornTest::WriteFile(good, R"({"kind": "line", "records": []})");
    CalvornTest::WriteFile(bad, Line(R"(, "style": {"colour": 3})"));
    const auto output = dir / "out.wl";

    // The arguments, the exit status, a part of the message and whether the output is there.
    const std::tuple<std::vector<std::string>, int, const char*, bool> cases[] = {
        {{good.string()}, 2, "usage: torvex-make INPUT.json OUTPUT", false},
        {{(dir / "missing.json").string(), output.string()}, 1, "cannot read", false},
        {{good.string(), output.string()}, 0, "", true},
        // A bad description removes what an earlier run left, so no stale file looks current.
        {{bad.string(), output.string()}, 1, R"(records[0].style: unknown key "colour")", false},
        {{good.string(), (dir / "no-such-folder" / "out.wl").string()}, 1, "", false},
    };
    for (const auto& [arguments, status, error, outputExists] : cases) {
        std::vector<std::string> argv{TORVEX_MAKE};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        const CalvornTest::CommandResult result = CalvornTest::RunCommand(argv);
        EXPECT_EQ(result.status, status) << result.error;
        EXPECT_NE(result.error.find(error), std::string::npos) << result.error;
        EXPECT_EQ(std::filesystem::exists(output), outputExists) << error;
    }
}

}  // namespace
