// w3svc: a stand-in for the IIS web service. It does no web serving; it runs under
// the service manager as a service that accepts stop, and ends when stopped.
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/scm.h"

namespace scm = platform::scm;

namespace {

const char kUsage[] =
    "usage: w3svc [NAME]\n"
    "  runs under the service manager (qorsc start) as the service NAME, w3svc by default\n";

std::string g_name = "w3svc";
platform::StopToken g_stop;
std::atomic<bool> g_stopping{false};

void Report(scm::State state) {
  scm::Status s;
  s.state = state;
  s.controlsAccepted = state == scm::State::Running ? uint32_t{scm::kAcceptStop} : 0u;
  scm::SetStatus(s);
}

void Handler(uint32_t control) {
  if (control == scm::kControlStop) {
    g_stopping = true;
    Report(scm::State::StopPending);
    g_stop.RequestStop();
  } else if (!g_stopping) {
    Report(scm::State::Running);
  }
}

void ServiceMain(const std::vector<std::string>&) {
  if (scm::RegisterControlHandler(g_name, Handler) != scm::kOk) return;
  Report(scm::State::Running);
  while (platform::clock::Sleep(1000, &g_stop)) {
  }
  Report(scm::State::Stopped);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "--help" || first == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc > 2 || (!first.empty() && first[0] == '-')) {
    std::fprintf(stderr, "w3svc: unknown arguments\n%s", kUsage);
    return 2;
  }
  if (argc > 1) g_name = first;  // another service name, for more than one stand-in
  int rc = scm::RunDispatcher(g_name, ServiceMain);
  if (rc != scm::kOk) {
    std::fprintf(stderr, "w3svc: not started by the service manager (error %d)\n", rc);
    return 1;
  }
  return 0;
}
