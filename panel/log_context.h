#pragma once
// What the log page and the log viewer share with the rest of the panel: the store
// that holds the log settings, the remembered day and the fonts. The panel's own is
// made from its globals (PanelLogContext); tests make their own.
#include <string>

#include "platform/ui/font.h"

class CConfig;

struct LogContext {
  CConfig& config;
  std::string& logFile;  // the day last chosen: its file path ...
  std::string& logDate;  // ... and its day text
  ui::Font pageFont;     // the page's "记录日志" check box
  ui::Font viewerFont;   // the viewer's day list
};

LogContext PanelLogContext();
