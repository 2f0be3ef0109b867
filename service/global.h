#pragma once
// What the service's threads share: program paths, the master-switch flag, the last
// status passed to the tray program, and the texts kept in coded form.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>

class CConfig;

class CGlobal {
 public:
  // Passes one status on; true when a listening tray program received it.
  using StatusSender = std::function<bool(int code, const std::string& text)>;

  CGlobal();
  virtual ~CGlobal() = default;
  CGlobal(const CGlobal&) = delete;
  CGlobal& operator=(const CGlobal&) = delete;

  // Paths from the program folder, the debug switch ("log/debug" must be a file),
  // the decoded texts; the master switch and the last status start at 0.
  void Init();

  bool IsDebug() const { return m_debug; }
  const std::string& ProgramDir() const { return m_programDir; }
  const std::string& ConfigFilePath() const { return m_configFilePath; }
  const std::string& SettingsFilePath() const { return m_settingsFilePath; }
  const std::string& ServiceDescription() const { return m_serviceDescription; }
  const std::string& DownloadHost() const { return m_downloadHost; }
  const std::string& DownloadPath() const { return m_downloadPath; }

  void SetOsVersion(int code, const std::string& name);

  int SystemSwitch() const { return m_systemSwitch.load(); }
  void SetSystemSwitch(int on) { m_systemSwitch.store(on ? 1 : 0); }
  // Master switch := 1 when the store's KeySystem is "1".
  void ReadSystemSwitch(const CConfig& config);

  // With the master switch off every status is 3 (closed). A pair equal to the last
  // one delivered is not sent again; a pair that found no listener is not remembered.
  // So a tray program started before the first delivery hears the state at the next
  // pass, and one started after it hears nothing until the state changes.
  void ReportStatus(int code, const std::string& text);
  void LastStatus(int& code, std::string& text) const;

  // The sender of ReportStatus; CSystem::SendPanelMessage unless a test replaces it.
  void SetStatusSenderForTests(StatusSender sender);

 private:
  bool m_debug = false;
  std::string m_programDir, m_configFilePath, m_settingsFilePath;
  std::string m_serviceDescription, m_downloadHost, m_downloadPath;

  std::atomic<int> m_systemSwitch{0};

  mutable std::mutex m_mutex;  // the OS version and the status below
  int m_osVersionCode = 0;
  std::string m_osVersionName;
  int m_lastStatusCode = 0;
  std::string m_lastStatusText;
  StatusSender m_sender;
};
