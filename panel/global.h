#pragma once
// The panel's program-wide state: the endpoint addresses and the values that several
// pages hand to each other.
#include <atomic>
#include <string>

class CGlobal {
 public:
  // Decodes the built-in hosts and paths and builds the addresses the panel asks.
  CGlobal();
  virtual ~CGlobal() = default;
  CGlobal(const CGlobal&) = delete;
  CGlobal& operator=(const CGlobal&) = delete;

  // 1 while a saved change waits for an IIS restart; the IIS-restart thread clears it.
  std::atomic<int> m_bNeedRestartIis{0};
  // The daily log file and its day, chosen on the log page for the viewer.
  std::string m_strLogFile;
  std::string m_strLogDate;
  // The version time of the IP library (the same value as Word30).
  std::string m_strIpLibTime;
  // The domains handed between the URL rule page and the site picker.
  std::string m_strSiteDomains;

  // The decoded hosts.
  std::string m_strHost1;
  std::string m_strHost2;
  // Every built-in path on both hosts: [path][0] on the first host, [path][1] on the second.
  enum Path : int { kUpdate, kIpLib, kNotice, kHelp, kDownload, kPathCount };
  std::string m_strAddresses[kPathCount][2];
  // The update notice on the first host.
  std::string m_strUpdateUrl;
  // The IP-library request on the first host, and on the second when the first fails.
  std::string m_strIpLibUrl1;
  std::string m_strIpLibUrl2;
};
