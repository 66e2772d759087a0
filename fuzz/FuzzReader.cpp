// libFuzzer target: opens the input as a Torvex data file and as a project file and reads
// everything a converter would, checking that what the reader hands out is self-consistent.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/InputFile.h"
#include "torvex/Geometry.h"
#include "torvex/Records.h"
#include "torvex/Torvex_Prj.h"
#include "torvex/Torvex_Writer.h"

namespace {

// Keeps reads of the delivered bytes from being optimised away, so ASan sees them.
volatile std::uint8_t g_sink;

void Touch(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < size; ++i) {
        sum = static_cast<std::uint8_t>(sum + bytes[i]);
    }
    g_sink = sum;
}

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "reader invariant broken: %s\n", what);
        std::abort();
    }
}

void RemoveInputFile();

// The reader opens files by path, so each input is written to one file per process, which is
// removed when the fuzzer exits.
const std::filesystem::path& InputPath()
{
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("calvorn-fuzz-reader-" + std::to_string(getpid()) + ".bin");
    // Registered after the path exists, so it runs before the path is destroyed.
    [[maybe_unused]] static const bool cleanup = std::atexit(RemoveInputFile) == 0;
    return path;
}

void RemoveInputFile()
{
    std::error_code ignored;
    std::filesystem::remove(InputPath(), ignored);
}

void CheckGeometry(const Torvex::Geometry& g)
{
    Check(g.nParts >= 0 && g.nVertices >= 0, "negative counts");
    Check(g.nParts == 0 || g.panPartStart != nullptr, "parts without starts");
    Check(g.nVertices == 0 || (g.padfX != nullptr && g.padfY != nullptr), "vertices missing");
    for (int i = 0; i < g.nParts; ++i) {
        Check(g.panPartStart[i] >= 0 && g.panPartStart[i] <= g.nVertices, "part start range");
        Check(i == 0 || g.panPartStart[i] >= g.panPartStart[i - 1], "part starts unordered");
    }
    Touch(g.padfX, sizeof(double) * static_cast<std::size_t>(g.nVertices));
    Touch(g.padfY, sizeof(double) * static_cast<std::size_t>(g.nVertices));
    if (g.padfZ != nullptr) {
        Touch(g.padfZ, sizeof(double) * static_cast<std::size_t>(g.nVertices));
    }
    if (g.panPartType != nullptr) {
        Touch(g.panPartType, sizeof(int) * static_cast<std::size_t>(g.nParts));
    }
}

// Reads slot `slot` with each of the three readers: the one matching the file's shape type
// fills the record, the other two must refuse it cleanly.
void ReadSlot(Torvex::Torvex_Writer& reader, int slot)
{
    for (int shapeType : {SHPT_ARC, SHPT_POINT, SHPT_POLYGON}) {
        Torvex::Geometry* g = Torvex::CreateGeometry();
        int result = 0;
        if (shapeType == SHPT_ARC) {
            Torvex::TORVEX_LineInfo info{};
            result = reader.ReadArcInfo(slot, &info, g);
        } else if (shapeType == SHPT_POINT) {
            Torvex::TORVEX_PntInfo info{};
            // Exactly the documented size on the heap, so an overlong text is caught.
            auto text = std::make_unique<char[]>(Torvex::Torvex_Writer::kAnnotationBufferSize);
            result = reader.ReadPointInfo(slot, &info, g, text.get());
            if (result == Torvex::kRecordRead) {
                Check(strnlen(text.get(), Torvex::Torvex_Writer::kAnnotationBufferSize) <
                          static_cast<std::size_t>(Torvex::Torvex_Writer::kAnnotationBufferSize),
                      "annotation text not terminated");
            }
        } else {
            Torvex::TORVEX_RegInfo info{};
            result = reader.ReadPolygonInfo(slot, &info, g);
        }
        if (result == Torvex::kRecordRead) {
            CheckGeometry(*g);
            // The same shape into the arrays the converters gather shapes in.
            Torvex::ShapeArrays arrays;
            Check(reader.ReadShape(slot, arrays) &&
                      arrays.x.size() == static_cast<std::size_t>(g->nVertices) &&
                      arrays.partStarts.size() == static_cast<std::size_t>(g->nParts),
                  "shape into arrays");
            Torvex::ReScaleGeometry(g, 1000.0);
            Torvex::FixGeoTopo(g);
            CheckGeometry(*g);
        }
        Torvex::DestroyGeometry(g);
    }
}

void ReadAttributes(Torvex::Torvex_Writer& reader, int records)
{
    const int fields = reader.GetFieldCount();
    // Whole records in place: every view lies in what the reader holds.
    std::vector<std::string_view> views(static_cast<std::size_t>(fields));
    for (int record = -1; record <= records; ++record) {
        reader.ViewAttributes(record, views.data());
        for (const std::string_view view : views) {
            Touch(view.data(), view.size());
        }
    }
    for (int field = -1; field <= fields; ++field) {
        std::string name;
        int reserved = 0;
        int width = 0;
        int decimals = 0;
        const int type = reader.GetFieldInfo(field, &name, &reserved, &width, &decimals);
        if (field < 0 || field == fields) {
            Check(type == Torvex::kFieldDefinitionError, "field index out of range accepted");
            continue;
        }
        for (int record = -1; record <= records; ++record) {
            const void* value = reader.ReadAttribute(record, field, type);
            if (value == nullptr) {
                continue;
            }
            Check(record >= 0 && record < records, "value for a record out of range");
            switch (type) {
                case 0:
                case 9:
                    Touch(value, std::strlen(static_cast<const char*>(value)) + 1);
                    break;
                case 1:
                case 8:
                    Touch(value, 1);
                    break;
                case 2:
                    Touch(value, 2);
                    break;
                case 3:
                case 4:
                case 6:
                    Touch(value, 4);
                    break;
                case 5:
                    Touch(value, 8);
                    break;
                case 7:
                    Touch(value, 10);
                    break;
                default:
                    Check(false, "a value for an unsupported type code");
            }
            // Asking with another type code must not hand out the value.
            Check(reader.ReadAttribute(record, field, type + 1) == nullptr,
                  "value handed out for the wrong type code");
        }
    }
}

void ReadDataFile(const std::filesystem::path& path)
{
    Torvex::Torvex_Writer reader;
    if (reader.Open(path, 1) < 0) {
        return;
    }
    int slots = 0;
    int shapeType = 0;
    int reserved = 0;
    const int live = reader.GetInfo(&slots, &shapeType, &reserved);
    Check(live >= 0 && slots >= live, "live and slot counts");
    Check(shapeType == SHPT_NULL || shapeType == SHPT_POINT || shapeType == SHPT_ARC ||
              shapeType == SHPT_POLYGON,
          "shape type");
    Check(reader.GetFieldCount() >= 0 && reader.GetFieldCount() <= 65535, "field count");
    for (int slot = -1; slot <= slots; ++slot) {
        ReadSlot(reader, slot);
    }
    // Values live in slots (a table's rows too); the stored attribute record count may claim
    // more, but those records have no values and cost the reader nothing.
    ReadAttributes(reader, slots);
    Torvex::MAP_PARAstruct projection{};
    if (reader.GetProjection(&projection) == 1) {
        Touch(&projection, sizeof(projection));
    }
    reader.Close();
}

void ReadProject(const std::filesystem::path& path)
{
    Torvex::Torvex_Prj project;
    const int items = project.LoadProject(path);
    for (int i = -1; i <= items; ++i) {
        std::string item;
        const int found = project.GetItemInfo(i, &item, nullptr, nullptr);
        Check(found == (i >= 0 && i < items ? 1 : 0), "item index range");
        Touch(item.data(), item.size());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path& path = InputPath();
    std::string bytes(reinterpret_cast<const char*>(data), size);
    // For half of the inputs the check values are made right, so that mutations reach the slot
    // parser.
    if (size > 0 && (data[size - 1] & 1) != 0) {
        CalvornFuzz::FixCheckValues(bytes);
    }
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ReadDataFile(path);
    ReadProject(path);
    return 0;
}
