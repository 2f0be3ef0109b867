#include "platform/mailslot.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <cstdlib>

#include "platform/fs.h"
#include "tests/support/forked.h"
#include "tests/support/temp_install.h"

namespace slot = platform::mailslot;

namespace {

const char kName[] = "\\\\.\\MailSlot\\QoripPanelStatus";

// A reader in another process that lives until it is killed; the result of its Create.
int CreateElsewhere(const std::string& name) {
  static slot::Slot s;  // open until the child is killed
  return s.Create(name);
}

std::string Read(slot::Slot& s, int64_t waitMs = 5000) {
  std::string m;
  EXPECT_EQ(s.Read(m, waitMs), slot::Slot::ReadResult::Message);
  return m;
}

// Sends raw bytes as a writer that keeps no rules would.
bool SendRaw(const std::string& path, const std::string& bytes) {
  int s = socket(AF_UNIX, SOCK_DGRAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  bool ok = sendto(s, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&addr), sizeof addr) ==
            static_cast<ssize_t>(bytes.size());
  close(s);
  return ok;
}

}  // namespace

TEST(Mailslot, MessagesArriveWholeAndInOrder) {
  qortest::TempInstall inst;
  slot::Slot reader;
  ASSERT_EQ(reader.Create(kName), slot::kOk);
  std::vector<std::string> sent = {"a", std::string("zero\0inside\0", 12), std::string(400, 'x'), "",
                                   "\x8c\xb6\x8c\xb6", "last"};
  for (const auto& m : sent) EXPECT_EQ(slot::Write(kName, m), slot::kOk);
  for (const auto& m : sent) EXPECT_EQ(Read(reader), m);
  std::string none;
  EXPECT_EQ(reader.Read(none, 0), slot::Slot::ReadResult::Timeout);
}

TEST(Mailslot, NamesAreCaseBlindAndTakeTheBareForm) {
  qortest::TempInstall inst;
  slot::Slot reader;
  ASSERT_EQ(reader.Create("qoripPANELstatus"), slot::kOk);
  EXPECT_EQ(slot::Write("\\\\.\\mailslot\\QoripPanelStatus", "one"), slot::kOk);
  EXPECT_EQ(Read(reader), "one");
  EXPECT_EQ(slot::Write("OtherSlot", "two"), slot::kNoReader);
  EXPECT_EQ(slot::Write("\\\\.\\MailSlot\\", "x"), slot::kInvalidName);
  slot::Slot other;
  EXPECT_EQ(other.Create(""), slot::kInvalidName);
}

TEST(Mailslot, WriterWithoutReaderFails) {
  qortest::TempInstall inst;
  EXPECT_EQ(slot::Write(kName, "lost"), slot::kNoReader);
  {
    slot::Slot reader;
    ASSERT_EQ(reader.Create(kName), slot::kOk);
  }
  EXPECT_EQ(slot::Write(kName, "lost"), slot::kNoReader);
  EXPECT_FALSE(platform::fs::Exists(slot::SocketPath(kName)));
}

TEST(Mailslot, SecondOwnerRefusedWhileFirstLivesAndTakesOverAfterItDied) {
  qortest::TempInstall inst;
  qortest::HoldingChild first([] { return CreateElsewhere(kName); });
  ASSERT_EQ(first.Result(), slot::kOk);
  EXPECT_EQ(slot::Write(kName, "to the child"), slot::kOk);
  slot::Slot second;
  EXPECT_EQ(second.Create(kName), slot::kAlreadyExists);
  EXPECT_FALSE(second.IsOpen());

  first.Kill();
  // The dead reader's socket is still there; writers see nobody behind it.
  EXPECT_TRUE(platform::fs::Exists(slot::SocketPath(kName)));
  EXPECT_EQ(slot::Write(kName, "nobody"), slot::kNoReader);
  ASSERT_EQ(second.Create(kName), slot::kOk);
  EXPECT_EQ(slot::Write(kName, "new owner"), slot::kOk);
  EXPECT_EQ(Read(second), "new owner");

  slot::Slot third;
  EXPECT_EQ(third.Create(kName), slot::kAlreadyExists) << "one reader per process too";
}

TEST(Mailslot, OversizedMessagesAreDroppedAndTheNextOneRead) {
  qortest::TempInstall inst;
  slot::Slot reader;
  ASSERT_EQ(reader.Create(kName), slot::kOk);
  EXPECT_EQ(slot::Write(kName, std::string(slot::kMaxMessage + 1, 'y')), slot::kTooLarge);
  std::string m;
  EXPECT_EQ(reader.Read(m, 0), slot::Slot::ReadResult::Timeout) << "nothing was sent";

  ASSERT_TRUE(SendRaw(slot::SocketPath(kName), std::string(slot::kMaxMessage + 1, 'y')));
  ASSERT_TRUE(SendRaw(slot::SocketPath(kName), std::string(4000, 'z')));
  ASSERT_EQ(slot::Write(kName, "next"), slot::kOk);
  EXPECT_EQ(Read(reader), "next");
  EXPECT_EQ(reader.Read(m, 0), slot::Slot::ReadResult::Timeout);
}

TEST(Mailslot, WritesNeverBlockOnAReaderThatIsBehind) {
  qortest::TempInstall inst;
  slot::Slot reader;
  ASSERT_EQ(reader.Create(kName), slot::kOk);
  int written = 0, rc = slot::kOk;
  while (written < 100000 && (rc = slot::Write(kName, "m" + std::to_string(written))) == slot::kOk) ++written;
  EXPECT_EQ(rc, slot::kSlotFull);
  ASSERT_GT(written, 0);
  for (int i = 0; i < written; ++i) ASSERT_EQ(Read(reader), "m" + std::to_string(i));
  EXPECT_EQ(slot::Write(kName, "again"), slot::kOk);
  EXPECT_EQ(Read(reader), "again");
}

TEST(Mailslot, WorksUnderAMachineRootTooLongForASocketAddress) {
  qortest::TempInstall inst;
  std::string root = inst.Base() + std::string(120, 'r') + "/";
  ASSERT_EQ(platform::fs::MakeDirs(root), platform::fs::kOk);
  setenv("QOR_MACHINE_ROOT", root.c_str(), 1);  // TempInstall puts the old value back
  ASSERT_GT(slot::SocketPath(kName).size(), sizeof(sockaddr_un::sun_path));
  slot::Slot reader;
  ASSERT_EQ(reader.Create(kName), slot::kOk);
  EXPECT_EQ(slot::Write(kName, "deep"), slot::kOk);
  EXPECT_EQ(Read(reader), "deep");
}

TEST(Mailslot, ReadOnAClosedSlotFails) {
  slot::Slot s;
  std::string m = "old";
  EXPECT_EQ(s.Read(m, 0), slot::Slot::ReadResult::Failed);
  EXPECT_TRUE(m.empty());
}
