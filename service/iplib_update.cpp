#include "service/iplib_update.h"

#include "common/build.h"
#include "common/chttp.h"
#include "platform/gbk.h"
#include "common/ini_reader.h"
#include "common/iplib_check.h"
#include "common/program_log.h"
#include "common/system_info.h"
#include "common/tag_text.h"
#include "common/update_endpoint.h"
#include "platform/fs.h"
#include "platform/http.h"

namespace {
constexpr size_t kMinCodeLength = 101;

std::string WithoutBlanks(const std::string& text) { return gbk::Replaced(text, " ", ""); }
}  // namespace

std::string IpLibLocalVersion(const std::string& programDir, const CIniReader& ini) {
  if (!platform::fs::IsFile(programDir + "iplib.db")) return "";
  return WithoutBlanks(ini.GetWord30());
}

std::string IpLibRequestUrl(const std::string& baseUrl, const std::string& version, const std::string& token) {
  return baseUrl + endpoint::IpLibQuery(Build::Service, platform::http::EncodeQueryValue(version),
                                        platform::http::EncodeQueryValue(token));
}

bool AcceptIpLibReply(int requestResult, const std::string& reply, const std::string& version, std::string& code,
                      std::string& time) {
  if (requestResult != CHttp::kDone) return false;
  if (!gbk::Contains(reply, endpoint::kTagIpCodeClose)) return false;
  // Either spelling of the time tag; the service's own comes first.
  std::string sent = GetTagValue(reply, endpoint::kTagIpTimeServiceOpen, endpoint::kTagIpTimeServiceClose);
  if (WithoutBlanks(sent).empty())
    sent = GetTagValue(reply, endpoint::kTagIpTimePanelOpen, endpoint::kTagIpTimePanelClose);
  std::string bare = WithoutBlanks(sent);
  if (bare.empty() || bare == version) return false;
  std::string library = GetTagValue(reply, endpoint::kTagIpCodeOpen, endpoint::kTagIpCodeClose);
  if (library.size() < kMinCodeLength) return false;
  if (!GetTagValue(reply, endpoint::kTagErrOpen, endpoint::kTagErrClose).empty()) return false;
  code.swap(library);
  time = sent;
  return true;
}

int UpdateIpLibOnce(const std::string& programDir, const std::string& host, const std::string& path,
                    CIniReader& ini, std::string* urlSent, CLog* log) {
  std::string version = IpLibLocalVersion(programDir, ini);
  std::string token = gbk::ToUpper(RandomString(endpoint::kTokenLength));
  std::string url = IpLibRequestUrl(endpoint::EndpointAddress(host, path), version, token);
  if (urlSent) *urlSent = url;

  CHttp http(Build::Service);
  std::string reply;
  int result = http.Request(url, reply);
  if (result != CHttp::kDone) {
    if (log && reply == CHttp::kReplyTooLarge) log->Write(std::string("IP库更新失败：") + reply);
    return kIpLibNoReply;
  }
  std::string code, time;
  if (!AcceptIpLibReply(result, reply, version, code, time)) return kIpLibRefused;
  // A library the table cannot read would leave every request without a region.
  const std::string refusal = IpLibRefusal(code);
  if (!refusal.empty()) {
    if (log) log->Write("IP库更新失败：" + refusal + "，保留原有IP库。");
    return kIpLibRefused;
  }
  // Readers see the old library or the new one; the time follows only a stored library.
  if (platform::fs::ReplaceFile(programDir + "iplib.db", code) != platform::fs::kOk) return kIpLibWriteFailed;
  // A time that did not land leaves the next attempt to fetch the same library again.
  if (ini.SetWord30(time) != 1) return kIpLibWriteFailed;
  return kIpLibWritten;
}
