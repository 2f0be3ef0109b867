#pragma once
// The HTTP GET of the panel and of the service. The service asks once and waits; the
// panel runs the same request on a worker thread while its window keeps dispatching.
#include <atomic>
#include <functional>
#include <string>
#include <string_view>

#include "common/build.h"

namespace platform {
class StopToken;
}

class CHttp {
 public:
  enum Result { kFailed = 0, kDone = 1, kNetworkError = 2 };

  // Connect and whole-transfer limits of a request.
  static constexpr long kConnectTimeoutMs = 10000;
  static constexpr long kTransferTimeoutMs = 120000;
  // The window thread's pause between two dispatches while it waits.
  static constexpr int kPollMs = 100;
  // The reply of a request whose body grew past the layer's limit (64 MB).
  static constexpr const char* kReplyTooLarge = "服务器回复超过64MB，已放弃";

  explicit CHttp(Build build = Build::Panel) : m_build(build) {}
  virtual ~CHttp() = default;
  CHttp(const CHttp&) = delete;
  CHttp& operator=(const CHttp&) = delete;

  // Panel: Request on a worker thread, dispatching messages until it has finished; the
  // reply and the result are Request's. A Get started while another one waits (from a
  // message dispatched meanwhile) is refused with 0 and an empty reply, so that the
  // running request keeps its state.
  int Get(const std::string& url, std::string& reply);

  // Fetches the URL with a cache-busting "rnum" parameter. 1: the answer had a status
  // the build accepts (panel 200 or 500, service 200) and reply holds the body with its
  // line ends removed; 0: an empty URL (reply left as it was) or any other status
  // (reply empty); 2: no answer came (reply "x" when it was still empty), or one too
  // large to take (reply kReplyTooLarge). Redirects are followed.
  int Request(const std::string& url, std::string& reply);

  // Takes a reply's body piece by piece; false ends the transfer.
  using BodySink = std::function<bool(std::string_view)>;
  // Request with the body handed to sink as it arrives (its line ends removed as
  // above) instead of kept, so that a large reply is never held whole. The pieces come
  // before the status is known: only a result of 1 makes them an answer. 2 also when
  // sink refused a piece, or when stop was asked meanwhile (the transfer ends at once,
  // whatever the server does); ReplyTooLarge tells the reply past the limit apart.
  int Request(const std::string& url, const BodySink& sink, const platform::StopToken* stop);
  // The last request's reply grew past the layer's limit.
  bool ReplyTooLarge() const { return m_bReplyTooLarge; }

  // The address with the cache-busting parameter; "?rnum=" or "&rnum=".
  static std::string AddCacheBuster(const std::string& url, const std::string& value);
  // The panel's number: the C generator seeded with 0, one draw, 1 to 998.
  static std::string PanelCacheBustNumber();

 private:
  static int WorkerThread(CHttp* self);

  const Build m_build;
  std::string m_strUrl;
  std::string m_strReply;
  int m_nResult = kFailed;
  std::atomic<int> m_nDone{0};
  std::atomic<bool> m_bWaiting{false};
  bool m_bReplyTooLarge = false;
};
