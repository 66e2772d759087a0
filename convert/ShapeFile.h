// A .shp/.shx pair being written. Owns the shapelib handle: the destructor closes it, so every
// way out of a conversion leaves complete, readable files.
#pragma once

#include <shapefil.h>

#include <cstdint>
#include <filesystem>

#include "convert/ShapelibIo.h"
#include "torvex/Geometry.h"

namespace Calvorn {

class ShapeFile {
public:
    ShapeFile() = default;
    ~ShapeFile();
    ShapeFile(ShapeFile&& other) noexcept;
    ShapeFile& operator=(ShapeFile&& other) noexcept;
    ShapeFile(const ShapeFile&) = delete;
    ShapeFile& operator=(const ShapeFile&) = delete;

    // Creates `shpPath` (the full name, ending in ".shp": shapelib drops whatever follows the
    // last dot of the name it is given) and the .shx beside it, for shapes of `shapeType`
    // (SHPT_*). Throws OutputError and leaves neither file behind when that fails. `notice`
    // (may be empty) hears of the .shp or .shx passing ShapelibLimits::warnBytes.
    void Create(const std::filesystem::path& shpPath, int shapeType, LargeFileNotice notice = {});

    // Appends a shape and returns its index. Throws OutputError when it cannot be written,
    // including a shape whose type is neither the file's nor the null type, and
    // OutputLimitError, with nothing written, when the shape would take the .shp or .shx past
    // ShapelibLimits::maxBytes.
    int Write(Torvex::Geometry* geometry);
    int WriteNull();

    // Finishes both files; throws OutputError when they did not reach the disk whole. Closing
    // a closed file does nothing.
    void Close();

    bool IsOpen() const { return m_handle != nullptr; }
    int ShapeCount() const;
    const std::filesystem::path& Path() const { return m_path; }

private:
    SHPHandle m_handle = nullptr;
    std::filesystem::path m_path;
    bool m_plain = false;
    LargeFileNotice m_notice;
    std::uint64_t m_maxBytes = 0;
    std::uint64_t m_shpWarnAt = 0;  // past the warning size, until told; then never again
    std::uint64_t m_shxWarnAt =
        0;  // opened in ShapelibIoMode::Plain: shapelib's close writes the .shx
};

}  // namespace Calvorn
