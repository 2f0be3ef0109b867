// Detached starts (the shell's "open" of a program) and the desktop's opener.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/sys.h"
#include "platform/unique_fd.h"

extern char** environ;

namespace platform::process {

int ApplyStartFault();  // process_snapshot.cpp keeps the hook

namespace {

bool ReadInt(int fd, int& value) {
  char* p = reinterpret_cast<char*>(&value);
  size_t got = 0;
  while (got < sizeof value) {
    ssize_t n = sys::Read(fd, p + got, sizeof value - got);
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

// Between fork and exec only async-signal-safe calls: the caller may have threads.
int SpawnDetached(const std::string& path, const std::vector<std::string>& args) {
  if (int e = ApplyStartFault()) {
    errno = e;
    return -1;
  }
  std::vector<std::string> all{path};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  sigset_t none;
  sigemptyset(&none);

  // The middle child reports the pid on one pipe; the grandchild's exec failure comes
  // on the other (closed without a word when exec worked).
  int raw[2];
  if (::pipe2(raw, O_CLOEXEC) != 0) return -1;
  UniqueFd pidRead(raw[0]), pidWrite(raw[1]);
  if (::pipe2(raw, O_CLOEXEC) != 0) return -1;
  UniqueFd errRead(raw[0]), errWrite(raw[1]);
  UniqueFd devNull(sys::Open("/dev/null", O_RDONLY | O_CLOEXEC));
  pid_t middle = ::fork();
  if (middle == 0) {
    ::setsid();
    pid_t child = ::fork();
    if (child == 0) {
      if (devNull) ::dup2(devNull.Get(), 0);
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      ::execve(argv[0], argv.data(), environ);
      int e = errno;
      ssize_t ignored = ::write(errWrite.Get(), &e, sizeof e);
      (void)ignored;
      ::_exit(127);
    }
    int value = static_cast<int>(child);
    ssize_t ignored = ::write(pidWrite.Get(), &value, sizeof value);
    (void)ignored;
    ::_exit(0);
  }
  // Only the children write: the reads below end when they have gone.
  pidWrite.Reset();
  errWrite.Reset();
  devNull.Reset();
  int pid = -1, err = 0;
  if (middle > 0) {
    while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    if (!ReadInt(pidRead.Get(), pid)) pid = -1;
    if (pid > 0 && ReadInt(errRead.Get(), err)) pid = -1;
  }
  if (pid <= 0 && err) errno = err;
  return pid > 0 ? pid : -1;
}

std::string ResolveProgram(const std::string& program) {
  if (fs::IsFile(program)) return program;
  auto slash = program.rfind('/');
  std::string dir = slash == std::string::npos ? "./" : program.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? program : program.substr(slash + 1);
  std::string mapped = dir + MapProgramName(name, dir);
  return fs::IsFile(mapped) ? mapped : program;
}

std::string FindInPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string list = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t end = list.find(':', pos);
    if (end == std::string::npos) end = list.size();
    std::string dir = list.substr(pos, end - pos);
    pos = end + 1;
    if (dir.empty()) continue;
    std::string full = dir + "/" + name;
    if (::access(full.c_str(), X_OK) == 0 && fs::IsFile(full)) return full;
  }
  return "";
}

bool HasDesktop() {
  for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* v = std::getenv(var);
    if (v && *v) return true;
  }
  return false;
}

}  // namespace

int StartDetached(const std::string& program, const std::string& parameters, bool /*hidden*/) {
  if (program.empty()) return -1;
  return SpawnDetached(ResolveProgram(program), SplitCommandLine(parameters));
}

std::string RecordedOpensPath() { return MachinePath("shell/opened.log"); }

bool OpenDocument(const std::string& target) {
  if (target.empty()) return false;
  if (HasDesktop()) {
    std::string opener = FindInPath("xdg-open");
    if (!opener.empty() && SpawnDetached(opener, {target}) > 0) return true;
  }
  // A missing folder shows in the write below.
  (void)fs::MakeDirs(MachinePath("shell"));
  return fs::WriteFile(RecordedOpensPath(), target + "\n", true) == fs::kOk;
}

}  // namespace platform::process
