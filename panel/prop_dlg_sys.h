#pragma once
// The "system" page of the main window: the master switch, the tray program switch,
// what the machine and the installation look like, IIS and service restarts, repair
// and the IP library download.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "panel/xp_button.h"
#include "platform/ui/dialog.h"

class CPropDlgSys : public ui::Dialog {
 public:
  CPropDlgSys();
  ~CPropDlgSys() override;

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  void OnTimer(int id) override;
  void OnCtlColor(const ui::Control* control, ui::ControlColors& colors) override;
  ui::Cursor OnSetCursor(int id) override;
  bool OnEraseBackground(ui::Painter& painter) override;
  void OnPaint(ui::Painter& painter) override;

  void OnMasterSwitch();
  void OnRestartIis();
  void OnRestartService();
  void OnRepair();
  void OnShowTrayIcon();
  void OnUpdateIpLib();

  int m_bSystemOn = 0;
  int m_bShowTray = 0;
  std::string m_strIpLibText;

 protected:
  // The download request; 1 when a reply arrived.
  virtual int HttpGet(const std::string& url, std::string& reply);
  // 1 when a process of that program runs (CHardware::FindProcess).
  virtual int FindProgram(const std::string& exeName);
  // Waits for the page's worker threads (tests, and the page's end).
  void JoinThreads();

 private:
  void RefreshItem(int id);
  void ShowSystemInfo();
  void ToggleMasterSwitch(bool save);
  void CheckInstallation();
  void ShowRestartHint();
  // Runs fn on the window thread unless the page has gone by then.
  void PostWhileAlive(std::function<void()> fn);
  static int CountSitesThread(CPropDlgSys* page);
  static int RestartIisThread(CPropDlgSys* page);
  void EndRestartIis();
  void EndUpdateIpLib(const char* linkText);

  CXPButton m_btnRestartIis;
  CXPButton m_btnRestartService;
  CXPButton m_btnRepair;
  std::thread m_siteThread;
  std::thread m_restartThread;
  std::shared_ptr<std::atomic<bool>> m_alive;
  bool m_bDownloading = false;  // OnUpdateIpLib runs (window thread only)
};
