#include "platform/http.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "platform/clock.h"

namespace platform::http {

namespace {
struct Sink {
  std::string* body;
  const Options& options;
  size_t taken = 0;
  bool over = false;
  bool stopped = false;
};

bool StopAsked(const Options& options) { return options.stop && options.stop->StopRequested(); }

size_t Collect(char* p, size_t size, size_t n, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const size_t bytes = size * n;
  const size_t limit = sink->options.maxBodyBytes;
  if (bytes > limit - std::min(limit, sink->taken)) {
    sink->over = true;
    return 0;  // ends the transfer
  }
  // A fast server can keep one transfer step busy for long: look here as well.
  if (StopAsked(sink->options)) {
    sink->stopped = true;
    return 0;
  }
  sink->taken += bytes;
  if (!sink->options.onBody) {
    sink->body->append(p, bytes);
  } else if (!sink->options.onBody(std::string_view(p, bytes))) {
    return 0;
  }
  return bytes;
}

struct EasyFree {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct MultiFree {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct ListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// The transfer, run step by step so that a stop is seen while the server sends nothing.
CURLcode Perform(CURL* curl, const Options& options, bool& stopped) {
  std::unique_ptr<CURLM, MultiFree> multi(curl_multi_init());
  if (!multi || curl_multi_add_handle(multi.get(), curl) != CURLM_OK) return CURLE_OUT_OF_MEMORY;
  CURLcode rc = CURLE_OK;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
      rc = CURLE_OUT_OF_MEMORY;
      break;
    }
    if (running == 0) {
      int left = 0;
      CURLMsg* msg = curl_multi_info_read(multi.get(), &left);
      rc = msg && msg->msg == CURLMSG_DONE ? msg->data.result : CURLE_RECV_ERROR;
      break;
    }
    if (StopAsked(options)) {
      stopped = true;
      rc = CURLE_ABORTED_BY_CALLBACK;
      break;
    }
    // libcurl wakes sooner for its own timeouts and for the socket.
    if (curl_multi_poll(multi.get(), nullptr, 0, options.stop ? int(kStopLookMs) : 1000, nullptr) != CURLM_OK) {
      rc = CURLE_OUT_OF_MEMORY;
      break;
    }
  }
  curl_multi_remove_handle(multi.get(), curl);
  return rc;
}

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}
}  // namespace

bool Get(const std::string& url, Response& out, const Options& options) {
  out = Response();
  GlobalInit();
  std::unique_ptr<CURL, EasyFree> owned(curl_easy_init());
  CURL* curl = owned.get();
  if (!curl) {
    out.error = "no session";
    return false;
  }
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, options.readTimeoutMs);
  Sink sink{&out.body, options};
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
  std::unique_ptr<curl_slist, ListFree> headers;
  if (options.noCache) {
    headers.reset(curl_slist_append(nullptr, "Cache-Control: no-cache"));
    if (headers) (void)curl_slist_append(headers.get(), "Pragma: no-cache");  // adds to the same list
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
  }
  bool stopped = false;
  const CURLcode rc = Perform(curl, options, stopped);
  if (rc == CURLE_OK) {
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &out.status);
    return true;
  }
  out.stopped = stopped || sink.stopped;
  out.tooLarge = !out.stopped && (sink.over || rc == CURLE_FILESIZE_EXCEEDED);
  out.error = out.stopped    ? "stopped"
              : out.tooLarge ? "reply larger than " + std::to_string(options.maxBodyBytes) + " bytes"
                             : curl_easy_strerror(rc);
  out.body.clear();
  out.body.shrink_to_fit();
  return false;
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
