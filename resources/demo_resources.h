#pragma once
// The panel's resources plus the button sample dialog of the demo program and the
// smoke tests.
#include "platform/ui/resource_set.h"

namespace res {

namespace demo {
inline constexpr int kDlgButtonSample = 9000;
inline constexpr int kIdcTitle = 1009;
inline constexpr int kIdcRestartIis = 1020;
inline constexpr int kIdcRestartService = 1021;
inline constexpr int kIdcRepair = 1022;
inline constexpr int kIdcList = 1008;
inline constexpr int kIdcRulesTab = 1000;
inline constexpr int kIdcLogsTab = 1001;
inline constexpr int kIdcSystemTab = 1002;
inline constexpr int kIdcClose = 1109;
inline constexpr int kIdcMinimize = 1110;
inline constexpr int kIdcNote = 1091;
}  // namespace demo

const ui::ResourceSet& DemoResources();
void InstallDemoResources();

}  // namespace res
