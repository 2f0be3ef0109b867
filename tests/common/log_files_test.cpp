#include "common/log_files.h"

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "tests/support/temp_install.h"

TEST(LogFiles, ListSkipsSystemNamesButNotOtherCases) {
  qortest::TempInstall inst;
  std::string dir = inst.ProgramDir() + "logs";
  EXPECT_EQ(platform::fs::MakeDir(dir), platform::fs::kOk);
  for (const char* n : {"qor2016-9-30.log", "debug.log", "system.log", "Debug.log", "note.txt"})
    EXPECT_EQ(platform::fs::WriteFile(dir + "/" + n, "x\n"), platform::fs::kOk);
  EXPECT_EQ(platform::fs::MakeDir(dir + "/.hidden.log"), platform::fs::kOk);
  EXPECT_EQ(platform::fs::MakeDir(dir + "/old.log"), platform::fs::kOk);
  StringList list;
  EXPECT_EQ(ListLogFiles(list, dir, "log"), 3);
  EXPECT_EQ(list, (StringList{"Debug.log", "old.log", "qor2016-9-30.log"}));
  EXPECT_EQ(ListLogFiles(list, dir, "*"), 4);
  EXPECT_EQ(ListLogFiles(list, dir + "/none", "log"), 0);
  EXPECT_TRUE(list.empty());
}

TEST(LogFiles, SortByDate) {
  StringList list = {"qor2016-10-1.log", "QOR2016-9-30.log", "x.log", "qor2016-9-30.log", "qor2015-1-1.log"};
  EXPECT_EQ(SortLogFileList(list), 4);
  EXPECT_EQ(list, (StringList{"qor2015-1-1.log", "QOR2016-9-30.log", "qor2016-9-30.log", "qor2016-10-1.log"}));
  StringList empty;
  EXPECT_EQ(SortLogFileList(empty), 0);
  EXPECT_EQ(LogFileDateKey("qor2016-10-1.log"), "2016-10-01");
}
