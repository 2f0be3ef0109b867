#pragma once
// The tray program's hidden dialog: owns the tray icon and its menu, the status
// threads and the service watch, and opens the panel.
#include <atomic>
#include <memory>
#include <string>

#include "platform/ui/dialog.h"
#include "common/program_log.h"
#include "tray/status_reader.h"
#include "tray/status_thread.h"
#include "tray/tray_icon.h"
#include "tray/tray_status.h"

// Commands of the tray menu and controls of the dialog.
inline constexpr int kCmdOpenPanel = 32773;
inline constexpr int kCmdAbout = 32771;
inline constexpr int kCmdHideTray = 32776;
inline constexpr int kIdcPanel = 1000;
inline constexpr int kIdcState = 1003;
inline constexpr int kIdcEnable = 1004;
inline constexpr int kIdcExecute = 1005;
inline constexpr int kIdcRestart = 1006;
inline constexpr int kIdcMinimize = 1008;
inline constexpr int kIdcHideLink = 1010;
inline constexpr int kIdcWebLink = 1011;
inline constexpr int kIdcExitLink = 1012;
inline constexpr int kIdcIcon1 = 1013;
inline constexpr int kIdcIcon2 = 1014;

// The service watch timer; it checks on every third tick.
inline constexpr int kWatchTimer = 5;
inline constexpr int kWatchTickMs = 2000;
// The splash shows this long after it was asked for.
inline constexpr int kSplashTimer = 6;
inline constexpr int kSplashDelayMs = 2000;

// The page the "about" entry opens.
inline constexpr const char kHomePage[] = "https://www.qorip.example/";

class CQorPanelDlg : public ui::Dialog {
 public:
  CQorPanelDlg();
  ~CQorPanelDlg() override;

  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  void OnOK() override;
  void OnTimer(int id) override;
  void OnPaint(ui::Painter& painter) override;
  ui::Cursor OnSetCursor(int id) override;
  void OnLButtonDown(ui::Point client) override;
  void OnDestroy() override;

  // The mouse on the tray icon: 0 when it was one of the program's icons, else 1.
  int OnTrayNotify(int iconId, int mouseMessage);
  // Opens the panel program; false when it is missing (the user has been told).
  bool OnOpenPanel();
  void OnPanelButton();
  void OnExecute();
  void OnHideTrayAndExit();
  // The task bar came back without the icon.
  void OnTaskbarCreated();

  CTrayIcon& TrayIcon() { return m_TrayIcon; }
  CTrayStatus& Status() { return m_status; }
  const std::string& Title() const { return m_strTitle; }
  const std::string& ExeDir() const { return m_strExeDir; }
  const std::string& IisDir() const { return m_strIisDir; }
  // The program log, "log/qor.log" shared with the service (no size limit here).
  CLog* Log() { return m_log.get(); }

 protected:
  // Starts the reader, then the status thread; true when the reader started.
  virtual bool StartThreads();
  // Ends both threads and waits for them.
  void StopThreads();
  // From the reader: the slot exists, or the quit command came.
  void OnSlotReady();
  void OnQuitCommand();

  std::string m_strTitle;
  std::string m_strExeDir;
  std::string m_strIisDir;
  bool m_bEnable = false;
  std::string m_strState;

 private:
  // The start look: icon 131 with the title alone as tip.
  void AddTrayIcon();
  void Hide();
  void ShowSplash();
  // Runs fn on the window thread while this dialog still lives.
  void PostWhileAlive(std::function<void()> fn);

  std::unique_ptr<CLog> m_log;
  CTrayIcon m_TrayIcon;
  CTrayStatus m_status;
  std::unique_ptr<CStatusReader> m_reader;
  std::unique_ptr<CStatusThread> m_statusThread;
  std::shared_ptr<std::atomic<bool>> m_alive;
  bool m_splashShown = false;
  // The splash while it shows (window thread only).
  ui::Dialog* m_splash = nullptr;
};
