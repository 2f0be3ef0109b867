#include "service/my_service.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/config.h"
#include "platform/faults.h"
#include "platform/gbk.h"
#include "common/ini_reader.h"
#include "platform/clock.h"
#include "platform/eventlog.h"
#include "platform/registry.h"
#include "platform/scm.h"
#include "service/global.h"
#include "common/program_log.h"
#include "service/thread.h"
#include "tests/support/temp_install.h"
#include "tests/support/wait.h"

namespace reg = platform::registry;
namespace scm = platform::scm;
namespace ev = platform::eventlog;

namespace {

const char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\qoripsvc";
const char kEventKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\qoripsvc";

// The service's objects on a temporary installation, run in this process.
struct Shell {
  qortest::TempInstall inst;
  CGlobal global;
  CConfig config{Build::Service};
  CLog log{Build::Service};
  CIniReader ini{Build::Service};
  CThread thread{global, config, ini, log};
  CMyService service{"qoripsvc", global, config, thread, log};

  Shell() { service.SetProgramPath(inst.ProgramDir() + "qoripsvc"); }

  std::string Command(const std::vector<std::string>& args, int* handled = nullptr) {
    testing::internal::CaptureStdout();
    int h = service.HandleCommandLine(args);
    if (handled) *handled = h;
    return testing::internal::GetCapturedStdout();
  }
};

std::vector<uint32_t> EventIds() {
  std::vector<ev::Event> events;
  ev::ReadEvents(events);
  std::vector<uint32_t> ids;
  for (const auto& e : events) {
    EXPECT_EQ(e.source, "qoripsvc");
    ids.push_back(e.id);
  }
  return ids;
}

std::string StringValue(const std::string& key, const std::string& name, reg::ValueType* type = nullptr) {
  reg::Key k;
  if (reg::OpenKey(key, k) != reg::kOk) return "<no key>";
  reg::Value v;
  if (k.QueryValue(name, v) != reg::kOk) return "<no value>";
  if (type) *type = v.type;
  return v.data;
}

uint32_t DwordValue(const std::string& key, const std::string& name) {
  reg::Key k;
  uint32_t value = 0xFFFFFFFF;
  if (reg::OpenKey(key, k) == reg::kOk) {
    const int rc = k.QueryDword(name, value);
    EXPECT_TRUE(rc == reg::kOk || rc == reg::kFileNotFound) << rc;
  }
  return value;
}

}  // namespace

TEST(ServiceShell, VersionInstallAndRemoveFromTheCommandLine) {
  Shell s;
  const std::string path = s.inst.ProgramDir() + "qoripsvc";
  struct Step {
    std::vector<std::string> args;
    std::string output;
  };
  const Step steps[] = {
      {{"-v"}, "qoripsvc Version 1.0\nThe service is not installed\n"},
      {{"/I"}, "qoripsvc installed\n"},
      {{"-i"}, "qoripsvc is already installed\n"},
      {{"/V", "-u"}, "qoripsvc Version 1.0\nThe service is currently installed\n"},
      {{"-U"}, "qoripsvc removed. (You must delete the file (" + path + ") yourself.)\n"},
      {{"/u"}, "qoripsvc is not installed\n"},
      {{"-v"}, "qoripsvc Version 1.0\nThe service is not installed\n"},
  };
  for (const auto& step : steps) {
    int handled = 0;
    EXPECT_EQ(s.Command(step.args, &handled), step.output) << step.args[0];
    EXPECT_EQ(handled, 1);
  }
  EXPECT_EQ(EventIds(), (std::vector<uint32_t>{kEventInstalled, kEventRemoved}));
}

TEST(ServiceShell, OtherArgumentsAreLeftToTheDispatcher) {
  Shell s;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {"-x"}, {"v"}, {"--v"}, {"-vv"}, {"/install"}, {""}}) {
    int handled = 1;
    EXPECT_EQ(s.Command(args, &handled), "");
    EXPECT_EQ(handled, 0) << (args.empty() ? "(none)" : args[0]);
  }
}

TEST(ServiceShell, InstallWritesTheRecordAndTheEventSource) {
  Shell s;
  ASSERT_TRUE(s.service.Install());
  const std::string path = s.inst.ProgramDir() + "qoripsvc";

  scm::Manager manager;
  ASSERT_EQ(manager.Open(), scm::kOk);
  scm::Service service;
  ASSERT_EQ(manager.OpenService("QoripSvc", service), scm::kOk);
  scm::Config config;
  ASSERT_EQ(service.QueryConfig(config), scm::kOk);
  EXPECT_EQ(config.imagePath, path);
  EXPECT_EQ(config.displayName, "qoripsvc");
  EXPECT_EQ(config.startType, scm::kAutoStart);
  EXPECT_EQ(config.serviceType, scm::kOwnProcess);
  EXPECT_EQ(config.account, "LocalSystem");

  const std::string description = StringValue(kServiceKey, "Description");
  EXPECT_EQ(description, s.global.ServiceDescription());
  EXPECT_TRUE(gbk::Contains(description, "服务"));
  reg::ValueType type = reg::ValueType::String;
  EXPECT_EQ(StringValue(kEventKey, "EventMessageFile", &type), path);
  EXPECT_EQ(type, reg::ValueType::ExpandString);
  EXPECT_EQ(DwordValue(kEventKey, "TypesSupported"), 7u);

  std::vector<ev::Event> events;
  ev::ReadEvents(events);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].id, kEventInstalled);
  EXPECT_EQ(events[0].type, ev::EventType::Information);
  EXPECT_EQ(events[0].strings, std::vector<std::string>{"qoripsvc"});
}

TEST(ServiceShell, InstallWithoutEventSourceStillSucceeds) {
  // How many hive writes creating the record takes, measured on a machine of its own.
  int recordWrites = 0;
  {
    qortest::TempInstall probe;
    platform::faults::Guard faults;
    faults.Only([](const platform::faults::Call& c) { return c.kind == platform::faults::Kind::RegistryWrite; });
    scm::Manager manager;
    ASSERT_EQ(manager.Open(), scm::kOk);
    scm::Config config;
    config.name = config.displayName = "qoripsvc";
    config.imagePath = probe.ProgramDir() + "qoripsvc";
    config.startType = scm::kAutoStart;
    ASSERT_EQ(manager.CreateService(config), scm::kOk);
    recordWrites = static_cast<int>(faults.Calls());
  }
  ASSERT_GT(recordWrites, 0);

  Shell s;
  std::string out;
  {
    platform::faults::Guard faults;
    faults.Only([](const platform::faults::Call& c) { return c.kind == platform::faults::Kind::RegistryWrite; });
    faults.FailAt(recordWrites + 1, 5);
    out = s.Command({"-i"});
  }
  EXPECT_NE(out.find("Warning: the event log source of qoripsvc could not be registered. Error 5\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("qoripsvc installed\n"), std::string::npos) << out;
  EXPECT_FALSE(reg::KeyExists(kEventKey));
  EXPECT_EQ(StringValue(kServiceKey, "Description"), s.global.ServiceDescription());
  EXPECT_EQ(EventIds(), std::vector<uint32_t>{kEventInstalled});
}

TEST(ServiceShell, FailedInstallReportsTheError) {
  Shell s;
  std::string out;
  {
    platform::faults::Guard faults;
    faults.Fail(platform::faults::Kind::RegistryWrite, 5);
    out = s.Command({"-i"});
  }
  EXPECT_EQ(out, "qoripsvc failed to install. Error 5\n");
  EXPECT_EQ(s.service.LastError(), 5);
  EXPECT_TRUE(EventIds().empty());
}

TEST(ServiceShell, CounterControlsAndStop) {
  Shell s;
  reg::Key params;
  ASSERT_EQ(reg::CreateKey(std::string(kServiceKey) + "\\Parameters", params), reg::kOk);
  ASSERT_EQ(params.SetDword("Start", 40), reg::kOk);
  ASSERT_EQ(params.SetDword("Inc", 3), reg::kOk);
  ASSERT_EQ(s.service.Initialize(), 1);
  EXPECT_EQ(s.service.CurrentValue(), 40u);
  EXPECT_EQ(s.service.Increment(), 3u);
  EXPECT_TRUE(s.service.IsRunning());

  s.service.ControlHandler(CMyService::kControlSaveStatus);
  EXPECT_EQ(DwordValue(std::string(kServiceKey) + "\\Status", "Current"), 40u);

  platform::clock::SetFake(1000000);
  std::atomic<bool> counted{false};
  // One increment a (fake) second until the stop.
  std::thread counter([&] {
    s.service.Run();
    counted = true;
  });
  EXPECT_TRUE(qortest::WaitFor([&] { return s.service.CurrentValue() >= 49; }));
  s.service.ControlHandler(scm::kControlStop);
  counter.join();
  platform::clock::ClearFake();
  EXPECT_TRUE(counted);
  EXPECT_FALSE(s.service.IsRunning());
  EXPECT_TRUE(s.service.StopRequest().StopRequested());
  const uint32_t current = s.service.CurrentValue();
  EXPECT_GE(current, 49u);
  EXPECT_EQ((current - 40) % 3, 0u);

  s.service.ControlHandler(CMyService::kControlSaveStatus);
  EXPECT_EQ(DwordValue(std::string(kServiceKey) + "\\Status", "Current"), current);

  s.service.ControlHandler(129);
  s.service.ControlHandler(scm::kControlPause);
  s.service.ControlHandler(scm::kControlInterrogate);
  s.service.ControlHandler(6);
  EXPECT_EQ(EventIds(), (std::vector<uint32_t>{kEventStarted, kEventStopReceived, kEventBadControl, kEventBadControl}));
}

TEST(ServiceShell, MissingParametersKeepTheDefaults) {
  Shell s;
  ASSERT_TRUE(s.service.OnInit());
  EXPECT_EQ(s.service.StartValue(), 0u);
  EXPECT_EQ(s.service.Increment(), 1u);
  EXPECT_EQ(s.service.CurrentValue(), 0u);
}

TEST(ServiceShell, DispatcherRefusesAProcessTheManagerDidNotStart) {
  Shell s;
  EXPECT_EQ(s.service.StartDispatcher(), 0);
  EXPECT_EQ(s.service.LastError(), scm::kNotStartedByManager);
}
