#pragma once
// The requests that the panel and the service send to the update web endpoint, and
// the parts of its replies that they rely on.
#include <string>

#include "common/build.h"

namespace endpoint {

// Query keys.
inline constexpr const char* kKeyProgram = "t";
inline constexpr const char* kKeyFrom = "f";
inline constexpr const char* kKeyVersion = "v";
inline constexpr const char* kKeyLibTime = "tm";
inline constexpr const char* kKeyToken = "tk";
inline constexpr const char* kKeyCacheBust = "rnum";

// Query values.
inline constexpr const char* kProgramWord = "qorip";
inline constexpr const char* kFromPanel = "ui";
inline constexpr const char* kProgramVersion = "1.3.2";
inline constexpr int kTokenLength = 11;

// Version check reply.
inline constexpr const char* kReplyError = "[error]";
inline constexpr const char* kTagUpdateUrlOpen = "<UpdateUrl>";
inline constexpr const char* kTagUpdateUrlClose = "</UpdateUrl>";
inline constexpr const char* kTagVersionOpen = "<Version>";
inline constexpr const char* kTagVersionClose = "</Version>";
inline constexpr const char* kTagDescribeOpen = "<Describe>";
inline constexpr const char* kTagDescribeClose = "</Describe>";

// Notice list reply.
inline constexpr const char* kTagNoticesOpen = "<qorads>";
inline constexpr const char* kTagNoticesClose = "</qorads>";
inline constexpr const char* kNoticeSeparator = "##";

// IP library reply. The panel reads the time from the first form, the service from
// the second; the endpoint sends both.
inline constexpr const char* kTagIpCodeOpen = "<QorIpCode>";
inline constexpr const char* kTagIpCodeClose = "</QorIpCode>";
inline constexpr const char* kTagErrOpen = "<QorErr>";
inline constexpr const char* kTagErrClose = "</QorErr>";
inline constexpr const char* kTagIpTimePanelOpen = "<QorIpTime>";
inline constexpr const char* kTagIpTimePanelClose = "</QorIpTime>";
inline constexpr const char* kTagIpTimeServiceOpen = "<QoripTime>";
inline constexpr const char* kTagIpTimeServiceClose = "</QoripTime>";
// A panel reply that holds this is an answer of the endpoint.
inline constexpr const char* kReplyMarker = "</Qor";

// Replaces the scheme and host of the coded default addresses, e.g.
// "http://127.0.0.1:8080", so that tests and the demo reach a local endpoint.
inline constexpr const char* kOverrideEnv = "QOR_UPDATE_URL";

// The address with scheme and host replaced by the override when it is set.
std::string OverrideAddress(const std::string& url);
// "http://" + host + path, through the override.
std::string EndpointAddress(const std::string& host, const std::string& path);

// The decoded built-in hosts and paths.
std::string FirstHost();
std::string SecondHost();
std::string UpdatePath();
std::string IpLibPath();
std::string NoticePath();

// "?t=qorip&f=ui&v=1.3.2".
std::string VersionCheckQuery();
// Panel: "?f=ui&t=qorip&tm=<time>&tk=<token>"; service: without f. The caller gives
// the time with its blanks removed.
std::string IpLibQuery(Build build, const std::string& libTime, const std::string& token);

// Replies, as the endpoint builds them.
std::string IpLibReply(const std::string& libTime, const std::string& code, const std::string& error);
std::string VersionReply(const std::string& version, const std::string& describe, const std::string& updateUrl);
std::string ErrorReply(const std::string& text);
std::string NoticeReply(const StringList& items);

}  // namespace endpoint
