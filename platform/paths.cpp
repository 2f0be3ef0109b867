#include "platform/paths.h"

#include <dirent.h>
#include <strings.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/process.h"
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
  std::string folder = SplitPath(ExecutablePath()).folder;
  return folder.empty() ? "./" : folder;
}

PathParts SplitPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {"", path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

std::string ParentDir(const std::string& path) {
  std::string folder = SplitPath(path).folder;
  if (folder.size() > 1) folder.pop_back();
  return folder;
}

std::string MachineRoot() {
  if (const char* env = std::getenv("QOR_MACHINE_ROOT"); env && *env) return WithSlash(env);
  return kDefaultMachineRoot;
}

std::string SystemDir() { return MachineRoot() + "Windows/System32/"; }

std::string MachinePath(const std::string& relative) { return MachineRoot() + relative; }

std::string AccountPath() {
  const uid_t uid = ::geteuid();
  std::string name = process::UserNameOf(static_cast<long>(uid));
  // The name becomes one folder name: one that is not, is the uid instead.
  if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") name = std::to_string(uid);
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
