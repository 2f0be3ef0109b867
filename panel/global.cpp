#include "panel/global.h"

#include "common/coded_constants.h"
#include "common/coding.h"
#include "common/update_endpoint.h"

CGlobal::CGlobal()
    : m_strHost1(DecodeBuiltinPair(coded::kHostFirst)), m_strHost2(DecodeBuiltinPair(coded::kHostSecond)) {
  m_strUpdateUrl = endpoint::EndpointAddress(m_strHost1, DecodeBuiltinPair(coded::kPathUpdate));
  const std::string ipLibPath = DecodeBuiltinPair(coded::kPathIpLib);
  m_strIpLibUrl1 = endpoint::EndpointAddress(m_strHost1, ipLibPath);
  m_strIpLibUrl2 = endpoint::EndpointAddress(m_strHost2, ipLibPath);
}
