#include "platform/ui/button_labels.h"

#include "platform/ui/ui_hooks.h"

namespace ui {

std::string MessageBoxButtonText(int answer) {
  switch (answer) {
    case kIdOk:
      return "确定";
    case kIdCancel:
      return "取消";
    case kIdYes:
      return "是(&Y)";
    case kIdNo:
      return "否(&N)";
    default:
      return std::string();
  }
}

std::string SystemMenuText(int command) {
  switch (command) {
    case kScMove:
      return "移动(&M)";
    case kScMinimize:
      return "最小化(&N)";
    case kScClose:
      return "关闭(&C)\tAlt+F4";
    default:
      return std::string();
  }
}

}  // namespace ui
