#include "panel/global.h"

#include "common/coded_constants.h"
#include "common/coding.h"
#include "common/update_endpoint.h"

CGlobal::CGlobal()
    : m_strHost1(DecodeBuiltinPair(coded::kHostFirst)), m_strHost2(DecodeBuiltinPair(coded::kHostSecond)) {
  const char* const paths[kPathCount] = {coded::kPathUpdate, coded::kPathIpLib, coded::kPathNotice, coded::kPathHelp,
                                         coded::kPathDownload};
  for (int i = 0; i < kPathCount; ++i) {
    const std::string path = DecodeBuiltinPair(paths[i]);
    m_strAddresses[i][0] = endpoint::EndpointAddress(m_strHost1, path);
    m_strAddresses[i][1] = endpoint::EndpointAddress(m_strHost2, path);
  }
  m_strUpdateUrl = m_strAddresses[kUpdate][0];
  m_strIpLibUrl1 = m_strAddresses[kIpLib][0];
  m_strIpLibUrl2 = m_strAddresses[kIpLib][1];
}
