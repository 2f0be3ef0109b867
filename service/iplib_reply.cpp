#include "service/iplib_reply.h"

#include <algorithm>
#include <initializer_list>

#include "common/update_endpoint.h"
#include "platform/gbk.h"

namespace {
// The library goes to the sink in pieces of about this size.
constexpr size_t kHandOnBytes = 64u << 10;
// A library of 100 bytes or fewer is no library.
constexpr uint64_t kMinCodeLength = 101;
}  // namespace

std::string IpLibBareTime(const std::string& time) { return gbk::Replaced(time, " ", ""); }

CIpLibReplyReader::CIpLibReplyReader(CodeSink code)
    : m_sink(std::move(code)),
      m_serviceTime(endpoint::kTagIpTimeServiceOpen, endpoint::kTagIpTimeServiceClose, Value::Kind::Kept),
      m_panelTime(endpoint::kTagIpTimePanelOpen, endpoint::kTagIpTimePanelClose, Value::Kind::Kept),
      m_error(endpoint::kTagErrOpen, endpoint::kTagErrClose, Value::Kind::Counted),
      m_code(endpoint::kTagIpCodeOpen, endpoint::kTagIpCodeClose, Value::Kind::HandedOn) {}

bool CIpLibReplyReader::Feed(std::string_view piece) {
  // Every tag ends in ">": only there can a value begin or end.
  while (!piece.empty() && !m_sinkFailed) {
    const size_t end = std::min(piece.find('>'), piece.size() - 1);
    const std::string_view run = piece.substr(0, end + 1);
    piece.remove_prefix(end + 1);
    Walk(run);
    for (Value* v : {&m_serviceTime, &m_panelTime, &m_error, &m_code}) {
      if (v->state == Value::State::Inside) Append(*v, run);
      if (run.back() == '>') AtTagEnd(*v);
    }
  }
  return !m_sinkFailed;
}

void CIpLibReplyReader::Walk(std::string_view run) {
  for (const char c : run) {
    const bool start = !m_trail;
    m_trail = start && gbk::IsLeadByte(static_cast<unsigned char>(c));
    m_starts = (m_starts << 1) | (start ? 1u : 0u);
    m_recent[m_pos++ % sizeof m_recent] = c;
  }
}

bool CIpLibReplyReader::EndsWith(std::string_view tag) const {
  const size_t n = tag.size();
  // The tag must begin a character; its other bytes then do too (a tag is ASCII).
  if (n > m_pos || n > sizeof m_recent || !(m_starts >> (n - 1) & 1u)) return false;
  for (size_t i = 0; i < n; ++i)
    if (m_recent[(m_pos - n + i) % sizeof m_recent] != tag[i]) return false;
  return true;
}

void CIpLibReplyReader::Append(Value& v, std::string_view run) {
  switch (v.kind) {
    case Value::Kind::Kept:
      // Enough to hold the longest time kept and the closing tag behind it.
      if (v.held.size() < kMaxTimeBytes + sizeof m_recent)
        v.held.append(run.substr(0, kMaxTimeBytes + sizeof m_recent - v.held.size()));
      break;
    case Value::Kind::Counted:
      break;
    case Value::Kind::HandedOn:
      v.held.append(run);
      if (v.held.size() >= kHandOnBytes + sizeof m_recent) HandOn(v, sizeof m_recent);
      break;
  }
}

void CIpLibReplyReader::AtTagEnd(Value& v) {
  if (v.state == Value::State::Done) return;
  // The first closing tag decides, also one before the opening tag.
  if (EndsWith(v.close)) {
    const uint64_t closeAt = m_pos - v.close.size();
    v.length = v.state == Value::State::Inside && closeAt >= v.start ? closeAt - v.start : 0;
    v.state = Value::State::Done;
    if (v.kind == Value::Kind::Kept) {
      v.tooLong = v.length > kMaxTimeBytes;
      v.held.resize(v.tooLong ? 0 : v.length);
    } else if (v.kind == Value::Kind::HandedOn) {
      v.held.resize(v.length > v.handed ? v.length - v.handed : 0);
      HandOn(v, 0);
    }
    return;
  }
  if (v.state == Value::State::Seeking && EndsWith(v.open)) {
    v.state = Value::State::Inside;
    v.start = m_pos;
  }
}

void CIpLibReplyReader::HandOn(Value& v, size_t keep) {
  if (v.held.size() <= keep) return;
  const size_t n = v.held.size() - keep;
  if (!m_sinkFailed && !m_sink(std::string_view(v.held).substr(0, n))) m_sinkFailed = true;
  v.handed += n;
  v.held.erase(0, n);
}

bool CIpLibReplyReader::Accept(const std::string& version, std::string& time) const {
  if (m_code.state != Value::State::Done) return false;
  // Either spelling of the time tag; the service's own comes first.
  const Value* sent = &m_serviceTime;
  if (IpLibBareTime(m_serviceTime.Text()).empty() && !m_serviceTime.tooLong) sent = &m_panelTime;
  if (sent->tooLong) return false;
  const std::string bare = IpLibBareTime(sent->Text());
  if (bare.empty() || bare == version) return false;
  if (m_code.Length() < kMinCodeLength) return false;
  if (m_error.Length() != 0) return false;
  time = sent->Text();
  return true;
}
