#include "common/update_endpoint.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "common/tag_text.h"

namespace {

class OverrideEnv {
 public:
  explicit OverrideEnv(const char* value) {
    if (value) {
      setenv(endpoint::kOverrideEnv, value, 1);
    } else {
      unsetenv(endpoint::kOverrideEnv);
    }
  }
  ~OverrideEnv() { unsetenv(endpoint::kOverrideEnv); }
};

}  // namespace

TEST(UpdateEndpoint, Queries) {
  EXPECT_EQ(endpoint::VersionCheckQuery(), "?t=qorip&f=ui&v=1.3.2");
  EXPECT_EQ(endpoint::IpLibQuery(Build::Panel, "2024-01-0100:00:00", "ABCDEFGHIJK"),
            "?f=ui&t=qorip&tm=2024-01-0100:00:00&tk=ABCDEFGHIJK");
  EXPECT_EQ(endpoint::IpLibQuery(Build::Service, "", "ABCDEFGHIJK"), "?t=qorip&tm=&tk=ABCDEFGHIJK");
}

TEST(UpdateEndpoint, AddressesAndTheirOverride) {
  {
    OverrideEnv env(nullptr);
    EXPECT_EQ(endpoint::EndpointAddress(endpoint::FirstHost(), endpoint::IpLibPath()),
              "http://update1.qorip.example/qorip/iplib.php");
    EXPECT_EQ(endpoint::EndpointAddress(endpoint::SecondHost(), endpoint::UpdatePath()),
              "http://update2.qorip.example/qorip/update.php");
  }
  const struct {
    const char* base;
    const char* url;
    const char* result;
  } cases[] = {
      {"http://127.0.0.1:8080", "http://update1.qorip.example/qorip/iplib.php", "http://127.0.0.1:8080/qorip/iplib.php"},
      {"http://127.0.0.1:8080/", "http://h/x?a=1", "http://127.0.0.1:8080/x?a=1"},
      {"http://127.0.0.1:8080", "http://hostonly", "http://127.0.0.1:8080"},
      {"", "http://h/x", "http://h/x"},
      {"http://127.0.0.1:8080", "not an address", "not an address"},
  };
  for (const auto& c : cases) {
    OverrideEnv env(c.base);
    EXPECT_EQ(endpoint::OverrideAddress(c.url), c.result) << c.base << " " << c.url;
  }
}

TEST(UpdateEndpoint, RepliesCarryWhatTheCallersRead) {
  const std::string lib = endpoint::IpLibReply("2024-1-1 0:0:0", "1|2|3|4|5*", "");
  EXPECT_EQ(GetTagValue(lib, endpoint::kTagIpTimePanelOpen, endpoint::kTagIpTimePanelClose), "2024-1-1 0:0:0");
  EXPECT_EQ(GetTagValue(lib, endpoint::kTagIpTimeServiceOpen, endpoint::kTagIpTimeServiceClose), "2024-1-1 0:0:0");
  EXPECT_EQ(GetTagValue(lib, endpoint::kTagIpCodeOpen, endpoint::kTagIpCodeClose), "1|2|3|4|5*");
  EXPECT_EQ(GetTagValue(lib, endpoint::kTagErrOpen, endpoint::kTagErrClose), "");
  EXPECT_NE(lib.find(endpoint::kReplyMarker), std::string::npos);

  const std::string version = endpoint::VersionReply("1.3.3", "新<p>功能", "http://u");
  EXPECT_EQ(GetTagValue(version, endpoint::kTagVersionOpen, endpoint::kTagVersionClose), "1.3.3");
  EXPECT_EQ(GetTagValue(version, endpoint::kTagDescribeOpen, endpoint::kTagDescribeClose), "新<p>功能");
  EXPECT_NE(version.find(endpoint::kTagUpdateUrlClose), std::string::npos);
  EXPECT_EQ(version.find(endpoint::kReplyError), std::string::npos);
  EXPECT_EQ(endpoint::ErrorReply("坏"), "[error]坏");

  EXPECT_EQ(endpoint::NoticeReply({"a", "b"}), "<qorads>a##b</qorads>");
  EXPECT_EQ(endpoint::NoticeReply({}), "<qorads></qorads>");
}
