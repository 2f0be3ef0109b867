#include "panel/panel_globals.h"

CGlobal g_Global;
CConfig g_Config(Build::Panel);
CHardware g_Hardware;
CHttp g_Http(Build::Panel);
std::atomic<bool> g_bIpLibUpdating{false};

int LoadPanelStore(CConfig& config, bool withWindows) {
  if (!withWindows) config.SetNoticeHook([](const std::string&) {});
  const int loaded = config.Load();
  if (!withWindows) config.SetNoticeHook(nullptr);
  if (loaded != 1) return loaded;
  const bool recovered = config.IsRecovered();
  const int added = config.ApplyDefaults();
  // A failed write is told by Save itself; the defaults stay in memory and the next
  // save writes them (a recovered store is recovered again at the next start).
  if (recovered ? withWindows : added > 0) (void)config.Save();
  return loaded;
}

const ui::Font fontNormal11{"宋体", 11, false};
const ui::Font fontBold10{"宋体", 10, true};
const ui::Font fontBold11{"宋体", 11, true};
