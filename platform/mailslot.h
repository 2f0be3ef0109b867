#pragma once
// One-way local message slots in place of Windows mailslots: one reader owns a name,
// any process writes whole messages to it. A Unix datagram socket in <machine root>/ipc/
// (the service writes, a user's tray reads); writes never block and never wait for the
// reader. The readers of one account take turns under a lock in the account's own
// folder, which no other account can hold. Between accounts the live socket decides:
// a name another account reads is waited for a short while and then refused, with a
// log line naming that account; an administrator takes a name back from an account
// that is not one, and moves aside what another account put there that is no socket.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/unique_fd.h"

namespace platform::mailslot {

// Largest message a slot carries (the reader's buffer).
inline constexpr size_t kMaxMessage = 400;

// Results in the Windows terms the callers expect.
enum : int {
  kOk = 0,
  kNoReader = 2,         // nobody owns the name (ERROR_FILE_NOT_FOUND)
  kAccessDenied = 5,
  kSlotFull = 8,         // the reader is behind; the message was not queued
  kInvalidName = 123,
  kAlreadyExists = 183,  // another reader owns the name
  kTooLarge = 234,       // more than kMaxMessage bytes; nothing was sent
  kFailed = 31,
};

// The reading end. Names are "\\.\MailSlot\Name" or a bare "Name", case-blind.
class Slot {
 public:
  Slot() = default;
  ~Slot();
  Slot(const Slot&) = delete;
  Slot& operator=(const Slot&) = delete;

  // Takes the name for this process: kOk, kAlreadyExists while another reader lives,
  // or another code. A socket left behind by a reader that crashed is cleared.
  [[nodiscard]] int Create(const std::string& name);
  bool IsOpen() const { return m_socket.Valid(); }

  enum class ReadResult { Message, Timeout, Failed };
  // The next whole message in order of arrival. One larger than kMaxMessage (from a
  // foreign writer) is dropped and the next one read. waitMs < 0 waits for ever.
  [[nodiscard]] ReadResult Read(std::string& message, int64_t waitMs = -1);

  // Gives the name up; messages not yet read are lost.
  void Close();

 private:
  UniqueFd m_socket;
  UniqueFd m_lock;
  std::string m_path;
};

// Writes one message to the reader of name: kOk, kNoReader, kTooLarge, kSlotFull or
// another code. Never blocks.
[[nodiscard]] int Write(const std::string& name, const std::string& message);

// Socket file of a name (for tests that act as a foreign writer).
std::string SocketPath(const std::string& name);

}  // namespace platform::mailslot
