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

}  // namespace ui
