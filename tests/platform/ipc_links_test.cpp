// What another account can plant in the shared folders: links to files of the system,
// files of its own under our names, and locks it holds; and what links in an account's
// own folder do.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/instance.h"
#include "platform/ipc_files.h"
#include "platform/mailslot.h"
#include "platform/notice.h"
#include "tests/support/other_account.h"
#include "tests/support/temp_install.h"

namespace fs = platform::fs;
namespace inst = platform::instance;
namespace slot = platform::mailslot;

namespace {

struct Notices {
  std::vector<std::string> lines;
  Notices() {
    platform::notice::SetSink([this](const std::string& t) { lines.push_back(t); });
  }
  ~Notices() { platform::notice::SetSink(nullptr); }
  bool Mention(const std::string& part) const {
    for (const auto& l : lines)
      if (l.find(part) != std::string::npos) return true;
    return false;
  }
};

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

}  // namespace

TEST(IpcLinks, AClaimNeverFollowsALinkNorChangesTheModeOfItsTarget) {
  qortest::TempInstall inst;
  Notices notices;
  const std::string own = platform::ipc::AccountFolder();
  ASSERT_FALSE(own.empty());
  // A file of the system that must stay private, and a name where none exists yet.
  const std::string secret = inst.Base() + "secret";
  ASSERT_EQ(fs::WriteFile(secret, "key"), fs::kOk);
  ::chmod(secret.c_str(), 0600);
  const std::string fresh = inst.Base() + "fresh";
  ASSERT_EQ(::symlink(secret.c_str(), (own + "qorippanel.lock").c_str()), 0);
  ASSERT_EQ(::symlink(fresh.c_str(), (own + "qorip.lock").c_str()), 0);

  EXPECT_EQ(inst::ClaimInstance("QoripPanel"), inst::Claim::Failed);
  EXPECT_EQ(inst::ClaimInstance("QorIP"), inst::Claim::Failed);
  EXPECT_EQ(ModeOf(secret), 0600u);
  EXPECT_FALSE(fs::Exists(fresh)) << "a claim made a new file through a link";
  EXPECT_TRUE(notices.Mention("qorippanel.lock")) << "the refusal is not logged";

  // A second name of a system file (a hard link) is refused as well.
  ASSERT_EQ(::link(secret.c_str(), (own + "qoriptools.lock").c_str()), 0);
  EXPECT_EQ(inst::ClaimInstance("QoripTools"), inst::Claim::Failed);
  EXPECT_EQ(ModeOf(secret), 0600u);
}

TEST(IpcLinks, AMailslotNeverFollowsALink) {
  qortest::TempInstall inst;
  Notices notices;
  const std::string path = slot::SocketPath("QoripPanelStatus");
  const std::string lock = platform::ipc::AccountFolder() + "qorippanelstatus.slot.lock";
  ASSERT_FALSE(path.empty());
  const std::string secret = inst.Base() + "secret";
  ASSERT_EQ(fs::WriteFile(secret, "key"), fs::kOk);
  ::chmod(secret.c_str(), 0600);
  ASSERT_EQ(::symlink(secret.c_str(), lock.c_str()), 0);
  slot::Slot reader;
  EXPECT_NE(reader.Create("QoripPanelStatus"), slot::kOk);
  EXPECT_EQ(ModeOf(secret), 0600u);

  // The lock is fine, but the socket's name holds a link: it is neither removed
  // through nor made reachable.
  ::unlink(lock.c_str());
  ASSERT_EQ(::symlink(secret.c_str(), path.c_str()), 0);
  EXPECT_EQ(reader.Create("QoripPanelStatus"), slot::kAccessDenied);
  EXPECT_EQ(ModeOf(secret), 0600u);
  EXPECT_TRUE(notices.Mention(".slot")) << "the refusal is not logged";
  EXPECT_EQ(slot::Write("QoripPanelStatus", "x"), slot::kNoReader) << "a writer sent through a link";
}

TEST(IpcLinks, AnAccountsNamesLieInAFolderOfItsOwn) {
  qortest::TempInstall inst;
  ASSERT_EQ(inst::ClaimInstance("QoripPanel"), inst::Claim::Acquired);
  const std::string own = platform::ipc::AccountFolder();
  EXPECT_EQ(ModeOf(own.substr(0, own.size() - 1)), 0700u);
  EXPECT_EQ(ModeOf(own + "qorippanel.lock"), 0600u);
  EXPECT_EQ(ModeOf(inst.MachineRoot() + "users"), 01777u) << "every account makes its own folder there";
  EXPECT_FALSE(fs::Exists(platform::ipc::Folder() + "qorippanel.lock")) << "nothing of one account is shared";
  inst::ReleaseInstance("QoripPanel");
}

TEST(IpcLinks, AnAccountFolderMadeByAnotherAccountIsNotUsed) {
  if (!qortest::CanSwitchAccounts()) GTEST_SKIP() << "needs root to act as another account";
  qortest::TempInstall inst;
  qortest::OpenWayFor(inst.MachineRoot() + "x");
  Notices notices;
  const std::string users = inst.MachineRoot() + "users";
  ASSERT_EQ(::mkdir(users.c_str(), 0755), 0);
  ::chmod(users.c_str(), 01777);
  // It makes root's folder first, open to itself.
  ASSERT_EQ(qortest::RunAsNobody([&] { return ::mkdir((users + "/root").c_str(), 0777) == 0 ? 0 : 1; }), 0);
  ASSERT_EQ(inst::ClaimInstance("QoripPanel"), inst::Claim::Acquired);
  struct stat st;
  ASSERT_EQ(::lstat((users + "/root").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_TRUE(notices.Mention("moved aside"));
  inst::ReleaseInstance("QoripPanel");
}

TEST(IpcLinks, ASystemLockIsOutOfReachOfOtherAccounts) {
  if (!qortest::CanSwitchAccounts()) GTEST_SKIP() << "needs root to act as another account";
  qortest::TempInstall inst;
  qortest::OpenWayFor(inst.MachineRoot() + "x");
  const std::string ipc = platform::ipc::Folder();
  // Another account makes and holds the name in the shared folder before the system starts.
  qortest::HeldByNobody squatter;
  ASSERT_TRUE(squatter.Hold(ipc + "qoripsvclogworker.lock", true));
  ASSERT_EQ(inst::ClaimInstance("QoripSvcLogWorker", inst::Scope::SystemOnly), inst::Claim::Acquired);
  // And the system's lock itself cannot be opened by it.
  qortest::HeldByNobody other;
  EXPECT_FALSE(other.Hold(platform::ipc::PrivateFolder() + "qoripsvclogworker.lock"));
  inst::ReleaseInstance("QoripSvcLogWorker");
}

// Another account that takes hold of every lock it can open and every channel it can
// reach, after our programs ran once (so that every file of theirs exists).
class HeldByAnotherAccount : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!qortest::CanSwitchAccounts()) GTEST_SKIP() << "needs root to act as another account";
    qortest::OpenWayFor(inst.MachineRoot() + "x");
    ASSERT_EQ(inst::ClaimInstance("QoripPanel"), inst::Claim::Acquired);
    ASSERT_EQ(inst::ClaimInstance("QorIP.root"), inst::Claim::Acquired);
    ASSERT_TRUE(inst::ListenForComeForward("QorIP.root", [] {}));
    {
      slot::Slot s;
      ASSERT_EQ(s.Create("QoripPanelStatus"), slot::kOk);
    }
    inst::ReleaseInstance("QoripPanel");
    inst::ReleaseInstance("QorIP.root");
  }
  qortest::TempInstall inst;
  qortest::HeldByNobody nobody;
};

TEST_F(HeldByAnotherAccount, ThePanelAndTheTrayStillStartAndTheTrayHearsTheService) {
  ASSERT_TRUE(nobody.HoldEverything(inst.MachineRoot(), 2));
  EXPECT_EQ(inst::ClaimInstance("QoripPanel"), inst::Claim::Acquired);
  EXPECT_EQ(inst::ClaimInstance("QorIP.root"), inst::Claim::Acquired);
  slot::Slot reader;
  ASSERT_EQ(reader.Create("QoripPanelStatus"), slot::kOk);
  ASSERT_EQ(slot::Write("QoripPanelStatus", "ready"), slot::kOk);
  std::string m;
  EXPECT_EQ(reader.Read(m, 5000), slot::Slot::ReadResult::Message);
  EXPECT_EQ(m, "ready");
  inst::ReleaseInstance("QoripPanel");
  inst::ReleaseInstance("QorIP.root");
}

TEST_F(HeldByAnotherAccount, ItsSilentConnectionsDoNotKeepALaterStartFromBringingTheFirstForward) {
  ASSERT_EQ(inst::ClaimInstance("QorIP.root"), inst::Claim::Acquired);
  std::atomic<int> calls{0};
  ASSERT_TRUE(inst::ListenForComeForward("QorIP.root", [&] { ++calls; }));
  ASSERT_TRUE(nobody.HoldEverything(inst.MachineRoot(), 30));
  EXPECT_TRUE(inst::AskComeForward("QorIP.root", 2000));
  EXPECT_EQ(calls.load(), 1);
  inst::ReleaseInstance("QorIP.root");
}

TEST_F(HeldByAnotherAccount, ASlotNameItTookIsTakenBackByTheAdministratorsTray) {
  // It takes the slot's name for itself before the tray starts.
  const struct {
    const char* what;
    std::function<bool(int&, int&)> take;
  } cases[] = {
      {"a reader of its own", [](int& a, int&) {
         static slot::Slot squatter;  // open until the child ends
         a = squatter.Create("QoripPanelStatus");
         return a == slot::kOk;
       }},
      {"a fifo", [](int&, int&) { return ::mkfifo(slot::SocketPath("QoripPanelStatus").c_str(), 0600) == 0; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Notices notices;
    qortest::HeldByNobody squatter;
    ASSERT_TRUE(squatter.HoldWhat(c.take));
    slot::Slot reader;
    ASSERT_EQ(reader.Create("QoripPanelStatus"), slot::kOk);
    EXPECT_TRUE(notices.Mention("nobody")) << "taking the name back is not logged";
    ASSERT_EQ(slot::Write("QoripPanelStatus", "ready"), slot::kOk);
    std::string m;
    EXPECT_EQ(reader.Read(m, 5000), slot::Slot::ReadResult::Message);
    EXPECT_EQ(m, "ready");
  }
}
