#include "panel/prop_dlg_sys.h"

#include <cstdio>
#include <system_error>

#include "common/date_text.h"
#include "platform/gbk.h"
#include "common/iis_sites.h"
#include "common/iplib_check.h"
#include "common/op_log.h"
#include "common/program_paths.h"
#include "common/service_ctrl.h"
#include "common/system_info.h"
#include "common/tag_text.h"
#include "common/update_endpoint.h"
#include "platform/ui/ui_hooks.h"
#include "panel/panel_globals.h"
#include "panel/qor_repair.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/ui/data_exchange.h"
#include "resources/panel_sys_ids.h"

namespace {

using namespace res::panel;

constexpr int kCheckTimer = 1;
constexpr int kHintTimer = 2;
constexpr int kCheckDelayMs = 2000;
constexpr int kHintPeriodMs = 500;
constexpr const char kSystemVersion[] = "1.3.2";

constexpr const char kSwitchOn[] = "系统总开关（已开启）";
constexpr const char kSwitchOff[] = "系统总开关（已关闭）";
constexpr const char kRestartIisText[] = "重启IIS";
constexpr const char kIpLibPrefix[] = "IP库时间：";

std::string ProgramFolder() {
  std::string dir = g_ProgramDir.empty() ? GetModuleDir() : g_ProgramDir;
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

std::string WithoutBlanks(std::string text) {
  gbk::ReplaceAll(text, " ", "");
  return text;
}

std::string IpLibText(const std::string& time) { return kIpLibPrefix + (time.empty() ? std::string("-") : time); }

}  // namespace

CPropDlgSys::CPropDlgSys() : ui::Dialog(kDlgSys), m_alive(std::make_shared<std::atomic<bool>>(true)) {
  OnCommand(kIdcSysMasterSwitch, [this] { OnMasterSwitch(); });
  OnCommand(kIdcSysRestartIis, [this] { OnRestartIis(); });
  OnCommand(kIdcSysRestartService, [this] { OnRestartService(); });
  OnCommand(kIdcSysRepair, [this] { OnRepair(); });
  OnCommand(kIdcSysShowTray, [this] { OnShowTrayIcon(); });
  OnCommand(kIdcSysUpdateIpLib, [this] { OnUpdateIpLib(); });
  // Enter does not close the page.
  OnCommand(kIdOk, [] {});
}

CPropDlgSys::~CPropDlgSys() {
  m_alive->store(false);
  JoinThreads();
}

void CPropDlgSys::JoinThreads() {
  if (m_siteThread.joinable()) m_siteThread.join();
  if (m_restartThread.joinable()) m_restartThread.join();
}

void CPropDlgSys::PostWhileAlive(std::function<void()> fn) {
  std::shared_ptr<std::atomic<bool>> alive = m_alive;
  ui::PostToUiThread([alive, fn = std::move(fn)] {
    if (alive->load()) fn();
  });
}

void CPropDlgSys::DoDataExchange(ui::DataExchange& dx) {
  ui::Dialog::DoDataExchange(dx);
  dx.Control(kIdcSysRestartIis, m_btnRestartIis);
  dx.Control(kIdcSysRestartService, m_btnRestartService);
  dx.Control(kIdcSysRepair, m_btnRepair);
  dx.Check(kIdcSysMasterSwitch, m_bSystemOn);
  dx.Check(kIdcSysShowTray, m_bShowTray);
  dx.Text(kIdcSysIpLibTime, m_strIpLibText);
}

bool CPropDlgSys::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  SetItemFont(kIdcSysMasterSwitch, fontBold11);
  const std::string stale = ProgramFolder() + "iis/apply_ok.db";
  // Nothing reads this leftover: one that cannot go does no harm where it is.
  if (platform::fs::IsFile(stale)) (void)platform::fs::DeleteFile(stale);
  std::string os;
  GetOsVersionName(os, Build::Panel);
  SetItemText(kIdcSysOsName, "操作系统：" + os);
  RefreshItem(kIdcSysOsName);
  ShowSystemInfo();
  ToggleMasterSwitch(false);
  if (m_siteThread.joinable()) m_siteThread.join();
  try {
    m_siteThread = std::thread(CountSitesThread, this);
  } catch (const std::system_error&) {
    CountSitesThread(this);
  }
  SetTimer(kCheckTimer, kCheckDelayMs);
  SetTimer(kHintTimer, kHintPeriodMs);
  return true;
}

void CPropDlgSys::RefreshItem(int id) { InvalidateItem(id, true); }

void CPropDlgSys::ShowSystemInfo() {
  m_bSystemOn = g_Config.GetSystem() == "1" ? 1 : 0;
  if (g_Config.GetShowPanel() == "1") {
    if (FindProgram("QoripPanel.exe") == 0) {
      StartTrayProgram(ProgramFilePath("QoripPanel.exe"));
      CHardware().SetTrayAutorun();
    }
    m_bShowTray = 1;
  } else {
    m_bShowTray = 0;
  }
  g_Global.m_strIpLibTime = CIniReader(Build::Panel).GetWord30();
  m_strIpLibText = IpLibText(g_Global.m_strIpLibTime);
  SetItemText(kIdcSysIpLibTime, m_strIpLibText);
  RefreshItem(kIdcSysIpLibTime);
  PumpMessages();
  long days = DaysSinceFileDate(std::string());
  if (days == 0) days = 1;
  char text[64];
  std::snprintf(text, sizeof text, "保护天数：%ld 天", days);
  SetItemText(kIdcSysProtectDays, text);
  RefreshItem(kIdcSysProtectDays);
  UpdateData(false);
}

void CPropDlgSys::ToggleMasterSwitch(bool save) {
  EnableItem(kIdcSysMasterSwitch, false);
  UpdateData(true);
  if (save) {
    const std::string oldSystem = g_Config.GetSystem(), oldVersion = g_Config.GetSystemVersion();
    const char* logText = m_bSystemOn ? "[保存]开启网站访问控制系统" : "[保存]关闭网站访问控制系统";
    g_Config.SetSystem(m_bSystemOn ? "1" : "0");
    g_Config.SetSystemVersion(kSystemVersion);
    if (g_Config.Save() == 1) {
      WriteOpLog(logText);
      g_Global.m_bNeedRestartIis = 1;
    } else {
      // The box must not claim a state the filter module will never read.
      g_Config.SetSystem(oldSystem);
      g_Config.SetSystemVersion(oldVersion);
      m_bSystemOn = oldSystem == "1" ? 1 : 0;
      CheckItem(kIdcSysMasterSwitch, m_bSystemOn);
      ShowMessageBox("发生错误，保存失败！", "错误", kMbOk | kMbIconError);
    }
  }
  CQorRepair(g_Config).RepairIisFilter();
  SetItemText(kIdcSysMasterSwitch, IsItemChecked(kIdcSysMasterSwitch) ? kSwitchOn : kSwitchOff);
  RefreshItem(kIdcSysMasterSwitch);
  EnableItem(kIdcSysMasterSwitch, true);
}

void CPropDlgSys::OnMasterSwitch() { ToggleMasterSwitch(true); }

void CPropDlgSys::OnRestartIis() {
  if (ShowMessageBox("是否重启IIS服务？重启期间网站将不能被正常访问。", "提示", kMbYesNo | kMbIconQuestion) != kIdYes)
    return;
  SetItemText(kIdcSysRestartIis, "重启中..");
  EnableItem(kIdcSysRestartIis, false);
  RefreshItem(kIdcSysRestartIis);
  if (m_restartThread.joinable()) m_restartThread.join();
  try {
    m_restartThread = std::thread(RestartIisThread, this);
  } catch (const std::system_error&) {
    CServiceCtrl().RestartService("w3svc", std::string(), 0);
    EndRestartIis();
  }
}

int CPropDlgSys::RestartIisThread(CPropDlgSys* page) {
  CServiceCtrl().RestartService("w3svc", std::string(), 0);
  page->PostWhileAlive([page] { page->EndRestartIis(); });
  return 0;
}

void CPropDlgSys::EndRestartIis() {
  EnableItem(kIdcSysRestartIis, true);
  SetItemText(kIdcSysRestartIis, kRestartIisText);
  RefreshItem(kIdcSysRestartIis);
  g_Global.m_bNeedRestartIis = 0;
}

int CPropDlgSys::CountSitesThread(CPropDlgSys* page) {
  StringList comments, folders, users, states;
  GetIisSiteInfo(comments, folders, users, states);
  char text[64];
  std::snprintf(text, sizeof text, "网站个数：%d 个", static_cast<int>(comments.size()));
  std::string line = text;
  page->PostWhileAlive([page, line] {
    page->SetItemText(kIdcSysSiteCount, line);
    page->RefreshItem(kIdcSysSiteCount);
  });
  return 0;
}

void CPropDlgSys::OnRestartService() {
  EnableItem(kIdcSysRestartService, false);
  CServiceCtrl().RestartService("QoripSvc", ProgramFilePath("QoripSvc.exe"), 1);
  WriteOpLog("[操作]重新启动Qor·网站访问控制系统服务。");
  ShowMessageBox("系统服务重新启动完毕！", "完毕", kMbOk | kMbIconInformation);
  EnableItem(kIdcSysRestartService, true);
}

void CPropDlgSys::OnShowTrayIcon() {
  const std::string path = ProgramFilePath("QoripPanel.exe");
  UpdateData(true);
  // Saved first: a setting that cannot be stored leaves the tray program, its autorun
  // value and the box as they were.
  const std::string oldShow = g_Config.GetShowPanel();
  g_Config.SetShowPanel(m_bShowTray ? "1" : "0");
  if (g_Config.Save() != 1) {
    g_Config.SetShowPanel(oldShow);
    m_bShowTray = m_bShowTray ? 0 : 1;
    CheckItem(kIdcSysShowTray, m_bShowTray);
    ShowMessageBox("发生错误，保存失败！", "错误", kMbOk | kMbIconError);
    return;
  }
  CHardware hardware;
  if (m_bShowTray) {
    StartTrayProgram(path);
    if (!hardware.SetTrayAutorun().empty()) ShowMessageBox("设置自动启动发生错误！", "错误", kMbOk | kMbIconWarning);
  } else {
    if (hardware.SendTrayCommand() == 0) CIniReader(Build::Panel).SetWord5();
    hardware.RemoveTrayAutorun();
  }
}

int CPropDlgSys::HttpGet(const std::string& url, std::string& reply) { return g_Http.Get(url, reply); }

int CPropDlgSys::FindProgram(const std::string& exeName) { return CHardware().FindProcess(exeName); }

void CPropDlgSys::EndUpdateIpLib(const char* linkText) {
  EnableItem(kIdcSysUpdateIpLib, true);
  SetItemText(kIdcSysUpdateIpLib, linkText);
  RefreshItem(kIdcSysUpdateIpLib);
  RefreshItem(kIdcSysIpLibTime);
  g_bIpLibUpdating = false;
  m_bDownloading = false;
}

void CPropDlgSys::OnUpdateIpLib() {
  // The request pumps messages, so the first check's offer can call again meanwhile;
  // one download at a time, and the running one keeps its state.
  if (m_bDownloading) return;
  m_bDownloading = true;
  SetItemText(kIdcSysUpdateIpLib, "[更新中..]");
  RefreshItem(kIdcSysUpdateIpLib);
  EnableItem(kIdcSysUpdateIpLib, false);

  CIniReader ini(Build::Panel);
  const std::string old = ini.GetWord30();
  const std::string libPath = ProgramFolder() + "iplib.db";
  std::string version = WithoutBlanks(old);
  if (!platform::fs::IsFile(libPath)) version.clear();
  const std::string token = gbk::ToUpper(RandomString(11));
  const std::string query = endpoint::IpLibQuery(Build::Panel, version, token);

  g_bIpLibUpdating = true;
  std::string reply;
  int r = HttpGet(g_Global.m_strIpLibUrl1 + query, reply);
  if (r == 1 && gbk::Find(reply, "[error]") != std::string::npos) {
    gbk::ReplaceAll(reply, "[error]", "");
    ShowMessageBox("发生错误，错误信息：" + reply, "错误", kMbOk | kMbIconWarning);
    EndUpdateIpLib("[更新]");
    return;
  }
  if (!(r == 1 && gbk::Find(reply, "</Qor") != std::string::npos)) {
    reply.clear();
    const std::string second = g_Global.m_strIpLibUrl2 + query;
    r = HttpGet(second, reply);
    if (r != 1) {
      if (reply.empty() && platform::fs::IsDirectory(ProgramFolder() + "qordebug/")) reply = second;
      ShowMessageBox("网络错误无法获取，错误信息：" + reply, "错误", kMbOk | kMbIconWarning);
      EndUpdateIpLib("[更新]");
      return;
    }
  }

  const std::string time = GetTagValue(reply, "<QorIpTime>", "</QorIpTime>");
  const std::string bareTime = WithoutBlanks(time);
  if (!bareTime.empty() && bareTime == version) {
    ShowMessageBox("IP库版本已经最新，无需再次更新。", "完毕", kMbOk | kMbIconInformation);
    EndUpdateIpLib("[完毕]");
    return;
  }
  const std::string err = GetTagValue(reply, "<QorErr>", "</QorErr>");
  const std::string code = GetTagValue(reply, "<QorIpCode>", "</QorIpCode>");
  const std::string refusal = code.size() > 100 && err.empty() ? IpLibRefusal(code) : "";
  if (!refusal.empty()) {
    ShowMessageBox("IP库获取数据失败：" + refusal + "\n\n参考：" + err, "错误", kMbOk | kMbIconWarning);
  } else if (code.size() > 100 && err.empty()) {
    // Replaced as a whole, so a failed write leaves the old library in place.
    if (platform::fs::ReplaceFile(libPath, code) == platform::fs::kOk) {
      ini.SetWord30(time);
      g_Global.m_strIpLibTime = time;
      m_strIpLibText = IpLibText(time);
      SetItemText(kIdcSysIpLibTime, kIpLibPrefix + time);
      RefreshItem(kIdcSysIpLibTime);
      char text[512];
      if (old.empty())
        std::snprintf(text, sizeof text, "IP库更新到 %.200s 完毕！", time.c_str());
      else
        std::snprintf(text, sizeof text, "IP库从 %.200s 到 %.200s 更新完毕！", old.c_str(), time.c_str());
      ShowMessageBox(text, "完成", kMbOk | kMbIconInformation);
    } else {
      ShowMessageBox("发生错误，保存失败！", "错误", kMbOk | kMbIconError);
    }
    PumpMessages();
  } else {
    ShowMessageBox("IP库获取数据失败：" + reply + "\n\n参考：" + err, "错误", kMbOk | kMbIconWarning);
  }
  EndUpdateIpLib("[更新]");
}

void CPropDlgSys::CheckInstallation() {
  const std::string libPath = ProgramFolder() + "iplib.db";
  const bool libMissing = !platform::fs::IsFile(libPath) || platform::fs::FileSize(libPath) <= 0;
  if (libMissing || CIniReader(Build::Panel).GetWord30().empty()) {
    if (ShowMessageBox("IP库不存在或IP库时间不正确，请更新IP库，现在需要更新吗？\n\n更新IP库可能需要1分钟时间。", "通知",
                       kMbOkCancel | kMbIconWarning) == kIdOk)
      OnUpdateIpLib();
  }
  if (FindProgram("qoripsvc.exe") != 1) {
    if (ShowMessageBox("系统进程被停止，无法自动更新IP库，以及无法自动转换日志。\n\n要修复，请点击下方的【修复软件】操作修复。"
                       "\n\n确定立即修复？",
                       "通知", kMbOkCancel | kMbIconWarning) == kIdOk)
      OnRepair();
  }
  const std::string e = CheckIisAdsi();
  if (!e.empty())
    ShowMessageBox("ADSI检测发生错误，可能导致部分功能无法使用，如果是IIS7以上版本，请开启“IIS6管理兼容性”功能。\n\n错误信息：" + e,
                   "组件错误", kMbOk | kMbIconError);
}

void CPropDlgSys::ShowRestartHint() {
  const std::string hint = g_Global.m_bNeedRestartIis ? "配置变更，需要重启IIS立即生效" : "";
  // Only a change is repainted, so the hint does not flicker twice a second.
  if (ItemText(kIdcSysRestartHint) == hint) return;
  SetItemText(kIdcSysRestartHint, hint);
  RefreshItem(kIdcSysRestartHint);
}

void CPropDlgSys::OnTimer(int id) {
  if (id == kCheckTimer) {
    KillTimer(kCheckTimer);
    CheckInstallation();
  } else if (id == kHintTimer) {
    ShowRestartHint();
  }
  ui::Dialog::OnTimer(id);
}

void CPropDlgSys::OnRepair() {
  std::string report;
  EnableItem(kIdcSysRepair, false);
  PumpMessages();
  CQorRepair repair(g_Config);
  PumpMessages();
  std::string text = repair.RepairPermissions();
  if (!text.empty()) report += "\n\n· 修复配置文件权限发生错误：" + text;
  PumpMessages();
  text = repair.RepairIisFilter();
  if (!text.empty()) report += "\n\n· 修复IIS辅助设置发生错误：" + text;
  PumpMessages();
  text = repair.RepairTray();
  if (!text.empty()) report += "\n\n· 修复托盘图标发生错误：" + text;
  text = repair.RepairService();
  if (!text.empty()) report += "\n\n· 修复系统服务发生错误：" + text;
  platform::clock::Sleep(100);
  PumpMessages();

  CIniReader record = RecordFileReader();
  record.WriteValue(kSystemVersion, "version", kRecordSection);
  record.WriteValue(GetNowText(), "settime", kRecordSection);
  record.WriteValue(ProgramFolder(), "apppath", kRecordSection);

  EnableItem(kIdcSysRepair, true);
  WriteOpLog("[操作]修复网站访问控制系统。");
  if (report.empty()) report = "完全成功，建议重启下IIS立即生效。";
  ShowMessageBox("软件修复完毕，修复报告如下：" + report, "完成", kMbOk | kMbIconInformation);
}

void CPropDlgSys::OnCtlColor(const ui::Control* control, ui::ControlColors& colors) {
  if (!control) return;
  if (control->id == kIdcSysMasterSwitch)
    colors.SetText(control->check ? ui::Rgb(11, 109, 18) : ui::Rgb(255, 0, 0));
  else if (control->id == kIdcSysRestartHint)
    colors.SetText(ui::Rgb(255, 0, 0));
  else if (control->id == kIdcSysUpdateIpLib)
    colors.SetText(ui::Rgb(0, 0, 255));
  if (control->kind == ui::ControlKind::Static || control->kind == ui::ControlKind::CheckBox) {
    if (control->id < 0)
      colors.SetBackground(ui::Rgb(255, 255, 255));
    else
      colors.transparent = true;
  }
}

ui::Cursor CPropDlgSys::OnSetCursor(int id) {
  if (id == kIdcSysUpdateIpLib) return ui::Cursor::Hand;
  return ui::Dialog::OnSetCursor(id);
}

bool CPropDlgSys::OnEraseBackground(ui::Painter& painter) {
  painter.FillRect(ClientRect(), ui::Rgb(255, 255, 255));
  return true;
}

void CPropDlgSys::OnPaint(ui::Painter& painter) {
  painter.DrawLine(ui::Point{430, 90}, ui::Point{430, 310}, ui::Rgb(223, 234, 248), 1);
}
