#include "cli/ReportFormat.h"

#include <sys/stat.h>

#include <array>
#include <fstream>
#include <iterator>
#include <string_view>

#include "app/PathText.h"
#include "app/TextFormat.h"
#include "app/UserText.h"
#include "cli/ConsoleMessages.h"

namespace Calvorn {

namespace {

using Json = nlohmann::json;

constexpr std::array<std::pair<FileKind, const char*>, 4> kKindNames = {{
    {kKindPoint, "point"},
    {kKindLine, "line"},
    {kKindPolygon, "polygon"},
    {kKindTable, "table"},
}};

constexpr std::array<const char*, 5> kStatuses = {"ok", "empty", "failed", "stopped", "skipped"};

nlohmann::ordered_json Optional(const auto& value)
{
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

// The value of `key` in `object` when it has the type `T` asks for.
template <typename T>
std::optional<T> Get(const Json& object, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end()) {
        return std::nullopt;
    }
    if constexpr (std::is_same_v<T, std::string>) {
        return it->is_string() ? std::optional<T>(it->template get<std::string>()) : std::nullopt;
    } else if constexpr (std::is_same_v<T, bool>) {
        return it->is_boolean() ? std::optional<T>(it->template get<bool>()) : std::nullopt;
    } else {
        return it->is_number_integer() ? std::optional<T>(it->template get<T>()) : std::nullopt;
    }
}

std::optional<RunSettings> RunSettingsOf(const Json& run)
{
    const auto options = run.find("options");
    if (options == run.end() || !options->is_object()) {
        return std::nullopt;
    }
    const auto folder = Get<std::string>(*options, "output_folder");
    const auto keepTree = Get<bool>(*options, "keep_tree");
    const auto split = Get<bool>(*options, "split_annotations");
    const auto projection = Get<bool>(*options, "projection");
    const auto style = Get<bool>(*options, "style_as_attributes");
    const auto deleteEmpty = Get<bool>(*options, "delete_empty");
    if (!folder || !keepTree || !split || !projection || !style || !deleteEmpty) {
        return std::nullopt;
    }
    RunSettings settings;
    settings.outputFolder = *folder;
    settings.keepTree = *keepTree;
    settings.options = {*split ? 1 : 0, *projection ? 1 : 0, *style ? 1 : 0, *deleteEmpty ? 1 : 0};
    return settings;
}

std::optional<FileEntry> FileEntryOf(const Json& line)
{
    FileEntry entry;
    const auto source = Get<std::string>(line, "source");
    const auto status = Get<std::string>(line, "status");
    if (!source || !status || std::find(kStatuses.begin(), kStatuses.end(), *status) == kStatuses.end()) {
        return std::nullopt;
    }
    entry.source = *source;
    entry.status = *status;
    entry.stat = {Get<std::int64_t>(line, "size"), Get<std::int64_t>(line, "mtime")};
    if (const auto kind = Get<std::string>(line, "kind")) {
        for (const auto& [value, name] : kKindNames) {
            entry.kind = *kind == name ? value : entry.kind;
        }
    }
    entry.reason = Get<std::string>(line, "reason");
    entry.outcome = Get<int>(line, "outcome");
    if (const auto records = line.find("records"); records != line.end() && records->is_object()) {
        const auto stored = Get<std::int64_t>(*records, "stored");
        const auto live = Get<std::int64_t>(*records, "live");
        const auto written = Get<std::int64_t>(*records, "written");
        if (stored && live && written) {
            entry.records = RecordCounts{*stored, *live, *written};
        }
    }
    if (const auto outputs = line.find("outputs"); outputs != line.end() && outputs->is_array()) {
        for (const Json& output : *outputs) {
            if (!output.is_string()) {
                return std::nullopt;
            }
            entry.outputs.push_back(output.get<std::string>());
        }
    }
    return entry;
}

}  // namespace

SourceStat StatSource(const std::filesystem::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    return {static_cast<std::int64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

bool RunSettings::operator==(const RunSettings& other) const
{
    const ConversionOptions& a = options;
    const ConversionOptions& b = other.options;
    return outputFolder == other.outputFolder && keepTree == other.keepTree &&
           (a.SplitAnnotations == 1) == (b.SplitAnnotations == 1) &&
           (a.OutputProjection == 1) == (b.OutputProjection == 1) &&
           (a.StyleAsAttributes == 1) == (b.StyleAsAttributes == 1) &&
           (a.DeleteEmptyResults == 1) == (b.DeleteEmptyResults == 1);
}

nlohmann::ordered_json RunSettingsJson(const RunSettings& settings)
{
    const ConversionOptions& o = settings.options;
    return {{"output_folder", settings.outputFolder},
            {"keep_tree", settings.keepTree},
            {"split_annotations", o.SplitAnnotations == 1},
            {"projection", o.OutputProjection == 1},
            {"style_as_attributes", o.StyleAsAttributes == 1},
            {"delete_empty", o.DeleteEmptyResults == 1}};
}

nlohmann::ordered_json FileEntryJson(const FileEntry& entry)
{
    nlohmann::ordered_json json;
    json["type"] = "file";
    json["source"] = entry.source;
    json["size"] = Optional(entry.stat.size);
    json["mtime"] = Optional(entry.stat.mtime);
    json["kind"] = nullptr;
    for (const auto& [value, name] : kKindNames) {
        if (entry.kind == value) {
            json["kind"] = name;
        }
    }
    json["status"] = entry.status;
    json["reason"] = Optional(entry.reason);
    json["outcome"] = Optional(entry.outcome);
    if (entry.records) {
        json["records"] = {{"stored", entry.records->stored},
                           {"live", entry.records->live},
                           {"written", entry.records->written}};
    } else {
        json["records"] = nullptr;
    }
    json["outputs"] = entry.outputs;
    json["seconds"] = ReportSeconds(entry.seconds);
    json["log"] = entry.log;
    return json;
}

double ReportSeconds(double seconds)
{
    // Milliseconds are plenty, and keep the line short.
    return static_cast<double>(static_cast<std::int64_t>(seconds * 1000 + 0.5)) / 1000;
}

std::string ReportLine(const nlohmann::ordered_json& json)
{
    // Every text was made UTF-8 on its way in; a slip must not end the run.
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

FileEntry EntryOfRow(const Job& job, const SourceStat& stat,
                     const std::filesystem::path& outputFolder)
{
    FileEntry entry;
    entry.source = EscapeNonUtf8(PathToUtf8(job.source));
    entry.stat = stat;
    entry.kind = job.kind;
    entry.status = job.status == kStatusConverted ? "ok"
                   : job.status == kStatusEmpty   ? "empty"
                                                  : "failed";
    if (job.status == kStatusFailed) {
        entry.reason = FailureReason(job);
    }
    entry.outcome = job.outcome;
    entry.records = RecordCounts{job.facts.slots, job.facts.live, job.facts.written};
    // The outputs lie below the output folder as it was given: what follows it is theirs.
    const std::string folder = PathToUtf8(outputFolder);
    for (const std::filesystem::path& output : job.facts.outputs) {
        std::string path = PathToUtf8(output);
        if (path.starts_with(folder)) {
            path.erase(0, path.find_first_not_of('/', folder.size()));
        }
        entry.outputs.push_back(EscapeNonUtf8(path));
    }
    entry.seconds = job.seconds;
    for (const std::string& line : job.log.Lines()) {
        entry.log.push_back(EscapeNonUtf8(line));
    }
    return entry;
}

bool ReadReport(const std::filesystem::path& path, std::ostream& err,
                const FileEntryCallback& onFile)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // A file's log lines are the bulk of a report and say nothing to a reader: left unbuilt.
    const Json::parser_callback_t withoutLog = [](int depth, Json::parse_event_t event,
                                                  Json& parsed) {
        return !(depth == 1 && event == Json::parse_event_t::key && parsed == "log");
    };
    std::shared_ptr<const RunSettings> run;
    std::size_t number = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        const std::string_view line(text.data() + at, end - at);
        at = end + 1;
        ++number;
        const Json json = Json::parse(line.begin(), line.end(), withoutLog, false);
        const auto type = json.is_object() ? Get<std::string>(json, "type") : std::nullopt;
        if (type == "run") {
            const auto settings = RunSettingsOf(json);
            run = settings ? std::make_shared<const RunSettings>(*settings) : nullptr;
            continue;
        }
        if (type == "summary") {
            continue;
        }
        std::optional<FileEntry> entry = type == "file" ? FileEntryOf(json) : std::nullopt;
        if (!entry) {
            PrintPathProblem(
                err, PathToUtf8(path),
                Format("line %zu is not a report record, skipped", number));
            continue;
        }
        onFile(std::move(*entry), run, number);
    }
    return true;
}

}  // namespace Calvorn
