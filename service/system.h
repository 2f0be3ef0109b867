#pragma once
// The service build's system class: the status message to the tray program.
#include <string>

class CSystem {
 public:
  CSystem() = default;
  virtual ~CSystem() = default;

  // Writes one status message (command code, content text) into the tray program's
  // mailslot. True only when a listening tray program took it.
  bool SendPanelMessage(int code, const std::string& text);
};
