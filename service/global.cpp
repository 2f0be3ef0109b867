#include "service/global.h"

#include "common/coded_constants.h"
#include "common/coding.h"
#include "common/config.h"
#include "common/system_info.h"
#include "common/file_probe.h"
#include "common/program_log.h"
#include "service/system.h"

CGlobal::CGlobal() { Init(); }

void CGlobal::Init() {
  m_systemSwitch.store(0);
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lastStatusCode = 0;
    m_lastStatusText.clear();
    if (!m_sender) m_sender = [](int code, const std::string& text) { return CSystem().SendPanelMessage(code, text); };
  }
  m_programDir = GetModuleDir();
  m_debug = FileExists(m_programDir + "log/debug", false);
  // Built before the program's log object, so through a writer of its own.
  if (m_debug) CLog(Build::Service, m_programDir).WriteDebug("开启调试");
  m_serviceDescription = DecodeBuiltinPair(coded::kServiceDescription);
  m_downloadHost = DecodeBuiltinPair(coded::kServiceDownloadHost);
  m_downloadPath = DecodeBuiltinPair(coded::kServiceDownloadPath);
  m_configFilePath = m_programDir + "iis/config.db";
  m_settingsFilePath = m_programDir + "iis/config.ini";
}

void CGlobal::SetOsVersion(int code, const std::string& name) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_osVersionCode = code;
  m_osVersionName = name;
}

void CGlobal::ReportStatus(int code, const std::string& text) {
  if (m_systemSwitch.load() == 0) code = 3;
  std::lock_guard<std::mutex> lock(m_mutex);
  if (code == m_lastStatusCode && text == m_lastStatusText) return;
  if (m_sender && m_sender(code, text)) {
    m_lastStatusCode = code;
    m_lastStatusText = text;
  }
}

void CGlobal::LastStatus(int& code, std::string& text) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  code = m_lastStatusCode;
  text = m_lastStatusText;
}

void CGlobal::SetStatusSenderForTests(StatusSender sender) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_sender = std::move(sender);
}

void CGlobal::ReadSystemSwitch(const CConfig& config) { SetSystemSwitch(config.GetSystem() == "1" ? 1 : 0); }
