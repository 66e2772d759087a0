#include "torvex/Torvex_Prj.h"

#include "torvex/ByteWindow.h"
#include "torvex/FileHeader.h"
#include "torvex/Format.h"
#include "torvex/Gbk.h"
#include "torvex/SourceFile.h"

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
    SourceFile file;
    if (!file.Open(path)) {
        return kOpenFailed;
    }
    std::uint8_t head[Format::kHeaderSize];
    const std::size_t headLength = file.ReadAt(0, sizeof(head), head);
    FileHeader header;
    const int result = header.Parse(head, headLength, file.Size(), IsProjectKind);
    if (result != 0) {
        return result;
    }
    ByteWindow window;
    // Each item takes at least its length prefix, so the count is bounded by the bytes left.
    const std::uint64_t left = file.Size() - header.IndexOffset();
    if (header.SlotCount() > left / 2) {
        return kReadFailed;
    }
    std::vector<std::string> items;
    items.reserve(header.SlotCount());
    std::uint64_t offset = header.IndexOffset();
    for (std::uint32_t i = 0; i < header.SlotCount(); ++i) {
        const std::uint8_t* prefix =
            Format::FitsIn(offset, 2, file.Size()) ? window.Get(file, offset, 2) : nullptr;
        if (prefix == nullptr) {
            return kReadFailed;
        }
        const auto length = Format::Load<std::uint16_t>(prefix);
        offset += 2;
        const std::uint8_t* name = Format::FitsIn(offset, length, file.Size())
                                       ? window.Get(file, offset, length)
                                       : nullptr;
        if (name == nullptr) {
            return kReadFailed;
        }
        items.push_back(GbkToUtf8(std::string_view(reinterpret_cast<const char*>(name), length)));
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
