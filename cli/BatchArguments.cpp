#include "cli/BatchArguments.h"

#include <array>

#include "app/CCmdBatchInfo.h"

namespace Calvorn {

namespace {

struct FlagOption {
    const char* name;
    int ConversionOptions::*option;
    int value;
};

constexpr std::array<FlagOption, 8> kFlagOptions = {{
    {"--split-annotations", &ConversionOptions::SplitAnnotations, 1},
    {"--no-split-annotations", &ConversionOptions::SplitAnnotations, 0},
    {"--projection", &ConversionOptions::OutputProjection, 1},
    {"--no-projection", &ConversionOptions::OutputProjection, 0},
    {"--style-as-attributes", &ConversionOptions::StyleAsAttributes, 1},
    {"--no-style-as-attributes", &ConversionOptions::StyleAsAttributes, 0},
    {"--delete-empty", &ConversionOptions::DeleteEmptyResults, 1},
    {"--keep-empty", &ConversionOptions::DeleteEmptyResults, 0},
}};

// The option that takes `name`'s value, or null.
std::optional<std::string> BatchArguments::*ValuedOption(const std::string& name)
{
    if (name == "--layer-map") {
        return &BatchArguments::layerMap;
    }
    if (name == "--field-map") {
        return &BatchArguments::fieldMap;
    }
    if (name == "--log") {
        return &BatchArguments::logFile;
    }
    if (name == "--report") {
        return &BatchArguments::report;
    }
    return nullptr;
}

// The value of option `arg` (as "--name=VALUE" or followed by VALUE), advancing `i` past it;
// nothing, with `error` set, when it is missing.
std::optional<std::string> OptionValue(const std::vector<std::string>& args, std::size_t& i,
                                       const char* what, std::string& error)
{
    const std::string& arg = args[i];
    const std::size_t equals = arg.find('=');
    if (equals != std::string::npos) {
        return arg.substr(equals + 1);
    }
    if (i + 1 < args.size()) {
        return args[++i];
    }
    error = "option " + arg + " needs " + what;
    return std::nullopt;
}

// The largest -j taken: more threads than that only cost memory.
constexpr int kMaxJobs = 256;

// The value of -j / --jobs, or 0 when it is not a whole number from 1 to kMaxJobs.
int ParseJobs(const std::string& text)
{
    if (text.empty() || text.size() > 3 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return 0;
    }
    const int value = std::stoi(text);
    return value >= 1 && value <= kMaxJobs ? value : 0;
}

}  // namespace

bool BatchArguments::ApplyFlagOption(const std::string& arg, ConversionOptions& options)
{
    for (const FlagOption& flag : kFlagOptions) {
        if (arg == flag.name) {
            options.*flag.option = flag.value;
            return true;
        }
    }
    return false;
}

std::string BatchArguments::BatchOnlyOption(const std::string& arg)
{
    if (arg.rfind("-j", 0) == 0) {
        return "-j";
    }
    for (const char* name : {"--jobs", "--layer-map", "--field-map", "--keep-tree", "--shard",
                             "--report", "--resume"}) {
        if (arg == name || arg.rfind(std::string(name) + "=", 0) == 0) {
            return name;
        }
    }
    return {};
}

bool BatchArguments::IsBatchMode(const std::vector<std::string>& args)
{
    for (const std::string& arg : args) {
        if (arg == "--") {
            return false;
        }
        if (arg == "-o" || arg == "--list") {
            return true;
        }
    }
    return false;
}

namespace {

// -j N, -jN, --jobs N, --jobs=N; false for any other argument.
bool ParseJobsOption(const std::vector<std::string>& args, std::size_t& i, BatchArguments& result)
{
    const std::string& arg = args[i];
    const bool separate = arg == "-j" || arg == "--jobs";
    if (!separate && arg.rfind("--jobs=", 0) != 0 && (arg.rfind("-j", 0) != 0 || arg.size() <= 2)) {
        return false;
    }
    std::string value;
    if (separate) {
        if (i + 1 == args.size()) {
            result.error = "option " + arg + " needs a number";
            return true;
        }
        value = args[++i];
    } else {
        value = arg.substr(arg[1] == '-' ? 7 : 2);
    }
    result.jobs = ParseJobs(value);
    if (result.jobs == 0) {
        result.error =
            "-j takes a number of files from 1 to " + std::to_string(kMaxJobs) + ", not " + value;
    }
    return true;
}

// An option beginning with "--" (its value, if any, taken from the next argument or "=...").
void ParseLongOption(const std::vector<std::string>& args, std::size_t& i, BatchArguments& result)
{
    const std::string& arg = args[i];
    const std::string name = arg.substr(0, arg.find('='));
    if (BatchArguments::ApplyFlagOption(arg, result.options)) {
        return;
    }
    if (arg == "--keep-tree" || arg == "--list") {
        (arg == "--list" ? result.list : result.keepTree) = true;
    } else if (name == "--shard") {
        if (const auto value = OptionValue(args, i, "K/N", result.error)) {
            result.shard = Shard::Parse(*value);
            if (!result.shard) {
                result.error =
                    "--shard takes K/N, two whole numbers with 0 <= K < N, not " + *value;
            }
        }
    } else if (name == "--resume") {
        if (const auto value = OptionValue(args, i, "a file", result.error)) {
            result.resume.push_back(*value);
        }
    } else if (const auto valued = ValuedOption(name)) {
        if (const auto value = OptionValue(args, i, "a file", result.error)) {
            result.*valued = *value;
        }
    } else {
        result.error = "unknown option: " + arg;
    }
}

}  // namespace

BatchArguments BatchArguments::Parse(const std::vector<std::string>& args)
{
    BatchArguments result;
    // The switch letters mean here what they mean on the one-file command line.
    CCmdBatchInfo switches(result.options);
    bool outputGiven = false;
    bool optionsEnded = false;

    for (std::size_t i = 0; i < args.size() && result.error.empty(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded) {
            result.sources.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (ParseJobsOption(args, i, result)) {
            continue;
        }
        if (arg.rfind("--", 0) == 0) {
            ParseLongOption(args, i, result);
            continue;
        }
        if (arg == "-o") {
            if (i + 1 < args.size()) {
                result.outputFolder = args[++i];
                outputGiven = true;
            } else {
                result.error = "option -o needs a folder";
            }
            continue;
        }
        if (CCmdBatchInfo::IsSwitchArgument(arg)) {
            if (CCmdBatchInfo::IsSwitchName(arg.substr(1))) {
                switches.ParseParam(arg.substr(1), true, false);
            } else {
                result.error = "unknown option: " + arg;
            }
            continue;
        }
        result.sources.push_back(arg);
    }

    result.quiet = switches.m_bQuiet;
    if (result.error.empty() && !outputGiven && !result.list) {
        result.error = "no output folder given (-o OUTDIR)";
    }
    if (result.error.empty() && result.sources.empty()) {
        result.error = "no SOURCE given";
    }
    return result;
}

}  // namespace Calvorn
