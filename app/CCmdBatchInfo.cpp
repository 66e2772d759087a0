#include "app/CCmdBatchInfo.h"

#include <array>
#include <filesystem>
#include <system_error>

#include "app/PathText.h"

namespace Calvorn {

namespace {

constexpr std::array<const char*, 5> kSwitchNames = {"s", "n", "p", "c", "e"};

#ifndef _WIN32
// True when a file, folder or link (even a dangling one) is at `text`.
bool SomethingExistsAt(const std::string& text)
{
    std::error_code error;
    const std::filesystem::file_status status =
        std::filesystem::symlink_status(Utf8ToPath(text), error);
    return status.type() != std::filesystem::file_type::not_found &&
           status.type() != std::filesystem::file_type::none;
}
#endif

}  // namespace

CCmdBatchInfo::CCmdBatchInfo(ConversionOptions& options) : m_options(options) {}

void CCmdBatchInfo::ParseCommandLine(const std::vector<std::string>& args)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool isSwitch = IsSwitchArgument(arg);
        ParseParam(isSwitch ? arg.substr(1) : arg, isSwitch, i + 1 == args.size());
    }
}

void CCmdBatchInfo::ParseCommandLine(int argc, const char* const* argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i] != nullptr ? argv[i] : "");
    }
    ParseCommandLine(args);
}

void CCmdBatchInfo::ParseParam(const std::string& param, bool isSwitch, bool /*isLast*/)
{
    if (isSwitch) {
        if (param == "s") {
            m_bQuiet = true;
        } else if (param == "n") {
            m_bSplitAnnotations = false;
            m_options.SplitAnnotations = 0;
        } else if (param == "p") {
            m_bOutputProjection = true;
            m_options.OutputProjection = 1;
        } else if (param == "c") {
            m_bStyleAsAttributes = true;
            m_options.StyleAsAttributes = 1;
        } else if (param == "e") {
            m_bDeleteEmptyResults = true;
            m_options.DeleteEmptyResults = 1;
        }
        return;
    }
    ++m_plainArguments;
    if (m_strSourceFile.empty()) {
        m_strSourceFile = param;
    } else if (m_strOutputPath.empty()) {
        m_strOutputPath = param;
    }
}

bool CCmdBatchInfo::IsSwitchArgument(const std::string& arg)
{
    if (arg.empty()) {
        return false;
    }
    if (arg[0] == '-') {
        return true;
    }
    if (arg[0] != '/') {
        return false;
    }
#ifdef _WIN32
    return true;
#else
    const std::string rest = arg.substr(1);
    if (IsSwitchName(rest)) {
        return true;
    }
    return rest.find('/') == std::string::npos && !SomethingExistsAt(arg);
#endif
}

bool CCmdBatchInfo::IsSwitchName(const std::string& name)
{
    for (const char* known : kSwitchNames) {
        if (name == known) {
            return true;
        }
    }
    return false;
}

}  // namespace Calvorn
