#include "platform/instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <thread>  // std::chrono clocks; <chrono> itself has a literal with no GBK form
#include <vector>

#include "platform/ipc_files.h"
#include "platform/unique_fd.h"

namespace platform::instance {

namespace {

constexpr char kAsk = 'F';
constexpr char kDone = 'K';
// A peer that connects and says nothing is dropped after this long; it never holds up
// the others, which are served side by side.
constexpr int kPeerWaitMs = 1000;
// Peers waiting at once; the oldest goes when more come.
constexpr size_t kMaxPeers = 64;

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The listener's sockets; the last of the listener thread and the holder closes them.
struct Channel {
  UniqueFd listener;
  UniqueFd stopRead, stopWrite;
  std::string path;
};

struct Held {
  UniqueFd lock;
  std::string folder;  // where the lock lies; the channel goes beside it
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

std::string FolderOf(Scope scope) { return scope == Scope::SystemOnly ? ipc::PrivateFolder() : ipc::AccountFolder(); }

struct Peer {
  UniqueFd fd;
  int64_t deadline;
};

void Serve(std::shared_ptr<Channel> ch, std::function<void()> onComeForward) {
  std::vector<Peer> peers;
  for (;;) {
    std::vector<pollfd> fds = {{ch->listener.Get(), POLLIN, 0}, {ch->stopRead.Get(), POLLIN, 0}};
    int64_t next = -1;
    for (const auto& p : peers) {
      fds.push_back({p.fd.Get(), POLLIN, 0});
      next = next < 0 ? p.deadline : std::min(next, p.deadline);
    }
    int timeout = next < 0 ? -1 : static_cast<int>(std::max<int64_t>(0, next - NowMs()) + 1);
    int r = ::poll(fds.data(), fds.size(), timeout);
    if (r < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    // Answer the peers that spoke (or went) first, then drop the ones whose time is up.
    std::vector<Peer> waiting;
    const int64_t now = NowMs();
    for (size_t i = 0; i < peers.size(); ++i) {
      Peer& p = peers[i];
      if (fds[2 + i].revents) {
        char c = 0;
        if (::recv(p.fd.Get(), &c, 1, MSG_DONTWAIT) == 1 && c == kAsk) {
          if (onComeForward) onComeForward();
          (void)::send(p.fd.Get(), &kDone, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        }
        continue;
      }
      if (now < p.deadline) waiting.push_back(std::move(p));
    }
    peers = std::move(waiting);
    if (fds[0].revents & POLLIN) {
      for (;;) {
        UniqueFd peer(::accept4(ch->listener.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!peer) break;
        // Only this account's own programs may ask (the folder keeps others out too).
        ucred cred{};
        socklen_t len = sizeof cred;
        if (::getsockopt(peer.Get(), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != ::geteuid()) continue;
        if (peers.size() >= kMaxPeers) peers.erase(peers.begin());
        peers.push_back({std::move(peer), NowMs() + kPeerWaitMs});
      }
    }
  }
}

void StopListener(Held& h) {
  if (!h.channel) return;
  // Unlinked before the lock goes, so the next holder never loses its socket.
  ::unlink(h.channel->path.c_str());
  char c = 1;
  while (::write(h.channel->stopWrite.Get(), &c, 1) < 0 && errno == EINTR) {
  }
  if (h.thread.joinable()) {
    if (h.thread.get_id() == std::this_thread::get_id())
      h.thread.detach();
    else
      h.thread.join();
  }
  h.channel.reset();
}

bool WaitReadable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  for (;;) {
    int r = ::poll(&p, 1, ms);
    if (r < 0 && errno == EINTR) continue;
    return r > 0;
  }
}

}  // namespace

Claim ClaimInstance(const std::string& name, Scope scope) {
  std::string dir = FolderOf(scope);
  if (dir.empty()) return Claim::Failed;
  std::string key = ipc::FileName(name);
  std::lock_guard<std::mutex> guard(RegistryMutex());
  if (Registry().count(key)) return Claim::Taken;
  UniqueFd fd(ipc::TryLock(dir + key + ".lock"));
  if (!fd) return errno == EWOULDBLOCK ? Claim::Taken : Claim::Failed;
  auto h = std::make_unique<Held>();
  h->lock = std::move(fd);
  h->folder = dir;
  Registry()[key] = std::move(h);
  return Claim::Acquired;
}

bool ListenForComeForward(const std::string& name, std::function<void()> onComeForward) {
  std::lock_guard<std::mutex> guard(RegistryMutex());
  const std::string key = ipc::FileName(name);
  auto it = Registry().find(key);
  if (it == Registry().end()) return false;
  Held& h = *it->second;
  if (h.channel) return false;
  auto ch = std::make_shared<Channel>();
  ch->path = h.folder + key + ".fwd";
  ipc::LocalAddress addr;
  if (!addr.Set(ch->path)) return false;
  ch->listener.Reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!ch->listener) return false;
  // The name is ours, so a socket file still there was left by a holder that died.
  if (!ipc::ClearStaleSocket(ch->path)) return false;
  int pipeFds[2];
  if (::bind(ch->listener.Get(), addr.Addr(), addr.Length()) != 0 || ::listen(ch->listener.Get(), SOMAXCONN) != 0 ||
      ::pipe2(pipeFds, O_CLOEXEC) != 0) {
    ::unlink(ch->path.c_str());
    return false;
  }
  ch->stopRead.Reset(pipeFds[0]);
  ch->stopWrite.Reset(pipeFds[1]);
  h.channel = ch;
  h.thread = std::thread(Serve, ch, std::move(onComeForward));
  return true;
}

bool AskComeForward(const std::string& name, int waitMs) {
  std::string dir = ipc::AccountFolder();
  if (dir.empty()) return false;
  ipc::LocalAddress addr;
  if (!addr.Set(dir + ipc::FileName(name) + ".fwd")) return false;
  UniqueFd s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!s) return false;
  if (::connect(s.Get(), addr.Addr(), addr.Length()) != 0 || ::send(s.Get(), &kAsk, 1, MSG_NOSIGNAL) != 1) return false;
  char c = 0;
  return WaitReadable(s.Get(), waitMs) && ::recv(s.Get(), &c, 1, 0) == 1 && c == kDone;
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
}

}  // namespace platform::instance
