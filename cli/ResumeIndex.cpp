#include "cli/ResumeIndex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/PathText.h"
#include "app/UserText.h"

namespace Calvorn {

bool ResumeIndex::Read(const std::filesystem::path& report, std::ostream& err)
{
    const std::size_t index = m_reports.size();
    m_reports.push_back(report);
    return ReadReport(
        report, err,
        [&](FileEntry&& entry, const std::shared_ptr<const RunSettings>& run, std::size_t line) {
            std::string source = entry.source;
            m_last[std::move(source)] = {std::move(entry), run, index, line};
        });
}

void ResumeIndex::SetRun(const RunSettings& settings)
{
    m_run = settings;
    if (m_folderFd >= 0) {
        ::close(m_folderFd);
    }
    m_folderFd = ::open(Utf8ToPath(UnescapeNonUtf8(settings.outputFolder)).c_str(),
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

const FileEntry* ResumeIndex::Done(const std::string& source, const SourceStat& now) const
{
    const auto found = m_last.find(source);
    if (found == m_last.end() || !now.size || !now.mtime) {
        return nullptr;
    }
    const Earlier& earlier = found->second;
    const FileEntry& entry = earlier.entry;
    const bool converted =
        entry.status == "ok" || entry.status == "empty" || entry.status == "skipped";
    if (!converted || earlier.run == nullptr || !(*earlier.run == m_run) || entry.stat != now) {
        return nullptr;
    }
    for (const std::string& output : entry.outputs) {
        struct stat info {};
        if (::fstatat(m_folderFd, UnescapeNonUtf8(output).c_str(), &info, AT_SYMLINK_NOFOLLOW) !=
            0) {
            return nullptr;
        }
    }
    return &entry;
}

ResumeIndex::~ResumeIndex()
{
    if (m_folderFd >= 0) {
        ::close(m_folderFd);
    }
}

std::string ResumeIndex::Where(const FileEntry& done) const
{
    const Earlier& earlier = m_last.at(done.source);
    return PathToUtf8(m_reports[earlier.report]) + ":" + std::to_string(earlier.line);
}

}  // namespace Calvorn
