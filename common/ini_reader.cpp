#include "common/ini_reader.h"

#include <cstdio>

#include "common/system_info.h"
#include "platform/fs.h"
#include "platform/ini.h"

namespace {
constexpr const char* kSection = "System";
// The size of the buffer the value is read into.
constexpr size_t kValueBuffer = 65535;
}  // namespace

CIniReader::CIniReader(Build build) : m_build(build), m_strPath(GetModuleDir() + "iis/config.ini") {
  if (m_build == Build::Service) return;
  if (!platform::fs::IsFile(m_strPath)) CreateDefaultFile();
}

CIniReader::~CIniReader() = default;

std::string CIniReader::ReadValue(const std::string& section, const std::string& key) const {
  if (section.empty() || key.empty()) return std::string();
  return platform::ini::ReadString(m_strPath, section, key, "", kValueBuffer);
}

int CIniReader::WriteValue(const std::string& value, const std::string& key, const std::string& section) {
  if (m_build == Build::Service && ReadValue(section, key) == value) return 1;
  // A write that did not land is not reported as done.
  return platform::ini::WriteString(m_strPath, section, key, value) ? 1 : 0;
}

int CIniReader::CreateDefaultFile() {
  // One replace instead of a write per key, so no reader ever sees half the keys.
  platform::ini::Update(m_strPath, [](platform::ini::Document& doc) {
    doc.Parse(";系统提示：请勿手动修改以下信息！\n");
    char key[16];
    for (int n = 1; n <= 20; ++n) {
      std::snprintf(key, sizeof key, "Word%d", n);
      doc.Set(kSection, key, "");
    }
  });
  return 1;
}

int CIniReader::SetWord5() {
  char value[16];
  std::snprintf(value, sizeof value, "%d", 99);
  return WriteValue(value, "Word5", kSection);
}

std::string CIniReader::GetWord8() const { return ReadValue(kSection, "Word8"); }
std::string CIniReader::GetWord30() const { return ReadValue(kSection, "Word30"); }
int CIniReader::SetWord30(const std::string& value) { return WriteValue(value, "Word30", kSection); }

CIniReader& GlobalIniReader(Build build) {
  static CIniReader reader(build);
  return reader;
}
