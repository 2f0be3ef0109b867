#include "common/update_endpoint.h"

#include <cstdlib>

#include "common/coded_constants.h"
#include "common/coding.h"

namespace endpoint {

std::string OverrideAddress(const std::string& url) {
  const char* base = std::getenv(kOverrideEnv);
  if (base == nullptr || *base == 0) return url;
  std::string prefix = base;
  while (!prefix.empty() && prefix.back() == '/') prefix.pop_back();
  const size_t scheme = url.find("://");
  if (scheme == std::string::npos) return url;
  const size_t path = url.find('/', scheme + 3);
  return prefix + (path == std::string::npos ? std::string() : url.substr(path));
}

std::string EndpointAddress(const std::string& host, const std::string& path) {
  return OverrideAddress("http://" + host + path);
}

std::string FirstHost() { return DecodeBuiltinPair(coded::kHostFirst); }
std::string SecondHost() { return DecodeBuiltinPair(coded::kHostSecond); }
std::string UpdatePath() { return DecodeBuiltinPair(coded::kPathUpdate); }
std::string IpLibPath() { return DecodeBuiltinPair(coded::kPathIpLib); }
std::string NoticePath() { return DecodeBuiltinPair(coded::kPathNotice); }

std::string VersionCheckQuery() {
  return std::string("?") + kKeyProgram + "=" + kProgramWord + "&" + kKeyFrom + "=" + kFromPanel + "&" +
         kKeyVersion + "=" + kProgramVersion;
}

std::string IpLibQuery(Build build, const std::string& libTime, const std::string& token) {
  std::string query = "?";
  if (build == Build::Panel) query += std::string(kKeyFrom) + "=" + kFromPanel + "&";
  query += std::string(kKeyProgram) + "=" + kProgramWord;
  query += std::string("&") + kKeyLibTime + "=" + libTime;
  query += std::string("&") + kKeyToken + "=" + token;
  return query;
}

std::string IpLibReply(const std::string& libTime, const std::string& code, const std::string& error) {
  return std::string(kTagIpTimePanelOpen) + libTime + kTagIpTimePanelClose + kTagIpTimeServiceOpen + libTime +
         kTagIpTimeServiceClose + kTagErrOpen + error + kTagErrClose + kTagIpCodeOpen + code + kTagIpCodeClose;
}

std::string VersionReply(const std::string& version, const std::string& describe, const std::string& updateUrl) {
  return std::string(kTagVersionOpen) + version + kTagVersionClose + kTagDescribeOpen + describe +
         kTagDescribeClose + kTagUpdateUrlOpen + updateUrl + kTagUpdateUrlClose;
}

std::string ErrorReply(const std::string& text) { return std::string(kReplyError) + text; }

std::string NoticeReply(const StringList& items) {
  std::string body;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) body += kNoticeSeparator;
    body += items[i];
  }
  return std::string(kTagNoticesOpen) + body + kTagNoticesClose;
}

}  // namespace endpoint
