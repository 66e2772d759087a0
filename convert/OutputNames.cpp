#include "convert/OutputNames.h"

#include <array>
#include <string>
#include <system_error>

#include "app/PathText.h"
#include "convert/OutputError.h"

namespace Calvorn {

namespace {

constexpr std::array<const char*, 9> kShapefileExtensions = {
    ".shp", ".shx", ".dbf", ".prj", ".cpg", ".qix", ".sbn", ".sbx", ".shp.xml"};
constexpr std::array<const char*, 2> kTableExtensions = {".dbf", ".cpg"};

// Far more same-named outputs than any archive holds; past it the folder itself is at fault.
constexpr std::size_t kMaxNumber = 1000000;

}  // namespace

std::span<const char* const> TakingExtensions(OutputKind kind)
{
    if (kind == OutputKind::Table) {
        return kTableExtensions;
    }
    return kShapefileExtensions;
}

bool IsBaseNameTaken(const std::filesystem::path& base, OutputKind kind)
{
    for (const char* extension : TakingExtensions(kind)) {
        std::filesystem::path path = base;
        path += extension;
        // A name that cannot be looked at (a folder that cannot be searched, one that is a file)
        // counts as free: creating the output there fails and tells why, and the moves into
        // place never replace anything anyway.
        std::error_code error;
        if (std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
            return true;
        }
    }
    return false;
}

OutputNameSequence::OutputNameSequence(std::filesystem::path first,
                                       std::optional<std::filesystem::path> suffixed)
    : m_first(std::move(first)), m_suffixed(std::move(suffixed)), m_unnumbered(m_suffixed ? 2 : 1)
{
}

const std::filesystem::path& OutputNameSequence::NumberedBase() const
{
    return m_suffixed ? *m_suffixed : m_first;
}

std::filesystem::path OutputNameSequence::At(std::size_t index) const
{
    if (index == 0) {
        return m_first;
    }
    if (!IsNumbered(index)) {
        return *m_suffixed;
    }
    std::filesystem::path path = NumberedBase();
    path += "_" + std::to_string(index - m_unnumbered + 2);
    return path;
}

std::size_t OutputNameSequence::FirstFree(std::size_t from, OutputKind kind) const
{
    for (std::size_t index = from; index < m_unnumbered + kMaxNumber; ++index) {
        if (!IsBaseNameTaken(At(index), kind)) {
            return index;
        }
    }
    throw OutputError("no free output name for " + PathToUtf8(NumberedBase()));
}

}  // namespace Calvorn
