#include "tray/qor_panel_dlg.h"

#include "common/system_info.h"
#include "common/tray_message.h"
#include "platform/ui/ui_hooks.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/textconv.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/resource_set.h"
#include "resources/tray_ids.h"
#include "common/file_probe.h"
#include "tray/dialog_start.h"
#include "tray/process_check.h"
#include "tray/status_table.h"

namespace {

const char kDone[] = "操作成功，稍后将生效。";

bool IsProgramIcon(int id) {
  return id == res::tray::kIconProgram || (id >= res::tray::kIconReady && id <= res::tray::kIconUnknown);
}

// FileExists answers wantFolder for a folder, its opposite for a file.
void MakeFolderWhenMissing(const std::string& path) {
  // Not reported: without the folder the log's lines are lost and the tray runs on.
  if (!FileExists(path, true)) (void)platform::fs::MakeDirs(path);
}

}  // namespace

CQorPanelDlg::CQorPanelDlg()
    : ui::Dialog(res::tray::kDlgMain),
      m_strTitle(TrayTitle()),
      m_status([this](const TrayPaint& p) {
        if (p.remove) {
          m_TrayIcon.Remove();
        } else {
          m_TrayIcon.SetTooltip(p.tooltip);
          m_TrayIcon.SetIcon(p.icon);
        }
      }),
      m_alive(std::make_shared<std::atomic<bool>>(true)) {
  OnCommand(kCmdOpenPanel, [this] { OnOpenPanel(); });
  OnCommand(kIdcPanel, [this] { OnPanelButton(); });
  OnCommand(kCmdAbout, [] { ui::ShellOpen(kHomePage); });
  OnCommand(kIdcWebLink, [] { ui::ShellOpen(kHomePage); });
  OnCommand(kCmdHideTray, [this] { OnHideTrayAndExit(); });
  OnCommand(kIdcExitLink, [this] { OnHideTrayAndExit(); });
  OnCommand(kIdcMinimize, [this] { Hide(); });
  OnCommand(kIdcHideLink, [this] { Hide(); });
  OnCommand(kIdcExecute, [this] { OnExecute(); });
  for (int id : {kIdcRestart, kIdcIcon1, kIdcIcon2}) OnCommand(id, [] {});
}

CQorPanelDlg::~CQorPanelDlg() {
  m_alive->store(false);
  StopThreads();
}

bool CQorPanelDlg::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  m_strExeDir = GetModuleDir();
  if (m_strExeDir.empty() || m_strExeDir.back() != '/') m_strExeDir += '/';
  MakeFolderWhenMissing(m_strExeDir + "log");
  m_log = std::make_unique<CLog>(Build::Tray, m_strExeDir);
  LogLayerNotices(Build::Tray, m_strExeDir);
  MakeFolderWhenMissing(m_strExeDir + "iis/");
  m_strIisDir = m_strExeDir + "iis/";
  SetWindowText(m_strTitle);
  m_TrayIcon.SetTaskbarRestartHandler([this] { OnTaskbarCreated(); });
  AddTrayIcon();
  UpdateData(false);
  StartThreads();
  SetTimer(kWatchTimer, kWatchTickMs);
  // The window is never meant to be seen; it goes as soon as the loop runs.
  PostWhileAlive([this] { Hide(); });
  return true;
}

void CQorPanelDlg::DoDataExchange(ui::DataExchange& dx) {
  dx.Check(kIdcEnable, m_bEnable);
  dx.Text(kIdcState, m_strState);
}

void CQorPanelDlg::OnOK() { Hide(); }

void CQorPanelDlg::OnTimer(int id) {
  if (id == kWatchTimer) {
    if (m_status.CountTick()) m_status.ApplyServiceCheck(IsProcessRunning("qoripsvc.exe"));
  } else if (id == kSplashTimer) {
    KillTimer(kSplashTimer);
    ShowSplash();
  } else {
    ui::Dialog::OnTimer(id);
  }
}

void CQorPanelDlg::OnPaint(ui::Painter& painter) {
  Hide();
  ui::Dialog::OnPaint(painter);
}

ui::Cursor CQorPanelDlg::OnSetCursor(int id) {
  return (id == kIdcHideLink || id == kIdcWebLink || id == kIdcExitLink) ? ui::Cursor::Hand : ui::Cursor::Arrow;
}

void CQorPanelDlg::OnLButtonDown(ui::Point) { BeginWindowDrag(); }

void CQorPanelDlg::OnDestroy() {
  m_TrayIcon.Remove();
  StopThreads();
  ui::Dialog::OnDestroy();
}

int CQorPanelDlg::OnTrayNotify(int iconId, int mouseMessage) {
  if (!IsProgramIcon(iconId)) return 1;
  if (mouseMessage == ui::kTrayLeftDoubleClick) {
    OnOpenPanel();
  } else if (mouseMessage == ui::kTrayRightUp) {
    const ui::Menu* menu = ui::LoadMenu(res::tray::kMenuTray);
    const ui::MenuItem* popup = menu ? menu->SubMenu(0) : nullptr;
    if (popup) {
      ui::Point at = ui::CursorPos();
      BringToFront();
      // The chosen command comes to this dialog as a command of its own.
      ui::TrackPopupMenu(*popup, at, this);
    }
  }
  return 0;
}

bool CQorPanelDlg::OnOpenPanel() {
  std::string path = m_strExeDir + platform::MapProgramName("qorip.exe", m_strExeDir);
  if (FileExists(path, false)) {
    ui::ShellOpen(path, "", "open", true);
    return true;
  }
  ShowMessageBox("文件[" + platform::Utf8ToGbk(path) + "]不存在，无法打开！", "错误", kMbOk | kMbIconError);
  return false;
}

void CQorPanelDlg::OnPanelButton() {
  if (OnOpenPanel()) Hide();
}

void CQorPanelDlg::OnExecute() {
  UpdateData(true);
  // The choice is only logged: nothing is sent and no setting changes.
  if (m_bEnable) {
    if (m_log) m_log->Write("用户手动开启系统。", true);
  } else if (ShowMessageBox("确定要关闭Qor·网站访问控制系统吗？退出后，网站将不再受到保护。", "退出确认",
                            kMbYesNo | kMbIconInformation | kMbDefButton2) == kIdYes) {
    if (m_log) m_log->Write("用户手动关闭系统。", true);
  }
  ShowMessageBox(kDone, "提示", kMbOk | kMbIconInformation);
}

void CQorPanelDlg::OnHideTrayAndExit() {
  m_TrayIcon.Remove();
  EndDialog(0);
}

void CQorPanelDlg::OnTaskbarCreated() {
  m_TrayIcon.Remove();
  AddTrayIcon();
}

bool CQorPanelDlg::StartThreads() {
  CStatusReader::Hooks hooks;
  hooks.onSlotReady = [this] { OnSlotReady(); };
  hooks.onQuit = [this] { OnQuitCommand(); };
  m_reader = std::make_unique<CStatusReader>(m_status, std::move(hooks));
  m_statusThread = std::make_unique<CStatusThread>(
      m_status, [this](const std::string& text) { m_TrayIcon.ShowBalloon(text); });
  bool started = m_reader->Start();
  m_statusThread->Start();
  return started;
}

void CQorPanelDlg::StopThreads() {
  if (m_reader) m_reader->Stop();
  if (m_statusThread) m_statusThread->Stop();
}

void CQorPanelDlg::OnSlotReady() {
  // The slot exists before the splash shows, so nothing sent meanwhile is lost.
  if (IsProcessRunning("qorip.exe") != 0) return;
  PostWhileAlive([this] {
    if (!m_splashShown) SetTimer(kSplashTimer, kSplashDelayMs);
  });
}

void CQorPanelDlg::OnQuitCommand() {
  m_TrayIcon.Remove();
  PostWhileAlive([this] {
    // The program ends at once, also while the splash shows.
    if (m_splash) m_splash->EndDialog(kIdOk);
    EndDialog(0);
  });
}

void CQorPanelDlg::AddTrayIcon() {
  m_TrayIcon.Create([this](int id, int msg) { OnTrayNotify(id, msg); }, res::tray::kIconReady,
                    res::tray::kIconReady, m_strTitle);
}

void CQorPanelDlg::Hide() {
  if (IsVisible()) ShowWindow(ui::ShowMode::Hide);
}

void CQorPanelDlg::ShowSplash() {
  if (m_splashShown || HasEnded()) return;
  m_splashShown = true;
  CDialogStart splash;
  m_splash = &splash;
  splash.DoModal();
  m_splash = nullptr;
}

void CQorPanelDlg::PostWhileAlive(std::function<void()> fn) {
  ui::PostToUiThread([alive = m_alive, fn = std::move(fn)] {
    if (alive->load()) fn();
  });
}
