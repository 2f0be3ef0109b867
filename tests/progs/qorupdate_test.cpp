// The stand-in update endpoint, run as a program and asked over loopback.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/tag_text.h"
#include "common/update_endpoint.h"
#include "platform/fs.h"
#include "platform/http.h"
#include "tests/support/temp_install.h"
#include "tests/support/update_server.h"

namespace fs = platform::fs;

namespace {

// The program as the test starts it: nothing added to its options.
class Server : public qortest::UpdateServer {
 public:
  Server(const qortest::TempInstall& inst, std::vector<std::string> args)
      : UpdateServer(inst, std::move(args), false) {}
};

platform::http::Response Get(const std::string& url) {
  platform::http::Response r;
  platform::http::Options o;
  o.connectTimeoutMs = 5000;
  o.readTimeoutMs = 5000;
  EXPECT_TRUE(platform::http::Get(url, r, o)) << url << ": " << r.error;
  return r;
}

}  // namespace

TEST(Qorupdate, AnswersTheThreeRequestsFromItsFiles) {
  qortest::TempInstall inst;
  const std::string lib = inst.Base() + "iplib.txt", version = inst.Base() + "version.txt",
                    notice = inst.Base() + "notice.txt", log = inst.Base() + "requests.log";
  const std::string code(150, '1');
  ASSERT_EQ(fs::WriteFile(lib, code), fs::kOk);
  ASSERT_EQ(fs::WriteFile(version, endpoint::VersionReply("1.3.3", "修正", "http://u")), fs::kOk);
  ASSERT_EQ(fs::WriteFile(notice, endpoint::NoticeReply({"<soft>*</soft>"})), fs::kOk);
  Server server(inst, {"--iplib", lib, "--iplib-time", "2024-5-6 7:8:9", "--version-reply", version,
                       "--notice-reply", notice, "--log", log});
  ASSERT_GT(server.Pid(), 0);
  const std::string base = server.Base();
  ASSERT_FALSE(base.empty());

  const std::string libQuery = endpoint::IpLibQuery(Build::Service, "", "ABCDEFGHIJK") + "&rnum=abc";
  auto r = Get(base + endpoint::IpLibPath() + libQuery);
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, endpoint::IpLibReply("2024-5-6 7:8:9", code, ""));

  r = Get(base + endpoint::UpdatePath() + endpoint::VersionCheckQuery());
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(GetTagValue(r.body, endpoint::kTagVersionOpen, endpoint::kTagVersionClose), "1.3.3");
  EXPECT_EQ(GetTagValue(r.body, endpoint::kTagDescribeOpen, endpoint::kTagDescribeClose), "修正");

  r = Get(base + endpoint::NoticePath() + "?rnum=5");
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "<qorads><soft>*</soft></qorads>");

  EXPECT_EQ(Get(base + "/elsewhere").status, 404);

  // Files are read for every request.
  ASSERT_EQ(fs::WriteFile(lib, "2|3|4|5|6*"), fs::kOk);
  r = Get(base + endpoint::IpLibPath());
  EXPECT_EQ(GetTagValue(r.body, endpoint::kTagIpCodeOpen, endpoint::kTagIpCodeClose), "2|3|4|5|6*");

  std::string requests;
  ASSERT_EQ(fs::ReadFile(log, requests), fs::kOk);
  EXPECT_NE(requests.find("GET " + endpoint::IpLibPath() + libQuery + "\n"), std::string::npos) << requests;

  ASSERT_EQ(::kill(server.Pid(), SIGTERM), 0);
  EXPECT_EQ(server.WaitExit(), 0);
}

TEST(Qorupdate, ProgramsReachItThroughTheOverride) {
  qortest::TempInstall inst;
  const std::string lib = inst.Base() + "iplib.txt";
  ASSERT_EQ(fs::WriteFile(lib, "1|2|3|4|5*"), fs::kOk);
  Server server(inst, {"--iplib", lib, "--iplib-error", "维护中", "--status", "500"});
  const std::string base = server.Base();
  ASSERT_FALSE(base.empty());
  setenv(endpoint::kOverrideEnv, base.c_str(), 1);
  const std::string url = endpoint::EndpointAddress(endpoint::FirstHost(), endpoint::IpLibPath());
  unsetenv(endpoint::kOverrideEnv);
  const auto r = Get(url + endpoint::IpLibQuery(Build::Panel, "", "X"));
  EXPECT_EQ(r.status, 500);
  EXPECT_EQ(GetTagValue(r.body, endpoint::kTagErrOpen, endpoint::kTagErrClose), "维护中");
  // Without a version reply file the version check is not served.
  EXPECT_EQ(Get(base + endpoint::UpdatePath()).status, 404);
}

TEST(Qorupdate, EndsWhenIdle) {
  qortest::TempInstall inst;
  Server server(inst, {"--idle-timeout", "1"});
  ASSERT_FALSE(server.Base().empty());
  EXPECT_EQ(server.WaitExit(), 0);
}

TEST(Qorupdate, RefusesBadOptions) {
  qortest::TempInstall inst;
  for (std::vector<std::string> args : {std::vector<std::string>{"--bogus", "1"}, {"--status", "42"}, {"--log"}}) {
    Server server(inst, args);
    EXPECT_EQ(server.WaitExit(), 2) << args[0];
  }
}
