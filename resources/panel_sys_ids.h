#pragma once
// Resource ids of the panel's system settings page.
namespace res::panel {

inline constexpr int kDlgSys = 130;

inline constexpr int kIdcSysMasterSwitch = 1004;
inline constexpr int kIdcSysRestartIis = 1020;
inline constexpr int kIdcSysRestartService = 1021;
inline constexpr int kIdcSysRepair = 1022;
inline constexpr int kIdcSysOsName = 1051;
inline constexpr int kIdcSysProtectDays = 1052;
inline constexpr int kIdcSysRestartHint = 1091;
inline constexpr int kIdcSysSiteCount = 1121;
inline constexpr int kIdcSysShowTray = 1131;
inline constexpr int kIdcSysUpdateIpLib = 1132;
inline constexpr int kIdcSysIpLibTime = 1133;

}  // namespace res::panel
