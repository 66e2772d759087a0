// Whether the console may write its conversion log (or its run report) to the file the user
// names. Such a file is appended to, so a slip of the fingers must not append to (or cut) one
// of the user's data files: a source, a Torvex or Shapefile name, a folder, a FIFO.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Calvorn {

// The files a run reads, known by device and inode: a large archive's hundreds of thousands
// are looked at once, whatever number of files are checked against them.
class ReadFiles {
public:
    // Looks at `path`; a path that cannot be looked at is no file to protect.
    void Add(const std::filesystem::path& path);
    // A file looked at already.
    void Add(const std::filesystem::path& path, std::uint64_t device, std::uint64_t inode);
    // The path of the read file with this device and inode, or nothing.
    std::optional<std::filesystem::path> Find(std::uint64_t device, std::uint64_t inode) const;

private:
    struct Hash {
        std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t>& id) const
        {
            return std::hash<std::uint64_t>()(id.first * 0x9e3779b97f4a7c15ULL ^ id.second);
        }
    };
    std::unordered_map<std::pair<std::uint64_t, std::uint64_t>, std::filesystem::path, Hash>
        m_files;
};

// Why `log` cannot take the log, or nothing when it can (an existing regular file, a new file,
// a character device such as /dev/null). `read` are the files the run reads.
std::optional<std::string> LogFileProblem(const std::filesystem::path& log, const ReadFiles& read);
// The same with the files the run reads given by their paths.
std::optional<std::string> LogFileProblem(const std::filesystem::path& log,
                                          const std::vector<std::filesystem::path>& sources);

// Whether `a` and `b` name one file: the same file where both exist, the same absolute path
// (links resolved) where neither does.
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace Calvorn
