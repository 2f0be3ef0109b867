#pragma once
// Resource ids of the panel's main window and its About box.
namespace res::panel {

inline constexpr int kDlgMain = 102;

// Page templates the main window hosts.
inline constexpr int kDlgRulesPage = 129;
inline constexpr int kDlgSystemPage = 130;
inline constexpr int kDlgLogsPage = 131;

// Main window controls.
inline constexpr int kIdcRulesTab = 1000;
inline constexpr int kIdcLogsTab = 1001;
inline constexpr int kIdcSystemTab = 1002;
inline constexpr int kIdcMainTitle = 1009;
inline constexpr int kIdcCloseText = 1106;
inline constexpr int kIdcCloseButton = 1109;
inline constexpr int kIdcMinimizeButton = 1110;
inline constexpr int kIdcGuideLink = 1114;
inline constexpr int kIdcNoticeLink = 1115;
inline constexpr int kIdcUpdateLink = 1116;
inline constexpr int kIdcLookupTest = 1143;

// About box controls.
inline constexpr int kIdcAboutVersion = 1113;
inline constexpr int kIdcAboutSiteLink = 1114;

// The About command of the system menu.
inline constexpr int kCmdAbout = 16;

}  // namespace res::panel
