#include "tray/status_table.h"

#include "common/tray_message.h"

StatusLook LookUpStatus(int command) {
  switch (command) {
    case kTrayCmdReady:
      return {false, "实时状态：已就绪.\n", res::tray::kIconReady, true};
    case kTrayCmdBusy:
      return {false, "实时状态：系统忙碌中\n", res::tray::kIconBusy, true};
    case kTrayCmdClosed:
      return {false, "实时状态：已关闭。\n", res::tray::kIconClosed, false};
    case kTrayCmdExited:
      return {false, "实时状态：已退出。\n", res::tray::kIconExited, false};
    case kTrayCmdQuit:
      return {true, "", 0, false};
    default:
      return {false, "实时状态：未知。\n", res::tray::kIconUnknown, false};
  }
}

const std::string& TrayTitle() {
  static const std::string title = std::string("Qor·网站访问控制系统") + "Ver" + "1.3.2";
  return title;
}

std::string ServiceGoneTooltip() { return "实时状态：已退出\n" + TrayTitle(); }
std::string ServiceBackTooltip() { return "实时状态：已就绪\n" + TrayTitle(); }
