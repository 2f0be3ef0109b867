#include "common/chttp.h"

#include <cstdlib>
#include <thread>

#include "platform/gbk.h"
#include "common/system_info.h"
#include "common/text_file.h"
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

int CHttp::Request(const std::string& url, std::string& reply) {
  if (url.empty()) return kFailed;
  const bool panel = m_build == Build::Panel;
  reply.clear();
  platform::http::Options options;
  options.connectTimeoutMs = kConnectTimeoutMs;
  options.readTimeoutMs = kTransferTimeoutMs;
  options.noCache = true;
  platform::http::Response response;
  const std::string number = panel ? PanelCacheBustNumber() : RandomString(8);
  if (!platform::http::Get(AddCacheBuster(url, number), response, options)) {
    if (response.tooLarge) reply = kReplyTooLarge;
    if (reply.empty()) reply.assign(1, 'x');
    return kNetworkError;
  }
  // The panel takes a body sent with status 500 as an answer as well.
  const bool accepted = response.status == 200 || (panel && response.status == 500);
  if (!accepted) return kFailed;
  // The body is read line by line and the lines joined without their ends.
  for (const auto& line : SplitLines(response.body)) reply += line;
  return kDone;
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
