#pragma once
// Resource ids of the tray program.
namespace res::tray {

inline constexpr int kDlgMain = 102;
inline constexpr int kDlgStart = 142;
inline constexpr int kBmpStart = 143;
inline constexpr int kMenuTray = 130;

inline constexpr int kIconProgram = 128;
inline constexpr int kIconReady = 131;
inline constexpr int kIconBusy = 132;
inline constexpr int kIconClosed = 133;
inline constexpr int kIconSpare = 134;
inline constexpr int kIconExited = 135;
inline constexpr int kIconUnknown = 136;

}  // namespace res::tray
