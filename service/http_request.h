#pragma once
// The service's own HTTP GET: one synchronous request, status 200 only.
#include <string>

class CHttp {
 public:
  enum Result { kFailed = 0, kDone = 1, kNetworkError = 2 };

  // Connect and whole-transfer limits of a request.
  static constexpr long kConnectTimeoutMs = 10000;
  static constexpr long kTransferTimeoutMs = 120000;

  CHttp() = default;
  virtual ~CHttp() = default;

  // Appends "rnum=" and 8 random letters and digits, then fetches the URL. 1: status
  // 200, reply holds the body with its line ends removed; 0: an empty URL (reply left
  // as it was) or any other status (reply empty); 2: no reply came (reply "x" when it
  // was still empty).
  int Request(const std::string& url, std::string& reply);

  // The address with the cache-busting parameter; "?rnum=" or "&rnum=".
  static std::string AddCacheBuster(const std::string& url, const std::string& value);
};
