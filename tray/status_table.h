#pragma once
// What the tray shows for each status command, and the texts of the service watch.
#include <string>

#include "resources/tray_ids.h"

// Command values before any message has been shown; equal values keep the display idle.
inline constexpr int kStartCommand = 6;

struct StatusLook {
  bool removeIcon = false;  // the quit command takes the icon away
  std::string statusLine;   // first line of the tooltip, the title follows
  int icon = 0;
  bool mayBalloon = false;  // a new status text is shown as a balloon
};

StatusLook LookUpStatus(int command);

// Window title, and the second line of every tooltip.
const std::string& TrayTitle();

// Tooltips of the service watch (no full stop, unlike the status table).
std::string ServiceGoneTooltip();
std::string ServiceBackTooltip();
