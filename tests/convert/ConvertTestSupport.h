// End-to-end support for the converter tests: Torvex files made from JSON descriptions (the
// form torvex-make reads), an engine whose log goes into the test's folder, and readers for
// what the converters wrote, through shapelib and through GDAL as an independent reader.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/ConversionOptions.h"
#include "app/NameTables.h"
#include "convert/ConversionEngine.h"
#include "tests/support/TestSupport.h"

namespace CalvornTest {

// Writes the Torvex file that `json` describes to `path` and returns `path`.
std::filesystem::path WriteTorvex(const std::filesystem::path& path, const std::string& json);

// The lines of a conversion log, decoded from GBK, without the leading ">" and the line end.
std::vector<std::string> ReadLogLines(const std::filesystem::path& path);

struct DbfField {
    std::string name;  // UTF-8
    char type = 0;     // native type: 'C', 'N', 'L', ...
    int width = 0;
    int decimals = 0;
    bool operator==(const DbfField&) const = default;
};

struct DbfContent {
    std::vector<DbfField> fields;
    // rows[r][f]: the field's text with blanks trimmed, decoded from GBK; nullopt when null.
    std::vector<std::vector<std::optional<std::string>>> rows;
};

DbfContent ReadDbf(const std::filesystem::path& path);

using Part = std::vector<std::pair<double, double>>;

struct ShpContent {
    int shapeType = -1;
    std::vector<std::vector<Part>> shapes;  // shapes[i]: the parts of shape i (a point: one)
    std::vector<Part> bounds;               // each shape's stored (xmin, ymin), (xmax, ymax)
    int indexCount = -1;                    // records the .shx lists
};

ShpContent ReadShp(const std::filesystem::path& path);

// The file read by GDAL (ogr2ogr to GeoJSON); a failing reader fails the calling test.
nlohmann::json ReadWithGdal(const std::filesystem::path& path);

// ST_IsValid of each feature's geometry as GDAL (SQLite dialect, GEOS) sees it: 1 valid,
// 0 invalid, -1 for a null shape.
nlohmann::json ValidityWithGdal(const std::filesystem::path& shpPath);

// A sample's JSON description (samples/NAME).
nlohmann::json LoadSampleJson(const std::string& name);

// A test with an engine of its own, its log in the test's folder and an output folder "out".
class ConversionTest : public ::testing::Test {
protected:
    ConversionTest();

    // A source file in the folder "in", made from `json`.
    std::filesystem::path Source(const std::string& name, const std::string& json);
    // Empties the output folder and starts the log afresh, for the next case of a table.
    void Reset();
    // The log lines written since the test began (or the last Reset).
    std::vector<std::string> LogLines() const;

    TempDir m_dir;
    std::filesystem::path m_out;
    Calvorn::ConversionOptions m_options;
    Calvorn::NameTables m_tables;
    Calvorn::ConversionEngine m_engine{m_options, m_tables, Calvorn::ProgramContext()};
    // An engine of the test's options and tables whose outputs follow `policy` and whose record
    // loop uses `threads`.
    Calvorn::ConversionEngine EngineWith(const Calvorn::OutputPolicy& policy,
                                         Calvorn::RecordThreads threads = {}) const
    {
        return Calvorn::ConversionEngine(
            m_options, m_tables,
            Calvorn::ConversionContext{Calvorn::ProgramContext().log, policy, threads});
    }
};

}  // namespace CalvornTest
