// The panel's global object: the addresses it builds from the built-in hosts and paths.
#include "panel/global.h"

#include <gtest/gtest.h>

#include <set>

#include "common/coded_constants.h"
#include "common/coding.h"
#include "common/update_endpoint.h"

TEST(PanelGlobal, EveryPathOnBothHostsAndTheThreeInUse) {
  CGlobal global;
  const char* const paths[] = {coded::kPathUpdate, coded::kPathIpLib, coded::kPathNotice, coded::kPathHelp,
                               coded::kPathDownload};
  std::set<std::string> distinct;
  for (int i = 0; i < CGlobal::kPathCount; ++i) {
    const std::string path = DecodeBuiltinPair(paths[i]);
    ASSERT_FALSE(path.empty()) << i;
    EXPECT_EQ(global.m_strAddresses[i][0], endpoint::EndpointAddress(endpoint::FirstHost(), path)) << i;
    EXPECT_EQ(global.m_strAddresses[i][1], endpoint::EndpointAddress(endpoint::SecondHost(), path)) << i;
    distinct.insert(global.m_strAddresses[i][0]);
    distinct.insert(global.m_strAddresses[i][1]);
  }
  EXPECT_EQ(distinct.size(), 10u);
  EXPECT_EQ(global.m_strUpdateUrl, global.m_strAddresses[CGlobal::kUpdate][0]);
  EXPECT_EQ(global.m_strIpLibUrl1, global.m_strAddresses[CGlobal::kIpLib][0]);
  EXPECT_EQ(global.m_strIpLibUrl2, global.m_strAddresses[CGlobal::kIpLib][1]);
}
