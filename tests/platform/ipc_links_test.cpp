// What another account can plant in the shared ipc folder: links to files of the
// system, files of its own under our names, and locks it holds.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
  const std::string ipc = platform::ipc::Folder();
  ASSERT_FALSE(ipc.empty());
  // A file of the system that must stay private, and a name where none exists yet.
  const std::string secret = inst.Base() + "secret";
  ASSERT_EQ(fs::WriteFile(secret, "key"), fs::kOk);
  ::chmod(secret.c_str(), 0600);
  const std::string fresh = inst.Base() + "fresh";
  ASSERT_EQ(::symlink(secret.c_str(), (ipc + "qorippanel.lock").c_str()), 0);
  ASSERT_EQ(::symlink(fresh.c_str(), (ipc + "qorip.lock").c_str()), 0);

  EXPECT_EQ(inst::ClaimInstance("QoripPanel"), inst::Claim::Failed);
  EXPECT_EQ(inst::ClaimInstance("QorIP"), inst::Claim::Failed);
  EXPECT_EQ(ModeOf(secret), 0600u);
  EXPECT_FALSE(fs::Exists(fresh)) << "a claim made a new file through a link";
  EXPECT_TRUE(notices.Mention("qorippanel.lock")) << "the refusal is not logged";

  // A second name of a system file (a hard link) is refused as well.
  ASSERT_EQ(::link(secret.c_str(), (ipc + "qoriptools.lock").c_str()), 0);
  EXPECT_EQ(inst::ClaimInstance("QoripTools"), inst::Claim::Failed);
  EXPECT_EQ(ModeOf(secret), 0600u);
}

TEST(IpcLinks, AMailslotNeverFollowsALink) {
  qortest::TempInstall inst;
  Notices notices;
  const std::string path = slot::SocketPath("QoripPanelStatus");
  ASSERT_FALSE(path.empty());
  const std::string secret = inst.Base() + "secret";
  ASSERT_EQ(fs::WriteFile(secret, "key"), fs::kOk);
  ::chmod(secret.c_str(), 0600);
  ASSERT_EQ(::symlink(secret.c_str(), (path + ".lock").c_str()), 0);
  slot::Slot reader;
  EXPECT_NE(reader.Create("QoripPanelStatus"), slot::kOk);
  EXPECT_EQ(ModeOf(secret), 0600u);

  // The lock is fine, but the socket's name holds a link: it is neither removed
  // through nor made reachable.
  ::unlink((path + ".lock").c_str());
  ASSERT_EQ(::symlink(secret.c_str(), path.c_str()), 0);
  EXPECT_EQ(reader.Create("QoripPanelStatus"), slot::kAccessDenied);
  EXPECT_EQ(ModeOf(secret), 0600u);
  EXPECT_TRUE(notices.Mention(".slot")) << "the refusal is not logged";
  EXPECT_EQ(slot::Write("QoripPanelStatus", "x"), slot::kNoReader) << "a writer sent through a link";
}

TEST(IpcLinks, ANewLockFileIsSharedAndAnExistingOneKeepsItsMode) {
  qortest::TempInstall inst;
  const std::string ipc = platform::ipc::Folder();
  ASSERT_EQ(inst::ClaimInstance("QoripPanel"), inst::Claim::Acquired);
  EXPECT_EQ(ModeOf(ipc + "qorippanel.lock"), 0666u) << "the lock file made here is for every account";
  inst::ReleaseInstance("QoripPanel");
  // Left by an earlier holder with a mode of its own: used as it is.
  ::chmod((ipc + "qorippanel.lock").c_str(), 0644);
  ASSERT_EQ(inst::ClaimInstance("QoripPanel"), inst::Claim::Acquired);
  EXPECT_EQ(ModeOf(ipc + "qorippanel.lock"), 0644u);
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
