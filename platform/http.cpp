#include "platform/http.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

namespace platform::http {

namespace {
struct Sink {
  std::string* body;
  size_t limit;
  bool over = false;
};

size_t Collect(char* p, size_t size, size_t n, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const size_t bytes = size * n;
  if (bytes > sink->limit - std::min(sink->limit, sink->body->size())) {
    sink->over = true;
    return 0;  // ends the transfer
  }
  sink->body->append(p, bytes);
  return bytes;
}

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}
}  // namespace

bool Get(const std::string& url, Response& out, const Options& options) {
  out = Response();
  GlobalInit();
  CURL* curl = curl_easy_init();
  if (!curl) {
    out.error = "no session";
    return false;
  }
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, options.readTimeoutMs);
  Sink sink{&out.body, options.maxBodyBytes};
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.maxBodyBytes));
  if (options.maxRedirects > 0) {
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, options.maxRedirects);
#if LIBCURL_VERSION_NUM >= 0x075500
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
#else
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS, CURLPROTO_HTTP | CURLPROTO_HTTPS);
#endif
  }
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "");
  struct curl_slist* headers = nullptr;
  if (options.noCache) {
    headers = curl_slist_append(headers, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  }
  CURLcode rc = curl_easy_perform(curl);
  if (rc == CURLE_OK) {
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &out.status);
  } else {
    out.tooLarge = sink.over || rc == CURLE_FILESIZE_EXCEEDED;
    out.error = out.tooLarge ? "reply larger than " + std::to_string(options.maxBodyBytes) + " bytes"
                             : curl_easy_strerror(rc);
    out.body.clear();
    out.body.shrink_to_fit();
  }
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return rc == CURLE_OK;
}

std::string EncodeQueryValue(const std::string& value) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : value) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                 c == '.' || c == '_' || c == '~' || c == ':';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

}  // namespace platform::http
