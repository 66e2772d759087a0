#include "torvex/Torvex_Prj.h"

#include "torvex/FileHeader.h"
#include "torvex/Format.h"
#include "torvex/Gbk.h"
#include "torvex/MappedFile.h"

namespace Torvex {

namespace {

bool IsProjectKind(FileKind kind)
{
    return kind == FileKind::Project;
}

}  // namespace

int Torvex_Prj::LoadProject(const std::filesystem::path& path)
{
    m_items.clear();
    MappedFile file;
    if (!file.Open(path)) {
        return kOpenFailed;
    }
    FileHeader header;
    const int result = header.Parse(file.Data(), file.Size(), IsProjectKind);
    if (result != 0) {
        return result;
    }
    // Each item takes at least its length prefix, so the count is bounded by the bytes left.
    const std::uint64_t left = file.Size() - header.IndexOffset();
    if (header.SlotCount() > left / 2) {
        return kReadFailed;
    }
    std::vector<std::string> items;
    items.reserve(header.SlotCount());
    std::uint64_t offset = header.IndexOffset();
    for (std::uint32_t i = 0; i < header.SlotCount(); ++i) {
        if (!Format::FitsIn(offset, 2, file.Size())) {
            return kReadFailed;
        }
        const auto length = Format::Load<std::uint16_t>(file.Data() + offset);
        offset += 2;
        if (!Format::FitsIn(offset, length, file.Size())) {
            return kReadFailed;
        }
        items.push_back(GbkToUtf8(
            std::string_view(reinterpret_cast<const char*>(file.Data() + offset), length)));
        offset += length;
    }
    m_items = std::move(items);
    return static_cast<int>(m_items.size());
}

int Torvex_Prj::GetItemInfo(int index, std::string* path, double* reserved1,
                            double* reserved2) const
{
    if (reserved1 != nullptr) {
        *reserved1 = 0.0;
    }
    if (reserved2 != nullptr) {
        *reserved2 = 0.0;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= m_items.size()) {
        if (path != nullptr) {
            path->clear();
        }
        return 0;
    }
    if (path != nullptr) {
        *path = m_items[static_cast<std::size_t>(index)];
    }
    return 1;
}

}  // namespace Torvex
