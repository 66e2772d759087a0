#include "convert/GbkText.h"

#include <algorithm>

#include "app/TextFormat.h"

namespace Calvorn {

namespace {

bool IsLeadByte(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x81 && byte <= 0xFE;
}

char FoldAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::size_t GbkPrefixLength(std::string_view gbk, std::size_t maxBytes)
{
    // Nearly every text fits: no character then needs looking at.
    if (gbk.size() <= maxBytes) {
        return gbk.size();
    }
    std::size_t length = 0;
    while (length < gbk.size()) {
        const std::size_t next = IsLeadByte(gbk[length]) && length + 1 < gbk.size() ? 2 : 1;
        if (length + next > maxBytes) {
            break;
        }
        length += next;
    }
    return length;
}

bool SameFieldName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (IsLeadByte(a[i]) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) {
                return false;
            }
            ++i;
        } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string UniqueFieldName(std::string_view gbkName, const std::vector<std::string>& taken,
                            std::size_t maxBytes)
{
    const auto isTaken = [&taken](std::string_view name) {
        return std::any_of(taken.begin(), taken.end(),
                           [name](const std::string& other) { return SameFieldName(name, other); });
    };
    std::string name(gbkName.substr(0, GbkPrefixLength(gbkName, maxBytes)));
    // Each taken name blocks at most one number, so a free one comes within size() + 1 tries.
    for (std::size_t number = 1; isTaken(name) && number <= taken.size() + 1; ++number) {
        const std::string suffix = Format("_%zu", number);
        const std::size_t room = maxBytes > suffix.size() ? maxBytes - suffix.size() : 0;
        name.assign(gbkName.substr(0, GbkPrefixLength(gbkName, room)));
        name += suffix;
    }
    return name;
}

}  // namespace Calvorn
