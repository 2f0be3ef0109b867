#pragma once
// Resource ids of the panel's log page and log viewer.
namespace res::panel {

// The log page.
inline constexpr int kDlgLogPage = 131;
inline constexpr int kIdcLogOn = 1044;
inline constexpr int kIdcLogDelDays = 1045;
inline constexpr int kIdcLogShowDays = 1087;
inline constexpr int kIdcLogSave = 1065;
inline constexpr int kIdcLogListCaption = 1009;
inline constexpr int kIdcLogList = 1008;
inline constexpr int kIdcLogShowDetail = 1088;
inline constexpr int kIdcLogRefresh = 1089;
inline constexpr int kIdcLogOpenFolder = 1090;
inline constexpr int kIdcLogHint = 1091;

inline constexpr int kCmdLogViewDetail = 32796;
inline constexpr int kCmdLogDeleteDay = 32797;
inline constexpr int kCmdLogClear = 32798;
inline constexpr int kCmdLogNoop1 = 32799;
inline constexpr int kCmdLogNoop2 = 32800;
inline constexpr int kCmdLogRefresh = 32801;
inline constexpr int kCmdLogOpenFolder = 32802;

// The detailed log viewer.
inline constexpr int kDlgLogShow = 150;
inline constexpr int kIdcShowDays = 1092;
inline constexpr int kIdcShowEntries = 1093;
inline constexpr int kIdcShowTabs = 1094;
inline constexpr int kIdcShowDaysCaption = 1095;
inline constexpr int kIdcShowEntriesCaption = 1096;
inline constexpr int kIdcShowKeyword = 1097;
inline constexpr int kIdcShowSearch = 1098;
inline constexpr int kIdcShowStatus = 1099;
inline constexpr int kIdcShowKeywordLabel = 1100;
inline constexpr int kIdcShowFirst = 1101;
inline constexpr int kIdcShowPrev = 1102;
inline constexpr int kIdcShowNext = 1103;
inline constexpr int kIdcShowLast = 1104;

inline constexpr int kCmdShowDayLog = 32781;
inline constexpr int kCmdShowDeleteDay = 32782;
inline constexpr int kCmdShowOpenRecord = 32783;
inline constexpr int kCmdShowReload = 32784;
inline constexpr int kCmdShowDetail = 32786;
inline constexpr int kCmdShowOpenFolder = 32788;

}  // namespace res::panel
