#pragma once
// Starts, stops, restarts and deletes services of the service manager, runs the
// service program's installer first when asked, and sets a service's failure actions.
// Every operation opens and closes its own handles; nothing is kept between calls.
#include <string>

class CServiceCtrl {
 public:
  virtual ~CServiceCtrl() = default;

  // Nonzero when the service was deleted (or marked for deletion while it runs).
  int DeleteService(const std::string& name);
  // start 1 starts the service, 0 stops it and waits (bounded) until it has stopped.
  // With install set an existing installer is run with "/i" and waited for first.
  // Always 1: callers check the outcome themselves.
  int StartStopService(const std::string& name, int start, const std::string& installer, int install);
  // Stop, wait (bounded, pumping messages) until stopped, reinstall when the service is
  // gone and install is set, then start. Always 1.
  int RestartService(const std::string& name, const std::string& installer, int install);
  // Restart at once on each of the first three failures: 1 when set, else 0.
  int SetFailureActions(const std::string& name);
};
