#include "cli/LogFileCheck.h"

#include <sys/stat.h>

#include <algorithm>
#include <string_view>

#include "app/PathText.h"
#include "convert/OutputNames.h"
#include "convert/SourceKinds.h"

namespace Calvorn {

namespace {

bool EndsWithIgnoringCase(std::string_view text, std::string_view tail)
{
    if (text.size() < tail.size()) {
        return false;
    }
    return std::equal(tail.begin(), tail.end(),
                      text.end() - static_cast<std::ptrdiff_t>(tail.size()), [](char a, char b) {
                          const auto lower = [](char c) {
                              return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
                          };
                          return lower(a) == lower(b);
                      });
}

bool HasDataFileName(const std::filesystem::path& path)
{
    const std::string name = PathToUtf8(path.filename());
    if (EndsWithIgnoringCase(name, kProjectExtension)) {
        return true;
    }
    for (const SourceKind& kind : SourceKinds()) {
        if (EndsWithIgnoringCase(name, kind.extension)) {
            return true;
        }
    }
    for (const char* extension : TakingExtensions(OutputKind::Shapefile)) {
        if (EndsWithIgnoringCase(name, extension)) {
            return true;
        }
    }
    return false;
}

}  // namespace

void ReadFiles::Add(const std::filesystem::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        Add(path, info.st_dev, info.st_ino);
    }
}

void ReadFiles::Add(const std::filesystem::path& path, std::uint64_t device, std::uint64_t inode)
{
    m_files.emplace(std::make_pair(device, inode), path);
}

std::optional<std::filesystem::path> ReadFiles::Find(std::uint64_t device,
                                                     std::uint64_t inode) const
{
    const auto found = m_files.find({device, inode});
    return found == m_files.end() ? std::nullopt : std::optional(found->second);
}

std::optional<std::string> LogFileProblem(const std::filesystem::path& log, const ReadFiles& read)
{
    if (HasDataFileName(log)) {
        return "its name is that of a Torvex or Shapefile file";
    }
    struct stat info {};
    if (::stat(log.c_str(), &info) != 0) {
        return std::nullopt;  // a new file
    }
    if (S_ISDIR(info.st_mode)) {
        return "it is a folder";
    }
    if (!S_ISREG(info.st_mode) && !S_ISCHR(info.st_mode)) {
        return "it is not a regular file";
    }
    if (const auto source =
            S_ISREG(info.st_mode) ? read.Find(info.st_dev, info.st_ino) : std::nullopt) {
        return "it is the source " + PathToUtf8(*source);
    }
    return std::nullopt;
}

std::optional<std::string> LogFileProblem(const std::filesystem::path& log,
                                          const std::vector<std::filesystem::path>& sources)
{
    ReadFiles read;
    struct stat info {};
    // The sources matter only for a file that is there.
    for (std::size_t i = 0; i < sources.size() && ::stat(log.c_str(), &info) == 0; ++i) {
        read.Add(sources[i]);
    }
    return LogFileProblem(log, read);
}

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    struct stat first {};
    struct stat second {};
    const bool aExists = ::stat(a.c_str(), &first) == 0;
    const bool bExists = ::stat(b.c_str(), &second) == 0;
    if (aExists && bExists) {
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    }
    std::error_code error;
    return !aExists && !bExists &&
           std::filesystem::weakly_canonical(a, error) ==
               std::filesystem::weakly_canonical(b, error);
}

}  // namespace Calvorn
