// Where a batch run puts each file's outputs: the output folder, or, with the folder tree kept,
// the subfolder that the source's relative path names without its file name ("sheet01/roads.wl"
// goes into OUT/sheet01, a file given alone into OUT). Subfolders are created when first
// needed, never through a link, so a link in the tree cannot send outputs elsewhere. Every
// folder a run writes into is cleared of dead runs' temporary files before its first file.
//
// Safe to use from several threads.
#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <string>

#include "batch/Job.h"

namespace Calvorn {

class OutputTree {
public:
    OutputTree(std::filesystem::path root, bool keepTree);

    // The folder of `job`'s outputs.
    std::filesystem::path FolderFor(const Job& job) const;

    // Makes a folder FolderFor gave ready for outputs, once per run: creates what is missing of
    // it below the output folder and removes the temporary files dead runs left there. Returns
    // why it cannot take outputs ("是一个链接"), or an empty text when it can.
    std::string Prepare(const std::filesystem::path& folder);

private:
    std::string Create(const std::filesystem::path& folder) const;

    std::filesystem::path m_root;
    bool m_keepTree;
    std::mutex m_mutex;
    std::map<std::filesystem::path, std::string> m_prepared;  // folder → its problem
};

}  // namespace Calvorn
