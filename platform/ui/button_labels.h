#pragma once
// Labels of the message-box buttons (GBK), by answer: kIdOk, kIdCancel, kIdYes, kIdNo,
// and of the entries a window's system menu has of its own.
#include <string>

namespace ui {

std::string MessageBoxButtonText(int answer);

// The system menu's own commands, numbered as Windows numbers them.
constexpr int kScMove = 0xF010;
constexpr int kScMinimize = 0xF020;
constexpr int kScClose = 0xF060;
std::string SystemMenuText(int command);

}  // namespace ui
