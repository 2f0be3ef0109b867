#include "tools/form_main.h"

#include "platform/gbk.h"
#include "tools/account.h"
#include "tools/app_pools.h"
#include "tools/cpu_and_pool.h"
#include "tools/isapi.h"
#include "tools/security.h"
#include "tools/tools_log.h"

namespace {
bool IsSwitch(const std::string& command, const char* name) {
  return command == std::string("/") + name || command == std::string("-") + name;
}

int LoadAndReport() {
  std::string error;
  if (LoadIsapi(error)) return 0;
  WriteLog("加载ISAPI出错:" + error);
  return 1;
}
}  // namespace

int FormMain::Form_Load(const std::string& commandLine) {
  SetUpFilterGlobals();
  const std::string command = gbk::ToLower(commandLine);
  if (IsSwitch(command, "unload_isapi")) {
    WriteLog("卸载ISAPI");
    std::string error;
    if (UnloadIsapi(error)) return 0;
    WriteLog("卸载ISAPI出错:" + error);
    return 1;
  }
  if (IsSwitch(command, "load_isapi")) return LoadAndReport();
  if (IsSwitch(command, "qor_repair")) {
    WriteLog("修复系统");
    SetSystemPathSecurity(GetAdministratorsName());
    return LoadAndReport();
  }
  if (IsSwitch(command, "qor_setsec")) {
    WriteLog("设置系统路径权限");
    SetSystemPathSecurity(GetAdministratorsName());
    return 0;
  }
  if (IsSwitch(command, "qor_recoveriis")) {
    bool ok = RecycleAppPools();
    WriteLog("回收应用程序池完成");
    return ok ? 0 : 1;
  }
  return 0;
}

void FormMain::Form_Unload() { CpuAndPool::g_Query.reset(); }
