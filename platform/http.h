#pragma once
// HTTP GET with connect and read timeouts.
#include <string>

namespace platform::http {

struct Response {
  long status = 0;
  std::string body;
  std::string error;  // transport failure text
};

struct Options {
  long connectTimeoutMs = 10000;
  long readTimeoutMs = 30000;  // whole transfer
  bool noCache = true;
};

// True when a reply arrived (any status); false on a transport failure.
bool Get(const std::string& url, Response& out, const Options& options = Options());

// Percent-encodes every byte outside letters, digits and "-._~:".
std::string EncodeQueryValue(const std::string& value);

}  // namespace platform::http
