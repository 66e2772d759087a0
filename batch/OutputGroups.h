// Which rows of a batch may be converted at the same time. A converter picks its outputs' names
// by looking at what the output folder already holds (roads.shp there: roads_WL.shp), so two
// files whose possible output names meet must be converted one after the other, in row order,
// or the names would depend on which one came first.
//
// The possible output names of a row are its joined name (the output folder joined with the
// source's base name mapped through the layer-name table, as the converters build it) and that
// name with each of the suffixes "_WL", "_WP", "_WT", "_WB" and "_ANN", each of the suffixed ones
// also numbered ("_2", "_3", ...) when taken. Rows whose possible names meet, directly or through
// other rows, form one group: towns.wt and towns_ANN.wl, x.wl and x_WL.wl, x.wl and x_WL_2.wl,
// a file listed twice. Names are compared as the file system does: case-sensitively,
// except on Windows and macOS, where ASCII letters are compared without case.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "batch/Job.h"

namespace Calvorn {

class NameTables;

// The groups of `rows`, each a list of row indices in row order; groups in the order of their
// first rows. Every row is in exactly one group.
std::vector<std::vector<std::size_t>> OutputGroups(const std::vector<Job>& rows,
                                                   const NameTables& tables,
                                                   const std::filesystem::path& outputFolder);
// The same with each row's outputs in the folder `folderOf` gives for it (a kept folder tree).
std::vector<std::vector<std::size_t>> OutputGroups(
    const std::vector<Job>& rows, const NameTables& tables,
    const std::function<std::filesystem::path(const Job&)>& folderOf);

// The possible output names of `source` (without extension), in the form they are compared in;
// the numbered ones stand for themselves through the name they number, so a joined name that
// looks numbered ("x_WL_2") is listed with that name too ("x_WL").
std::vector<std::string> PossibleOutputNames(const std::filesystem::path& source,
                                             const NameTables& tables,
                                             const std::filesystem::path& outputFolder);

}  // namespace Calvorn
