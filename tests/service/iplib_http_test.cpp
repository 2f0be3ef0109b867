// The service's HTTP GET against the stand-in update endpoint.
#include <gtest/gtest.h>

#include "common/chttp.h"
#include "common/update_endpoint.h"
#include "platform/fs.h"
#include "tests/support/update_server.h"

namespace fs = platform::fs;

TEST(IpLibHttp, CacheBusterJoinsTheQuery) {
  EXPECT_EQ(CHttp::AddCacheBuster("http://h/p", "ab12"), "http://h/p?rnum=ab12");
  EXPECT_EQ(CHttp::AddCacheBuster("http://h/p?t=qorip", "ab12"), "http://h/p?t=qorip&rnum=ab12");
  EXPECT_EQ(CHttp::AddCacheBuster("http://h/p?", "z"), "http://h/p?&rnum=z");
}

TEST(IpLibHttp, EmptyUrlLeavesTheReply) {
  CHttp http(Build::Service);
  std::string reply = "kept";
  EXPECT_EQ(http.Request("", reply), CHttp::kFailed);
  EXPECT_EQ(reply, "kept");
}

TEST(IpLibHttp, StatusDecidesTheResult) {
  qortest::TempInstall install;
  const std::string lib = install.Base() + "lib.txt";
  // Line ends inside the body are dropped, as reading line by line does.
  ASSERT_EQ(fs::WriteFile(lib, "1|2|3|4|5*\r\n6|7|8|9|0*\n"), fs::kOk);
  struct Case {
    std::string status;
    int result;
    bool body;
  } cases[] = {{"200", CHttp::kDone, true}, {"500", CHttp::kFailed, false}, {"404", CHttp::kFailed, false}};
  for (const auto& c : cases) {
    qortest::UpdateServer server(install, {"--iplib", lib, "--iplib-time", "2026-1-2 3:4:5", "--status", c.status});
    const std::string base = server.Base();
    ASSERT_FALSE(base.empty());
    CHttp http(Build::Service);
    std::string reply = "old";
    EXPECT_EQ(http.Request(base + endpoint::IpLibPath() + "?t=qorip", reply), c.result) << c.status;
    if (c.body) {
      EXPECT_EQ(reply, endpoint::IpLibReply("2026-1-2 3:4:5", "1|2|3|4|5*6|7|8|9|0*", ""));
    } else {
      EXPECT_EQ(reply, "") << c.status;
    }
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    // The random part: 8 lower-case letters and digits.
    std::string rnum = qortest::QueryValue(requests[0], "rnum");
    ASSERT_EQ(rnum.size(), 8u) << requests[0];
    for (char ch : rnum) EXPECT_TRUE((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9')) << rnum;
    EXPECT_EQ(qortest::QueryValue(requests[0], "t"), "qorip");
  }
  // Nothing served at the path: 404 from the server as well.
  qortest::UpdateServer server(install, {"--iplib", lib});
  CHttp http(Build::Service);
  std::string reply;
  EXPECT_EQ(http.Request(server.Base() + "/elsewhere", reply), CHttp::kFailed);
  EXPECT_EQ(reply, "");
}

TEST(IpLibHttp, NoServerIsANetworkError) {
  CHttp http(Build::Service);
  std::string reply;
  EXPECT_EQ(http.Request("http://127.0.0.1:1/x", reply), CHttp::kNetworkError);
  EXPECT_EQ(reply, "x");
}
