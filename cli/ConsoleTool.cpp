#include "cli/ConsoleTool.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <optional>
#include <sstream>
#include <system_error>

#include <nlohmann/json.hpp>

#include "app/CCmdBatchInfo.h"
#include "app/CConvertLog.h"
#include "app/LogBlock.h"
#include "app/NameTables.h"
#include "app/PathSettings.h"
#include "app/PathText.h"
#include "app/TextFormat.h"
#include "app/UserText.h"
#include "batch/BatchRun.h"
#include "batch/ExitStatus.h"
#include "batch/FileLog.h"
#include "batch/JobList.h"
#include "batch/OneFileConversion.h"
#include "cli/BatchArguments.h"
#include "cli/CollectedMessages.h"
#include "cli/ConsoleMessages.h"
#include "cli/ConsoleProgress.h"
#include "cli/ConsoleReporter.h"
#include "cli/LogFileCheck.h"
#include "cli/ReportFormat.h"
#include "cli/ReportSummary.h"
#include "cli/ResumeIndex.h"
#include "cli/RunReport.h"
#include "convert/ConversionEngine.h"
#include "convert/StopSignal.h"

namespace Calvorn {

namespace {

constexpr const char* kHelpHint = "运行 calvorn-cli --help 查看全部选项";

constexpr const char* kHelpText = R"(Usage:
  calvorn-cli [/s] [/n] [/p] [/c] [/e] [--log FILE] TORVEXFILE OUTPUTPATH
  calvorn-cli [OPTIONS] [-j N] -o OUTDIR SOURCE...
  calvorn-cli --list [--shard K/N] SOURCE...
  calvorn-cli --summarize REPORT...
  calvorn-cli --help | --version

Converts Torvex point (.wt), line (.wl), polygon (.wp) and table (.wb) files into
ESRI Shapefiles (.shp, .shx, .dbf, .prj; a table file becomes a lone .dbf).

One-file mode (no -o): the desktop program's command line. Converts TORVEXFILE into
the folder OUTPUTPATH. Switches start with "/" or "-" and are case-sensitive:
  /s   quiet: print no message but the usage text
  /n   do not split annotation points into an output of their own (the default)
  /p   write a .prj file and rescale by the projection's scale (the default)
  /c   write the display style as attributes
  /e   delete the outputs of a file without records (the default)
The long options of batch mode that set these (--projection, --no-projection and
the others) work here too; -j, --jobs, --layer-map and --field-map need -o. Other
switches and further plain arguments are ignored. The name-mapping files are not
loaded. The usage text goes to standard output, a missing file or folder is
reported on standard error, the outcome message on standard output when the file
was converted or empty and on standard error otherwise, followed for a failed file
by "calvorn-cli: PATH: REASON" (the reason from the conversion log).
Exit status: the conversion outcome: 0 converted, 1 the source cannot be opened,
2 graphic and attribute record counts differ, 4 records lost, 6 error while
defining the fields, 10 the file is empty; 20 no converter for the extension;
64 usage text shown or an option not understood; 66 the source file or the output
folder does not exist.

Batch mode (-o given): converts every SOURCE into OUTDIR. A SOURCE is a Torvex
file, a project file (.mpj, expanded into its items, each taken from the project's
own folder, where a name in another letter case is found too) or a folder (scanned
with its subfolders; projects in it are not expanded). Every SOURCE must exist:
"calvorn-cli: PATH: 没有那个文件或目录" for each one that does not, and nothing is
converted. Files are converted in the order given: sources in argument order, a
project's items in their stored order, a folder's entries in byte order of their
names, depth first. The same file given twice is converted twice (the second time
under a suffixed name).
  -o OUTDIR                     the output folder (must exist)
  --split-annotations           annotation points go to an output of their own
  --no-split-annotations        (default)
  --projection                  write .prj files and rescale (default)
  --no-projection
  --style-as-attributes         write the display style as attributes
  --no-style-as-attributes      (default)
  --delete-empty                delete the outputs of files without records (default)
  --keep-empty
  /s /n /p /c /e                as in one-file mode (also with "-"); /s prints
                                nothing on standard output
  --layer-map FILE              layer-name mapping file for this run
  --field-map FILE              field-name mapping file for this run
  -j N, --jobs N                convert up to N files at once (default 1); the
                                outputs, their names, the lines printed and the
                                log are those of -j 1 (files whose output names
                                could meet are converted one after the other);
                                each file's log lines are written when the file
                                and those before it are done, so a crash loses
                                the lines of the files in progress
  --keep-tree                   keep the sources' folder tree: each output goes
                                into the subfolder of OUTDIR that its source's
                                relative path names (below a folder SOURCE:
                                sheet01/roads.wl into OUTDIR/sheet01; item NAME
                                of a project P.mpj into OUTDIR/P; a file SOURCE
                                into OUTDIR), created as needed, never through a
                                link
  --report FILE                 append a run report to FILE (JSON Lines): a line
                                for the run, one for each file as it ends, a
                                summary; checked as --log is
  --resume FILE                 skip every source that the report FILE (repeat
                                for several) lists as converted or empty, when
                                its size and modification time are unchanged,
                                its outputs are all there and the run that
                                converted it had the same output folder,
                                --keep-tree and conversion options; FILE may be
                                the --report file, which a first run has yet to
                                make: the run then continues that report
  --shard K/N                   take only the sources whose relative path (see
                                --keep-tree) has a 64-bit FNV-1a hash equal to K
                                modulo N (0 <= K < N), so that N processes given
                                the same arguments share the sources out; each
                                needs a --log of its own
  --list                        print the sources the run would take (after
                                --shard), one per line as their result lines
                                would show them; convert nothing, write no log
  --                            every later argument is a SOURCE
-o may be left out with --list alone; --keep-tree, --shard, --report and
--resume need it. A run that --shard or --resume leaves without a file exits 0.
Options apply from left to right. Without --layer-map and --field-map the mapping
files named by the desktop program's settings file (calvorn.ini) are used, or
Calvorn.lyr and Calvorn.fld beside the executable; the settings file is never
written.
Output: one line per file as it ends, a tab before the path:
  ok<TAB>PATH         converted
  empty<TAB>PATH      no record (not a failure)
  failed N<TAB>PATH   failed with outcome N (see one-file mode)
  skipped<TAB>PATH    converted by an earlier run (--resume), before the others
then the summary and "log<TAB>PATH" with the conversion log's full path (empty
when no log could be written); nothing else goes to standard output. For each
failed file standard error gets "calvorn-cli: PATH: REASON". Problems with the
arguments and the run are reported on standard error too.
Exit status: 0 no file failed, 1 at least one file failed, 64 the arguments were
not understood, 66 a SOURCE or a --resume report does not exist, nothing to
convert, no output folder given, or the output folder does not exist, 73 the
--report file cannot be written.

Merging reports:
  calvorn-cli --summarize REPORT...
reads the reports of several runs (shards, machines, resumed runs) and counts
every source once, by its last line that is not "skipped". Standard output:
"total", "ok", "empty", "failed" and "stopped", each with a tab and its count,
then "failed N<TAB>PATH<TAB>REASON" for each failed source. A report line that
does not parse is skipped with a warning naming the file and line. Exit 0, 1
when a source failed or was stopped, 64 for arguments not understood, 66 for a
report that cannot be read.

Both modes:
  --log FILE    append the conversion log to FILE instead of writing
                CalvornExp.log beside the executable (or in ~/.config/calvorn when
                that folder cannot be written; for an installed program in
                ~/.local/state/calvorn), which each run empties first; FILE must
                not be a source, a folder, a FIFO or a socket, nor be named like a
                Torvex or Shapefile file (exit 64)
  --help        this text
  --version     the version
SIGINT, SIGTERM or SIGHUP stop at once: the files in progress leave no output,
the files done keep theirs, the summary counts the rest as not converted; exit
130, 143 or 129. A second signal ends the program at once. Outputs are written
under temporary names and moved into place when complete, so no file under a
Shapefile name is ever partial.
When standard error is a terminal and /s is not given, a progress line is shown
there. Every path printed is escaped so that it stays on its line: "\\" for a
backslash, "\n", "\t", "\r", and "\xHH" for other control bytes and for bytes
that are not UTF-8.
)";

int UsageError(std::ostream& err, const std::string& problem);

// Points the log at --log's file or the default one; a --log file that must not take the log
// is a usage error (exit 64, nothing converted).
std::optional<int> ConfigureLog(const std::optional<std::string>& logFile,
                                const AppLocations& locations, const ReadFiles& read,
                                std::ostream& err)
{
    if (!logFile) {
        CConvertLog::Get().Configure(locations);
        return std::nullopt;
    }
    if (const auto problem = LogFileProblem(Utf8ToPath(*logFile), read)) {
        return UsageError(
            err, "cannot append the log to " + EscapeForConsole(*logFile) + ": " + *problem);
    }
    CConvertLog::Get().SetFile(Utf8ToPath(*logFile));
    return std::nullopt;
}

int UsageError(std::ostream& err, const std::string& problem)
{
    err << kToolName << ": " << problem << "\nTry '" << kToolName << " --help'.\n";
    return kExitUsage;
}

// Reports each source that does not exist; true when all of them do.
bool SourcesExist(const std::vector<std::string>& sources, std::ostream& err)
{
    bool all = true;
    for (const std::string& source : sources) {
        std::error_code error;
        if (!std::filesystem::exists(Utf8ToPath(source), error)) {
            all = false;
            PrintPathProblem(
                err, source,
                SystemErrorText(
                    error ? error : std::make_error_code(std::errc::no_such_file_or_directory)));
        }
    }
    return all;
}

// A mapping file named on the command line that is not there is used as absent, and said so.
void NoteMissingMap(const std::optional<std::string>& file, const char* what, std::ostream& err)
{
    std::error_code error;
    if (file && !std::filesystem::exists(Utf8ToPath(*file), error)) {
        err << kToolName << ": " << what << " not found, not used: " << EscapeForConsole(*file)
            << '\n';
    }
}

int RunOneFile(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const ConsoleEnvironment& environment, const AppLocations& locations)
{
    if (args.empty()) {
        out << kCmdLineUsageText << '\n' << kHelpHint << '\n';
        return kExitUsage;
    }
    // Options apply from left to right, the long ones and the switches alike.
    ConversionOptions options;
    CCmdBatchInfo info(options);
    std::optional<std::string> logFile;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--log") {
            if (i + 1 == args.size()) {
                return UsageError(err, "option --log needs a file");
            }
            logFile = args[++i];
        } else if (arg.rfind("--log=", 0) == 0) {
            logFile = arg.substr(6);
        } else if (const std::string batchOnly = BatchArguments::BatchOnlyOption(arg);
                   !batchOnly.empty()) {
            return UsageError(err, "option " + batchOnly + " needs -o OUTDIR (batch mode)");
        } else if (!BatchArguments::ApplyFlagOption(arg, options)) {
            const bool isSwitch = CCmdBatchInfo::IsSwitchArgument(arg);
            info.ParseParam(isSwitch ? arg.substr(1) : arg, isSwitch, i + 1 == args.size());
        }
    }
    ReadFiles read;
    read.Add(Utf8ToPath(info.m_strSourceFile));
    if (const auto refused = ConfigureLog(logFile, locations, read, err)) {
        return *refused;
    }
    NameTables tables;  // the one-file conversion loads no mapping file
    // The file's lines go to the program's log and are kept for the reason of a failure.
    FileLog log(CConvertLog::Get(), false);
    ConversionEngine engine(options, tables, ConversionContext{&log, {}});
    const bool showProgress = environment.terminal && !info.m_bQuiet &&
                              !info.m_strSourceFile.empty() && !info.m_strOutputPath.empty();
    ConsoleProgress progress(err, showProgress);
    if (showProgress) {
        progress.Start({}, PathToUtf8(Utf8ToPath(info.m_strSourceFile).filename()));
        engine.SetProgressCallback([&progress](int position) { progress.Update(position); });
    }
    CollectedMessages messages;
    const int result = ConvertFromCmdLine(info, engine, messages, ApplicationName(), 1);
    progress.Clear();

    const bool good =
        result == kCmdLineUsageShown || result == kOutcomeConverted || result == kOutcomeEmpty;
    (good ? out : err) << messages.Text();
    if (result > 0 && result != kOutcomeEmpty && !info.m_bQuiet) {
        PrintPathProblem(err, info.m_strSourceFile, FailureReason(result, log.TakeBlock()));
    }
    return OneFileExitStatus(result);
}

// Prints "log<TAB>PATH" with the conversion log's full path.
void PrintLogLine(std::ostream& out)
{
    std::error_code error;
    const std::filesystem::path log = CConvertLog::Get().Path();
    const std::filesystem::path shown = log.empty() ? log : std::filesystem::absolute(log, error);
    out << "log\t" << EscapeForConsole(PathToUtf8(error ? log : shown)) << '\n';
}

// A path as the report writes it, or null for an empty one.
nlohmann::ordered_json ReportPath(const std::filesystem::path& path)
{
    return path.empty() ? nlohmann::ordered_json(nullptr)
                        : nlohmann::ordered_json(EscapeNonUtf8(PathToUtf8(path)));
}

// What a report records of this run for --resume: the output folder as an absolute path, links
// resolved, so that a resumed run finds it however it is written.
RunSettings SettingsOf(const BatchArguments& arguments)
{
    const std::filesystem::path folder = Utf8ToPath(arguments.outputFolder);
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::weakly_canonical(folder, error);
    if (error) {
        absolute = std::filesystem::absolute(folder, error).lexically_normal();
    }
    return {EscapeNonUtf8(PathToUtf8(absolute)), arguments.keepTree, arguments.options};
}

nlohmann::ordered_json RunOptions(const BatchArguments& arguments, const RunSettings& run,
                                  const PathSettings& settings)
{
    nlohmann::ordered_json options = RunSettingsJson(run);
    options["layer_map"] = ReportPath(settings.LayerMap);
    options["field_map"] = ReportPath(settings.FieldMap);
    options["jobs"] = arguments.jobs;
    options["shard"] = arguments.shard ? nlohmann::ordered_json(arguments.shard->Text())
                                       : nlohmann::ordered_json(nullptr);
    options["resume"] = nlohmann::ordered_json::array();
    for (const std::string& resume : arguments.resume) {
        options["resume"].push_back(EscapeNonUtf8(resume));
    }
    std::error_code error;
    const std::filesystem::path log = CConvertLog::Get().Path();
    options["log"] = ReportPath(log.empty() ? log : std::filesystem::absolute(log, error));
    options["sources"] = nlohmann::ordered_json::array();
    for (const std::string& source : arguments.sources) {
        options["sources"].push_back(EscapeNonUtf8(source));
    }
    return options;
}

// Reports each --resume file that cannot be read, but for the report the run continues, which
// a first run has yet to make; true when all can be.
bool ResumeFilesReadable(const BatchArguments& arguments, std::ostream& err)
{
    bool all = true;
    for (const std::string& resume : arguments.resume) {
        const std::filesystem::path path = Utf8ToPath(resume);
        std::ifstream in(path, std::ios::binary);
        if (in || (arguments.report && IsSameFile(path, Utf8ToPath(*arguments.report)))) {
            continue;
        }
        std::error_code error;
        all = false;
        PrintPathProblem(
            err, resume,
            SystemErrorText(std::filesystem::exists(path, error)
                                ? std::make_error_code(std::errc::permission_denied)
                                : std::make_error_code(std::errc::no_such_file_or_directory)));
    }
    return all;
}

// A batch run of the console, stage by stage: the sources and their shard, the earlier reports
// of --resume, one look at every source, the files the log and the report must not be, the
// rows already done, the report, the conversion and the report's end. A stage that ends the
// command sets the exit status.
class BatchCommand {
public:
    BatchCommand(const BatchArguments& arguments, std::ostream& out, std::ostream& err,
                 const ConsoleEnvironment& environment, const AppLocations& locations)
        : m_arguments(arguments),
          m_out(out),
          m_err(err),
          m_environment(environment),
          m_locations(locations)
    {
    }

    int Run()
    {
        const bool ready =
            Prepare() && LookAtSources() && CheckFiles() && SkipDone() && OpenReport();
        return ready ? Convert() : m_status;
    }

private:
    bool Stop(int status)
    {
        m_status = status;
        return false;
    }

    // The sources (all there), the earlier reports read meanwhile, the rows of this shard;
    // --list ends here.
    bool Prepare();
    // One look at every source this run takes, on two threads: its size and modification time
    // for the report and --resume, its identity for the --log and --report checks; and whether
    // an earlier run converted it, as it is now, into outputs still there.
    bool LookAtSources();
    // Neither the log nor the report may be a file the run reads, nor one another; the output
    // folder must be there.
    bool CheckFiles();
    // The rows an earlier run converted are skipped, and said so.
    bool SkipDone();
    bool OpenReport();
    int Convert();
    void FinishReport(const BatchResult& result);

    const BatchArguments& m_arguments;
    std::ostream& m_out;
    std::ostream& m_err;
    const ConsoleEnvironment& m_environment;
    const AppLocations& m_locations;
    const std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
    int m_status = kExitSuccess;

    ResumeIndex m_earlier;
    JobList m_jobs{JobList::Order::AsAdded};
    std::vector<Job> m_rows;
    std::vector<std::size_t> m_taken;    // rows of this shard
    std::vector<std::size_t> m_leftOut;  // rows of other shards, then those done before
    RunSettings m_runSettings;
    PathSettings m_settings;
    std::vector<SourceStat> m_stats;  // of the taken rows; after SkipDone of those converted
    std::vector<std::pair<std::uint64_t, std::uint64_t>> m_identities;
    std::vector<const FileEntry*> m_done;     // the earlier record of each taken row, or null
    std::vector<const FileEntry*> m_skipped;  // the earlier records of the rows skipped
    CollectedMessages m_messages;
    std::filesystem::path m_outputFolder;
    std::unique_ptr<RunReport> m_report;
};

bool BatchCommand::Prepare()
{
    // Nothing is converted, and the log is left alone, while a source is missing.
    if (!SourcesExist(m_arguments.sources, m_err) ||
        (!m_arguments.list && !ResumeFilesReadable(m_arguments, m_err))) {
        return Stop(kExitNoInput);
    }
    // The earlier reports are read while the sources are collected: both take long for a
    // large archive, and a core each. The future's destructor waits for the reading thread,
    // which uses m_earlier and `problems`, also on an early way out.
    std::ostringstream problems;
    std::future<void> reading;
    if (!m_arguments.list && !m_arguments.resume.empty()) {
        reading = std::async(std::launch::async, [&] {
            for (const std::string& resume : m_arguments.resume) {
                m_earlier.Read(Utf8ToPath(resume), problems);
            }
        });
    }
    for (const std::string& source : m_arguments.sources) {
        if (m_jobs.AddPath(Utf8ToPath(source)) == 0) {
            m_err << kToolName << ": nothing to convert in " << EscapeForConsole(source) << '\n';
        }
    }
    m_rows = m_jobs.Rows();
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        const bool takes = !m_arguments.shard || m_arguments.shard->Takes(m_rows[row].relative);
        (takes ? m_taken : m_leftOut).push_back(row);
    }
    if (m_arguments.list) {
        for (const std::size_t row : m_taken) {
            m_out << EscapeForConsole(PathToUtf8(m_rows[row].source)) << '\n';
        }
        return Stop(kExitSuccess);
    }
    m_settings = PathSettings::Load(m_locations);
    if (m_arguments.layerMap) {
        m_settings.LayerMap = Utf8ToPath(*m_arguments.layerMap);
    }
    if (m_arguments.fieldMap) {
        m_settings.FieldMap = Utf8ToPath(*m_arguments.fieldMap);
    }
    NoteMissingMap(m_arguments.layerMap, "layer map", m_err);
    NoteMissingMap(m_arguments.fieldMap, "field map", m_err);
    m_runSettings = SettingsOf(m_arguments);
    if (reading.valid()) {
        reading.get();
        m_err << problems.str();
    }
    m_earlier.SetRun(m_runSettings);
    return true;
}

bool BatchCommand::LookAtSources()
{
    const bool look = m_arguments.report || m_arguments.logFile || !m_arguments.resume.empty();
    m_stats.resize(m_taken.size());
    m_identities.resize(m_taken.size());
    m_done.resize(m_taken.size());
    const auto lookAt = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to && look; ++i) {
            const Job& job = m_rows[m_taken[i]];
            m_stats[i] = StatSource(job.source, &m_identities[i]);
            if (!m_arguments.resume.empty()) {
                m_done[i] = m_earlier.Done(EscapeNonUtf8(PathToUtf8(job.source)), m_stats[i]);
            }
        }
    };
    std::future<void> half =
        std::async(std::launch::async, lookAt, m_taken.size() / 2, m_taken.size());
    lookAt(0, m_taken.size() / 2);
    half.get();
    return true;
}

bool BatchCommand::CheckFiles()
{
    ReadFiles read;
    for (const std::string& source : m_arguments.sources) {
        read.Add(Utf8ToPath(source));
    }
    for (std::size_t i = 0; i < m_taken.size(); ++i) {
        if (m_stats[i].size) {
            read.Add(m_rows[m_taken[i]].source, m_identities[i].first, m_identities[i].second);
        }
    }
    const auto refuseReport = [&](const std::string& problem) {
        return Stop(UsageError(m_err, "cannot write the report to " +
                                          EscapeForConsole(*m_arguments.report) + ": " + problem));
    };
    // The report may be a --resume file: it is checked before they join the files read.
    if (m_arguments.report) {
        if (const auto problem = LogFileProblem(Utf8ToPath(*m_arguments.report), read)) {
            return refuseReport(*problem);
        }
    }
    for (const std::string& resume : m_arguments.resume) {
        read.Add(Utf8ToPath(resume));
    }
    if (const auto refused = ConfigureLog(m_arguments.logFile, m_locations, read, m_err)) {
        return Stop(*refused);
    }
    if (m_arguments.report &&
        IsSameFile(Utf8ToPath(*m_arguments.report), CConvertLog::Get().Path())) {
        return refuseReport("it is the conversion log");
    }
    m_outputFolder = Utf8ToPath(m_arguments.outputFolder);
    if (BatchRun::CheckPreconditions(m_jobs, m_outputFolder, m_messages) !=
        BatchPrecondition::Met) {
        m_err << m_messages.Text();
        return Stop(kExitNoInput);
    }
    return true;
}

bool BatchCommand::SkipDone()
{
    std::vector<SourceStat> converted;
    for (std::size_t i = 0; i < m_taken.size(); ++i) {
        if (m_done[i] == nullptr) {
            converted.push_back(m_stats[i]);
            continue;
        }
        m_skipped.push_back(m_done[i]);
        m_leftOut.push_back(m_taken[i]);
        if (!m_arguments.quiet) {
            m_out << "skipped\t" << EscapeForConsole(PathToUtf8(m_rows[m_taken[i]].source)) << '\n';
        }
    }
    m_stats = std::move(converted);
    m_jobs.RemoveRows(m_leftOut);
    return true;
}

bool BatchCommand::OpenReport()
{
    if (!m_arguments.report) {
        return true;
    }
    std::string problem;
    std::size_t cut = 0;
    m_report = RunReport::Open(Utf8ToPath(*m_arguments.report), problem, cut);
    if (!m_report) {
        PrintPathProblem(m_err, *m_arguments.report, "cannot write the report: " + problem);
        return Stop(kExitCannotCreate);
    }
    if (cut > 0) {
        PrintPathProblem(m_err, *m_arguments.report,
                         Format("cut an incomplete last line (%zu bytes)", cut));
    }
    m_report->WriteRun(RunOptions(m_arguments, m_runSettings, m_settings));
    // A skipped file's line repeats what the earlier one says of the file and its outputs.
    std::vector<FileEntry> entries;
    for (const FileEntry* done : m_skipped) {
        FileEntry& entry = entries.emplace_back(*done);
        entry.status = "skipped";
        entry.reason = "已于之前的运行中转换（" + m_earlier.Where(*done) + "）";
        entry.seconds = 0;
        entry.log.clear();
    }
    m_report->WriteFiles(entries);
    return true;
}

int BatchCommand::Convert()
{
    BatchResult result;
    result.skipped = static_cast<int>(m_skipped.size());
    if (m_jobs.Count() > 0) {
        NameTables tables;
        BatchRun run(m_jobs, m_arguments.options, tables, m_messages, ProgramContext());
        ConsoleReporter reporter(m_out, m_err, m_arguments.quiet, m_environment.terminal);
        if (m_report) {
            reporter.SetFileDoneHandler([&](std::size_t row, const Job& job) {
                m_report->WriteFile(EntryOfRow(job, m_stats[row], m_outputFolder));
            });
        }
        run.SetObserver(&reporter);
        run.SetThreadCount(m_arguments.jobs);
        run.SetKeepTree(m_arguments.keepTree);
        run.SetSkippedCount(result.skipped);
        result = run.Run(m_outputFolder, m_settings);
    } else {
        m_messages.Show(result.SummaryText(), {}, MessageIcon::Information);
    }
    FinishReport(result);
    if (!m_arguments.quiet) {
        m_out << m_messages.Text();
        PrintLogLine(m_out);
    }
    if (result.stopSignal != 0) {
        return kExitSignalBase + result.stopSignal;
    }
    if (m_report && !m_report->Problem().empty()) {
        PrintPathProblem(m_err, *m_arguments.report,
                         "the report is incomplete: " + m_report->Problem());
        return kExitCannotCreate;
    }
    return result.failed > 0 ? kExitSomeFailed : kExitSuccess;
}

void BatchCommand::FinishReport(const BatchResult& result)
{
    if (!m_report) {
        return;
    }
    // The files a stop left are stopped, whether they had started or not.
    const std::vector<Job> after = result.notConverted > 0 ? m_jobs.Rows() : std::vector<Job>();
    for (std::size_t row = 0; row < after.size(); ++row) {
        if (after[row].status == kStatusNone) {
            FileEntry entry;
            entry.source = EscapeNonUtf8(PathToUtf8(after[row].source));
            entry.stat = m_stats[row];
            entry.kind = after[row].kind;
            entry.status = "stopped";
            entry.reason = "转换中止：收到信号" + SignalName(result.stopSignal);
            m_report->WriteFile(entry);
        }
    }
    m_report->WriteSummary(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count());
}

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             const ConsoleEnvironment& environment, const AppLocations& locations)
{
    const BatchArguments arguments = BatchArguments::Parse(args);
    if (!arguments.error.empty()) {
        return UsageError(err, arguments.error);
    }
    return BatchCommand(arguments, out, err, environment, locations).Run();
}

}  // namespace

std::string ConsoleHelpText()
{
    return kHelpText;
}

std::string ConsoleVersionText()
{
    return std::string(CALVORN_PRODUCT_NAME) + " " + CALVORN_VERSION;
}

int RunConsoleTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    return RunConsoleTool(args, out, err, ConsoleEnvironment{});
}

int RunConsoleTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const ConsoleEnvironment& environment)
{
    for (const std::string& arg : args) {
        if (arg == "--") {
            break;
        }
        if (arg == "--help") {
            out << kHelpText;
            return kExitSuccess;
        }
        if (arg == "--version") {
            out << ConsoleVersionText() << '\n';
            return kExitSuccess;
        }
    }
    const AppLocations locations = environment.locations.value_or(AppLocations());
    const int status = IsSummarizeMode(args) ? RunSummarize(args, out, err)
                       : BatchArguments::IsBatchMode(args)
                           ? RunBatch(args, out, err, environment, locations)
                           : RunOneFile(args, out, err, environment, locations);
    out.flush();
    err.flush();
    return status;
}

}  // namespace Calvorn
