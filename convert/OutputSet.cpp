#include "convert/OutputSet.h"

#include <cstring>
#include <exception>
#include <stdexcept>
#include <utility>

#include "convert/ShapelibIo.h"
#include "projection/CPrjWriter.h"

namespace Calvorn {

OutputSet::OutputSet(const OutputNameSequence& names, std::size_t chosen, OutputKind kind,
                     LargeFileNotice notice)
    : m_names(names), m_chosen(chosen), m_kind(kind), m_notice(std::move(notice))
{
}

OutputSet::~OutputSet()
{
    Discard();
}

std::filesystem::path OutputSet::BasePath() const
{
    return m_names.At(m_chosen);
}

std::filesystem::path OutputSet::FilePath(const char* extension) const
{
    std::filesystem::path path = BasePath();
    path += extension;
    return path;
}

const char* OutputSet::MainExtension() const
{
    return m_kind == OutputKind::Table ? ".dbf" : ".shp";
}

OutputSet::Component& OutputSet::Of(const char* extension)
{
    for (Component& component : m_components) {
        if (std::strcmp(component.extension, extension) == 0) {
            return component;
        }
    }
    throw std::logic_error(std::string("no output component ") + extension);
}

void OutputSet::Stage(const char* extension)
{
    Component& component = Of(extension);
    const std::filesystem::path name = FilePath(extension);
    component.file.emplace(name);
    StageShapelibFile(name, component.file->Descriptor(), component.file->Path());
    component.staged = true;
}

void OutputSet::Unstage() noexcept
{
    for (Component& component : m_components) {
        if (component.staged) {
            UnstageShapelibFile(FilePath(component.extension));
            component.staged = false;
        }
    }
}

bool OutputSet::WritePrj(const CPrjWriter& writer, const Torvex::MAP_PARAstruct& record)
{
    if (m_kind != OutputKind::Shapefile) {
        return false;
    }
    Component& prj = Of(".prj");
    try {
        prj.file.emplace(FilePath(".prj"));
        prj.file->WriteAll(writer.BuildWkt(&record));
        return true;
    } catch (...) {
        // A cut text would describe a wrong system: no file is better.
        prj.file.reset();
        return false;
    }
}

void OutputSet::Create(int shapeType, const OutputPolicy& policy, std::filesystem::path& failedFile)
{
    try {
        // shapelib gets the final names; it reaches only the staged temporary files.
        const OutputPolicyScope policyScope(policy);
        const ShapelibStagingScope staging;
        if (m_kind == OutputKind::Shapefile) {
            failedFile = FilePath(".shp");
            Stage(".shp");
            Stage(".shx");
            m_shape.Create(failedFile, shapeType, m_notice);
            m_shapeType = shapeType;
        }
        failedFile = FilePath(".dbf");
        Stage(".dbf");
        m_dbf.Create(failedFile, m_notice);
        failedFile.clear();
    } catch (...) {
        Discard();
        throw;
    }
}

int OutputSet::WriteRecord(Torvex::Geometry* shape, const char* row)
{
    m_dbf.CheckRoomFor(m_written);  // a shape without its row would put the files out of step
    if (shape != nullptr) {
        m_shape.Write(shape);
    } else {
        m_shape.WriteNull();
    }
    return AppendRow(row);
}

int OutputSet::AppendRow(const char* row)
{
    const int index = m_dbf.AppendRow(row);
    ++m_written;
    return index;
}

void OutputSet::Close()
{
    const bool open = m_shape.IsOpen() || m_dbf.IsOpen();
    std::exception_ptr first;
    try {
        m_shape.Close();
    } catch (...) {
        first = std::current_exception();
    }
    try {
        m_dbf.Close();
    } catch (...) {
        if (!first) {
            first = std::current_exception();
        }
    }
    if (first && open && Of(".dbf").file) {
        // A write that failed on the way (a full disk) may have left any of the files short
        // or with a partial record: keep the records all of them hold, with headers to match.
        const bool shapes = Of(".shp").file.has_value();
        KeepWholeRecords(shapes ? Of(".shp").file->Path() : std::filesystem::path(),
                         shapes ? Of(".shx").file->Path() : std::filesystem::path(),
                         Of(".dbf").file->Path(), m_shapeType);
    }
    Unstage();
    if (first) {
        std::rethrow_exception(first);
    }
}

void OutputSet::CloseQuietly() noexcept
{
    try {
        Close();
    } catch (...) {
    }
}

bool OutputSet::TryMove()
{
    std::size_t moved = 0;
    try {
        for (Component& component : m_components) {
            if (component.file) {
                if (!component.file->MoveTo(FilePath(component.extension))) {
                    break;
                }
            }
            ++moved;
        }
    } catch (...) {
        for (std::size_t i = 0; i < moved; ++i) {
            if (m_components[i].file) {
                m_components[i].file->MoveBack();
            }
        }
        throw;
    }
    if (moved == m_components.size()) {
        return true;
    }
    for (std::size_t i = 0; i < moved; ++i) {
        if (m_components[i].file) {
            m_components[i].file->MoveBack();
        }
    }
    return false;
}

void OutputSet::MoveIntoPlace()
{
    CloseQuietly();
    const OutputFolderLock lock(BasePath().parent_path());
    for (;;) {
        m_chosen = m_names.FirstFree(m_chosen, m_kind);
        if (TryMove()) {
            break;
        }
        ++m_chosen;
    }
    // Moved: the files are the user's now, and stay when this object goes.
    for (Component& component : m_components) {
        if (component.file) {
            m_placed.push_back(FilePath(component.extension));
        }
        component.file.reset();
    }
}

void OutputSet::Discard() noexcept
{
    CloseQuietly();
    Unstage();
    for (Component& component : m_components) {
        component.file.reset();
    }
}

}  // namespace Calvorn
