#include "tests/support/absent_display.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string>

namespace qortest {

namespace {

// An X server listens on the file /tmp/.X11-unix/XN and on the abstract name of it.
bool Answers(int number) {
  const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
  if (access(path.c_str(), F_OK) == 0) return true;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return true;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path + 1, path.data(), path.size());
  const socklen_t len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size());
  const bool answers = connect(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0;
  close(fd);
  return answers;
}

}  // namespace

std::string AbsentDisplay() {
  int number = 5917;
  while (Answers(number)) ++number;
  return ":" + std::to_string(number);
}

}  // namespace qortest
