#include "fuzz/ReaderWalk.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string_view>
#include <vector>

#include "torvex/Geometry.h"
#include "torvex/Records.h"
#include "torvex/Torvex_Prj.h"
#include "torvex/Torvex_Writer.h"

namespace CalvornFuzz {

namespace {

using enum Torvex::Result;

// Keeps reads of the delivered bytes from being optimised away, so the sanitizers see them.
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

std::string CheckGeometry(const Torvex::Geometry& g)
{
    if (g.nParts < 0 || g.nVertices < 0 || (g.nParts > 0 && g.panPartStart == nullptr) ||
        (g.nVertices > 0 && (g.padfX == nullptr || g.padfY == nullptr))) {
        return "counts or arrays";
    }
    for (int i = 0; i < g.nParts; ++i) {
        // Every part has a vertex.
        if (g.panPartStart[i] < 0 || g.panPartStart[i] >= g.nVertices ||
            (i > 0 && g.panPartStart[i] <= g.panPartStart[i - 1])) {
            return "part start out of range";
        }
    }
    const auto vertices = static_cast<std::size_t>(g.nVertices);
    Touch(g.padfX, sizeof(double) * vertices);
    Touch(g.padfY, sizeof(double) * vertices);
    if (g.padfZ != nullptr) {
        Touch(g.padfZ, sizeof(double) * vertices);
    }
    if (g.panPartType != nullptr) {
        Touch(g.panPartType, sizeof(int) * static_cast<std::size_t>(g.nParts));
    }
    return "";
}

// Reads `slot` with each of the three readers: the one of the file's kind fills the record, the
// other two refuse it cleanly.
std::string ReadSlot(Torvex::Torvex_Writer& reader, int slot)
{
    const std::set<int> results = {kRecordRead, kDeleted, kReadFailed, kWrongKind, kNoSuchSlot};
    for (int kind = 0; kind < 3; ++kind) {
        const std::unique_ptr<Torvex::Geometry, void (*)(Torvex::Geometry*)> g(
            Torvex::CreateGeometry(), Torvex::DestroyGeometry);
        // Exactly the documented size on the heap, so an overlong text is caught.
        const auto text = std::make_unique<char[]>(Torvex::Torvex_Writer::kAnnotationBufferSize);
        Torvex::TORVEX_LineInfo line{};
        Torvex::TORVEX_PntInfo point{};
        Torvex::TORVEX_RegInfo polygon{};
        const int result = kind == 0   ? reader.ReadArcInfo(slot, &line, g.get())
                           : kind == 1 ? reader.ReadPointInfo(slot, &point, g.get(), text.get())
                                       : reader.ReadPolygonInfo(slot, &polygon, g.get());
        if (results.count(result) == 0) {
            return "slot result " + std::to_string(result);
        }
        if (result != kRecordRead) {
            continue;
        }
        if (kind == 1 && strnlen(text.get(), Torvex::Torvex_Writer::kAnnotationBufferSize) ==
                             Torvex::Torvex_Writer::kAnnotationBufferSize) {
            return "annotation text not terminated";
        }
        std::string broken = CheckGeometry(*g);
        // The same shape into the arrays the converters gather shapes in.
        Torvex::ShapeArrays arrays;
        if (broken.empty() && (!reader.ReadShape(slot, arrays) ||
                               arrays.x.size() != static_cast<std::size_t>(g->nVertices) ||
                               arrays.partStarts.size() != static_cast<std::size_t>(g->nParts))) {
            broken = "shape into arrays";
        }
        Torvex::ReScaleGeometry(g.get(), 1000.0);
        Torvex::FixGeoTopo(g.get());
        if (broken.empty() && !(broken = CheckGeometry(*g)).empty()) {
            broken = "repaired: " + broken;
        }
        if (!broken.empty()) {
            return "slot " + std::to_string(slot) + ": " + broken;
        }
    }
    return "";
}

// The bytes of a value of each type code, 0 for texts (up to their zero byte).
constexpr int kValueSize[] = {0, 1, 2, 4, 4, 8, 4, 10, 1, 0};

std::string ReadAttributes(Torvex::Torvex_Writer& reader, int records)
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
        const int type = reader.GetFieldInfo(field, &name, nullptr, nullptr, nullptr);
        if (field < 0 || field == fields) {
            if (type != kFieldDefinitionError) {
                return "field index out of range accepted";
            }
            continue;
        }
        for (int record = -1; record <= records; ++record) {
            const auto* value = static_cast<const char*>(reader.ReadAttribute(record, field, type));
            if (value == nullptr) {
                continue;
            }
            if (record < 0 || record >= records || type < 0 || type > 9) {
                return "a value of record " + std::to_string(record) + ", type " +
                       std::to_string(type);
            }
            Touch(value, kValueSize[type] > 0 ? kValueSize[type] : std::strlen(value) + 1);
            if (reader.ReadAttribute(record, field, type + 1) != nullptr) {
                return "a value handed out for the wrong type code";
            }
        }
    }
    return "";
}

std::string ReadDataFile(const std::filesystem::path& path)
{
    Torvex::Torvex_Writer reader;
    const int open = reader.Open(path, 1);
    if (open < 0) {
        const std::set<int> documented = {kOpenFailed, kNotSystemFile, kNotTorvexFile, kReadFailed,
                                          kFieldDefinitionError};
        return documented.count(open) ? "" : "open result " + std::to_string(open);
    }
    int slots = 0;
    int shapeType = 0;
    const int live = reader.GetInfo(&slots, &shapeType, nullptr);
    if (live < 0 || live > slots) {
        return "live count " + std::to_string(live);
    }
    if (shapeType != SHPT_NULL && shapeType != SHPT_POINT && shapeType != SHPT_ARC &&
        shapeType != SHPT_POLYGON) {
        return "shape type " + std::to_string(shapeType);
    }
    for (int slot = -1; slot <= slots; ++slot) {
        if (std::string broken = ReadSlot(reader, slot); !broken.empty()) {
            return broken;
        }
    }
    // Values live in slots (a table's rows too); the stored attribute record count may claim
    // more, but those records have no values.
    if (std::string broken = ReadAttributes(reader, slots); !broken.empty()) {
        return broken;
    }
    Torvex::MAP_PARAstruct projection{};
    const int hasProjection = reader.GetProjection(&projection);
    return hasProjection == 0 || hasProjection == 1 ? "" : "projection result";
}

template <typename T>
T Load(const std::string& bytes, std::uint64_t offset)
{
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

}  // namespace

std::uint32_t Crc32(const char* data, std::size_t size)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= static_cast<std::uint8_t>(data[i]);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void FixCheckValues(std::string& bytes)
{
    if (bytes.size() < 64 || Load<std::uint16_t>(bytes, 6) == 5) {
        return;
    }
    const std::uint64_t size = bytes.size();
    const auto index = Load<std::uint64_t>(bytes, 40);
    const auto slots = Load<std::uint32_t>(bytes, 16);
    for (std::uint64_t s = 0; s < slots && index <= size && (size - index) / 16 > s; ++s) {
        const auto offset = Load<std::uint64_t>(bytes, index + 16 * s);
        const auto length = Load<std::uint32_t>(bytes, index + 16 * s + 8);
        if (length >= 4 && offset <= size && length <= size - offset) {
            const std::uint32_t crc = Crc32(bytes.data() + offset + 4, length - 4);
            std::memcpy(bytes.data() + offset, &crc, sizeof(crc));
        }
    }
}

std::string ReadEverything(const std::filesystem::path& path)
{
    Torvex::Torvex_Prj project;
    const int items = project.LoadProject(path);
    for (int i = -1; i <= items; ++i) {
        std::string item;
        if (project.GetItemInfo(i, &item, nullptr, nullptr) != (i >= 0 && i < items ? 1 : 0)) {
            return "item index range";
        }
        Touch(item.data(), item.size());
    }
    return ReadDataFile(path);
}

}  // namespace CalvornFuzz
