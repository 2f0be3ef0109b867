#include "platform/instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/ipc_files.h"

namespace platform::instance {

namespace {

constexpr char kAsk = 'F';
constexpr char kDone = 'K';
// A peer that connects and says nothing must not hold the listener up for long.
constexpr int kPeerWaitMs = 1000;

// The listener's sockets; the last of the listener thread and the holder closes them.
struct Channel {
  int listener = -1;
  int stopRead = -1, stopWrite = -1;
  std::string path;
  ~Channel() {
    for (int fd : {listener, stopRead, stopWrite})
      if (fd >= 0) ::close(fd);
  }
};

struct Held {
  int lock = -1;
  std::shared_ptr<Channel> channel;
  std::thread thread;
};

// Never destroyed: a listener thread may still run while the process exits.
std::mutex& RegistryMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::map<std::string, std::unique_ptr<Held>>& Registry() {
  static auto* r = new std::map<std::string, std::unique_ptr<Held>>;
  return *r;
}

std::string BasePath(const std::string& name) {
  std::string dir = ipc::Folder();
  return dir.empty() ? "" : dir + ipc::FileName(name);
}

bool WaitReadable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  for (;;) {
    int r = ::poll(&p, 1, ms);
    if (r < 0 && errno == EINTR) continue;
    return r > 0;
  }
}

void Serve(std::shared_ptr<Channel> ch, std::function<void()> onComeForward) {
  for (;;) {
    pollfd p[2] = {{ch->listener, POLLIN, 0}, {ch->stopRead, POLLIN, 0}};
    int r = ::poll(p, 2, -1);
    if (r < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (p[1].revents) return;
    if (!(p[0].revents & POLLIN)) continue;
    int peer = ::accept4(ch->listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0) continue;
    char c = 0;
    if (WaitReadable(peer, kPeerWaitMs) && ::recv(peer, &c, 1, 0) == 1 && c == kAsk) {
      if (onComeForward) onComeForward();
      ::send(peer, &kDone, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    ::close(peer);
  }
}

void StopListener(Held& h) {
  if (!h.channel) return;
  // Unlinked before the lock goes, so the next holder never loses its socket.
  ::unlink(h.channel->path.c_str());
  char c = 1;
  while (::write(h.channel->stopWrite, &c, 1) < 0 && errno == EINTR) {
  }
  if (h.thread.joinable()) {
    if (h.thread.get_id() == std::this_thread::get_id())
      h.thread.detach();
    else
      h.thread.join();
  }
  h.channel.reset();
}

}  // namespace

Claim ClaimInstance(const std::string& name, Scope scope) {
  const bool shared = scope == Scope::AllAccounts;
  std::string dir = shared ? ipc::Folder() : ipc::PrivateFolder();
  if (dir.empty()) return Claim::Failed;
  std::string key = ipc::FileName(name);
  std::lock_guard<std::mutex> guard(RegistryMutex());
  if (Registry().count(key)) return Claim::Taken;
  int fd = ipc::TryLock(dir + key + ".lock", shared);
  if (fd < 0) return errno == EWOULDBLOCK ? Claim::Taken : Claim::Failed;
  auto h = std::make_unique<Held>();
  h->lock = fd;
  Registry()[key] = std::move(h);
  return Claim::Acquired;
}

bool ListenForComeForward(const std::string& name, std::function<void()> onComeForward) {
  std::lock_guard<std::mutex> guard(RegistryMutex());
  auto it = Registry().find(ipc::FileName(name));
  if (it == Registry().end()) return false;
  Held& h = *it->second;
  if (h.channel) return false;
  auto ch = std::make_shared<Channel>();
  ch->path = BasePath(name) + ".fwd";
  ipc::LocalAddress addr;
  if (!addr.Set(ch->path)) return false;
  ch->listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (ch->listener < 0) return false;
  // The name is ours, so a socket file still there was left by a holder that died.
  if (!ipc::ClearStaleSocket(ch->path)) return false;
  int pipeFds[2];
  if (::bind(ch->listener, addr.Addr(), addr.Length()) != 0 || ::listen(ch->listener, 16) != 0 ||
      ::pipe2(pipeFds, O_CLOEXEC) != 0) {
    ::unlink(ch->path.c_str());
    return false;
  }
  ch->stopRead = pipeFds[0];
  ch->stopWrite = pipeFds[1];
  if (!ipc::OpenSocketToAll(ch->path)) {
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    ch->stopRead = ch->stopWrite = -1;
    return false;
  }
  h.channel = ch;
  h.thread = std::thread(Serve, ch, std::move(onComeForward));
  return true;
}

bool AskComeForward(const std::string& name, int waitMs) {
  std::string base = BasePath(name);
  if (base.empty()) return false;
  ipc::LocalAddress addr;
  if (!addr.Set(base + ".fwd")) return false;
  int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return false;
  bool done = false;
  if (::connect(s, addr.Addr(), addr.Length()) == 0 && ::send(s, &kAsk, 1, MSG_NOSIGNAL) == 1) {
    char c = 0;
    done = WaitReadable(s, waitMs) && ::recv(s, &c, 1, 0) == 1 && c == kDone;
  }
  ::close(s);
  return done;
}

void ReleaseInstance(const std::string& name) {
  std::unique_ptr<Held> h;
  {
    std::lock_guard<std::mutex> guard(RegistryMutex());
    auto it = Registry().find(ipc::FileName(name));
    if (it == Registry().end()) return;
    h = std::move(it->second);
    Registry().erase(it);
  }
  StopListener(*h);
  ::close(h->lock);
}

}  // namespace platform::instance
