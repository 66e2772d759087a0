// Source files, a message recorder and the log's place for the batch tests.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "app/CConvertLog.h"
#include "app/MessageSink.h"
#include "tests/support/TestSupport.h"
#include "torvex/TorvexBuilder.h"

namespace CalvornTest {

struct ShownMessage {
    std::string text;
    std::string caption;
    Calvorn::MessageIcon icon;
    bool operator==(const ShownMessage&) const = default;
};

inline void PrintTo(const ShownMessage& m, std::ostream* os)
{
    *os << '"' << m.text << "\" \"" << m.caption << "\" icon " << static_cast<int>(m.icon);
}

struct RecordingSink : Calvorn::MessageSink {
    void Show(const std::string& text, const std::string& caption,
              Calvorn::MessageIcon icon) override
    {
        shown.push_back({text, caption, icon});
    }
    std::vector<ShownMessage> shown;
};

// Conversions log into the test's folder, never beside the test program.
inline void LogInto(const TempDir& dir)
{
    Calvorn::CConvertLog::Get().SetFile(dir / "CalvornExp.log");
}

// A line file of `records` two-vertex lines with one text field.
inline std::filesystem::path MakeLineFile(const std::filesystem::path& path, int records)
{
    Torvex::TorvexBuilder builder(Torvex::FileKind::Line);
    builder.AddField({"NAME", 0, 10, 0});
    for (int i = 0; i < records; ++i) {
        Torvex::RecordSpec record;
        record.parts = {{{0.0, 0.0}, {1.0, 1.0 * i}}};
        record.attributes = {std::string("r")};
        builder.AddRecord(record);
    }
    builder.WriteTo(path);
    return path;
}

inline std::filesystem::path BuiltSample(const std::string& name)
{
    return std::filesystem::path(CALVORN_BUILT_SAMPLES_DIR) / name;
}

}  // namespace CalvornTest
