#pragma once
// Who may do what with a service: the rights Windows gives a service by default.
// Every account may query a service's status, interrogate it and send it the
// service's own controls (128-255); only an administrator may start, stop, pause,
// continue, delete or change it. An administrator is root or a member of the
// machine's Administrators group (its local name from machine.ini, matched against
// the Linux groups without regard to case).
#include <sys/types.h>

#include <cstdint>

namespace platform::scm::access {

enum class Right {
  Query,        // status, configuration, interrogate
  UserControl,  // the service's own controls
  Control,      // stop, pause, continue, shutdown
  Start,
  Change,       // configuration, failure actions, deletion
};

[[nodiscard]] bool IsAdministrator(uid_t uid);
[[nodiscard]] bool Allowed(uid_t uid, Right right);
// The right a control code needs.
[[nodiscard]] Right RightOf(uint32_t control);
// Whether this process (its effective account) holds right.
[[nodiscard]] bool MayI(Right right);

}  // namespace platform::scm::access
