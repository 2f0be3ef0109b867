#pragma once
// HTTP GET with connect and read timeouts.
#include <string>

namespace platform::http {

// Largest body a request takes by default, over all the redirects it follows.
inline constexpr size_t kMaxBodyBytes = 64u << 20;

struct Response {
  long status = 0;
  std::string body;
  std::string error;      // transport failure text
  bool tooLarge = false;  // the body passed maxBodyBytes (then a transport failure)
};

struct Options {
  long connectTimeoutMs = 10000;
  long readTimeoutMs = 30000;  // whole transfer
  bool noCache = true;
  size_t maxBodyBytes = kMaxBodyBytes;
  long maxRedirects = 5;  // http and https only, as the system's own web requests do
};

// True when a reply arrived (any status); false on a transport failure, also when the
// body grew past the limit (the body is then dropped).
bool Get(const std::string& url, Response& out, const Options& options = Options());

// Percent-encodes every byte outside letters, digits and "-._~:".
std::string EncodeQueryValue(const std::string& value);

}  // namespace platform::http
