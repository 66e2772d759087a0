// The console tool's batch-mode arguments: [options] -o OUTDIR SOURCE...
//
// Options, applied from left to right onto the default conversion options:
//   --split-annotations / --no-split-annotations, --projection / --no-projection,
//   --style-as-attributes / --no-style-as-attributes, --delete-empty / --keep-empty,
//   the switches /s /n /p /c /e (also with "-"), --layer-map FILE, --field-map FILE,
//   --log FILE, --report FILE, --resume FILE (repeatable) (the valued ones also as
//   --name=FILE), -j N (also -jN, --jobs N, --jobs=N: files converted at once, at least 1),
//   --keep-tree, --shard K/N (also --shard=K/N), --list, and "--" after which every argument is
//   a SOURCE. -o may be left out with --list only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/ConversionOptions.h"
#include "cli/Shard.h"

namespace Calvorn {

struct BatchArguments {
    std::string outputFolder;          // -o
    std::vector<std::string> sources;  // files, projects and folders, in the order given
    ConversionOptions options;
    bool quiet = false;  // /s: print nothing on standard output
    int jobs = 1;        // -j: files converted at once
    std::optional<std::string> layerMap;
    std::optional<std::string> fieldMap;
    std::optional<std::string> logFile;
    std::optional<std::string> report;  // --report: the run report to append to
    std::vector<std::string> resume;    // --resume: reports of earlier runs
    bool keepTree = false;              // --keep-tree
    std::optional<Shard> shard;         // --shard K/N
    bool list = false;  // --list: print the sources the run would take, convert nothing
    std::string error;  // what was not understood; empty when everything was

    // Whether the command line asks for batch mode: "-o" or "--list" among the options.
    static bool IsBatchMode(const std::vector<std::string>& args);
    static BatchArguments Parse(const std::vector<std::string>& args);

    // When `arg` is one of the long option pairs (--projection, --no-projection, ...), applies
    // it to `options` and returns true. The one-file mode takes them too.
    static bool ApplyFlagOption(const std::string& arg, ConversionOptions& options);
    // The name of the option `arg` begins, in any of its forms, when that option has a meaning
    // only in batch mode (-j, --jobs, --layer-map, --field-map, --keep-tree, --shard, --report,
    // --resume); empty otherwise.
    static std::string BatchOnlyOption(const std::string& arg);
};

}  // namespace Calvorn
