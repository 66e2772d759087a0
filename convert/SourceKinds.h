// The kinds of source file the converter takes, in one table: the extension that names a kind,
// the suffix its outputs take when their name is taken, and its converter. Adding a kind means
// a row here, its converter and its icon (ui/Artwork); the job list, the engine and the console
// read this table.
#pragma once

#include <filesystem>
#include <optional>
#include <span>

#include "convert/ConversionEngine.h"
#include "torvex/Result.h"

namespace Calvorn {

struct SourceKind {
    Torvex::FileKind kind;
    const char* extension;  // with the dot, lower case; matched without regard to case
    const char* suffix;     // "_WL": the outputs' name when the plain one is taken
    int (ConversionEngine::*convert)(const std::filesystem::path& source,
                                     const std::filesystem::path& outputFolder, int progressFlag);
};

std::span<const SourceKind> SourceKinds();

// Project files list source files; they are expanded, not converted.
inline constexpr const char* kProjectExtension = ".mpj";

// The row of `kind`; null for a kind no converter takes (projects).
const SourceKind* FindSourceKind(Torvex::FileKind kind);

// The kind of a source path by its extension (from the last '.' of the file-name part,
// compared without case); nothing for a path that names no convertible kind.
std::optional<Torvex::FileKind> KindOfPath(const std::filesystem::path& path);

// Whether the file-name part of `path` ends with `extension` ("." included), ASCII letters
// compared without case.
bool HasExtension(const std::filesystem::path& path, const char* extension);

}  // namespace Calvorn
