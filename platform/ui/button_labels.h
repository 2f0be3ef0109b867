#pragma once
// Labels of the message-box buttons (GBK), by answer: kIdOk, kIdCancel, kIdYes, kIdNo.
#include <string>

namespace ui {

std::string MessageBoxButtonText(int answer);

}  // namespace ui
