// How files reach shapelib: one place that chooses the I/O hooks and the path bytes, and that
// checks files after shapelib closed them (its close functions report nothing).
//
// The hooks handed out keep a 256 KiB window of each file in the program, the position tracked
// here: shapelib seeks before every record and writes an end-of-file byte after every .dbf row,
// which on a stdio stream costs a write, an lseek and a read each time. The window is written
// back when a seek or a write leaves it, on flush and on close; a seek back into it (the next
// row overwriting the end-of-file byte) costs nothing. The files written are byte for byte
// those of shapelib's own hooks.
//
// shapelib's messages (its error hook takes no user data) are kept per thread, for the
// OutputError that follows them, instead of going to standard error.
#pragma once

#include <shapefil.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace Calvorn {

// How outputs reach the disk: Buffered (the default: the buffered hooks, and the .shx written
// in pieces by WriteShapeHeaders) or Plain (shapelib's own stdio hooks and its own close), kept
// to show that both write the same bytes.
enum class ShapelibIoMode { Buffered, Plain };

// Writes the .shp header and the whole .shx of `shp` as shapelib's close would, but the .shx in
// pieces: shapelib builds it in one buffer of 8 bytes a shape, which doubles the memory a large
// file costs. Marks the handle as written, so that SHPClose then only closes. False when a
// write failed.
bool WriteShapeHeaders(SHPHandle shp);

// The window the buffered hooks keep of each file.
inline constexpr std::size_t kShapelibBufferSize = std::size_t{256} * 1024;

// What shapelib (and the buffered hooks) reported on this thread since the last call, "; "
// between messages; forgets it.
std::string TakeShapelibMessages();
// `message`, then ": " and TakeShapelibMessages() when that is not empty.
std::string WithShapelibMessages(std::string message);

// How large a component (.shp, .shx, .dbf) may grow. Past `warnBytes` some readers fail; past
// `maxBytes` the format's 32-bit offsets, and shapelib, refuse. Outputs take the limits when
// they are created; tests lower them to reach both with small files.
struct ShapelibLimits {
    std::uint64_t warnBytes = 0x7FFFFFFFu;
    std::uint64_t maxBytes = 0xFFFFFFFFu;
};

// How a conversion's outputs reach the disk (part of its ConversionContext).
struct OutputPolicy {
    ShapelibLimits limits;
    ShapelibIoMode ioMode = ShapelibIoMode::Buffered;
    // For tests, a full disk: the bytes the file shapelib opens under `name` may hold, every
    // buffered write past them failing ("No space left on device"); empty: no such limit.
    std::function<std::uint64_t(const std::string& name)> room;
};

// Files created on this thread while one lives follow `policy` (which must outlive the scope).
// shapelib's hooks take no user data: this is how a conversion's context reaches them.
class OutputPolicyScope {
public:
    explicit OutputPolicyScope(const OutputPolicy& policy);
    ~OutputPolicyScope();
    OutputPolicyScope(const OutputPolicyScope&) = delete;
    OutputPolicyScope& operator=(const OutputPolicyScope&) = delete;

private:
    const OutputPolicy* m_outer;
};

// The policy of the innermost OutputPolicyScope of this thread, or the default one.
const OutputPolicy& CurrentOutputPolicy();

// The hooks files are opened with (UTF-8 paths on Windows, plain paths elsewhere), as
// CurrentOutputPolicy() says.
SAHooks ShapelibHooks();

// Told once per component (its full path) when it passes ShapelibLimits::warnBytes.
using LargeFileNotice = std::function<void(const std::filesystem::path& component)>;

// After a write failed in the middle of an output: makes the files on disk agree on the
// records all of them hold whole. The .shp (empty paths for a table) and .dbf are cut after the
// last such record, the .shx after its entry, and their headers rewritten to say so (the
// .shp bounds those of the records kept). Never makes a file longer: a full disk may refuse
// that. Returns the records kept, -1 when the files could not be mended.
int KeepWholeRecords(const std::filesystem::path& shpPath, const std::filesystem::path& shxPath,
                     const std::filesystem::path& dbfPath, int shapeType) noexcept;

// Staged files. shapelib derives the names of a Shapefile's files from the name it is given
// (cutting it at the last dot), and opens and removes files by name. An output gives it its
// final names and stages each of them: the bytes then go to the output's temporary file, opened
// through the descriptor staged here, and shapelib never touches a final name. Staging a name
// that is staged already throws std::logic_error.
void StageShapelibFile(const std::filesystem::path& name, int descriptor,
                       const std::filesystem::path& onDisk);
void UnstageShapelibFile(const std::filesystem::path& name) noexcept;

// While one lives, shapelib on this thread opens only staged names and removes nothing.
class ShapelibStagingScope {
public:
    ShapelibStagingScope();
    ~ShapelibStagingScope();
    ShapelibStagingScope(const ShapelibStagingScope&) = delete;
    ShapelibStagingScope& operator=(const ShapelibStagingScope&) = delete;
};

// The file on disk behind `name`: its temporary file when staged, else `name` itself.
std::filesystem::path OnDiskPath(const std::filesystem::path& name);

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

// After closing `path` (with TakeShapelibMessages called before): throws OutputError when
// shapelib or the hooks reported a problem meanwhile, a write that failed on the way to the disk.
void ExpectCleanClose(const std::filesystem::path& path);

// Throws OutputError unless `path` holds exactly `size` bytes.
void ExpectFileSize(const std::filesystem::path& path, std::uintmax_t size);

}  // namespace Calvorn
