#pragma once
// The one owner of a file descriptor in the layer: closed when it goes out of scope,
// moved, never copied. Code that must see close's own result (a write whose last
// bytes only fail there) calls Close and looks at what it returns. Both closes go
// through the layer's fault table (platform/sys.h).

#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <utility>

#include "platform/sys.h"

namespace platform {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) noexcept : m_fd(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  [[nodiscard]] int Get() const noexcept { return m_fd; }
  [[nodiscard]] bool Valid() const noexcept { return m_fd >= 0; }
  explicit operator bool() const noexcept { return Valid(); }

  // Gives the descriptor up without closing it.
  [[nodiscard]] int Release() noexcept { return std::exchange(m_fd, -1); }
  // Closes what is held (its result dropped: nothing was written that close could lose)
  // and takes fd.
  void Reset(int fd = -1) noexcept {
    const int old = std::exchange(m_fd, fd);
    if (old >= 0) (void)sys::Close(old);
  }
  // Closes now: 0, or the errno of close (the last bytes of a write may only fail
  // there). path names the file for the fault table.
  [[nodiscard]] int Close(std::string_view path = {}) noexcept {
    const int old = std::exchange(m_fd, -1);
    if (old < 0) return 0;
    return sys::Close(old, path) == 0 ? 0 : errno;
  }

 private:
  int m_fd = -1;
};

}  // namespace platform
