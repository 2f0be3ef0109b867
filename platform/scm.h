#pragma once
// The service manager. Service records live in the registry under
// SYSTEM\CurrentControlSet\Services\<name>; a running service has a supervisor of its
// own (the program qorsc, started detached) that spawns the service's image, relays
// controls to it over a local socket, reaps it, writes its status file under
// <machine root>/services/ and applies the failure actions when it crashes.
// Service names are compared without regard to case.
//
// Which qorsc is run: the environment variable QOR_SCM_PROGRAM when set, else
// "qorsc" in QOR_BIN_DIR, else "qorsc" beside the running executable, else "qorsc"
// in the program folder, else "qorsc" found on PATH.
//
// Every wait is bounded (kStartWaitMs, kControlWaitMs, kStopWaitMs), scaled by
// QOR_TIME_SCALE with a floor of kMinProcessWaitMs (see WaitLimit).
//
// A service's standard output and error go to <machine root>/services/<name>.log
// (started afresh with every start). Custom controls (128-255) always reach the
// handler; controls 6-127 are refused with 1052.
//
// Every account may query a service and send it interrogate and custom controls; only
// an administrator may start, stop, pause, continue, delete or change one (see
// scm_access.h). The supervisor checks the caller of each control by the kernel's peer
// credentials and serves the accounts in turn; the other operations check the calling
// process's own account.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::scm {

// Windows error codes of the service manager.
enum : int {
  kOk = 0,
  kFileNotFound = 2,                 // the image cannot be run
  kAccessDenied = 5,                 // the manager's state cannot be read or written, or the
                                     // caller's account may not do that (scm_access.h)
  kInvalidHandle = 6,
  kInvalidParameter = 87,
  kInvalidName = 123,
  kInvalidServiceControl = 1052,     // a control the service does not accept
  kRequestTimeout = 1053,            // the service did not connect or answer in time
  kServiceNoThread = 1054,
  kAlreadyRunning = 1056,
  kServiceDisabled = 1058,
  kServiceDoesNotExist = 1060,
  kCannotAcceptControl = 1061,       // the service is starting or stopping
  kServiceNotActive = 1062,
  kNotStartedByManager = 1063,       // the dispatcher of a process the manager did not start
  kProcessAborted = 1067,
  kMarkedForDelete = 1072,
  kServiceExists = 1073,
  kNeverStarted = 1077,
};

enum class State : uint32_t {
  Stopped = 1,
  StartPending = 2,
  StopPending = 3,
  Running = 4,
  ContinuePending = 5,
  PausePending = 6,
  Paused = 7,
};

enum : uint32_t { kOwnProcess = 0x10 };

enum : uint32_t {
  kBootStart = 0,
  kSystemStart = 1,
  kAutoStart = 2,
  kDemandStart = 3,
  kDisabled = 4,
};

// Control codes; 128 to 255 are the service's own.
enum : uint32_t {
  kControlStop = 1,
  kControlPause = 2,
  kControlContinue = 3,
  kControlInterrogate = 4,
  kControlShutdown = 5,
  kFirstCustomControl = 128,
  kLastCustomControl = 255,
};

// Controls a service says it accepts.
enum : uint32_t {
  kAcceptStop = 1,
  kAcceptPauseContinue = 2,
  kAcceptShutdown = 4,
};

// Bounds of the waits (before QOR_TIME_SCALE).
constexpr int64_t kStartWaitMs = 30000;    // until a started service connects
constexpr int64_t kControlWaitMs = 30000;  // until the service's handler answers
constexpr int64_t kStopWaitMs = 30000;     // until a stopped service reports Stopped

// A wait for another process lasts the scaled bound but never less than this:
// QOR_TIME_SCALE shrinks the programs' own sleeps, not how fast the OS runs a process.
constexpr int64_t kMinProcessWaitMs = 5000;

// The bound of a wait for another process: ms scaled, at least kMinProcessWaitMs. In a
// scaled run kMinProcessWaitEnv (read at each call) lowers that floor, for a test that
// waits for a bound to pass on purpose; without QOR_TIME_SCALE it is ignored.
constexpr const char* kMinProcessWaitEnv = "QOR_MIN_PROCESS_WAIT_MS";
int64_t ProcessWaitMs(int64_t ms);

// The bound of one wait for a service, on the real monotonic clock (a fake clock
// cannot make another process any faster).
class WaitLimit {
 public:
  explicit WaitLimit(int64_t ms);
  [[nodiscard]] bool Over() const;

 private:
  int64_t m_until;
};

struct Status {
  uint32_t serviceType = kOwnProcess;
  State state = State::Stopped;
  uint32_t controlsAccepted = 0;
  uint32_t win32ExitCode = 0;
  uint32_t serviceExitCode = 0;
  uint32_t checkPoint = 0;
  uint32_t waitHint = 0;
  int processId = 0;  // of the service's process while it runs
};

struct Config {
  std::string name;         // as created (its case is kept)
  std::string displayName;
  std::string description;
  // The program to run. Taken as one argument (a path with blanks needs no quotes);
  // a text that starts with a double quote is split by the Windows rules instead, so
  // it can carry arguments: "\"/opt/qor/w3svc\" -x".
  std::string imagePath;
  uint32_t serviceType = kOwnProcess;
  uint32_t startType = kDemandStart;
  uint32_t errorControl = 1;
  std::string account = "LocalSystem";
};

enum class ActionType : uint32_t { None = 0, Restart = 1, Reboot = 2, RunCommand = 3 };

struct FailureAction {
  ActionType type = ActionType::None;
  uint32_t delayMs = 0;
};

// What the supervisor does when the service's process ends without having reported
// Stopped: the n-th failure within the reset period takes action n (the last action
// repeats); the count starts again after resetPeriodSec seconds without a failure
// (0: never).
struct FailureActions {
  uint32_t resetPeriodSec = 0;
  std::string rebootMessage;
  std::string command;  // run for RunCommand, split by the Windows rules
  std::vector<FailureAction> actions;
};

// A service record opened through a Manager. Nothing to close.
class Service {
 public:
  bool IsOpen() const { return !m_name.empty(); }
  // The name as stored.
  const std::string& Name() const { return m_name; }

  // Starts the service with arguments for its service entry (the entry gets the
  // service name first, then these). Returns once the service's process has
  // connected to its dispatcher: 0, 1056 running, 1058 disabled, 1072 marked for
  // deletion, 2 the image cannot be run, 1053 no connection within kStartWaitMs.
  int Start(const std::vector<std::string>& args = {}) const;
  // Sends a control and gives the status after it (also on 1052 and 1061).
  // 1062 when not running, 1052 a control the service does not accept, 87 a code
  // outside 1-255, 1053 no answer within kControlWaitMs.
  int Control(uint32_t code, Status* status = nullptr) const;
  // A service whose supervisor or process has died reads as stopped.
  int QueryStatus(Status& out) const;
  [[nodiscard]] int QueryConfig(Config& out) const;
  // Removes the record at once when the service is stopped; otherwise marks it and
  // the supervisor removes it when the service ends. 1072 when already marked.
  [[nodiscard]] int Delete() const;
  int ChangeFailureActions(const FailureActions& actions) const;
  int QueryFailureActions(FailureActions& out) const;
  [[nodiscard]] int ChangeStartType(uint32_t startType) const;
  [[nodiscard]] int ChangeDescription(const std::string& description) const;

 private:
  friend class Manager;
  std::string m_name;
};

// The service manager of the machine root in force when Open was called.
class Manager {
 public:
  // 0, or 5 when the manager's state folder cannot be made.
  [[nodiscard]] int Open();
  bool IsOpen() const { return m_open; }
  // 0, or 1060 when no such service; 123 an empty or malformed name.
  [[nodiscard]] int OpenService(const std::string& name, Service& out) const;
  // 1073 when a service of that name exists, 1072 when it is marked for deletion,
  // 123 a bad name, 87 an empty image path.
  [[nodiscard]] int CreateService(const Config& config, Service* out = nullptr) const;
  // Names of every service record.
  int ListServices(std::vector<std::string>& out) const;
  // Starts every automatic service that is not running; the first error, or 0.
  int StartAutomaticServices() const;

 private:
  bool m_open = false;
};

// The qorsc program the caller side runs (see the rule at the top).
std::string ManagerProgram();
// The registry key of a service ("SYSTEM\CurrentControlSet\Services\" + name).
std::string ServiceKeyPath(const std::string& name);
// The status file of a service under the machine root.
std::string StatusFilePath(const std::string& name);

// ---- Service side -------------------------------------------------------------

// The service's entry: argument 0 is the service name, then the start arguments.
using ServiceMain = std::function<void(const std::vector<std::string>& args)>;
// Called on the dispatcher's thread for every control the manager relays.
using ControlHandler = std::function<void(uint32_t control)>;

// Connects to the supervisor that started this process, runs main on a thread of
// its own and relays controls to the registered handler on the calling thread.
// Returns 0 once main has returned; 1063 at once when the process was not started by
// the service manager (or for another service name). When the supervisor goes away
// the handler gets a stop; a process that has not ended kStopWaitMs later exits.
// Programs the service starts do not inherit its connection to the manager.
[[nodiscard]] int RunDispatcher(const std::string& serviceName, const ServiceMain& main);

// Registers the handler of the dispatched service: 0, 1063 outside a dispatcher,
// 1060 for another name than the dispatched one.
int RegisterControlHandler(const std::string& serviceName, ControlHandler handler);

// Reports the service's status to the manager. Safe from any thread. 0, or 6 when
// no handler was registered, 1063 outside a dispatcher. (Results a caller may leave
// unread, as the programs do, carry no [[nodiscard]].)
int SetStatus(const Status& status);

}  // namespace platform::scm
