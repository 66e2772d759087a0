// libFuzzer target: the command-line parser on the input split into arguments at zero bytes.
// Both entry points must agree, and what they keep must come from the arguments.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/CCmdBatchInfo.h"
#include "app/ConversionOptions.h"
#include "fuzz/InputFile.h"

namespace {

using Calvorn::CCmdBatchInfo;
using Calvorn::ConversionOptions;
using CalvornFuzz::Check;

bool SameResult(const CCmdBatchInfo& a, const ConversionOptions& oa, const CCmdBatchInfo& b,
                const ConversionOptions& ob)
{
    return a.m_bQuiet == b.m_bQuiet && a.m_bSplitAnnotations == b.m_bSplitAnnotations &&
           a.m_bOutputProjection == b.m_bOutputProjection &&
           a.m_bStyleAsAttributes == b.m_bStyleAsAttributes &&
           a.m_bDeleteEmptyResults == b.m_bDeleteEmptyResults &&
           a.m_strSourceFile == b.m_strSourceFile && a.m_strOutputPath == b.m_strOutputPath &&
           a.PlainArgumentCount() == b.PlainArgumentCount() &&
           oa.SplitAnnotations == ob.SplitAnnotations &&
           oa.OutputProjection == ob.OutputProjection &&
           oa.StyleAsAttributes == ob.StyleAsAttributes &&
           oa.DeleteEmptyResults == ob.DeleteEmptyResults;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> args;
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (std::size_t start = 0; start <= text.size() && args.size() < 64;) {
        const std::size_t end = std::min(text.find('\0', start), text.size());
        args.push_back(text.substr(start, end - start));
        start = end + 1;
    }

    ConversionOptions options;
    CCmdBatchInfo parser(options);
    parser.ParseCommandLine(args);

    std::vector<const char*> argv = {"calvorn"};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    ConversionOptions options2;
    CCmdBatchInfo parser2(options2);
    parser2.ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    Check(SameResult(parser, options, parser2, options2), "the two entry points disagree");

    int plain = 0;
    for (const std::string& arg : args) {
        plain += CCmdBatchInfo::IsSwitchArgument(arg) ? 0 : 1;
    }
    Check(parser.PlainArgumentCount() == plain, "plain argument count");
    const auto given = [&](const std::string& s) {
        return s.empty() || std::find(args.begin(), args.end(), s) != args.end();
    };
    Check(given(parser.m_strSourceFile) && given(parser.m_strOutputPath),
          "a file or folder that was not given");
    Check(parser.m_bStyleAsAttributes == (options.StyleAsAttributes == 1), "switch c");
    Check(parser.m_bSplitAnnotations || options.SplitAnnotations == 0, "switch n");
    Check(options.OutputProjection == 1 && options.DeleteEmptyResults == 1, "defaults lost");

    // Parameters handed over one by one, as the framework does, with any switch flag.
    ConversionOptions options3;
    CCmdBatchInfo parser3(options3);
    for (std::size_t i = 0; i < args.size(); ++i) {
        parser3.ParseParam(args[i], (args[i].size() & 1) != 0, i + 1 == args.size());
    }
    Check(parser3.PlainArgumentCount() <= static_cast<int>(args.size()), "ParseParam count");
    return 0;
}
