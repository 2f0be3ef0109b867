#include "panel/qor_repair.h"

#include <cstdio>
#include <cstring>

#include "common/config.h"
#include "common/filter_module.h"
#include "common/hardware.h"
#include "common/ini_reader.h"
#include "common/permission_helper.h"
#include "common/program_paths.h"
#include "common/service_ctrl.h"
#include "common/system_info.h"
#include "platform/ui/ui_hooks.h"
#include "panel/panel_globals.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/ui/host.h"

namespace {

constexpr const char kServiceName[] = "qoripsvc";
// How long the toolbox may take to register or remove the filter.
constexpr long long kToolboxWaitMs = 60000;

std::string Format(const char* format, const std::string& value) {
  std::string out(std::strlen(format) + value.size() + 1, '\0');
  const int n = std::snprintf(out.data(), out.size(), format, value.c_str());
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

// The panel's program folder once start-up has set it, else the running one.
std::string ProgramFolder() {
  std::string dir = g_ProgramDir.empty() ? GetModuleDir() : g_ProgramDir;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace

std::string ProgramFilePath(const std::string& windowsName) {
  const std::string dir = ProgramFolder();
  return dir + platform::MapProgramName(windowsName, dir);
}

bool StartTrayProgram(const std::string& path) {
  if (ui::CurrentHost()) return ui::ShellOpen(path, "-autorun", "open", true);
  // Without windows (a repair from the command line) the start is the shell's own.
  return platform::process::StartDetached(path, "-autorun") > 0;
}

CQorRepair::CQorRepair() : m_config(g_Config) {}

CQorRepair::CQorRepair(const CConfig& config) : m_config(config) {}

CQorRepair::~CQorRepair() = default;

std::string CQorRepair::RepairPermissions() {
  const std::string dir = ProgramFolder();
  PermissionHelper helper;
  const std::string admins = helper.GetAdministratorsName();
  if (!admins.empty()) {
    helper.SetPathPermission("all", admins, dir, 1);
    helper.SetPathPermission("all", "SYSTEM", dir, 0);
  }
  const std::string logDir = dir + filter_module::kRequestLogDir;
  // A folder that cannot be made fails its grant, which like every grant but the last
  // is not reported.
  if (!platform::fs::IsDirectory(logDir)) (void)platform::fs::MakeDir(logDir);
  std::string last;
  for (const filter_module::Permission& p : filter_module::kPermissions) {
    last = helper.SetPathPermission(p.rights, "everyone", dir + p.path, 0);
  }
  return last;
}

std::string CQorRepair::RepairTray() {
  const std::string path = ProgramFilePath("QoripPanel.exe");
  if (!platform::fs::IsFile(path)) return Format("托盘文件[%s]不存在，修复托盘失败。", path);
  if (m_config.GetShowPanel() == "1") {
    StartTrayProgram(path);
    std::string result = CHardware().SetTrayAutorun();
    platform::clock::Sleep(200);
    return result;
  }
  CHardware hardware;
  if (hardware.SendTrayCommand() == 0) CIniReader(Build::Panel).SetWord5();
  platform::clock::Sleep(100);
  hardware.RemoveTrayAutorun();
  return std::string();
}

std::string CQorRepair::RepairService() {
  const std::string path = ProgramFilePath("qoripsvc.exe");
  if (!platform::fs::IsFile(path)) return Format("关键文件：%s 不存在，无法修复。", path);
  CServiceCtrl ctrl;
  ctrl.StartStopService(kServiceName, 0, std::string(), 0);
  ctrl.DeleteService(kServiceName);
  platform::clock::Sleep(500);
  ctrl.StartStopService(kServiceName, 1, path, 1);
  platform::clock::Sleep(500);
  PumpMessages();
  platform::clock::Sleep(500);
  ctrl.SetFailureActions(kServiceName);
  ctrl.StartStopService(kServiceName, 1, std::string(), 0);
  return std::string();
}

std::string CQorRepair::RepairIisFilter() {
  const std::string exe = ProgramFilePath("QoripTools.exe");
  if (!platform::fs::IsFile(exe)) return Format("IIS操作文件[%s]不存在，修复失败。", exe);
  // A toolbox that hangs must not hold the panel: the wait has a bound.
  const long long bound = platform::clock::ScaledMs(kToolboxWaitMs);
  const bool load = m_config.GetSystem() == "1";
  const platform::process::RunResult run =
      platform::process::RunAndWait(exe, load ? "-load_isapi" : "-unload_isapi", !load, bound);
  if (run.timedOut) return Format("IIS操作文件[%s]运行超时，没有结束，修复可能未完成。", exe);
  // The toolbox's files settle before the caller goes on.
  if (run.started) platform::clock::Sleep(500);
  platform::clock::Sleep(100);
  return std::string();
}
