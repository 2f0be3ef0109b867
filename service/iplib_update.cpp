#include "service/iplib_update.h"

#include "common/build.h"
#include "common/chttp.h"
#include "platform/gbk.h"
#include "common/ini_reader.h"
#include "common/iplib_check.h"
#include "common/program_log.h"
#include "common/system_info.h"
#include "common/update_endpoint.h"
#include "platform/fs.h"
#include "platform/http.h"
#include "service/iplib_reply.h"

std::string IpLibLocalVersion(const std::string& programDir, const CIniReader& ini) {
  if (!platform::fs::IsFile(programDir + "iplib.db")) return "";
  return IpLibBareTime(ini.GetWord30());
}

std::string IpLibRequestUrl(const std::string& baseUrl, const std::string& version, const std::string& token) {
  return baseUrl + endpoint::IpLibQuery(Build::Service, platform::http::EncodeQueryValue(version),
                                        platform::http::EncodeQueryValue(token));
}

int UpdateIpLibOnce(const std::string& programDir, const std::string& host, const std::string& path,
                    CIniReader& ini, std::string* urlSent, CLog* log, const platform::StopToken* stop) {
  std::string version = IpLibLocalVersion(programDir, ini);
  std::string token = gbk::ToUpper(RandomString(endpoint::kTokenLength));
  std::string url = IpLibRequestUrl(endpoint::EndpointAddress(host, path), version, token);
  if (urlSent) *urlSent = url;

  // The library goes to its temporary file as it arrives, looked at on the way: a large
  // one is never held, nor a table built of it.
  namespace fs = platform::fs;
  const std::string target = programDir + "iplib.db";
  fs::ReplacingFile file;
  fs::Result written;
  bool opened = false;
  CIpLibProbe probe;
  CIpLibReplyReader reader([&](std::string_view piece) {
    probe.Feed(piece);
    if (!opened) written = file.Open(target);
    opened = true;
    if (written.Ok()) written = file.Write(piece);
    return written.Ok();
  });
  CHttp http(Build::Service);
  const int result = http.Request(url, [&reader](std::string_view piece) { return reader.Feed(piece); }, stop);
  if (!written.Ok()) return kIpLibWriteFailed;
  if (result != CHttp::kDone) {
    if (log && http.ReplyTooLarge()) log->Write(std::string("IP库更新失败：") + CHttp::kReplyTooLarge);
    return kIpLibNoReply;
  }
  std::string time;
  if (!reader.Accept(version, time)) return kIpLibRefused;
  // A library the table cannot read would leave every request without a region.
  const std::string refusal = probe.Refusal();
  if (!refusal.empty()) {
    if (log) log->Write("IP库更新失败：" + refusal + "，保留原有IP库。");
    return kIpLibRefused;
  }
  // Readers see the old library or the new one; the time follows only a stored library.
  if (file.Commit() != fs::kOk) return kIpLibWriteFailed;
  // A time that did not land leaves the next attempt to fetch the same library again.
  if (ini.SetWord30(time) != 1) return kIpLibWriteFailed;
  return kIpLibWritten;
}
