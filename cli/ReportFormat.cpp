#include "cli/ReportFormat.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <string_view>

#include "app/PathText.h"
#include "app/TextFormat.h"
#include "app/UserText.h"
#include "cli/ConsoleMessages.h"
#include "convert/SourceKinds.h"

namespace Calvorn {

namespace {

using Json = nlohmann::json;

constexpr std::array<const char*, 5> kStatuses = {"ok", "empty", "failed", "stopped", "skipped"};

nlohmann::ordered_json Optional(const auto& value)
{
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

// What a reader takes from one line, gathered while it is parsed (SAX): building the whole
// object, the log lines above all, would take most of the time a large report costs to read.
class LineReader {
public:
    using Json = nlohmann::json;

    std::optional<std::string> type;

    // A file line, or nothing when the line is not one.
    std::optional<FileEntry> File()
    {
        if (m_badOutput || !m_source || !m_status ||
            std::find(kStatuses.begin(), kStatuses.end(), *m_status) == kStatuses.end()) {
            return std::nullopt;
        }
        m_entry.source = std::move(*m_source);
        m_entry.status = std::move(*m_status);
        for (const SourceKind& kind : SourceKinds()) {
            if (m_kind == Torvex::FileKindName(kind.kind)) {
                m_entry.kind = kind.kind;
            }
        }
        if (m_stored && m_live && m_written) {
            m_entry.records = RecordCounts{*m_stored, *m_live, *m_written};
        }
        return std::move(m_entry);
    }

    // A run line's settings, or nothing when they are not all there.
    std::optional<RunSettings> Run() const
    {
        for (const auto& flag : m_flags) {
            if (!flag) {
                return std::nullopt;
            }
        }
        if (!m_outputFolder) {
            return std::nullopt;
        }
        const auto on = [this](std::size_t flag) { return *m_flags[flag] ? 1 : 0; };
        return RunSettings{*m_outputFolder, *m_flags[0] != 0,
                           ConversionOptions{on(1), on(2), on(3), on(4)}};
    }

    // The SAX events.
    bool null() { return Value(); }
    bool boolean(bool value)
    {
        if (In("options")) {
            for (std::size_t flag = 0; flag < std::size(kRunFlags); ++flag) {
                if (Key() == kRunFlags[flag]) {
                    m_flags[flag] = value;
                }
            }
        }
        return Value();
    }
    bool number_integer(Json::number_integer_t value) { return Integer(value); }
    bool number_unsigned(Json::number_unsigned_t value)
    {
        return value <= static_cast<Json::number_unsigned_t>(INT64_MAX)
                   ? Integer(static_cast<std::int64_t>(value))
                   : Value();
    }
    bool number_float(Json::number_float_t value, const std::string& /*text*/)
    {
        if (TopLevel() && Key() == "seconds") {
            m_entry.seconds = value;
        }
        return Value();
    }
    bool string(std::string& value)
    {
        if (InArray("outputs")) {
            m_entry.outputs.push_back(std::move(value));
            return true;
        }
        std::optional<std::string>* field = nullptr;
        if (TopLevel()) {
            const std::string& key = Key();
            field = key == "type"     ? &type
                    : key == "source" ? &m_source
                    : key == "status" ? &m_status
                    : key == "kind"   ? &m_kind
                    : key == "reason" ? &m_entry.reason
                                      : nullptr;
        } else if (In("options") && Key() == "output_folder") {
            field = &m_outputFolder;
        }
        if (field != nullptr) {
            *field = std::move(value);
        }
        return Value();
    }
    bool binary(Json::binary_t& /*value*/) { return Value(); }
    bool start_object(std::size_t /*elements*/) { return Open(false); }
    bool key(std::string& name)
    {
        m_keys.back() = std::move(name);
        return true;
    }
    bool end_object() { return Close(); }
    bool start_array(std::size_t /*elements*/) { return Open(true); }
    bool end_array() { return Close(); }
    bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                     const nlohmann::detail::exception& /*error*/)
    {
        return false;
    }

private:
    static constexpr std::array<const char*, 5> kRunFlags = {
        "keep_tree", "split_annotations", "projection", "style_as_attributes", "delete_empty"};

    bool Open(bool array)
    {
        if (InArray("outputs")) {
            m_badOutput = true;
        }
        m_arrays.push_back(array);
        m_keys.emplace_back();
        return true;
    }
    bool Close()
    {
        m_arrays.pop_back();
        m_keys.pop_back();
        return true;
    }
    // The key of the value at hand, in the object that holds it.
    const std::string& Key() const { return m_keys.back(); }
    bool TopLevel() const { return m_arrays.size() == 1 && !m_arrays.back(); }
    // Whether the value at hand is a member of the line's object `name`, or an element of its
    // array `name`.
    bool In(const char* name) const
    {
        return m_arrays.size() == 2 && !m_arrays.back() && m_keys.front() == name;
    }
    bool InArray(const char* name) const
    {
        return m_arrays.size() == 2 && m_arrays.back() && m_keys.front() == name;
    }
    bool Value()
    {
        if (InArray("outputs")) {
            m_badOutput = true;  // an output that is no text: not a file line
        }
        return true;
    }
    bool Integer(std::int64_t value)
    {
        std::optional<std::int64_t>* field = nullptr;
        if (TopLevel()) {
            const std::string& key = Key();
            field = key == "size"    ? &m_entry.stat.size
                    : key == "mtime" ? &m_entry.stat.mtime
                                     : nullptr;
            if (key == "outcome" && value >= INT32_MIN && value <= INT32_MAX) {
                m_entry.outcome = static_cast<int>(value);
            }
        } else if (In("records")) {
            const std::string& key = Key();
            field = key == "stored"    ? &m_stored
                    : key == "live"    ? &m_live
                    : key == "written" ? &m_written
                                       : nullptr;
        }
        if (field != nullptr) {
            *field = value;
        }
        return Value();
    }

    std::vector<bool> m_arrays;       // the containers the parser is in, outermost first
    std::vector<std::string> m_keys;  // in each of them, the key of the value at hand
    FileEntry m_entry;
    std::optional<std::string> m_source, m_status, m_kind, m_outputFolder;
    std::optional<std::int64_t> m_stored, m_live, m_written;
    std::array<std::optional<bool>, std::size(kRunFlags)> m_flags;
    bool m_badOutput = false;
};

}  // namespace

SourceStat StatSource(const std::filesystem::path& path,
                      std::pair<std::uint64_t, std::uint64_t>* identity)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    if (identity != nullptr) {
        *identity = {info.st_dev, info.st_ino};
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
    json["kind"] = entry.kind ? nlohmann::ordered_json(Torvex::FileKindName(*entry.kind))
                              : nlohmann::ordered_json(nullptr);
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
    return static_cast<double>(std::llround(seconds * 1000)) / 1000;
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
    entry.records = RecordCounts{job.facts.stored, job.facts.live, job.facts.written};
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
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return false;
    }
    // In one read: a large archive's report has tens of megabytes.
    std::string text(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
    in.seekg(0);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    std::shared_ptr<const RunSettings> run;
    std::size_t number = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        const char* line = text.data() + at;
        const char* lineEnd = text.data() + end;
        at = end + 1;
        ++number;
        LineReader reader;
        const bool parsed = Json::sax_parse(line, lineEnd, &reader);
        if (parsed && reader.type == "run") {
            const auto settings = reader.Run();
            run = settings ? std::make_shared<const RunSettings>(*settings) : nullptr;
            continue;
        }
        if (parsed && reader.type == "summary") {
            continue;
        }
        std::optional<FileEntry> entry =
            parsed && reader.type == "file" ? reader.File() : std::nullopt;
        if (!entry) {
            PrintPathProblem(err, PathToUtf8(path),
                             Format("line %zu is not a report record, skipped", number));
            continue;
        }
        onFile(std::move(*entry), run, number);
    }
    return true;
}

}  // namespace Calvorn
