#include "common/iplib_check.h"

#include <cstring>

#include "common/coding.h"
#include "common/ip_vector.h"
#include "platform/gbk.h"

void CIpLibProbe::Records::Take(char c) {
  if (c != '|' && c != '*') {
    fieldOpen = true;
    return;
  }
  separator = true;
  if (fieldOpen) ++fields;
  fieldOpen = false;
  if (c == '*') {
    usable = usable || fields >= CQorIpVector::kRecordFields;
    fields = 0;
  }
}

bool CIpLibProbe::Records::UsableAtEnd() const {
  return usable || fields + (fieldOpen ? 1 : 0) >= CQorIpVector::kRecordFields;
}

void CIpLibProbe::Feed(std::string_view piece) {
  if (!m_zero && std::memchr(piece.data(), 0, piece.size())) m_zero = true;
  // Once the plain form has a record, only a zero byte can change the verdict.
  if (m_plain.usable || m_zero) return;
  for (const char c : piece) {
    if (m_trail) {
      m_trail = false;
      continue;  // its lead byte already made the field non-empty
    }
    if (gbk::IsLeadByte(static_cast<unsigned char>(c))) {
      m_trail = true;
      m_plain.fieldOpen = m_substituted.fieldOpen = true;
      continue;
    }
    m_plain.Take(c);
    m_substituted.Take(SubstitutedChar(c));
  }
}

std::string CIpLibProbe::Refusal() const {
  if (m_zero) return "IP库数据含有空字节";
  // The substituted form has neither separator until it is turned back.
  const Records& form = m_plain.separator ? m_plain : m_substituted;
  if (!form.UsableAtEnd()) return "IP库数据中没有可用的记录";
  return "";
}

std::string IpLibRefusal(const std::string& library) {
  CIpLibProbe probe;
  probe.Feed(library);
  return probe.Refusal();
}
