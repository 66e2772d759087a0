// The benchmark's features, made from a seed alone: record i of a dataset is the same on every
// machine and in every run, whatever else was generated before it, so the Torvex file and the
// CSV that ogr2ogr reads describe exactly the same features.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "torvex/Result.h"
#include "torvex/builder/TorvexBuilder.h"

namespace Calvorn {

struct BenchFeature {
    std::vector<std::vector<Torvex::Vertex>> parts;  // point: one part of one vertex
    std::int32_t id = 0;
    double value = 0.0;  // 4 decimals, or any double below 10^6 in a precise dataset
    std::string name;    // ASCII, 16 to 24 characters
    std::string cname;   // UTF-8, Chinese, 3 to 10 characters
    Torvex::DateValue date;
    std::int16_t code = 0;
};

class BenchDataset {
public:
    // Points, lines of 20 vertices, or polygons of 32 vertices with a hole of 8 in every fifth.
    // `precise`: the value is a double of every digit, in a field 24 wide with 15 decimals
    // (16.4 otherwise).
    BenchDataset(Torvex::FileKind kind, std::uint64_t seed, bool precise = false);

    Torvex::FileKind Kind() const { return m_kind; }

    // The six attribute fields, in the Torvex file's terms.
    std::vector<Torvex::FieldSpec> Fields() const;
    // The same fields as an OGR CSV type line (.csvt), geometry column first.
    std::string CsvTypes() const;
    static std::string CsvHeader();

    BenchFeature Feature(std::uint64_t index) const;

    // Builds the Torvex form of a feature (attributes GBK, a graphic-parameter record that
    // makes points plain symbol points).
    Torvex::RecordSpec Record(const BenchFeature& feature) const;
    // One CSV line (with its line feed): WKT geometry and the attributes.
    std::string CsvLine(const BenchFeature& feature) const;

private:
    Torvex::FileKind m_kind;
    std::uint64_t m_seed;
    bool m_precise;
};

}  // namespace Calvorn
