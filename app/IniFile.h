// An INI file kept as its lines, so that writing one key leaves every other section, key,
// comment and blank line where it was.
//
// Reading: UTF-8, a byte-order mark is skipped; a file that is not valid UTF-8 is taken as GBK
// (an older settings file written in the Chinese code page). Lines may end in CR LF or LF.
// Section and key names match without regard to ASCII case, as the Windows profile functions
// do; spaces around names and values are ignored, and a value in a pair of double or single
// quotation marks loses them. Lines starting with ';' or '#' are comments.
//
// Writing: UTF-8 without a byte-order mark, with the line end the file already used (its first
// line end) or, for a new file, the platform's (CR LF on Windows, LF elsewhere).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace Calvorn {

class IniFile {
public:
    // Reads `path`. A missing or unreadable file gives an empty INI (every lookup gives its
    // default) and returns false.
    bool Load(const std::filesystem::path& path);
    // Writes the lines to `path`, replacing the file. Returns false if it could not be written.
    bool Save(const std::filesystem::path& path) const;

    // The value of `key` in `section`, or `defaultValue` when the section or key is missing.
    // The first section and the first key of a name count, as with the profile functions.
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const;

    // Sets `key` in `section`, adding the key after the section's last entry, or the section at
    // the end of the file. A value that would not read back the same (leading or trailing
    // spaces, surrounding quotation marks) is written in double quotation marks. Returns false,
    // changing nothing, when a name or the value is not UTF-8 or holds a line break, or a name
    // cannot be read back (empty, '=' in a key, ']' in a section).
    bool SetString(std::string_view section, std::string_view key, std::string_view value);

    // The file's text as Save writes it.
    std::string Text() const;

private:
    // Index of the section header line, or -1; the section's lines follow it up to the next
    // header.
    long FindSection(std::string_view section) const;
    std::size_t SectionEnd(long header) const;

    std::vector<std::string> m_lines;
    std::string m_lineEnd;  // empty until a file with a line end was read
};

}  // namespace Calvorn
