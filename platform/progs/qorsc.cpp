// qorsc: the service manager's command-line tool, and the supervisor of a running
// service ("supervise", started by the manager itself). Names and paths are taken as
// the OS gives them; display texts cross between UTF-8 and GBK here.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/eventlog.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "platform/scm.h"
#include "platform/scm_supervisor.h"
#include "platform/textconv.h"

namespace scm = platform::scm;
namespace ev = platform::eventlog;

namespace {

const char* kUsage =
    "usage: qorsc <command> ...\n"
    "  create <name> <image path> [start=auto|demand|disabled] [display=<text>] [description=<text>]\n"
    "  delete <name>\n"
    "  start <name> [arguments...]\n"
    "  stop <name>\n"
    "  query <name>\n"
    "  control <name> <code>        (1-255)\n"
    "  failure <name> [reset=<seconds>] [actions=<type>/<delay ms>/...] [command=<text>]\n"
    "                               types: none, restart, reboot, run\n"
    "  qfailure <name>\n"
    "  list\n"
    "  boot                         (starts every automatic service)\n"
    "  events [log]                 (prints the event log, Application by default)\n"
    "  help                         (this text)\n"
    "Numbers are decimal, from 0 to 4294967295.\n";

// What a code of the manager means, as the system's own tool words it.
const char* CodeText(int code) {
  switch (code) {
    case scm::kFileNotFound: return "the service's program cannot be run";
    case scm::kAccessDenied: return "access is denied";
    case scm::kInvalidHandle: return "the handle is invalid";
    case scm::kInvalidParameter: return "the parameter is incorrect";
    case scm::kInvalidName: return "the name is invalid";
    case scm::kInvalidServiceControl: return "the service does not accept that control";
    case scm::kRequestTimeout: return "the service did not respond in time";
    case scm::kServiceNoThread: return "no thread could be created for the service";
    case scm::kAlreadyRunning: return "an instance of the service is already running";
    case scm::kServiceDisabled: return "the service is disabled";
    case scm::kServiceDoesNotExist: return "the service does not exist";
    case scm::kCannotAcceptControl: return "the service cannot accept controls now";
    case scm::kServiceNotActive: return "the service has not been started";
    case scm::kNotStartedByManager: return "the program was not started by the service manager";
    case scm::kProcessAborted: return "the service's process ended unexpectedly";
    case scm::kMarkedForDelete: return "the service is marked for deletion";
    case scm::kServiceExists: return "the service already exists";
    case scm::kNeverStarted: return "the service has never been started";
  }
  return "unknown error";
}

int Fail(const std::string& what, int code) {
  std::fprintf(stderr, "qorsc: %s: error %d: %s\n", what.c_str(), code, CodeText(code));
  return 1;
}

// A call the command line cannot mean: what was wrong, then the usage.
int Refuse(const std::string& why) {
  std::fprintf(stderr, "qorsc: %s\n%s", why.c_str(), kUsage);
  return 2;
}

const char* StateName(scm::State s) {
  switch (s) {
    case scm::State::Stopped: return "STOPPED";
    case scm::State::StartPending: return "START_PENDING";
    case scm::State::StopPending: return "STOP_PENDING";
    case scm::State::Running: return "RUNNING";
    case scm::State::ContinuePending: return "CONTINUE_PENDING";
    case scm::State::PausePending: return "PAUSE_PENDING";
    case scm::State::Paused: return "PAUSED";
  }
  return "UNKNOWN";
}

void PrintStatus(const std::string& name, const scm::Status& s) {
  std::printf("SERVICE_NAME: %s\n", name.c_str());
  std::printf("STATE: %u %s\n", static_cast<unsigned>(s.state), StateName(s.state));
  std::printf("PID: %d\n", s.processId);
  std::printf("CONTROLS_ACCEPTED: %u\n", s.controlsAccepted);
  std::printf("WIN32_EXIT_CODE: %u\n", s.win32ExitCode);
  std::printf("SERVICE_EXIT_CODE: %u\n", s.serviceExitCode);
  std::printf("CHECKPOINT: %u\n", s.checkPoint);
  std::printf("WAIT_HINT: %u\n", s.waitHint);
}

bool TakeOption(const std::string& arg, const char* key, std::string& value) {
  size_t n = std::strlen(key);
  if (arg.compare(0, n, key) != 0 || arg.size() <= n || arg[n] != '=') return false;
  value = arg.substr(n + 1);
  return true;
}

// A decimal number that fits the 32 bits the manager stores: no sign, no blanks, no
// wrap-around, so "-5" is refused rather than stored as 4294967291.
bool ParseNumber(const std::string& text, uint32_t& out) {
  const char* end = text.data() + text.size();
  auto [at, ec] = std::from_chars(text.data(), end, out);
  return !text.empty() && ec == std::errc() && at == end;
}

bool ParseStartType(const std::string& v, uint32_t& out) {
  if (v == "auto") out = scm::kAutoStart;
  else if (v == "demand") out = scm::kDemandStart;
  else if (v == "disabled") out = scm::kDisabled;
  else return false;
  return true;
}

bool ParseActions(const std::string& text, std::vector<scm::FailureAction>& out) {
  out.clear();
  std::vector<std::string> parts;
  size_t a = 0;
  for (;;) {
    size_t b = text.find('/', a);
    parts.push_back(text.substr(a, b == std::string::npos ? std::string::npos : b - a));
    if (b == std::string::npos) break;
    a = b + 1;
  }
  if (parts.size() % 2) return false;
  for (size_t i = 0; i < parts.size(); i += 2) {
    scm::FailureAction fa;
    const std::string& t = parts[i];
    if (t == "none") fa.type = scm::ActionType::None;
    else if (t == "restart") fa.type = scm::ActionType::Restart;
    else if (t == "reboot") fa.type = scm::ActionType::Reboot;
    else if (t == "run") fa.type = scm::ActionType::RunCommand;
    else return false;
    if (!ParseNumber(parts[i + 1], fa.delayMs)) return false;
    out.push_back(fa);
  }
  return true;
}

int OpenOrFail(scm::Manager& mgr, const std::string& name, scm::Service& svc, const std::string& what) {
  if (int rc = mgr.OpenService(name, svc)) return Fail(what + " " + name, rc);
  return 0;
}

// The logs of the machine: these three exist even before anything was written to them.
bool IsKnownLog(const std::string& log) {
  for (const char* known : {"Application", "System", "Security"})
    if (log == known) return true;
  return platform::fs::IsFile(ev::LogFilePath(log));
}

// The message texts of a source: the file "<message file>.msg" beside the message file
// its registration names, one "<id> <text>" a line, %1 to %3 for the event's texts.
class MessageTexts {
 public:
  explicit MessageTexts(const std::string& log) : m_log(log) {}
  std::string For(const ev::Event& e) {
    const std::string key = ev::KeyPath(m_log) + "\\" + e.source;
    auto [at, added] = m_tables.try_emplace(key);
    if (added) Read(key, at->second);
    const auto found = at->second.find(e.id);
    if (found == at->second.end())
      return "(no message text for event " + std::to_string(e.id) + " of " + platform::GbkToUtf8(e.source) + ")";
    std::string text;
    const std::string& pattern = found->second;
    for (size_t i = 0; i < pattern.size(); ++i) {
      const char c = pattern[i];
      if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '3') {
        const size_t n = size_t(pattern[++i] - '1');
        if (n < e.strings.size()) text += platform::GbkToUtf8(e.strings[n]);
      } else {
        text += c;
      }
    }
    return text;
  }

 private:
  static void Read(const std::string& key, std::map<uint32_t, std::string>& out) {
    platform::registry::Key source;
    std::string messageFile, content;
    if (platform::registry::OpenKey(key, source) != platform::registry::kOk) return;
    if (source.QueryString("EventMessageFile", messageFile) != platform::registry::kOk) return;
    if (platform::fs::ReadFile(messageFile + ".msg", content) != platform::fs::kOk) return;
    size_t a = 0;
    while (a < content.size()) {
      size_t b = content.find('\n', a);
      if (b == std::string::npos) b = content.size();
      std::string line = content.substr(a, b - a);
      a = b + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const size_t blank = line.find(' ');
      uint32_t id = 0;
      if (blank != std::string::npos && ParseNumber(line.substr(0, blank), id)) out[id] = line.substr(blank + 1);
    }
  }
  std::string m_log;
  std::map<std::string, std::map<uint32_t, std::string>> m_tables;
};

int PrintEvents(const std::string& log) {
  if (!IsKnownLog(log)) return Refuse("events: no event log named " + log);
  std::vector<ev::Event> events;
  if (int rc = ev::ReadEvents(events, log)) return Fail("events", rc);
  MessageTexts messages(log);
  for (const auto& e : events) {
    // The machine's local time, as every other program of the machine shows it.
    const platform::LocalTime lt = platform::clock::ToLocal(static_cast<time_t>(e.time));
    char when[32] = "";
    std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d", lt.year, lt.month, lt.day, lt.hour, lt.minute,
                  lt.second);
    std::string line = std::string(when) + "\t" + platform::GbkToUtf8(e.source) + "\t" + ev::TypeName(e.type) + "\t" +
                       std::to_string(e.category) + "\t" + std::to_string(e.id);
    for (const auto& s : e.strings) line += "\t" + platform::GbkToUtf8(s);
    line += "\t" + messages.For(e);
    std::printf("%s\n", line.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string cmd = args[0];
  if (cmd == "help" || cmd == "--help" || cmd == "-h" || cmd == "/?") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (cmd == "supervise") return scm::RunSupervisor(std::vector<std::string>(args.begin() + 1, args.end()));
  if (cmd == "events") {
    if (args.size() > 2) return Refuse("events takes one log name");
    return PrintEvents(args.size() > 1 ? args[1] : "Application");
  }
  static const char* const kNamed[] = {"create", "delete", "start", "stop", "query", "control", "failure", "qfailure"};
  bool named = cmd == "list" || cmd == "boot";
  for (const char* c : kNamed) named = named || cmd == c;
  if (!named) return Refuse("unknown command " + cmd);

  scm::Manager mgr;
  if (int rc = mgr.Open()) return Fail("open manager", rc);

  if (cmd == "list" || cmd == "boot") {
    if (cmd == "boot") {
      int rc = mgr.StartAutomaticServices();
      return rc ? Fail("boot", rc) : 0;
    }
    std::vector<std::string> names;
    mgr.ListServices(names);
    for (const auto& n : names) std::printf("%s\n", n.c_str());
    return 0;
  }

  if (args.size() < 2) return Refuse(cmd + " needs a service name");
  const std::string name = args[1];
  scm::Service svc;

  if (cmd == "create") {
    if (args.size() < 3) return Refuse("create needs a service name and the program's path");
    scm::Config c;
    c.name = name;
    c.imagePath = args[2];
    c.startType = scm::kDemandStart;
    for (size_t i = 3; i < args.size(); ++i) {
      std::string v;
      if (TakeOption(args[i], "start", v)) {
        if (!ParseStartType(v, c.startType)) return Fail("create: start type " + v, scm::kInvalidParameter);
      } else if (TakeOption(args[i], "display", v)) {
        c.displayName = platform::Utf8ToGbk(v);
      } else if (TakeOption(args[i], "description", v)) {
        c.description = platform::Utf8ToGbk(v);
      } else {
        return Fail("create: unknown option " + args[i], scm::kInvalidParameter);
      }
    }
    if (int rc = mgr.CreateService(c, &svc)) return Fail("create " + name, rc);
    std::printf("created %s\n", svc.Name().c_str());
    return 0;
  }

  if (int rc = OpenOrFail(mgr, name, svc, cmd)) return rc;

  if (cmd == "delete") {
    if (int rc = svc.Delete()) return Fail("delete " + name, rc);
    std::printf("deleted %s\n", svc.Name().c_str());
    return 0;
  }
  if (cmd == "start") {
    if (int rc = svc.Start(std::vector<std::string>(args.begin() + 2, args.end()))) return Fail("start " + name, rc);
    scm::Status s;
    svc.QueryStatus(s);
    PrintStatus(svc.Name(), s);
    return 0;
  }
  if (cmd == "stop" || cmd == "control") {
    uint32_t code = scm::kControlStop;
    if (cmd == "control") {
      if (args.size() < 3) return Refuse("control needs a service name and a code");
      if (!ParseNumber(args[2], code)) return Fail("control: code " + args[2], scm::kInvalidParameter);
    }
    scm::Status s;
    if (int rc = svc.Control(code, &s)) return Fail(cmd + " " + name, rc);
    PrintStatus(svc.Name(), s);
    return 0;
  }
  if (cmd == "query") {
    scm::Status s;
    if (int rc = svc.QueryStatus(s)) return Fail("query " + name, rc);
    PrintStatus(svc.Name(), s);
    return 0;
  }
  if (cmd == "failure") {
    scm::FailureActions fa;
    svc.QueryFailureActions(fa);
    for (size_t i = 2; i < args.size(); ++i) {
      std::string v;
      if (TakeOption(args[i], "reset", v)) {
        if (!ParseNumber(v, fa.resetPeriodSec)) return Fail("failure: reset " + v, scm::kInvalidParameter);
      } else if (TakeOption(args[i], "actions", v)) {
        if (!ParseActions(v, fa.actions)) return Fail("failure: actions " + v, scm::kInvalidParameter);
      } else if (TakeOption(args[i], "command", v)) {
        fa.command = v;
      } else {
        return Fail("failure: unknown option " + args[i], scm::kInvalidParameter);
      }
    }
    if (int rc = svc.ChangeFailureActions(fa)) return Fail("failure " + name, rc);
    std::printf("failure actions of %s changed\n", svc.Name().c_str());
    return 0;
  }
  if (cmd == "qfailure") {
    scm::FailureActions fa;
    if (int rc = svc.QueryFailureActions(fa)) return Fail("qfailure " + name, rc);
    std::printf("SERVICE_NAME: %s\nRESET_PERIOD: %u\nCOMMAND: %s\n", svc.Name().c_str(), fa.resetPeriodSec,
                fa.command.c_str());
    static const char* types[] = {"none", "restart", "reboot", "run"};
    for (const auto& a : fa.actions)
      std::printf("ACTION: %s/%u\n", types[static_cast<unsigned>(a.type) & 3], a.delayMs);
    return 0;
  }
  std::fputs(kUsage, stderr);
  return 2;
}
