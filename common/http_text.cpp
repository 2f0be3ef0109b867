#include "common/http_text.h"

#include <random>

#include "common/text_file.h"
#include "platform/http.h"

int DownloadRandomNumber() {
  std::mt19937 gen(0);
  return static_cast<int>(gen() % 998) + 1;
}

std::string AppendRandomNumber(const std::string& url) {
  return url + (url.find('?') == std::string::npos ? "?rnum=" : "&rnum=") + std::to_string(DownloadRandomNumber());
}

int HttpGetText(const std::string& url, std::string& out) {
  out.clear();
  if (url.empty()) return 0;
  platform::http::Response resp;
  if (!platform::http::Get(AppendRandomNumber(url), resp)) return 0;
  if (resp.status != 200 && resp.status != 500) return 0;
  for (const auto& line : SplitLines(resp.body)) out += line;
  return 1;
}
