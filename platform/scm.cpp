// The caller side of the service manager: records, start through a supervisor,
// controls, status, deletion.
#include "platform/scm.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>  // std::chrono clocks; <chrono> itself has a literal with no GBK form

#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/scm_access.h"
#include "platform/scm_names.h"
#include "platform/scm_wire.h"
#include "platform/unique_fd.h"

extern char** environ;

namespace platform::scm {

namespace reg = platform::registry;

namespace {

constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services";

bool IsExecutable(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string WithSlash(std::string d) {
  if (!d.empty() && d.back() != '/') d += '/';
  return d;
}

bool ValidName(const std::string& name) {
  if (name.empty() || name.size() > 256) return false;
  if (name.find('/') != std::string::npos) return false;
  // A backslash only counts where it is a character of its own, not a trail byte.
  return names::SplitAt(name, '\\').size() == 1 && name.front() != '\\' && name.back() != '\\';
}

std::string Uint32Bytes(uint32_t v) {
  std::string b(4, '\0');
  for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return b;
}

uint32_t BytesUint32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

// 0, kServiceDoesNotExist, or kAccessDenied when the records cannot be read by this
// account (the registry is the system's).
[[nodiscard]] int RecordCode(const std::string& name, reg::Key& key) {
  int rc = reg::OpenKey(ServiceKeyPath(name), key);
  if (rc == reg::kAccessDenied) return kAccessDenied;
  if (rc != reg::kOk) return kServiceDoesNotExist;
  reg::Value v;
  return key.QueryValue("ImagePath", v) == reg::kOk ? kOk : kServiceDoesNotExist;
}

[[nodiscard]] bool OpenRecord(const std::string& name, reg::Key& key) { return RecordCode(name, key) == kOk; }

// A value read, or one the record does not hold (or holds as another type), which keeps
// its default; not a hive that could not be read.
bool ValueRead(int rc) { return rc == reg::kOk || rc == reg::kFileNotFound || rc == reg::kInvalidData; }

bool MarkedForDelete(const reg::Key& key) {
  uint32_t flag = 0;
  return key.QueryDword("DeleteFlag", flag) == reg::kOk && flag != 0;
}

void RealSleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The state a status record stands for: a supervisor that is gone leaves a stopped service.
Status EffectiveStatus(const wire::StatusRecord& rec, bool haveRecord) {
  if (!haveRecord) return Status{};
  if (rec.ended) return rec.status;
  if (!wire::SupervisorAlive(rec)) {
    Status s;
    s.win32ExitCode = rec.status.state == State::Stopped ? rec.status.win32ExitCode : static_cast<uint32_t>(kProcessAborted);
    return s;
  }
  return rec.status;
}

// Runs "qorsc supervise <name> <args>" and gives its one-line answer.
int RunStarter(const std::string& name, const std::vector<std::string>& args, std::string& answer) {
  std::string program = ManagerProgram();
  std::vector<std::string> argv = {program, "supervise", name};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  int pipeFd[2];
  if (::pipe2(pipeFd, O_CLOEXEC) != 0) return kAccessDenied;
  UniqueFd readEnd(pipeFd[0]), writeEnd(pipeFd[1]);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, writeEnd.Get(), 1);
  pid_t pid = -1;
  int rc = ::posix_spawnp(&pid, program.c_str(), &fa, nullptr, cargv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  writeEnd.Reset();
  if (rc != 0) return kFileNotFound;
  // The starter forks the supervisor and ends at once; its output ends with it.
  answer.clear();
  char buf[256];
  for (;;) {
    ssize_t n = ::read(readEnd.Get(), buf, sizeof buf);
    if (n > 0) {
      answer.append(buf, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return kOk;
}

}  // namespace

WaitLimit::WaitLimit(int64_t ms) : m_until(wire::SteadyMs() + wire::ProcessWaitMs(ms)) {}
bool WaitLimit::Over() const { return wire::SteadyMs() >= m_until; }

std::string ServiceKeyPath(const std::string& name) { return std::string(kServicesKey) + "\\" + name; }

std::string StatusFilePath(const std::string& name) { return wire::FileBase(name) + ".status"; }

std::string ManagerProgram() {
  if (const char* p = std::getenv("QOR_SCM_PROGRAM"); p && *p) return p;
  if (const char* p = std::getenv("QOR_BIN_DIR"); p && *p) {
    std::string c = WithSlash(p) + "qorsc";
    if (IsExecutable(c)) return c;
  }
  std::string beside = SplitPath(ExecutablePath()).folder + "qorsc";
  if (IsExecutable(beside)) return beside;
  std::string inProgramDir = ProgramDir() + "qorsc";
  if (IsExecutable(inProgramDir)) return inProgramDir;
  return "qorsc";  // looked up on PATH
}

// ---- Manager ----

int Manager::Open() {
  m_open = false;
  if (fs::MakeDirs(MachinePath("services")) != fs::kOk) return kAccessDenied;
  m_open = true;
  return kOk;
}

int Manager::OpenService(const std::string& name, Service& out) const {
  out.m_name.clear();
  if (!m_open) return kInvalidHandle;
  if (!ValidName(name)) return kInvalidName;
  reg::Key key;
  int rc = RecordCode(name, key);
  if (rc == kAccessDenied) {
    // Another account cannot read the records, but may query a service the manager
    // knows: its status file names it.
    wire::StatusRecord rec;
    if (!wire::ReadStatusRecord(name, rec) || !names::Same(rec.name, name)) return kAccessDenied;
    out.m_name = rec.name;
    return kOk;
  }
  if (rc != kOk) return rc;
  auto parts = names::SplitAt(key.Path(), '\\');
  out.m_name = parts.empty() ? name : parts.back();
  return kOk;
}

int Manager::CreateService(const Config& c, Service* out) const {
  if (out) out->m_name.clear();
  if (!m_open) return kInvalidHandle;
  if (!ValidName(c.name)) return kInvalidName;
  if (c.imagePath.empty()) return kInvalidParameter;
  if (c.startType > kDisabled) return kInvalidParameter;
  if (!access::MayI(access::Right::Change)) return kAccessDenied;
  reg::Key key;
  if (OpenRecord(c.name, key)) return MarkedForDelete(key) ? kMarkedForDelete : kServiceExists;
  // A stale status file of an earlier service of this name must not speak for this one:
  // it goes before anything is made, and one that cannot go refuses the create.
  if (const fs::Result gone = fs::DeleteFile(StatusFilePath(c.name));
      !gone.Ok() && gone != fs::kFileNotFound && gone != fs::kPathNotFound)
    return kAccessDenied;
  if (reg::CreateKey(ServiceKeyPath(c.name), key) != reg::kOk) return kAccessDenied;
  int rc = key.SetString("ImagePath", c.imagePath, true);
  if (rc == reg::kOk) rc = key.SetDword("Type", c.serviceType);
  if (rc == reg::kOk) rc = key.SetDword("Start", c.startType);
  if (rc == reg::kOk) rc = key.SetDword("ErrorControl", c.errorControl);
  if (rc == reg::kOk) rc = key.SetString("DisplayName", c.displayName.empty() ? c.name : c.displayName);
  if (rc == reg::kOk) rc = key.SetString("ObjectName", c.account);
  if (rc == reg::kOk && !c.description.empty()) rc = key.SetString("Description", c.description);
  if (rc != reg::kOk) return kAccessDenied;
  if (out) {
    auto parts = names::SplitAt(key.Path(), '\\');
    out->m_name = parts.back();
  }
  return kOk;
}

int Manager::ListServices(std::vector<std::string>& out) const {
  out.clear();
  if (!m_open) return kInvalidHandle;
  reg::Key key;
  if (reg::OpenKey(kServicesKey, key) != reg::kOk) return kOk;
  std::vector<std::string> subs;
  // Removed since it was opened: no services; a hive that cannot be read: no answer.
  if (const int rc = key.ListSubKeys(subs); rc != reg::kOk) return rc == reg::kKeyDeleted ? kOk : kAccessDenied;
  for (const auto& s : subs) {
    reg::Key k;
    if (OpenRecord(s, k)) out.push_back(s);
  }
  return kOk;
}

int Manager::StartAutomaticServices() const {
  std::vector<std::string> all;
  int rc = ListServices(all);
  if (rc != kOk) return rc;
  int first = kOk;
  for (const auto& name : all) {
    Service s;
    if (OpenService(name, s) != kOk) continue;
    Config c;
    if (s.QueryConfig(c) != kOk || c.startType != kAutoStart) continue;
    int r = s.Start();
    if (r != kOk && r != kAlreadyRunning && first == kOk) first = r;
  }
  return first;
}

// ---- Service ----

int Service::QueryConfig(Config& out) const {
  out = Config{};
  if (!IsOpen()) return kInvalidHandle;
  reg::Key key;
  if (int rc = RecordCode(m_name, key)) return rc;
  out.name = m_name;
  for (const int rc : {key.QueryString("ImagePath", out.imagePath), key.QueryString("DisplayName", out.displayName),
                       key.QueryString("Description", out.description), key.QueryString("ObjectName", out.account),
                       key.QueryDword("Type", out.serviceType), key.QueryDword("Start", out.startType),
                       key.QueryDword("ErrorControl", out.errorControl)}) {
    if (!ValueRead(rc)) return kAccessDenied;
  }
  return kOk;
}

int Service::QueryStatus(Status& out) const {
  out = Status{};
  if (!IsOpen()) return kInvalidHandle;
  wire::StatusRecord rec;
  bool have = wire::ReadStatusRecord(m_name, rec);
  out = EffectiveStatus(rec, have);
  return kOk;
}

int Service::Start(const std::vector<std::string>& args) const {
  if (!IsOpen()) return kInvalidHandle;
  if (!access::MayI(access::Right::Start)) return kAccessDenied;
  reg::Key key;
  if (!OpenRecord(m_name, key)) return kServiceDoesNotExist;
  if (MarkedForDelete(key)) return kMarkedForDelete;
  uint32_t startType = kDemandStart;
  if (!ValueRead(key.QueryDword("Start", startType))) return kAccessDenied;
  if (startType == kDisabled) return kServiceDisabled;
  if (fs::MakeDirs(MachinePath("services")) != fs::kOk) return kAccessDenied;

  int rc = kOk;
  int supervisorPid = 0;
  // The last run may have stopped with its supervisor still finishing; that needs the
  // lock, so the wait for it happens outside.
  WaitLimit winding(kControlWaitMs);
  for (;;) {
    bool busy = false;
    bool locked = fs::WithLock(wire::LockPath(m_name), [&] {
      wire::StatusRecord rec;
      bool have = wire::ReadStatusRecord(m_name, rec);
      if (have && wire::SupervisorAlive(rec)) {
        if (rec.status.state != State::Stopped) rc = kAlreadyRunning;
        else busy = true;
        return;
      }
      std::string answer;
      rc = RunStarter(m_name, args, answer);
      if (rc != kOk) return;
      auto f = names::SplitAt(answer, ' ');
      if (f.empty()) {
        rc = kFileNotFound;  // no qorsc to run
        return;
      }
      rc = std::atoi(f[0].c_str());
      if (rc == kOk && f.size() >= 2) supervisorPid = std::atoi(f[1].c_str());
    });
    if (!locked) return kAccessDenied;
    if (!busy) break;
    if (winding.Over()) return kRequestTimeout;
    RealSleepMs(5);
  }
  if (rc != kOk) return rc;

  int64_t until = wire::SteadyMs() + wire::ProcessWaitMs(kStartWaitMs) + 2000;
  for (;;) {
    wire::StatusRecord rec;
    bool have = wire::ReadStatusRecord(m_name, rec);
    if (have && rec.supervisorPid == supervisorPid) {
      if (rec.connects > 0) return kOk;
      if (rec.ended || !wire::SupervisorAlive(rec))
        return rec.status.win32ExitCode ? static_cast<int>(rec.status.win32ExitCode) : kRequestTimeout;
    } else if (!have && wire::ProcessStartTicks(supervisorPid) == 0) {
      return kRequestTimeout;
    }
    if (wire::SteadyMs() >= until) return kRequestTimeout;
    RealSleepMs(5);
  }
}

int Service::Control(uint32_t code, Status* status) const {
  Status dummy;
  Status& st = status ? *status : dummy;
  st = Status{};
  if (!IsOpen()) return kInvalidHandle;
  if (code == 0 || code > kLastCustomControl) return kInvalidParameter;
  // The supervisor decides who may send what; the record only has to exist.
  reg::Key key;
  if (int rc = RecordCode(m_name, key); rc == kServiceDoesNotExist) return rc;
  wire::StatusRecord rec;
  bool have = wire::ReadStatusRecord(m_name, rec);
  st = EffectiveStatus(rec, have);
  if (!have || !wire::SupervisorAlive(rec) || rec.status.state == State::Stopped) return kServiceNotActive;
  UniqueFd fd(wire::Connect(rec.socket));
  if (!fd) return kServiceNotActive;
  int rc = kRequestTimeout;
  if (wire::SendLine(fd.Get(), "Q " + std::to_string(code))) {
    wire::LineReader reader(fd.Get());
    std::string line;
    std::vector<std::string> f;
    int r = reader.Read(line, wire::ProcessWaitMs(kControlWaitMs) + 2000);
    if (r == 1 && wire::SplitFields(line, f) && f.size() == 10 && f[0] == "R") {
      rc = std::atoi(f[1].c_str());
      std::string fields;
      for (size_t i = 2; i < f.size(); ++i) fields += (i > 2 ? " " : "") + f[i];
      wire::ParseStatus(fields, st);
    } else if (r == -1) {
      rc = kServiceNotActive;  // the supervisor ended meanwhile
    }
  }
  return rc;
}

int Service::Delete() const {
  if (!IsOpen()) return kInvalidHandle;
  if (!access::MayI(access::Right::Change)) return kAccessDenied;
  int rc = kOk;
  bool locked = fs::WithLock(wire::LockPath(m_name), [&] {
    reg::Key key;
    if (!OpenRecord(m_name, key)) {
      rc = kServiceDoesNotExist;
      return;
    }
    if (MarkedForDelete(key)) {
      rc = kMarkedForDelete;
      return;
    }
    wire::StatusRecord rec;
    bool have = wire::ReadStatusRecord(m_name, rec);
    if (have && wire::SupervisorAlive(rec) && rec.status.state != State::Stopped) {
      rc = key.SetDword("DeleteFlag", 1) == reg::kOk ? kOk : kAccessDenied;
      return;
    }
    rc = reg::DeleteTree(ServiceKeyPath(m_name)) == reg::kOk ? kOk : kAccessDenied;
    // The record is gone, so nothing asks for these; a status file that stays is
    // removed by the next create of the name, which refuses to go on without that.
    (void)fs::DeleteFile(StatusFilePath(m_name));
    (void)fs::DeleteFile(wire::FileBase(m_name) + ".log");
  });
  return locked ? rc : kAccessDenied;
}

int Service::ChangeFailureActions(const FailureActions& a) const {
  if (!IsOpen()) return kInvalidHandle;
  if (!access::MayI(access::Right::Change)) return kAccessDenied;
  reg::Key key;
  if (!OpenRecord(m_name, key)) return kServiceDoesNotExist;
  std::string bytes = Uint32Bytes(a.resetPeriodSec) + Uint32Bytes(static_cast<uint32_t>(a.actions.size()));
  for (const auto& act : a.actions) bytes += Uint32Bytes(static_cast<uint32_t>(act.type)) + Uint32Bytes(act.delayMs);
  int rc = key.SetBinary("FailureActions", bytes);
  if (rc == reg::kOk) rc = key.SetString("FailureCommand", a.command);
  if (rc == reg::kOk) rc = key.SetString("RebootMessage", a.rebootMessage);
  return rc == reg::kOk ? kOk : kAccessDenied;
}

int Service::QueryFailureActions(FailureActions& out) const {
  out = FailureActions{};
  if (!IsOpen()) return kInvalidHandle;
  reg::Key key;
  if (!OpenRecord(m_name, key)) return kServiceDoesNotExist;
  reg::Value v;
  if (key.QueryValue("FailureActions", v) == reg::kOk && v.data.size() >= 8) {
    out.resetPeriodSec = BytesUint32(v.data, 0);
    uint32_t n = BytesUint32(v.data, 4);
    for (uint32_t i = 0; i < n && 8 + i * 8 + 8 <= v.data.size(); ++i) {
      uint32_t type = BytesUint32(v.data, 8 + i * 8);
      FailureAction fa;
      fa.type = type <= 3 ? static_cast<ActionType>(type) : ActionType::None;
      fa.delayMs = BytesUint32(v.data, 12 + i * 8);
      out.actions.push_back(fa);
    }
  }
  for (const int rc : {key.QueryString("FailureCommand", out.command),
                       key.QueryString("RebootMessage", out.rebootMessage)}) {
    if (!ValueRead(rc)) return kAccessDenied;
  }
  return kOk;
}

int Service::ChangeStartType(uint32_t startType) const {
  if (!IsOpen()) return kInvalidHandle;
  if (!access::MayI(access::Right::Change)) return kAccessDenied;
  if (startType > kDisabled) return kInvalidParameter;
  reg::Key key;
  if (!OpenRecord(m_name, key)) return kServiceDoesNotExist;
  return key.SetDword("Start", startType) == reg::kOk ? kOk : kAccessDenied;
}

}  // namespace platform::scm
