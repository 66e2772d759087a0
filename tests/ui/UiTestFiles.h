// Source files for the window tests, written with the reader library's own builder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "torvex/builder/TorvexBuilder.h"

namespace CalvornTest {

// A line file with `records` two-vertex lines and one text field; 0 records is an empty file.
inline std::filesystem::path MakeLineFile(const std::filesystem::path& path, int records)
{
    Torvex::TorvexBuilder builder(Torvex::FileKind::Line);
    builder.AddField({"NAME", 0, 10, 0});
    for (int i = 0; i < records; ++i) {
        Torvex::RecordSpec record;
        record.parts = {{{0.0, 0.0}, {1.0, static_cast<double>(i)}}};
        record.attributes = {std::string("r") + std::to_string(i)};
        builder.AddRecord(record);
    }
    builder.WriteTo(path);
    return path;
}

inline std::filesystem::path MakeProject(const std::filesystem::path& path,
                                         const std::vector<std::string>& items)
{
    Torvex::TorvexBuilder builder(Torvex::FileKind::Project);
    for (const std::string& item : items) {
        builder.AddProjectItem(item);
    }
    builder.WriteTo(path);
    return path;
}

}  // namespace CalvornTest
