#include "batch/OneFileConversion.h"

#include <filesystem>
#include <system_error>

#include "app/AppLocations.h"
#include "app/CCmdBatchInfo.h"
#include "app/MessageSink.h"
#include "app/PathText.h"
#include "batch/ExitStatus.h"
#include "convert/ConversionEngine.h"
#include "convert/SourceKinds.h"
#include "convert/StopSignal.h"
#include "convert/TemporaryFile.h"

namespace Calvorn {

namespace {

bool SomethingExists(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

const char* OutcomeMessage(int outcome)
{
    switch (outcome) {
        case kOutcomeConverted:
            return "恭喜你，指定文件转换成功！";
        case kOutcomeEmpty:
            return "指定文件为空文件，未进行转换！";
        case kOutcomeNoConverter:
            return "抱歉，发生了未知的转换错误，转换失败！";
        default:
            return "抱歉，发生了转换错误，转换失败！";
    }
}

}  // namespace

int ConvertFromCmdLine(const CCmdBatchInfo& info, ConversionEngine& engine, MessageSink& messages,
                       const std::string& applicationName, int progressFlag)
{
    if (info.m_strSourceFile.empty() || info.m_strOutputPath.empty()) {
        messages.Show(kCmdLineUsageText, "Calvorn Desktop", MessageIcon::Information);
        return kCmdLineUsageShown;
    }
    const std::string caption = applicationName.empty() ? ApplicationName() : applicationName;
    const std::filesystem::path source = Utf8ToPath(info.m_strSourceFile);
    const std::filesystem::path output = Utf8ToPath(info.m_strOutputPath);
    if (!info.m_bQuiet) {
        if (!SomethingExists(source)) {
            messages.Show("指定的Torvex文件不存在", caption, MessageIcon::None);
            return kCmdLineSourceMissing;
        }
        if (!SomethingExists(output)) {
            messages.Show("指定输出路径不存在", caption, MessageIcon::None);
            return kCmdLineOutputMissing;
        }
    }

    const std::optional<Torvex::FileKind> kind = KindOfPath(source);
    if (kind) {
        RemoveDeadTemporaryFiles(output);
    }
    const int outcome = kind ? engine.Convert(*kind, source, output, progressFlag)
                             : static_cast<int>(kOutcomeNoConverter);
    // A stopped conversion has no result to tell.
    if (!info.m_bQuiet && outcome != kOutcomeStopped) {
        messages.Show(OutcomeMessage(outcome), caption, MessageIcon::None);
    }
    return outcome;
}

std::string ApplicationName()
{
    const std::string name = PathToUtf8(AppLocations::ExecutablePath().stem());
    return name.empty() ? "calvorn" : name;
}

int OneFileExitStatus(int result)
{
    switch (result) {
        case kCmdLineUsageShown:
            return kExitUsage;
        case kCmdLineSourceMissing:
        case kCmdLineOutputMissing:
            return kExitNoInput;
        case kOutcomeNoConverter:
            return kExitNoConverter;
        case kOutcomeStopped:
            return kExitSignalBase + StopSignal();
        default:
            return result >= 0 ? result : kExitNoConverter;
    }
}

}  // namespace Calvorn
