// The stand-in update endpoint, run as a program and asked over loopback.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "common/tag_text.h"
#include "common/update_endpoint.h"
#include "platform/fs.h"
#include "platform/http.h"
#include "tests/support/temp_install.h"

extern char** environ;

namespace fs = platform::fs;

namespace {

class Server {
 public:
  Server(const qortest::TempInstall& inst, std::vector<std::string> args) : m_portFile(inst.Base() + "port") {
    args.insert(args.begin(), {qortest::BinDir() + "qorupdate", "--port", "0", "--port-file", m_portFile});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) m_pid = -1;
  }
  ~Server() {
    if (m_pid > 0 && !m_reaped) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
  }
  // Polls for the port the server picked; empty when it never wrote one.
  std::string Base() {
    std::string port;
    for (int i = 0; i < 1000 && port.empty(); ++i) {
      if (fs::ReadFile(m_portFile, port) != fs::kOk) port.clear();
      if (port.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return port.empty() ? "" : "http://127.0.0.1:" + port;
  }
  // Waits up to 10 s for the end; the exit code, or -1.
  int WaitExit() {
    for (int i = 0; i < 1000; ++i) {
      int status = 0;
      if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_reaped = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }
  pid_t Pid() const { return m_pid; }

 private:
  std::string m_portFile;
  pid_t m_pid = -1;
  bool m_reaped = false;
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
  fs::ReadFile(log, requests);
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
