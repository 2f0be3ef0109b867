#pragma once
// The panel's single instances, shared by its windows and pages.
#include <atomic>

#include "common/chttp.h"
#include "common/config.h"
#include "common/hardware.h"
#include "common/ini_reader.h"
#include "panel/global.h"
#include "platform/ui/font.h"

// Program-wide state and the endpoint addresses.
extern CGlobal g_Global;
// The configuration store; the start splash loads it.
extern CConfig g_Config;

// The store's one load of a start: loaded, the defaults given to the keys it lacks, and
// saved when that changed it; a store that could not be read is not saved over. Without
// windows (the cover switch) a store that does not decode is neither told nor saved
// over: the next start with windows does both. What the load returned.
int LoadPanelStore(CConfig& config, bool withWindows);
extern CHardware g_Hardware;
// One request at a time, run by the window thread.
extern CHttp g_Http;
// Set while the system page downloads the IP library; rule changes are refused meanwhile.
extern std::atomic<bool> g_bIpLibUpdating;

// The reader of iis/config.ini; the program's start makes the first call, which creates
// the default file when it is missing.
inline CIniReader& g_Ini() { return GlobalIniReader(Build::Panel); }

// The shared fonts: the log viewer; the rule editor and the log page; the system page.
extern const ui::Font fontNormal11;
extern const ui::Font fontBold10;
extern const ui::Font fontBold11;
