#pragma once
// HTTP GET with connect and read timeouts.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {
class StopToken;
}

namespace platform::http {

// Largest body a request takes by default, over all the redirects it follows.
inline constexpr size_t kMaxBodyBytes = 64u << 20;

struct Response {
  long status = 0;
  std::string body;
  std::string error;      // transport failure text
  bool tooLarge = false;  // the body passed maxBodyBytes (then a transport failure)
  bool stopped = false;   // the stop token ended the transfer (then a transport failure)
};

// How long a stop asked during a transfer may wait to be seen (real milliseconds).
inline constexpr int64_t kStopLookMs = 50;

struct Options {
  long connectTimeoutMs = 10000;
  long readTimeoutMs = 30000;  // whole transfer
  bool noCache = true;
  size_t maxBodyBytes = kMaxBodyBytes;
  long maxRedirects = 5;  // http and https only, as the system's own web requests do
  // Takes the body piece by piece in place of Response::body, so that it is never held
  // whole; false ends the transfer (a transport failure).
  std::function<bool(std::string_view)> onBody;
  // A stop asked here ends the transfer within kStopLookMs, whatever the server does.
  const StopToken* stop = nullptr;
};

// True when a reply arrived (any status); false on a transport failure, also when the
// body grew past the limit or a stop was asked (the body is then dropped; pieces given
// to onBody stay given).
bool Get(const std::string& url, Response& out, const Options& options = Options());

// Percent-encodes every byte outside letters, digits and "-._~:".
std::string EncodeQueryValue(const std::string& value);

}  // namespace platform::http
