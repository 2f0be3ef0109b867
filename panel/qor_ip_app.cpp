#include "panel/qor_ip_app.h"

#include <cstdlib>

#include "common/coding.h"
#include "platform/gbk.h"
#include "common/md5.h"
#include "common/op_log.h"
#include "common/program_paths.h"
#include "common/service_ctrl.h"
#include "common/system_info.h"
#include "platform/ui/ui_hooks.h"
#include "panel/panel_globals.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/instance.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/textconv.h"
#include "platform/ui/dialog.h"
#include "platform/ui/host.h"
#include "platform/ui/modal_runs.h"

namespace {

constexpr const char* kCaption = "提示";
constexpr const char* kUnloadDash = " -unload";
constexpr const char* kUnload = " /unload";
constexpr const char* kCover = " /cover";
constexpr const char* kUkeyName = "ukey";
constexpr const char* kFixedKeyText = "_&4pzkq";

// A Windows program name ("QoripPanel.exe") as the file of the program folder.
std::string ProgramFile(const std::string& dir, const std::string& windowsName) {
  return dir + platform::MapProgramName(windowsName, dir);
}

void DeleteIfFile(const std::string& path) {
  // Failures are ignored: a file in use (the running panel itself) stays.
  if (platform::fs::Exists(path) && !platform::fs::IsDirectory(path)) (void)platform::fs::DeleteFile(path);
}

void RemoveIfDirectory(const std::string& path) {
  // A folder that is not empty stays; that is not reported.
  if (platform::fs::IsDirectory(path)) (void)platform::fs::RemoveDir(path);
}

bool NeedsQuotes(const std::string& arg) {
  return arg.empty() || arg.find_first_of(" \t") != std::string::npos;
}

}  // namespace

CQorIPApp::CQorIPApp(Actions actions) : m_actions(std::move(actions)) {}

std::string CQorIPApp::CommandLineFromArgs(int argc, char** argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    std::string arg = platform::Utf8ToGbk(argv[i] ? argv[i] : "");
    if (i > 0) line += ' ';
    line += NeedsQuotes(arg) ? "\"" + arg + "\"" : arg;
  }
  return line;
}

bool CQorIPApp::IsSwitchRoad(const std::string& commandLine) {
  const std::string line = gbk::ToLower(commandLine);
  return gbk::Contains(line, kUnloadDash) || gbk::Contains(line, kUnload) || gbk::Contains(line, kCover);
}

std::string CQorIPApp::InstanceName() {
  std::string user = platform::process::CurrentUserName();
  return user.empty() ? std::string(kInstanceName) : std::string(kInstanceName) + "." + user;
}

std::string CQorIPApp::DefaultUninstallKey() { return Md5Hex(kFixedKeyText); }

bool CQorIPApp::InitInstance(const std::string& commandLine) {
  m_nExitCode = 0;
  // The global paths and the settings file come first, as their objects are made
  // before the program starts.
  InitGlobalPaths();
  g_Ini();
  SetOpLogConfig(&g_Config);

  DeleteLeftOvers();
  std::string line = gbk::ToLower(commandLine);
  if (gbk::Contains(line, kUnloadDash) || gbk::Contains(line, kUnload)) {
    RunUninstallRequest(line);
    return false;
  }
  if (gbk::Contains(line, kCover)) {
    RunCoverRepair();
    return false;
  }
  if (!ClaimSingleInstance()) return false;
  OfferOtherPanels();
  // The store is loaded once, by the start splash the main window runs first.
  if (m_actions.runMainWindow) m_actions.runMainWindow(*this);
  SetMainWindow(nullptr);
  return false;
}

void CQorIPApp::DeleteLeftOvers() {
  const std::string dir = GetModuleDir();
  for (const char* program : {"qorip.exe", "qoripsvc.exe"}) DeleteIfFile(ProgramFile(dir, program) + ".del");
  DeleteIfFile(dir + "iis/qorip.dll.del");
  DeleteIfFile(dir + "iis/qorip64.dll.del");
  for (const char* program : {"QoripPanel.exe", "QoripTools.exe"}) DeleteIfFile(ProgramFile(dir, program) + ".del");
}

void CQorIPApp::RunUninstallRequest(std::string commandLine) {
  std::string stored = RecordFileReader().ReadValue(kRecordSection, kUkeyName);
  gbk::ReplaceAll(commandLine, kUnloadDash, kUnload);
  if (commandLine == kUnload) {
    if (stored.empty()) {
      Uninstall();
    } else {
      ShowMessageBox("卸载参数错误0。", kCaption, kMbOk | kMbIconWarning);
    }
    return;
  }
  const size_t at = gbk::Find(commandLine, kUnload);
  std::string key = at == gbk::npos ? std::string() : commandLine.substr(at + std::string(kUnload).size());
  gbk::ReplaceAll(key, "__", "");
  gbk::ReplaceAll(stored, "__", "");
  if (stored.empty() && key == DefaultUninstallKey()) {
    Uninstall();
    return;
  }
  const std::string digest = Md5Hex(key);
  if (digest == stored) {
    Uninstall();
  } else {
    ShowMessageBox("卸载参数错误1：" + digest, kCaption, kMbOk | kMbIconWarning);
  }
}

void CQorIPApp::RunCoverRepair() {
  // The tray's repair follows the stored tray setting.
  PrepareCoverConfiguration();
  g_Hardware.SendTrayCommand();
  platform::clock::Sleep(100);
  g_Hardware.KillProcessByName("QoripPanel.exe");
  platform::clock::Sleep(100);
  if (m_actions.repairPermissions) m_actions.repairPermissions();
  platform::clock::Sleep(200);
  if (m_actions.repairService) m_actions.repairService();
  platform::clock::Sleep(200);
  if (m_actions.repairTray) m_actions.repairTray();
}

void CQorIPApp::PrepareCoverConfiguration() {
  // No window may tell of a file that cannot be read: such a file is left to the next
  // start with windows.
  std::string bytes;
  const std::string path = g_Config.GetPath();
  if (platform::fs::IsFile(path) && platform::fs::ReadFile(path, bytes) != platform::fs::kOk) return;
  LoadPanelStore(g_Config, false);
}

int CQorIPApp::Uninstall() {
  if (!g_Hardware.SendTrayCommand()) g_Ini().SetWord5();
  g_Hardware.RemoveTrayAutorun();
  CServiceCtrl service;
  service.StartStopService(kServiceName, 0, "", 0);
  platform::clock::Sleep(500);
  service.DeleteService(kServiceName);
  platform::clock::Sleep(1000);
  service.RestartService(kIisServiceName, "", 0);
  platform::clock::Sleep(1000);

  const std::string dir = GetModuleDir();
  const std::string word = GetBuiltinText();
  for (const std::string& name : {std::string("iplib.db"), "iis/" + word + "ip.dll", std::string("iis/config.db"),
                                  std::string("iis/config.ini"), "log/" + word + ".log", std::string("config.db"),
                                  std::string("config.ini"), std::string("ReadMe.txt")}) {
    DeleteIfFile(dir + name);
  }
  for (const char* program : {"qorip.exe", "qoripsvc.exe", "QoripTools.exe", "QoripPanel.exe"})
    DeleteIfFile(ProgramFile(dir, program));
  RemoveIfDirectory(dir + "iis/log/");
  RemoveIfDirectory(dir + "iis/");
  WriteOpLog("[卸载]卸载网站访问控制系统。");
  return 1;
}

bool CQorIPApp::ClaimSingleInstance() {
  // Made and kept, never looked at.
  (void)platform::instance::ClaimInstance(kMutexName);
  const std::string name = InstanceName();
  // A lock that cannot be made at all does not keep the panel from running.
  if (platform::instance::ClaimInstance(name) != platform::instance::Claim::Taken) return true;
  m_nExitCode = platform::instance::AskComeForward(name) ? 0 : -1;
  return false;
}

void CQorIPApp::OfferOtherPanels(const std::string& program) {
  const std::string own = std::to_string(platform::process::CurrentPid());
  StringList ids, accounts;
  g_Hardware.ListProcessOwners(program, ids, accounts);
  for (size_t i = 0; i < ids.size(); ++i) {
    if (ids[i] == own) continue;
    const std::string account = i < accounts.size() ? accounts[i] : std::string();
    const std::string question = "检测到账户 " + account + " 正在运行网站访问控制系统进程，是否结束对方进程？";
    if (ShowMessageBox(question, kCaption, kMbYesNo | kMbIconInformation) != kIdYes) continue;
    const int pid = std::atoi(ids[i].c_str());
    // The lowest ids belong to the system.
    if (pid >= 4) g_Hardware.KillProcess(pid);
  }
}

void CQorIPApp::SetMainWindow(ui::Dialog* dlg) {
  m_pMainWnd = dlg;
  if (dlg == nullptr || m_bListening) return;
  // Until a window exists a later start finds nothing to bring forward.
  m_bListening = platform::instance::ListenForComeForward(InstanceName(), [this] { ComeForward(); });
}

void CQorIPApp::ComeForward() {
  // Called on the listener's thread; the window belongs to the user-interface thread.
  ui::PostToUiThread([this] {
    if (m_pMainWnd == nullptr) return;
    if (m_pMainWnd->IsMinimized()) m_pMainWnd->ShowWindow(ui::ShowMode::Restore);
    m_pMainWnd->BringToFront();
    // An open editor or box of the panel comes forward with it.
    ui::Dialog* popup = ui::InnermostModal();
    if (popup && popup != m_pMainWnd) popup->BringToFront();
  });
}
