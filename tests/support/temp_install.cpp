#include "tests/support/temp_install.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/fs.h"

namespace qortest {

namespace fs = platform::fs;

TempInstall::TempInstall() {
  char tmpl[] = "/tmp/qortest.XXXXXX";
  char* dir = mkdtemp(tmpl);
  if (!dir) std::abort();
  m_base = std::string(dir) + "/";
  m_programDir = m_base + "prog/";
  m_machineRoot = m_base + "machine/";
  EXPECT_EQ(fs::MakeDirs(m_programDir + "iis/log"), fs::kOk);
  EXPECT_EQ(fs::MakeDirs(m_programDir + "log"), fs::kOk);
  EXPECT_EQ(fs::MakeDirs(m_machineRoot + "Windows/System32"), fs::kOk);
  if (const char* p = std::getenv("QOR_PROGRAM_DIR")) {
    m_hadProgramDir = true;
    m_oldProgramDir = p;
  }
  if (const char* p = std::getenv("QOR_MACHINE_ROOT")) {
    m_hadMachineRoot = true;
    m_oldMachineRoot = p;
  }
  setenv("QOR_PROGRAM_DIR", m_programDir.c_str(), 1);
  setenv("QOR_MACHINE_ROOT", m_machineRoot.c_str(), 1);
}

TempInstall::~TempInstall() {
  if (m_hadProgramDir) setenv("QOR_PROGRAM_DIR", m_oldProgramDir.c_str(), 1);
  else unsetenv("QOR_PROGRAM_DIR");
  if (m_hadMachineRoot) setenv("QOR_MACHINE_ROOT", m_oldMachineRoot.c_str(), 1);
  else unsetenv("QOR_MACHINE_ROOT");
  if (!std::getenv("QOR_KEEP_TEMP")) (void)fs::RemoveTree(m_base.substr(0, m_base.size() - 1));
}

void TempInstall::WriteProgramFile(const std::string& relative, const std::string& content) const {
  std::string path = m_programDir + relative;
  auto slash = path.rfind('/');
  EXPECT_EQ(fs::MakeDirs(path.substr(0, slash)), fs::kOk);
  ASSERT_EQ(fs::WriteFile(path, content), fs::kOk) << path;
}

std::string TempInstall::ReadProgramFile(const std::string& relative) const {
  std::string out;
  (void)fs::ReadFile(m_programDir + relative, out);
  return out;
}

void TempInstall::WriteMachineIni(const std::string& extraLines) const {
  // Extra lines come first: the first key of a name wins.
  std::string text =
      "[machine]\n" + extraLines +
      "os_platform=2\nos_major=6\nos_minor=1\nos_build=7601\n"
      "computer_name=QORTEST\nadmin_group=Administrators\n"
      "iis_generation=7\nadsi=1\nwmi=1\n"
      "system_drive_size=107374182400\nsystem_folder_created=1262304000\nprocessor_count=4\n"
      "time_zone=UTC\n";
  ASSERT_EQ(fs::WriteFile(m_machineRoot + "machine.ini", text), fs::kOk);
}

std::string SelfExe() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

std::string BinDir() {
  const char* p = std::getenv("QOR_BIN_DIR");
  std::string dir = p ? p : "";
  if (dir.empty()) {
    // Test programs are built into <build>/tests, the system's programs into <build>/bin.
    const std::string exe = SelfExe();
    const size_t slash = exe.rfind('/');
    const size_t up = slash == std::string::npos || slash == 0 ? std::string::npos : exe.rfind('/', slash - 1);
    if (up != std::string::npos) dir = exe.substr(0, up + 1) + "bin";
  }
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

std::string SourceDir() {
  const char* p = std::getenv("QOR_SOURCE_DIR");
  std::string dir = p ? p : "";
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

namespace {
// The layer finds the service manager (qorsc) through QOR_BIN_DIR, and the programs
// pass it on: a test run by hand uses the programs of its own build tree.
const bool g_binDirSet = [] {
  if (const char* p = std::getenv("QOR_BIN_DIR"); p && *p) return true;
  const std::string dir = BinDir();
  return !dir.empty() && setenv("QOR_BIN_DIR", dir.c_str(), 1) == 0;
}();
}  // namespace

std::string InstallProgram(const std::string& name, const std::string& dir) {
  std::string from = BinDir() + name, to = dir + name;
  std::string data;
  if (fs::ReadFile(from, data) != fs::kOk) return "";
  if (fs::WriteFile(to, data) != fs::kOk) return "";
  chmod(to.c_str(), 0755);
  return to;
}

}  // namespace qortest
