// Object names of the windows' controls: the numeric ids the dialogs have always used, so a
// control keeps its name in every version of the program. ui/CONTROLS.md lists them.
#pragma once

namespace Calvorn::ControlId {

// Main window.
inline constexpr const char* kStart = "1";
inline constexpr const char* kOutputFolder = "1001";
inline constexpr const char* kJobList = "1002";
inline constexpr const char* kAddFiles = "1003";
inline constexpr const char* kBrowseOutput = "1004";
inline constexpr const char* kRemove = "1005";
inline constexpr const char* kHelp = "1006";
inline constexpr const char* kAbout = "1008";
inline constexpr const char* kExit = "1009";
inline constexpr const char* kClear = "1010";
inline constexpr const char* kSettings = "1011";
inline constexpr const char* kAddFolder = "1012";
inline constexpr const char* kHomeLink = "1025";
inline constexpr const char* kProgressBar = "1027";
inline constexpr const char* kProgressLine = "1041";
inline constexpr const char* kSelectFilesLabel = "labelSelectFiles";
inline constexpr const char* kOutputLabel = "labelOutput";
inline constexpr const char* kLogView = "buttonLogView";

// Log view.
inline constexpr const char* kLogFile = "labelLogFile";
inline constexpr const char* kLogResult = "labelLogResult";
inline constexpr const char* kLogText = "textLog";
inline constexpr const char* kLogClose = "buttonClose";

// Settings dialog.
inline constexpr const char* kOk = "1";
inline constexpr const char* kCancel = "2";
inline constexpr const char* kWorkPath = "1018";
inline constexpr const char* kLogPath = "1019";
inline constexpr const char* kLayerMap = "1020";
inline constexpr const char* kFieldMap = "1028";
inline constexpr const char* kBrowseWorkPath = "1030";
inline constexpr const char* kBrowseLogPath = "1031";
inline constexpr const char* kChooseLayerMap = "1032";
inline constexpr const char* kChooseFieldMap = "1033";
inline constexpr const char* kSplitAnnotations = "1034";
inline constexpr const char* kOutputProjection = "1036";
inline constexpr const char* kDeleteEmptyResults = "1037";
inline constexpr const char* kStyleAsAttributes = "1040";

// About box.
inline constexpr const char* kVersionLine = "1035";
inline constexpr const char* kNoticeLine = "labelNotice";

}  // namespace Calvorn::ControlId
