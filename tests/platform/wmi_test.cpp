#include "platform/wmi.h"

#include <gtest/gtest.h>

#include "tests/support/temp_install.h"

namespace wmi = platform::wmi;

TEST(Wmi, Monikers) {
  qortest::TempInstall inst;
  inst.WriteMachineIni();  // computer QORTEST
  struct Case {
    const char* moniker;
    uint32_t want;
  } cases[] = {
      {"winmgmts:\\\\QORTEST\\root\\CIMV2", wmi::kOk},
      {"WINMGMTS:\\\\qortest\\ROOT\\cimv2", wmi::kOk},
      {"winmgmts:\\\\.\\root\\cimv2", wmi::kOk},
      {"winmgmts:{impersonationLevel=impersonate}!\\\\.\\root\\cimv2", wmi::kOk},
      {"winmgmts:", wmi::kOk},
      {"winmgmts:\\\\OTHER\\root\\CIMV2", wmi::kErrUnavailable},
      {"winmgmts:\\\\.\\root\\default", wmi::kErrInvalidNamespace},
      {"winmgmts:{broken", wmi::kErrBadMoniker},
      {"ldap://x", wmi::kErrBadMoniker},
  };
  for (const auto& c : cases) {
    wmi::Service s;
    EXPECT_EQ(wmi::Service::Connect(c.moniker, s), c.want) << c.moniker;
  }
  inst.WriteMachineIni("wmi=0\n");
  wmi::Service s;
  EXPECT_EQ(wmi::Service::Connect("winmgmts:\\\\.\\root\\cimv2", s), wmi::kErrUnavailable);
  std::vector<wmi::Row> rows;
  EXPECT_EQ(s.ExecQuery("SELECT * FROM Win32_Group", 48, rows), wmi::kErrUnavailable);
}

TEST(Wmi, GroupQueries) {
  qortest::TempInstall inst;
  inst.WriteMachineIni("admin_group=管理员组\n");
  wmi::Service s;
  ASSERT_EQ(wmi::Service::Connect("winmgmts:\\\\QORTEST\\root\\CIMV2", s), wmi::kOk);
  std::vector<wmi::Row> rows;
  ASSERT_EQ(s.ExecQuery("SELECT * FROM Win32_Group WHERE SID = 'S-1-5-32-544'", 48, rows), wmi::kOk);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Get("name"), "管理员组");
  EXPECT_EQ(rows[0].Get("SID"), "S-1-5-32-544");
  EXPECT_EQ(rows[0].Get("Nonexistent"), "");

  ASSERT_EQ(s.ExecQuery("select Name,SID from win32_group where name='管理员组'", 0, rows), wmi::kOk);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].properties.size(), 2u);
  ASSERT_EQ(s.ExecQuery("SELECT * FROM Win32_Group WHERE SID = 'S-1-5-32-999'", 0, rows), wmi::kOk);
  EXPECT_TRUE(rows.empty());
  ASSERT_EQ(s.ExecQuery("SELECT * FROM Win32_Group", 0, rows), wmi::kOk);
  EXPECT_FALSE(rows.empty());

  struct Case {
    const char* query;
    uint32_t want;
  } bad[] = {
      {"SELECT * FROM Win32_Process", wmi::kErrInvalidClass},
      {"SELECT FROM Win32_Group", wmi::kErrInvalidQuery},
      {"SELECT *, Name FROM Win32_Group", wmi::kErrInvalidQuery},
      {"SELECT Colour FROM Win32_Group", wmi::kErrInvalidQuery},
      {"SELECT * FROM Win32_Group WHERE SID = 'open", wmi::kErrInvalidQuery},
      {"SELECT * FROM Win32_Group WHERE Owner = 'x'", wmi::kErrInvalidQuery},
      {"DELETE FROM Win32_Group", wmi::kErrInvalidQuery},
      {"", wmi::kErrInvalidQuery},
  };
  for (const auto& c : bad) EXPECT_EQ(s.ExecQuery(c.query, 0, rows), c.want) << c.query;
  wmi::Service unconnected;
  EXPECT_EQ(unconnected.ExecQuery("SELECT * FROM Win32_Group", 0, rows), wmi::kErrUnavailable);
}
