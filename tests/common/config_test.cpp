#include "common/config.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <thread>
#include <vector>

#include "common/coding.h"
#include "common/hardware.h"
#include "platform/faults.h"
#include "platform/ui/ui_hooks.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "tests/support/temp_install.h"

namespace fs = platform::fs;

namespace {

constexpr uint32_t kKey = 5287;
constexpr uint32_t kOtherKey = 5288;

using platform::faults::Call;
using platform::faults::Fault;
using platform::faults::Kind;

class Config : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::clock::SetFake(platform::clock::FromLocal(2016, 9, 9, 8, 5, 7));
    SetMessageBoxHook([this](const std::string& text, const std::string&, unsigned) {
      m_shown += text;
      return kIdOk;
    });
    EXPECT_EQ(fs::MakeDirs(m_inst.ProgramDir() + "iis"), fs::kOk);
  }
  void TearDown() override {
    SetMessageBoxHook(nullptr);
    platform::clock::ClearFake();
  }
  // Every open for reading fails.
  void FailReads() {
    m_faults.When([](const Call& c) { return c.OpensForReading() ? Fault::Fail(EACCES) : Fault{}; });
  }
  platform::faults::Guard m_faults;
  std::string ConfigPath() const { return m_inst.ProgramDir() + "iis/config.db"; }
  std::string ApplyPath() const { return m_inst.ProgramDir() + "iis/apply.db"; }
  std::string FileBytes(const std::string& path) const {
    std::string s;
    (void)fs::ReadFile(path, s);
    return s;
  }
  void WriteStore(const std::string& plain, uint32_t key = kKey) const {
    ASSERT_EQ(fs::WriteFile(ConfigPath(), EncodeText(key, plain)), fs::kOk);
  }
  // Files in iis/ besides the store and the stamp.
  std::vector<std::string> Leftovers() const {
    std::vector<fs::Entry> entries;
    (void)fs::List(m_inst.ProgramDir() + "iis", "*", entries);
    std::vector<std::string> names;
    for (const auto& e : entries) {
      if (!e.isDir && e.name != "config.db" && e.name != "apply.db") names.push_back(e.name);
    }
    return names;
  }

  qortest::TempInstall m_inst;
  std::string m_shown;
};

// The coded pair that decodes to a 0 byte, which no encoder writes.
std::string ZeroPair(uint32_t key) {
  std::string pair;
  pair += char(uint8_t(0 - (key % 11 + 91)));
  pair += char(uint8_t(0 - (key % 13 + 89)));
  return pair;
}

// A store that has loaded (the key fixed) an existing file.
void LoadWithKey(CConfig& config, uint32_t key = kKey) {
  config.SetKey(key);
  ASSERT_EQ(config.Load(), 1);
}

}  // namespace

TEST_F(Config, SavedStoreIsTheCodingOfItsTextWithTheMarker) {
  WriteStore("");
  CConfig config;
  LoadWithKey(config);
  config.SetText("<KeyLogOn>1</KeyLogOn>");
  ASSERT_EQ(config.Save(), 1);
  EXPECT_EQ(FileBytes(ConfigPath()),
            "\x95\xAA\x97\xA9\x9F\xA3\x9C\xA7\x96\xAA\x95\xAD\x9D\xA5\x93\xAD\x96\xAC\x93\xAC\xA0\x9F\x95\xAA"
            "\x91\xAD\x97\xA9\x9F\xA3\x9C\xA7\x96\xAA\x95\xAD\x9D\xA5\x93\xAD\x96\xAC\x93\xAC\x95\xAA\xA1\x9E"
            "\x93\xAC");
  EXPECT_EQ(DecodeText(kKey, FileBytes(ConfigPath())), "<KeyLogOn>1</KeyLogOn><0>");
  EXPECT_EQ(FileBytes(ApplyPath()), "2016-9-9 8:5:7");
  EXPECT_TRUE(Leftovers().empty()) << testing::PrintToString(Leftovers());
}

TEST_F(Config, ShortTextsAreNotSaved) {
  WriteStore("<KeyA>1</KeyA><0>");
  CConfig config;
  LoadWithKey(config);
  for (const char* text : {"", "<0>", "<KeyA>123"}) {
    config.SetText(text);
    EXPECT_EQ(config.Save(), 0) << text;
  }
  config.SetText("<KeyA>1234");
  EXPECT_EQ(config.Save(), 1);
  EXPECT_EQ(DecodeText(kKey, FileBytes(ConfigPath())), "<KeyA>1234<0>");
}

TEST_F(Config, ShortTextLeavesFileAndStampAlone) {
  WriteStore("<KeyA>1</KeyA><0>");
  CConfig config;
  LoadWithKey(config);
  config.SetText("123456789");
  EXPECT_EQ(config.Save(), 0);
  EXPECT_EQ(DecodeText(kKey, FileBytes(ConfigPath())), "<KeyA>1</KeyA><0>");
  EXPECT_FALSE(fs::Exists(ApplyPath()));
}

TEST_F(Config, MarkerIsAddedOnceAndNewKeysLandBehindIt) {
  WriteStore("<KeySystem>1</KeySystem>");
  CConfig config;
  LoadWithKey(config);
  EXPECT_EQ(config.GetText(), "<KeySystem>1</KeySystem><0>");
  ASSERT_EQ(config.Save(), 1);
  EXPECT_EQ(DecodeText(kKey, FileBytes(ConfigPath())), "<KeySystem>1</KeySystem><0>");

  config.SetSystemVersion("1.3.2");
  EXPECT_EQ(config.GetSystemVersion(), "1.3.2");
  ASSERT_EQ(config.Save(), 1);
  EXPECT_EQ(DecodeText(kKey, FileBytes(ConfigPath())),
            "<KeySystem>1</KeySystem><0><KeySystemVersion>1.3.2</KeySystemVersion><0>");

  CConfig again;
  LoadWithKey(again);
  EXPECT_EQ(again.GetSystem(), "1");
  EXPECT_EQ(again.GetSystemVersion(), "1.3.2");
  EXPECT_EQ(again.GetRuleData(), "");
}

TEST_F(Config, GettersAndSettersUseTheirTags) {
  WriteStore("");
  CConfig config;
  LoadWithKey(config);
  config.SetText("");
  config.SetSystem("1");
  config.SetSystemVersion("1.3.2");
  config.SetShowPanel("0");
  config.SetRuleData("<KeyName>a</KeyName>|||||");
  config.SetLogOn("1");
  config.SetLogDelDays("30");
  EXPECT_EQ(config.GetText(),
            "<KeySystem>1</KeySystem><KeySystemVersion>1.3.2</KeySystemVersion><KeyShowPanel>0</KeyShowPanel>"
            "<KeyRuleData><KeyName>a</KeyName>|||||</KeyRuleData><KeyLogOn>1</KeyLogOn>"
            "<KeyLogDelDays>30</KeyLogDelDays>");
  config.SetSystem("0");
  EXPECT_EQ(config.GetSystem(), "0");
  EXPECT_EQ(config.GetRuleData(), "<KeyName>a</KeyName>|||||");
  EXPECT_EQ(config.GetLogDelDays(), "30");
}

TEST_F(Config, SetDefaults) {
  CConfig config;
  EXPECT_EQ(config.SetDefaults(), 1);
  EXPECT_EQ(config.GetText(), "<KeyLogDelDays>0</KeyLogDelDays><KeyLogOn>1</KeyLogOn><KeyShowPanel>1</KeyShowPanel>");
  config.SetLogOn("0");
  config.SetDefaults();
  EXPECT_EQ(config.GetLogOn(), "1");
}

TEST_F(Config, ApplyDefaultsFillsOnlyTheMissingKeys) {
  const struct {
    const char* text;
    int set;
    const char* after;
  } cases[] = {
      {"", 3, "<KeyLogDelDays>0</KeyLogDelDays><KeyLogOn>1</KeyLogOn><KeyShowPanel>1</KeyShowPanel>"},
      {"<KeyLogOn>0</KeyLogOn><0>", 2,
       "<KeyLogOn>0</KeyLogOn><0><KeyLogDelDays>0</KeyLogDelDays><KeyShowPanel>1</KeyShowPanel>"},
      {"<KeyShowPanel></KeyShowPanel><KeyLogDelDays>30</KeyLogDelDays><KeyLogOn>1</KeyLogOn>", 0,
       "<KeyShowPanel></KeyShowPanel><KeyLogDelDays>30</KeyLogDelDays><KeyLogOn>1</KeyLogOn>"},
  };
  for (const auto& c : cases) {
    CConfig config;
    config.SetText(c.text);
    EXPECT_EQ(config.ApplyDefaults(), c.set) << c.text;
    EXPECT_EQ(config.GetText(), c.after) << c.text;
  }
}

TEST_F(Config, JoinRuleList) {
  EXPECT_EQ(CConfig::JoinRuleList({"A", "B|||||C"}), "A|||||BC|||||");
  EXPECT_EQ(CConfig::JoinRuleList({}), "");
  EXPECT_EQ(CConfig::JoinRuleList({"提示|||||"}), "提示|||||");
}

TEST_F(Config, MissingFileInThePanelIsAnEmptyStore) {
  CConfig config;
  config.SetKey(kKey);
  EXPECT_EQ(config.Load(), 1);
  EXPECT_EQ(config.GetText(), "");
  EXPECT_TRUE(fs::IsFile(ConfigPath()));
  EXPECT_EQ(FileBytes(ConfigPath()), "");
  // The first start saves its defaults in full.
  config.SetDefaults();
  ASSERT_EQ(config.Save(), 1);
  EXPECT_EQ(DecodeText(kKey, FileBytes(ConfigPath())),
            "<KeyLogDelDays>0</KeyLogDelDays><KeyLogOn>1</KeyLogOn><KeyShowPanel>1</KeyShowPanel><0>");
  EXPECT_TRUE(fs::Exists(ApplyPath()));
}

TEST_F(Config, MissingFileInTheServiceIsNotRead) {
  CConfig config(Build::Service);
  config.SetKey(kKey);
  EXPECT_EQ(config.Load(), 0);
  EXPECT_EQ(config.GetText(), "<0>");
  EXPECT_FALSE(fs::Exists(ConfigPath()));
}

TEST_F(Config, EmptyFileReadsAsEmptyStore) {
  WriteStore("");
  CConfig config;
  LoadWithKey(config);
  EXPECT_EQ(config.GetText(), "<0>");
  CConfig service(Build::Service);
  LoadWithKey(service);
}

// Bytes that read but do not decode under the machine's key.
struct Undecodable {
  const char* what;
  std::string bytes;
};
std::vector<Undecodable> UndecodableStores() {
  const std::string good = EncodeText(kKey, "<KeySystem>1</KeySystem><KeyRuleData>r|||||</KeyRuleData><0>");
  return {
      {"written under another key", EncodeText(kOtherKey, "<KeySystem>1</KeySystem><0>")},
      {"cut short", good.substr(0, good.size() / 2)},
      {"plain text", "<KeySystem>1</KeySystem><0>"},
      {"stray bytes", std::string("\x01\x02\x03", 3)},
      {"random bytes with line ends", std::string("\x9c\r\n\x01\n\n\xff\r", 8)},
      {"a pair that decodes to 0", good.substr(0, 6) + ZeroPair(kKey) + good.substr(6)},
  };
}

constexpr const char* kDefaultsText =
    "<KeyLogDelDays>0</KeyLogDelDays><KeyLogOn>1</KeyLogOn><KeyShowPanel>1</KeyShowPanel><0>";

TEST_F(Config, UndecodableStoreInThePanelIsKeptBesideItAndStartsFromTheDefaults) {
  const std::string badPath = ConfigPath() + ".bad";
  for (const auto& c : UndecodableStores()) {
    SCOPED_TRACE(c.what);
    m_shown.clear();
    ASSERT_EQ(fs::WriteFile(badPath, "an older copy"), fs::kOk);
    ASSERT_EQ(fs::WriteFile(ConfigPath(), c.bytes), fs::kOk);
    CConfig config;
    config.SetKey(kKey);
    EXPECT_EQ(config.Load(), 1);
    EXPECT_TRUE(config.IsRecovered());
    EXPECT_EQ(config.GetText(), kDefaultsText);
    EXPECT_EQ(FileBytes(badPath), c.bytes);
    EXPECT_EQ(m_shown, kConfigUndecodablePanelText);
    // Told once: the same bytes again are neither copied nor told anew.
    EXPECT_EQ(config.Load(), 1);
    EXPECT_EQ(m_shown, kConfigUndecodablePanelText);

    config.SetSystem("0");
    ASSERT_EQ(config.Save(), 1);
    EXPECT_EQ(DecodeText(kKey, FileBytes(ConfigPath())), std::string(kDefaultsText) + "<KeySystem>0</KeySystem><0>");
    EXPECT_EQ(FileBytes(badPath), c.bytes);
    EXPECT_TRUE(fs::Exists(ApplyPath()));
    ASSERT_EQ(config.Load(), 1);
    EXPECT_FALSE(config.IsRecovered());
    (void)fs::DeleteFile(ApplyPath());
  }
}

TEST_F(Config, UndecodableStoreThatCannotBeKeptIsNotSavedOver) {
  const std::string bytes = EncodeText(kOtherKey, "<KeySystem>1</KeySystem><0>");
  ASSERT_EQ(fs::WriteFile(ConfigPath(), bytes), fs::kOk);
  m_faults.When([](const Call& c) {
    return c.Changes() && c.path.find(".bad") != std::string_view::npos ? Fault::Fail(ENOSPC) : Fault{};
  });
  CConfig config;
  config.SetKey(kKey);
  EXPECT_EQ(config.Load(), 0);
  m_faults.Reset();
  EXPECT_EQ(m_shown, "");
  config.SetSystem("0");
  EXPECT_EQ(config.Save(), 0);
  EXPECT_EQ(FileBytes(ConfigPath()), bytes);
  EXPECT_FALSE(fs::Exists(ApplyPath()));
}

TEST_F(Config, UndecodableStoreInTheServiceIsAnEmptyStoreToldOnce) {
  WriteStore("<KeySystem>1</KeySystem><0>");
  CConfig service(Build::Service);
  LoadWithKey(service);
  ASSERT_EQ(service.GetSystem(), "1");
  std::string told;
  service.SetNoticeHook([&](const std::string& text) { told += text + "\n"; });
  const std::string first = EncodeText(kOtherKey, "<KeySystem>1</KeySystem><0>");
  ASSERT_EQ(fs::WriteFile(ConfigPath(), first), fs::kOk);
  EXPECT_EQ(service.Load(), 1);
  EXPECT_EQ(service.GetText(), "<0>");
  EXPECT_EQ(service.GetSystem(), "");
  EXPECT_EQ(service.Load(), 1);
  EXPECT_EQ(told, std::string(kConfigUndecodableServiceText) + "\n");
  // Other bytes are told again; the service keeps no copy and shows no box.
  ASSERT_EQ(fs::WriteFile(ConfigPath(), "damaged"), fs::kOk);
  EXPECT_EQ(service.Load(), 1);
  EXPECT_EQ(told, std::string(kConfigUndecodableServiceText) + "\n" + kConfigUndecodableServiceText + "\n");
  EXPECT_FALSE(fs::Exists(ConfigPath() + ".bad"));
  EXPECT_EQ(m_shown, "");
}

// A damaged store that still loads must load again after a save: a close tag that
// stands before its open tag, followed by other text, must not become the store's start.
TEST_F(Config, SavedDamagedStoreLoadsAgainWithEveryValue) {
  WriteStore("</KeySystem>x<KeySystem>1</KeySystem><KeyRuleData>r|||||</KeyRuleData><0>");
  CConfig config;
  LoadWithKey(config);
  EXPECT_FALSE(config.IsRecovered());
  config.SetSystem("0");
  ASSERT_EQ(config.Save(), 1);
  ASSERT_EQ(config.Load(), 1);
  EXPECT_FALSE(config.IsRecovered());
  EXPECT_EQ(config.GetSystem(), "0");
  EXPECT_EQ(config.GetRuleData(), "r|||||");
  EXPECT_EQ(m_shown, "");
}

// A value with a 0 byte would end the decoded store there: such a text is not saved,
// and the file keeps what it held.
TEST_F(Config, TextItsLoadWouldRefuseIsNotSaved) {
  WriteStore("<KeySystem>1</KeySystem><0>");
  const std::string before = FileBytes(ConfigPath());
  CConfig config;
  LoadWithKey(config);
  config.SetShowPanel(std::string("a\0b", 3));
  EXPECT_EQ(config.Save(), 0);
  EXPECT_EQ(FileBytes(ConfigPath()), before);
  EXPECT_FALSE(fs::Exists(ApplyPath()));
}

TEST_F(Config, SaveRefusedUntilALoadSucceeds) {
  WriteStore("<KeySystem>1</KeySystem><0>");
  CConfig config;
  config.SetKey(kKey);
  config.SetText("<KeySystem>0</KeySystem>");
  EXPECT_EQ(config.Save(), 0);
  EXPECT_EQ(DecodeText(kKey, FileBytes(ConfigPath())), "<KeySystem>1</KeySystem><0>");
  // A good load, then one that cannot read the file: refused again until the next good one.
  ASSERT_EQ(config.Load(), 1);
  FailReads();
  EXPECT_EQ(config.Load(), 0);
  m_faults.Reset();
  config.SetText("<KeySystem>0</KeySystem>");
  EXPECT_EQ(config.Save(), 0);
  EXPECT_EQ(DecodeText(kKey, FileBytes(ConfigPath())), "<KeySystem>1</KeySystem><0>");
  ASSERT_EQ(config.Load(), 1);
  config.SetSystem("0");
  EXPECT_EQ(config.Save(), 1);
}

TEST_F(Config, ServiceReloadKeepsThePreviousStoreWhenTheFileCannotBeRead) {
  WriteStore("<KeySystem>1</KeySystem><0>");
  CConfig service(Build::Service);
  LoadWithKey(service);
  ASSERT_EQ(service.GetSystem(), "1");
  const struct {
    const char* what;
    std::function<void()> damage;
  } cases[] = {
      {"deleted", [&] { (void)fs::DeleteFile(ConfigPath()); }},
      {"unreadable",
       [&] {
         WriteStore("<KeySystem>0</KeySystem><0>");
         FailReads();
       }},
  };
  for (const auto& c : cases) {
    c.damage();
    EXPECT_EQ(service.Load(), 0) << c.what;
    EXPECT_EQ(service.GetSystem(), "1") << c.what;
    m_faults.Reset();
  }
  EXPECT_EQ(m_shown, "") << "the service shows no message";
}

TEST_F(Config, UnreadableFileInThePanelIsReported) {
  WriteStore("<KeySystem>1</KeySystem><0>");
  FailReads();
  CConfig config;
  config.SetKey(kKey);
  // The message box runs its own loop, whose handlers may read the store.
  std::string seenByHandler = "none";
  SetMessageBoxHook([&](const std::string& text, const std::string&, unsigned) {
    m_shown += text;
    seenByHandler = config.GetSystem();
    return kIdOk;
  });
  EXPECT_EQ(config.Load(), 0);
  EXPECT_EQ(config.GetText(), "<0>");
  EXPECT_EQ(seenByHandler, "");
  EXPECT_NE(m_shown.find("config.db"), std::string::npos) << m_shown;
}

TEST_F(Config, FailedWriteKeepsTheOldFileAndWritesNoStamp) {
  WriteStore("<KeySystem>1</KeySystem><0>");
  const std::string old = FileBytes(ConfigPath());
  for (Kind failing : {Kind::Open, Kind::Write, Kind::Fsync, Kind::Rename}) {
    CConfig config;
    LoadWithKey(config);
    config.SetSystem("0");
    m_faults.Fail(failing, ENOSPC, "config.db");
    EXPECT_EQ(config.Save(), 0) << int(failing);
    m_faults.Reset();
    EXPECT_EQ(FileBytes(ConfigPath()), old) << int(failing);
    EXPECT_FALSE(fs::Exists(ApplyPath())) << int(failing);
    EXPECT_TRUE(Leftovers().empty()) << int(failing);
  }
}

// The service reloads only on a new stamp: a store written without one is a failed save.
TEST_F(Config, SaveWhoseStampCannotBeWrittenFails) {
  WriteStore("<KeySystem>1</KeySystem><0>");
  const std::string old = FileBytes(ConfigPath());
  CConfig config;
  LoadWithKey(config);
  config.SetSystem("0");
  m_faults.Fail(Kind::Open, EACCES, "apply.db");
  EXPECT_EQ(config.Save(), 0);
  m_faults.Reset();
  EXPECT_EQ(FileBytes(ConfigPath()), old) << "a failed save left the new store";
  EXPECT_FALSE(fs::Exists(ApplyPath()));
  EXPECT_TRUE(Leftovers().empty());
  EXPECT_EQ(config.Save(), 1);
  EXPECT_TRUE(fs::Exists(ApplyPath()));
}

TEST_F(Config, KeyComesFromTheMachineKeyText) {
  m_inst.WriteMachineIni();
  CConfig panel;
  ASSERT_EQ(panel.Load(), 1);
  const uint32_t key = TextToKey(CHardware().GetMachineKeyText());
  EXPECT_EQ(panel.GetKey(), key);
  panel.SetSystem("1");
  panel.SetRuleData("<KeyName>提示</KeyName>|||||");
  ASSERT_EQ(panel.Save(), 1);
  CConfig service(Build::Service);
  ASSERT_EQ(service.Load(), 1);
  EXPECT_EQ(service.GetKey(), key);
  EXPECT_EQ(service.GetRuleData(), "<KeyName>提示</KeyName>|||||");
  EXPECT_EQ(DecodeText(key, FileBytes(ConfigPath())), panel.GetText());
}

TEST_F(Config, StampIsTheNowText) {
  CConfig config;
  EXPECT_EQ(config.WriteApplyStamp(), 1);
  EXPECT_EQ(FileBytes(ApplyPath()), "2016-9-9 8:5:7");
  platform::clock::SetFake(platform::clock::FromLocal(2026, 12, 31, 23, 59, 58));
  EXPECT_EQ(config.WriteApplyStamp(), 1);
  EXPECT_EQ(FileBytes(ApplyPath()), "2026-12-31 23:59:58");
  (void)fs::RemoveTree(m_inst.ProgramDir() + "iis");
  EXPECT_EQ(config.WriteApplyStamp(), 0);
}

// Readers on two threads reload while the panel saves: each read is one whole store.
TEST_F(Config, ReloadsAndReadsRunBesideSaves) {
  const std::string ruleA(3000, 'a'), ruleB(3000, 'b');
  WriteStore("<KeyRuleData>" + ruleA + "</KeyRuleData><0>");
  CConfig panel;
  LoadWithKey(panel);
  CConfig service(Build::Service);
  LoadWithKey(service);
  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  std::thread writer([&] {
    for (int i = 0; i < 100; ++i) {
      panel.SetRuleData(i % 2 ? ruleA : ruleB);
      if (panel.Save() != 1) ++bad;
    }
    done = true;
  });
  auto reader = [&] {
    while (!done) {
      if (service.Load() != 1) ++bad;
      const std::string rules = service.GetRuleData();
      if (rules != ruleA && rules != ruleB) ++bad;
    }
  };
  std::thread r1(reader), r2(reader);
  writer.join();
  r1.join();
  r2.join();
  EXPECT_EQ(bad.load(), 0);
}

// A process killed in the middle of its saves leaves the old or the new store.
TEST_F(Config, KilledSaverLeavesAWholeStore) {
  const std::string textA = "<KeySystem>1</KeySystem><KeyRuleData>" + std::string(100000, 'a') + "</KeyRuleData><0>";
  const std::string textB = "<KeySystem>0</KeySystem><KeyRuleData>" + std::string(100000, 'b') + "</KeyRuleData><0>";
  WriteStore(textA);
  for (int round = 0; round < 16; ++round) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(fds[0]);
      CConfig config;
      config.SetKey(kKey);
      if (config.Load() != 1) ::_exit(1);
      for (int i = 0;; ++i) {
        config.SetText(i % 2 ? textA : textB);
        if (config.Save() != 1) ::_exit(2);
        if (::write(fds[1], "s", 1) != 1) ::_exit(3);
      }
    }
    ::close(fds[1]);
    char c;
    for (int seen = 0; seen < round % 4 + 1; ++seen) ASSERT_EQ(::read(fds[0], &c, 1), 1);
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ::close(fds[0]);
    EXPECT_TRUE(WIFSIGNALED(status)) << "round " << round;
    const std::string plain = DecodeText(kKey, FileBytes(ConfigPath()));
    EXPECT_TRUE(plain == textA || plain == textB) << "round " << round << ": " << plain.size();
    CConfig reader(Build::Service);
    LoadWithKey(reader);
  }
}
