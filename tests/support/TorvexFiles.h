// Torvex files for the tests of the batch, the console and the desktop, written with the reader
// library's own builder, and the sample files the build made.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "torvex/builder/TorvexBuilder.h"

namespace CalvornTest {

// A line file of `records` two-vertex lines with one text field; 0 records is an empty file.
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

inline std::filesystem::path MakeProject(const std::filesystem::path& path,
                                         const std::vector<std::string>& items)
{
    Torvex::TorvexBuilder project(Torvex::FileKind::Project);
    for (const std::string& item : items) {
        project.AddProjectItem(item);
    }
    project.WriteTo(path);
    return path;
}

inline std::filesystem::path BuiltSample(const std::string& name)
{
    return std::filesystem::path(CALVORN_BUILT_SAMPLES_DIR) / name;
}

}  // namespace CalvornTest
