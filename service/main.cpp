// qoripsvc: installs itself as the service "qoripsvc" (-i, -u, -v) and, started by the
// service manager, post-processes the request log, follows the configuration and
// reports the protection state to the tray program.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/config.h"
#include "common/ini_reader.h"
#include "common/machine_key.h"
#include "common/system_info.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/textconv.h"
#include "common/file_probe.h"
#include "service/global.h"
#include "common/program_log.h"
#include "service/my_service.h"
#include "service/system.h"
#include "service/thread.h"

// The program's objects, built in this order before main and taken down in reverse.
CGlobal g_Global;
CSystem g_System;
CLog g_Log(Build::Service);
CConfig g_Config(Build::Service);
CThread g_Thread(g_Global, g_Config, GlobalIniReader(Build::Service), g_Log);
CMyService g_Service("qoripsvc", g_Global, g_Config, g_Thread, g_Log);

namespace {

void Print(const std::string& gbkText) { std::fputs(platform::GbkToUtf8(gbkText).c_str(), stdout); }

// The running program's own file, as the service manager must start it: not the name
// or link it was started by.
std::string ProgramPath() {
  std::string path = platform::ExecutablePath();
  return path.empty() ? g_Global.ProgramDir() + "qoripsvc" : path;
}

// A panel update leaves its old program behind under this name.
void DeletePanelLeftover() {
  const std::string dir = g_Global.ProgramDir();
  for (const char* pattern : {"qorip.exe.del", "qorip.del"}) {
    std::vector<platform::fs::Entry> found;
    if (!platform::fs::List(dir, pattern, found)) continue;
    for (const auto& e : found) {
      // One that cannot go now is tried again at the next start.
      if (!e.isDir) (void)platform::fs::DeleteFile(dir + e.name);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Unreadable machine figures, a store that does not decode and what the layer
  // refused go to the service log.
  LogLayerNotices(Build::Service);
  SetMachineKeyLogHook([](const std::string& text) { g_Log.Write(text, true); });
  g_Config.SetNoticeHook([](const std::string& text) { g_Log.Write(text, true); });
  std::string osName;
  int osCode = GetOsVersionName(osName, Build::Service);
  g_Global.SetOsVersion(osCode, osName);
  Print("Qor·网站访问控制系统\n");
  if (!FileExists(g_Global.ConfigFilePath(), false) || !FileExists(g_Global.SettingsFilePath(), false))
    Print("配置文件不存在\n");
  DeletePanelLeftover();

  g_Service.SetProgramPath(ProgramPath());
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  if (!g_Service.HandleCommandLine(args)) g_Service.StartDispatcher();

  Print("执行完毕\n");
  std::fflush(stdout);
  const int exitCode = static_cast<int>(g_Service.Status().win32ExitCode);
  // A worker that outlived the bounded wait must not meet the objects being taken down.
  if (!g_Thread.WorkersEnded()) std::_Exit(exitCode);
  return exitCode;
}
