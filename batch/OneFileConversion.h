// The one-file conversion of the command line: converts the source file named by a parsed
// CCmdBatchInfo into its output folder and reports through a message sink.
//
// Messages (the application's name as caption, no icon, unless said otherwise):
// - either path missing: the usage text, caption "Calvorn Desktop", information icon, also in
//   quiet mode;
// - unless quiet: "指定的Torvex文件不存在" when nothing exists at the source, else
//   "指定输出路径不存在" when nothing exists at the output folder; in quiet mode neither
//   check is made;
// - unless quiet, the outcome: 0 "恭喜你，指定文件转换成功！", 10 "指定文件为空文件，未进行转换！",
//   -1 (no converter for the extension) "抱歉，发生了未知的转换错误，转换失败！", any other
//   "抱歉，发生了转换错误，转换失败！".
// The converter is called with `progressFlag` (0 unless a front end shows progress). No name
// tables are loaded: the engine maps names only with entries already in its tables.
#pragma once

#include <string>

namespace Calvorn {

class CCmdBatchInfo;
class ConversionEngine;
class MessageSink;

// Results of ConvertFromCmdLine that are not conversion outcomes.
enum CmdLineResult : int {
    kCmdLineUsageShown = -100,     // a path was missing: the usage text was shown
    kCmdLineSourceMissing = -101,  // "指定的Torvex文件不存在"
    kCmdLineOutputMissing = -102,  // "指定输出路径不存在"
};

// The usage text, shown as it stands (the program name in it is the product's own).
inline constexpr const char* kCmdLineUsageText =
    "用法：\"Calvorn Desktop.exe\" [/s] [/n] [/p] [/c] [/e] torvexfile outputpath\n\n"
    "/s - 可选参数，安静模式，不显示转换消息\n"
    "/n - 可选参数，不单独分离注释点文件\n"
    "/p - 可选参数，进行投影转换，输出匹配投影文件\n"
    "/c - 可选参数，显示样式转为属性输出\n"
    "/e - 可选参数，自动删除转换结果中的空文件\n"
    "torvexfile - 必选参数，指定待转换torvex文件\n"
    "outputpath - 必选参数，指定输出路径";

// Converts `info`'s source file into its output folder with `engine`. Returns the conversion
// outcome (kOutcomeNoConverter when the extension names no converter) or a CmdLineResult.
// `applicationName` is the caption of every message but the usage text; empty means the
// running executable's name.
int ConvertFromCmdLine(const CCmdBatchInfo& info, ConversionEngine& engine, MessageSink& messages,
                       const std::string& applicationName = {}, int progressFlag = 0);

// The running executable's file name without extension ("calvorn", "calvorn-cli").
std::string ApplicationName();

// The exit status of a program that ran ConvertFromCmdLine: the outcome itself for a
// conversion, kExitNoConverter, kExitUsage or kExitNoInput otherwise.
int OneFileExitStatus(int result);

}  // namespace Calvorn
