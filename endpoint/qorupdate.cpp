// Stand-in for the update web endpoint: a small HTTP/1.0 server on 127.0.0.1 that
// answers the IP-library request, the version check and the notice list from the
// files it is given. For tests and the demo only.
//
//   qorupdate [--port N] [--port-file FILE] [--iplib FILE] [--iplib-time TEXT]
//             [--iplib-error TEXT] [--version-reply FILE] [--notice-reply FILE]
//             [--status CODE] [--log FILE] [--idle-timeout SECONDS]
//             [--redirects N] [--iplib-pad BYTES] [--stall silent|trickle]
//
// --redirects N answers a request with a redirect to the same address plus "&hop=K"
// until it carries hop=N; --iplib-pad appends BYTES bytes of zero-laden filler to the
// library text; --stall silent takes a request and never answers it, --stall trickle
// answers a byte every 250 ms (hostile servers).
//
// Port 0 picks a free port; the port is printed ("port N") and written to the port
// file. Files are read again for every request, so a test may change them while the
// server runs. It ends on SIGTERM or SIGINT, or after the idle timeout (default 120 s)
// without a request.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "common/update_endpoint.h"
#include "platform/fs.h"
#include "platform/unique_fd.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

struct Settings {
  int port = 0;
  std::string portFile;
  std::string ipLibFile;
  std::string ipLibTime = "2024-01-01 00:00:00";
  std::string ipLibError;
  std::string versionFile;
  std::string noticeFile;
  int status = 200;
  std::string logFile;
  int idleSeconds = 120;
  int redirects = 0;
  long long ipLibPad = 0;
  std::string stall;
};

// The pause between two bytes of a trickled answer.
constexpr int kTrickleMs = 250;

const char kUsage[] =
    "usage: qorupdate [--port N] [--port-file FILE] [--iplib FILE] [--iplib-time TEXT]\n"
    "                 [--iplib-error TEXT] [--version-reply FILE] [--notice-reply FILE]\n"
    "                 [--status CODE] [--log FILE] [--idle-timeout SECONDS]\n"
    "                 [--redirects N] [--iplib-pad BYTES] [--stall silent|trickle]\n"
    "  --port N             0-65535; 0 (the default) picks a free port\n"
    "  --status CODE        100-999, the status of every answer (default 200)\n"
    "  --idle-timeout S     ends after S seconds without a request, 1-86400 (default 120)\n"
    "  --redirects N        redirects to the same address N times first, 0-100\n"
    "  --iplib-pad BYTES    filler after the library text, 0-1073741824\n"
    "  --stall MODE         silent: never answers; trickle: a byte every 250 ms\n"
    "Prints \"port N\" when it listens on 127.0.0.1; ends on SIGTERM or SIGINT.\n";

// A whole decimal number within [low, high]; "abc", "8o", "-1" and overflow are refused.
bool ParseNumber(const std::string& text, long long low, long long high, long long& out) {
  const char* end = text.data() + text.size();
  auto [at, ec] = std::from_chars(text.data(), end, out);
  return !text.empty() && ec == std::errc() && at == end && out >= low && out <= high;
}

bool ParseArgs(int argc, char** argv, Settings& s) {
  struct NumberOption {
    const char* name;
    long long low, high;
    std::function<void(long long)> set;
  };
  const NumberOption numbers[] = {
      {"--port", 0, 65535, [&s](long long v) { s.port = int(v); }},
      {"--status", 100, 999, [&s](long long v) { s.status = int(v); }},
      {"--idle-timeout", 1, 86400, [&s](long long v) { s.idleSeconds = int(v); }},
      {"--redirects", 0, 100, [&s](long long v) { s.redirects = int(v); }},
      {"--iplib-pad", 0, 1LL << 30, [&s](long long v) { s.ipLibPad = v; }},
  };
  const std::pair<const char*, std::string*> texts[] = {
      {"--port-file", &s.portFile},       {"--iplib", &s.ipLibFile},
      {"--iplib-time", &s.ipLibTime},     {"--iplib-error", &s.ipLibError},
      {"--version-reply", &s.versionFile}, {"--notice-reply", &s.noticeFile},
      {"--log", &s.logFile},              {"--stall", &s.stall},
  };
  for (int i = 1; i < argc; ++i) {
    const std::string opt = argv[i];
    if (opt == "--help" || opt == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    }
    const NumberOption* number = nullptr;
    std::string* text = nullptr;
    for (const auto& n : numbers)
      if (opt == n.name) number = &n;
    for (const auto& [name, target] : texts)
      if (opt == name) text = target;
    if (!number && !text) {
      std::fprintf(stderr, "qorupdate: unknown option %s\n%s", opt.c_str(), kUsage);
      return false;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "qorupdate: %s needs a value\n", opt.c_str());
      return false;
    }
    const std::string value = argv[++i];
    if (text) {
      *text = value;
      continue;
    }
    long long v = 0;
    if (!ParseNumber(value, number->low, number->high, v)) {
      std::fprintf(stderr, "qorupdate: %s %s: not a number from %lld to %lld\n", opt.c_str(), value.c_str(),
                   number->low, number->high);
      return false;
    }
    number->set(v);
  }
  if (!s.stall.empty() && s.stall != "silent" && s.stall != "trickle") {
    std::fprintf(stderr, "qorupdate: --stall %s: not silent or trickle\n", s.stall.c_str());
    return false;
  }
  // A file to serve that is not there would only show as a 404 at the first request.
  for (const auto& [name, file] : {std::pair{"--iplib", &s.ipLibFile}, {"--version-reply", &s.versionFile},
                                   {"--notice-reply", &s.noticeFile}}) {
    if (file->empty() || platform::fs::IsFile(*file)) continue;
    std::fprintf(stderr, "qorupdate: %s %s: no such file\n", name, file->c_str());
    return false;
  }
  return true;
}

const char* StatusText(int status) {
  switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

// The body for a request path; false when nothing is served there.
bool BuildBody(const Settings& s, const std::string& path, std::string& body) {
  namespace fs = platform::fs;
  if (path == endpoint::IpLibPath()) {
    std::string code;
    if (s.ipLibFile.empty() || fs::ReadFile(s.ipLibFile, code) != fs::kOk) return false;
    for (long long i = 0; i < s.ipLibPad; ++i) code += (i % 7 == 0) ? '\0' : char('A' + i % 26);
    body = endpoint::IpLibReply(s.ipLibTime, code, s.ipLibError);
    return true;
  }
  if (path == endpoint::UpdatePath()) {
    return !s.versionFile.empty() && fs::ReadFile(s.versionFile, body) == fs::kOk;
  }
  if (path == endpoint::NoticePath()) {
    return !s.noticeFile.empty() && fs::ReadFile(s.noticeFile, body) == fs::kOk;
  }
  return false;
}

// The number of redirects a request has come through: its last "hop=" value.
int Hop(const std::string& target) {
  const size_t at = target.rfind("hop=");
  if (at == std::string::npos || (at > 0 && target[at - 1] != '?' && target[at - 1] != '&')) return 0;
  return std::atoi(target.c_str() + at + 4);
}

void SendAll(int fd, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    sent += size_t(n);
  }
}

// Holds a connection without a word until the peer goes or the server ends.
void HoldSilent(int fd) {
  char buf[512];
  while (!g_stop) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 100) > 0 && ::recv(fd, buf, sizeof buf, 0) <= 0) return;
  }
}

// Sends data a byte at a time, kTrickleMs apart, until the peer goes or the server ends.
void Trickle(int fd, const std::string& data) {
  for (size_t i = 0; i < data.size() && !g_stop; ++i) {
    if (::send(fd, data.data() + i, 1, MSG_NOSIGNAL) != 1) return;
    ::poll(nullptr, 0, kTrickleMs);
  }
}

void Serve(const Settings& s, int fd) {
  timeval tv{2, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  std::string request;
  char buf[2048];
  while (request.find("\r\n\r\n") == std::string::npos && request.find("\n\n") == std::string::npos &&
         request.size() < 16384) {
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n < 0 && errno == EINTR && !g_stop) continue;
    if (n <= 0) break;
    request.append(buf, size_t(n));
  }
  const std::string line = request.substr(0, request.find_first_of("\r\n"));
  const size_t sp1 = line.find(' ');
  const size_t sp2 = sp1 == std::string::npos ? std::string::npos : line.find(' ', sp1 + 1);
  std::string body;
  std::string location;
  int status = 400;
  if (sp1 != std::string::npos && line.compare(0, sp1, "GET") == 0) {
    const std::string target = line.substr(sp1 + 1, sp2 == std::string::npos ? std::string::npos : sp2 - sp1 - 1);
    if (!s.logFile.empty()) {
      if (const auto rc = platform::fs::WriteFile(s.logFile, "GET " + target + "\n", true); !rc.Ok())
        std::fprintf(stderr, "qorupdate: cannot write %s (%s)\n", s.logFile.c_str(), rc.Text().c_str());
    }
    if (s.stall == "silent") {
      HoldSilent(fd);
      return;
    }
    const int hop = Hop(target);
    if (hop < s.redirects) {
      status = 302;
      location = target + (target.find('?') == std::string::npos ? "?" : "&") + "hop=" + std::to_string(hop + 1);
      body = "moved";
    } else if (BuildBody(s, target.substr(0, target.find('?')), body)) {
      status = s.status;
    } else {
      status = 404;
      body = "not found";
    }
  }
  std::string head = "HTTP/1.0 " + std::to_string(status) + " " + StatusText(status) + "\r\n";
  head += "Content-Type: text/html; charset=gbk\r\n";
  if (!location.empty()) head += "Location: " + location + "\r\n";
  head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  head += "Connection: close\r\n\r\n";
  if (s.stall == "trickle") Trickle(fd, head + body);
  else SendAll(fd, head + body);
  ::shutdown(fd, SHUT_WR);
}

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  if (!ParseArgs(argc, argv, s)) return 2;

  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);

  const platform::UniqueFd owned(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const int listener = owned.Get();
  if (!owned) {
    std::perror("qorupdate: socket");
    return 1;
  }
  const int yes = 1;
  ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(uint16_t(s.port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listener, 16) != 0) {
    std::perror("qorupdate: bind");
    return 1;
  }
  socklen_t len = sizeof addr;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
  const int port = ntohs(addr.sin_port);
  std::printf("port %d\n", port);
  std::fflush(stdout);
  if (!s.portFile.empty() && platform::fs::ReplaceFile(s.portFile, std::to_string(port)) != platform::fs::kOk) {
    std::fprintf(stderr, "qorupdate: cannot write %s\n", s.portFile.c_str());
    return 1;
  }

  while (!g_stop) {
    pollfd p{listener, POLLIN, 0};
    const int r = ::poll(&p, 1, s.idleSeconds * 1000);
    if (r == 0) break;
    if (r < 0) {
      if (errno == EINTR) continue;
      std::perror("qorupdate: poll");
      return 1;
    }
    const platform::UniqueFd peer(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
    if (!peer) continue;
    Serve(s, peer.Get());
  }
  return 0;
}
