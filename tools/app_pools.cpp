#include "tools/app_pools.h"

#include <vector>

#include "platform/ui/ui_hooks.h"
#include "platform/iis.h"
#include "tools/tools_log.h"

namespace iis = platform::iis;

bool RecycleAppPools() {
  uint32_t lastError = iis::kOk;
  auto note = [&](uint32_t rc) {
    if (rc != iis::kOk) lastError = rc;
    return rc == iis::kOk;
  };
  PumpMessages();
  iis::Object pools;
  if (note(iis::Object::Open("IIS://localhost/W3SVC/AppPools", pools))) {
    std::vector<iis::Object> children;
    note(pools.Children(children));
    for (auto& pool : children) {
      PumpMessages();
      iis::Value state;
      if (!note(pool.Get("AppPoolState", state))) continue;
      if (state.AsNumber() <= 2) note(pool.Invoke("Recycle"));
    }
  }
  PumpMessages();
  if (lastError == iis::kOk) return true;
  WriteLog("应用错误:" + iis::ErrorText(lastError) + "，您可以选择重启IIS来完成应用。");
  return false;
}
