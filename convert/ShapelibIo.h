// How files reach shapelib: one place that chooses the I/O hooks and the path bytes, and that
// checks files after shapelib closed them (its close functions report nothing).
#pragma once

#include <shapefil.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace Calvorn {

// The hooks every output is opened with: UTF-8 paths on Windows, plain stdio elsewhere.
SAHooks ShapelibHooks();

// `path` as the bytes ShapelibHooks expects.
std::string ShapelibPath(const std::filesystem::path& path);

// What a file looked like before an attempt to create it.
struct FileStamp {
    bool existed = false;
    std::filesystem::file_time_type time{};
    std::uintmax_t size = 0;
};

FileStamp StampOf(const std::filesystem::path& path);

// After a failed creation: removes `path` if the attempt made it or already overwrote it.
void RemoveIfTouched(const std::filesystem::path& path, const FileStamp& before);

// Throws OutputError unless `path` holds exactly `size` bytes.
void ExpectFileSize(const std::filesystem::path& path, std::uintmax_t size);

}  // namespace Calvorn
