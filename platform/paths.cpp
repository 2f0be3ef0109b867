#include "platform/paths.h"

#include <dirent.h>
#include <pwd.h>
#include <strings.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/sys.h"

namespace platform {

namespace {
std::string WithSlash(std::string p) {
  if (p.empty() || p.back() != '/') p += '/';
  return p;
}
}  // namespace

std::string ExecutablePath() {
  std::vector<char> buf(4096);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return "";
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
    buf.resize(buf.size() * 2);
  }
}

std::string ProgramDir() {
  if (const char* env = std::getenv("QOR_PROGRAM_DIR"); env && *env) return WithSlash(env);
  const std::string exe = ExecutablePath();
  auto slash = exe.rfind('/');
  return slash == std::string::npos ? "./" : exe.substr(0, slash + 1);
}

std::string MachineRoot() {
  if (const char* env = std::getenv("QOR_MACHINE_ROOT"); env && *env) return WithSlash(env);
  return kDefaultMachineRoot;
}

std::string SystemDir() { return MachineRoot() + "Windows/System32/"; }

std::string MachinePath(const std::string& relative) { return MachineRoot() + relative; }

std::string AccountPath() {
  const uid_t uid = ::geteuid();
  std::vector<char> buf(16384);
  passwd pw{};
  passwd* found = nullptr;
  std::string name;
  if (::getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_name[0] &&
      std::string(found->pw_name).find('/') == std::string::npos && std::string(found->pw_name) != "." &&
      std::string(found->pw_name) != "..")
    name = found->pw_name;
  else
    name = std::to_string(uid);
  return MachinePath("users/" + name);
}

std::string StripExe(const std::string& name) {
  if (name.size() >= 4 && strcasecmp(name.c_str() + name.size() - 4, ".exe") == 0)
    return name.substr(0, name.size() - 4);
  return name;
}

bool SameProgramName(const std::string& a, const std::string& b) {
  std::string x = StripExe(a), y = StripExe(b);
  return x.size() == y.size() && strcasecmp(x.c_str(), y.c_str()) == 0;
}

std::string MapProgramName(const std::string& windowsName, const std::string& dir) {
  std::string want = StripExe(windowsName);
  if (DIR* d = sys::OpenDir(dir)) {
    std::string found;
    while (dirent* e = readdir(d)) {
      if (strcasecmp(e->d_name, want.c_str()) == 0) {
        found = e->d_name;
        break;
      }
    }
    closedir(d);
    if (!found.empty()) return found;
  }
  return want;
}

}  // namespace platform
