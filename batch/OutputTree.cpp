#include "batch/OutputTree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "app/PathText.h"
#include "app/UserText.h"
#include "convert/TemporaryFile.h"

namespace Calvorn {

namespace {

// The relative path's folders: everything before its last "/".
std::string FolderPart(const std::string& relative)
{
    const std::size_t slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    int Get() const { return m_fd; }

private:
    int m_fd;
};

}  // namespace

OutputTree::OutputTree(std::filesystem::path root, bool keepTree)
    : m_root(std::move(root)), m_keepTree(keepTree)
{
}

std::filesystem::path OutputTree::FolderFor(const Job& job) const
{
    const std::string folder = m_keepTree ? FolderPart(job.relative) : std::string();
    return folder.empty() ? m_root : m_root / Utf8ToPath(folder);
}

std::string OutputTree::Prepare(const std::filesystem::path& folder)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_prepared.find(folder);
    if (found != m_prepared.end()) {
        return found->second;
    }
    std::string problem = folder == m_root ? std::string() : Create(folder);
    if (problem.empty()) {
        RemoveDeadTemporaryFiles(folder);
    }
    return m_prepared.emplace(folder, std::move(problem)).first->second;
}

std::string OutputTree::Create(const std::filesystem::path& folder) const
{
    // One name after the other from the output folder's descriptor: a link met on the way
    // is refused, not followed.
    Descriptor parent(
        ::open(m_root.empty() ? "." : m_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (parent.Get() < 0) {
        return SystemErrorText(std::error_code(errno, std::generic_category()));
    }
    for (const std::filesystem::path& part : folder.lexically_relative(m_root)) {
        const std::string name = PathToUtf8(part);
        if (name.empty()) {
            continue;
        }
        if (name == "." || name == "..") {
            return "文件夹名无效";
        }
        if (::mkdirat(parent.Get(), name.c_str(), 0777) != 0 && errno != EEXIST) {
            return SystemErrorText(std::error_code(errno, std::generic_category()));
        }
        Descriptor next(
            ::openat(parent.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (next.Get() < 0) {
            const int error = errno;
            struct stat info {};
            if (::fstatat(parent.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(info.st_mode)) {
                return "是一个链接";
            }
            return SystemErrorText(std::error_code(error, std::generic_category()));
        }
        parent = std::move(next);
    }
    return {};
}

}  // namespace Calvorn
