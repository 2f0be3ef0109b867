#include "panel/panel_globals.h"

CGlobal g_Global;
CConfig g_Config(Build::Panel);
CHardware g_Hardware;
CHttp g_Http(Build::Panel);
std::atomic<bool> g_bIpLibUpdating{false};

const ui::Font fontNormal11{"宋体", 11, false};
const ui::Font fontBold10{"宋体", 10, true};
const ui::Font fontBold11{"宋体", 11, true};
