#include "service/http_request.h"

#include "common/gbk.h"
#include "common/system_info.h"
#include "common/text_file.h"
#include "common/update_endpoint.h"
#include "platform/http.h"

std::string CHttp::AddCacheBuster(const std::string& url, const std::string& value) {
  bool hasQuery = gbk::Find(url, "?") != gbk::npos;
  return url + (hasQuery ? "&" : "?") + endpoint::kKeyCacheBust + "=" + value;
}

int CHttp::Request(const std::string& url, std::string& reply) {
  if (url.empty()) return kFailed;
  reply.clear();
  platform::http::Options options;
  options.connectTimeoutMs = kConnectTimeoutMs;
  options.readTimeoutMs = kTransferTimeoutMs;
  options.noCache = true;
  platform::http::Response response;
  if (!platform::http::Get(AddCacheBuster(url, RandomString(8)), response, options)) {
    if (reply.empty()) reply.assign(1, 'x');
    return kNetworkError;
  }
  if (response.status != 200) return kFailed;
  // The body is read line by line and the lines joined without their ends.
  for (const auto& line : SplitLines(response.body)) reply += line;
  return kDone;
}
