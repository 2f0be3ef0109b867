#include "common/chttp.h"

#include <cstdlib>
#include <thread>

#include "platform/gbk.h"
#include "common/system_info.h"
#include "platform/ui/ui_hooks.h"
#include "common/update_endpoint.h"
#include "platform/clock.h"
#include "platform/http.h"

std::string CHttp::AddCacheBuster(const std::string& url, const std::string& value) {
  bool hasQuery = gbk::Find(url, "?") != gbk::npos;
  return url + (hasQuery ? "&" : "?") + endpoint::kKeyCacheBust + "=" + value;
}

std::string CHttp::PanelCacheBustNumber() {
  // Seeded right before the draw, so every request carries the same number.
  std::srand(0);
  return std::to_string(std::rand() % 998 + 1);
}

namespace {
// Joins the lines of a body as it arrives: each '\n' goes, and a '\r' right before it.
class LineJoiner {
 public:
  explicit LineJoiner(const CHttp::BodySink& sink) : m_sink(sink) {}
  bool Take(std::string_view piece) {
    m_out.clear();
    for (const char c : piece) {
      if (m_cr && c != '\n') m_out += '\r';
      m_cr = c == '\r';
      if (c != '\r' && c != '\n') m_out += c;
    }
    return m_out.empty() || m_sink(m_out);
  }
  // A '\r' at the very end stays.
  bool Finish() { return !m_cr || m_sink("\r"); }

 private:
  const CHttp::BodySink& m_sink;
  std::string m_out;
  bool m_cr = false;  // the last byte was a '\r' not yet given
};
}  // namespace

int CHttp::Request(const std::string& url, const BodySink& sink, const platform::StopToken* stop) {
  m_bReplyTooLarge = false;
  if (url.empty()) return kFailed;
  const bool panel = m_build == Build::Panel;
  LineJoiner lines(sink);
  platform::http::Options options;
  options.connectTimeoutMs = kConnectTimeoutMs;
  options.readTimeoutMs = kTransferTimeoutMs;
  options.noCache = true;
  options.onBody = [&lines](std::string_view piece) { return lines.Take(piece); };
  options.stop = stop;
  platform::http::Response response;
  const std::string number = panel ? PanelCacheBustNumber() : RandomString(8);
  if (!platform::http::Get(AddCacheBuster(url, number), response, options) || !lines.Finish()) {
    m_bReplyTooLarge = response.tooLarge;
    return kNetworkError;
  }
  // The panel takes a body sent with status 500 as an answer as well.
  const bool accepted = response.status == 200 || (panel && response.status == 500);
  return accepted ? kDone : kFailed;
}

int CHttp::Request(const std::string& url, std::string& reply) {
  if (url.empty()) return kFailed;
  reply.clear();
  const int result = Request(url, [&reply](std::string_view piece) {
    reply.append(piece);
    return true;
  }, nullptr);
  if (result != kDone) reply.clear();
  if (result == kNetworkError) reply = m_bReplyTooLarge ? kReplyTooLarge : "x";
  return result;
}

int CHttp::WorkerThread(CHttp* self) {
  self->m_nResult = self->Request(self->m_strUrl, self->m_strReply);
  self->m_nDone.store(1);
  return 0;
}

int CHttp::Get(const std::string& url, std::string& reply) {
  if (m_bWaiting.exchange(true)) {
    reply.clear();
    return kFailed;
  }
  m_strUrl = url;
  m_strReply.clear();
  m_nDone.store(0);
  std::thread worker(&CHttp::WorkerThread, this);
  while (m_nDone.load() == 0) {
    PumpMessages();
    platform::clock::Sleep(kPollMs);
    PumpMessages();
  }
  // The worker has nothing left to do once the flag is set.
  worker.join();
  m_nDone.store(0);
  reply = m_strReply;
  m_bWaiting.store(false);
  return m_nResult;
}
