// A file of an output written under a temporary name beside its final one, so that no file
// under a final name is ever partial: ".<final name>.calvorn-<pid>-<random>", created
// exclusively (never through a link, never opening what stands at a name), locked with flock
// while this object holds it. The set of an output is moved to its final names when its
// conversion ends (OutputSet); a temporary file left by a process that died is recognised by
// its name and by its lock being free (RemoveDeadTemporaryFiles).
#pragma once

#include <filesystem>
#include <string_view>

namespace Calvorn {

class TemporaryFile {
public:
    // Creates the file for `finalPath` in the same folder. Throws OutputError.
    explicit TemporaryFile(const std::filesystem::path& finalPath);
    // Removes the file unless it was moved to its final name.
    ~TemporaryFile();
    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&& other) = delete;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The open, locked file (read and write).
    int Descriptor() const { return m_fd; }

    // Writes `bytes` at the file's start, replacing what it held. Throws OutputError.
    void WriteAll(std::string_view bytes);

    // Moves the file to `finalPath` in the same folder unless something (anything, a dangling
    // link included) stands there: true when moved, false when the name is taken. Throws
    // OutputError when the move fails otherwise. The caller holds the folder's lock.
    bool MoveTo(const std::filesystem::path& finalPath);
    // Undoes MoveTo (another file of the set found its name taken).
    void MoveBack() noexcept;
    // Removes the file (unless moved); the object then holds nothing.
    void Remove() noexcept;

    // Whether `name` (a file name) has the form of a temporary file name.
    static bool IsTemporaryName(std::string_view name);

private:
    void Close() noexcept;

    std::filesystem::path m_path;   // the temporary name
    std::filesystem::path m_moved;  // the final name after MoveTo, else empty
    int m_fd = -1;
};

// Removes the temporary files in `folder` whose writer is gone (their lock can be taken): what
// a crash, a kill or a power loss left. Files of running conversions are left alone.
void RemoveDeadTemporaryFiles(const std::filesystem::path& folder) noexcept;

// Holds an output folder's lock (flock on the folder) while the sets of its outputs are moved
// to their final names: two processes never choose the same name for two sets.
class OutputFolderLock {
public:
    explicit OutputFolderLock(const std::filesystem::path& folder);
    ~OutputFolderLock();
    OutputFolderLock(const OutputFolderLock&) = delete;
    OutputFolderLock& operator=(const OutputFolderLock&) = delete;

private:
    int m_fd = -1;
};

}  // namespace Calvorn
