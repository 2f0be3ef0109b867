// One attempt of the IP-library update, against the stand-in update endpoint.
#include <errno.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "common/build.h"
#include "common/chttp.h"
#include "common/coding.h"
#include "common/ini_reader.h"
#include "common/ip_vector.h"
#include "common/iplib_check.h"
#include "common/program_log.h"
#include "common/tag_text.h"
#include "common/update_endpoint.h"
#include "platform/faults.h"
#include "platform/fs.h"
#include "service/iplib_reply.h"
#include "service/iplib_update.h"
#include "tests/support/update_server.h"

namespace fs = platform::fs;

namespace {

std::string Reply(const std::string& serviceTime, const std::string& panelTime, const std::string& code,
                  const std::string& error, bool withCode = true) {
  std::string r;
  if (!serviceTime.empty()) r += "<QoripTime>" + serviceTime + "</QoripTime>";
  if (!panelTime.empty()) r += "<QorIpTime>" + panelTime + "</QorIpTime>";
  r += "<QorErr>" + error + "</QorErr>";
  if (withCode) r += "<QorIpCode>" + code + "</QorIpCode>";
  return r;
}

// A library the table reads, of exactly n bytes: one record, then "*" (which makes no
// record of its own) up to the length.
std::string ValidLibrary(size_t n) {
  std::string text = "16777216|255|1|0|0";
  text.resize(n, '*');
  return text;
}

const std::string kCode100 = ValidLibrary(100), kCode101 = ValidLibrary(101);

// The update's verdict on a whole reply: the library and its time when it is accepted.
bool AcceptIpLibReply(int requestResult, const std::string& reply, const std::string& version, std::string& code,
                      std::string& time) {
  std::string library;
  CIpLibReplyReader reader([&library](std::string_view piece) {
    library.append(piece);
    return true;
  });
  (void)reader.Feed(reply);  // the sink takes everything
  if (requestResult != CHttp::kDone || !reader.Accept(version, time)) return false;
  code.swap(library);
  return true;
}

}  // namespace

TEST(IpLibUpdate, ReplyIsAcceptedOnlyWhenEveryTestHolds) {
  struct Case {
    const char* name;
    int result;
    std::string reply, version;
    bool accepted;
    std::string time;
  } cases[] = {
      {"accepted", 1, Reply("2026-1-2 3:4:5", "", kCode101, ""), "", true, "2026-1-2 3:4:5"},
      {"panel spelling only", 1, Reply("", "2026-1-2 3:4:5", kCode101, ""), "", true, "2026-1-2 3:4:5"},
      {"service spelling first", 1, Reply("B", "A", kCode101, ""), "", true, "B"},
      {"empty service time", 1, Reply(" ", "A", kCode101, ""), "", true, "A"},
      {"not a 200 reply", 0, Reply("B", "", kCode101, ""), "", false, ""},
      {"network error", 2, Reply("B", "", kCode101, ""), "", false, ""},
      {"no library tag", 1, Reply("B", "", kCode101, "", false), "", false, ""},
      {"no time", 1, Reply("", "", kCode101, ""), "", false, ""},
      {"blank time", 1, Reply("  ", "", kCode101, ""), "", false, ""},
      {"unchanged", 1, Reply("2026-1-2 3:4:5", "", kCode101, ""), "2026-1-23:4:5", false, ""},
      {"unchanged but for blanks", 1, Reply("2026-1-2  3:4:5 ", "", kCode101, ""), "2026-1-23:4:5", false, ""},
      {"100 bytes", 1, Reply("B", "", kCode100, ""), "", false, ""},
      {"error text", 1, Reply("B", "", kCode101, "维护中"), "", false, ""},
      {"library handed on in pieces", 1, Reply("B", "", ValidLibrary(150000), ""), "", true, "B"},
      // Tags are found as in the whole text: the first closing tag, at a character start.
      {"closing tag first", 1, "</QorIpCode>" + Reply("B", "", kCode101, ""), "", false, ""},
      {"tag inside a double-byte character", 1, "<QoripTime>B</QoripTime>\x81<QorIpCode>" + kCode101 + "</QorIpCode>",
       "", false, ""},
      {"time too long to keep", 1, Reply(std::string(CIpLibReplyReader::kMaxTimeBytes + 1, 'B'), "A", kCode101, ""),
       "", false, ""},
  };
  for (const auto& c : cases) {
    const std::string library = GetTagValue(c.reply, "<QorIpCode>", "</QorIpCode>");
    std::string code = "old", time = "old";
    EXPECT_EQ(AcceptIpLibReply(c.result, c.reply, c.version, code, time), c.accepted) << c.name;
    if (c.accepted) {
      EXPECT_TRUE(code == library) << c.name;
      EXPECT_EQ(time, c.time) << c.name;
    }
    // The same reply arriving a byte at a time.
    std::string pieces;
    CIpLibReplyReader reader([&](std::string_view piece) {
      pieces.append(piece);
      return true;
    });
    for (char ch : c.reply) reader.Feed(std::string_view(&ch, 1));
    time = "old";
    EXPECT_EQ(c.result == 1 && reader.Accept(c.version, time), c.accepted) << c.name;
    if (c.accepted) {
      EXPECT_TRUE(pieces == library) << c.name;
    }
  }
}

// The check of a download, fed a byte at a time, agrees with the table on the whole.
TEST(IpLibProbe, AgreesWithTheTable) {
  const std::string texts[] = {
      "1|2|3|4|5",         "1|2|3|4*",          "1||2|3||4|5*",  "g0j0b0k0lc" /* 1|2|3|4|5* turned */,
      "g0j0b0k0lc|",       "1\x81|2|3|4|5*",   "\x81\x81|1|2|3|4*", "***|||",
  };
  for (const std::string& text : texts) {
    CIpLibProbe probe;
    for (char ch : text) probe.Feed(std::string_view(&ch, 1));
    std::string form = text;
    if (form.find_first_of("|*") == std::string::npos) SubstituteChars(form);
    CQorIpVector table;
    EXPECT_EQ(probe.Refusal().empty(), table.Load(form) > 0) << text;
  }
  CIpLibProbe zero;
  zero.Feed(std::string("1|2|3|4|5*\0", 11));
  EXPECT_EQ(zero.Refusal(), "IP库数据含有空字节");
}

TEST(IpLibUpdate, RequestCarriesTheKeysInOrderEncoded) {
  EXPECT_EQ(IpLibRequestUrl("http://h/p", "2026-1-23:4:5", "ABCDEFGHIJK"),
            "http://h/p?t=qorip&tm=2026-1-23:4:5&tk=ABCDEFGHIJK");
  EXPECT_EQ(IpLibRequestUrl("http://h/p", "", "X"), "http://h/p?t=qorip&tm=&tk=X");
  EXPECT_EQ(IpLibRequestUrl("http://h/p", "a&b/c", "X"), "http://h/p?t=qorip&tm=a%26b%2Fc&tk=X");
  EXPECT_EQ(IpLibRequestUrl("http://h/p", "版", "X"), "http://h/p?t=qorip&tm=%B0%E6&tk=X");
}

class IpLibUpdateAttempt : public ::testing::Test {
 protected:
  void SetUp() override {
    lib_ = install_.Base() + "served.txt";
    ASSERT_EQ(fs::WriteFile(lib_, kCode101), fs::kOk);
    ini_ = std::make_unique<CIniReader>(Build::Service);
  }
  void TearDown() override {
    unsetenv(endpoint::kOverrideEnv);
  }
  platform::faults::Guard faults_;
  // One attempt against a server started with args; the request target in target.
  int Attempt(std::vector<std::string> args, std::string& target, std::vector<std::string>* all = nullptr) {
    qortest::UpdateServer server(install_, std::move(args));
    std::string base = server.Base();
    EXPECT_FALSE(base.empty());
    setenv(endpoint::kOverrideEnv, base.c_str(), 1);
    CLog log(Build::Service, install_.ProgramDir());
    int result =
        UpdateIpLibOnce(install_.ProgramDir(), endpoint::FirstHost(), endpoint::IpLibPath(), *ini_, nullptr, &log);
    auto requests = server.Requests();
    if (all) *all = requests;
    target = requests.empty() ? "" : requests.back();
    return result;
  }
  std::string Library() { return install_.ReadProgramFile("iplib.db"); }
  bool HasLibrary() { return fs::Exists(install_.ProgramDir() + "iplib.db"); }

  qortest::TempInstall install_;
  std::string lib_;
  std::unique_ptr<CIniReader> ini_;
};

TEST_F(IpLibUpdateAttempt, NewLibraryIsStoredWithItsTime) {
  ini_->SetWord30("2025-1-1 0:0:0");  // left from a library that is gone
  std::string target;
  EXPECT_EQ(Attempt({"--iplib", lib_, "--iplib-time", "2026-1-2 3:4:5"}, target), kIpLibWritten);
  EXPECT_EQ(Library(), kCode101);
  EXPECT_EQ(ini_->GetWord30(), "2026-1-2 3:4:5");
  // Without iplib.db the request asks with an empty version.
  EXPECT_EQ(qortest::QueryValue(target, "tm"), "");
  std::string token = qortest::QueryValue(target, "tk");
  ASSERT_EQ(token.size(), 11u);
  for (char c : token) EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) << token;
  EXPECT_EQ(target.rfind(endpoint::IpLibPath() + "?t=qorip&tm=&tk=", 0), 0u) << target;
}

TEST_F(IpLibUpdateAttempt, SameTimeOrBadReplyChangesNothing) {
  install_.WriteProgramFile("iplib.db", "old library");
  ini_->SetWord30("2026-1-2 3:4:5");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string code;
    int result;
  } cases[] = {
      {"unchanged but for blanks", {"--iplib-time", "2026-1-2  3:4:5"}, kCode101, kIpLibRefused},
      {"100 bytes", {"--iplib-time", "2026-2-2 0:0:0"}, kCode100, kIpLibRefused},
      {"error text", {"--iplib-time", "2026-2-2 0:0:0", "--iplib-error", "维护中"}, kCode101, kIpLibRefused},
      {"status 500", {"--iplib-time", "2026-2-2 0:0:0", "--status", "500"}, kCode101, kIpLibNoReply},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(fs::WriteFile(lib_, c.code), fs::kOk);
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), {"--iplib", lib_});
    std::string target;
    EXPECT_EQ(Attempt(args, target), c.result) << c.name;
    EXPECT_EQ(Library(), "old library") << c.name;
    EXPECT_EQ(ini_->GetWord30(), "2026-1-2 3:4:5") << c.name;
    // The stored version goes out without its blanks.
    EXPECT_EQ(qortest::QueryValue(target, "tm"), "2026-1-23:4:5") << c.name;
  }
}

TEST_F(IpLibUpdateAttempt, HundredAndOneBytesAreEnough) {
  install_.WriteProgramFile("iplib.db", "old library");
  ini_->SetWord30("2026-1-2 3:4:5");
  std::string target;
  EXPECT_EQ(Attempt({"--iplib", lib_, "--iplib-time", "2026-2-2 0:0:0"}, target), kIpLibWritten);
  EXPECT_EQ(Library(), kCode101);
  EXPECT_EQ(ini_->GetWord30(), "2026-2-2 0:0:0");
}

TEST_F(IpLibUpdateAttempt, FailedWriteKeepsTheOldVersion) {
  namespace faults = platform::faults;
  install_.WriteProgramFile("iplib.db", "old library");
  ini_->SetWord30("2026-1-2 3:4:5");
  const std::string path = install_.ProgramDir() + "iplib.db";
  // The library's file is written as the reply arrives, and put in place at its end.
  for (const faults::Kind kind : {faults::Kind::Rename, faults::Kind::Write}) {
    faults_.When([&](const faults::Call& c) {
      return c.kind == kind && c.path.starts_with(path) ? faults::Fault::Fail(ENOSPC) : faults::Fault{};
    });
    std::string target;
    EXPECT_EQ(Attempt({"--iplib", lib_, "--iplib-time", "2026-2-2 0:0:0"}, target), kIpLibWriteFailed);
    faults_.Reset();
    EXPECT_EQ(Library(), "old library");
    EXPECT_EQ(ini_->GetWord30(), "2026-1-2 3:4:5");
    // No temporary file is left beside it.
    std::vector<fs::Entry> entries;
    ASSERT_TRUE(fs::List(install_.ProgramDir(), "iplib.db*", entries));
    EXPECT_EQ(entries.size(), 1u);
  }
}

TEST_F(IpLibUpdateAttempt, NoServerIsNoReply) {
  setenv(endpoint::kOverrideEnv, "http://127.0.0.1:1", 1);
  EXPECT_EQ(UpdateIpLibOnce(install_.ProgramDir(), endpoint::FirstHost(), endpoint::IpLibPath(), *ini_),
            kIpLibNoReply);
  EXPECT_FALSE(HasLibrary());
}

TEST_F(IpLibUpdateAttempt, LocalVersionNeedsTheLibraryFile) {
  ini_->SetWord30(" 2026-1-2 3:4:5 ");
  EXPECT_EQ(IpLibLocalVersion(install_.ProgramDir(), *ini_), "");
  install_.WriteProgramFile("iplib.db", "x");
  EXPECT_EQ(IpLibLocalVersion(install_.ProgramDir(), *ini_), "2026-1-23:4:5");
}

TEST_F(IpLibUpdateAttempt, ALibraryTheTableCannotReadKeepsTheOldOne) {
  install_.WriteProgramFile("iplib.db", "old library");
  ini_->SetWord30("2026-1-2 3:4:5");
  struct Case {
    const char* name;
    std::string code;
    const char* logged;
  } cases[] = {
      {"zero bytes", ValidLibrary(200) + std::string(300, '\0') + "garbage", "空字节"},
      {"no record", std::string(400, 'Q') + "|" + std::string(400, 'Z'), "没有可用的记录"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(fs::WriteFile(lib_, c.code), fs::kOk);
    std::string target;
    EXPECT_EQ(Attempt({"--iplib", lib_, "--iplib-time", "2026-2-2 0:0:0"}, target), kIpLibRefused) << c.name;
    EXPECT_EQ(Library(), "old library") << c.name;
    EXPECT_EQ(ini_->GetWord30(), "2026-1-2 3:4:5") << c.name;
    EXPECT_NE(install_.ReadProgramFile("log/qor.log").find(c.logged), std::string::npos) << c.name;
    // What was written of it on the way goes as well.
    std::vector<fs::Entry> entries;
    ASSERT_TRUE(fs::List(install_.ProgramDir(), "iplib.db*", entries));
    EXPECT_EQ(entries.size(), 1u) << c.name;
  }
}

TEST_F(IpLibUpdateAttempt, AReplyPastTheLimitIsAnErrorAndChangesNothing) {
  install_.WriteProgramFile("iplib.db", "old library");
  ini_->SetWord30("2026-1-2 3:4:5");
  std::string target;
  const std::string pad = std::to_string((64 << 20) + 1);
  // The limit holds for the reply at the end of the redirects too.
  EXPECT_EQ(Attempt({"--iplib", lib_, "--iplib-time", "2026-2-2 0:0:0", "--iplib-pad", pad, "--redirects", "2"}, target),
            kIpLibNoReply);
  EXPECT_NE(target.find("hop=2"), std::string::npos) << target;
  EXPECT_EQ(Library(), "old library");
  EXPECT_EQ(ini_->GetWord30(), "2026-1-2 3:4:5");
  EXPECT_NE(install_.ReadProgramFile("log/qor.log").find("64MB"), std::string::npos);
}

TEST_F(IpLibUpdateAttempt, RedirectsAreFollowed) {
  std::string target;
  std::vector<std::string> all;
  EXPECT_EQ(Attempt({"--iplib", lib_, "--iplib-time", "2026-2-2 0:0:0", "--redirects", "3"}, target, &all),
            kIpLibWritten);
  EXPECT_EQ(Library(), kCode101);
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all.back().substr(all.back().size() - 18), "&hop=1&hop=2&hop=3") << all.back();
  // Past the few that are followed, the request fails.
  install_.WriteProgramFile("iplib.db", "old library");
  ini_->SetWord30("2026-1-2 3:4:5");
  EXPECT_EQ(Attempt({"--iplib", lib_, "--iplib-time", "2026-3-3 0:0:0", "--redirects", "20"}, target), kIpLibNoReply);
  EXPECT_EQ(Library(), "old library");
}
