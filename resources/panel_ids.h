#pragma once
// Resource ids of the management panel that more than one file names.
namespace res::panel {

inline constexpr int kDlgAbout = 100;
inline constexpr int kDlgStart = 146;

inline constexpr int kIconProgram = 128;
inline constexpr int kStrAboutMenu = 101;

inline constexpr int kBmpSystemTab = 155;
inline constexpr int kBmpRulesTab = 156;
inline constexpr int kBmpLogsTab = 157;
inline constexpr int kBmpBackground = 158;
inline constexpr int kBmpRuleBase = 159;
inline constexpr int kBmpRuleArea = 160;
inline constexpr int kBmpRuleIp = 161;
inline constexpr int kBmpRuleUrl = 162;
inline constexpr int kBmpRuleNotice = 163;
inline constexpr int kBmpStart = 170;
inline constexpr int kBmpClose = 172;
inline constexpr int kBmpMinimize = 174;

inline constexpr int kMenuLogDays = 151;
inline constexpr int kMenuLogEntries = 152;
inline constexpr int kMenuLogList = 153;

// Controls of the start splash.
inline constexpr int kIdcStartProgress = 1048;
inline constexpr int kIdcStartText = 1049;

}  // namespace res::panel
