#pragma once
// Single instances in place of named semaphores and mutexes: a lock per name, held for
// the life of the process (the kernel drops it when the process ends; children never
// inherit it), and a local channel through which a later start asks the holder to come
// forward. As on Windows a name belongs to the account's own session: lock and channel
// lie in the account's own folder <machine root>/users/<account>/, which no other
// account can open, so no other account can hold the name or the channel.
#include <functional>
#include <string>

namespace platform::instance {

enum class Claim {
  Acquired,  // this process now holds the name
  Taken,     // another process, or an earlier claim of this one, holds it
  Failed,    // the lock file cannot be opened
};

enum class Scope {
  ThisAccount,  // the programs of this account meet at the name (in its own folder)
  SystemOnly,   // only the system's own processes take it: a lock in locks/
};

// Takes the name for the rest of the process's life. A name taken by something not of
// this system (a link, say) gives Failed.
[[nodiscard]] Claim ClaimInstance(const std::string& name, Scope scope = Scope::ThisAccount);

// While this process holds name, every later start that asks brings onComeForward to
// run, on a listener thread of its own (a window must post to its UI thread from
// there). Peers are served side by side; one that says nothing is dropped after a
// second. False when name is not held here or the channel cannot be opened.
[[nodiscard]] bool ListenForComeForward(const std::string& name, std::function<void()> onComeForward);

// Asks the holder of name to come forward; true when it has done so within waitMs.
[[nodiscard]] bool AskComeForward(const std::string& name, int waitMs = 2000);

// Gives name up before the process ends (and stops its listener).
void ReleaseInstance(const std::string& name);

}  // namespace platform::instance
