#include "bench/BenchDataset.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string_view>

#include "torvex/Gbk.h"
#include "torvex/Records.h"

namespace Calvorn {

namespace {

// SplitMix64: tiny, fast, and the same everywhere (the standard distributions are not).
class Random {
public:
    explicit Random(std::uint64_t state) : m_state(state) {}

    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 <= result < bound
    std::uint64_t Below(std::uint64_t bound) { return Next() % bound; }
    // Uniform in [low, high), on a millimetre grid so that coordinates print short.
    double Millimetres(double low, double high)
    {
        const auto steps = static_cast<std::uint64_t>((high - low) * 1000.0);
        return low + static_cast<double>(Below(steps)) / 1000.0;
    }

private:
    std::uint64_t m_state;
};

double Round3(double value)
{
    return std::round(value * 1000.0) / 1000.0;
}

constexpr std::string_view kLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// Common characters, each three bytes in UTF-8 and two in GBK.
constexpr std::string_view kChinese =
    "山水河湖路街道桥村镇城市东西南北中大小新老花园林田石金木火土天地人和平安长春光明华江海云"
    "龙泉";

constexpr int kLineVertices = 20;
constexpr int kRingVertices = 32;  // the closing vertex included
constexpr int kHoleVertices = 8;

// A closed ring around (cx, cy): clockwise for an outer ring, counter-clockwise for a hole.
std::vector<Torvex::Vertex> Ring(Random& random, double cx, double cy, double radius, int vertices,
                                 bool clockwise)
{
    std::vector<Torvex::Vertex> ring;
    ring.reserve(static_cast<std::size_t>(vertices));
    const int distinct = vertices - 1;
    for (int k = 0; k < distinct; ++k) {
        const double turn = 2.0 * std::numbers::pi * k / distinct;
        const double angle = clockwise ? -turn : turn;
        const double r = radius * (0.85 + 0.15 * static_cast<double>(random.Below(1000)) / 1000.0);
        ring.push_back({Round3(cx + r * std::cos(angle)), Round3(cy + r * std::sin(angle))});
    }
    ring.push_back(ring.front());
    return ring;
}

void AppendNumber(std::string& out, double value)
{
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    out.append(buffer.data(), result.ptr);
}

void AppendVertices(std::string& out, const std::vector<Torvex::Vertex>& vertices)
{
    out += '(';
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        AppendNumber(out, vertices[i].x);
        out += ' ';
        AppendNumber(out, vertices[i].y);
    }
    out += ')';
}

std::string TwoDigits(int value)
{
    return std::string(1, static_cast<char>('0' + value / 10)) +
           static_cast<char>('0' + value % 10);
}

}  // namespace

BenchDataset::BenchDataset(Torvex::FileKind kind, std::uint64_t seed, bool precise)
    : m_kind(kind), m_seed(seed), m_precise(precise)
{
}

std::vector<Torvex::FieldSpec> BenchDataset::Fields() const
{
    return {
        {"ID", 3, 10, 0},   {"VALUE", 5, m_precise ? 24 : 16, m_precise ? 15 : 4},
        {"NAME", 0, 24, 0}, {"CNAME", 0, 40, 0},
        {"DATE", 6, 10, 0}, {"CODE", 2, 4, 0},
    };
}

std::string BenchDataset::CsvTypes() const
{
    return std::string("WKT,Integer(10),") + (m_precise ? "Real(24.15)" : "Real(16.4)") +
           ",String(24),String(40),String(10),Integer(4)\n";
}

std::string BenchDataset::CsvHeader()
{
    return "WKT,ID,VALUE,NAME,CNAME,DATE,CODE\n";
}

BenchFeature BenchDataset::Feature(std::uint64_t index) const
{
    Random random(m_seed * 0x100000001B3ull ^ (static_cast<std::uint64_t>(m_kind) << 56) ^ index);
    BenchFeature feature;
    const double x = random.Millimetres(500000.0, 600000.0);
    const double y = random.Millimetres(3000000.0, 3100000.0);
    switch (m_kind) {
        case Torvex::FileKind::Point:
            feature.parts.push_back({{x, y}});
            break;
        case Torvex::FileKind::Line: {
            std::vector<Torvex::Vertex> line{{x, y}};
            for (int k = 1; k < kLineVertices; ++k) {
                line.push_back({Round3(line.back().x + random.Millimetres(-50.0, 50.0)),
                                Round3(line.back().y + random.Millimetres(-50.0, 50.0))});
            }
            feature.parts.push_back(std::move(line));
            break;
        }
        default: {
            const double radius = random.Millimetres(20.0, 200.0);
            feature.parts.push_back(Ring(random, x, y, radius, kRingVertices, true));
            if (index % 5 == 0) {
                feature.parts.push_back(Ring(random, x, y, radius * 0.3, kHoleVertices, false));
            }
            break;
        }
    }
    feature.id = static_cast<std::int32_t>(index + 1);
    feature.value = m_precise
                        ? static_cast<double>(random.Next() >> 11) * 0x1p-53 * 2e6 - 1e6
                        : static_cast<double>(static_cast<std::int64_t>(random.Below(2000000000)) -
                                              1000000000) /
                              10000.0;
    const std::size_t nameLength = 16 + random.Below(9);
    for (std::size_t k = 0; k < nameLength; ++k) {
        feature.name += kLetters[random.Below(kLetters.size())];
    }
    const std::size_t cnameLength = 3 + random.Below(8);
    for (std::size_t k = 0; k < cnameLength; ++k) {
        feature.cname += kChinese.substr(random.Below(kChinese.size() / 3) * 3, 3);
    }
    feature.date.year = static_cast<std::int16_t>(1990 + random.Below(35));
    feature.date.month = static_cast<std::int8_t>(1 + random.Below(12));
    feature.date.day = static_cast<std::int8_t>(1 + random.Below(28));
    feature.code = static_cast<std::int16_t>(random.Below(100));
    return feature;
}

Torvex::RecordSpec BenchDataset::Record(const BenchFeature& feature) const
{
    Torvex::RecordSpec record;
    record.parts = feature.parts;
    record.attributes = {
        std::int64_t{feature.id},         feature.value, feature.name,
        Torvex::Utf8ToGbk(feature.cname), feature.date,  std::int64_t{feature.code},
    };
    if (m_kind == Torvex::FileKind::Point) {
        // Kind 1: a symbol point, not an annotation.
        Torvex::TORVEX_PntInfo info{};
        info.kind = 1;
        record.info.resize(sizeof(info));
        std::memcpy(record.info.data(), &info, sizeof(info));
    }
    return record;
}

std::string BenchDataset::CsvLine(const BenchFeature& feature) const
{
    std::string line = "\"";
    switch (m_kind) {
        case Torvex::FileKind::Point:
            line += "POINT (";
            AppendNumber(line, feature.parts[0][0].x);
            line += ' ';
            AppendNumber(line, feature.parts[0][0].y);
            line += ')';
            break;
        case Torvex::FileKind::Line:
            line += "LINESTRING ";
            AppendVertices(line, feature.parts[0]);
            break;
        default:
            line += "POLYGON (";
            for (std::size_t i = 0; i < feature.parts.size(); ++i) {
                if (i > 0) {
                    line += ',';
                }
                AppendVertices(line, feature.parts[i]);
            }
            line += ')';
            break;
    }
    line += "\",";
    line += std::to_string(feature.id);
    line += ',';
    AppendNumber(line, feature.value);
    line += ",\"" + feature.name + "\",\"" + feature.cname + "\",";
    line += std::to_string(feature.date.year) + '-' + TwoDigits(feature.date.month) + '-' +
            TwoDigits(feature.date.day);
    line += ',';
    line += std::to_string(feature.code);
    line += '\n';
    return line;
}

}  // namespace Calvorn
