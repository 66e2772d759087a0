#include "convert/ShapelibIo.h"

#include <system_error>

#include "convert/OutputError.h"

namespace Calvorn {

SAHooks ShapelibHooks()
{
    SAHooks hooks;
#ifdef SHPAPI_UTF8_HOOKS
    SASetupUtf8Hooks(&hooks);
#else
    SASetupDefaultHooks(&hooks);
#endif
    return hooks;
}

std::string ShapelibPath(const std::filesystem::path& path)
{
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

FileStamp StampOf(const std::filesystem::path& path)
{
    FileStamp stamp;
    std::error_code error;
    stamp.existed = std::filesystem::is_regular_file(path, error);
    if (stamp.existed) {
        stamp.time = std::filesystem::last_write_time(path, error);
        stamp.size = std::filesystem::file_size(path, error);
    }
    return stamp;
}

void RemoveIfTouched(const std::filesystem::path& path, const FileStamp& before)
{
    const FileStamp now = StampOf(path);
    if (now.existed && (!before.existed || now.time != before.time || now.size != before.size)) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
}

void ExpectFileSize(const std::filesystem::path& path, std::uintmax_t size)
{
    std::error_code error;
    const std::uintmax_t actual = std::filesystem::file_size(path, error);
    if (error || actual != size) {
        throw OutputError("cannot finish writing " + path.string());
    }
}

}  // namespace Calvorn
