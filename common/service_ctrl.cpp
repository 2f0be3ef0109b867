#include "common/service_ctrl.h"

#include "platform/ui/ui_hooks.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/scm.h"

namespace scm = platform::scm;

namespace {

// The installer names a Windows program ("qoripsvc.exe"): find its file in its folder.
std::string MapInstaller(const std::string& installer) {
  const auto [dir, name] = platform::SplitPath(installer);
  if (dir.empty()) return platform::MapProgramName(installer, platform::ProgramDir());
  return dir + platform::MapProgramName(name, dir);
}

// Runs the installer hidden with "/i" and waits for its end, within the usual bound.
// A missing installer is not run.
void RunInstaller(const std::string& installer) {
  std::string program = MapInstaller(installer);
  if (!platform::fs::IsFile(program)) return;
  platform::process::RunAndWait(program, "/i", true, scm::ProcessWaitMs(scm::kStartWaitMs));
}

bool OpenService(const std::string& name, scm::Service& svc) {
  scm::Manager mgr;
  return mgr.Open() == scm::kOk && mgr.OpenService(name, svc) == scm::kOk;
}

// False when the service can no longer be queried (it does not exist).
bool QueryState(const std::string& name, scm::State& state) {
  scm::Service svc;
  scm::Status st;
  if (!OpenService(name, svc) || svc.QueryStatus(st) != scm::kOk) return false;
  state = st.state;
  return true;
}

void SendStop(const std::string& name) {
  scm::Service svc;
  if (OpenService(name, svc)) svc.Control(scm::kControlStop);
}

void Start(const std::string& name) {
  scm::Service svc;
  if (OpenService(name, svc)) svc.Start();
}

}  // namespace

int CServiceCtrl::DeleteService(const std::string& name) {
  scm::Service svc;
  if (!OpenService(name, svc)) return 0;
  return svc.Delete() == scm::kOk ? 1 : 0;
}

int CServiceCtrl::StartStopService(const std::string& name, int start, const std::string& installer, int install) {
  if (install && !installer.empty() && platform::fs::IsFile(MapInstaller(installer))) {
    RunInstaller(installer);
    platform::clock::Sleep(1000);
  }
  if (start) {
    Start(name);
    return 1;
  }
  SendStop(name);
  scm::WaitLimit limit(scm::kStopWaitMs);
  scm::State state;
  while (QueryState(name, state) && state != scm::State::Stopped && !limit.Over()) platform::clock::Sleep(100);
  return 1;
}

int CServiceCtrl::RestartService(const std::string& name, const std::string& installer, int install) {
  SendStop(name);
  scm::WaitLimit limit(scm::kStopWaitMs);
  for (;;) {
    scm::State state;
    if (!QueryState(name, state)) {
      if (install && !installer.empty()) RunInstaller(installer);
      break;
    }
    if (state == scm::State::Stopped || limit.Over()) break;
    PumpMessages();
    platform::clock::Sleep(100);
  }
  platform::clock::Sleep(500);
  Start(name);
  return 1;
}

int CServiceCtrl::SetFailureActions(const std::string& name) {
  if (name.empty()) return 0;
  scm::Service svc;
  if (!OpenService(name, svc)) return 0;
  scm::FailureActions fa;
  fa.resetPeriodSec = 0;
  fa.actions.assign(3, scm::FailureAction{scm::ActionType::Restart, 0});
  return svc.ChangeFailureActions(fa) == scm::kOk ? 1 : 0;
}
