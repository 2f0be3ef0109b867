#pragma once
// The shared settings file iis/config.ini (section "System", keys Word1 to Word30).
// The panel creates it when missing; the service only reads it and writes a value only
// when it changes.
#include <string>

#include "common/build.h"

class CIniReader {
 public:
  // Path: program folder + "iis/config.ini". The panel build creates the default file
  // when the path is missing or is a folder; the service build never creates it.
  explicit CIniReader(Build build = Build::Panel);
  virtual ~CIniReader();

  // The value, cut to 65,534 bytes; empty for an empty section or key (the file is then
  // not read) and for a missing file, section or key.
  std::string ReadValue(const std::string& section, const std::string& key) const;
  // Always 1. The service build writes only when the stored text differs (exact bytes).
  int WriteValue(const std::string& value, const std::string& key, const std::string& section);
  // The comment line and the empty keys Word1 to Word20 of "System", replacing the file.
  int CreateDefaultFile();

  int SetWord5();
  std::string GetWord8() const;
  std::string GetWord30() const;
  int SetWord30(const std::string& value);

  const std::string& GetPath() const { return m_strPath; }
  // A panel function that needs another file of the same form (qorip.db) moves the
  // reader there after construction.
  void SetPath(const std::string& path) { m_strPath = path; }

 private:
  Build m_build;
  std::string m_strPath;
};

// The program's own reader of iis/config.ini, built on the first call with the build
// given then (the panel's start-up and the service's entry make that first call).
CIniReader& GlobalIniReader(Build build = Build::Panel);
